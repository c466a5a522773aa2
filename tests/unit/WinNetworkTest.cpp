// CWinNetwork: the load on each platform family, the setters' rules, the
// logon choices and the primary logon, the persistent connections, and the
// write's counted steps, messages and joins. The everyday host tasks on the
// sample machines are in tests/scenarios/wnet.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "SecurityTestMachine.h"
#include "TCPIPNetworkTestMachine.h"
#include "WinNetwork/WinNetwork.h"

namespace {

using tcptest::ValuesOf;

const std::string kSample98 = ORVANE_SOURCE_DIR "/examples/win98.reg";
const std::string kSampleNT4 = ORVANE_SOURCE_DIR "/examples/nt4.reg";
const std::string kSample2000 = ORVANE_SOURCE_DIR "/examples/win2000.reg";
const char kLogon[] = "HKEY_LOCAL_MACHINE\\Network\\Logon";
const char kVnetsup[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\VNETSUP";
const char kProvider[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\MSNP32\\NetworkProvider";
const char kClients[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\NetClient";
const char kRealMode[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Network\\Real Mode Net";

// A sample machine (or none) in its mode, with .reg lines laid over it.
void Machine(sim::Platform platform, const std::string& sample, const std::string& lines = "") {
    sim::Reset();
    sim::SetPlatform(platform);
    if (!sample.empty()) {
        ASSERT_TRUE(sim::ImportRegFile(sample).ok);
    }
    const sim::RegImportResult r = sim::ImportReg("REGEDIT4\r\n\r\n" + lines + "\r\n");
    ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
}

std::string Key(const char* key) { return std::string("[") + key + "]\r\n"; }
std::string Line(const char* name, const std::string& data) { return std::string("\"") + name + "\"=" + data + "\r\n"; }
std::string Sz(const std::string& text) { return "\"" + text + "\""; }

std::string LogonName(const CWinNetwork& w, DWORD index) {
    char name[CWinNetwork::LogonNameSize] = "(none)";
    w.GetLogonName(index, name);
    return name;
}

// ---- Load ----------------------------------------------------------------------

TEST(WinNetworkLoad, Windows98FlagsCountOnlyInTheirExactFormAndThePrimaryProviderNamesItsFirstClient) {
    struct Case {
        const char* lmLogon;  // data of "LMLogon"; the quick-logon flag and policy follow the same rows
        DWORD expected;
        const char* policy;
        DWORD policyExpected;
        const char* primary;  // "PrimaryProvider", null: no value
        const char* defaultLogon;
    };
    const Case cases[] = {
        {"hex:01,00,00,00", 1, "dword:00000001", 1, nullptr, ""},
        {"hex:01,ff,ff,ff", 1, "dword:00000002", 0, "", "Windows Logon"},
        {"hex:02,00,00,00", 0, "dword:00000000", 0, "Banyan", ""},
        {"dword:00000001", 0, "\"1\"", 0, "NetWare", "Client for NetWare Networks"},
        {"hex:01,00,00", 0, "hex:01,00,00,00", 0, "netware", ""},
        {"hex:01,00,00,00,00", 0, "dword:ffffffff", 0, "Microsoft Network", "Client for Microsoft Networks"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lmLogon) + " " + (c.primary ? c.primary : "(missing)"));
        // A third client with the Microsoft provider comes later: the first wins.
        Machine(sim::Platform::Win98, kSample98,
                Key(kLogon) + Line("LMLogon", c.lmLogon) + Line("PrimaryProvider", c.primary ? Sz(c.primary) : "-") +
                    Key(kProvider) + Line("LogonDisconnected", c.lmLogon) +
                    Key("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Network") +
                    Line("DisablePwdCaching", c.policy) + Key(kVnetsup) + Line("Comment", Sz(std::string(300, 'c'))) +
                    Key((std::string(kClients) + "\\0002").c_str()) + Line("DriverDesc", Sz("Second MS client")) +
                    Key((std::string(kClients) + "\\0002\\Ndi").c_str()) + Line("DeviceID", Sz("VREDIR2")) +
                    Line("NetworkProvider", Sz("Microsoft Network")));
        CWinNetwork w;
        EXPECT_EQ(w.GetNTLogon(), c.expected);
        EXPECT_EQ(w.GetQuickLogon(), c.expected);
        EXPECT_EQ(w.State().PwdCachingDisabled, c.policyExpected);
        EXPECT_STREQ(w.GetDefaultLogon(), c.defaultLogon);
        EXPECT_EQ(std::string(w.GetComputerComment()), std::string(255, 'c'));  // cut to its field
        EXPECT_EQ(w.GetWriteNeeded(), 0);
    }
}

TEST(WinNetworkLoad, NTAsksTheSystemForTheNameAndTheDomainClassesForTheMembership) {
    struct Case {
        sim::Platform platform;
        bool member;
        const char* removed;  // a KERNEL32 function taken away
        const char* name;
    };
    const Case cases[] = {
        {sim::Platform::NT4, false, nullptr, "WS01"},   {sim::Platform::NT4, true, nullptr, "WS01"},
        {sim::Platform::Win2000, false, nullptr, "ws01"}, {sim::Platform::Win2000, true, nullptr, "ws01"},
        {sim::Platform::NT4, false, "GetComputerNameA", ""}, {sim::Platform::Win2000, false, "GetComputerNameExA", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(sim::PlatformName(c.platform)) + (c.member ? " member" : "") +
                     (c.removed ? c.removed : ""));
        LoadDomainMachine(c.platform);
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n\r\n" +
                                   Key("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters") +
                                   Line("Hostname", Sz("ws01")))
                        .ok);
        if (c.member) sim::SetPrimaryDomain("CORP", kCorpSid);
        if (c.removed) sim::RemoveFunction("KERNEL32.DLL", c.removed);
        {
            CWinNetwork w;
            EXPECT_STREQ(w.GetComputerNameText(), c.name);
            EXPECT_STREQ(w.GetComputerWorkgroup(), c.member ? "" : "WORKGROUP");  // no line feed left
            EXPECT_STREQ(w.GetNTLogonDomain(), c.member ? "CORP" : "");
            EXPECT_EQ(w.GetNTLogon(), c.member ? 1u : 0u);
            // Nothing of Windows 95/98 applies.
            EXPECT_EQ(w.GetLogonCount(), 0u);
            EXPECT_EQ(LogonName(w, 0), "(none)");
            EXPECT_EQ(w.GetDefaultLogon(), nullptr);
            EXPECT_EQ(w.GetQuickLogon(), 0u);
        }
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
    // A failing query leaves the membership empty.
    LoadDomainMachine(sim::Platform::Win2000);
    sim::FailCall("NetGetJoinInformation", ERROR_ACCESS_DENIED);
    CWinNetwork w;
    EXPECT_STREQ(w.GetComputerWorkgroup(), "");
}

// ---- Setters -------------------------------------------------------------------

TEST(WinNetworkSetters, ExactChangesOnlyAndTheFlagsTheyRaise) {
    typedef std::function<void(CWinNetwork&)> Edit;
    struct Case {
        const char* what;
        sim::Platform platform;
        Edit edit;
        int writeNeeded;
        int domainChange;
    };
    const auto w98 = sim::Platform::Win98, nt4 = sim::Platform::NT4;
    const std::string longName(512, 'n');
    const Case cases[] = {
        {"name in other case", w98, [](CWinNetwork& w) { w.SetComputerNameText("orion"); }, 1, 0},
        {"null name", w98, [](CWinNetwork& w) { w.SetComputerNameText(nullptr); }, 0, 0},
        {"name of 512", w98, [&](CWinNetwork& w) { w.SetComputerNameText(longName.c_str()); }, 0, 0},
        {"name of 511", w98, [&](CWinNetwork& w) { w.SetComputerNameText(longName.c_str() + 1); }, 1, 0},
        {"workgroup", w98, [](CWinNetwork& w) { w.SetComputerWorkgroup("ACCOUNTS"); }, 1, 1},
        {"same workgroup", w98, [](CWinNetwork& w) { w.SetComputerWorkgroup("SALES"); }, 0, 0},
        {"domain", w98, [](CWinNetwork& w) { w.SetNTLogonDomain("EAST"); }, 1, 1},
        {"logon 2 over 1", w98, [](CWinNetwork& w) { w.SetNTLogon(2); }, 1, 1},
        {"same logon", w98, [](CWinNetwork& w) { w.SetNTLogon(1); }, 0, 0},
        {"quick logon", w98, [](CWinNetwork& w) { w.SetQuickLogon(0); }, 1, 0},
        {"default logon", w98, [](CWinNetwork& w) { w.SetDefaultLogon("Windows Logon"); }, 1, 0},
        {"quick logon on NT", nt4, [](CWinNetwork& w) { w.SetQuickLogon(1); }, 0, 0},
        {"default logon on NT", nt4, [](CWinNetwork& w) { w.SetDefaultLogon("Windows Logon"); }, 0, 0},
        {"comment on NT", nt4, [](CWinNetwork& w) { w.SetComputerComment("kept, never stored"); }, 1, 0},
        {"logon on NT", nt4, [](CWinNetwork& w) { w.SetNTLogon(1); }, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine(c.platform, c.platform == w98 ? kSample98 : kSampleNT4);
        CWinNetwork w;
        c.edit(w);
        EXPECT_EQ(w.GetWriteNeeded(), c.writeNeeded);
        EXPECT_EQ(w.State().DomainChangePending, DWORD(c.domainChange));
    }
    Machine(w98, kSample98);
    CWinNetwork w;
    w.SetComputerComment("");
    EXPECT_STREQ(w.GetComputerComment(), "");
}

// ---- Logon choices -------------------------------------------------------------

TEST(WinNetworkLogonChoices, TheBuiltInLogonThenEachClientByItsDescription) {
    Machine(sim::Platform::Win98, kSample98,
            Key((std::string(kClients) + "\\0002").c_str()) + Line("DriverDesc", Sz("Client without Ndi")) +
                Key((std::string(kClients) + "\\0003").c_str()) + Line("DeviceDesc", Sz("no DriverDesc")) +
                Key((std::string(kClients) + "\\0004").c_str()) + Line("DriverDesc", "dword:00000001"));
    CWinNetwork w;
    EXPECT_EQ(w.GetLogonCount(), 6u);
    EXPECT_EQ(LogonName(w, 0), "Windows Logon");
    EXPECT_EQ(LogonName(w, 1), "Client for Microsoft Networks");
    EXPECT_EQ(LogonName(w, 2), "Client for NetWare Networks");
    EXPECT_EQ(LogonName(w, 3), "Client without Ndi");  // the later values do not matter for the name
    EXPECT_EQ(LogonName(w, 4), "(none)");
    EXPECT_EQ(LogonName(w, 5), "(none)");  // a DriverDesc that is no text
    EXPECT_EQ(LogonName(w, 6), "(none)");
    EXPECT_EQ(LogonName(w, 0xFFFFFFFF), "(none)");
}

TEST(WinNetworkLogonChoices, PrimaryLogonWriteMarksExactlyTheChosenClient) {
    struct Case {
        const char* name;
        int result;
        const char* redirector;  // "preferredredir" afterwards
        const char* provider;    // "PrimaryProvider" afterwards
        int marked;              // the client with Ndi\Default, -1 none
    };
    // One more client, and one unknown: scenario wnet/logon-win98.
    const Case cases[] = {
        {"Client for NetWare Networks", 1, "NWREDIR", "NetWare", 1},
        {"Windows Logon", 1, "", "", -1},
        {"", 1, "", "", -1},
        {"windows logon", 0, "VREDIR", "Microsoft Network", 0},  // searched among the clients: none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine(sim::Platform::Win98, kSample98);
        const sim::RegSnapshot before = sim::TakeSnapshot();
        EXPECT_EQ(CWinNetwork::WritePrimaryLogon(c.name), c.result);
        if (!c.result) {
            EXPECT_EQ(sim::DiffReg(before, sim::RegFormat::Regedit4), "REGEDIT4\r\n\r\n");
        }
        EXPECT_EQ(ValuesOf(kRealMode), std::string("\"preferredredir\"=\"") + c.redirector + "\"");
        EXPECT_NE(ValuesOf(kLogon).find(std::string("\"PrimaryProvider\"=\"") + c.provider + "\""), std::string::npos);
        for (int k = 0; k < 2; ++k) {
            const std::string mark = std::string(kClients) + "\\000" + std::to_string(k) + "\\Ndi\\Default";
            EXPECT_EQ(ValuesOf(mark.c_str()), k == c.marked ? "@=\"True\"" : "(no key)") << k;
        }
    }
    // Opening never creates: without the redirector key the write fails there.
    Machine(sim::Platform::Win98, kSample98, std::string("[-") + kRealMode + "]\r\n");
    EXPECT_EQ(CWinNetwork::WritePrimaryLogon("Client for NetWare Networks"), 0);
    EXPECT_NE(ValuesOf(kLogon).find("\"PrimaryProvider\"=\"Microsoft Network\""), std::string::npos);
}

// ---- Connections ---------------------------------------------------------------

TEST(WinNetworkConnections, OnlyThisProvidersDrivesThatFitAreLoadedAndMadeAgain) {
    const std::string persistent = "HKEY_CURRENT_USER\\Network\\Persistent\\";
    auto drive = [&](char letter, const std::string& provider, const std::string& path, const std::string& user) {
        return Key((persistent + letter).c_str()) + Line("ProviderName", Sz(provider)) +
               (path.empty() ? "" : Line("RemotePath", Sz(path))) + (user.empty() ? "" : Line("UserName", Sz(user))) +
               Line("Extra", "dword:00000001");
    };
    Machine(sim::Platform::Win98, kSample98,
            drive('A', "Microsoft Network", "", "NOPATH") + drive('B', "microsoft network", "\\\\\\\\X\\\\Y", "U") +
                drive('H', "Microsoft Network", std::string(260, 'p'), "LONGPATH") +
                drive('K', "Microsoft Network", "\\\\\\\\S\\\\Q", std::string(16, 'u')) +
                drive('M', "Microsoft Network", "\\\\\\\\S\\\\M", std::string(15, 'u')));
    CWinNetwork w;
    const auto& c = w.State().Connections;
    EXPECT_STREQ(c[0].LocalName, "A:");
    EXPECT_STREQ(c[0].RemotePath, "");
    EXPECT_STREQ(c[1].LocalName, "F:");
    EXPECT_STREQ(c[2].LocalName, "M:");
    EXPECT_EQ(c[3].InUse, 0u);
    w.SetComputerComment("edited");
    ASSERT_EQ(w.WriteData(), 1);
    // Loaded drives come back with exactly the three values; the others keep theirs.
    EXPECT_EQ(ValuesOf((persistent + "A").c_str()),
              "\"RemotePath\"=\"\"\n\"UserName\"=\"NOPATH\"\n\"ProviderName\"=\"Microsoft Network\"");
    EXPECT_EQ(ValuesOf((persistent + "M").c_str()).find("Extra"), std::string::npos);
    for (char untouched : {'B', 'H', 'K'})
        EXPECT_NE(ValuesOf((persistent + untouched).c_str()).find("Extra"), std::string::npos) << untouched;
    EXPECT_NE(ValuesOf((persistent + "E").c_str()).find("NetWare"), std::string::npos);
}

// ---- Write ---------------------------------------------------------------------

TEST(WinNetworkWrite, NothingChangedWritesNothingAnywhere) {
    for (auto m : {std::make_pair(sim::Platform::Win98, kSample98), std::make_pair(sim::Platform::NT4, kSampleNT4),
                   std::make_pair(sim::Platform::Win2000, kSample2000)}) {
        SCOPED_TRACE(m.second);
        Machine(m.first, m.second);
        CWinNetwork w;
        sim::ClearApiCalls();
        const sim::RegSnapshot before = sim::TakeSnapshot();
        EXPECT_EQ(w.WriteData(), 1);
        EXPECT_EQ(sim::DiffReg(before, sim::RegFormat::Regedit4), "REGEDIT4\r\n\r\n");
        EXPECT_TRUE(sim::ApiCallsOf("NetShareDel").empty());
    }
}

// Each counted step failing on its own, with the others still written, is
// swept by FaultSweep (wnet_edits_win98). A system without SetComputerNameA
// has every row stored all the same.
TEST(WinNetworkWrite, Windows98StoresEveryRowEvenWithoutSetComputerNameA) {
    Machine(sim::Platform::Win98, kSample98, Key(kLogon) + Line("LMLogon", "hex:00,00,00,00"));
    sim::RemoveFunction("KERNEL32.DLL", "SetComputerNameA");
    CWinNetwork w;
    w.SetComputerNameText("ORION2");
    w.SetNTLogon(5);
    w.SetQuickLogon(0);
    sim::ClearApiCalls();
    EXPECT_EQ(w.WriteData(), 1);
    EXPECT_EQ(sim::ApiCallsOf("NetShareAdd").size(), 2u);  // both shares made again
    EXPECT_NE(ValuesOf(kVnetsup).find("\"ComputerName\"=\"ORION2\""), std::string::npos);
    EXPECT_NE(ValuesOf(kLogon).find("\"LMLogon\"=hex:01,00,00,00"), std::string::npos);
    EXPECT_NE(ValuesOf(kProvider).find("\"LogonDisconnected\"=hex:00,00,00,00"), std::string::npos);
    EXPECT_EQ(ValuesOf("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Network"),
              "\"DisablePwdCaching\"=dword:00000000");
}

class WinNetworkNTWrite : public ::testing::Test {
protected:
    // A member of the workgroup WORKGROUP with the domain CORP around it.
    static void Prepare(sim::Platform p) {
        LoadDomainMachine(p);
        sim::ClearApiCalls();
    }
    static std::string Messages() {
        std::string out;
        for (auto& m : sim::MessageBoxes()) out += m.text + ";";
        return out;
    }
    static size_t Joins() { return sim::ApiCallsOf("NetJoinDomain").size() + sim::ApiCallsOf("NetUserAdd").size(); }
};

TEST_F(WinNetworkNTWrite, TheJoinFollowsTheFieldsOnlyWhileADomainChangeIsPending) {
    typedef std::function<void(CWinNetwork&)> Edit;
    struct Case {
        const char* what;
        sim::Platform platform;
        Edit edit;
        int result;
        const char* messages;
        const char* memberOf;  // the LSA's primary domain afterwards
        size_t joinCalls;
    };
    const auto nt4 = sim::Platform::NT4, w2k = sim::Platform::Win2000;
    // A rename, a domain and a workgroup joined: scenarios
    // wnet/rename-win2000, join-domain-*, join-workgroup-win2000; a refused
    // workgroup move: FaultSweep (wnet_workgroup_nt4).
    const Case cases[] = {
        {"2000 unknown domain", w2k, [](CWinNetwork& w) { w.SetNTLogon(1), w.SetNTLogonDomain("EAST"); }, 0,
         "Error joining the domain. Check your privilege on the server.;", "WORKGROUP", 1},
        {"2000 bad workgroup", w2k, [](CWinNetwork& w) { w.SetComputerWorkgroup("A*B"); }, 0,
         "Error joining the workgroup;", "WORKGROUP", 1},
        {"2000 empty workgroup joins the domain field", w2k, [](CWinNetwork& w) { w.SetComputerWorkgroup(""); }, 0,
         "Error joining the domain. Check your privilege on the server.;", "WORKGROUP", 1},
        {"NT4 domain, name refused", nt4,
         [](CWinNetwork& w) { w.SetNTLogon(1), w.SetNTLogonDomain("CORP"), w.SetComputerNameText("two words"); }, 0,
         "DOMAIN CHANGE FAILED;", "CORP", 1},
        {"NT4 unknown domain", nt4, [](CWinNetwork& w) { w.SetNTLogon(1), w.SetNTLogonDomain("EAST"); }, 0,
         "DOMAIN CHANGE FAILED;", "WORKGROUP", 0},
        {"NT4 nothing named", nt4, [](CWinNetwork& w) { w.SetComputerWorkgroup(""); }, 1, "", "WORKGROUP", 0},
        {"NT4 workgroup", nt4, [](CWinNetwork& w) { w.SetComputerWorkgroup("SALES"); }, 1, "", "SALES", 0},
        {"NT4 domain named without nt-logon", nt4,
         [](CWinNetwork& w) { w.SetNTLogonDomain("CORP"), w.SetComputerWorkgroup(""); }, 1, "", "WORKGROUP", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Prepare(c.platform);
        {
            CWinNetwork w;
            c.edit(w);
            sim::ClearRecords();
            EXPECT_EQ(w.WriteData(), c.result);
        }
        EXPECT_EQ(Messages(), c.messages);
        EXPECT_EQ(sim::GetPrimaryDomain().name, c.memberOf);
        EXPECT_EQ(Joins(), c.joinCalls);
        EXPECT_EQ(sim::Describe(sim::LiveSecurityResources()), sim::Describe({}));
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
}

TEST_F(WinNetworkNTWrite, Windows2000RepeatsTheJoinOnEveryWriteAndNeedsItsFunctionsOnlyWhenAsked) {
    Prepare(sim::Platform::Win2000);
    CWinNetwork w;
    w.SetComputerNameText("ws02");
    w.SetComputerWorkgroup("SALES");
    ASSERT_EQ(w.WriteData(), 1);
    ASSERT_EQ(w.WriteData(), 1);
    EXPECT_EQ(sim::ApiCallsOf("NetJoinDomain").size(), 2u);
    // A change asked of a system without the join functions fails; without
    // one asked, the write does not.
    Prepare(sim::Platform::Win2000);
    sim::RemoveFunction("NETAPI32.DLL", "NetJoinDomain");
    CWinNetwork without;
    without.SetComputerNameText("ws03");
    EXPECT_EQ(without.WriteData(), 1);
    without.SetComputerWorkgroup("SALES");
    EXPECT_EQ(without.WriteData(), 0);
    EXPECT_EQ(sim::MessageBoxes().size(), 0u);
}

// Without SetComputerNameExA the host name values are still ours to write,
// and a connection keeps its provider and connection type; with only
// SetComputerNameExA there, its failure counts.
TEST_F(WinNetworkNTWrite, EachNameStepOfWindows2000Counts) {
    const std::string tcpip = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    for (const bool exRemoved : {true, false}) {
        SCOPED_TRACE(exRemoved ? "no SetComputerNameExA" : "no SetComputerNameA");
        Prepare(sim::Platform::Win2000);
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n\r\n[" + tcpip + "]\r\n" + Key("HKEY_CURRENT_USER\\Network\\H") +
                                   Line("ProviderName", Sz("Microsoft Windows Network")) +
                                   Line("RemotePath", Sz("\\\\\\\\F\\\\U")))
                        .ok);
        sim::RemoveFunction("KERNEL32.DLL", exRemoved ? "SetComputerNameExA" : "SetComputerNameA");
        CWinNetwork w;
        w.SetComputerNameText("ws02");
        if (!exRemoved)
            sim::SetKeyAccess("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName",
                              sim::KeyAccess::ReadOnly);
        EXPECT_EQ(w.WriteData(), exRemoved ? 1 : 0);
        if (!exRemoved) continue;
        EXPECT_EQ(ValuesOf(tcpip.c_str()), "\"Hostname\"=\"ws02\"\n\"NV Hostname\"=\"ws02\"");
        EXPECT_NE(ValuesOf("HKEY_CURRENT_USER\\Network\\H").find("\"ProviderType\"=dword:00020000"), std::string::npos);
    }
}

}  // namespace
