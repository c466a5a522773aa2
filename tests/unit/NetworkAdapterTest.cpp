// The adapter table: discovery on the three platforms, the read rules and
// the edits with their marks. Each test builds a small machine of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "NetworkAdapter/NetworkAdapter.h"
#include "Orvane.h"
#include "TestMachines.h"

namespace {

const char kCards[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
const char kServices[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\";

class AdapterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_scratch.Entered());
        sim::Reset();
    }
    void TearDown() override { ExpectNothingLeft(); }
    std::unique_ptr<CNetworkAdapter> Load(sim::Platform platform, const std::string& reg) {
        sim::SetPlatform(platform);
        const sim::RegImportResult r = sim::ImportReg("REGEDIT4\n\n" + reg);
        EXPECT_TRUE(r.ok) << r.line << ": " << r.error;
        return std::make_unique<CNetworkAdapter>();
    }
    bool Dumped() const { return access("ADAPTER-DUMP.TXT", F_OK) == 0; }

    // A Windows 2000 card 1 (service A) and `reg`.
    std::unique_ptr<CNetworkAdapter> Load2000(const std::string& reg) {
        return Load(sim::Platform::Win2000, std::string("[") + kCards + "\\1]\n\"ServiceName\"=\"A\"\n\n" + reg);
    }
    // The same with DNS on, written once so that nothing is marked.
    std::unique_ptr<CNetworkAdapter> Written2000();
    ScratchDir m_scratch;
};

std::string Text(const char* s) { return s ? s : "(none)"; }

// ---- Windows 95/98 ------------------------------------------------------------------

TEST_F(AdapterTest, Win98AdapterIsAKeyWhoseClassIsNetInAnyCase) {
    struct Case {
        const char* value;
        DWORD expected;
    } cases[] = {{"\"Class\"=\"Net\"", 1}, {"\"Class\"=\"nET\"", 1}, {"\"Class\"=\"Network\"", 0},
                 {"\"class\"=\"Net\"", 0}, {"\"Class\"=hex:4e,65,74,00", 0}, {"\"Class\"=\"Net \"", 0},
                 {"\"Class\"=hex(2):4e,45,54,00", 1}, {"\"Class\"=hex(1):6e,65,74", 1},  // no terminator
                 {"\"Class\"=hex(1):4e,65,74,00,58,00", 1}, {"\"Class\"=hex(1):4e,65", 0}};
    for (const Case& c : cases) {
        sim::Reset();
        auto t = Load(sim::Platform::Win98, std::string("[HKEY_LOCAL_MACHINE\\Enum\\Root\\Net\\0000]\n") + c.value +
                                                "\n\"DeviceDesc\"=\"Dial-Up\"\n\n");
        EXPECT_EQ(t->AdapterCount(), c.expected) << c.value;
    }
}

TEST_F(AdapterTest, Win98BindingsNeedTheirPrefixExactlyAndSomethingAfterIt) {
    struct Case {
        const char* bindings;
        int tcpip, netbeui, nwip;
    } cases[] = {
        {"\"MSTCP\\\\0003\"=\"\"\n\"NETBEUI\\\\0001\"=\"\"", 1, 1, 0},
        {"\"MSTCP\\\\\"=\"\"", 0, 0, 0},
        {"\"mstcp\\\\0003\"=\"\"", 0, 0, 0},
        {"\"FWTDI\\\\0003\"=\"\"", 1, 0, 0},
        {"\"NWIP\\\\0001\"=\"\"", 0, 0, 1},
        {"\"MSTCP\\\\0009\"=\"\"", 0, 0, 0},  // instance without "Driver"
    };
    for (const Case& c : cases) {
        sim::Reset();
        auto t = Load(sim::Platform::Win98, std::string("[HKEY_LOCAL_MACHINE\\Enum\\PCI\\A]\n\"Class\"=\"Net\"\n\n"
                                                        "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\A\\Bindings]\n") +
                                                c.bindings +
                                                "\n\n[HKEY_LOCAL_MACHINE\\Enum\\Network\\MSTCP\\0003]\n"
                                                "\"Driver\"=\"NetTrans\\\\0003\"\n\n"
                                                "[HKEY_LOCAL_MACHINE\\Enum\\Network\\FWTDI\\0003]\n"
                                                "\"Driver\"=\"NetTrans\\\\0007\"\n\n"
                                                "[HKEY_LOCAL_MACHINE\\Enum\\Network\\NWIP\\0001]\n"
                                                "\"Driver\"=\"NetTrans\\\\0005\"\n\n");
        ASSERT_EQ(t->AdapterCount(), 1u);
        SCOPED_TRACE(c.bindings);
        EXPECT_EQ(t->GetTCPIP(0), c.tcpip);
        EXPECT_EQ(t->GetNETBEUI(0), c.netbeui);
        EXPECT_EQ(t->Record(0)->bNWIP, c.nwip);
        EXPECT_EQ(std::string(t->Record(0)->AdapterNWIPRgy).empty(), c.nwip == 0);
        // No TCP/IP: no slot is readable and nothing is dumped.
        if (!c.tcpip) {
            EXPECT_EQ(t->GetIpAddress(0, 0), nullptr);
            EXPECT_EQ(t->Record(0)->bDHCPWINS, 0);  // its settings are not even read
        }
    }
    EXPECT_FALSE(Dumped());
}

TEST_F(AdapterTest, Win98DhcpWinsOnlyWhenNothingSaysOtherwise) {
    struct Case {
        const char* values;  // of the TCP/IP key; "@scope": a NetBIOS scope in MSTCP instead
        bool perAdapterWins;
        int expected;
    } cases[] = {
        {"", true, 1},
        {"\"NodeType\"=\"1\"", true, 0},
        {"\"NameServer2\"=\"\"", true, 0},
        {"\"NameServer1\"=\"1.2.3.4\"", true, 0},
        {"@scope", true, 0},
        {"", false, 0},
        {"\"NameServer1\"=\"1.2.3.4\"", false, 0},
    };
    for (const Case& c : cases) {
        sim::Reset();
        if (!c.perAdapterWins) {
            // A dial-up library older than build 1903 and Winsock 1.1.
            sim::SetFileVersion("C:\\WINDOWS\\System\\rasapi32.dll", 4, 0, 0, 950);
            sim::SetWinsockHighVersion(0x0101);
        }
        const std::string values = c.values;
        const bool scope = values == "@scope";
        auto t = Load(sim::Platform::Win98,
                      Card98(0, "Card", scope ? "" : values) +
                          (scope ? "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP]\n"
                                   "\"ScopeID\"=\"\"\n\n"
                                 : ""));
        SCOPED_TRACE(values + (c.perAdapterWins ? " per adapter" : " global"));
        EXPECT_EQ(t->GetAdapterWINS(), c.perAdapterWins ? 1 : 0);
        EXPECT_EQ(t->GetDHCPWINS(0), c.expected);
        // Where WINS is not kept per adapter the servers are not even read.
        const bool server = values.find("1.2.3.4") != std::string::npos && c.perAdapterWins;
        EXPECT_STREQ(t->Record(0)->NameServer1, server ? "1.2.3.4" : "");
        EXPECT_EQ(t->GetNameServer1(0) != nullptr, c.perAdapterWins);
    }
}

TEST_F(AdapterTest, Win98EnabledStateFromTheCurrentConfiguration) {
    struct Case {
        const char* flags;
        int enabled;
    } cases[] = {{"hex:01,00,00,00", 0}, {"hex:00,00,00,00", 1}, {"hex:02,00,00,00", 1},
                 {"hex:01,00", 1},        {"dword:00000001", 1},  {nullptr, 1}};
    for (const Case& c : cases) {
        sim::Reset();
        std::string reg = Card98(0, "Card");
        if (c.flags) reg += std::string("[HKEY_CURRENT_CONFIG\\Enum\\PCI\\CARD0]\n\"CSConfigFlags\"=") + c.flags + "\n\n";
        EXPECT_EQ(Load(sim::Platform::Win98, reg)->GetEnabled(0), c.enabled) << (c.flags ? c.flags : "none");
    }
}

TEST_F(AdapterTest, Win98CutsLongNamesAndKeepsNoNameWithoutDescription) {
    auto t = Load(sim::Platform::Win98, Card98(0, std::string(300, 'N')) + Card98(1, "B") + Card98(2, "C") +
                                            "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\CARD1]\n\"DeviceDesc\"=-\n\n");
    ASSERT_EQ(t->AdapterCount(), 3u);
    EXPECT_EQ(Text(t->GetName(0)), std::string(255, 'N'));
    EXPECT_EQ(Text(t->GetName(1)), "");  // whatever the adapter before it had
    EXPECT_EQ(Text(t->GetName(2)), "C");
}

// ---- Windows NT 4.0 and Windows 2000 ------------------------------------------------

std::string CardNT(int n, const std::string& service, const std::string& extra = "") {
    return std::string("[") + kCards + "\\" + std::to_string(n) + "]\n\"ServiceName\"=\"" + service +
           "\"\n\"Description\"=\"Card " + service + "\"\n\"ProductName\"=\"" + service + "Drv\"\n" + extra + "\n\n";
}

TEST_F(AdapterTest, NT4CardsHiddenStartNetBeuiAndWins) {
    const std::string svc = std::string("[") + kServices;
    auto t = Load(sim::Platform::NT4,
                  CardNT(1, "E100B1") + CardNT(2, "Hid", "\"Hidden\"=dword:00000001") +
                      CardNT(3, "Shown", "\"Hidden\"=dword:00000000") + CardNT(4, "NoTcp") +
                      CardNT(5, std::string(256, 'S')) +  // a service name too long for its field
                      svc + "E100B1\\Parameters\\Tcpip]\n\"IPAddress\"=" + MultiSz({"1.2.3.4"}) + "\n\n" + svc +
                      "Shown\\Parameters\\Tcpip]\n\"IPAddress\"=" + MultiSz({}) + "\n\n" + svc +
                      "NetBT\\Adapters\\E100B1]\n\"NameServer\"=\"10.0.0.5\"\n\n" + svc + "Nbf\\Linkage]\n\"Bind\"=" +
                      MultiSz({"\\Device\\NbfE100B10"}) + "\n\n" + svc + "E100B1Drv]\n\"Start\"=dword:00000002\n\n" +
                      svc + "ShownDrv]\n\"Start\"=dword:00000003\n\n");
    ASSERT_EQ(t->AdapterCount(), 3u);
    EXPECT_EQ(Text(t->GetName(1)), "Card Shown");
    EXPECT_STREQ(t->Record(1)->AdapterRootService, "ShownDrv");
    EXPECT_EQ(t->GetTCPIP(1), 1);  // the settings key exists, with an empty list
    EXPECT_EQ(t->GetTCPIP(2), 0);  // no settings key
    EXPECT_EQ(t->GetNETBEUI(0), 1);  // NbfE100B10 contains E100B1
    EXPECT_EQ(t->GetNETBEUI(1), 0);
    EXPECT_EQ(t->GetWINSEnable(0), 1);
    EXPECT_EQ(Text(t->GetNameServer2(0)), "");
    EXPECT_EQ(t->GetEnabled(0) * 100 + t->GetEnabled(1) * 10 + t->GetEnabled(2), 100);
    EXPECT_EQ(t->Record(1)->bWriteNeeded, FALSE);
}

TEST_F(AdapterTest, NT4WalksNetworkCardsEvenWhenEmpty) {
    auto t = Load(sim::Platform::NT4, std::string("[") + kCards + "]\n\n" +
                                          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\"
                                          "NetworkCard\\1]\n\"ServiceName\"=\"X\"\n\n");
    EXPECT_EQ(t->AdapterCount(), 0u);
}

std::string Interface2000(const std::string& service, const std::string& extra) {
    return std::string("[") + kServices + "Tcpip\\Parameters\\Adapters\\" + service + "]\n\"IpConfig\"=" +
           MultiSz({"Tcpip\\Parameters\\Interfaces\\" + service}) + "\n\n[" + kServices +
           "Tcpip\\Parameters\\Interfaces\\" + service + "]\n\"IPAddress\"=" + MultiSz({"1.1.1.1"}) + "\n" + extra +
           "\n\n";
}

TEST_F(AdapterTest, Win2000WinsListOptionsAndTheSingularCardKey) {
    const std::string netbt = std::string("[") + kServices + "NetBT\\Parameters\\Interfaces\\Tcpip_";
    auto t = Load(sim::Platform::Win2000,
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCard\\1]\n"
                  "\"ServiceName\"=\"A\"\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCard\\2]\n"
                  "\"ServiceName\"=\"B\"\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCard\\3]\n"
                  "\"ServiceName\"=\"NoIpConfig\"\n\n" +
                      Interface2000("A", "\"NameServer\"=\"1.0.0.1,1.0.0.2\"") +
                      Interface2000("B", "\"NameServer\"=\"\"") + netbt +
                      "A]\n\"NameServerList\"=" + MultiSz({"1", "2"}) + "\n\"NetbiosOptions\"=dword:00000001\n\n" +
                      netbt + "B]\n\"NetbiosOptions\"=dword:00000002\n\n");
    ASSERT_EQ(t->AdapterCount(), 2u);
    EXPECT_EQ(Text(t->GetNameServer1(0)) + Text(t->GetNameServer2(0)), "12");
    EXPECT_EQ(t->GetDHCPWINS(0) * 10 + t->GetDHCPWINS(1), 1);
    EXPECT_EQ(t->GetDNSCount(0) * 10 + t->GetDNSCount(1), 20);
    EXPECT_EQ(t->GetDNSEnable(1), 0);
    DWORD reason = 0;
    ASSERT_EQ(t->GetRebootNeeded(&reason), 1);
    EXPECT_EQ(reason, DWORD(ORVANE_CHANGE_NODE_TYPE | ORVANE_CHANGE_WINS));
}

// ---- Read rules -----------------------------------------------------------------------

TEST_F(AdapterTest, SlotsStopAtTheFirstEmptyOneAndOnlyTheAddressGetterDumps) {
    auto t = Load(sim::Platform::Win98, Card98(0, "Card", "\"IPAddress\"=\"1.1.1.1,,3.3.3.3\"") + Card98(1, "Empty") +
                                            Card98(2, "Empty too"));
    EXPECT_EQ(t->GetIpAddressCount(0), 1u);
    EXPECT_EQ(t->GetIpMask(0, 1), nullptr);
    EXPECT_EQ(t->GetGateway(0, 0), nullptr);
    EXPECT_EQ(t->GetDNSNameServer(0, 0), nullptr);
    EXPECT_TRUE(sim::Commands().empty());
    EXPECT_FALSE(Dumped());
    EXPECT_EQ(t->GetIpAddress(0, 2), nullptr);
    EXPECT_TRUE(Dumped());
    // The DHCP question of an adapter with TCP/IP and no address dumps too.
    EXPECT_EQ(t->GetDHCP(1), 0);
    EXPECT_EQ(sim::Commands().size(), 2u);
    // Switching such an adapter to DHCP asks for the count first: no dump.
    t->SetDHCP(2);
    EXPECT_EQ(t->GetDHCP(2), 1);
    EXPECT_EQ(sim::Commands().size(), 2u);
}

// ---- Edits and marks -------------------------------------------------------------------

struct EditPlatform {
    sim::Platform platform;
    bool restart;  // address changes need a restart
};
void PrintTo(const EditPlatform& p, std::ostream* os) { *os << sim::PlatformName(p.platform); }

class AdapterEdits : public AdapterTest, public ::testing::WithParamInterface<EditPlatform> {
protected:
    std::unique_ptr<CNetworkAdapter> LoadPlain() {
        const std::string machine = GetParam().platform == sim::Platform::Win98 ? "/examples/win98.reg"
                                    : GetParam().platform == sim::Platform::NT4 ? "/examples/nt4.reg"
                                                                                : "/examples/win2000.reg";
        EXPECT_TRUE(sim::ImportRegFile(ORVANE_SOURCE_DIR + machine).ok);
        return Load(GetParam().platform, "");
    }
};

TEST_P(AdapterEdits, AddressSlotsAcceptFifteenCharactersAndMarkPerPlatform) {
    auto t = LoadPlain();
    const DWORD before = t->Record(1)->bRebootNeeded;
    t->SetIpAddress(1, 0, "0.0.0.0");  // the value held
    t->SetIpAddress(1, 1, "1234567890123456");
    t->SetIpAddress(1, 10, "1.2.3.4");
    t->SetIpAddress(2, 0, "1.2.3.4");  // no such adapter on the NT samples
    t->SetIpAddress(1, 0, nullptr);
    EXPECT_EQ(t->Record(1)->bWriteNeeded, FALSE);
    t->SetIpMask(1, 0, "255.255.255.255");
    EXPECT_STREQ(t->Record(1)->IpMask[0], "255.255.255.255");
    EXPECT_EQ(t->Record(1)->bWriteNeeded, TRUE);
    EXPECT_EQ(t->Record(1)->bRebootNeeded, GetParam().restart ? TRUE : before);
    t->SetGateway(1, 3, "10.0.0.1");  // stored, but not counted behind empty slots
    EXPECT_STREQ(t->Record(1)->Gateway[3], "10.0.0.1");
    EXPECT_EQ(t->GetGatewayCount(1), 0u);
    DWORD reason = 0xdeadbeef;
    if (GetParam().restart) {
        EXPECT_EQ(t->GetRebootNeeded(&reason), 1);
        EXPECT_EQ(reason & (ORVANE_CHANGE_IP_MASK | ORVANE_CHANGE_GATEWAY),
                  DWORD(ORVANE_CHANGE_IP_MASK | ORVANE_CHANGE_GATEWAY));
    }
}

TEST_P(AdapterEdits, DhcpChangesSlotZeroOnlyAndNothingWhenAlreadyOn) {
    auto t = LoadPlain();
    DWORD reason = 0;
    const int rebootBefore = t->GetRebootNeeded(&reason);
    const DWORD maskBefore = rebootBefore ? reason : 0;
    t->SetDHCP(1);  // on DHCP already
    EXPECT_EQ(t->Record(1)->bWriteNeeded, FALSE);
    reason = 0;
    EXPECT_EQ(t->GetRebootNeeded(&reason), rebootBefore);
    EXPECT_EQ(rebootBefore ? reason : 0, maskBefore);

    t->SetDHCP(0);
    EXPECT_EQ(Text(t->GetIpAddress(0, 0)) + " " + Text(t->GetIpMask(0, 0)), "0.0.0.0 0.0.0.0");
    EXPECT_EQ(t->GetIpAddressCount(0), 2u);
    EXPECT_EQ(t->GetDHCP(0), 1);
    // Windows 2000 needs no restart for it, yet the kinds of change are kept.
    t->SetEnabled(1, t->GetEnabled(1) ? 0 : 1);
    ASSERT_EQ(t->GetRebootNeeded(&reason), 1);
    EXPECT_EQ(reason & 7u, 7u);
}

TEST_P(AdapterEdits, FlagsMarkOnChangeButAlwaysRecordTheKind) {
    auto t = LoadPlain();
    t->SetEnabled(1, DWORD(t->GetEnabled(1)));
    t->SetDHCPWINS(1, DWORD(t->GetDHCPWINS(1)));
    EXPECT_EQ(t->Record(1)->bWriteNeeded + t->Record(1)->bRebootNeeded, 0);
    t->SetEnabled(1, 7);
    EXPECT_EQ(t->GetEnabled(1), 7);
    DWORD reason = 0;
    ASSERT_EQ(t->GetRebootNeeded(&reason), 1);
    EXPECT_EQ(reason & (ORVANE_CHANGE_ENABLED | ORVANE_CHANGE_WINS), DWORD(ORVANE_CHANGE_ENABLED | ORVANE_CHANGE_WINS));
}

TEST_P(AdapterEdits, WinsSwitchGoesThroughTheNodeType) {
    auto t = LoadPlain();
    // Adapter 0 of every sample uses WINS.
    ASSERT_EQ(t->GetWINSEnable(0), 1);
    t->SetWINSEnable(0, 2);  // differs from 1: marked, node type unchanged
    EXPECT_STREQ(t->Record(0)->NodeType, "8");
    EXPECT_EQ(t->Record(0)->bWriteNeeded, TRUE);
    t->SetWINSEnable(0, 0);
    EXPECT_STREQ(t->Record(0)->NodeType, "1");
    EXPECT_EQ(t->Record(0)->bRebootNeeded, TRUE);  // through the node type, even on Windows 2000
    t->SetNameServer1(1, "10.9.9.9");
    t->SetNameServer2(1, "1234567890123456");
    EXPECT_STREQ(t->Record(1)->NameServer1, "10.9.9.9");
    EXPECT_STREQ(t->Record(1)->NameServer2, "");
}

INSTANTIATE_TEST_SUITE_P(Platforms, AdapterEdits,
                         ::testing::Values(EditPlatform{sim::Platform::Win98, true}, EditPlatform{sim::Platform::NT4, true},
                                           EditPlatform{sim::Platform::Win2000, false}),
                         [](const ::testing::TestParamInfo<EditPlatform>& info) {
                             return std::string(sim::PlatformName(info.param.platform));
                         });

// ---- Marks of the edits, per platform ------------------------------------------------

// The loader's own DNS mark is written away first.
std::unique_ptr<CNetworkAdapter> AdapterTest::Written2000() {
    auto t = Load2000(Interface2000("A", "\"NameServer\"=\"1.0.0.1\""));
    EXPECT_EQ(t->WriteData(), 1);
    EXPECT_EQ(t->GetWriteNeeded(), 0);
    return t;
}

TEST_F(AdapterTest, EditsMarkOnlyWhatTheyChangeAndRecordTheirKind) {
    typedef void (*Edit)(CNetworkAdapter&);
    struct Case {
        const char* what;
        sim::Platform platform;
        Edit edit;
        int write, reboot;
        DWORD reason;  // when reboot is 1
    } cases[] = {
        {"name server: no restart", sim::Platform::Win98, [](CNetworkAdapter& t) { t.SetNameServer1(0, "1.1.1.1"); },
         1, 0, 0},
        {"WINS on, 98", sim::Platform::Win98, [](CNetworkAdapter& t) { t.SetWINSEnable(0, 1); }, 1, 1,
         ORVANE_CHANGE_NODE_TYPE | ORVANE_CHANGE_WINS},
        {"WINS on, 2000: the node type alone", sim::Platform::Win2000,
         [](CNetworkAdapter& t) { t.SetWINSEnable(0, 1); }, 1, 1, ORVANE_CHANGE_NODE_TYPE},
        {"DNS 2 while on, 2000", sim::Platform::Win2000, [](CNetworkAdapter& t) { t.SetDNSEnable(0, 2); }, 1, 0, 0},
        {"DNS 1 while on, 2000", sim::Platform::Win2000, [](CNetworkAdapter& t) { t.SetDNSEnable(0, 1); }, 0, 0, 0},
        {"empty DNS slot emptied, 2000", sim::Platform::Win2000,
         [](CNetworkAdapter& t) { t.SetDNSNameServer(0, 5, ""); }, 1, 0, 0},
        {"same DNS server, 2000", sim::Platform::Win2000,
         [](CNetworkAdapter& t) { t.SetDNSNameServer(0, 0, "1.0.0.1"); }, 0, 0, 0},
        {"address of an adapter without TCP/IP", sim::Platform::Win98,
         [](CNetworkAdapter& t) { t.SetIpAddress(1, 0, "1.2.3.4"); }, 1, 1, ORVANE_CHANGE_IP_ADDRESS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        std::unique_ptr<CNetworkAdapter> t;
        if (c.platform == sim::Platform::Win2000) {
            t = Written2000();
        } else {
            t = Load(c.platform, Card98(0, "Card", "\"IPAddress\"=\"10.0.0.1\"\n\"NodeType\"=\"1\"") +
                                     "[HKEY_LOCAL_MACHINE\\Enum\\Root\\Net\\0000]\n\"Class\"=\"Net\"\n\n");
        }
        ASSERT_EQ(t->GetWriteNeeded(), 0);
        ASSERT_EQ(t->GetRebootNeeded(nullptr), 0);
        c.edit(*t);
        EXPECT_EQ(t->GetWriteNeeded(), c.write);
        DWORD reason = 0xdeadbeef;
        EXPECT_EQ(t->GetRebootNeeded(&reason), c.reboot);
        EXPECT_EQ(reason, c.reboot ? c.reason : 0xdeadbeefu);
        EXPECT_EQ(t->GetRebootNeeded(nullptr), c.reboot);
    }
    // The edit stored the address, but an adapter without TCP/IP counts and
    // shows none, and asking for it writes no dump.
    sim::Reset();
    auto t = Load(sim::Platform::Win98, "[HKEY_LOCAL_MACHINE\\Enum\\Root\\Net\\0000]\n\"Class\"=\"Net\"\n\n");
    t->SetIpAddress(0, 0, "1.2.3.4");
    EXPECT_STREQ(t->Record(0)->IpAddress[0], "1.2.3.4");
    EXPECT_EQ(t->GetIpAddressCount(0), 0u);
    EXPECT_EQ(t->GetIpAddress(0, 0), nullptr);
    EXPECT_FALSE(Dumped());
}

TEST_F(AdapterTest, Win98SeventeenthAdapterIsIgnored) {
    std::string reg;
    for (int n = 0; n < 17; ++n) reg += Card98(n, "Net " + std::to_string(n));
    auto t = Load(sim::Platform::Win98, reg);
    ASSERT_EQ(t->AdapterCount(), 16u);
    EXPECT_EQ(t->GetName(16), nullptr);
}

// A firewall adapter without a code collects every name but removes no card.
TEST_F(AdapterTest, Win98FirewallFoldingMovesTheRestDown) {
    auto t = Load(sim::Platform::Win98, Card98(0, "A", "\"FWCODE\"=\"X\"") + Card98(1, "B") +
                                            Card98(2, "FW1 Adapter", "\"FWCODE\"=\"X\"") + Card98(3, "C"));
    ASSERT_EQ(t->AdapterCount(), 3u);
    EXPECT_EQ(Text(t->GetName(0)) + "|" + Text(t->GetName(1)) + "|" + Text(t->GetName(2)),
              "B|FW1 Adapter (A)|C");
    EXPECT_EQ(t->Record(3)->dwDataVersion, 0u);  // the freed place is cleared whole
    sim::Reset();
    t = Load(sim::Platform::Win98, Card98(0, "A") + Card98(1, "FW1 Adapter") + Card98(2, "B"));
    ASSERT_EQ(t->AdapterCount(), 3u);
    EXPECT_EQ(Text(t->GetName(1)), "FW1 Adapter (A) (B)");
}

}  // namespace
