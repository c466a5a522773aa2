// The security, service and network behaviour the domain classes rely on,
// checked against any implementation: natively against the simulated
// platform, and as a Windows program under Wine (nt40 and win2k modes),
// with Wine's own advapi32 and either Wine's own netapi32 or the Wine runs'
// netapi32 double beside the program. Where the sim and Wine disagree the
// sim is wrong, except where Windows is documented to behave otherwise:
// such a check expects Windows' answer natively and Wine's under Wine, and
// names the difference ("wine differs: ...").
//
// Usage: security_conformance [nt4|win2000] (the mode is native only; under
// Wine the program's AppDefaults choose it).
#include <windows.h>
#include <lm.h>
#include <ntsecapi.h>
#include <winsvc.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "SimArea.h"
#include "WideText.h"

#include "../CheckHarness.h"

namespace {

bool g_win2000 = false;

// Measured values worth seeing in the log, under Wine and natively alike.
void Measure(const char* what, long long value) { std::printf("measured [%s] %s = %lld\n", g_case, what, value); }
void MeasureText(const char* what, const std::string& value) {
    std::printf("measured [%s] %s = \"%s\"\n", g_case, what, value.c_str());
}

constexpr DWORD kCollision = 0xC0000035;
constexpr DWORD kUnsuccessful = 0xC0000001;
constexpr DWORD kNotFound = 0xC0000034;
constexpr DWORD kInvalidHandle = 0xC0000008;

std::string ComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 2] = "";
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    return name;
}

struct RegKey {
    HKEY h = nullptr;
    ~RegKey() {
        if (h) RegCloseKey(h);
    }
};

// Netlogon's start type as the Services key holds it; 0xdeadbeef when it
// holds none.
DWORD NetlogonStart() {
    RegKey k;
    DWORD value = 0, size = sizeof value, type = 0;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Netlogon", 0, KEY_READ, &k.h);
    const LONG rc = RegQueryValueExA(k.h, "Start", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    return k.h && rc == ERROR_SUCCESS && type == REG_DWORD ? value : 0xdeadbeef;
}

void WriteText(const std::string& key, const char* name, const char* text) {
    RegKey k;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k.h, nullptr) ==
        ERROR_SUCCESS)
        RegSetValueExA(k.h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text) + 1));
}

LSA_UNICODE_STRING Counted(LPCWSTR text) {
    LSA_UNICODE_STRING s;
    const size_t n = wide::Length(text);
    s.Length = static_cast<USHORT>(n * sizeof(WCHAR));
    s.MaximumLength = static_cast<USHORT>(s.Length + sizeof(WCHAR));
    s.Buffer = const_cast<LPWSTR>(text);
    return s;
}

std::string Narrow(const LSA_UNICODE_STRING& s) { return wide::Narrow(s.Buffer, s.Length / sizeof(WCHAR)); }

PSID NewDomainSid(DWORD a, DWORD b, DWORD c) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&nt, 4, 21, a, b, c, 0, 0, 0, 0, &sid)) return nullptr;
    return sid;
}

// ---- SIDs ------------------------------------------------------------------------------

void Sids() {
    g_case = "sids";
    PSID sid = NewDomainSid(1004, 2005, 3006);
    CHECK(sid != nullptr);
    if (!sid) return;
    CHECK(IsValidSid(sid));
    CHECK_EQ(GetLengthSid(sid), 24);
    CHECK_EQ(*GetSidSubAuthorityCount(sid), 4);
    CHECK_EQ(*GetSidSubAuthority(sid, 3), 3006);

    // Too small a block: refused, nothing written.
    BYTE small[16];
    std::memset(small, 0xAB, sizeof small);
    SetLastError(0xdeadbeef);
    CHECK(!CopySid(sizeof small, small, sid));
    CHECK_DIFF(GetLastError(), ERROR_INSUFFICIENT_BUFFER, 0xdeadbeef, "CopySid into too small a block sets no last error");
    CHECK_EQ(small[0], 0xAB);

    // A copy in local memory, released by FreeSid as the domain class does.
    PSID copy = LocalAlloc(LPTR, GetLengthSid(sid));
    CHECK(copy != nullptr);
    CHECK(CopySid(GetLengthSid(sid), copy, sid));
    CHECK(EqualSid(copy, sid));
    CHECK(FreeSid(copy) == nullptr);
    CHECK(FreeSid(sid) == nullptr);

    // Damaged SIDs.
    BYTE bad[24] = {2, 4, 0, 0, 0, 0, 0, 5};
    CHECK(!IsValidSid(bad));
    BYTE many[8] = {1, 16, 0, 0, 0, 0, 0, 5};
    CHECK(!IsValidSid(many));
}

// ---- Token privileges ----------------------------------------------------------------------

struct Token {
    HANDLE h = nullptr;
    ~Token() {
        if (h) CloseHandle(h);
    }
};

bool Lookup(LPCWSTR system, LPCWSTR name, LUID* luid) { return LookupPrivilegeValueW(system, name, luid) != 0; }

// One AdjustTokenPrivileges call with one privilege, as the domain class
// makes it: the result, the last error and the previous state.
struct Adjusted {
    BOOL ok = FALSE;
    DWORD error = 0;
    DWORD previousCount = 0xdeadbeef;
    DWORD previousAttributes = 0xdeadbeef;
    DWORD returnLength = 0xdeadbeef;
};

Adjusted Adjust(HANDLE token, LUID luid, DWORD attributes) {
    TOKEN_PRIVILEGES state;
    state.PrivilegeCount = 1;
    state.Privileges[0].Luid = luid;
    state.Privileges[0].Attributes = attributes;
    TOKEN_PRIVILEGES previous;
    std::memset(&previous, 0xCD, sizeof previous);
    Adjusted a;
    DWORD length = 0xdeadbeef;
    SetLastError(0xdeadbeef);
    a.ok = AdjustTokenPrivileges(token, FALSE, &state, sizeof previous, &previous, &length);
    a.error = GetLastError();
    a.previousCount = previous.PrivilegeCount;
    a.previousAttributes = previous.PrivilegeCount ? previous.Privileges[0].Attributes : 0;
    a.returnLength = length;
    return a;
}

void Privileges() {
    g_case = "privileges";
    LUID luid{0, 0};
    CHECK(Lookup(nullptr, WTEXT("SeMachineAccountPrivilege"), &luid));
    CHECK_EQ(luid.LowPart, 6);
    CHECK_EQ(luid.HighPart, 0);
    CHECK(Lookup(nullptr, WTEXT("seshutdownprivilege"), &luid));  // names compare without case
    CHECK_EQ(luid.LowPart, 19);
    CHECK_LAST_ERROR(!Lookup(nullptr, WTEXT("SeNoSuchPrivilege"), &luid), ERROR_NO_SUCH_PRIVILEGE);
    SetLastError(0xdeadbeef);
    CHECK(!Lookup(WTEXT("\\\\NOSUCHHOST"), WTEXT("SeShutdownPrivilege"), &luid));
    Measure("LookupPrivilegeValueW(\\\\NOSUCHHOST) error", GetLastError());
    const wide::WString here = wide::Widen(ComputerName());
    CHECK(Lookup(here.c_str(), WTEXT("SeShutdownPrivilege"), &luid));

    Token token;
    CHECK(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token.h));
    if (!token.h) return;

    // A privilege every administrator holds, disabled at first: disabling
    // it changes nothing, so the previous state lists nothing.
    LUID shutdown{19, 0};
    Adjusted first = Adjust(token.h, shutdown, 0);
    CHECK(first.ok);
    CHECK_EQ(first.error, ERROR_SUCCESS);
    CHECK_DIFF(first.previousCount, 0, 1, "AdjustTokenPrivileges lists unchanged privileges in the previous state");
    Adjusted on = Adjust(token.h, shutdown, SE_PRIVILEGE_ENABLED);
    CHECK(on.ok);
    CHECK_EQ(on.error, ERROR_SUCCESS);
    CHECK_EQ(on.previousCount, 1);
    CHECK_EQ(on.previousAttributes & SE_PRIVILEGE_ENABLED, 0);
    Adjusted off = Adjust(token.h, shutdown, 0);
    CHECK(off.ok);
    CHECK_EQ(off.previousCount, 1);
    CHECK_EQ(off.previousAttributes & SE_PRIVILEGE_ENABLED, SE_PRIVILEGE_ENABLED);

    // The previous state does not fit: refused with the size it needs.
    TOKEN_PRIVILEGES state{1, {{shutdown, SE_PRIVILEGE_ENABLED}}};
    DWORD length = 0;
    SetLastError(0xdeadbeef);
    BYTE tiny[4];
    const BOOL tooSmall = AdjustTokenPrivileges(token.h, FALSE, &state, sizeof tiny,
                                                reinterpret_cast<PTOKEN_PRIVILEGES>(tiny), &length);
    CHECK_DIFF(tooSmall, FALSE, TRUE, "AdjustTokenPrivileges succeeds when the previous state does not fit");
    CHECK_DIFF(GetLastError(), ERROR_INSUFFICIENT_BUFFER, ERROR_SUCCESS, "... and sets no error");
    CHECK_DIFF(length, sizeof(TOKEN_PRIVILEGES), sizeof(DWORD), "... and reports only the count's size");
    // On Windows nothing changed; under Wine the privilege is now enabled.
    Adjusted after = Adjust(token.h, shutdown, 0);
    CHECK_DIFF(after.previousAttributes & SE_PRIVILEGE_ENABLED, 0, SE_PRIVILEGE_ENABLED,
               "... and changes the privilege anyway");

    // A privilege the token does not hold: success, with ERROR_NOT_ALL_ASSIGNED.
    LUID createToken{2, 0};
    Adjusted missing = Adjust(token.h, createToken, SE_PRIVILEGE_ENABLED);
    CHECK(missing.ok);
    CHECK_EQ(missing.error, ERROR_NOT_ALL_ASSIGNED);
    CHECK_EQ(missing.previousCount, 0);

    // Which privileges an administrator's token holds.
    std::string held;
    for (DWORD id = 2; id <= 35; ++id) {
        Adjusted probe = Adjust(token.h, LUID{id, 0}, SE_PRIVILEGE_ENABLED);
        if (probe.ok && probe.error == ERROR_SUCCESS) {
            held += (held.empty() ? "" : ",") + std::to_string(id);
            if (probe.previousCount == 1) Adjust(token.h, LUID{id, 0}, probe.previousAttributes);
        }
    }
    MeasureText("held privileges", held);
    Adjusted machine = Adjust(token.h, LUID{6, 0}, SE_PRIVILEGE_ENABLED);
    Measure("SeMachineAccountPrivilege enable error", machine.error);

    // A token opened without query access cannot report the previous state.
    Token adjustOnly;
    CHECK(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &adjustOnly.h));
    Adjusted noQuery = Adjust(adjustOnly.h, shutdown, 0);
    Measure("previous state without TOKEN_QUERY: ok", noQuery.ok);
    Measure("previous state without TOKEN_QUERY: error", noQuery.error);

    HANDLE closed = nullptr;
    CHECK(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &closed));
    CHECK(CloseHandle(closed));
    CHECK_LAST_ERROR(!CloseHandle(closed), ERROR_INVALID_HANDLE);
}

// ---- LSA ----------------------------------------------------------------------------------

struct Policy {
    LSA_HANDLE h = nullptr;
    ~Policy() {
        if (h) LsaClose(h);
    }
};

NTSTATUS Open(LPCWSTR system, ACCESS_MASK access, Policy* policy) {
    LSA_OBJECT_ATTRIBUTES attributes;
    std::memset(&attributes, 0, sizeof attributes);
    LSA_UNICODE_STRING name = Counted(system);
    return LsaOpenPolicy(system ? &name : nullptr, &attributes, access, &policy->h);
}

void Lsa() {
    g_case = "lsa";
    Policy query;
    CHECK_EQ(Open(nullptr, GENERIC_READ | GENERIC_EXECUTE, &query), 0);
    CHECK(query.h != nullptr);
    PVOID buffer = nullptr;
    CHECK_EQ(LsaQueryInformationPolicy(query.h, PolicyPrimaryDomainInformation, &buffer), 0);
    if (auto* info = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(buffer)) {
        MeasureText("primary domain", Narrow(info->Name));
        CHECK(info->Sid == nullptr);  // a workgroup
        CHECK(info->Name.Length > 0);
        CHECK(info->Name.MaximumLength >= info->Name.Length);
        CHECK_EQ(LsaFreeMemory(buffer), 0);
    }

    // The local computer by name is the local policy.
    const wide::WString local = wide::Widen(ComputerName());
    Policy byName;
    CHECK_EQ(Open(local.c_str(), 0xF0FFF, &byName), 0);

    // Setting the primary domain: an administrator may.
    Policy all;
    CHECK_EQ(Open(nullptr, POLICY_ALL_ACCESS, &all), 0);
    POLICY_PRIMARY_DOMAIN_INFO workgroup;
    workgroup.Name = Counted(WTEXT("ORVANETEST"));
    workgroup.Sid = nullptr;
    const NTSTATUS set = LsaSetInformationPolicy(all.h, PolicyPrimaryDomainInformation, &workgroup);
    CHECK_DIFF(static_cast<DWORD>(set), 0, kUnsuccessful, "LsaSetInformationPolicy always fails (STATUS_UNSUCCESSFUL)");
    if (set == 0) {
        buffer = nullptr;
        CHECK_EQ(LsaQueryInformationPolicy(query.h, PolicyPrimaryDomainInformation, &buffer), 0);
        if (auto* info = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(buffer)) {
            CHECK(Narrow(info->Name) == "ORVANETEST");
            LsaFreeMemory(buffer);
        }
    }
    // A handle opened to query only may not set.
    const NTSTATUS denied = LsaSetInformationPolicy(query.h, PolicyPrimaryDomainInformation, &workgroup);
    CHECK_DIFF(static_cast<DWORD>(denied), 0xC0000022, kUnsuccessful,
               "LsaSetInformationPolicy answers STATUS_UNSUCCESSFUL for a handle without the right");

    // Trusts: the second creation of one collides.
    PSID sid = NewDomainSid(11, 22, 33);
    TRUSTED_DOMAIN_NAME_INFO trust;
    trust.Name = Counted(WTEXT("ORVANETRUST"));
    const NTSTATUS created = LsaSetTrustedDomainInformation(all.h, sid, TrustedDomainNameInformation, &trust);
    CHECK_EQ(created, 0);
    const NTSTATUS again = LsaSetTrustedDomainInformation(all.h, sid, TrustedDomainNameInformation, &trust);
    CHECK_DIFF(static_cast<DWORD>(again), kCollision, 0, "LsaSetTrustedDomainInformation never finds a trust existing");
    CHECK_EQ(LsaDeleteTrustedDomain(all.h, sid), 0);
    const NTSTATUS removedAgain = LsaDeleteTrustedDomain(all.h, sid);
    CHECK_DIFF(static_cast<DWORD>(removedAgain), kNotFound, 0, "LsaDeleteTrustedDomain succeeds for any trust");
    FreeSid(sid);

    // Secrets.
    LSA_UNICODE_STRING secretName = Counted(WTEXT("$ORVANE.TEST"));
    LSA_UNICODE_STRING secret = Counted(WTEXT("password"));
    const NTSTATUS stored = LsaStorePrivateData(all.h, &secretName, &secret);
    CHECK_DIFF(static_cast<DWORD>(stored), 0, kNotFound, "LsaStorePrivateData fails (STATUS_OBJECT_NAME_NOT_FOUND)");
    if (stored == 0) CHECK_EQ(LsaStorePrivateData(all.h, &secretName, nullptr), 0);  // deleted again

    // Releasing: a null block, a closed handle.
    CHECK_EQ(LsaFreeMemory(nullptr), 0);
    Policy closed;
    CHECK_EQ(Open(nullptr, POLICY_VIEW_LOCAL_INFORMATION, &closed), 0);
    CHECK_EQ(LsaClose(closed.h), 0);
    const NTSTATUS twice = LsaClose(closed.h);
    closed.h = nullptr;
    CHECK_DIFF(static_cast<DWORD>(twice), kInvalidHandle, 0, "LsaClose accepts any handle");
}

// ---- Network API, loaded by name as the domain classes load it -------------------------------

// Each a member named as the function without its "Net".
#define ORVANE_NETAPI_FUNCTIONS(X)                                                                      \
    X(ApiBufferFree) X(GetJoinInformation) X(JoinDomain) X(UnjoinDomain) X(GetDCName) X(ServerGetInfo)  \
    X(WkstaGetInfo) X(UserModalsGet) X(UseAdd) X(UseDel) X(UserAdd) X(UserDel) X(UserGetInfo)

struct NetApi {
    HMODULE module = nullptr;
#define ORVANE_NETAPI_MEMBER(name) decltype(&::Net##name) name = nullptr;
    ORVANE_NETAPI_FUNCTIONS(ORVANE_NETAPI_MEMBER)
    bool isDouble = false;

    bool Load() {
        module = LoadLibraryA("NetApi32.Dll");
        if (!module) return false;
#define ORVANE_NETAPI_GET(name) \
    name = reinterpret_cast<decltype(name)>(reinterpret_cast<void*>(GetProcAddress(module, "Net" #name)));
        ORVANE_NETAPI_FUNCTIONS(ORVANE_NETAPI_GET)
        isDouble = GetProcAddress(module, "OrvaneNetApiDouble") != nullptr;
        return true;
    }
    ~NetApi() {
        if (module) FreeLibrary(module);
    }
};

const char kDomain[] = "ORVANEDOM";
const char kDcName[] = "ORVANEDC";
const char kDomainSid[] = "S-1-5-21-1004-2005-3006";

// The domain the network API plays, in the registry form the simulated
// platform and the netapi32 double both read.
void DescribeDomain() {
    const std::string dc = std::string(simarea::kDomainControllers) + "\\" + kDomain;
    WriteText(dc, simarea::kDcName, kDcName);
    WriteText(dc, simarea::kDcSid, kDomainSid);
    WriteText(dc, simarea::kDcRole, "Primary");
    const std::string admin = dc + "\\" + simarea::kAccounts + "\\Administrator";
    WriteText(admin, simarea::kAccountPassword, "Secret1");
    RegKey k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, admin.c_str(), 0, KEY_ALL_ACCESS, &k.h) == ERROR_SUCCESS) {
        const DWORD priv = USER_PRIV_ADMIN, flags = UF_NORMAL_ACCOUNT;
        RegSetValueExA(k.h, simarea::kAccountPrivilege, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&priv), 4);
        RegSetValueExA(k.h, simarea::kAccountFlags, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags), 4);
    }
}

// The join information; its name measured when no name is wanted.
void CheckJoinInformation(NetApi& net, NETSETUP_JOIN_STATUS wantStatus, const char* wantName) {
    LPWSTR name = nullptr;
    NETSETUP_JOIN_STATUS status = NetSetupUnknownStatus;
    CHECK_EQ(net.GetJoinInformation(nullptr, &name, &status), 0);
    CHECK_EQ(status, wantStatus);
    if (!name) return;
    if (wantName)
        CHECK_TEXT(wide::Narrow(name), wantName);
    else
        MeasureText("join information", wide::Narrow(name));
    CHECK_EQ(net.ApiBufferFree(name), 0);
}

void LocalNetworkInformation(NetApi& net) {
    g_case = "netapi local";
    CHECK(net.ApiBufferFree && net.ServerGetInfo && net.UserModalsGet && net.WkstaGetInfo && net.GetDCName &&
          net.UseAdd && net.UseDel && net.UserAdd && net.UserDel && net.UserGetInfo);
    if (!net.ServerGetInfo || !net.UserModalsGet || !net.ApiBufferFree) return;

    LPBYTE buffer = nullptr;
    CHECK_EQ(net.ServerGetInfo(nullptr, 101, &buffer), 0);
    if (auto* info = reinterpret_cast<SERVER_INFO_101*>(buffer)) {
        CHECK_EQ(info->sv101_platform_id, SV_PLATFORM_ID_NT);
        Measure("server type", info->sv101_type);
        CHECK_EQ(info->sv101_type & (SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL), 0);
        CHECK(info->sv101_type & SV_TYPE_NT);
        if (net.isDouble)
            CHECK(info->sv101_type & SV_TYPE_WORKSTATION);
        else
            CHECK_DIFF((info->sv101_type & SV_TYPE_WORKSTATION) != 0, true, false,
                       "NetServerGetInfo's type is SV_TYPE_NT alone");
        CHECK(wide::Narrow(info->sv101_name) == ComputerName());
        CHECK_EQ(net.ApiBufferFree(buffer), 0);
    }

    buffer = nullptr;
    CHECK_EQ(net.UserModalsGet(nullptr, 2, &buffer), 0);
    if (auto* info = reinterpret_cast<USER_MODALS_INFO_2*>(buffer)) {
        // On a workstation the account domain is the computer itself.
        CHECK(wide::Narrow(info->usrmod2_domain_name) == ComputerName());
        MeasureText("account domain", wide::Narrow(info->usrmod2_domain_name));
        CHECK(info->usrmod2_domain_id != nullptr && IsValidSid(info->usrmod2_domain_id));
        CHECK_EQ(net.ApiBufferFree(buffer), 0);
    }
    buffer = nullptr;
    Measure("NetUserModalsGet level 0", net.UserModalsGet(nullptr, 0, &buffer));
    if (buffer) net.ApiBufferFree(buffer);
    // Another computer than this one and the domain's controller.
    buffer = nullptr;
    const NET_API_STATUS elsewhere = net.ServerGetInfo(const_cast<LPWSTR>(WTEXT("\\\\NOSUCHHOST")), 101, &buffer);
    Measure("NetServerGetInfo(\\\\NOSUCHHOST)", elsewhere);
    CHECK(elsewhere != 0);
    if (buffer) net.ApiBufferFree(buffer);

    if (net.GetJoinInformation) CheckJoinInformation(net, NetSetupWorkgroupName, nullptr);
    CHECK_EQ(net.ApiBufferFree(nullptr), 0);
}

void Domain(NetApi& net) {
    g_case = "netapi domain";
    LPBYTE buffer = nullptr;
    CHECK_EQ(net.GetDCName(nullptr, WTEXT("ORVANEDOM"), &buffer), 0);
    if (buffer) {
        CHECK(wide::Narrow(reinterpret_cast<LPWSTR>(buffer)) == "\\\\ORVANEDC");
        net.ApiBufferFree(buffer);
    }
    buffer = nullptr;
    CHECK_EQ(net.GetDCName(nullptr, WTEXT("NOSUCHDOMAIN"), &buffer), NERR_DCNotFound);

    // IPC$ with the controller's credentials, checked.
    USE_INFO_2 use;
    std::memset(&use, 0, sizeof use);
    wide::WString remote = WTEXT("\\\\ORVANEDC\\IPC$");
    wide::WString user = WTEXT("Administrator"), wrong = WTEXT("wrong"), right = WTEXT("Secret1");
    wide::WString domain = WTEXT("ORVANEDOM");
    use.ui2_remote = &remote[0];
    use.ui2_asg_type = USE_IPC;
    use.ui2_username = &user[0];
    use.ui2_domainname = &domain[0];
    use.ui2_password = &wrong[0];
    DWORD parm = 0;
    CHECK_EQ(net.UseAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&use), &parm), ERROR_LOGON_FAILURE);
    use.ui2_password = &right[0];
    CHECK_EQ(net.UseAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&use), &parm), 0);

    // Machine accounts on the controller.
    wide::WString dc = WTEXT("\\\\ORVANEDC"), account = WTEXT("ORVANEWS$"), password = WTEXT("orvanews");
    USER_INFO_1 info;
    std::memset(&info, 0, sizeof info);
    info.usri1_name = &account[0];
    info.usri1_password = &password[0];
    info.usri1_priv = USER_PRIV_USER;
    info.usri1_flags = UF_WORKSTATION_TRUST_ACCOUNT | UF_SCRIPT;
    CHECK_EQ(net.UserAdd(dc.c_str(), 1, reinterpret_cast<LPBYTE>(&info), &parm), 0);
    CHECK_EQ(net.UserAdd(dc.c_str(), 1, reinterpret_cast<LPBYTE>(&info), &parm), NERR_UserExists);
    buffer = nullptr;
    CHECK_EQ(net.UserGetInfo(dc.c_str(), account.c_str(), 1, &buffer), 0);
    if (auto* got = reinterpret_cast<USER_INFO_1*>(buffer)) {
        CHECK_EQ(got->usri1_flags & UF_WORKSTATION_TRUST_ACCOUNT, UF_WORKSTATION_TRUST_ACCOUNT);
        CHECK(got->usri1_password == nullptr);
        net.ApiBufferFree(buffer);
    }
    CHECK_EQ(net.UserDel(dc.c_str(), account.c_str()), 0);
    CHECK_EQ(net.UserDel(dc.c_str(), account.c_str()), NERR_UserNotFound);

    buffer = nullptr;
    CHECK_EQ(net.UserModalsGet(dc.c_str(), 2, &buffer), 0);
    if (auto* modals = reinterpret_cast<USER_MODALS_INFO_2*>(buffer)) {
        CHECK(wide::Narrow(modals->usrmod2_domain_name) == kDomain);
        CHECK(IsValidSid(modals->usrmod2_domain_id));
        net.ApiBufferFree(buffer);
    }

    CHECK_EQ(net.UseDel(nullptr, &remote[0], USE_NOFORCE), 0);
    CHECK_EQ(net.UseDel(nullptr, &remote[0], USE_NOFORCE), NERR_UseNotFound);

    // The Windows 2000 join and unjoin.
    if (!net.JoinDomain || !net.UnjoinDomain || !net.GetJoinInformation) return;
    g_case = "netapi join";
    CHECK_EQ(net.JoinDomain(nullptr, WTEXT("ORVANEDOM"), nullptr, WTEXT("ORVANEDOM\\Administrator"), WTEXT("wrong"),
                            0x23),
             ERROR_LOGON_FAILURE);
    CHECK_EQ(net.JoinDomain(nullptr, WTEXT("ORVANEDOM"), nullptr, nullptr, nullptr, 0x23), 0);
    CheckJoinInformation(net, NetSetupDomainName, kDomain);
    CHECK_EQ(net.JoinDomain(nullptr, WTEXT("ORVANEWG"), nullptr, nullptr, nullptr, 0), NERR_SetupAlreadyJoined);
    CHECK_EQ(net.UnjoinDomain(nullptr, nullptr, nullptr, 4), 0);
    CHECK_EQ(net.UnjoinDomain(nullptr, nullptr, nullptr, 4), NERR_SetupNotJoined);
    CHECK_EQ(net.JoinDomain(nullptr, WTEXT("ORVANEWG"), nullptr, nullptr, nullptr, 0x20), 0);
    CheckJoinInformation(net, NetSetupWorkgroupName, "ORVANEWG");
}

void Network() {
    g_case = "netapi";
    NetApi net;
    CHECK(net.Load());
    if (!net.module) return;
    std::printf("netapi32: %s\n", net.isDouble ? "the Wine runs' double" : "the platform's own");
    const bool joins = net.JoinDomain && net.UnjoinDomain && net.GetJoinInformation;
    if (g_wine && !net.isDouble) {
        // Wine 8.0's netapi32 has no join functions in any mode.
        CHECK_DIFF(net.JoinDomain != nullptr, g_win2000, false, "netapi32 exports no NetJoinDomain/NetUnjoinDomain");
    } else {
        // The join functions are those of Windows 2000; NT 4.0 lacks them.
        CHECK_EQ(net.JoinDomain != nullptr, g_win2000 || net.isDouble);
        CHECK_EQ(joins, g_win2000 || net.isDouble);
    }
    LocalNetworkInformation(net);
    if (g_wine && !net.isDouble) {
        std::printf("the domain checks need the netapi32 double\n");
        return;
    }
    DescribeDomain();
    Domain(net);
}

// ---- The Windows NT 4.0 workgroup join, step by step ----------------------------------------

void WorkgroupJoinSteps() {
    g_case = "nt4 workgroup join";
    NetApi net;
    if (!net.Load() || !net.UserModalsGet) return;
    LPBYTE buffer = nullptr;
    CHECK_EQ(net.UserModalsGet(nullptr, 2, &buffer), 0);
    wide::WString local;
    if (auto* info = reinterpret_cast<USER_MODALS_INFO_2*>(buffer)) local = info->usrmod2_domain_name;
    net.ApiBufferFree(buffer);

    Policy policy;
    CHECK_EQ(Open(local.c_str(), 0xF0FFF, &policy), 0);
    PVOID current = nullptr;
    CHECK_EQ(LsaQueryInformationPolicy(policy.h, PolicyPrimaryDomainInformation, &current), 0);
    if (auto* info = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(current)) {
        // A workgroup has no SID, so there is no trust to delete.
        const NTSTATUS deleted = LsaDeleteTrustedDomain(policy.h, info->Sid);
        Measure("LsaDeleteTrustedDomain(no SID)", static_cast<DWORD>(deleted));
        CHECK_DIFF(deleted != 0, true, false, "LsaDeleteTrustedDomain succeeds without a SID");
        CHECK_EQ(LsaFreeMemory(current), 0);
    }
    POLICY_PRIMARY_DOMAIN_INFO workgroup;
    workgroup.Name = Counted(WTEXT("ORVANEWG"));
    workgroup.Sid = nullptr;
    const NTSTATUS set = LsaSetInformationPolicy(policy.h, PolicyPrimaryDomainInformation, &workgroup);
    // Under Wine the join ends here ("Failed in SetPrimaryDomain").
    CHECK_DIFF(static_cast<DWORD>(set), 0, kUnsuccessful, "the workgroup join ends at SetPrimaryDomain");
    CHECK_EQ(LsaClose(policy.h), 0);
    policy.h = nullptr;
}

// ---- Service control manager ------------------------------------------------------------------

struct Service {
    SC_HANDLE h = nullptr;
    ~Service() {
        if (h) CloseServiceHandle(h);
    }
};

bool ChangeStart(SC_HANDLE service, DWORD start, LPCWSTR display) {
    return ChangeServiceConfigW(service, SERVICE_NO_CHANGE, start, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, display) != 0;
}

void Services() {
    g_case = "services";
    Service manager;
    manager.h = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    CHECK(manager.h != nullptr);
    if (!manager.h) return;

    // The size query fails with ERROR_MORE_DATA and reports the size.
    DWORD needed = 0, count = 0xdeadbeef, resume = 0;
    CHECK_LAST_ERROR(
        !EnumServicesStatusW(manager.h, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed, &count, &resume),
        ERROR_MORE_DATA);
    CHECK(needed > sizeof(ENUM_SERVICE_STATUSW));
    CHECK_EQ(count, 0);
    std::vector<BYTE> block(needed);
    resume = 0;
    CHECK(EnumServicesStatusW(manager.h, SERVICE_WIN32, SERVICE_STATE_ALL,
                              reinterpret_cast<LPENUM_SERVICE_STATUSW>(block.data()), needed, &needed, &count,
                              &resume));
    auto* entries = reinterpret_cast<ENUM_SERVICE_STATUSW*>(block.data());
    bool netlogon = false;
    DWORD netlogonState = 0;
    for (DWORD i = 0; i < count; ++i) {
        CHECK(entries[i].ServiceStatus.dwServiceType & SERVICE_WIN32);
        if (wide::Narrow(entries[i].lpServiceName) == "Netlogon") {
            netlogon = true;
            netlogonState = entries[i].ServiceStatus.dwCurrentState;
            CHECK(wide::Narrow(entries[i].lpDisplayName) == "Net Logon");
        }
    }
    Measure("services listed", count);
    CHECK(netlogon);
    CHECK_EQ(netlogonState, SERVICE_STOPPED);

    // A block too small for the last entry: the others, ERROR_MORE_DATA, the
    // size of what is left and where to go on.
    if (count > 1) {
        const DWORD partSize = static_cast<DWORD>(block.size() - 2);
        std::vector<BYTE> part(partSize);
        DWORD got = 0, more = 0;
        resume = 0;
        SetLastError(0xdeadbeef);
        const BOOL ok = EnumServicesStatusW(manager.h, SERVICE_WIN32, SERVICE_STATE_ALL,
                                            reinterpret_cast<LPENUM_SERVICE_STATUSW>(part.data()), partSize, &more,
                                            &got, &resume);
        CHECK(!ok);
        CHECK_EQ(GetLastError(), ERROR_MORE_DATA);
        CHECK_EQ(got, count - 1);
        CHECK_DIFF(resume, count - 1, 0, "EnumServicesStatusW leaves the resume handle at 0");
        CHECK_DIFF(more < block.size(), true, false, "EnumServicesStatusW reports the size of all entries, not the rest");
    }

    SetLastError(0xdeadbeef);
    // Another computer's service manager: one that does not exist.
    SC_HANDLE remote = OpenSCManagerW(WTEXT("\\\\NOSUCHHOST"), nullptr, SC_MANAGER_CONNECT);
    CHECK_DIFF(remote != nullptr, false, true, "OpenSCManagerW ignores the machine name");
    if (remote) CloseServiceHandle(remote);
    CHECK_LAST_ERROR(OpenSCManagerW(nullptr, WTEXT("NoSuchDatabase"), SC_MANAGER_CONNECT) == nullptr,
                     ERROR_INVALID_NAME);

    CHECK_LAST_ERROR(OpenServiceW(manager.h, WTEXT("NoSuchService"), SERVICE_ALL_ACCESS) == nullptr,
                     ERROR_SERVICE_DOES_NOT_EXIST);

    Service service;
    service.h = OpenServiceW(manager.h, WTEXT("netlogon"), 0xF01FF);
    CHECK(service.h != nullptr);
    if (!service.h) return;
    CHECK_LAST_ERROR(!QueryServiceConfigW(service.h, nullptr, 0, &needed), ERROR_INSUFFICIENT_BUFFER);
    CHECK(needed > sizeof(QUERY_SERVICE_CONFIGW));
    std::vector<BYTE> config(needed);
    auto* cfg = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config.data());
    CHECK(QueryServiceConfigW(service.h, cfg, needed, &needed));
    CHECK_EQ(cfg->dwServiceType, SERVICE_WIN32_SHARE_PROCESS);
    CHECK_EQ(cfg->dwStartType, SERVICE_DEMAND_START);
    CHECK_EQ(cfg->dwErrorControl, SERVICE_ERROR_NORMAL);
    CHECK(wide::Narrow(cfg->lpDisplayName) == "Net Logon");
    const wide::WString display = cfg->lpDisplayName;

    // The start type lands in the Services key.
    CHECK(ChangeStart(service.h, SERVICE_DISABLED, display.c_str()));
    CHECK_EQ(NetlogonStart(), SERVICE_DISABLED);
    CHECK_LAST_ERROR(!StartServiceW(service.h, 0, nullptr), ERROR_SERVICE_DISABLED);
    CHECK(ChangeStart(service.h, SERVICE_AUTO_START, display.c_str()));
    CHECK_EQ(NetlogonStart(), SERVICE_AUTO_START);
    CHECK_LAST_ERROR(!ChangeStart(service.h, 7, display.c_str()), ERROR_INVALID_PARAMETER);

    // Stopping what does not run.
    SERVICE_STATUS status;
    std::memset(&status, 0, sizeof status);
    CHECK_LAST_ERROR(!ControlService(service.h, SERVICE_CONTROL_STOP, &status), ERROR_SERVICE_NOT_ACTIVE);
    CHECK(QueryServiceStatus(service.h, &status));
    CHECK_EQ(status.dwCurrentState, SERVICE_STOPPED);
    CHECK(ChangeStart(service.h, SERVICE_DEMAND_START, display.c_str()));

    // A handle opened to query only may not change the configuration.
    Service queryOnly;
    queryOnly.h = OpenServiceW(manager.h, WTEXT("Netlogon"), SERVICE_QUERY_CONFIG);
    CHECK(queryOnly.h != nullptr);
    CHECK_LAST_ERROR(!ChangeStart(queryOnly.h, SERVICE_AUTO_START, nullptr), ERROR_ACCESS_DENIED);

    CHECK(CloseServiceHandle(service.h));
    CHECK_LAST_ERROR(!CloseServiceHandle(service.h), ERROR_INVALID_HANDLE);
    service.h = nullptr;
}

int RunAll() {
    g_win2000 = StartRun().dwMajorVersion >= 5;
    DeleteTree(HKEY_LOCAL_MACHINE, simarea::kSimRoot);
    Sids();
    Privileges();
    Lsa();
    Services();
    WorkgroupJoinSteps();
    Network();
    DeleteTree(HKEY_LOCAL_MACHINE, simarea::kSimRoot);
    return CheckReport();
}

}  // namespace

int main(int argc, char** argv) {
    if (!StartSim(argc, argv, "nt4", "nt4|win2000")) return 2;
#ifdef ORVANE_SIM
    // The machine the Wine prefix is: a Netlogon service, started on demand.
    sim::AddService({"Netlogon", "Net Logon", "%SystemRoot%\\System32\\lsass.exe", SERVICE_WIN32_SHARE_PROCESS,
                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL});
    sim::AddService({"EventLog", "Event Log", "%SystemRoot%\\System32\\services.exe", SERVICE_WIN32_SHARE_PROCESS,
                     SERVICE_AUTO_START, SERVICE_ERROR_NORMAL});
    sim::SetServiceRunning("EventLog", true);
#endif
    return RunAll();
}
