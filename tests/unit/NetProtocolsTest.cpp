// Protocol installs and removals and service bindings on Windows 95/98
// machines: the shared scans, the INF sections an install applies, the
// refusals and what they leave, removal, bind, unbind and the query. The
// layouts written and more binds, unbinds and removals are pinned by the
// scenarios in tests/scenarios/protocol.
#include <gtest/gtest.h>
#include <setupapi.h>

#include <string>

#include "NetProtocols.h"
#include "NetworkAdapter/NetworkAdapter.h"
#include "Orvane.h"
#include "TestMachines.h"

namespace {

const char kNetTrans[] = "System\\CurrentControlSet\\Services\\Class\\NetTrans";
const char kVnbtOnly[] =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\VNBT]\r\n"
    "\"StaticVxD\"=\"vnbt.386\"\r\n\"Start\"=hex:00\r\n\r\n";

// A key's subtree as .reg lines, without the header; empty when missing.
std::string Tree(const std::string& path) {
    const std::string text = sim::ExportRegKey(sim::RegFormat::Regedit4, "HKEY_LOCAL_MACHINE\\" + path);
    return text.substr(text.find("\r\n\r\n") + 4);
}

bool Exists(const std::string& path) { return sim::KeyExists("HKEY_LOCAL_MACHINE\\" + path); }

std::string Diff(const sim::RegSnapshot& before) { return sim::DiffReg(before, sim::RegFormat::Regedit4); }

// Size of a value as stored, or -1.
long ValueSize(const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
    DWORD size = 0;
    const LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? long(size) : -1;
}

// Numbered keys base\0000 .. base\(count-1) (each with `subkey` when given) as .reg text.
std::string NumberedKeys(const std::string& base, int count, const std::string& subkey = "") {
    std::string text;
    char number[16];
    for (int n = 0; n < count; ++n) {
        std::snprintf(number, sizeof number, "%04d", n);
        text += "[HKEY_LOCAL_MACHINE\\" + base + "\\" + number + subkey + "]\r\n";
    }
    return text;
}

class NetProtocolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadTestMachine({"win98", ORVANE_SOURCE_DIR "/examples/win98.reg", sim::Platform::Win98}));
    }
    void TearDown() override {
        EXPECT_EQ(sim::OpenKeyHandles(), 0u);
        EXPECT_EQ(sim::OpenInfHandles(), 0u);
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
    static void Seed(const std::string& lines) {
        const sim::RegImportResult r = sim::ImportReg("REGEDIT4\r\n\r\n" + lines);
        ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
    }
    static size_t Messages() { return sim::MessageBoxes().size(); }
    CNetProtocols p;
};

// ---- Shared scans ------------------------------------------------------------------

TEST_F(NetProtocolsTest, FreeInstanceIsTheLowestNumberWithoutAKey) {
    const char base[] = "Software\\Scan";
    CNetProtocols::Instance found = "";
    EXPECT_TRUE(p.FindFreeInstance(HKEY_LOCAL_MACHINE, base, found));  // no base key at all
    EXPECT_STREQ(found, "0000");
    Seed("[HKEY_LOCAL_MACHINE\\Software\\Scan\\0000]\r\n[HKEY_LOCAL_MACHINE\\Software\\Scan\\0002]\r\n");
    EXPECT_TRUE(p.FindFreeInstance(HKEY_LOCAL_MACHINE, base, found));
    EXPECT_STREQ(found, "0001");  // the gap is reused
    Seed("[HKEY_LOCAL_MACHINE\\Software\\Scan\\0001\\Sub]\r\n[-HKEY_LOCAL_MACHINE\\Software\\Scan\\0000]\r\n");
    EXPECT_TRUE(p.FindFreeInstance(HKEY_LOCAL_MACHINE, base, found));
    EXPECT_STREQ(found, "0000");
    Seed(NumberedKeys(base, 10000));
    EXPECT_FALSE(p.FindFreeInstance(HKEY_LOCAL_MACHINE, base, found));
}

TEST_F(NetProtocolsTest, BindingSearchAsksEachNameAndTakesTheLowest) {
    Seed("[HKEY_LOCAL_MACHINE\\Enum\\Dev\\Bindings]\r\n\"MSTCP\\\\0004\"=\"\"\r\n\"FWTDI\\\\0000\"=\"\"\r\n"
         "\"MSTCP\\\\12\"=\"\"\r\n\"mstcp\\\\0001\"=dword:00000001\r\n\"NETBEUI\\\\9999\"=\"\"\r\n");
    CNetProtocols::BindingName name = "";
    ASSERT_TRUE(p.FindBinding("Enum\\Dev", "MSTCP", name));
    EXPECT_STREQ(name, "MSTCP\\0001");  // before 0004 enumerated first; any case, any type
    ASSERT_TRUE(p.FindBinding("Enum\\Dev", "NETBEUI", name));
    EXPECT_STREQ(name, "NETBEUI\\9999");
    EXPECT_FALSE(p.FindBinding("Enum\\Dev", "VREDIR", name));
    EXPECT_FALSE(p.FindBinding("Enum\\NoSuchDevice", "MSTCP", name));
    HKEY key = nullptr;
    ASSERT_TRUE(p.FindBinding("Enum\\Dev", "MSTCP", name, &key));
    EXPECT_EQ(RegQueryValueExA(key, "MSTCP\\0004", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(NetProtocolsTest, ClassLookupComparesDeviceIdsIgnoringCaseAndScansPastGaps) {
    const std::string base = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\OrvTest\\";
    Seed("[" + base + "0000\\Ndi]\r\n\"DeviceID\"=\"NWSERVER\"\r\n[" + base + "0001\\Ndi]\r\n[" + base +
         "0002\\Ndi]\r\n\"DeviceID\"=hex:56,53,45,52,56,45,52,00\r\n[" + base + "0003\\Ndi]\r\n\"DeviceID\"=\"" +
         std::string(1100, 'V') + "\"\r\n[" + base + "9999\\Ndi]\r\n\"DeviceID\"=\"vServer\"\r\n");
    CNetProtocols::ClassInstance found = "";
    ASSERT_TRUE(p.FindClassInstance("OrvTest", "VSERVER", found));
    EXPECT_STREQ(found, "OrvTest\\9999");
    EXPECT_FALSE(p.FindClassInstance("OrvTest", "VREDIR", found));
    EXPECT_FALSE(p.FindClassInstance("NoSuchClass", "VSERVER", found));
}

TEST_F(NetProtocolsTest, InstanceKeysAreCreatedWithFullAccess) {
    sim::SetPlatform(sim::Platform::NT4);  // where the rights a key was opened with count
    HKEY key = nullptr;
    ASSERT_EQ(p.CreateInstanceKey(HKEY_LOCAL_MACHINE, "Software\\A\\B", "0007", &key), 1);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
    // NT deletes one key at a time: the instance goes with its subkeys all the same.
    ASSERT_EQ(p.CreateInstanceKey(HKEY_LOCAL_MACHINE, "Software\\A\\B\\0007\\Ndi", "Install"), 1);
    ASSERT_EQ(p.CreateInstanceKey(HKEY_LOCAL_MACHINE, "Software\\A\\B\\0007\\Ndi", "Interfaces"), 1);
    EXPECT_EQ(p.DeleteInstanceKey(HKEY_LOCAL_MACHINE, "Software\\A\\B", "0007"), 1);
    EXPECT_FALSE(Exists("Software\\A\\B\\0007"));
    EXPECT_EQ(p.DeleteInstanceKey(HKEY_LOCAL_MACHINE, ""), 0);  // never the root
    EXPECT_TRUE(Exists("Software\\A\\B"));
}

// ---- Install and removal -----------------------------------------------------------

TEST_F(NetProtocolsTest, InstallAppliesTheInfSectionsToTheNewInstance) {
    // A card with nothing bound to it, not even a Bindings key; gaps in the numbers.
    Seed("[HKEY_LOCAL_MACHINE\\Enum\\ISAPNP\\NEWCARD]\r\n\"Class\"=\"Net\"\r\n\"DeviceDesc\"=\"New Card\"\r\n"
         "[-HKEY_LOCAL_MACHINE\\Enum\\Network\\MSTCP\\0001]\r\n[-HKEY_LOCAL_MACHINE\\" +
         std::string(kNetTrans) + "\\0002]\r\n");
    EXPECT_EQ(p.Install(3, ORVANE_PROTOCOL_TCPIP), 1);
    // Its own master copy; the rest of the layout: scenario protocol/install-both-new-card-win98.
    EXPECT_NE(Tree("Enum\\Network\\MSTCP\\0001").find("\"MasterCopy\"=\"Enum\\\\Network\\\\MSTCP\\\\0001\""),
              std::string::npos);
    const auto& installs = sim::InfInstalls();
    ASSERT_EQ(installs.size(), 3u);
    const char* sections[] = {"MSTCP.install", "MSTCP.ndi", "MSTCP.VnbtOff.Install"};
    for (size_t s = 0; s < 3; ++s) {
        EXPECT_EQ(installs[s].file, "NETTRANS.INF");
        EXPECT_EQ(installs[s].section, sections[s]);
        EXPECT_EQ(installs[s].flags, UINT(SPINST_REGISTRY));
        EXPECT_TRUE(installs[s].relativeRoot);
    }
    // The card now reads as on DHCP through the new instance.
    CNetworkAdapter table;
    EXPECT_STREQ(table.GetAdapterNetTransRgy(3), (std::string(kNetTrans) + "\\0002").c_str());
    ASSERT_EQ(table.GetIpAddressCount(3), 1u);  // asked first: without an address GetDHCP writes the dump
    EXPECT_EQ(table.GetDHCP(3), 1);
    EXPECT_EQ(Messages(), 0u);
}

TEST_F(NetProtocolsTest, RefusedInstallShowsItsMessageAndLeavesNoDriverInstance) {
    for (DWORD adapter : {0u, 3u, 0xFFFFFFFFu}) {  // TCP/IP bound already; no such adapters
        SetUp();
        const sim::RegSnapshot before = sim::TakeSnapshot();
        EXPECT_EQ(p.InstallTCPIP(adapter), 0) << adapter;
        EXPECT_EQ(Diff(before), kVnbtOnly);  // what the sections wrote outside the instance stays
        ASSERT_EQ(Messages(), 1u);
        EXPECT_EQ(sim::MessageBoxes()[0].text, "ERROR - PROTOCOL INSTALLED OR NON EXISTENT ADAPTER");
        EXPECT_EQ(sim::MessageBoxes()[0].style, UINT(MB_OK | MB_ICONERROR));
    }
}

TEST_F(NetProtocolsTest, BothProtocolsTcpipFirstAndOneFailureUndoesNothing) {
    const DWORD both = ORVANE_PROTOCOL_TCPIP | ORVANE_PROTOCOL_NETBEUI;
    EXPECT_EQ(p.Install(1, both), 0);  // card 1 has TCP/IP already
    ASSERT_EQ(sim::InfInstalls().size(), 5u);
    EXPECT_EQ(sim::InfInstalls()[2].section, "MSTCP.VnbtOff.Install");
    EXPECT_EQ(sim::InfInstalls()[3].section, "NETBEUI.Install");
    EXPECT_EQ(CNetworkAdapter().GetNETBEUI(1), 1);
    ASSERT_EQ(p.Uninstall(1, ORVANE_PROTOCOL_TCPIP), 1);
    EXPECT_EQ(p.Uninstall(1, both), 0);  // TCP/IP is gone; NetBEUI goes all the same
    EXPECT_EQ(CNetworkAdapter().GetNETBEUI(1), 0);
    EXPECT_EQ(Messages(), 2u);
    const sim::RegSnapshot before = sim::TakeSnapshot();
    EXPECT_EQ(p.Install(0, 0), 1);
    EXPECT_EQ(p.Uninstall(0, 0xFFFFFFFC), 1);  // bits other than 1 and 2 ask for nothing
    EXPECT_EQ(Diff(before), "REGEDIT4\r\n\r\n");
}

TEST_F(NetProtocolsTest, InstallThatCannotCompleteWritesNothing) {
    struct Case {
        const char* name;
        std::string seed;
        bool withoutSetup;
    };
    const std::string longCard = "Enum\\" + std::string(252, 'L');  // the card fits, its Bindings path does not
    const Case cases[] = {
        {"no setupapi.dll", "", true},
        {"no driver number left", NumberedKeys(kNetTrans, 10000), false},
        {"no component number left", NumberedKeys("Enum\\Network\\NETBEUI", 10000), false},
        {"Bindings path too long", "[HKEY_LOCAL_MACHINE\\" + longCard + "]\r\n\"Class\"=\"Net\"\r\n", false},
    };
    for (const Case& c : cases) {
        SetUp();
        Seed(c.seed);
        if (c.withoutSetup) sim::RemoveModule("SETUPAPI.DLL");
        const DWORD adapter = CNetworkAdapter().AdapterCount() == 4 ? 3 : 1;
        const sim::RegSnapshot before = sim::TakeSnapshot();
        EXPECT_EQ(p.InstallNETBEUI(adapter), 0) << c.name;
        EXPECT_EQ(Diff(before), "REGEDIT4\r\n\r\n") << c.name;
        EXPECT_EQ(Messages(), 0u) << c.name;
    }
}

TEST_F(NetProtocolsTest, RemovalTakesTheBindingsInstanceAndTheDriverInstance) {
    ASSERT_EQ(p.UninstallTCPIP(1), 1);
    EXPECT_FALSE(Exists("Enum\\Network\\MSTCP\\0001"));
    EXPECT_FALSE(Exists(std::string(kNetTrans) + "\\0001"));
    EXPECT_EQ(Messages(), 0u);
}

TEST_F(NetProtocolsTest, RefusedRemovalChangesNothing) {
    struct Case {
        const char* name;
        std::string seed;
        DWORD adapter;
        DWORD mask;
        size_t messages;
    };
    const std::string card0 = "HKEY_LOCAL_MACHINE\\Enum\\PCI\\VEN_10B7&DEV_9055&SUBSYS_905510B7&REV_24"
                              "\\BUS_00&DEV_0A&FUNC_00\\Bindings";
    // A protocol never bound: scenario protocol/remove-lowest-win98.
    const Case cases[] = {
        {"no adapter", "", 3, ORVANE_PROTOCOL_TCPIP, 1},
        // The table takes an FWTDI binding for TCP/IP; the search asks for MSTCP only.
        {"FWTDI binding", "[" + card0 + "]\r\n\"MSTCP\\\\0000\"=-\r\n\"FWTDI\\\\0000\"=\"\"\r\n"
                          "[HKEY_LOCAL_MACHINE\\Enum\\Network\\FWTDI\\0000]\r\n\"Driver\"=\"NetTrans\\\\0000\"\r\n",
         0, ORVANE_PROTOCOL_TCPIP, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        Seed(c.seed);
        const sim::RegSnapshot before = sim::TakeSnapshot();
        EXPECT_EQ(p.Uninstall(c.adapter, c.mask), 0) << c.name;
        EXPECT_EQ(Diff(before), "REGEDIT4\r\n\r\n") << c.name;
        ASSERT_EQ(Messages(), c.messages) << c.name;
        if (c.messages) {
            EXPECT_EQ(sim::MessageBoxes()[0].text, "ERROR - PROTOCOL NOT INSTALLED OR NON EXISTENT ADAPTER");
        }
    }
    // A Bindings key that refuses the deletion stops the removal: FaultSweep
    // (uninstall_tcp, uninstall_netbeui).
}

// ---- Service bindings --------------------------------------------------------------

TEST_F(NetProtocolsTest, BoundClientBringsItsOwnFileSharingInstanceAndTakesItAlong) {
    ASSERT_EQ(p.BindServices(1, ORVANE_PROTOCOL_TCPIP, ORVANE_SERVICE_CLIENT), 1);
    // Every master copy is \0000 (the file-sharing instance's layout and more
    // binds and unbinds: scenarios protocol/install-bind-win98, bind-unbind-win98).
    EXPECT_EQ(Tree("Enum\\Network\\VREDIR\\0004"),
              "[HKEY_LOCAL_MACHINE\\Enum\\Network\\VREDIR\\0004]\r\n\"Class\"=\"NetClient\"\r\n"
              "\"Driver\"=\"NetClient\\\\0000\"\r\n\"MasterCopy\"=\"Enum\\\\Network\\\\VREDIR\\\\0000\"\r\n"
              "\"DeviceDesc\"=\"Client for Microsoft Networks\"\r\n\"CompatibleIDs\"=\"VREDIR\"\r\n"
              "\"Mfg\"=\"Microsoft\"\r\n\"ConfigFlags\"=hex:10,00,00,00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Enum\\Network\\VREDIR\\0004\\Bindings]\r\n\"VSERVER\\\\0002\"=\"\"\r\n\r\n");
    ASSERT_EQ(p.UnbindServices(1, ORVANE_PROTOCOL_TCPIP, ORVANE_SERVICE_CLIENT), 1);  // VREDIR\0001, the lowest
    ASSERT_EQ(p.UnbindServices(1, ORVANE_PROTOCOL_TCPIP, ORVANE_SERVICE_CLIENT), 1);
    EXPECT_FALSE(Exists("Enum\\Network\\VREDIR\\0004") || Exists("Enum\\Network\\VSERVER\\0002"));
}

TEST_F(NetProtocolsTest, BindingsThatCannotBeMadeChangeNothing) {
    struct Case {
        const char* name;
        std::string seed;
        DWORD adapter, protocols, services;
        int result;
        bool unbindToo;  // the same arguments refused by an unbind alike
    };
    const std::string classes = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\";
    // No such adapter, a protocol the adapter lacks: scenario protocol/bind-unbind-win98.
    const Case cases[] = {
        {"protocol mask 0", "", 1, 0, 1, 0, true},
        {"service mask 0", "", 1, 1, 0, 0, true},
        // The binding is there but names an instance without a driver: the
        // adapter table sees no TCP/IP, so there is nothing to bind to.
        {"binding without a driver", "[HKEY_LOCAL_MACHINE\\Enum\\Network\\MSTCP\\0002]\r\n\"Driver\"=-\r\n", 2, 1, 3, 1,
         true},
        {"no file-sharing service", "[" + classes + "NetService\\0000\\Ndi]\r\n\"DeviceID\"=\"NWSERVER\"\r\n", 1, 1,
         ORVANE_SERVICE_FILE_SHARING, 1, true},
        {"no client", "[-" + classes + "NetClient\\0000\\Ndi]\r\n", 1, 1, ORVANE_SERVICE_CLIENT, 1, false},
    };
    for (const Case& c : cases) {
        SetUp();
        Seed(c.seed);
        const sim::RegSnapshot before = sim::TakeSnapshot();
        EXPECT_EQ(p.BindServices(c.adapter, c.protocols, c.services), c.result) << c.name;
        if (c.unbindToo) {
            EXPECT_EQ(p.UnbindServices(c.adapter, c.protocols, c.services), c.result) << c.name;
        }
        EXPECT_EQ(Diff(before), "REGEDIT4\r\n\r\n") << c.name;
    }
}

TEST_F(NetProtocolsTest, QueryAnswersFromTheBindingsAndItsSelectorRules) {
    // Card 2's binding names an instance without a driver: the table sees no
    // TCP/IP there, the query still finds the binding.
    Seed("[HKEY_LOCAL_MACHINE\\Enum\\Network\\MSTCP\\0002]\r\n\"Driver\"=-\r\n");
    struct Case {
        DWORD adapter, protocol, service;
        int answer;
    };
    const Case cases[] = {
        {0, 1, 1, 1}, {0, 2, 2, 1}, {1, 1, 1, 0}, {1, 1, 2, 1},          {1, 2, 3, 0},
        {0, 3, 1, 0}, {0, 0, 1, 0}, {0, 1, 0, 0}, {0, 1, 3, 1},          {0, 2, 0xFFFFFFFF, 1},
        {2, 1, 2, 1}, {3, 1, 3, 0}, {0xFFFFFFFF, 1, 1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(p.GetServiceBinding(c.adapter, c.protocol, c.service), c.answer)
            << c.adapter << " " << c.protocol << " " << c.service;
}

// On NT (the operations make no platform test) the byte counts of the empty
// binding values show, and a removal through the Bindings key opened for
// reading is refused before anything is deleted.
TEST_F(NetProtocolsTest, OnNtBindingCountsShowAndAReadOnlyRemovalChangesNothing) {
    sim::Reset();
    sim::SetPlatform(sim::Platform::NT4);
    const std::string card = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\1";
    Seed("[HKEY_LOCAL_MACHINE\\" + card + "]\r\n\"ServiceName\"=\"E100B1\"\r\n"
         "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\NetService\\0000\\Ndi]\r\n"
         "\"DeviceID\"=\"VSERVER\"\r\n");
    ASSERT_EQ(p.InstallTCPIP(0), 1);
    EXPECT_EQ(ValueSize(card + "\\Bindings", "MSTCP\\0000"), 0);
    Seed("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\E100B1\\Parameters\\Tcpip]\r\n\"IPAddress\"=\"\"\r\n");
    ASSERT_EQ(p.BindServices(0, ORVANE_PROTOCOL_TCPIP, ORVANE_SERVICE_FILE_SHARING), 1);
    EXPECT_EQ(ValueSize("Enum\\Network\\MSTCP\\0000\\Bindings", "VSERVER\\0000"), 1);
    const sim::RegSnapshot before = sim::TakeSnapshot();
    EXPECT_EQ(p.UninstallTCPIP(0), 0);
    EXPECT_EQ(Diff(before), "REGEDIT4\r\n\r\n");
}

}  // namespace
