// What the simulated security and network side has beyond the Win32
// behaviour the security conformance checks pin (those run against the sim
// and under Wine): the functions of each platform mode, the leak counters,
// the control API that reads and sets the machine's state, the recorder
// and failure injection the domain classes' tests rely on, and the state a
// Windows 2000 join leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "SecurityTestMachine.h"
#include "SidText.h"

namespace {

class SimSecurityTest : public ::testing::Test {
protected:
    void SetUp() override { LoadDomainMachine(sim::Platform::NT4); }

    // An IPC$ connection to CORPDC with the given credentials.
    NET_API_STATUS Connect(LPCWSTR user, LPCWSTR password) {
        USE_INFO_2 use;
        std::memset(&use, 0, sizeof use);
        use.ui2_remote = const_cast<LPWSTR>(WTEXT("\\\\CORPDC\\IPC$"));
        use.ui2_asg_type = USE_IPC;
        use.ui2_username = const_cast<LPWSTR>(user);
        use.ui2_password = const_cast<LPWSTR>(password);
        use.ui2_domainname = const_cast<LPWSTR>(WTEXT("CORP"));
        DWORD parm = 0;
        return NetUseAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&use), &parm);
    }

    NTSTATUS Open(ACCESS_MASK access, LSA_HANDLE* policy) {
        LSA_OBJECT_ATTRIBUTES attributes{};
        return LsaOpenPolicy(nullptr, &attributes, access, policy);
    }

    bool Enabled(const char* name) {
        for (auto& p : sim::TokenPrivileges())
            if (p.name == name) return p.enabled;
        return false;
    }
};

TEST_F(SimSecurityTest, EachModeHasTheFunctionsItsSystemHas) {
    struct Row {
        sim::Platform platform;
        bool network, join, security;
    };
    for (const Row& row : {Row{sim::Platform::Win98, false, false, false}, Row{sim::Platform::NT4, true, false, true},
                           Row{sim::Platform::Win2000, true, true, true}}) {
        sim::SetPlatform(row.platform);
        HMODULE net = LoadLibraryA("NetApi32.Dll");
        HMODULE adv = LoadLibraryA("AdvApi32.Dll");
        // The files exist on every system; the functions do not.
        ASSERT_NE(net, nullptr);
        ASSERT_NE(adv, nullptr);
        EXPECT_EQ(GetProcAddress(net, "NetUserModalsGet") != nullptr, row.network);
        EXPECT_EQ(GetProcAddress(net, "NetJoinDomain") != nullptr, row.join);
        EXPECT_EQ(GetProcAddress(adv, "LsaOpenPolicy") != nullptr, row.security);
        EXPECT_EQ(GetProcAddress(adv, "OpenSCManagerW") != nullptr, row.security);
        FreeLibrary(net);
        FreeLibrary(adv);
    }
    EXPECT_EQ(sim::TotalLoadCount(), 0);
    // A privilege Windows 2000 added (the lookup itself is a conformance check).
    LUID luid{0xdead, 0};
    sim::SetPlatform(sim::Platform::NT4);
    EXPECT_FALSE(LookupPrivilegeValueW(nullptr, WTEXT("SeUndockPrivilege"), &luid));
    sim::SetPlatform(sim::Platform::Win2000);
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, WTEXT("SeUndockPrivilege"), &luid));
    EXPECT_EQ(luid.LowPart, 25u);
}

TEST_F(SimSecurityTest, EveryResourceIsCountedUntilReleased) {
    using Counter = size_t sim::SecurityResources::*;
    LPBYTE buffer = nullptr;
    LSA_HANDLE policy = nullptr;
    PVOID lsaBuffer = nullptr;
    SC_HANDLE manager = nullptr;
    HANDLE token = nullptr;
    PSID sid = nullptr, local = nullptr;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    struct Row {
        const char* what;
        Counter counter;
        std::function<bool()> take, release;
    };
    const Row rows[] = {
        {"network API buffer", &sim::SecurityResources::netApiBuffers,
         [&] { return NetServerGetInfo(nullptr, 101, &buffer) == NERR_Success; },
         [&] { return NetApiBufferFree(buffer) == NERR_Success; }},
        {"policy handle", &sim::SecurityResources::lsaHandles,
         [&] { return Open(POLICY_VIEW_LOCAL_INFORMATION, &policy) == STATUS_SUCCESS; },
         [&] { return LsaClose(policy) == STATUS_SUCCESS; }},
        {"policy memory", &sim::SecurityResources::lsaMemory,
         [&] { return LsaQueryInformationPolicy(policy, PolicyPrimaryDomainInformation, &lsaBuffer) == 0; },
         [&] { return LsaFreeMemory(lsaBuffer) == STATUS_SUCCESS; }},
        {"service manager", &sim::SecurityResources::scHandles,
         [&] { return (manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)) != nullptr; },
         [&] { return CloseServiceHandle(manager) != 0; }},
        {"token", &sim::SecurityResources::tokenHandles,
         [&] { return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) != 0; },
         [&] { return CloseHandle(token) != 0; }},
        {"SID", &sim::SecurityResources::sids,
         [&] { return AllocateAndInitializeSid(&nt, 4, 21, 1004, 2005, 3006, 0, 0, 0, 0, &sid) != 0; },
         [&] { return FreeSid(sid) == nullptr; }},
        {"local block", &sim::SecurityResources::localBlocks,
         [&] { return (local = LocalAlloc(LPTR, 24)) != nullptr; }, [&] { return FreeSid(local) == nullptr; }},
        {"IPC$ session", &sim::SecurityResources::ipcSessions,
         [&] { return Connect(WTEXT("Administrator"), WTEXT("Secret1")) == NERR_Success; },
         [&] {
             return NetUseDel(nullptr, const_cast<LPWSTR>(WTEXT("\\\\corpdc\\ipc$")), USE_NOFORCE) == NERR_Success;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(row.take());
        EXPECT_EQ(sim::LiveSecurityResources().*row.counter, 1u);
    }
    for (auto it = std::rbegin(rows); it != std::rend(rows); ++it) {
        SCOPED_TRACE(it->what);
        EXPECT_TRUE(it->release());
        EXPECT_EQ(sim::LiveSecurityResources().*it->counter, 0u);
    }
    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
    // Released once only; failures hand out nothing.
    EXPECT_EQ(NetApiBufferFree(buffer), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(LsaFreeMemory(lsaBuffer), STATUS_INVALID_PARAMETER);
    BYTE stack[24] = {};
    EXPECT_EQ(FreeSid(stack), static_cast<PVOID>(stack));  // not FreeSid's to release
    LPBYTE none = nullptr;
    EXPECT_EQ(NetUserModalsGet(WTEXT("\\\\ELSEWHERE"), 2, &none), ERROR_BAD_NETPATH);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
}

TEST_F(SimSecurityTest, TheControlApiReadsAndSetsTheMachine) {
    // Reading writes nothing: the machine's export stays as it was.
    EXPECT_EQ(sim::GetPrimaryDomain().name, "WORKGROUP");
    EXPECT_FALSE(sim::KeyExists("HKLM\\SOFTWARE\\OrvaneSim\\Lsa"));

    // The machine's role, where Windows keeps it and as the server reports it.
    struct Role {
        sim::MachineRole role;
        const char* productType;
        DWORD controllerBits;
    };
    for (const Role& row : {Role{sim::MachineRole::Workstation, "WinNT", 0},
                            Role{sim::MachineRole::Server, "ServerNT", 0},
                            Role{sim::MachineRole::PrimaryDC, "LanmanNT", SV_TYPE_DOMAIN_CTRL},
                            Role{sim::MachineRole::BackupDC, "LanmanNT", SV_TYPE_DOMAIN_BAKCTRL}}) {
        sim::SetMachineRole(row.role);
        EXPECT_EQ(sim::GetMachineRole(), row.role);
        char type[16] = "";
        DWORD size = sizeof type;
        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0, KEY_READ,
                                &k),
                  ERROR_SUCCESS);
        RegQueryValueExA(k, "ProductType", nullptr, nullptr, reinterpret_cast<BYTE*>(type), &size);
        RegCloseKey(k);
        EXPECT_STREQ(type, row.productType);
        LPBYTE buffer = nullptr;
        ASSERT_EQ(NetServerGetInfo(nullptr, 101, &buffer), NERR_Success);
        auto* info = reinterpret_cast<SERVER_INFO_101*>(buffer);
        EXPECT_EQ(info->sv101_type & 0x18, row.controllerBits);
        EXPECT_EQ((info->sv101_type & SV_TYPE_SERVER_NT) != 0, row.role != sim::MachineRole::Workstation);
        NetApiBufferFree(buffer);
    }
    sim::SetMachineRole(sim::MachineRole::Workstation);

    // The token's privileges.
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES machine{1, {{{6, 0}, SE_PRIVILEGE_ENABLED}}};
    SetLastError(0);
    EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &machine, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ALL_ASSIGNED));
    ASSERT_TRUE(sim::SetTokenPrivilege("SeMachineAccountPrivilege", true));
    SetLastError(0);
    EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &machine, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    EXPECT_TRUE(Enabled("SeMachineAccountPrivilege"));
    EXPECT_TRUE(AdjustTokenPrivileges(token, TRUE, nullptr, 0, nullptr, nullptr));
    EXPECT_FALSE(Enabled("SeChangeNotifyPrivilege"));
    CloseHandle(token);

    // The policy in its readable registry form, and one the registry refuses
    // (trusts and secrets are read back by the NT 4.0 join's tests).
    LSA_HANDLE policy = nullptr;
    ASSERT_EQ(Open(POLICY_ALL_ACCESS, &policy), STATUS_SUCCESS);
    std::vector<BYTE> bytes;
    ASSERT_TRUE(sidtext::Parse(kCorpSid, &bytes));
    POLICY_PRIMARY_DOMAIN_INFO domain;
    domain.Name = Counted(WTEXT("CORP"));
    domain.Sid = bytes.data();
    ASSERT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &domain), STATUS_SUCCESS);
    EXPECT_EQ(sim::GetPrimaryDomain().sid, kCorpSid);
    EXPECT_NE(sim::ExportRegKey(sim::RegFormat::Regedit4, "HKLM\\SOFTWARE\\OrvaneSim\\Lsa")
                  .find("\"PrimaryDomainName\"=\"CORP\"\r\n\"PrimaryDomainSid\"=\"S-1-5-21-1004-2005-3006\""),
              std::string::npos);
    ASSERT_TRUE(sim::SetKeyAccess("HKLM\\SOFTWARE\\OrvaneSim\\Lsa", sim::KeyAccess::ReadOnly));
    domain.Name = Counted(WTEXT("HOME"));
    EXPECT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &domain), STATUS_ACCESS_DENIED);
    EXPECT_EQ(sim::GetPrimaryDomain().name, "CORP");
    LsaClose(policy);

    // A program that is not an administrator may only read.
    sim::SetCallerIsLocalAdmin(false);
    EXPECT_EQ(Open(0xF0FFF, &policy), STATUS_ACCESS_DENIED);
    EXPECT_EQ(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    SC_HANDLE reader = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE);
    ASSERT_NE(reader, nullptr);
    CloseServiceHandle(reader);

    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
}

// The conformance machine has Win32 services only; drivers and keys without
// "Type" are listed (or not) by the sim's own filter.
TEST_F(SimSecurityTest, ServiceEnumerationFiltersByTypeAndState) {
    sim::AddService({"Tcpip", "TCP/IP Protocol Driver", "", SERVICE_KERNEL_DRIVER, SERVICE_SYSTEM_START,
                     SERVICE_ERROR_NORMAL});
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\NotAService", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(key);
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    struct Row {
        DWORD type, state;
        std::vector<std::string> names;
    };
    for (const Row& row : {Row{SERVICE_WIN32, SERVICE_ACTIVE, {"EventLog"}},
                           Row{SERVICE_WIN32, SERVICE_INACTIVE, {"Netlogon"}},
                           Row{SERVICE_DRIVER, SERVICE_STATE_ALL, {"Tcpip"}},
                           Row{SERVICE_TYPE_ALL, SERVICE_STATE_ALL, {"EventLog", "Netlogon", "Tcpip"}}}) {
        std::vector<BYTE> block(4096);
        DWORD needed = 0, count = 0, resume = 0;
        EXPECT_TRUE(EnumServicesStatusW(manager, row.type, row.state,
                                        reinterpret_cast<LPENUM_SERVICE_STATUSW>(block.data()), 4096, &needed, &count,
                                        &resume));
        std::vector<std::string> names;
        auto* entries = reinterpret_cast<ENUM_SERVICE_STATUSW*>(block.data());
        for (DWORD i = 0; i < count; ++i) names.push_back(wide::Narrow(entries[i].lpServiceName));
        EXPECT_EQ(names, row.names);
    }
    EXPECT_EQ(OpenServiceW(manager, WTEXT("NotAService"), SERVICE_ALL_ACCESS), nullptr);
    CloseServiceHandle(manager);
}

TEST_F(SimSecurityTest, CallsAreRecordedWithTheirArgumentsAndCanBeMadeToFail) {
    sim::FailCall("NetUseAdd", ERROR_LOGON_FAILURE, 2);
    EXPECT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1")), NERR_Success);
    ASSERT_EQ(NetUseDel(nullptr, const_cast<LPWSTR>(WTEXT("\\\\CORPDC\\IPC$")), USE_NOFORCE), NERR_Success);
    // The second call fails and does nothing else; the third is itself again.
    EXPECT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1")), ERROR_LOGON_FAILURE);
    EXPECT_TRUE(sim::IpcSessions().empty());
    EXPECT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1")), NERR_Success);
    EXPECT_EQ(sim::IpcSessions(), std::vector<std::string>{"\\\\CORPDC\\IPC$"});

    const std::vector<sim::ApiCall> uses = sim::ApiCallsOf("NetUseAdd");
    ASSERT_EQ(uses.size(), 3u);
    EXPECT_FALSE(uses[0].injected);
    EXPECT_TRUE(uses[1].injected);
    EXPECT_EQ(uses[1].result, "1326");
    EXPECT_EQ(uses[0].Arg("remote"), "\\\\CORPDC\\IPC$");
    EXPECT_EQ(uses[0].Line(),
              "NetUseAdd server=(null) level=2 local=(null) remote=\\\\CORPDC\\IPC$ password=Secret1 asg_type=3 "
              "username=Administrator domainname=CORP -> 0");
    // In order: the connection, its end, and the rest.
    const std::vector<sim::ApiCall>& all = sim::ApiCalls();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0].function, "NetUseAdd");
    EXPECT_EQ(all[1].function, "NetUseDel");

    // Every call from the nth on, in each family: a status, a BOOL with the last error.
    sim::SetPlatform(sim::Platform::Win2000);
    sim::FailCall("NetJoinDomain", NERR_SetupAlreadyJoined, 1, 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("HOME"), nullptr, nullptr, nullptr, 0x20), NERR_SetupAlreadyJoined);
    EXPECT_EQ(sim::GetPrimaryDomain().name, "WORKGROUP");
    EXPECT_EQ(sim::ApiCallsOf("NetJoinDomain")[0].Arg("options"), "0x20");
    sim::FailCall("LsaSetInformationPolicy", 0xC0000001, 1);
    LSA_HANDLE policy = nullptr;
    ASSERT_EQ(Open(POLICY_ALL_ACCESS, &policy), STATUS_SUCCESS);
    POLICY_PRIMARY_DOMAIN_INFO workgroup;
    workgroup.Name = Counted(WTEXT("HOME"));
    workgroup.Sid = nullptr;
    EXPECT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &workgroup), NTSTATUS(0xC0000001));
    EXPECT_EQ(sim::GetPrimaryDomain().name, "WORKGROUP");
    EXPECT_EQ(sim::ApiCallsOf("LsaSetInformationPolicy")[0].Arg("name"), "HOME");
    LsaClose(policy);
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    sim::FailCall("AdjustTokenPrivileges", ERROR_ACCESS_DENIED, 1);
    TOKEN_PRIVILEGES shutdown{1, {{{19, 0}, SE_PRIVILEGE_ENABLED}}};
    SetLastError(0);
    EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &shutdown, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(Enabled("SeShutdownPrivilege"));
    EXPECT_EQ(sim::ApiCallsOf("AdjustTokenPrivileges")[0].result, "0 error=5");
    sim::FailCall("CloseHandle", ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(token));
    EXPECT_EQ(sim::LiveSecurityResources().tokenHandles, 1u);  // a failed close keeps the handle
    EXPECT_TRUE(CloseHandle(token));
    sim::ClearFailures();
    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("HOME"), nullptr, nullptr, nullptr, 0x20), NERR_Success);
    sim::ClearApiCalls();
    EXPECT_TRUE(sim::ApiCalls().empty());
}

TEST_F(SimSecurityTest, AWindows2000JoinLeavesWhatWindowsLeaves) {
    sim::SetPlatform(sim::Platform::Win2000);
    const sim::RegSnapshot before = sim::TakeSnapshot();
    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("NOWHERE"), nullptr, nullptr, nullptr, 0x23), ERROR_NO_SUCH_DOMAIN);
    ASSERT_EQ(NetJoinDomain(nullptr, WTEXT("CORP"), nullptr, WTEXT("CORP\\Administrator"), WTEXT("Secret1"), 0x23),
              NERR_Success);
    EXPECT_EQ(sim::GetPrimaryDomain().sid, kCorpSid);
    ASSERT_EQ(sim::TrustedDomains().size(), 1u);
    EXPECT_EQ(sim::TrustedDomains()[0].name, "CORP");
    std::string secret;
    ASSERT_TRUE(sim::LsaSecret("$MACHINE.ACC", &secret));
    EXPECT_EQ(secret, "ws01");
    sim::DomainAccount machine;
    ASSERT_TRUE(sim::FindDomainAccount("CORP", "WS01$", &machine));
    EXPECT_EQ(machine.password, "ws01");
    EXPECT_EQ(machine.flags & UF_WORKSTATION_TRUST_ACCOUNT, DWORD(UF_WORKSTATION_TRUST_ACCOUNT));
    // Netlogon starts automatically, and runs.
    EXPECT_TRUE(sim::ServiceRunning("Netlogon"));
    EXPECT_NE(sim::DiffReg(before, sim::RegFormat::Regedit4).find("\"Start\"=dword:00000002"), std::string::npos);

    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("HOME"), nullptr, nullptr, nullptr, 0x20), NERR_Success);
    EXPECT_TRUE(sim::TrustedDomains().empty());
    EXPECT_FALSE(sim::LsaSecret("$MACHINE.ACC", &secret));
    EXPECT_EQ(RegistryDword("SYSTEM\\CurrentControlSet\\Services\\Netlogon", "Start"), DWORD(SERVICE_DEMAND_START));
    EXPECT_FALSE(sim::ServiceRunning("Netlogon"));

    // Unjoining with NETSETUP_ACCT_DELETE disables the account, as Windows does.
    ASSERT_EQ(NetJoinDomain(nullptr, WTEXT("CORP"), nullptr, nullptr, nullptr, 0x23), NERR_Success);
    ASSERT_EQ(NetUnjoinDomain(nullptr, nullptr, nullptr, NETSETUP_ACCT_DELETE), NERR_Success);
    LPWSTR joined = nullptr;
    NETSETUP_JOIN_STATUS state = NetSetupUnknownStatus;
    ASSERT_EQ(NetGetJoinInformation(nullptr, &joined, &state), NERR_Success);
    EXPECT_EQ(state, NetSetupWorkgroupName);
    EXPECT_EQ(wide::Narrow(joined), "WORKGROUP");
    NetApiBufferFree(joined);
    ASSERT_TRUE(sim::FindDomainAccount("CORP", "WS01$", &machine));
    EXPECT_TRUE(machine.flags & UF_ACCOUNTDISABLE);

    // Without NETSETUP_ACCT_CREATE the account must exist; a controller never joins.
    sim::SetComputerName("WS09");
    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("CORP"), nullptr, nullptr, nullptr, 0x21), ERROR_NO_TRUST_SAM_ACCOUNT);
    sim::SetMachineRole(sim::MachineRole::BackupDC);
    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("CORP"), nullptr, nullptr, nullptr, 0x23), NERR_SetupDomainController);
    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
}

TEST(SimDomainControllerSpec, CommandLineFormIsParsedOrRefused) {
    sim::DomainController dc;
    std::string error;
    ASSERT_TRUE(sim::ParseDomainController(
        "domain=CORP,dc=\\\\CORPDC,sid=S-1-5-21-1-2-3,admin=Admin,password=pw,role=backup,caller=user", &dc, &error));
    EXPECT_EQ(dc.domain, "CORP");
    EXPECT_EQ(dc.name, "\\\\CORPDC");
    EXPECT_EQ(dc.adminUser, "Admin");
    EXPECT_EQ(dc.adminPassword, "pw");
    EXPECT_FALSE(dc.primary);
    EXPECT_FALSE(dc.callerIsAdmin);
    for (const char* bad : {"dc=X,sid=S-1-5-21-1", "domain=D,dc=X,sid=S-2-5", "domain=D,dc=X,sid=S-1-5,color=red",
                            "domain=D,dc=X,sid=S-1-5,role=boss", "domain=D,dc"}) {
        EXPECT_FALSE(sim::ParseDomainController(bad, &dc, &error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    sim::Reset();
    ASSERT_TRUE(sim::ParseDomainController("domain=CORP,dc=\\\\CORPDC,sid=S-1-5-21-1-2-3", &dc, &error));
    ASSERT_TRUE(sim::AddDomainController(dc));
    // The machine-file form it becomes.
    EXPECT_EQ(sim::ExportRegKey(sim::RegFormat::Regedit4, "HKLM\\SOFTWARE\\OrvaneSim\\DomainControllers"),
              "REGEDIT4\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrvaneSim\\DomainControllers]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrvaneSim\\DomainControllers\\CORP]\r\n"
              "\"Name\"=\"CORPDC\"\r\n"
              "\"DomainSid\"=\"S-1-5-21-1-2-3\"\r\n"
              "\"Role\"=\"Primary\"\r\n"
              "\"CallerIsAdmin\"=dword:00000001\r\n\r\n");
}

}  // namespace
