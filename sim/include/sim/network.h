// Control of the simulated machine's security and network side, for tests
// and the offline host: the machine's role and security policy, the domain
// controllers outside it, service states, the process token, the recorder
// of every security, service and network call, failure injection, and the
// resources handed out and not yet released. Included by sim/control.h.
//
// The state itself lives in the registry (see docs/simulated-security.md):
// what Windows keeps there stays where Windows keeps it, the rest below
// HKEY_LOCAL_MACHINE\SOFTWARE\OrvaneSim. So a machine file can carry it, a
// reset clears it, and --patch shows what a change did.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

// ---- The machine -----------------------------------------------------------------

// Product type under Control\ProductOptions ("WinNT", "ServerNT",
// "LanmanNT") and, for a controller, its LSA server role.
enum class MachineRole { Workstation, Server, PrimaryDC, BackupDC };
void SetMachineRole(MachineRole role);
MachineRole GetMachineRole();

// The LSA's primary domain: a workgroup (no SID) or a domain. Without a
// machine file entry the machine is in the workgroup "WORKGROUP".
struct PrimaryDomain {
    std::string name;
    std::string sid;  // "S-1-5-21-..."; empty for a workgroup
};
// False when `sid` is neither empty nor a valid SID text.
bool SetPrimaryDomain(std::string_view name, std::string_view sid = {});
PrimaryDomain GetPrimaryDomain();
// The machine's own account domain SID (NetUserModalsGet level 2, locally).
bool SetMachineSid(std::string_view sid);
std::string MachineSid();

struct TrustedDomain {
    std::string sid;
    std::string name;
};
std::vector<TrustedDomain> TrustedDomains();
// A secret the LSA keeps (e.g. "$MACHINE.ACC"), as text.
bool LsaSecret(std::string_view name, std::string* value);

// ---- Domain controllers --------------------------------------------------------------

struct DomainController {
    std::string domain;  // NetBIOS name of the domain, e.g. "CORP"
    std::string name;    // the controller's computer name, e.g. "CORPDC"
    std::string sid;     // the domain SID, "S-1-5-21-..."
    std::string adminUser = "Administrator";
    std::string adminPassword;
    bool primary = true;
    // Whether the logged-on user's own credentials (no account given)
    // administer the domain.
    bool callerIsAdmin = true;
};
// Describes (or replaces) the controller of `dc.domain` with its
// administrator account. False when a name is empty or the SID invalid.
bool AddDomainController(const DomainController& dc);
// The command-line form, comma-separated key=value pairs:
//   domain=CORP,dc=CORPDC,sid=S-1-5-21-1-2-3,admin=Administrator,password=secret[,role=backup][,caller=user]
// (role primary|backup, caller admin|user). False with a message on error.
bool ParseDomainController(std::string_view text, DomainController* dc, std::string* error);

struct DomainAccount {
    std::string name;
    std::string password;
    std::string comment;
    DWORD privilege = 1;  // USER_PRIV_USER; 2 (USER_PRIV_ADMIN) administers the domain
    DWORD flags = 0x201;  // UF_NORMAL_ACCOUNT | UF_SCRIPT
};
bool AddDomainAccount(std::string_view domain, const DomainAccount& account);
bool FindDomainAccount(std::string_view domain, std::string_view name, DomainAccount* account);
std::vector<DomainAccount> DomainAccounts(std::string_view domain);

// IPC$ connections the machine holds, by remote name (\\CORPDC\IPC$).
std::vector<std::string> IpcSessions();

// ---- Services ----------------------------------------------------------------------

// A service key under SYSTEM\CurrentControlSet\Services, as Windows keeps it.
struct ServiceConfig {
    std::string name;
    std::string displayName;
    std::string imagePath;
    DWORD type = 0x20;          // SERVICE_WIN32_SHARE_PROCESS
    DWORD start = 3;            // SERVICE_DEMAND_START
    DWORD errorControl = 1;     // SERVICE_ERROR_NORMAL
};
void AddService(const ServiceConfig& service);
// Which services run (a run-time state no registry export holds).
void SetServiceRunning(std::string_view name, bool running);
bool ServiceRunning(std::string_view name);

// ---- The process -------------------------------------------------------------------

// Whether the program runs as a local administrator (default yes): without,
// LsaOpenPolicy refuses any right beyond reading, and the service manager
// any beyond connecting, enumerating and querying.
void SetCallerIsLocalAdmin(bool admin);

// The privileges of the process token, by name. By default an
// administrator's: SeChangeNotifyPrivilege enabled, the usual others held
// and disabled, SeMachineAccountPrivilege not held.
struct TokenPrivilege {
    std::string name;
    bool enabled = false;
};
std::vector<TokenPrivilege> TokenPrivileges();
// Gives (held) or takes away the privilege; false for an unknown name.
bool SetTokenPrivilege(std::string_view name, bool held, bool enabled = false);

// ---- Recorder and failure injection -------------------------------------------------

// Every call of the simulated network, LSA, service, SID, token and logon
// functions (and CloseHandle), in order: the function, its arguments as
// texts (wide texts narrowed, null pointers "(null)", options in hex) and
// its result ("0", "0xC0000035", "1", "0 error=5").
struct ApiCall {
    std::string function;
    std::vector<std::pair<std::string, std::string>> args;
    std::string result;
    bool injected = false;
    // The value of one argument ("" when the call has none of that name).
    std::string Arg(std::string_view name) const;
    // "NetUseAdd server=(null) level=2 ... -> 0"
    std::string Line() const;
};
const std::vector<ApiCall>& ApiCalls();
std::vector<ApiCall> ApiCallsOf(std::string_view function);
void ClearApiCalls();

// Makes calls of `function` fail with `status` (a NET_API_STATUS, an
// NTSTATUS, or the last error of a BOOL or handle function): the nth call
// from now on (1: the next) and `times` calls in a row from there (0: every
// call from then on). A failing call does nothing else. Several injections
// may be armed at once.
void FailCall(std::string_view function, DWORD status, int nth = 1, int times = 1);
void ClearFailures();

// ---- Resources ---------------------------------------------------------------------

// Handed out and not yet released: what a test checks after an operation.
struct SecurityResources {
    size_t netApiBuffers = 0;  // NetApiBufferFree
    size_t lsaMemory = 0;      // LsaFreeMemory
    size_t lsaHandles = 0;     // LsaClose
    size_t scHandles = 0;      // CloseServiceHandle (manager and services)
    size_t tokenHandles = 0;   // CloseHandle
    size_t sids = 0;           // FreeSid (AllocateAndInitializeSid)
    size_t localBlocks = 0;    // LocalFree or FreeSid (LocalAlloc)
    size_t ipcSessions = 0;    // NetUseDel
    bool operator==(const SecurityResources& o) const {
        return netApiBuffers == o.netApiBuffers && lsaMemory == o.lsaMemory && lsaHandles == o.lsaHandles &&
               scHandles == o.scHandles && tokenHandles == o.tokenHandles && sids == o.sids &&
               localBlocks == o.localBlocks && ipcSessions == o.ipcSessions;
    }
    bool operator!=(const SecurityResources& o) const { return !(*this == o); }
};
SecurityResources LiveSecurityResources();
// "netApiBuffers=1 lsaHandles=0 ..." for messages.
std::string Describe(const SecurityResources& resources);

}  // namespace sim
