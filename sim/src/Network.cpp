// The security and network side of the simulated machine as a whole: its
// modules in each platform mode, the control of its role and of the domain
// controllers around it, and the count of what was handed out.
#include <lm.h>
#include <ntsecapi.h>

#include "DomainModel.h"
#include "SecuritySim.h"
#include "ShareModel.h"
#include "SidText.h"
#include "State.h"
#include "sim/control.h"
#include "Lock.h"

namespace {

constexpr unsigned kNT = sim::PlatformBit(sim::Platform::NT4) | sim::PlatformBit(sim::Platform::Win2000);
constexpr unsigned kWin2000 = sim::PlatformBit(sim::Platform::Win2000);

domainmodel::Role ToModel(sim::MachineRole role) {
    switch (role) {
        case sim::MachineRole::Workstation: return domainmodel::Role::Workstation;
        case sim::MachineRole::Server: return domainmodel::Role::Server;
        case sim::MachineRole::PrimaryDC: return domainmodel::Role::PrimaryDC;
        case sim::MachineRole::BackupDC: return domainmodel::Role::BackupDC;
    }
    return domainmodel::Role::Workstation;
}

bool FindDc(std::string_view domain, domainmodel::Controller* dc) {
    return domainmodel::FindControllerOfDomain(std::string(domain), dc);
}

sim::DomainAccount FromModel(const domainmodel::Account& a) {
    sim::DomainAccount out;
    out.name = a.name;
    out.password = a.password;
    out.comment = a.comment;
    out.privilege = a.privilege;
    out.flags = a.flags;
    return out;
}

}  // namespace

namespace sim {

void AddSecurityModules() {
    // Windows 95/98 has both files, without any of these functions (its
    // network functions are in svrapi.dll, its ADVAPI32 has no security).
    AddModule("NETAPI32.DLL", {
                                  {"NetApiBufferFree", Proc(&NetApiBufferFree), kNT},
                                  {"NetGetJoinInformation", Proc(&NetGetJoinInformation), kWin2000},
                                  {"NetJoinDomain", Proc(&NetJoinDomain), kWin2000},
                                  {"NetUnjoinDomain", Proc(&NetUnjoinDomain), kWin2000},
                                  {"NetGetDCName", Proc(&NetGetDCName), kNT},
                                  {"NetServerGetInfo", Proc(&NetServerGetInfo), kNT},
                                  {"NetWkstaGetInfo", Proc(&NetWkstaGetInfo), kNT},
                                  {"NetUserModalsGet", Proc(&NetUserModalsGet), kNT},
                                  {"NetUseAdd", Proc(&NetUseAdd), kNT},
                                  {"NetUseDel", Proc(&NetUseDel), kNT},
                                  {"NetUserAdd", Proc(&NetUserAdd), kNT},
                                  {"NetUserDel", Proc(&NetUserDel), kNT},
                                  {"NetUserGetInfo", Proc(&NetUserGetInfo), kNT},
                                  {"NetShareEnum", Proc(&NetShareEnum), kNT},
                                  {"NetShareAdd", Proc(&NetShareAdd), kNT},
                                  {"NetShareDel", Proc(&NetShareDel), kNT},
                              });
    // The Windows 95/98 share functions, which NT does not have.
    constexpr unsigned kWin98 = PlatformBit(Platform::Win98);
    AddModule("SVRAPI.DLL", {
                                {"NetShareEnum", Proc(&sharemodel::Enum50), kWin98},
                                {"NetShareAdd", Proc(&sharemodel::Add50), kWin98},
                                {"NetShareDel", Proc(&sharemodel::Del50), kWin98},
                            });
    AddModule("ADVAPI32.DLL", {
                                  {"OpenSCManagerW", Proc(&OpenSCManagerW), kNT},
                                  {"EnumServicesStatusW", Proc(&EnumServicesStatusW), kNT},
                                  {"OpenServiceW", Proc(&OpenServiceW), kNT},
                                  {"QueryServiceConfigW", Proc(&QueryServiceConfigW), kNT},
                                  {"ChangeServiceConfigW", Proc(&ChangeServiceConfigW), kNT},
                                  {"StartServiceW", Proc(&StartServiceW), kNT},
                                  {"ControlService", Proc(&ControlService), kNT},
                                  {"QueryServiceStatus", Proc(&QueryServiceStatus), kNT},
                                  {"CloseServiceHandle", Proc(&CloseServiceHandle), kNT},
                                  {"LsaOpenPolicy", Proc(&LsaOpenPolicy), kNT},
                                  {"LsaQueryInformationPolicy", Proc(&LsaQueryInformationPolicy), kNT},
                                  {"LsaSetInformationPolicy", Proc(&LsaSetInformationPolicy), kNT},
                                  {"LsaSetTrustedDomainInformation", Proc(&LsaSetTrustedDomainInformation), kNT},
                                  {"LsaDeleteTrustedDomain", Proc(&LsaDeleteTrustedDomain), kNT},
                                  {"LsaStorePrivateData", Proc(&LsaStorePrivateData), kNT},
                                  {"LsaRetrievePrivateData", Proc(&LsaRetrievePrivateData), kNT},
                                  {"LsaFreeMemory", Proc(&LsaFreeMemory), kNT},
                                  {"LsaClose", Proc(&LsaClose), kNT},
                                  {"LsaNtStatusToWinError", Proc(&LsaNtStatusToWinError), kNT},
                                  {"IsValidSid", Proc(&IsValidSid), kNT},
                                  {"GetLengthSid", Proc(&GetLengthSid), kNT},
                                  {"CopySid", Proc(&CopySid), kNT},
                                  {"EqualSid", Proc(&EqualSid), kNT},
                                  {"AllocateAndInitializeSid", Proc(&AllocateAndInitializeSid), kNT},
                                  {"FreeSid", Proc(&FreeSid), kNT},
                                  {"GetSidSubAuthority", Proc(&GetSidSubAuthority), kNT},
                                  {"GetSidSubAuthorityCount", Proc(&GetSidSubAuthorityCount), kNT},
                                  {"LookupPrivilegeValueW", Proc(&LookupPrivilegeValueW), kNT},
                                  {"OpenProcessToken", Proc(&OpenProcessToken), kNT},
                                  {"AdjustTokenPrivileges", Proc(&AdjustTokenPrivileges), kNT},
                                  {"LogonUserW", Proc(&LogonUserW), kNT},
                                  {"ImpersonateLoggedOnUser", Proc(&ImpersonateLoggedOnUser), kNT},
                                  {"RevertToSelf", Proc(&RevertToSelf), kNT},
                              });
}

void ResetSecurity() {
    security::ResetCalls();
    security::ResetNetApi();
    security::ResetLsa();
    security::ResetServices();
    security::ResetTokens();
}

void SetMachineRole(MachineRole role) {
    const sim::Locked locked;
    domainmodel::WriteRole(ToModel(role));
}

MachineRole GetMachineRole() {
    const sim::Locked locked;
    switch (domainmodel::ReadRole()) {
        case domainmodel::Role::Workstation: return MachineRole::Workstation;
        case domainmodel::Role::Server: return MachineRole::Server;
        case domainmodel::Role::PrimaryDC: return MachineRole::PrimaryDC;
        case domainmodel::Role::BackupDC: return MachineRole::BackupDC;
    }
    return MachineRole::Workstation;
}

bool AddDomainController(const DomainController& dc) {
    const sim::Locked locked;
    domainmodel::Controller c;
    if (dc.domain.empty() || dc.name.empty() || dc.domain.find('\\') != std::string::npos ||
        !sidtext::Parse(dc.sid, &c.sid))
        return false;
    c.domain = dc.domain;
    c.name = domainmodel::StripBackslashes(dc.name);
    c.primary = dc.primary;
    c.callerIsAdmin = dc.callerIsAdmin;
    if (domainmodel::WriteController(c) != ERROR_SUCCESS) return false;
    if (dc.adminUser.empty()) return true;
    DomainAccount admin;
    admin.name = dc.adminUser;
    admin.password = dc.adminPassword;
    admin.privilege = USER_PRIV_ADMIN;
    admin.flags = UF_NORMAL_ACCOUNT | UF_SCRIPT;
    return AddDomainAccount(dc.domain, admin);
}

bool ParseDomainController(std::string_view text, DomainController* dc, std::string* error) {
    DomainController out;
    out.adminUser.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view pair = text.substr(start, end - start);
        start = end + 1;
        if (pair.empty()) continue;
        const size_t eq = pair.find('=');
        if (eq == std::string_view::npos) {
            *error = "expected key=value, got '" + std::string(pair) + "'";
            return false;
        }
        const std::string key(pair.substr(0, eq));
        const std::string value(pair.substr(eq + 1));
        if (key == "domain") {
            out.domain = value;
        } else if (key == "dc") {
            out.name = value;
        } else if (key == "sid") {
            out.sid = value;
        } else if (key == "admin") {
            out.adminUser = value;
        } else if (key == "password") {
            out.adminPassword = value;
        } else if (key == "role" && (value == "primary" || value == "backup")) {
            out.primary = value == "primary";
        } else if (key == "caller" && (value == "admin" || value == "user")) {
            out.callerIsAdmin = value == "admin";
        } else {
            *error = "unknown setting '" + std::string(pair) + "'";
            return false;
        }
    }
    std::vector<BYTE> sid;
    if (out.domain.empty() || out.name.empty()) {
        *error = "a domain controller needs domain= and dc=";
        return false;
    }
    if (!sidtext::Parse(out.sid, &sid)) {
        *error = "sid= must be a SID such as S-1-5-21-1-2-3";
        return false;
    }
    *dc = out;
    return true;
}

bool AddDomainAccount(std::string_view domain, const DomainAccount& account) {
    const sim::Locked locked;
    domainmodel::Controller dc;
    if (!FindDc(domain, &dc) || account.name.empty() || account.name.find('\\') != std::string::npos) return false;
    domainmodel::Account a;
    a.name = account.name;
    a.password = account.password;
    a.comment = account.comment;
    a.privilege = account.privilege;
    a.flags = account.flags;
    return domainmodel::WriteAccount(dc, a) == ERROR_SUCCESS;
}

bool FindDomainAccount(std::string_view domain, std::string_view name, DomainAccount* account) {
    const sim::Locked locked;
    domainmodel::Controller dc;
    domainmodel::Account a;
    if (!FindDc(domain, &dc) || !domainmodel::FindAccount(dc, std::string(name), &a)) return false;
    *account = FromModel(a);
    return true;
}

std::vector<DomainAccount> DomainAccounts(std::string_view domain) {
    const sim::Locked locked;
    std::vector<DomainAccount> out;
    domainmodel::Controller dc;
    if (!FindDc(domain, &dc)) return out;
    for (auto& a : domainmodel::Accounts(dc)) out.push_back(FromModel(a));
    return out;
}

std::vector<std::string> IpcSessions() {
    const sim::Locked locked;
    return netmodel::SessionNames();
}

SecurityResources LiveSecurityResources() {
    const sim::Locked locked;
    SecurityResources r;
    r.netApiBuffers = security::LiveNetApiBuffers();
    r.lsaMemory = security::LiveLsaMemory();
    r.lsaHandles = security::OpenLsaHandles();
    r.scHandles = security::OpenScHandles();
    r.tokenHandles = security::OpenTokenHandles();
    r.sids = security::LiveSids();
    r.localBlocks = security::LiveLocalBlocks();
    r.ipcSessions = netmodel::SessionNames().size();
    return r;
}

std::string Describe(const SecurityResources& r) {
    return "netApiBuffers=" + std::to_string(r.netApiBuffers) + " lsaMemory=" + std::to_string(r.lsaMemory) +
           " lsaHandles=" + std::to_string(r.lsaHandles) + " scHandles=" + std::to_string(r.scHandles) +
           " tokenHandles=" + std::to_string(r.tokenHandles) + " sids=" + std::to_string(r.sids) +
           " localBlocks=" + std::to_string(r.localBlocks) + " ipcSessions=" + std::to_string(r.ipcSessions);
}

}  // namespace sim
