// CNT4Domain::JoinDomain and its steps: the machine account on a domain
// controller through an IPC$ session, the trust and the machine account
// password in the LSA, the primary domain, and Netlogon.
#include <cstring>

#include "DomainText.h"
#include "Held.h"
#include "NT4Domain.h"
#include "WideLiteral.h"

using domain_detail::Hold;

namespace {

constexpr DWORD kDomainControllerTypes = SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL;  // 24
constexpr ACCESS_MASK kPolicyJoin = POLICY_CREATE_SECRET | POLICY_TRUST_ADMIN;          // 0x28
constexpr DWORD kTokenAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;                    // 0x28
constexpr NTSTATUS kTrustExists = static_cast<NTSTATUS>(0xC0000035);                     // STATUS_OBJECT_NAME_COLLISION
constexpr DWORD kInvalidComputerName = 1210;                                             // ERROR_INVALID_COMPUTERNAME
constexpr size_t kMaxComputerName = 15;
constexpr size_t kMaxMachinePassword = 14;
constexpr size_t kMaxDomainName = 15;
// \\ + 15 characters + \IPC$
constexpr size_t kRemoteNameChars = 23;

// COMPUTERNAME$ in upper case; false for a name of more than 15 characters.
bool MachineAccountName(LPCWSTR computerName, WCHAR (&account)[kMaxComputerName + 2]) {
    const size_t length = domain_text::Length(computerName, kMaxComputerName + 1);
    if (length > kMaxComputerName) return false;
    for (size_t i = 0; i < length; ++i) account[i] = domain_text::Upper(computerName[i]);
    account[length] = '$';
    account[length + 1] = 0;
    return true;
}

}  // namespace

int CNT4Domain::GetDCName(LPCWSTR domain, LPWSTR* dcName) {
    if (!Loaded || !dcName) return 0;
    LPBYTE buffer = nullptr;
    if (NetGetDCName(nullptr, domain, &buffer) != NERR_Success) {
        SetErrorText("NetGetDCName failed");
        return 0;
    }
    *dcName = reinterpret_cast<LPWSTR>(buffer);
    return 1;
}

int CNT4Domain::EstablishNullSession(LPCWSTR server, int connect, LPCWSTR user, LPCWSTR password, LPCWSTR domain) {
    if (!Loaded) return 0;
    if (!server || !server[0]) {
        SetLastError(kInvalidComputerName);
        return 0;
    }
    // \\SERVER\IPC$, the server counted without its backslashes.
    const size_t given = domain_text::Length(server, kMaxComputerName + 3);
    const bool hasBackslashes = server[0] == '\\' || server[1] == '\\';
    const size_t counted = hasBackslashes ? (given > 2 ? given - 2 : 0) : given;
    if (counted > kMaxComputerName) {
        SetLastError(kInvalidComputerName);
        return 0;
    }
    WCHAR remote[kRemoteNameChars] = {0};
    size_t at = 0;
    if (!hasBackslashes) {
        remote[at++] = '\\';
        remote[at++] = '\\';
    }
    for (size_t i = 0; i < given; ++i) remote[at++] = server[i];
    for (const WCHAR c : WTEXT("\\IPC$")) remote[at++] = c;

    NET_API_STATUS status;
    if (connect) {
        WCHAR empty[1] = {0};
        const bool named = user && user[0];
        USE_INFO_2 use;
        std::memset(&use, 0, sizeof use);
        use.ui2_remote = remote;
        use.ui2_asg_type = USE_IPC;
        use.ui2_username = named ? const_cast<LPWSTR>(user) : empty;
        use.ui2_password = password ? const_cast<LPWSTR>(password) : empty;
        use.ui2_domainname = named ? const_cast<LPWSTR>(domain) : empty;
        DWORD parameterError = 0;
        status = NetUseAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&use), &parameterError);
    } else {
        status = NetUseDel(nullptr, remote, USE_NOFORCE);
    }
    return status == NERR_Success ? 1 : 0;
}

int CNT4Domain::MachineAccountExists(LPCWSTR dcName, LPCWSTR computerName) {
    if (!Loaded) return 0;
    // COMPUTER$ as given; a name too long for any account is not asked for.
    WCHAR account[LocalNameChars + 1] = {0};
    const size_t length = domain_text::Length(computerName, LocalNameChars);
    auto info = Hold<LPBYTE>(NetApiBufferFree);
    if (length < LocalNameChars) {
        for (size_t i = 0; i < length; ++i) account[i] = computerName[i];
        account[length] = '$';
        if (NetUserGetInfo(dcName, account, 1, info.Receive()) == NERR_Success && info)
            return (reinterpret_cast<USER_INFO_1*>(info.Get())->usri1_flags & UF_WORKSTATION_TRUST_ACCOUNT) ? 1 : 0;
    }
    SetErrorText("NetUserGetInfo failed");
    return 0;
}

int CNT4Domain::AddMachineAccount(LPCWSTR dcName, LPWSTR computerName, DWORD accountType) {
    if (!Loaded || !computerName) return 0;
    if (accountType != WorkstationAccount && accountType != ServerAccount && accountType != InterdomainAccount)
        return 0;
    WCHAR account[kMaxComputerName + 2];
    if (!MachineAccountName(computerName, account)) return 0;
    const size_t length = domain_text::Length(computerName, kMaxComputerName);
    // The password a new machine account gets: the name in lower case, at
    // most 14 characters, in the caller's own text.
    for (size_t i = 0; i < length; ++i) computerName[i] = domain_text::Lower(computerName[i]);
    if (length > kMaxMachinePassword) computerName[kMaxMachinePassword] = 0;
    domain_text::CopyCut(MachinePassword, computerName);

    USER_INFO_1 user;
    std::memset(&user, 0, sizeof user);
    user.usri1_name = account;
    user.usri1_password = computerName;
    user.usri1_priv = USER_PRIV_USER;
    user.usri1_flags = accountType | UF_SCRIPT;
    DWORD parameterError = 0;
    return NetUserAdd(dcName, 1, reinterpret_cast<LPBYTE>(&user), &parameterError) == NERR_Success ? 1 : 0;
}

int CNT4Domain::DeleteMachineAccount(LPCWSTR dcName, LPCWSTR computerName) {
    if (!Loaded) return 0;
    WCHAR account[kMaxComputerName + 2];
    if (!MachineAccountName(computerName, account)) return 0;
    return NetUserDel(dcName, account) == NERR_Success ? 1 : 0;
}

int CNT4Domain::SetPrivilege(LPCWSTR systemName, LPCWSTR privilege, int enable) {
    if (!Loaded) return 0;
    LUID luid;
    std::memset(&luid, 0, sizeof luid);
    if (!LookupPrivilegeValueW(systemName, privilege, &luid)) return 0;
    auto token = Hold<HANDLE>([](HANDLE h) { CloseHandle(h); });
    if (!OpenProcessToken(GetCurrentProcess(), kTokenAccess, token.Receive())) return 0;

    TOKEN_PRIVILEGES state;
    state.PrivilegeCount = 1;
    state.Privileges[0].Luid = luid;
    state.Privileges[0].Attributes = 0;
    TOKEN_PRIVILEGES previous;
    std::memset(&previous, 0, sizeof previous);
    DWORD previousSize = sizeof previous;
    if (!AdjustTokenPrivileges(token.Get(), FALSE, &state, sizeof previous, &previous, &previousSize)) return 0;
    // Windows lists only what the first call changed, so the privilege is
    // named again rather than taken from a list that may be empty.
    previous.PrivilegeCount = 1;
    previous.Privileges[0].Luid = luid;
    if (enable)
        previous.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
    else
        previous.Privileges[0].Attributes &= ~DWORD(SE_PRIVILEGE_ENABLED);
    return AdjustTokenPrivileges(token.Get(), FALSE, &previous, sizeof previous, nullptr, nullptr) ? 1 : 0;
}

int CNT4Domain::GetDomainSid(LPCWSTR dcName, PSID* sid) {
    *sid = nullptr;
    auto modals = Hold<LPBYTE>(NetApiBufferFree);
    const NET_API_STATUS status = NetUserModalsGet(dcName, 2, modals.Receive());
    if (status != NERR_Success) {
        SetLastError(status);
        return 0;
    }
    const PSID domainSid = modals ? reinterpret_cast<USER_MODALS_INFO_2*>(modals.Get())->usrmod2_domain_id : nullptr;
    if (!domainSid || !IsValidSid(domainSid)) return 0;
    const DWORD length = GetLengthSid(domainSid);
    auto copy = Hold<PSID>(FreeSid);
    copy.Reset(LocalAlloc(LPTR, length));
    if (!copy || !CopySid(length, copy.Get(), domainSid)) return 0;
    *sid = copy.Release();  // the caller frees it
    return 1;
}

NTSTATUS CNT4Domain::SetWorkstationTrustedDomainInfo(LSA_HANDLE policy, PSID sid, LPWSTR domain, LPCWSTR password) {
    for (size_t i = 0; domain[i]; ++i) domain[i] = domain_text::Upper(domain[i]);
    TRUSTED_DOMAIN_NAME_INFO trust;
    InitLsaString(&trust.Name, domain);
    NTSTATUS status = LsaSetTrustedDomainInformation(policy, sid, TrustedDomainNameInformation, &trust);
    if (status != 0 && status != kTrustExists) {
        SetErrorText("LsaSetTrustedDomainInformation failed");
        return status;
    }
    LSA_UNICODE_STRING secretName, secret;
    InitLsaString(&secretName, WTEXT("$MACHINE.ACC"));
    InitLsaString(&secret, password);
    status = LsaStorePrivateData(policy, &secretName, &secret);
    if (status != 0) SetErrorText("LsaStorePrivateData failed");
    return status;
}

int CNT4Domain::JoinDomain(LPWSTR domain, LPCWSTR machinePassword, LPCWSTR user, LPCWSTR password) {
    if (!Loaded || !domain) return 0;
    WCHAR local[LocalNameChars] = {0};
    LPWSTR dcName = nullptr;
    auto dc = Hold<LPWSTR>(NetApiBufferFree);
    auto sid = Hold<PSID>(FreeSid);
    auto policy = Hold<LSA_HANDLE>(LsaClose);
    bool connected = false;
    // Clean-up S and P: the session, the controller's name, the policy.
    const auto fail = [&]() {
        if (connected) EstablishNullSession(dc.Get(), 0, WTEXT(""), WTEXT(""), WTEXT(""));
        dc.Reset();
        policy.Reset();
        return 0;
    };

    {
        auto server = Hold<LPBYTE>(NetApiBufferFree);
        if (NetServerGetInfo(nullptr, 101, server.Receive()) != NERR_Success || !server) {
            SetErrorText("NetServerGetInfo");
            return 0;
        }
        if (reinterpret_cast<SERVER_INFO_101*>(server.Get())->sv101_type & kDomainControllerTypes) {
            SetErrorText("Operation is not valid on a domain controller.");
            return 0;
        }
    }
    if (!LocalAccountDomain(local)) {
        SetErrorText("Error in NetUserModalsGet");
        return 0;
    }
    if (lstrcmpiW(domain, local) == 0) {
        SetErrorText("Error:  Domain cannot be a member of itself.");
        return 0;
    }
    if (domain_text::Length(domain, kMaxDomainName + 1) > kMaxDomainName) domain[kMaxDomainName] = 0;
    if (!GetDCName(domain, &dcName)) {
        SetErrorText("Could not get DC Name");
        return 0;
    }
    dc.Reset(dcName);
    if (!EstablishNullSession(dc.Get(), 1, user, password, domain)) {
        SetErrorText("Could not establish NULL session with ");
        domain_text::AppendWide(ErrorText, dc.Get());
        return fail();
    }
    connected = true;
    if (!SetPrivilege(dc.Get(), WTEXT("SeMachineAccountPrivilege"), 1)) return fail();
    if (MachineAccountExists(dc.Get(), local)) {
        SetErrorText("Computer account exists");
        if (!DeleteMachineAccount(dc.Get(), local)) {
            SetErrorText("Delete computer account failed");
            return fail();
        }
        SetErrorText("Delete computer account OK");
    } else {
        SetErrorText("No computer account exists");
    }
    if (!AddMachineAccount(dc.Get(), local, WorkstationAccount)) {
        SetErrorText("Add machine account failed");
        return fail();
    }
    SetErrorText("Add machine account OK");
    SetPrivilege(dc.Get(), WTEXT("SeMachineAccountPrivilege"), 0);
    PSID domainSid = nullptr;
    if (!GetDomainSid(dc.Get(), &domainSid)) {
        SetErrorText("GetDomainSid error");
        return fail();
    }
    sid.Reset(domainSid);
    if (OpenPolicy(local, kPolicyJoin, policy.Receive()) != 0) {
        SetErrorText("OpenPolicy failed");
        return fail();
    }
    if (SetWorkstationTrustedDomainInfo(policy.Get(), sid.Get(), domain,
                                        machinePassword ? machinePassword : MachinePassword) != 0) {
        SetErrorText("SetWorkstationTrustedDomainInfo failed");
        return fail();
    }
    if (SetPrimaryDomain(policy.Get(), sid.Get(), domain) != 0) {
        SetErrorText("SetPrimaryDomain on DC failed");
        return fail();
    }
    sid.Reset();
    policy.Reset();
    EstablishNullSession(dc.Get(), 0, WTEXT(""), WTEXT(""), WTEXT(""));  // as the clean-ups end it
    dc.Reset();
    ConfigureNetlogon(1);
    return 1;
}
