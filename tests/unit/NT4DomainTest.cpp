// CNT4Domain on a simulated NT 4.0 workstation WS01 with the domain CORP
// (controller CORPDC) around it: what it loads, the primary-domain query,
// the Netlogon switch, the workgroup join and the domain join with every
// message, both clean-ups and the IPC$ name rules. Every test ends with
// nothing handed out and not released, and every library released.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "SecurityTestMachine.h"
#include "W2KDomain/NT4Domain.h"

namespace {

class NT4DomainTest : public ::testing::Test {
protected:
    void SetUp() override { LoadDomainMachine(sim::Platform::NT4); }
    void TearDown() override {
        EXPECT_EQ(sim::Describe(sim::LiveSecurityResources()), sim::Describe({}));
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
    static DWORD NetlogonStart() { return RegistryDword("SYSTEM\\CurrentControlSet\\Services\\Netlogon", "Start"); }
    static std::string Arg(const char* function, size_t i, const char* name) {
        return sim::ApiCallsOf(function).at(i).Arg(name);
    }
};

// ErrorText when each spied function is called: the messages a join sets
// and overwrites before it ends.
const CNT4Domain* g_spied = nullptr;
std::vector<std::string> g_seen;
NET_API_STATUS WINAPI SpyUserModalsGet(LPCWSTR server, DWORD level, LPBYTE* buffer) {
    g_seen.push_back(g_spied->GetErrorText());
    return NetUserModalsGet(server, level, buffer);
}
NET_API_STATUS WINAPI SpyUserDel(LPCWSTR server, LPCWSTR name) {
    g_seen.push_back(g_spied->GetErrorText());
    return NetUserDel(server, name);
}
NET_API_STATUS WINAPI SpyUserAdd(LPCWSTR server, DWORD level, LPBYTE buffer, LPDWORD error) {
    g_seen.push_back(g_spied->GetErrorText());
    return NetUserAdd(server, level, buffer, error);
}

TEST_F(NT4DomainTest, LoadsBothLibrariesAndEveryFunctionOrSaysWhatFailed) {
    struct Row {
        sim::Platform platform;
        const char* module;    // removed, or the module of the removed function
        const char* function;  // null: the whole module
        const char* message;
    };
    const Row rows[] = {
        {sim::Platform::Win2000, nullptr, nullptr, ""},
        {sim::Platform::Win98, nullptr, nullptr, "GetProcAddress failed for NETAPI32.DLL"},
        {sim::Platform::NT4, "NETAPI32.DLL", nullptr, "LoadLibrary failed for NETAPI32.DLL"},
        {sim::Platform::NT4, "NETAPI32.DLL", "NetUserGetInfo", "GetProcAddress failed for NETAPI32.DLL"},
        {sim::Platform::NT4, "ADVAPI32.DLL", nullptr, "LoadLibrary failed for ADVAPI32.DLL"},
        {sim::Platform::NT4, "ADVAPI32.DLL", "ImpersonateLoggedOnUser", "GetProcAddress failed for ADVAPI32.DLL"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        LoadDomainMachine(row.platform);
        if (row.function) sim::RemoveFunction(row.module, row.function);
        if (row.module && !row.function) sim::RemoveModule(row.module);
        {
            CNT4Domain d;
            EXPECT_STREQ(d.GetErrorText(), row.message);
            EXPECT_EQ(d.IsLoaded(), row.message[0] ? 0 : 1);
            // The services library is loaded only after the network one.
            if (std::string(row.message).find("NETAPI32") != std::string::npos) {
                EXPECT_EQ(sim::LoadCount("ADVAPI32.DLL"), 0);
            }
            if (d.IsLoaded()) continue;
            WCHAR name[CNT4Domain::PrimaryDomainChars] = {'x', 0}, domain[] = WTEXT("CORP");
            int flag = 7;
            EXPECT_EQ(d.QueryPrimaryDomain(name, &flag) + d.JoinWorkgroup(WTEXT("WG")) + d.ConfigureNetlogon(1) +
                          d.JoinDomain(domain, nullptr, nullptr, nullptr) + flag + name[0],
                      7 + 'x');
            EXPECT_TRUE(sim::ApiCalls().empty());
        }
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
}

TEST_F(NT4DomainTest, PrimaryDomainComesWithALineFeedAndTheDomainFlag) {
    CNT4Domain d;
    WCHAR name[CNT4Domain::PrimaryDomainChars + 1];
    int flag = -1;
    ASSERT_EQ(d.QueryPrimaryDomain(name, &flag), 1);
    EXPECT_EQ(wide::Narrow(name) + std::to_string(flag), "WORKGROUP\n0");
    sim::SetPrimaryDomain("CORP", kCorpSid);
    ASSERT_EQ(d.QueryPrimaryDomain(name, nullptr) + d.QueryPrimaryDomain(nullptr, &flag), 2);
    EXPECT_EQ(wide::Narrow(name) + std::to_string(flag), "CORP\n1");
    // Too long a name is cut so that the line feed and the NUL still fit.
    name[CNT4Domain::PrimaryDomainChars] = 0x5A5A;
    sim::SetPrimaryDomain(std::string(400, 'D'));
    ASSERT_EQ(d.QueryPrimaryDomain(name, &flag), 1);
    EXPECT_EQ(wide::Narrow(name), std::string(CNT4Domain::PrimaryDomainChars - 2, 'D') + "\n");
    EXPECT_EQ(name[CNT4Domain::PrimaryDomainChars], 0x5A5A);

    for (auto f : {std::pair<const char*, const char*>{"NetUserModalsGet", "Failed in NetUserModalsGet"},
                   {"LsaOpenPolicy", "Failed in OpenPolicy"},
                   {"LsaQueryInformationPolicy", "Failed in LsaQueryInformationPolicy"}}) {
        sim::FailCall(f.first, f.first[0] == 'N' ? ERROR_ACCESS_DENIED : 0xC0000022);
        flag = 7;
        EXPECT_EQ(d.QueryPrimaryDomain(name, &flag) + flag, 7) << f.first;
        EXPECT_STREQ(d.GetErrorText(), f.second);
    }
}

TEST_F(NT4DomainTest, NetlogonSwitchReportsWhetherItWasRunning) {
    CNT4Domain d;
    EXPECT_EQ(d.ConfigureNetlogon(1), 0);
    EXPECT_STREQ(d.GetErrorText(), "ERROR_MORE_DATA");  // the size-only enumeration
    EXPECT_EQ(NetlogonStart(), DWORD(SERVICE_AUTO_START));
    EXPECT_TRUE(sim::ServiceRunning("Netlogon"));
    EXPECT_EQ(d.ConfigureNetlogon(0), 1);
    EXPECT_EQ(NetlogonStart(), DWORD(SERVICE_DISABLED));
    EXPECT_FALSE(sim::ServiceRunning("Netlogon"));
    EXPECT_EQ(Arg("ChangeServiceConfigW", 1, "display"), "Net Logon");
    // Without its configuration only the start type changes.
    sim::FailCall("QueryServiceConfigW", ERROR_ACCESS_DENIED, 2);
    d.ConfigureNetlogon(1);
    EXPECT_EQ(Arg("ChangeServiceConfigW", 2, "type") + Arg("ChangeServiceConfigW", 2, "start") +
                  Arg("ChangeServiceConfigW", 2, "display"),
              "0xFFFFFFFF0x2(null)");

    // The enumeration's last error, by name.
    for (auto n : {std::pair<DWORD, const char*>{5, "ERROR_ACCESS_DENIED"}, {6, "ERROR_INVALID_HANDLE"},
                   {87, "ERROR_INVALID_PARAMETER"}, {234, "ERROR_MORE_DATA"}, {1060, "OTHER"}}) {
        sim::FailCall("EnumServicesStatusW", n.first, 1, 2);
        EXPECT_EQ(d.ConfigureNetlogon(1), 0);
        EXPECT_STREQ(d.GetErrorText(), n.second);
    }
    sim::FailCall("OpenServiceW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(d.ConfigureNetlogon(0), 1);  // it was running, whatever then happened
    EXPECT_STREQ(d.GetErrorText(), "Error in OpenService()");
    EXPECT_TRUE(sim::ServiceRunning("Netlogon"));
    sim::SetCallerIsLocalAdmin(false);
    EXPECT_EQ(d.ConfigureNetlogon(0), 0);
    EXPECT_STREQ(d.GetErrorText(), "Error opening Service Control Manager, Insufficient rights??");

    // Only a service named exactly "Netlogon" is switched.
    HKEY services = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", 0, KEY_ALL_ACCESS, &services);
    RegDeleteKeyA(services, "Netlogon");
    RegCloseKey(services);
    sim::AddService({"netlogon", "Net Logon", "lsass.exe", SERVICE_WIN32_SHARE_PROCESS, SERVICE_DEMAND_START, 1});
    sim::SetServiceRunning("netlogon", true);
    sim::SetCallerIsLocalAdmin(true);
    sim::ClearApiCalls();
    EXPECT_EQ(d.ConfigureNetlogon(0), 0);
    EXPECT_TRUE(sim::ApiCallsOf("OpenServiceW").empty());
}

TEST_F(NT4DomainTest, WorkgroupJoinLeavesTheDomainAndSwitchesNetlogonOff) {
    sim::SetPrimaryDomain("CORP", kCorpSid);
    sim::SetServiceRunning("Netlogon", true);
    EXPECT_EQ(CNT4Domain().JoinWorkgroup(WTEXT("OFFICE")), 1);
    EXPECT_EQ(sim::GetPrimaryDomain().name + "|" + sim::GetPrimaryDomain().sid, "OFFICE|");
    EXPECT_EQ(Arg("LsaDeleteTrustedDomain", 0, "sid"), kCorpSid);
    EXPECT_EQ(Arg("LsaOpenPolicy", 0, "system") + Arg("LsaOpenPolicy", 0, "access"), "WS010xF0FFF");
    EXPECT_EQ(NetlogonStart(), DWORD(SERVICE_DISABLED));
    EXPECT_FALSE(sim::ServiceRunning("Netlogon"));

    for (auto f : {std::pair<const char*, const char*>{"NetUserModalsGet", "Failed in NetUserModalsGet"},
                   {"LsaOpenPolicy", "Failed in OpenPolicy"}, {"LsaSetInformationPolicy", "Failed in SetPrimaryDomain"}}) {
        LoadDomainMachine(sim::Platform::NT4);
        sim::FailCall(f.first, f.first[0] == 'N' ? ERROR_ACCESS_DENIED : 0xC0000001);
        CNT4Domain d;
        EXPECT_EQ(d.JoinWorkgroup(WTEXT("OFFICE")), 0);
        EXPECT_STREQ(d.GetErrorText(), f.second);
        EXPECT_EQ(NetlogonStart(), DWORD(SERVICE_DEMAND_START));
        EXPECT_TRUE(sim::ApiCallsOf("ChangeServiceConfigW").empty());
    }
}

TEST_F(NT4DomainTest, DomainJoinCreatesTheAccountTrustSecretAndSwitchesNetlogonOn) {
    sim::SetTokenPrivilege("SeMachineAccountPrivilege", true);
    sim::AddModule("NETAPI32.DLL", {{"NetApiBufferFree", sim::Proc(&NetApiBufferFree)},
                                    {"NetGetDCName", sim::Proc(&NetGetDCName)},
                                    {"NetServerGetInfo", sim::Proc(&NetServerGetInfo)},
                                    {"NetWkstaGetInfo", sim::Proc(&NetWkstaGetInfo)},
                                    {"NetUserModalsGet", sim::Proc(&SpyUserModalsGet)},
                                    {"NetUseAdd", sim::Proc(&NetUseAdd)},
                                    {"NetUseDel", sim::Proc(&NetUseDel)},
                                    {"NetUserAdd", sim::Proc(&SpyUserAdd)},
                                    {"NetUserDel", sim::Proc(&SpyUserDel)},
                                    {"NetUserGetInfo", sim::Proc(&NetUserGetInfo)}});
    CNT4Domain d;
    g_spied = &d;
    g_seen.clear();
    WCHAR domain[] = WTEXT("corp");
    ASSERT_EQ(d.JoinDomain(domain, nullptr, nullptr, nullptr), 1) << d.GetErrorText();
    EXPECT_EQ(wide::Narrow(domain), "CORP");  // upper-cased in the caller's text
    EXPECT_EQ(g_seen, (std::vector<std::string>{"", "No computer account exists", "Add machine account OK"}));
    // The account and the secret a join leaves: scenario wnet/join-domain-nt4.
    EXPECT_EQ(sim::GetPrimaryDomain().name + " " + sim::GetPrimaryDomain().sid, std::string("CORP ") + kCorpSid);
    ASSERT_EQ(sim::TrustedDomains().size(), 1u);
    EXPECT_EQ(sim::TrustedDomains()[0].name, "CORP");  // given in small letters
    EXPECT_EQ(NetlogonStart(), DWORD(SERVICE_AUTO_START));
    EXPECT_EQ(Arg("NetUseAdd", 0, "remote") + "|" + Arg("NetUseAdd", 0, "username") + "|" +
                  Arg("NetUseAdd", 0, "password") + "|" + Arg("NetUseAdd", 0, "domainname") + "|" +
                  Arg("NetUseAdd", 0, "asg_type"),
              "\\\\CORPDC\\IPC$||||3");
    // The privilege, on the controller, enabled for the account and disabled again.
    EXPECT_EQ(Arg("LookupPrivilegeValueW", 1, "system"), "\\\\CORPDC");
    EXPECT_EQ(Arg("AdjustTokenPrivileges", 1, "new_state"), "SeMachineAccountPrivilege:2");
    for (auto& p : sim::TokenPrivileges()) EXPECT_FALSE(p.name == "SeMachineAccountPrivilege" && p.enabled);

    // Again, with the account there, a machine password and a named user:
    // deleted and created again, the existing trust accepted.
    g_seen.clear();
    sim::ClearApiCalls();
    WCHAR again[] = WTEXT("CORP");
    ASSERT_EQ(d.JoinDomain(again, WTEXT("given"), WTEXT("Administrator"), WTEXT("Secret1")), 1) << d.GetErrorText();
    EXPECT_EQ(g_seen, (std::vector<std::string>{"ERROR_MORE_DATA", "Computer account exists",
                                                "Delete computer account OK", "Add machine account OK"}));
    EXPECT_EQ(sim::ApiCallsOf("LsaSetTrustedDomainInformation").at(0).result, "0xC0000035");
    std::string secret;
    EXPECT_TRUE(sim::LsaSecret("$MACHINE.ACC", &secret));
    EXPECT_EQ(secret, "given");
    EXPECT_EQ(Arg("NetUseAdd", 0, "username") + "@" + Arg("NetUseAdd", 0, "domainname"), "Administrator@CORP");
    EXPECT_STREQ(d.GetErrorText(), "ERROR_MORE_DATA");  // Netlogon's switch came last
}

TEST_F(NT4DomainTest, EveryFailedStepSaysWhyAndReleasesEverything) {
    const auto fail = [](const char* function, DWORD status, int nth = 1) {
        return [=] { sim::FailCall(function, status, nth); };
    };
    struct Row {
        std::function<void()> setup;
        const char* message;
        bool disconnects;  // clean-up S or P
    } const rows[] = {
        {fail("NetServerGetInfo", ERROR_ACCESS_DENIED), "NetServerGetInfo", false},
        {[] { sim::SetMachineRole(sim::MachineRole::BackupDC); }, "Operation is not valid on a domain controller.", false},
        {fail("NetUserModalsGet", ERROR_ACCESS_DENIED), "Error in NetUserModalsGet", false},
        {[] { sim::SetComputerName("Corp"); }, "Error:  Domain cannot be a member of itself.", false},
        {fail("NetGetDCName", NERR_DCNotFound), "Could not get DC Name", false},
        {fail("NetUseAdd", ERROR_LOGON_FAILURE), "Could not establish NULL session with \\\\CORPDC", false},
        {fail("LookupPrivilegeValueW", RPC_S_SERVER_UNAVAILABLE), "", true},  // no message of its own
        {[] {
             sim::DomainAccount a;
             a.name = "WS01$";
             a.flags = UF_WORKSTATION_TRUST_ACCOUNT | UF_SCRIPT;
             sim::AddDomainAccount("CORP", a);
             sim::FailCall("NetUserDel", ERROR_ACCESS_DENIED);
         },
         "Delete computer account failed", true},
        {fail("NetUserAdd", ERROR_ACCESS_DENIED), "Add machine account failed", true},
        {fail("NetUserModalsGet", ERROR_BAD_NETPATH, 2), "GetDomainSid error", true},
        {fail("IsValidSid", ERROR_INVALID_SID), "GetDomainSid error", true},
        {fail("CopySid", ERROR_INSUFFICIENT_BUFFER), "GetDomainSid error", true},
        {fail("LsaOpenPolicy", 0xC0000022), "OpenPolicy failed", true},
        // By then the local name is the 14-character password, no machine's name.
        {[] { sim::SetComputerName("FIFTEENCHARSXYZ"); }, "OpenPolicy failed", true},
        {fail("LsaSetTrustedDomainInformation", 0xC0000022), "SetWorkstationTrustedDomainInfo failed", true},
        {fail("LsaStorePrivateData", 0xC0000022), "SetWorkstationTrustedDomainInfo failed", true},
        {fail("LsaSetInformationPolicy", 0xC0000001), "SetPrimaryDomain on DC failed", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        LoadDomainMachine(sim::Platform::NT4);
        row.setup();
        {
            CNT4Domain d;
            WCHAR domain[] = WTEXT("CORP");
            EXPECT_EQ(d.JoinDomain(domain, nullptr, nullptr, nullptr), 0);
            EXPECT_STREQ(d.GetErrorText(), row.message);
        }
        EXPECT_EQ(sim::ApiCallsOf("NetUseDel").size(), row.disconnects ? 1u : 0u);
        EXPECT_TRUE(sim::ApiCallsOf("ChangeServiceConfigW").empty());
        EXPECT_EQ(sim::Describe(sim::LiveSecurityResources()), sim::Describe({}));
    }
}

TEST_F(NT4DomainTest, DomainNameIsCutAndLongMessagesFitTheirText) {
    sim::DomainController dc;
    dc.domain = "CORPORATIONDOMA";  // the first 15 characters
    dc.name = "BIGDC";
    dc.sid = kCorpSid;
    sim::AddDomainController(dc);
    CNT4Domain d;
    WCHAR domain[] = WTEXT("CORPORATIONDOMAIN123");
    EXPECT_EQ(d.JoinDomain(domain, nullptr, nullptr, nullptr), 1) << d.GetErrorText();
    EXPECT_EQ(Arg("NetGetDCName", 0, "domain") + " " + wide::Narrow(domain), "CORPORATIONDOMA CORPORATIONDOMA");
    // A controller name longer than any server name: no session, and the
    // message naming it is cut to the text.
    dc.domain = "LONG";
    dc.name = std::string(300, 'L');
    sim::AddDomainController(dc);
    WCHAR longDomain[] = WTEXT("LONG");
    EXPECT_EQ(d.JoinDomain(longDomain, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(std::string(d.GetErrorText()),
              ("Could not establish NULL session with \\\\" + dc.name).substr(0, CNT4Domain::ErrorTextChars - 1));
}

TEST_F(NT4DomainTest, SessionRemoteNameRules) {
    CNT4Domain d;
    const std::pair<LPCWSTR, const char*> rows[] = {
        {WTEXT("\\\\CORPDC"), "\\\\CORPDC\\IPC$"},
        {WTEXT("CORPDC"), "\\\\CORPDC\\IPC$"},
        {WTEXT("\\\\ABCDEFGHIJKLMNO"), "\\\\ABCDEFGHIJKLMNO\\IPC$"},  // 15: the longest
        {WTEXT("ABCDEFGHIJKLMNO"), "\\\\ABCDEFGHIJKLMNO\\IPC$"},
        {WTEXT("A\\BC"), "A\\BC\\IPC$"},  // a backslash second: taken as given
        {WTEXT("ABCDEFGHIJKLMNOP"), nullptr},
        {WTEXT("\\\\ABCDEFGHIJKLMNOP"), nullptr},
        {WTEXT(""), nullptr},
        {nullptr, nullptr},
    };
    for (auto& row : rows) {
        sim::ClearApiCalls();
        SetLastError(0);
        d.EstablishNullSession(row.first, 1, WTEXT("Administrator"), WTEXT("Secret1"), WTEXT("CORP"));
        if (!row.second) {
            EXPECT_EQ(GetLastError(), 1210u);
            EXPECT_TRUE(sim::ApiCalls().empty());
            continue;
        }
        d.EstablishNullSession(row.first, 0, nullptr, nullptr, nullptr);
        EXPECT_EQ(Arg("NetUseAdd", 0, "remote") + " " + Arg("NetUseDel", 0, "use") + " " + Arg("NetUseDel", 0, "force"),
                  std::string(row.second) + " " + row.second + " 0");
    }
}

TEST_F(NT4DomainTest, MachineAccountNameAndPassword) {
    CNT4Domain d;
    struct Row {
        const char* computer;
        DWORD type;
        const char* created;   // name, password, privilege, flags; null: nothing asked
        const char* password;  // the caller's text afterwards
    } const rows[] = {
        {"Ws01Mixed", CNT4Domain::WorkstationAccount, "WS01MIXED$ ws01mixed 1 0x1001", "ws01mixed"},
        {"FIFTEENCHARSXYZ", CNT4Domain::ServerAccount, "FIFTEENCHARSXYZ$ fifteencharsxy 1 0x2001", "fifteencharsxy"},
        {"TRUSTING", CNT4Domain::InterdomainAccount, "TRUSTING$ trusting 1 0x801", "trusting"},
        {"SIXTEENCHARSXYZW", CNT4Domain::WorkstationAccount, nullptr, "SIXTEENCHARSXYZW"},
        {"WS02", UF_NORMAL_ACCOUNT, nullptr, "WS02"},
    };
    for (const Row& row : rows) {
        sim::ClearApiCalls();
        wide::WString name = wide::Widen(row.computer);
        const wide::WString original = name;
        EXPECT_EQ(d.AddMachineAccount(WTEXT("\\\\CORPDC"), &name[0], row.type), row.created ? 1 : 0) << row.computer;
        EXPECT_EQ(wide::Narrow(name.c_str()), row.password);
        if (!row.created) {
            EXPECT_TRUE(sim::ApiCalls().empty());
            continue;
        }
        EXPECT_EQ(Arg("NetUserAdd", 0, "name") + " " + Arg("NetUserAdd", 0, "password") + " " +
                      Arg("NetUserAdd", 0, "priv") + " " + Arg("NetUserAdd", 0, "flags"),
                  row.created);
        EXPECT_EQ(wide::Narrow(d.GetMachinePassword()), row.password);
        // Only a workstation trust account counts as the machine's.
        EXPECT_EQ(d.MachineAccountExists(WTEXT("\\\\CORPDC"), original.c_str()),
                  row.type == CNT4Domain::WorkstationAccount ? 1 : 0);
        EXPECT_EQ(d.DeleteMachineAccount(WTEXT("\\\\CORPDC"), original.c_str()), 1);
        EXPECT_EQ(d.MachineAccountExists(WTEXT("\\\\CORPDC"), original.c_str()), 0);
        EXPECT_STREQ(d.GetErrorText(), "NetUserGetInfo failed");
    }
}

TEST_F(NT4DomainTest, PrivilegeIsEnabledAndDisabledAgain) {
    sim::SetTokenPrivilege("SeMachineAccountPrivilege", true, false);
    CNT4Domain d;
    const auto enabled = [] {
        for (auto& p : sim::TokenPrivileges())
            if (p.name == "SeMachineAccountPrivilege") return p.enabled;
        return false;
    };
    EXPECT_EQ(d.SetPrivilege(nullptr, WTEXT("SeMachineAccountPrivilege"), 1), 1);
    EXPECT_EQ(d.SetPrivilege(nullptr, WTEXT("SeMachineAccountPrivilege"), 1), 1);  // already on
    EXPECT_TRUE(enabled());
    EXPECT_EQ(d.SetPrivilege(WTEXT("\\\\CORPDC"), WTEXT("SeMachineAccountPrivilege"), 0), 1);
    EXPECT_FALSE(enabled());
    EXPECT_EQ(d.SetPrivilege(nullptr, WTEXT("SeNoSuchPrivilege"), 1), 0);
    for (const char* f : {"OpenProcessToken", "AdjustTokenPrivileges"}) {
        sim::FailCall(f, ERROR_ACCESS_DENIED);
        EXPECT_EQ(d.SetPrivilege(nullptr, WTEXT("SeMachineAccountPrivilege"), 1), 0) << f;
    }
    EXPECT_FALSE(enabled());
}

}  // namespace
