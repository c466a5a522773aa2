// CNT4Domain on a simulated NT 4.0 workstation WS01 with the domain CORP
// (controller CORPDC) around it: what it loads, the primary-domain query,
// the Netlogon switch, the workgroup join and the 16-step domain join, with
// every message, both clean-ups and the IPC$ name rules. Every test ends
// with nothing handed out and not released.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "SecurityTestMachine.h"
#include "W2KDomain/NT4Domain.h"

namespace {

const char kNetlogonKey[] = "SYSTEM\\CurrentControlSet\\Services\\Netlogon";

class NT4DomainTest : public ::testing::Test {
protected:
    void SetUp() override { LoadDomainMachine(sim::Platform::NT4); }
    void TearDown() override {
        EXPECT_EQ(sim::Describe(sim::LiveSecurityResources()), sim::Describe({}));
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
    static DWORD NetlogonStart() { return RegistryDword(kNetlogonKey, "Start"); }
    static std::string Functions() {
        std::string out;
        for (auto& c : sim::ApiCalls()) out += c.function + " ";
        return out;
    }
};

// ErrorText at the moment of each call of the spied functions: the
// messages a join sets and overwrites before it ends.
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

void InstallSpies() {
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
}

TEST_F(NT4DomainTest, LoadsBothLibrariesAndEveryFunctionOrSaysWhatFailed) {
    struct Row {
        sim::Platform platform;
        const char* module;    // removed, or the module of the removed function
        const char* function;  // null: the whole module
        const char* message;
    };
    const Row rows[] = {
        {sim::Platform::NT4, nullptr, nullptr, ""},
        {sim::Platform::Win2000, nullptr, nullptr, ""},
        {sim::Platform::Win98, nullptr, nullptr, "GetProcAddress failed for NETAPI32.DLL"},
        {sim::Platform::NT4, "NETAPI32.DLL", nullptr, "LoadLibrary failed for NETAPI32.DLL"},
        {sim::Platform::NT4, "NETAPI32.DLL", "NetWkstaGetInfo", "GetProcAddress failed for NETAPI32.DLL"},
        {sim::Platform::NT4, "NETAPI32.DLL", "NetUserGetInfo", "GetProcAddress failed for NETAPI32.DLL"},
        {sim::Platform::NT4, "ADVAPI32.DLL", nullptr, "LoadLibrary failed for ADVAPI32.DLL"},
        {sim::Platform::NT4, "ADVAPI32.DLL", "ControlService", "GetProcAddress failed for ADVAPI32.DLL"},
        {sim::Platform::NT4, "ADVAPI32.DLL", "ImpersonateLoggedOnUser", "GetProcAddress failed for ADVAPI32.DLL"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        LoadDomainMachine(row.platform);
        if (row.function)
            sim::RemoveFunction(row.module, row.function);
        else if (row.module)
            sim::RemoveModule(row.module);
        {
            CNT4Domain d;
            EXPECT_STREQ(d.GetErrorText(), row.message);
            EXPECT_EQ(d.IsLoaded(), row.message[0] ? 0 : 1);
            // The services library is not loaded when the network one failed.
            if (std::string(row.message).find("NETAPI32") != std::string::npos) {
                EXPECT_EQ(sim::LoadCount("ADVAPI32.DLL"), 0);
            }
            if (d.IsLoaded()) continue;
            WCHAR name[CNT4Domain::PrimaryDomainChars] = {'x', 0};
            int flag = 7;
            WCHAR domain[] = WTEXT("CORP");
            EXPECT_EQ(d.QueryPrimaryDomain(name, &flag), 0);
            EXPECT_EQ(d.JoinWorkgroup(WTEXT("WG")), 0);
            EXPECT_EQ(d.JoinDomain(domain, nullptr, nullptr, nullptr), 0);
            EXPECT_EQ(d.ConfigureNetlogon(1), 0);
            EXPECT_EQ(flag, 7);
            EXPECT_EQ(name[0], 'x');
            EXPECT_TRUE(sim::ApiCalls().empty());
        }
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
}

TEST_F(NT4DomainTest, PrimaryDomainComesWithALineFeedAndTheDomainFlag) {
    CNT4Domain d;
    WCHAR name[CNT4Domain::PrimaryDomainChars];
    int flag = -1;
    ASSERT_EQ(d.QueryPrimaryDomain(name, &flag), 1);
    EXPECT_EQ(wide::Narrow(name), "WORKGROUP\n");
    EXPECT_EQ(flag, 0);
    sim::SetPrimaryDomain("CORP", kCorpSid);
    ASSERT_EQ(d.QueryPrimaryDomain(name, nullptr), 1);
    ASSERT_EQ(d.QueryPrimaryDomain(nullptr, &flag), 1);
    EXPECT_EQ(wide::Narrow(name), "CORP\n");
    EXPECT_EQ(flag, 1);

    // A name too long for the buffer is cut so that the line feed and the
    // NUL still fit.
    WCHAR guarded[CNT4Domain::PrimaryDomainChars + 1];
    guarded[CNT4Domain::PrimaryDomainChars] = 0x5A5A;
    sim::SetPrimaryDomain(std::string(400, 'D'));
    ASSERT_EQ(d.QueryPrimaryDomain(guarded, &flag), 1);
    EXPECT_EQ(wide::Narrow(guarded), std::string(CNT4Domain::PrimaryDomainChars - 2, 'D') + "\n");
    EXPECT_EQ(guarded[CNT4Domain::PrimaryDomainChars], 0x5A5A);

    const std::pair<const char*, const char*> failures[] = {
        {"NetUserModalsGet", "Failed in NetUserModalsGet"},
        {"LsaOpenPolicy", "Failed in OpenPolicy"},
        {"LsaQueryInformationPolicy", "Failed in LsaQueryInformationPolicy"},
    };
    for (auto& f : failures) {
        sim::FailCall(f.first, f.first[0] == 'N' ? ERROR_ACCESS_DENIED : 0xC0000022);
        flag = 7;
        EXPECT_EQ(d.QueryPrimaryDomain(name, &flag), 0) << f.first;
        EXPECT_STREQ(d.GetErrorText(), f.second);
        EXPECT_EQ(flag, 7);
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
    EXPECT_EQ(sim::ApiCallsOf("ChangeServiceConfigW").back().Arg("display"), "Net Logon");

    // Without its configuration only the start type changes.
    sim::FailCall("QueryServiceConfigW", ERROR_ACCESS_DENIED, 1, 2);
    d.ConfigureNetlogon(1);
    const sim::ApiCall change = sim::ApiCallsOf("ChangeServiceConfigW").back();
    EXPECT_EQ(change.Arg("type") + change.Arg("start") + change.Arg("display"), "0xFFFFFFFF0x2(null)");

    // The last error of the enumeration, by name.
    const std::pair<DWORD, const char*> names[] = {{5, "ERROR_ACCESS_DENIED"},
                                                   {6, "ERROR_INVALID_HANDLE"},
                                                   {87, "ERROR_INVALID_PARAMETER"},
                                                   {234, "ERROR_MORE_DATA"},
                                                   {1060, "OTHER"}};
    for (auto& n : names) {
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
}

TEST_F(NT4DomainTest, OnlyAServiceNamedExactlyNetlogonIsSwitched) {
    LoadDomainMachine(sim::Platform::NT4);
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", 0, KEY_ALL_ACCESS, &key);
    RegDeleteKeyA(key, "Netlogon");
    RegCloseKey(key);
    sim::AddService({"netlogon", "Net Logon", "lsass.exe", SERVICE_WIN32_SHARE_PROCESS, SERVICE_DEMAND_START, 1});
    sim::SetServiceRunning("netlogon", true);
    CNT4Domain d;
    EXPECT_EQ(d.ConfigureNetlogon(0), 0);
    EXPECT_EQ(NetlogonStart(), DWORD(SERVICE_DEMAND_START));
    EXPECT_TRUE(sim::ApiCallsOf("OpenServiceW").empty());
}

TEST_F(NT4DomainTest, WorkgroupJoinLeavesTheDomainAndSwitchesNetlogonOff) {
    sim::SetPrimaryDomain("CORP", kCorpSid);
    sim::SetServiceRunning("Netlogon", true);
    {
        CNT4Domain d;
        ASSERT_EQ(d.JoinWorkgroup(WTEXT("OFFICE")), 1);
    }
    EXPECT_EQ(sim::GetPrimaryDomain().name, "OFFICE");
    EXPECT_EQ(sim::GetPrimaryDomain().sid, "");
    EXPECT_EQ(sim::ApiCallsOf("LsaDeleteTrustedDomain").at(0).Arg("sid"), kCorpSid);
    EXPECT_EQ(sim::ApiCallsOf("LsaOpenPolicy").at(0).Arg("system") + sim::ApiCallsOf("LsaOpenPolicy").at(0).Arg("access"),
              "WS010xF0FFF");
    EXPECT_EQ(NetlogonStart(), DWORD(SERVICE_DISABLED));
    EXPECT_FALSE(sim::ServiceRunning("Netlogon"));

    // Failures: the message, 0, and Netlogon untouched.
    const std::pair<const char*, const char*> failures[] = {
        {"NetUserModalsGet", "Failed in NetUserModalsGet"},
        {"LsaOpenPolicy", "Failed in OpenPolicy"},
        {"LsaSetInformationPolicy", "Failed in SetPrimaryDomain"},
    };
    for (auto& f : failures) {
        LoadDomainMachine(sim::Platform::NT4);
        CNT4Domain again;
        sim::FailCall(f.first, f.first[0] == 'N' ? ERROR_ACCESS_DENIED : 0xC0000001);
        EXPECT_EQ(again.JoinWorkgroup(WTEXT("OFFICE")), 0);
        EXPECT_STREQ(again.GetErrorText(), f.second);
        EXPECT_EQ(NetlogonStart(), DWORD(SERVICE_DEMAND_START));
        EXPECT_EQ(sim::GetPrimaryDomain().name, "WORKGROUP");
        EXPECT_TRUE(sim::ApiCallsOf("ChangeServiceConfigW").empty());
    }
}

TEST_F(NT4DomainTest, DomainJoinCreatesTheAccountTrustSecretAndSwitchesNetlogonOn) {
    InstallSpies();
    CNT4Domain d;
    g_spied = &d;
    g_seen.clear();
    WCHAR domain[] = WTEXT("corp");
    ASSERT_EQ(d.JoinDomain(domain, nullptr, nullptr, nullptr), 1) << d.GetErrorText();
    EXPECT_EQ(wide::Narrow(domain), "CORP");  // upper-cased in the caller's text
    EXPECT_EQ(g_seen, (std::vector<std::string>{"", "No computer account exists", "Add machine account OK"}));
    sim::DomainAccount account;
    ASSERT_TRUE(sim::FindDomainAccount("CORP", "WS01$", &account));
    EXPECT_EQ(account.password, "ws01");
    EXPECT_EQ(account.flags, DWORD(UF_WORKSTATION_TRUST_ACCOUNT | UF_SCRIPT));
    std::string secret;
    EXPECT_TRUE(sim::LsaSecret("$MACHINE.ACC", &secret));
    EXPECT_EQ(secret, "ws01");
    EXPECT_EQ(sim::GetPrimaryDomain().name + " " + sim::GetPrimaryDomain().sid, std::string("CORP ") + kCorpSid);
    ASSERT_EQ(sim::TrustedDomains().size(), 1u);
    EXPECT_EQ(sim::TrustedDomains()[0].name, "CORP");
    EXPECT_EQ(NetlogonStart(), DWORD(SERVICE_AUTO_START));
    EXPECT_TRUE(sim::ServiceRunning("Netlogon"));
    const sim::ApiCall use = sim::ApiCallsOf("NetUseAdd").at(0);
    EXPECT_EQ(use.Arg("remote") + "|" + use.Arg("username") + "|" + use.Arg("password") + "|" + use.Arg("domainname"),
              "\\\\CORPDC\\IPC$|||");
    EXPECT_EQ(sim::ApiCallsOf("NetUseDel").at(0).Arg("use"), "\\\\CORPDC\\IPC$");
    EXPECT_EQ(sim::ApiCallsOf("LookupPrivilegeValueW").at(0).Arg("system"), "\\\\CORPDC");

    // Again, with the account there, a given machine password and a named
    // user: deleted and created again, the existing trust accepted.
    g_seen.clear();
    sim::ClearApiCalls();
    WCHAR again[] = WTEXT("CORP");
    ASSERT_EQ(d.JoinDomain(again, WTEXT("given"), WTEXT("Administrator"), WTEXT("Secret1")), 1) << d.GetErrorText();
    EXPECT_EQ(g_seen, (std::vector<std::string>{"ERROR_MORE_DATA", "Computer account exists",
                                                "Delete computer account OK", "Add machine account OK"}));
    EXPECT_EQ(sim::ApiCallsOf("LsaSetTrustedDomainInformation").at(0).result, "0xC0000035");
    EXPECT_TRUE(sim::LsaSecret("$MACHINE.ACC", &secret));
    EXPECT_EQ(secret, "given");
    EXPECT_EQ(sim::ApiCallsOf("NetUseAdd").at(0).Arg("username") + "@" + sim::ApiCallsOf("NetUseAdd").at(0).Arg("domainname"),
              "Administrator@CORP");
    EXPECT_STREQ(d.GetErrorText(), "ERROR_MORE_DATA");  // Netlogon's switch came last
}

TEST_F(NT4DomainTest, EveryFailedStepSaysWhyAndReleasesEverything) {
    struct Row {
        const char* name;
        std::function<void()> setup;
        const char* message;
        bool disconnects;  // clean-up S or P
    };
    const auto fail = [](const char* function, DWORD status, int nth = 1) {
        return [=] { sim::FailCall(function, status, nth); };
    };
    const auto existingAccount = [] {
        sim::DomainAccount a;
        a.name = "WS01$";
        a.flags = UF_WORKSTATION_TRUST_ACCOUNT | UF_SCRIPT;
        sim::AddDomainAccount("CORP", a);
    };
    const Row rows[] = {
        {"server info", fail("NetServerGetInfo", ERROR_ACCESS_DENIED), "NetServerGetInfo", false},
        {"primary controller", [] { sim::SetMachineRole(sim::MachineRole::PrimaryDC); },
         "Operation is not valid on a domain controller.", false},
        {"backup controller", [] { sim::SetMachineRole(sim::MachineRole::BackupDC); },
         "Operation is not valid on a domain controller.", false},
        {"local modals", fail("NetUserModalsGet", ERROR_ACCESS_DENIED), "Error in NetUserModalsGet", false},
        {"itself", [] { sim::SetComputerName("Corp"); }, "Error:  Domain cannot be a member of itself.", false},
        {"no controller", fail("NetGetDCName", NERR_DCNotFound), "Could not get DC Name", false},
        {"session", fail("NetUseAdd", ERROR_LOGON_FAILURE), "Could not establish NULL session with \\\\CORPDC", false},
        {"privilege", fail("LookupPrivilegeValueW", RPC_S_SERVER_UNAVAILABLE), "", true},
        {"delete account", [=] { existingAccount(); sim::FailCall("NetUserDel", ERROR_ACCESS_DENIED); },
         "Delete computer account failed", true},
        {"add account", fail("NetUserAdd", ERROR_ACCESS_DENIED), "Add machine account failed", true},
        {"domain SID", fail("NetUserModalsGet", ERROR_BAD_NETPATH, 2), "GetDomainSid error", true},
        {"invalid SID", fail("IsValidSid", ERROR_INVALID_SID), "GetDomainSid error", true},
        {"SID copy", fail("CopySid", ERROR_INSUFFICIENT_BUFFER), "GetDomainSid error", true},
        {"policy", fail("LsaOpenPolicy", 0xC0000022), "OpenPolicy failed", true},
        {"trust", fail("LsaSetTrustedDomainInformation", 0xC0000022), "SetWorkstationTrustedDomainInfo failed", true},
        {"secret", fail("LsaStorePrivateData", 0xC0000022), "SetWorkstationTrustedDomainInfo failed", true},
        {"primary domain", fail("LsaSetInformationPolicy", 0xC0000001), "SetPrimaryDomain on DC failed", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
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
        EXPECT_EQ(NetlogonStart(), DWORD(SERVICE_DEMAND_START));
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
    EXPECT_EQ(sim::ApiCallsOf("NetGetDCName").at(0).Arg("domain"), "CORPORATIONDOMA");
    EXPECT_EQ(wide::Narrow(domain), "CORPORATIONDOMA");

    // A controller's name longer than any server name: the session is
    // refused and the message with its name is cut to the text.
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
        {WTEXT("ABCDEFGHIJKLMNOP"), nullptr},  // 16
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
        ASSERT_EQ(sim::ApiCallsOf("NetUseAdd").size(), 1u);
        EXPECT_EQ(sim::ApiCallsOf("NetUseAdd")[0].Arg("remote"), row.second);
        d.EstablishNullSession(row.first, 0, nullptr, nullptr, nullptr);
        EXPECT_EQ(sim::ApiCallsOf("NetUseDel").at(0).Arg("use"), row.second);
    }
}

TEST_F(NT4DomainTest, MachineAccountNameAndPassword) {
    CNT4Domain d;
    struct Row {
        const char* computer;
        DWORD type;
        int result;
        const char* account;   // created, or null when nothing is asked
        const char* password;  // the caller's text afterwards
    };
    const Row rows[] = {
        {"Ws01Mixed", CNT4Domain::WorkstationAccount, 1, "WS01MIXED$", "ws01mixed"},
        {"FIFTEENCHARSXYZ", CNT4Domain::ServerAccount, 1, "FIFTEENCHARSXYZ$", "fifteencharsxy"},
        {"TRUSTING", CNT4Domain::InterdomainAccount, 1, "TRUSTING$", "trusting"},
        {"SIXTEENCHARSXYZW", CNT4Domain::WorkstationAccount, 0, nullptr, "SIXTEENCHARSXYZW"},
        {"WS02", UF_NORMAL_ACCOUNT, 0, nullptr, "WS02"},
    };
    for (const Row& row : rows) {
        sim::ClearApiCalls();
        wide::WString name = wide::Widen(row.computer);
        EXPECT_EQ(d.AddMachineAccount(WTEXT("\\\\CORPDC"), &name[0], row.type), row.result) << row.computer;
        EXPECT_EQ(wide::Narrow(name.c_str()), row.password);
        if (!row.account) {
            EXPECT_TRUE(sim::ApiCalls().empty());
            continue;
        }
        const sim::ApiCall add = sim::ApiCallsOf("NetUserAdd").at(0);
        EXPECT_EQ(add.Arg("name") + " " + add.Arg("password") + " " + add.Arg("priv") + " " + add.Arg("flags"),
                  std::string(row.account) + " " + row.password + " 1 0x" +
                      (row.type == CNT4Domain::WorkstationAccount ? "1001" : row.type == CNT4Domain::ServerAccount ? "2001" : "801"));
        EXPECT_EQ(wide::Narrow(d.GetMachinePassword()), row.password);
        EXPECT_EQ(d.MachineAccountExists(WTEXT("\\\\CORPDC"), wide::Widen(row.computer).c_str()),
                  row.type == CNT4Domain::WorkstationAccount ? 1 : 0);
        EXPECT_EQ(d.DeleteMachineAccount(WTEXT("\\\\CORPDC"), wide::Widen(row.computer).c_str()), 1);
        EXPECT_EQ(d.MachineAccountExists(WTEXT("\\\\CORPDC"), wide::Widen(row.computer).c_str()), 0);
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
    EXPECT_TRUE(enabled());
    EXPECT_EQ(d.SetPrivilege(nullptr, WTEXT("SeMachineAccountPrivilege"), 1), 1);  // already on
    EXPECT_TRUE(enabled());
    EXPECT_EQ(d.SetPrivilege(WTEXT("\\\\CORPDC"), WTEXT("SeMachineAccountPrivilege"), 0), 1);
    EXPECT_FALSE(enabled());
    EXPECT_EQ(d.SetPrivilege(nullptr, WTEXT("SeNoSuchPrivilege"), 1), 0);
    sim::FailCall("OpenProcessToken", ERROR_ACCESS_DENIED);
    EXPECT_EQ(d.SetPrivilege(nullptr, WTEXT("SeMachineAccountPrivilege"), 1), 0);
    sim::FailCall("AdjustTokenPrivileges", ERROR_ACCESS_DENIED);
    EXPECT_EQ(d.SetPrivilege(nullptr, WTEXT("SeMachineAccountPrivilege"), 1), 0);
    EXPECT_FALSE(enabled());
}

}  // namespace
