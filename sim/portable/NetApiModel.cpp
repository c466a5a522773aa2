// The network API ("NetApi32.Dll") of a small simulated world: the local
// machine's membership (join information, join and unjoin, server,
// workstation and user-modals information), IPC$ sessions, and the account
// databases of the domain controllers described in the registry. Written
// against Win32 only, so the simulated platform and the Wine runs' netapi32
// double are built from this one file; each supplies the hooks of
// NetApiHooks.h.
#include <windows.h>
#include <lm.h>

#include <cstring>
#include <string>
#include <vector>

#include "ApiCall.h"
#include "DomainModel.h"
#include "MachineRegistry.h"
#include "NetApiHooks.h"
#include "NetApiModel.h"
#include "SidText.h"
#include "SimArea.h"
#include "WideText.h"

namespace {

using apicall::Call;
using domainmodel::Account;
using domainmodel::Controller;
using domainmodel::Local;
using domainmodel::SameName;
using wide::WString;

// ---- Buffers -------------------------------------------------------------------

// Lays out one buffer: a fixed head (the structures), then texts and SIDs,
// so that one NetApiBufferFree releases everything.
class Packer {
public:
    explicit Packer(size_t head) : size_(Align(head)) {}

    size_t Text(const std::string& text) {
        const WString w = wide::Widen(text);
        const size_t at = size_;
        size_ = Align(size_ + (w.size() + 1) * sizeof(WCHAR));
        texts_.push_back({at, w});
        return at;
    }

    size_t Bytes(const std::vector<BYTE>& bytes) {
        const size_t at = size_;
        size_ = Align(size_ + bytes.size());
        bytes_.push_back({at, bytes});
        return at;
    }

    BYTE* Finish() {
        auto* base = static_cast<BYTE*>(netmodel::AllocateBuffer(size_));
        if (!base) return nullptr;
        for (auto& t : texts_) std::memcpy(base + t.first, t.second.c_str(), (t.second.size() + 1) * sizeof(WCHAR));
        for (auto& b : bytes_)
            if (!b.second.empty()) std::memcpy(base + b.first, b.second.data(), b.second.size());
        return base;
    }

private:
    static size_t Align(size_t n) { return (n + 7) & ~size_t(7); }
    size_t size_;
    std::vector<std::pair<size_t, WString>> texts_;
    std::vector<std::pair<size_t, std::vector<BYTE>>> bytes_;
};

LPWSTR TextAt(BYTE* base, size_t offset) { return reinterpret_cast<LPWSTR>(base + offset); }

// ---- Calls ---------------------------------------------------------------------

// Runs a function body between the hooks: injected failures return at once.
template <typename Body>
NET_API_STATUS Run(Call& call, Body body) {
    DWORD status = 0;
    if (netmodel::Enter(call, &status)) {
        call.result = apicall::StatusText(status);
        netmodel::Leave(call, true);
        return status;
    }
    status = body();
    call.result = apicall::StatusText(status);
    netmodel::Leave(call, false);
    return status;
}

std::string Text(LPCWSTR text) { return text ? wide::Narrow(text) : std::string(); }

// ---- Servers -------------------------------------------------------------------

enum class Target { Local, Controller, Unknown };

Target Resolve(LPCWSTR server, const Local& local, Controller* dc) {
    const std::string name = domainmodel::StripBackslashes(Text(server));
    if (name.empty() || SameName(name, local.computerName)) return Target::Local;
    return domainmodel::FindController(name, dc) ? Target::Controller : Target::Unknown;
}

void Version(DWORD* major, DWORD* minor) {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    *major = 4;
    *minor = 0;
    if (GetVersionExA(&info)) {
        *major = info.dwMajorVersion;
        *minor = info.dwMinorVersion;
    }
}

DWORD ServerType(domainmodel::Role role) {
    DWORD type = SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT;
    switch (role) {
        case domainmodel::Role::Workstation: break;
        case domainmodel::Role::Server: type |= SV_TYPE_SERVER_NT; break;
        case domainmodel::Role::PrimaryDC: type |= SV_TYPE_SERVER_NT | SV_TYPE_DOMAIN_CTRL; break;
        case domainmodel::Role::BackupDC: type |= SV_TYPE_SERVER_NT | SV_TYPE_DOMAIN_BAKCTRL; break;
    }
    return type;
}

// ---- Sessions and credentials ----------------------------------------------------

// An IPC$ connection to a domain controller: whose credentials it carries
// and whether they administer the domain.
struct Session {
    std::string remote;  // as connected, e.g. \\CORPDC\IPC$
    std::string server;
    std::string user;  // empty: the logged-on user's own credentials
    bool admin = false;
    DWORD uses = 0;
};

std::vector<Session>& Sessions() {
    static std::vector<Session> sessions;
    return sessions;
}

Session* SessionTo(const std::string& server) {
    for (auto& s : Sessions())
        if (SameName(s.server, server)) return &s;
    return nullptr;
}

// Checks credentials given for a domain: an empty user stands for the
// logged-on user, whose rights the controller's CallerIsAdmin decides.
DWORD Authenticate(const Controller& dc, const std::string& user, const std::string& domain,
                   const std::string& password, bool* admin) {
    if (user.empty()) {
        *admin = dc.callerIsAdmin;
        return NERR_Success;
    }
    if (!domain.empty() && !SameName(domain, dc.domain)) return ERROR_LOGON_FAILURE;
    Account account;
    if (!domainmodel::FindAccount(dc, user, &account) || account.password != password) return ERROR_LOGON_FAILURE;
    if (account.flags & UF_ACCOUNTDISABLE) return ERROR_LOGON_FAILURE;
    *admin = account.privilege == USER_PRIV_ADMIN;
    return NERR_Success;
}

// "DOMAIN\user" or "user" as the join functions take an account.
DWORD AuthenticateAccount(const Controller& dc, LPCWSTR account, LPCWSTR password, bool* admin) {
    const std::string text = Text(account);
    const size_t slash = text.find('\\');
    const std::string domain = slash == std::string::npos ? std::string() : text.substr(0, slash);
    const std::string user = slash == std::string::npos ? text : text.substr(slash + 1);
    if (account && user.empty()) return ERROR_LOGON_FAILURE;
    return Authenticate(dc, user, domain, Text(password), admin);
}

// The rights the caller has on a controller: those of its IPC$ session, or
// the logged-on user's own.
bool AdministersController(const Controller& dc) {
    if (const Session* s = SessionTo(dc.name)) return s->admin;
    return dc.callerIsAdmin;
}

// ---- Membership --------------------------------------------------------------------

// The machine account password a join gives: the computer name in lower
// case, at most 14 characters, as Windows NT 4.0 did for new accounts.
std::string MachinePassword(const std::string& computerName) {
    std::string password = computerName.substr(0, 14);
    for (char& c : password)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return password;
}

constexpr char kMachineSecret[] = "$MACHINE.ACC";

DWORD LeaveDomain(const Local& local, const std::string& workgroup) {
    if (local.InDomain()) domainmodel::DeleteTrust(local.primarySid);
    domainmodel::DeleteSecret(kMachineSecret);
    const LONG rc = domainmodel::WritePrimaryDomain(workgroup, {});
    if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
    netmodel::SetNetlogon(false);
    return NERR_Success;
}

bool ValidWorkgroupName(const std::string& name) {
    if (name.empty() || name.size() > DNLEN) return false;
    for (char c : name)
        if (std::strchr("\\/:*?\"<>|", c) || static_cast<unsigned char>(c) < 0x20) return false;
    return true;
}

DWORD JoinDomain(const Local& local, const std::string& domain, LPCWSTR account, LPCWSTR password, DWORD options) {
    Controller dc;
    if (!domainmodel::FindControllerOfDomain(domain, &dc)) return ERROR_NO_SUCH_DOMAIN;
    bool admin = false;
    DWORD status = AuthenticateAccount(dc, account, password, &admin);
    if (status != NERR_Success) return status;
    if (!admin) return ERROR_ACCESS_DENIED;
    const std::string accountName = domainmodel::Upper(local.computerName) + "$";
    const std::string secret = MachinePassword(local.computerName);
    Account machine;
    if (domainmodel::FindAccount(dc, accountName, &machine)) {
        machine.flags &= ~DWORD(UF_ACCOUNTDISABLE);
    } else if (options & NETSETUP_ACCT_CREATE) {
        machine.name = accountName;
        machine.privilege = USER_PRIV_USER;
        machine.flags = UF_WORKSTATION_TRUST_ACCOUNT | UF_SCRIPT;
    } else {
        return ERROR_NO_TRUST_SAM_ACCOUNT;
    }
    machine.password = secret;
    LONG rc = domainmodel::WriteAccount(dc, machine);
    if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
    if (local.InDomain() && local.primarySid != dc.sid) domainmodel::DeleteTrust(local.primarySid);
    rc = domainmodel::WriteTrust({dc.sid, dc.domain});
    if (rc == ERROR_SUCCESS) rc = domainmodel::WriteSecret(kMachineSecret, secret);
    if (rc == ERROR_SUCCESS) rc = domainmodel::WritePrimaryDomain(dc.domain, dc.sid);
    if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
    netmodel::SetNetlogon(true);
    return NERR_Success;
}

}  // namespace

namespace netmodel {

void ResetSessions() { Sessions().clear(); }

std::vector<std::string> SessionNames() {
    std::vector<std::string> names;
    for (auto& s : Sessions()) names.push_back(s.remote);
    return names;
}

}  // namespace netmodel

extern "C" {

NET_API_STATUS WINAPI NetApiBufferFree(LPVOID Buffer) {
    const netmodel::CallLock locked;
    Call call{"NetApiBufferFree", {}, {}};
    call.Pointer("buffer", Buffer);
    return Run(call, [&]() -> DWORD {
        if (!Buffer) return NERR_Success;
        return netmodel::FreeBuffer(Buffer) ? NERR_Success : ERROR_INVALID_PARAMETER;
    });
}

NET_API_STATUS WINAPI NetGetJoinInformation(LPCWSTR lpServer, LPWSTR* lpNameBuffer, PNETSETUP_JOIN_STATUS BufferType) {
    const netmodel::CallLock locked;
    Call call{"NetGetJoinInformation", {}, {}};
    call.Text("server", lpServer);
    return Run(call, [&]() -> DWORD {
        if (!lpNameBuffer || !BufferType) return ERROR_INVALID_PARAMETER;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        if (Resolve(lpServer, local, &dc) != Target::Local) return ERROR_BAD_NETPATH;
        Packer pack(0);
        const size_t name = pack.Text(local.primaryName);
        BYTE* base = pack.Finish();
        if (!base) return ERROR_NOT_ENOUGH_MEMORY;
        *lpNameBuffer = TextAt(base, name);
        *BufferType = local.InDomain() || local.IsController() ? NetSetupDomainName
                      : local.primaryName.empty()              ? NetSetupUnjoined
                                                               : NetSetupWorkgroupName;
        return NERR_Success;
    });
}

NET_API_STATUS WINAPI NetJoinDomain(LPCWSTR lpServer, LPCWSTR lpDomain, LPCWSTR lpAccountOU, LPCWSTR lpAccount,
                                    LPCWSTR lpPassword, DWORD fJoinOptions) {
    const netmodel::CallLock locked;
    Call call{"NetJoinDomain", {}, {}};
    call.Text("server", lpServer)
        .Text("domain", lpDomain)
        .Text("ou", lpAccountOU)
        .Text("account", lpAccount)
        .Text("password", lpPassword)
        .Hex("options", fJoinOptions);
    return Run(call, [&]() -> DWORD {
        const std::string domain = Text(lpDomain);
        if (domain.empty()) return ERROR_INVALID_PARAMETER;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        if (Resolve(lpServer, local, &dc) != Target::Local) return ERROR_BAD_NETPATH;
        if (local.IsController()) return NERR_SetupDomainController;
        if (local.InDomain() && !(fJoinOptions & NETSETUP_DOMAIN_JOIN_IF_JOINED)) return NERR_SetupAlreadyJoined;
        if (fJoinOptions & NETSETUP_JOIN_DOMAIN) return JoinDomain(local, domain, lpAccount, lpPassword, fJoinOptions);
        if (!ValidWorkgroupName(domain)) return NERR_InvalidWorkgroupName;
        return LeaveDomain(local, domain);
    });
}

NET_API_STATUS WINAPI NetUnjoinDomain(LPCWSTR lpServer, LPCWSTR lpAccount, LPCWSTR lpPassword, DWORD fUnjoinOptions) {
    const netmodel::CallLock locked;
    Call call{"NetUnjoinDomain", {}, {}};
    call.Text("server", lpServer)
        .Text("account", lpAccount)
        .Text("password", lpPassword)
        .Hex("options", fUnjoinOptions);
    return Run(call, [&]() -> DWORD {
        if (fUnjoinOptions & ~DWORD(NETSETUP_VALID_UNJOIN_FLAGS)) return ERROR_INVALID_PARAMETER;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        if (Resolve(lpServer, local, &dc) != Target::Local) return ERROR_BAD_NETPATH;
        if (local.IsController()) return NERR_SetupDomainController;
        if (!local.InDomain()) return NERR_SetupNotJoined;
        if (fUnjoinOptions & NETSETUP_ACCT_DELETE) {
            // The machine account is disabled, not deleted, as Windows does.
            if (!domainmodel::FindControllerOfDomain(local.primaryName, &dc)) return ERROR_NO_SUCH_DOMAIN;
            bool admin = false;
            const DWORD status = AuthenticateAccount(dc, lpAccount, lpPassword, &admin);
            if (status != NERR_Success) return status;
            if (!admin) return ERROR_ACCESS_DENIED;
            Account machine;
            if (domainmodel::FindAccount(dc, domainmodel::Upper(local.computerName) + "$", &machine)) {
                machine.flags |= UF_ACCOUNTDISABLE;
                domainmodel::WriteAccount(dc, machine);
            }
        }
        return LeaveDomain(local, simarea::kDefaultWorkgroup);
    });
}

NET_API_STATUS WINAPI NetGetDCName(LPCWSTR servername, LPCWSTR domainname, LPBYTE* bufptr) {
    const netmodel::CallLock locked;
    Call call{"NetGetDCName", {}, {}};
    call.Text("server", servername).Text("domain", domainname);
    return Run(call, [&]() -> DWORD {
        if (!bufptr) return ERROR_INVALID_PARAMETER;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        if (Resolve(servername, local, &dc) == Target::Unknown) return ERROR_BAD_NETPATH;
        std::string domain = Text(domainname);
        if (domain.empty()) {
            if (!local.InDomain()) return NERR_DCNotFound;
            domain = local.primaryName;
        }
        std::string name;
        if (local.role == domainmodel::Role::PrimaryDC && SameName(domain, local.primaryName)) {
            name = local.computerName;
        } else {
            for (auto& c : domainmodel::Controllers())
                if (c.primary && SameName(c.domain, domain)) name = c.name;
        }
        if (name.empty()) return NERR_DCNotFound;
        Packer pack(0);
        const size_t text = pack.Text("\\\\" + name);
        BYTE* base = pack.Finish();
        if (!base) return ERROR_NOT_ENOUGH_MEMORY;
        *bufptr = base + text;
        return NERR_Success;
    });
}

NET_API_STATUS WINAPI NetServerGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr) {
    const netmodel::CallLock locked;
    Call call{"NetServerGetInfo", {}, {}};
    call.Text("server", servername).Number("level", level);
    return Run(call, [&]() -> DWORD {
        if (!bufptr) return ERROR_INVALID_PARAMETER;
        if (level != 100 && level != 101) return ERROR_INVALID_LEVEL;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        const Target target = Resolve(servername, local, &dc);
        if (target == Target::Unknown) return ERROR_BAD_NETPATH;
        const bool here = target == Target::Local;
        std::string comment;
        if (here) machinereg::ReadText(simarea::kServerParameters, simarea::kServerComment, &comment);
        DWORD major = 4, minor = 0;
        Version(&major, &minor);
        Packer pack(level == 100 ? sizeof(SERVER_INFO_100) : sizeof(SERVER_INFO_101));
        const size_t name = pack.Text(here ? local.computerName : dc.name);
        const size_t remark = pack.Text(comment);
        BYTE* base = pack.Finish();
        if (!base) return ERROR_NOT_ENOUGH_MEMORY;
        if (level == 100) {
            auto* info = reinterpret_cast<SERVER_INFO_100*>(base);
            info->sv100_platform_id = SV_PLATFORM_ID_NT;
            info->sv100_name = TextAt(base, name);
        } else {
            auto* info = reinterpret_cast<SERVER_INFO_101*>(base);
            info->sv101_platform_id = SV_PLATFORM_ID_NT;
            info->sv101_name = TextAt(base, name);
            info->sv101_version_major = major;
            info->sv101_version_minor = minor;
            info->sv101_type =
                here ? ServerType(local.role)
                     : ServerType(dc.primary ? domainmodel::Role::PrimaryDC : domainmodel::Role::BackupDC);
            info->sv101_comment = TextAt(base, remark);
        }
        *bufptr = base;
        return NERR_Success;
    });
}

NET_API_STATUS WINAPI NetWkstaGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr) {
    const netmodel::CallLock locked;
    Call call{"NetWkstaGetInfo", {}, {}};
    call.Text("server", servername).Number("level", level);
    return Run(call, [&]() -> DWORD {
        if (!bufptr) return ERROR_INVALID_PARAMETER;
        if (level != 100) return ERROR_INVALID_LEVEL;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        if (Resolve(servername, local, &dc) != Target::Local) return ERROR_BAD_NETPATH;
        DWORD major = 4, minor = 0;
        Version(&major, &minor);
        Packer pack(sizeof(WKSTA_INFO_100));
        const size_t name = pack.Text(local.computerName);
        const size_t group = pack.Text(local.primaryName);
        BYTE* base = pack.Finish();
        if (!base) return ERROR_NOT_ENOUGH_MEMORY;
        auto* info = reinterpret_cast<WKSTA_INFO_100*>(base);
        info->wki100_platform_id = PLATFORM_ID_NT;
        info->wki100_computername = TextAt(base, name);
        info->wki100_langroup = TextAt(base, group);
        info->wki100_ver_major = major;
        info->wki100_ver_minor = minor;
        *bufptr = base;
        return NERR_Success;
    });
}

NET_API_STATUS WINAPI NetUserModalsGet(LPCWSTR servername, DWORD level, LPBYTE* bufptr) {
    const netmodel::CallLock locked;
    Call call{"NetUserModalsGet", {}, {}};
    call.Text("server", servername).Number("level", level);
    return Run(call, [&]() -> DWORD {
        if (!bufptr) return ERROR_INVALID_PARAMETER;
        if (level != 2) return ERROR_INVALID_LEVEL;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        const Target target = Resolve(servername, local, &dc);
        if (target == Target::Unknown) return ERROR_BAD_NETPATH;
        std::string name;
        std::vector<BYTE> sid;
        if (target == Target::Controller) {
            name = dc.domain;
            sid = dc.sid;
        } else if (local.IsController()) {
            // A controller's account domain is its domain.
            name = local.primaryName;
            sid = local.primarySid;
        } else {
            name = local.computerName;
            sid = local.machineSid;
        }
        Packer pack(sizeof(USER_MODALS_INFO_2));
        const size_t text = pack.Text(name);
        const size_t bytes = pack.Bytes(sid);
        BYTE* base = pack.Finish();
        if (!base) return ERROR_NOT_ENOUGH_MEMORY;
        auto* info = reinterpret_cast<USER_MODALS_INFO_2*>(base);
        info->usrmod2_domain_name = TextAt(base, text);
        info->usrmod2_domain_id = sid.empty() ? nullptr : base + bytes;
        *bufptr = base;
        return NERR_Success;
    });
}

NET_API_STATUS WINAPI NetUseAdd(LMSTR UncServerName, DWORD Level, LPBYTE Buf, LPDWORD ParmError) {
    const netmodel::CallLock locked;
    Call call{"NetUseAdd", {}, {}};
    call.Text("server", UncServerName).Number("level", Level);
    const USE_INFO_2* use = (Level == 1 || Level == 2) ? reinterpret_cast<const USE_INFO_2*>(Buf) : nullptr;
    if (use) {
        call.Text("local", use->ui2_local)
            .Text("remote", use->ui2_remote)
            .Text("password", use->ui2_password)
            .Number("asg_type", use->ui2_asg_type);
        if (Level == 2) call.Text("username", use->ui2_username).Text("domainname", use->ui2_domainname);
    }
    return Run(call, [&]() -> DWORD {
        if (Level != 1 && Level != 2) return ERROR_INVALID_LEVEL;
        if (!use) return ERROR_INVALID_PARAMETER;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        if (Resolve(UncServerName, local, &dc) != Target::Local) return ERROR_BAD_NETPATH;
        // Only IPC$ connections to described controllers exist in this world.
        const std::string remote = Text(use->ui2_remote);
        const size_t share = remote.rfind('\\');
        if (remote.size() < 3 || remote.compare(0, 2, "\\\\") != 0 || share == std::string::npos || share < 3) {
            if (ParmError) *ParmError = USE_REMOTE_PARMNUM;
            return ERROR_INVALID_PARAMETER;
        }
        const std::string server = remote.substr(2, share - 2);
        if (use->ui2_local && use->ui2_local[0]) {
            if (ParmError) *ParmError = USE_LOCAL_PARMNUM;
            return ERROR_INVALID_PARAMETER;
        }
        if (use->ui2_asg_type != USE_IPC && use->ui2_asg_type != USE_WILDCARD) {
            if (ParmError) *ParmError = USE_ASGTYPE_PARMNUM;
            return ERROR_INVALID_PARAMETER;
        }
        if (!domainmodel::FindController(server, &dc)) return ERROR_BAD_NETPATH;
        if (!SameName(remote.substr(share + 1), "IPC$")) return ERROR_BAD_NET_NAME;
        const std::string user = Level == 2 ? Text(use->ui2_username) : std::string();
        const std::string domain = Level == 2 ? Text(use->ui2_domainname) : std::string();
        bool admin = false;
        const DWORD status = Authenticate(dc, user, domain, Text(use->ui2_password), &admin);
        if (status != NERR_Success) return status;
        if (Session* existing = SessionTo(dc.name)) {
            if (!SameName(existing->user, user)) return ERROR_SESSION_CREDENTIAL_CONFLICT;
            ++existing->uses;
            return NERR_Success;
        }
        Sessions().push_back(Session{remote, dc.name, user, admin, 1});
        return NERR_Success;
    });
}

NET_API_STATUS WINAPI NetUseDel(LMSTR UncServerName, LMSTR UseName, DWORD ForceCond) {
    const netmodel::CallLock locked;
    Call call{"NetUseDel", {}, {}};
    call.Text("server", UncServerName).Text("use", UseName).Number("force", ForceCond);
    return Run(call, [&]() -> DWORD {
        if (!UseName || ForceCond > USE_LOTS_OF_FORCE) return ERROR_INVALID_PARAMETER;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        if (Resolve(UncServerName, local, &dc) != Target::Local) return ERROR_BAD_NETPATH;
        const std::string name = Text(UseName);
        auto& sessions = Sessions();
        for (size_t i = 0; i < sessions.size(); ++i) {
            if (!SameName(sessions[i].remote, name)) continue;
            if (--sessions[i].uses == 0 || ForceCond != USE_NOFORCE) sessions.erase(sessions.begin() + long(i));
            return NERR_Success;
        }
        return NERR_UseNotFound;
    });
}

NET_API_STATUS WINAPI NetUserAdd(LPCWSTR servername, DWORD level, LPBYTE buf, LPDWORD parm_err) {
    const netmodel::CallLock locked;
    Call call{"NetUserAdd", {}, {}};
    call.Text("server", servername).Number("level", level);
    const USER_INFO_1* info = level == 1 ? reinterpret_cast<const USER_INFO_1*>(buf) : nullptr;
    if (info) {
        call.Text("name", info->usri1_name)
            .Text("password", info->usri1_password)
            .Number("priv", info->usri1_priv)
            .Hex("flags", info->usri1_flags);
    }
    return Run(call, [&]() -> DWORD {
        if (level != 1) return ERROR_INVALID_LEVEL;
        if (!info) return ERROR_INVALID_PARAMETER;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        const Target target = Resolve(servername, local, &dc);
        if (target == Target::Unknown) return ERROR_BAD_NETPATH;
        if (target == Target::Local) return ERROR_NOT_SUPPORTED;  // no local account database here
        if (!AdministersController(dc)) return ERROR_ACCESS_DENIED;
        const std::string name = Text(info->usri1_name);
        if (name.empty() || name.size() > 20 || name.find_first_of("\\/\"[]:|<>+=;,?*@") != std::string::npos) {
            if (parm_err) *parm_err = USER_NAME_PARMNUM;
            return NERR_BadUsername;
        }
        // Accounts are added as ordinary users; rights come from groups.
        if (info->usri1_priv != USER_PRIV_USER) {
            if (parm_err) *parm_err = USER_PRIV_PARMNUM;
            return ERROR_INVALID_PARAMETER;
        }
        Account existing;
        if (domainmodel::FindAccount(dc, name, &existing)) return NERR_UserExists;
        Account account;
        account.name = name;
        account.password = Text(info->usri1_password);
        account.comment = Text(info->usri1_comment);
        account.privilege = info->usri1_priv;
        account.flags = info->usri1_flags;
        const LONG rc = domainmodel::WriteAccount(dc, account);
        return rc == ERROR_SUCCESS ? NERR_Success : static_cast<DWORD>(rc);
    });
}

NET_API_STATUS WINAPI NetUserDel(LPCWSTR servername, LPCWSTR username) {
    const netmodel::CallLock locked;
    Call call{"NetUserDel", {}, {}};
    call.Text("server", servername).Text("name", username);
    return Run(call, [&]() -> DWORD {
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        const Target target = Resolve(servername, local, &dc);
        if (target == Target::Unknown) return ERROR_BAD_NETPATH;
        if (target == Target::Local) return ERROR_NOT_SUPPORTED;
        if (!AdministersController(dc)) return ERROR_ACCESS_DENIED;
        Account account;
        if (!domainmodel::FindAccount(dc, Text(username), &account)) return NERR_UserNotFound;
        const LONG rc = domainmodel::DeleteAccount(dc, account.name);
        return rc == ERROR_SUCCESS ? NERR_Success : static_cast<DWORD>(rc);
    });
}

NET_API_STATUS WINAPI NetUserGetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE* bufptr) {
    const netmodel::CallLock locked;
    Call call{"NetUserGetInfo", {}, {}};
    call.Text("server", servername).Text("name", username).Number("level", level);
    return Run(call, [&]() -> DWORD {
        if (!bufptr) return ERROR_INVALID_PARAMETER;
        if (level != 0 && level != 1) return ERROR_INVALID_LEVEL;
        const Local local = domainmodel::ReadLocal();
        Controller dc;
        const Target target = Resolve(servername, local, &dc);
        if (target == Target::Unknown) return ERROR_BAD_NETPATH;
        if (target == Target::Local) return ERROR_NOT_SUPPORTED;
        Account account;
        if (!domainmodel::FindAccount(dc, Text(username), &account)) return NERR_UserNotFound;
        Packer pack(level == 0 ? sizeof(USER_INFO_0) : sizeof(USER_INFO_1));
        const size_t name = pack.Text(account.name);
        const size_t empty = pack.Text(std::string());
        const size_t comment = pack.Text(account.comment);
        BYTE* base = pack.Finish();
        if (!base) return ERROR_NOT_ENOUGH_MEMORY;
        if (level == 0) {
            reinterpret_cast<USER_INFO_0*>(base)->usri0_name = TextAt(base, name);
        } else {
            auto* info = reinterpret_cast<USER_INFO_1*>(base);
            info->usri1_name = TextAt(base, name);
            info->usri1_password = nullptr;  // never handed out
            info->usri1_password_age = 0;
            info->usri1_priv = account.privilege;
            info->usri1_home_dir = TextAt(base, empty);
            info->usri1_comment = TextAt(base, comment);
            info->usri1_flags = account.flags;
            info->usri1_script_path = TextAt(base, empty);
        }
        *bufptr = base;
        return NERR_Success;
    });
}

}  // extern "C"
