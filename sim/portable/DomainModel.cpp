#include "DomainModel.h"

#include "MachineRegistry.h"
#include "SidText.h"
#include "SimArea.h"

namespace domainmodel {

namespace {

using machinereg::Join;

unsigned char UpperChar(unsigned char c) {
    // ASCII and the Latin-1 letters of code page 1252.
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<unsigned char>(c - 32);
    return c;
}

std::vector<BYTE> ReadSid(const std::string& key, const char* name) {
    std::string text;
    std::vector<BYTE> sid;
    if (machinereg::ReadText(key, name, &text) && !text.empty()) sidtext::Parse(text, &sid);
    return sid;
}

std::string SidString(const std::vector<BYTE>& sid) { return sidtext::Format(sid.data(), sid.size()); }

std::string ControllerKey(const Controller& dc) { return Join(simarea::kDomainControllers, dc.domain); }
std::string AccountsKey(const Controller& dc) { return Join(ControllerKey(dc), simarea::kAccounts); }

bool ReadController(const std::string& domain, Controller* out) {
    const std::string key = Join(simarea::kDomainControllers, domain);
    Controller dc;
    dc.domain = domain;
    if (!machinereg::ReadText(key, simarea::kDcName, &dc.name) || dc.name.empty()) return false;
    dc.sid = ReadSid(key, simarea::kDcSid);
    if (dc.sid.empty()) return false;
    std::string role;
    if (machinereg::ReadText(key, simarea::kDcRole, &role)) dc.primary = !SameName(role, "Backup");
    DWORD callerIsAdmin = 1;
    if (machinereg::ReadDword(key, simarea::kDcCallerIsAdmin, &callerIsAdmin)) dc.callerIsAdmin = callerIsAdmin != 0;
    *out = dc;
    return true;
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperChar(static_cast<unsigned char>(a[i])) != UpperChar(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(UpperChar(static_cast<unsigned char>(c)));
    return text;
}

std::string StripBackslashes(const std::string& server) {
    size_t i = 0;
    while (i < server.size() && i < 2 && server[i] == '\\') ++i;
    return server.substr(i);
}

Role ReadRole() {
    std::string type;
    if (!machinereg::ReadText(simarea::kProductOptions, simarea::kProductType, &type)) return Role::Workstation;
    if (SameName(type, "ServerNT")) return Role::Server;
    if (!SameName(type, "LanmanNT")) return Role::Workstation;
    std::string role;
    if (machinereg::ReadText(simarea::kLsa, simarea::kServerRole, &role) && SameName(role, "Backup"))
        return Role::BackupDC;
    return Role::PrimaryDC;
}

LONG WriteRole(Role role) {
    const char* type = role == Role::Workstation ? "WinNT" : role == Role::Server ? "ServerNT" : "LanmanNT";
    LONG rc = machinereg::WriteText(simarea::kProductOptions, simarea::kProductType, type);
    if (rc != ERROR_SUCCESS) return rc;
    if (role == Role::PrimaryDC || role == Role::BackupDC)
        return machinereg::WriteText(simarea::kLsa, simarea::kServerRole,
                                     role == Role::PrimaryDC ? "Primary" : "Backup");
    const LONG deleted = machinereg::DeleteValue(simarea::kLsa, simarea::kServerRole);
    return deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted;
}

Local ReadLocal() {
    Local local;
    char name[MAX_COMPUTERNAME_LENGTH + 2] = "";
    DWORD size = sizeof name;
    if (GetComputerNameA(name, &size)) local.computerName = name;
    if (!machinereg::ReadText(simarea::kLsa, simarea::kPrimaryDomainName, &local.primaryName))
        local.primaryName = simarea::kDefaultWorkgroup;
    local.primarySid = ReadSid(simarea::kLsa, simarea::kPrimaryDomainSid);
    local.machineSid = ReadSid(simarea::kLsa, simarea::kAccountDomainSid);
    if (local.machineSid.empty()) sidtext::Parse(simarea::kDefaultMachineSid, &local.machineSid);
    local.role = ReadRole();
    return local;
}

std::vector<Controller> Controllers() {
    std::vector<Controller> all;
    for (auto& domain : machinereg::Subkeys(simarea::kDomainControllers)) {
        Controller dc;
        if (ReadController(domain, &dc)) all.push_back(dc);
    }
    return all;
}

// The first controller, in enumeration order, that `matches` (given its
// domain, the subkey's name) and is whole. Every simulated call names a
// server or domain: only the candidates are read in full.
template <typename Matches>
bool FindFirst(Matches matches, Controller* out) {
    for (auto& domain : machinereg::Subkeys(simarea::kDomainControllers))
        if (matches(domain) && ReadController(domain, out)) return true;
    return false;
}

bool FindControllerOfDomain(const std::string& domain, Controller* out) {
    if (domain.empty()) return false;
    return FindFirst([&](const std::string& key) { return SameName(key, domain); }, out);
}

bool FindController(const std::string& server, Controller* out) {
    const std::string name = StripBackslashes(server);
    if (name.empty()) return false;
    return FindFirst(
        [&](const std::string& key) {
            std::string dcName;
            return machinereg::ReadText(Join(simarea::kDomainControllers, key), simarea::kDcName, &dcName) &&
                   SameName(dcName, name);
        },
        out);
}

LONG WriteController(const Controller& dc) {
    const std::string key = ControllerKey(dc);
    LONG rc = machinereg::WriteText(key, simarea::kDcName, dc.name);
    if (rc == ERROR_SUCCESS) rc = machinereg::WriteText(key, simarea::kDcSid, SidString(dc.sid));
    if (rc == ERROR_SUCCESS) rc = machinereg::WriteText(key, simarea::kDcRole, dc.primary ? "Primary" : "Backup");
    if (rc == ERROR_SUCCESS) rc = machinereg::WriteDword(key, simarea::kDcCallerIsAdmin, dc.callerIsAdmin ? 1 : 0);
    return rc;
}

std::vector<Account> Accounts(const Controller& dc) {
    std::vector<Account> all;
    for (auto& name : machinereg::Subkeys(AccountsKey(dc))) {
        Account a;
        if (FindAccount(dc, name, &a)) all.push_back(a);
    }
    return all;
}

bool FindAccount(const Controller& dc, const std::string& name, Account* out) {
    if (name.empty() || name.find('\\') != std::string::npos) return false;
    const std::string key = Join(AccountsKey(dc), name);
    if (!machinereg::KeyExists(key)) return false;
    Account a;
    // The key's own spelling, as the account was created.
    for (auto& existing : machinereg::Subkeys(AccountsKey(dc)))
        if (SameName(existing, name)) a.name = existing;
    machinereg::ReadText(key, simarea::kAccountPassword, &a.password);
    machinereg::ReadText(key, simarea::kAccountComment, &a.comment);
    machinereg::ReadDword(key, simarea::kAccountPrivilege, &a.privilege);
    machinereg::ReadDword(key, simarea::kAccountFlags, &a.flags);
    *out = a;
    return true;
}

LONG WriteAccount(const Controller& dc, const Account& account) {
    const std::string key = Join(AccountsKey(dc), account.name);
    LONG rc = machinereg::WriteText(key, simarea::kAccountPassword, account.password);
    if (rc == ERROR_SUCCESS) rc = machinereg::WriteDword(key, simarea::kAccountPrivilege, account.privilege);
    if (rc == ERROR_SUCCESS) rc = machinereg::WriteDword(key, simarea::kAccountFlags, account.flags);
    if (rc == ERROR_SUCCESS && !account.comment.empty())
        rc = machinereg::WriteText(key, simarea::kAccountComment, account.comment);
    return rc;
}

LONG DeleteAccount(const Controller& dc, const std::string& name) {
    return machinereg::DeleteTree(Join(AccountsKey(dc), name));
}

LONG WritePrimaryDomain(const std::string& name, const std::vector<BYTE>& sid) {
    LONG rc = machinereg::WriteText(simarea::kLsa, simarea::kPrimaryDomainName, name);
    if (rc == ERROR_SUCCESS) rc = machinereg::WriteText(simarea::kLsa, simarea::kPrimaryDomainSid, SidString(sid));
    return rc;
}

LONG WriteMachineSid(const std::vector<BYTE>& sid) {
    return machinereg::WriteText(simarea::kLsa, simarea::kAccountDomainSid, SidString(sid));
}

std::vector<Trust> Trusts() {
    std::vector<Trust> all;
    for (auto& key : machinereg::Subkeys(simarea::kTrustedDomains)) {
        Trust t;
        if (!sidtext::Parse(key, &t.sid)) continue;
        machinereg::ReadText(Join(simarea::kTrustedDomains, key), simarea::kTrustName, &t.name);
        all.push_back(t);
    }
    return all;
}

bool FindTrust(const std::vector<BYTE>& sid, Trust* out) {
    for (auto& t : Trusts()) {
        if (t.sid == sid) {
            *out = t;
            return true;
        }
    }
    return false;
}

LONG WriteTrust(const Trust& trust) {
    return machinereg::WriteText(Join(simarea::kTrustedDomains, SidString(trust.sid)), simarea::kTrustName,
                                 trust.name);
}

LONG DeleteTrust(const std::vector<BYTE>& sid) {
    return machinereg::DeleteTree(Join(simarea::kTrustedDomains, SidString(sid)));
}

bool ReadSecret(const std::string& name, std::string* value) {
    return machinereg::ReadText(Join(simarea::kSecrets, name), simarea::kSecretValue, value);
}

LONG WriteSecret(const std::string& name, const std::string& value) {
    return machinereg::WriteText(Join(simarea::kSecrets, name), simarea::kSecretValue, value);
}

LONG DeleteSecret(const std::string& name) { return machinereg::DeleteTree(Join(simarea::kSecrets, name)); }

}  // namespace domainmodel
