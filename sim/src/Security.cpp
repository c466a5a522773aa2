// SIDs, the process token and its privileges, logons, and the KERNEL32
// pieces they need (the current process, CloseHandle, local memory, wide
// string comparison), on the simulated machine. The Win32 rules follow
// Windows' documentation where Wine differs (see docs/decisions.md): the
// previous state of AdjustTokenPrivileges lists only privileges it changed,
// and a previous-state buffer too small fails the call and changes nothing.
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "DomainModel.h"
#include "SecuritySim.h"
#include "SidText.h"
#include "WideText.h"
#include "sim/control.h"
#include "Lock.h"

namespace {

using apicall::Call;

// ---- Privileges ---------------------------------------------------------------------

struct PrivilegeName {
    DWORD luid;
    const char* name;
    bool win2000Only;
};

constexpr PrivilegeName kPrivileges[] = {
    {2, "SeCreateTokenPrivilege", false},          {3, "SeAssignPrimaryTokenPrivilege", false},
    {4, "SeLockMemoryPrivilege", false},           {5, "SeIncreaseQuotaPrivilege", false},
    {6, "SeMachineAccountPrivilege", false},       {7, "SeTcbPrivilege", false},
    {8, "SeSecurityPrivilege", false},             {9, "SeTakeOwnershipPrivilege", false},
    {10, "SeLoadDriverPrivilege", false},          {11, "SeSystemProfilePrivilege", false},
    {12, "SeSystemtimePrivilege", false},          {13, "SeProfileSingleProcessPrivilege", false},
    {14, "SeIncreaseBasePriorityPrivilege", false}, {15, "SeCreatePagefilePrivilege", false},
    {16, "SeCreatePermanentPrivilege", false},     {17, "SeBackupPrivilege", false},
    {18, "SeRestorePrivilege", false},             {19, "SeShutdownPrivilege", false},
    {20, "SeDebugPrivilege", false},               {21, "SeAuditPrivilege", false},
    {22, "SeSystemEnvironmentPrivilege", false},   {23, "SeChangeNotifyPrivilege", false},
    {24, "SeRemoteShutdownPrivilege", false},      {25, "SeUndockPrivilege", true},
    {26, "SeSyncAgentPrivilege", true},            {27, "SeEnableDelegationPrivilege", true},
};

// An administrator's token on Windows NT 4.0 and 2000 (and Wine's, less
// the privileges those systems give administrators only on request).
constexpr DWORD kAdministratorPrivileges[] = {5, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18, 19, 20, 22, 23, 24, 25};
constexpr DWORD kChangeNotify = 23;

bool KnownInMode(const PrivilegeName& p) { return !p.win2000Only || sim::GetPlatform() == sim::Platform::Win2000; }

const PrivilegeName* PrivilegeByName(const std::string& name) {
    for (auto& p : kPrivileges)
        if (KnownInMode(p) && domainmodel::SameName(name, p.name)) return &p;
    return nullptr;
}

const PrivilegeName* PrivilegeByLuid(DWORD luid) {
    for (auto& p : kPrivileges)
        if (p.luid == luid && KnownInMode(p)) return &p;
    return nullptr;
}

// A token: LUID -> attributes of each privilege it holds.
typedef std::map<DWORD, DWORD> TokenState;

TokenState AdministratorToken() {
    TokenState t;
    for (DWORD luid : kAdministratorPrivileges)
        if (PrivilegeByLuid(luid)) t[luid] = 0;
    t[kChangeNotify] = SE_PRIVILEGE_ENABLED_BY_DEFAULT | SE_PRIVILEGE_ENABLED;
    return t;
}

struct TokenRef {
    DWORD access = 0;
    size_t token = 0;  // index into tokens
};

struct SecurityState {
    std::vector<TokenState> tokens;  // [0]: the process token, made on first use
    std::map<ULONG_PTR, TokenRef> handles;
    ULONG_PTR nextHandle = 0x7A000000;
    std::set<void*> sids;    // AllocateAndInitializeSid
    std::set<void*> locals;  // LocalAlloc
    bool callerIsAdmin = true;
    bool impersonating = false;
};

SecurityState& S() {
    static SecurityState state;
    return state;
}

TokenState& ProcessToken() {
    if (S().tokens.empty()) S().tokens.push_back(AdministratorToken());
    return S().tokens[0];
}

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

TokenRef* FindToken(HANDLE h) {
    auto it = S().handles.find(reinterpret_cast<ULONG_PTR>(h));
    return it == S().handles.end() ? nullptr : &it->second;
}

HANDLE NewTokenHandle(size_t token, DWORD access) {
    const ULONG_PTR value = S().nextHandle;
    S().nextHandle += 4;
    S().handles[value] = TokenRef{access, token};
    return reinterpret_cast<HANDLE>(value);
}

std::string SidArg(PSID sid) {
    if (!sid) return "(null)";
    const std::string text = sidtext::Format(static_cast<const BYTE*>(sid), SECURITY_MAX_SID_SIZE);
    return text.empty() ? "invalid" : text;
}

// A SID's size, reading no more than its header says.
size_t SidSize(PSID sid) {
    if (!sid) return 0;
    const BYTE* p = static_cast<const BYTE*>(sid);
    if (p[0] != SID_REVISION || p[1] > SID_MAX_SUB_AUTHORITIES) return 0;
    return 8 + 4 * size_t(p[1]);
}

}  // namespace

namespace sim {

void SetCallerIsLocalAdmin(bool admin) {
    const sim::Locked locked;
    S().callerIsAdmin = admin;
}

std::vector<TokenPrivilege> TokenPrivileges() {
    const sim::Locked locked;
    std::vector<TokenPrivilege> out;
    for (auto& held : ProcessToken()) {
        if (const PrivilegeName* p = PrivilegeByLuid(held.first))
            out.push_back({p->name, (held.second & SE_PRIVILEGE_ENABLED) != 0});
    }
    return out;
}

bool SetTokenPrivilege(std::string_view name, bool held, bool enabled) {
    const sim::Locked locked;
    const PrivilegeName* p = PrivilegeByName(std::string(name));
    if (!p) return false;
    if (held)
        ProcessToken()[p->luid] = enabled ? SE_PRIVILEGE_ENABLED : 0;
    else
        ProcessToken().erase(p->luid);
    return true;
}

}  // namespace sim

namespace sim::security {

bool CallerIsLocalAdmin() { return S().callerIsAdmin; }

bool IsLocalName(const std::string& name) {
    const std::string stripped = domainmodel::StripBackslashes(name);
    return stripped.empty() || domainmodel::SameName(stripped, sim::ComputerName());
}

size_t OpenTokenHandles() { return S().handles.size(); }
size_t LiveSids() { return S().sids.size(); }
size_t LiveLocalBlocks() { return S().locals.size(); }

void ResetTokens() {
    for (void* p : S().sids) std::free(p);
    for (void* p : S().locals) std::free(p);
    S() = SecurityState{};
}

}  // namespace sim::security

using sim::security::RunBool;

extern "C" {

// ---- KERNEL32 -------------------------------------------------------------------------

HANDLE WINAPI GetCurrentProcess(void) {
    const sim::Locked locked;
    return kCurrentProcess;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    const sim::Locked locked;
    Call call{"CloseHandle", {}, {}};
    call.Pointer("handle", hObject);
    return RunBool(call, [&]() -> BOOL {
        if (hObject == kCurrentProcess) return TRUE;
        if (!S().handles.erase(reinterpret_cast<ULONG_PTR>(hObject))) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        return TRUE;
    });
}

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    const sim::Locked locked;
    void* p = std::malloc(uBytes ? uBytes : 1);
    if (!p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memset(p, (uFlags & LMEM_ZEROINIT) ? 0 : 0xCD, uBytes ? uBytes : 1);
    S().locals.insert(p);
    return p;
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    const sim::Locked locked;
    if (!hMem) return nullptr;
    if (!S().locals.erase(hMem)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem;
    }
    std::free(hMem);
    return nullptr;
}

int WINAPI lstrlenW(LPCWSTR lpString) {
    const sim::Locked locked;
    return static_cast<int>(wide::Length(lpString));
}

int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) {
    const sim::Locked locked;
    if (!lpString1 || !lpString2) return lpString1 == lpString2 ? 0 : (lpString1 ? 1 : -1);
    const auto fold = [](WCHAR c) -> unsigned {
        // Latin-1 letters and ASCII; enough for computer and domain names.
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return unsigned(c) - 32;
        return unsigned(c);
    };
    for (size_t i = 0;; ++i) {
        const unsigned a = fold(lpString1[i]), b = fold(lpString2[i]);
        if (a != b) return a < b ? -1 : 1;
        if (!a) return 0;
    }
}

// ---- SIDs -----------------------------------------------------------------------------

BOOL WINAPI IsValidSid(PSID pSid) {
    const sim::Locked locked;
    Call call{"IsValidSid", {}, {}};
    call.Arg("sid", SidArg(pSid));
    return RunBool(call, [&]() -> BOOL { return SidSize(pSid) != 0; });
}

DWORD WINAPI GetLengthSid(PSID pSid) {
    const sim::Locked locked;
    Call call{"GetLengthSid", {}, {}};
    call.Arg("sid", SidArg(pSid));
    return sim::security::Run<DWORD>(
        call,
        [](DWORD status) {
            SetLastError(status);
            return DWORD(0);
        },
        // As Windows, from the header's count, valid or not.
        [&]() -> DWORD { return pSid ? DWORD(8 + 4 * DWORD(static_cast<const BYTE*>(pSid)[1])) : 0; },
        [](DWORD n) { return std::to_string(n); });
}

BOOL WINAPI CopySid(DWORD nDestinationSidLength, PSID pDestinationSid, PSID pSourceSid) {
    const sim::Locked locked;
    Call call{"CopySid", {}, {}};
    call.Number("length", nDestinationSidLength).Pointer("destination", pDestinationSid).Arg("source", SidArg(pSourceSid));
    return RunBool(call, [&]() -> BOOL {
        const size_t size = SidSize(pSourceSid);
        if (!size || !pDestinationSid) {
            SetLastError(ERROR_INVALID_SID);
            return FALSE;
        }
        if (nDestinationSidLength < size) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::memmove(pDestinationSid, pSourceSid, size);
        return TRUE;
    });
}

BOOL WINAPI EqualSid(PSID pSid1, PSID pSid2) {
    const sim::Locked locked;
    Call call{"EqualSid", {}, {}};
    call.Arg("sid1", SidArg(pSid1)).Arg("sid2", SidArg(pSid2));
    return RunBool(call, [&]() -> BOOL {
        const size_t a = SidSize(pSid1), b = SidSize(pSid2);
        if (!a || !b) {
            SetLastError(ERROR_INVALID_SID);
            return FALSE;
        }
        SetLastError(ERROR_SUCCESS);
        return a == b && std::memcmp(pSid1, pSid2, a) == 0;
    });
}

BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority, BYTE nSubAuthorityCount,
                                     DWORD nSubAuthority0, DWORD nSubAuthority1, DWORD nSubAuthority2,
                                     DWORD nSubAuthority3, DWORD nSubAuthority4, DWORD nSubAuthority5,
                                     DWORD nSubAuthority6, DWORD nSubAuthority7, PSID* pSid) {
    const sim::Locked locked;
    Call call{"AllocateAndInitializeSid", {}, {}};
    call.Number("count", nSubAuthorityCount);
    return RunBool(call, [&]() -> BOOL {
        if (!pIdentifierAuthority || !pSid || nSubAuthorityCount > 8) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const DWORD subs[8] = {nSubAuthority0, nSubAuthority1, nSubAuthority2, nSubAuthority3,
                               nSubAuthority4, nSubAuthority5, nSubAuthority6, nSubAuthority7};
        auto* sid = static_cast<BYTE*>(std::malloc(8 + 4 * size_t(nSubAuthorityCount)));
        if (!sid) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        sid[0] = SID_REVISION;
        sid[1] = nSubAuthorityCount;
        std::memcpy(sid + 2, pIdentifierAuthority->Value, 6);
        std::memcpy(sid + 8, subs, 4 * size_t(nSubAuthorityCount));
        S().sids.insert(sid);
        *pSid = sid;
        return TRUE;
    });
}

PVOID WINAPI FreeSid(PSID pSid) {
    const sim::Locked locked;
    Call call{"FreeSid", {}, {}};
    call.Arg("sid", SidArg(pSid));
    return sim::security::Run<PVOID>(
        call, [&](DWORD) { return PVOID(pSid); },
        [&]() -> PVOID {
            // SIDs from AllocateAndInitializeSid, and copies in local memory
            // (both live on the process heap on NT).
            if (S().sids.erase(pSid) || S().locals.erase(pSid)) {
                std::free(pSid);
                return nullptr;
            }
            return pSid;
        },
        [](PVOID left) { return std::string(left ? "not freed" : "(null)"); });
}

PDWORD WINAPI GetSidSubAuthority(PSID pSid, DWORD nSubAuthority) {
    const sim::Locked locked;
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<PDWORD>(static_cast<BYTE*>(pSid) + 8 + 4 * size_t(nSubAuthority));
}

PUCHAR WINAPI GetSidSubAuthorityCount(PSID pSid) {
    const sim::Locked locked;
    SetLastError(ERROR_SUCCESS);
    return static_cast<PUCHAR>(pSid) + 1;
}

// ---- Privileges and the token -------------------------------------------------------------

BOOL WINAPI LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid) {
    const sim::Locked locked;
    Call call{"LookupPrivilegeValueW", {}, {}};
    call.Text("system", lpSystemName).Text("name", lpName);
    return RunBool(call, [&]() -> BOOL {
        if (!lpName || !lpLuid) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const std::string system = lpSystemName ? wide::Narrow(lpSystemName) : std::string();
        domainmodel::Controller dc;
        if (!sim::security::IsLocalName(system) && !domainmodel::FindController(system, &dc)) {
            SetLastError(RPC_S_SERVER_UNAVAILABLE);
            return FALSE;
        }
        const PrivilegeName* p = PrivilegeByName(wide::Narrow(lpName));
        if (!p) {
            SetLastError(ERROR_NO_SUCH_PRIVILEGE);
            return FALSE;
        }
        lpLuid->LowPart = p->luid;
        lpLuid->HighPart = 0;
        return TRUE;
    });
}

BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) {
    const sim::Locked locked;
    Call call{"OpenProcessToken", {}, {}};
    call.Pointer("process", ProcessHandle).Hex("access", DesiredAccess);
    return RunBool(call, [&]() -> BOOL {
        if (ProcessHandle != kCurrentProcess) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (!TokenHandle) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        ProcessToken();
        DWORD access = DesiredAccess;
        if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= TOKEN_ALL_ACCESS;
        if (access & GENERIC_READ) access |= TOKEN_QUERY | READ_CONTROL;
        if (access & GENERIC_WRITE) access |= TOKEN_ADJUST_PRIVILEGES | TOKEN_ADJUST_GROUPS | TOKEN_ADJUST_DEFAULT;
        *TokenHandle = NewTokenHandle(0, access);
        return TRUE;
    });
}

BOOL WINAPI AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
                                  DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength) {
    const sim::Locked locked;
    Call call{"AdjustTokenPrivileges", {}, {}};
    call.Pointer("token", TokenHandle).Number("disable_all", DisableAllPrivileges ? 1 : 0);
    if (NewState && !DisableAllPrivileges) {
        std::string list;
        for (DWORD i = 0; i < NewState->PrivilegeCount && i < 64; ++i) {
            const PrivilegeName* p = PrivilegeByLuid(NewState->Privileges[i].Luid.LowPart);
            list += (i ? "," : "") + std::string(p ? p->name : std::to_string(NewState->Privileges[i].Luid.LowPart)) +
                    ":" + std::to_string(NewState->Privileges[i].Attributes);
        }
        call.Arg("new_state", list);
    }
    call.Number("buffer_length", BufferLength).Pointer("previous_state", PreviousState);
    return RunBool(call, [&]() -> BOOL {
        TokenRef* handle = FindToken(TokenHandle);
        if (!handle) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (!(handle->access & TOKEN_ADJUST_PRIVILEGES) || (PreviousState && !(handle->access & TOKEN_QUERY))) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (!DisableAllPrivileges && !NewState) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        TokenState& token = S().tokens[handle->token];
        // What changes: LUID -> new attributes (removal: erased).
        std::vector<std::pair<DWORD, DWORD>> previous;
        TokenState after = token;
        bool notAll = false;
        const auto change = [&](DWORD luid, DWORD attributes) {
            auto it = after.find(luid);
            if (it == after.end()) {
                notAll = true;
                return;
            }
            const DWORD before = token.at(luid);
            if (attributes & SE_PRIVILEGE_REMOVED) {
                after.erase(it);
                return;  // a removal cannot be undone, so it is not listed
            }
            const DWORD now = (before & ~DWORD(SE_PRIVILEGE_ENABLED)) | (attributes & SE_PRIVILEGE_ENABLED);
            if (now == it->second) return;
            for (auto& p : previous)
                if (p.first == luid) return;  // listed once, with its state before the call
            previous.emplace_back(luid, before);
            it->second = now;
        };
        if (DisableAllPrivileges) {
            for (auto& held : token) change(held.first, 0);
        } else {
            for (DWORD i = 0; i < NewState->PrivilegeCount; ++i)
                change(NewState->Privileges[i].Luid.LowPart, NewState->Privileges[i].Attributes);
        }
        const DWORD needed =
            DWORD(sizeof(DWORD) + previous.size() * sizeof(LUID_AND_ATTRIBUTES));
        if (PreviousState) {
            if (ReturnLength) *ReturnLength = needed;
            if (BufferLength < needed) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return FALSE;
            }
            PreviousState->PrivilegeCount = DWORD(previous.size());
            for (size_t i = 0; i < previous.size(); ++i) {
                PreviousState->Privileges[i].Luid.LowPart = previous[i].first;
                PreviousState->Privileges[i].Luid.HighPart = 0;
                PreviousState->Privileges[i].Attributes = previous[i].second;
            }
        }
        token = after;
        SetLastError(notAll ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS);
        return TRUE;
    });
}

// ---- Logons ---------------------------------------------------------------------------------

BOOL WINAPI LogonUserW(LPCWSTR lpszUsername, LPCWSTR lpszDomain, LPCWSTR lpszPassword, DWORD dwLogonType,
                       DWORD dwLogonProvider, PHANDLE phToken) {
    const sim::Locked locked;
    Call call{"LogonUserW", {}, {}};
    call.Text("user", lpszUsername)
        .Text("domain", lpszDomain)
        .Text("password", lpszPassword)
        .Number("type", dwLogonType)
        .Number("provider", dwLogonProvider);
    return RunBool(call, [&]() -> BOOL {
        if (!lpszUsername || !phToken) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        // Accounts exist on the described domain controllers only.
        domainmodel::Controller dc;
        domainmodel::Account account;
        if (!lpszDomain || !domainmodel::FindControllerOfDomain(wide::Narrow(lpszDomain), &dc) ||
            !domainmodel::FindAccount(dc, wide::Narrow(lpszUsername), &account) ||
            account.password != (lpszPassword ? wide::Narrow(lpszPassword) : std::string()) ||
            (account.flags & 0x2 /* UF_ACCOUNTDISABLE */)) {
            SetLastError(ERROR_LOGON_FAILURE);
            return FALSE;
        }
        S().tokens.push_back(TokenState{{kChangeNotify, SE_PRIVILEGE_ENABLED_BY_DEFAULT | SE_PRIVILEGE_ENABLED}});
        *phToken = NewTokenHandle(S().tokens.size() - 1, TOKEN_ALL_ACCESS);
        return TRUE;
    });
}

BOOL WINAPI ImpersonateLoggedOnUser(HANDLE hToken) {
    const sim::Locked locked;
    Call call{"ImpersonateLoggedOnUser", {}, {}};
    call.Pointer("token", hToken);
    return RunBool(call, [&]() -> BOOL {
        if (!FindToken(hToken)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        S().impersonating = true;
        return TRUE;
    });
}

BOOL WINAPI RevertToSelf(void) {
    const sim::Locked locked;
    Call call{"RevertToSelf", {}, {}};
    return RunBool(call, [&]() -> BOOL {
        S().impersonating = false;
        return TRUE;
    });
}

}  // extern "C"
