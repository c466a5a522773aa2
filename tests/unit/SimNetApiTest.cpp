// The simulated network API: which functions each platform mode has, the
// buffers it hands out, the machine's role, IPC$ sessions and accounts on a
// domain controller, the Windows 2000 join, and the recorder and failure
// injection the domain classes' tests rely on.
#include <gtest/gtest.h>

#include <cstring>

#include "SecurityTestMachine.h"
#include "SidText.h"

namespace {

class SimNetApiTest : public ::testing::Test {
protected:
    void SetUp() override { LoadDomainMachine(sim::Platform::NT4); }

    // An IPC$ connection to CORPDC with the given credentials.
    NET_API_STATUS Connect(LPCWSTR user, LPCWSTR password, LPCWSTR remote = WTEXT("\\\\CORPDC\\IPC$")) {
        USE_INFO_2 use;
        std::memset(&use, 0, sizeof use);
        use.ui2_remote = const_cast<LPWSTR>(remote);
        use.ui2_asg_type = USE_IPC;
        use.ui2_username = const_cast<LPWSTR>(user);
        use.ui2_password = const_cast<LPWSTR>(password);
        use.ui2_domainname = const_cast<LPWSTR>(WTEXT("CORP"));
        DWORD parm = 0;
        return NetUseAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&use), &parm);
    }

    NET_API_STATUS AddAccount(LPCWSTR name, DWORD priv, DWORD* parm) {
        USER_INFO_1 info;
        std::memset(&info, 0, sizeof info);
        info.usri1_name = const_cast<LPWSTR>(name);
        info.usri1_password = const_cast<LPWSTR>(WTEXT("ws02"));
        info.usri1_priv = priv;
        info.usri1_flags = UF_WORKSTATION_TRUST_ACCOUNT | UF_SCRIPT;
        return NetUserAdd(WTEXT("\\\\CORPDC"), 1, reinterpret_cast<LPBYTE>(&info), parm);
    }

    NETSETUP_JOIN_STATUS JoinState(std::string* name) {
        LPWSTR buffer = nullptr;
        NETSETUP_JOIN_STATUS state = NetSetupUnknownStatus;
        EXPECT_EQ(NetGetJoinInformation(nullptr, &buffer, &state), NERR_Success);
        if (buffer) {
            *name = wide::Narrow(buffer);
            NetApiBufferFree(buffer);
        }
        return state;
    }
};

TEST_F(SimNetApiTest, EachModeHasTheFunctionsItsSystemHas) {
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
        EXPECT_EQ(GetProcAddress(net, "NetApiBufferFree") != nullptr, row.network);
        EXPECT_EQ(GetProcAddress(net, "NetJoinDomain") != nullptr, row.join);
        EXPECT_EQ(GetProcAddress(net, "NetGetJoinInformation") != nullptr, row.join);
        EXPECT_EQ(GetProcAddress(adv, "LsaOpenPolicy") != nullptr, row.security);
        EXPECT_EQ(GetProcAddress(adv, "OpenSCManagerW") != nullptr, row.security);
        EXPECT_EQ(GetProcAddress(adv, "AdjustTokenPrivileges") != nullptr, row.security);
        FreeLibrary(net);
        FreeLibrary(adv);
    }
    EXPECT_EQ(sim::TotalLoadCount(), 0);
}

TEST_F(SimNetApiTest, EveryBufferIsCountedUntilFreed) {
    LPBYTE server = nullptr, modals = nullptr;
    ASSERT_EQ(NetServerGetInfo(nullptr, 101, &server), NERR_Success);
    ASSERT_EQ(NetUserModalsGet(nullptr, 2, &modals), NERR_Success);
    EXPECT_EQ(sim::LiveSecurityResources().netApiBuffers, 2u);
    EXPECT_EQ(NetApiBufferFree(server), NERR_Success);
    EXPECT_EQ(NetApiBufferFree(server), ERROR_INVALID_PARAMETER);  // once only
    EXPECT_EQ(NetApiBufferFree(nullptr), NERR_Success);
    EXPECT_EQ(sim::LiveSecurityResources().netApiBuffers, 1u);
    EXPECT_EQ(NetApiBufferFree(modals), NERR_Success);
    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
    // Failures hand out nothing.
    LPBYTE none = nullptr;
    EXPECT_EQ(NetServerGetInfo(nullptr, 102, &none), ERROR_INVALID_LEVEL);
    EXPECT_EQ(NetUserModalsGet(WTEXT("\\\\ELSEWHERE"), 2, &none), ERROR_BAD_NETPATH);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(sim::LiveSecurityResources().netApiBuffers, 0u);
}

TEST_F(SimNetApiTest, ServerTypeFollowsTheRole) {
    struct Row {
        sim::MachineRole role;
        const char* productType;
        DWORD controllerBits;
    };
    for (const Row& row : {Row{sim::MachineRole::Workstation, "WinNT", 0}, Row{sim::MachineRole::Server, "ServerNT", 0},
                           Row{sim::MachineRole::PrimaryDC, "LanmanNT", SV_TYPE_DOMAIN_CTRL},
                           Row{sim::MachineRole::BackupDC, "LanmanNT", SV_TYPE_DOMAIN_BAKCTRL}}) {
        sim::SetMachineRole(row.role);
        EXPECT_EQ(sim::GetMachineRole(), row.role);
        // Where Windows keeps it.
        char type[16] = "";
        DWORD size = sizeof type;
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0, KEY_READ,
                                &key),
                  ERROR_SUCCESS);
        RegQueryValueExA(key, "ProductType", nullptr, nullptr, reinterpret_cast<BYTE*>(type), &size);
        RegCloseKey(key);
        EXPECT_STREQ(type, row.productType);

        LPBYTE buffer = nullptr;
        ASSERT_EQ(NetServerGetInfo(nullptr, 101, &buffer), NERR_Success);
        auto* info = reinterpret_cast<SERVER_INFO_101*>(buffer);
        EXPECT_EQ(info->sv101_platform_id, DWORD(SV_PLATFORM_ID_NT));
        EXPECT_EQ(wide::Narrow(info->sv101_name), "WS01");
        EXPECT_EQ(info->sv101_version_major, 4u);
        EXPECT_EQ(info->sv101_type & 0x18, row.controllerBits);
        EXPECT_EQ((info->sv101_type & SV_TYPE_SERVER_NT) != 0, row.role != sim::MachineRole::Workstation);
        EXPECT_TRUE(info->sv101_type & SV_TYPE_WORKSTATION);
        NetApiBufferFree(buffer);
    }
}

TEST_F(SimNetApiTest, UserModalsNameTheAccountDomain) {
    ASSERT_TRUE(sim::SetMachineSid("S-1-5-21-7-8-9"));
    struct Row {
        const char* what;
        LPCWSTR server;
        sim::MachineRole role;
        std::string name, sid;
    };
    const Row rows[] = {
        {"a workstation: itself", nullptr, sim::MachineRole::Workstation, "WS01", "S-1-5-21-7-8-9"},
        {"by its own name", WTEXT("\\\\WS01"), sim::MachineRole::Workstation, "WS01", "S-1-5-21-7-8-9"},
        {"a controller: its domain", nullptr, sim::MachineRole::PrimaryDC, "LAB", "S-1-5-21-4-5-6"},
        {"the domain's controller", WTEXT("\\\\CORPDC"), sim::MachineRole::Workstation, "CORP", kCorpSid},
        {"without backslashes", WTEXT("corpdc"), sim::MachineRole::Workstation, "CORP", kCorpSid},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        sim::SetMachineRole(row.role);
        sim::SetPrimaryDomain(row.role == sim::MachineRole::PrimaryDC ? "LAB" : "WORKGROUP",
                              row.role == sim::MachineRole::PrimaryDC ? "S-1-5-21-4-5-6" : "");
        LPBYTE buffer = nullptr;
        ASSERT_EQ(NetUserModalsGet(row.server, 2, &buffer), NERR_Success);
        auto* info = reinterpret_cast<USER_MODALS_INFO_2*>(buffer);
        EXPECT_EQ(wide::Narrow(info->usrmod2_domain_name), row.name);
        ASSERT_TRUE(IsValidSid(info->usrmod2_domain_id));
        EXPECT_EQ(sidtext::Format(static_cast<const BYTE*>(info->usrmod2_domain_id),
                                  GetLengthSid(info->usrmod2_domain_id)),
                  row.sid);
        NetApiBufferFree(buffer);
    }
}

TEST_F(SimNetApiTest, IpcSessionsCheckTheControllersCredentials) {
    EXPECT_EQ(Connect(WTEXT("Administrator"), WTEXT("wrong")), ERROR_LOGON_FAILURE);
    EXPECT_EQ(Connect(WTEXT("Nobody"), WTEXT("Secret1")), ERROR_LOGON_FAILURE);
    EXPECT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1"), WTEXT("\\\\OTHERDC\\IPC$")), ERROR_BAD_NETPATH);
    EXPECT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1"), WTEXT("\\\\CORPDC\\C$")), ERROR_BAD_NET_NAME);
    EXPECT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1"), WTEXT("CORPDC")), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(sim::IpcSessions().empty());

    ASSERT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1")), NERR_Success);
    EXPECT_EQ(sim::IpcSessions(), std::vector<std::string>{"\\\\CORPDC\\IPC$"});
    // One server, one set of credentials.
    EXPECT_EQ(Connect(WTEXT(""), WTEXT("")), ERROR_SESSION_CREDENTIAL_CONFLICT);
    EXPECT_EQ(Connect(WTEXT("administrator"), WTEXT("Secret1")), NERR_Success);  // a second use

    LPWSTR name = const_cast<LPWSTR>(WTEXT("\\\\corpdc\\ipc$"));
    EXPECT_EQ(NetUseDel(nullptr, name, USE_NOFORCE), NERR_Success);
    EXPECT_EQ(sim::LiveSecurityResources().ipcSessions, 1u);
    EXPECT_EQ(NetUseDel(nullptr, name, USE_NOFORCE), NERR_Success);
    EXPECT_EQ(NetUseDel(nullptr, name, USE_NOFORCE), NERR_UseNotFound);
    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
}

TEST_F(SimNetApiTest, AccountsOnTheControllerNeedItsAdministrator) {
    sim::DomainController dc;
    dc.domain = "CORP";
    dc.name = "CORPDC";
    dc.sid = kCorpSid;
    dc.adminPassword = "Secret1";
    dc.callerIsAdmin = false;  // the logged-on user is an ordinary domain user
    ASSERT_TRUE(sim::AddDomainController(dc));
    DWORD parm = 0;
    EXPECT_EQ(AddAccount(WTEXT("WS02$"), USER_PRIV_USER, &parm), ERROR_ACCESS_DENIED);
    ASSERT_EQ(Connect(WTEXT(""), WTEXT("")), NERR_Success);  // the user's own credentials: still not enough
    EXPECT_EQ(AddAccount(WTEXT("WS02$"), USER_PRIV_USER, &parm), ERROR_ACCESS_DENIED);
    ASSERT_EQ(NetUseDel(nullptr, const_cast<LPWSTR>(WTEXT("\\\\CORPDC\\IPC$")), USE_NOFORCE), NERR_Success);
    ASSERT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1")), NERR_Success);

    EXPECT_EQ(AddAccount(WTEXT("WS02$"), USER_PRIV_USER, &parm), NERR_Success);
    EXPECT_EQ(AddAccount(WTEXT("ws02$"), USER_PRIV_USER, &parm), NERR_UserExists);
    parm = 0;
    EXPECT_EQ(AddAccount(WTEXT("WS03$"), USER_PRIV_ADMIN, &parm), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(parm, DWORD(USER_PRIV_PARMNUM));
    EXPECT_EQ(AddAccount(WTEXT("bad/name"), USER_PRIV_USER, &parm), NERR_BadUsername);
    EXPECT_EQ(parm, DWORD(USER_NAME_PARMNUM));

    sim::DomainAccount account;
    ASSERT_TRUE(sim::FindDomainAccount("CORP", "WS02$", &account));
    EXPECT_EQ(account.password, "ws02");
    EXPECT_EQ(account.flags, DWORD(UF_WORKSTATION_TRUST_ACCOUNT | UF_SCRIPT));

    LPBYTE buffer = nullptr;
    ASSERT_EQ(NetUserGetInfo(WTEXT("\\\\CORPDC"), WTEXT("WS02$"), 1, &buffer), NERR_Success);
    auto* info = reinterpret_cast<USER_INFO_1*>(buffer);
    EXPECT_EQ(wide::Narrow(info->usri1_name), "WS02$");
    EXPECT_EQ(info->usri1_password, nullptr);  // never handed out
    EXPECT_EQ(info->usri1_flags, DWORD(UF_WORKSTATION_TRUST_ACCOUNT | UF_SCRIPT));
    NetApiBufferFree(buffer);

    EXPECT_EQ(NetUserDel(WTEXT("\\\\CORPDC"), WTEXT("WS02$")), NERR_Success);
    EXPECT_EQ(NetUserDel(WTEXT("\\\\CORPDC"), WTEXT("WS02$")), NERR_UserNotFound);
    buffer = nullptr;
    EXPECT_EQ(NetUserGetInfo(WTEXT("\\\\CORPDC"), WTEXT("WS02$"), 1, &buffer), NERR_UserNotFound);
    EXPECT_EQ(NetUserAdd(nullptr, 1, nullptr, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(SimNetApiTest, TheControllerOfADomainIsFoundByName) {
    LPBYTE buffer = nullptr;
    ASSERT_EQ(NetGetDCName(nullptr, WTEXT("corp"), &buffer), NERR_Success);
    EXPECT_EQ(wide::Narrow(reinterpret_cast<LPWSTR>(buffer)), "\\\\CORPDC");
    NetApiBufferFree(buffer);
    EXPECT_EQ(NetGetDCName(nullptr, WTEXT("OTHER"), &buffer), NERR_DCNotFound);
    // No domain named: the machine's own, and a workgroup has none.
    EXPECT_EQ(NetGetDCName(nullptr, nullptr, &buffer), NERR_DCNotFound);
    ASSERT_TRUE(sim::SetPrimaryDomain("CORP", kCorpSid));
    ASSERT_EQ(NetGetDCName(nullptr, nullptr, &buffer), NERR_Success);
    NetApiBufferFree(buffer);
    // Only a primary controller answers.
    sim::DomainController backup;
    backup.domain = "LAB";
    backup.name = "LABBDC";
    backup.sid = "S-1-5-21-4-5-6";
    backup.primary = false;
    ASSERT_TRUE(sim::AddDomainController(backup));
    EXPECT_EQ(NetGetDCName(nullptr, WTEXT("LAB"), &buffer), NERR_DCNotFound);
}

TEST_F(SimNetApiTest, Windows2000JoinAndUnjoinChangeWhatWindowsChanges) {
    sim::SetPlatform(sim::Platform::Win2000);
    std::string name;
    EXPECT_EQ(JoinState(&name), NetSetupWorkgroupName);
    EXPECT_EQ(name, "WORKGROUP");
    const sim::RegSnapshot before = sim::TakeSnapshot();

    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("CORP"), nullptr, WTEXT("CORP\\Administrator"), WTEXT("wrong"), 0x23),
              ERROR_LOGON_FAILURE);
    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("NOWHERE"), nullptr, nullptr, nullptr, 0x23), ERROR_NO_SUCH_DOMAIN);
    ASSERT_EQ(NetJoinDomain(nullptr, WTEXT("CORP"), nullptr, WTEXT("CORP\\Administrator"), WTEXT("Secret1"), 0x23),
              NERR_Success);
    EXPECT_EQ(JoinState(&name), NetSetupDomainName);
    EXPECT_EQ(name, "CORP");
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
    EXPECT_EQ(RegistryDword("SYSTEM\\CurrentControlSet\\Services\\Netlogon", "Start"), DWORD(SERVICE_AUTO_START));
    EXPECT_TRUE(sim::ServiceRunning("Netlogon"));
    EXPECT_NE(sim::DiffReg(before, sim::RegFormat::Regedit4).find("\"Start\"=dword:00000002"), std::string::npos);

    // A member stays one unless told to move.
    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("HOME"), nullptr, nullptr, nullptr, 0), NERR_SetupAlreadyJoined);
    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("HOME"), nullptr, nullptr, nullptr, 0x20), NERR_Success);
    EXPECT_EQ(JoinState(&name), NetSetupWorkgroupName);
    EXPECT_EQ(name, "HOME");
    EXPECT_TRUE(sim::TrustedDomains().empty());
    EXPECT_FALSE(sim::LsaSecret("$MACHINE.ACC", &secret));
    EXPECT_EQ(RegistryDword("SYSTEM\\CurrentControlSet\\Services\\Netlogon", "Start"), DWORD(SERVICE_DEMAND_START));
    EXPECT_FALSE(sim::ServiceRunning("Netlogon"));
    EXPECT_EQ(NetUnjoinDomain(nullptr, nullptr, nullptr, NETSETUP_ACCT_DELETE), NERR_SetupNotJoined);

    // Unjoining with NETSETUP_ACCT_DELETE disables the account, as Windows does.
    ASSERT_EQ(NetJoinDomain(nullptr, WTEXT("CORP"), nullptr, nullptr, nullptr, 0x23), NERR_Success);
    EXPECT_EQ(NetUnjoinDomain(nullptr, nullptr, nullptr, 0x8), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(NetUnjoinDomain(nullptr, nullptr, nullptr, NETSETUP_ACCT_DELETE), NERR_Success);
    EXPECT_EQ(JoinState(&name), NetSetupWorkgroupName);
    EXPECT_EQ(name, "WORKGROUP");
    ASSERT_TRUE(sim::FindDomainAccount("CORP", "WS01$", &machine));
    EXPECT_TRUE(machine.flags & UF_ACCOUNTDISABLE);

    // Without NETSETUP_ACCT_CREATE the account must exist; a controller never joins.
    sim::SetComputerName("WS09");
    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("CORP"), nullptr, nullptr, nullptr, 0x21), ERROR_NO_TRUST_SAM_ACCOUNT);
    sim::SetMachineRole(sim::MachineRole::BackupDC);
    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("CORP"), nullptr, nullptr, nullptr, 0x23), NERR_SetupDomainController);
    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
}

TEST_F(SimNetApiTest, CallsAreRecordedWithTheirArgumentsAndCanBeMadeToFail) {
    sim::FailCall("NetUseAdd", ERROR_LOGON_FAILURE, 2);
    EXPECT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1")), NERR_Success);
    ASSERT_EQ(NetUseDel(nullptr, const_cast<LPWSTR>(WTEXT("\\\\CORPDC\\IPC$")), USE_NOFORCE), NERR_Success);
    // The second call fails and does nothing else; the third is itself again.
    EXPECT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1")), ERROR_LOGON_FAILURE);
    EXPECT_TRUE(sim::IpcSessions().empty());
    EXPECT_EQ(Connect(WTEXT("Administrator"), WTEXT("Secret1")), NERR_Success);

    const std::vector<sim::ApiCall> uses = sim::ApiCallsOf("NetUseAdd");
    ASSERT_EQ(uses.size(), 3u);
    EXPECT_FALSE(uses[0].injected);
    EXPECT_TRUE(uses[1].injected);
    EXPECT_EQ(uses[1].result, "1326");
    EXPECT_EQ(uses[0].Arg("remote"), "\\\\CORPDC\\IPC$");
    EXPECT_EQ(uses[0].Arg("username"), "Administrator");
    EXPECT_EQ(uses[0].Arg("server"), "(null)");
    EXPECT_EQ(uses[0].Line(),
              "NetUseAdd server=(null) level=2 local=(null) remote=\\\\CORPDC\\IPC$ password=Secret1 asg_type=3 "
              "username=Administrator domainname=CORP -> 0");
    // In order: the connection, its end, and the rest.
    const std::vector<sim::ApiCall>& all = sim::ApiCalls();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0].function, "NetUseAdd");
    EXPECT_EQ(all[1].function, "NetUseDel");

    // Every call from the nth on.
    sim::SetPlatform(sim::Platform::Win2000);
    sim::FailCall("NetJoinDomain", NERR_SetupAlreadyJoined, 1, 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("HOME"), nullptr, nullptr, nullptr, 0x20), NERR_SetupAlreadyJoined);
    EXPECT_EQ(sim::GetPrimaryDomain().name, "WORKGROUP");
    EXPECT_EQ(sim::ApiCallsOf("NetJoinDomain")[0].Arg("options"), "0x20");
    sim::ClearFailures();
    EXPECT_EQ(NetJoinDomain(nullptr, WTEXT("HOME"), nullptr, nullptr, nullptr, 0x20), NERR_Success);
    sim::ClearApiCalls();
    EXPECT_TRUE(sim::ApiCalls().empty());
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
