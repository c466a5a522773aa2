// Adapter write-back, the DHCP client notification and the dump file, on
// the sample machines with a few edits each.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "NetworkAdapter/NetworkAdapter.h"
#include "Orvane.h"
#include "Registry.h"
#include "TestMachines.h"

namespace {

const char kTcp98[] = "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000";
const char kTcp98b[] = "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0001";
const char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";

std::string Str(const char* key, const char* name, HKEY root = HKEY_LOCAL_MACHINE) {
    std::string text = "(missing)";
    CRegistry(root).GetString(key, name, text);
    return text;
}

class AdapterWriteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_scratch.Entered()); }
    void TearDown() override { ExpectNothingLeft(); }
    std::unique_ptr<CNetworkAdapter> Sample(const char* file, sim::Platform platform) {
        EXPECT_TRUE(LoadTestMachine({file, std::string(ORVANE_SOURCE_DIR "/examples/") + file, platform}));
        return std::make_unique<CNetworkAdapter>();
    }
    ScratchDir m_scratch;
};

TEST_F(AdapterWriteTest, Win98WritesCommaListsWinsAndProfileAndReadsBackTheSame) {
    auto t = Sample("win98.reg", sim::Platform::Win98);
    t->SetIpAddress(0, 0, "10.1.2.3");
    t->SetGateway(0, 1, "10.1.2.254");
    t->SetEnabled(1, 0);
    ASSERT_EQ(t->WriteData(), 1);
    EXPECT_EQ(t->GetWriteNeeded(), 0);
    EXPECT_EQ(t->GetRebootNeeded(nullptr), 1);  // restart marks outlive the write
    EXPECT_EQ(Str(kTcp98, "IPAddress"), "10.1.2.3,10.10.1.20");
    EXPECT_EQ(Str(kTcp98, "IPMask"), "255.255.255.0,255.255.0.0");
    EXPECT_EQ(Str(kTcp98, "DefaultGateway"), "192.168.1.1,10.1.2.254");
    EXPECT_EQ(Str(kTcp98, "NodeType"), "8");
    // Adapter 0 keeps WINS of its own, so a NetBIOS scope must exist; adapter
    // 1 takes WINS from DHCP, so its WINS values go (adapter 1 is written last).
    EXPECT_EQ(Str(kMstcp, "ScopeID"), "(missing)");
    EXPECT_EQ(Str(kTcp98b, "NodeType"), "(missing)");
    CNetworkAdapter again;
    EXPECT_EQ(again.GetGatewayCount(0), 2u);
    EXPECT_STREQ(again.GetIpAddress(0, 0), "10.1.2.3");
    EXPECT_EQ(again.GetEnabled(1), 0);
    EXPECT_EQ(again.GetDHCPWINS(1), 1);
    EXPECT_EQ(again.GetWINSEnable(0), 1);
}

TEST_F(AdapterWriteTest, Win98OnlyTheMarkedAdapterIsWrittenAndItsScopeAppears) {
    auto t = Sample("win98.reg", sim::Platform::Win98);
    t->SetNameServer2(0, "");
    ASSERT_EQ(t->WriteData(), 1);
    EXPECT_EQ(Str(kTcp98, "NameServer2"), "(missing)");
    EXPECT_EQ(Str(kMstcp, "ScopeID"), "");
    // With a scope present the DHCP adapters no longer read WINS from DHCP.
    EXPECT_EQ(CNetworkAdapter().GetDHCPWINS(1), 0);
}

TEST_F(AdapterWriteTest, UnmarkedSkippedAndProtocolLessRecordsAreNotWrittenButLoseTheirMarks) {
    auto t = Sample("win98.reg", sim::Platform::Win98);
    sim::RegSnapshot before = sim::TakeSnapshot();
    EXPECT_EQ(t->WriteData(), 1);  // nothing marked
    EXPECT_EQ(sim::DiffReg(before, sim::RegFormat::Regedit4), "REGEDIT4\r\n\r\n");
    t->SetIpAddress(0, 0, "10.1.2.3");
    t->SetIpAddress(1, 0, "10.7.7.7");
    const DWORD skip[3] = {1, 0, 0};
    ASSERT_EQ(t->WriteData(skip), 1);
    EXPECT_EQ(Str(kTcp98, "IPAddress"), "192.168.1.20,10.10.1.20");
    EXPECT_EQ(Str(kTcp98b, "IPAddress"), "10.7.7.7");
    EXPECT_EQ(t->GetWriteNeeded(), 0);

    sim::Reset();
    ASSERT_TRUE(sim::ImportReg("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Enum\\Root\\Net\\0000]\n\"Class\"=\"Net\"\n\n").ok);
    CNetworkAdapter bare;
    bare.SetEnabled(0, 0);
    before = sim::TakeSnapshot();
    EXPECT_EQ(bare.WriteData(), 1);
    EXPECT_EQ(bare.GetWriteNeeded(), 0);
    EXPECT_EQ(sim::DiffReg(before, sim::RegFormat::Regedit4), "REGEDIT4\r\n\r\n");
}

TEST_F(AdapterWriteTest, NotificationNeedsNTTheClientAndAServiceNameThatFits) {
    struct Case {
        const char* what;
        size_t serviceLength;
        void (*prepare)();
        int expected;
        size_t calls;
    } cases[] = {
        {"accepted", 127, [] {}, 1, 1},
        {"name too long", 128, [] {}, 0, 0},
        {"refused", 4, [] { sim::SetDhcpNotifyResult(87); }, 0, 1},
        {"no client", 4, [] { sim::RemoveModule("DHCPCSVC.DLL"); }, 0, 0},
        {"no entry", 4, [] { sim::RemoveFunction("DHCPCSVC.DLL", "DhcpNotifyConfigChange"); }, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        sim::SetPlatform(sim::Platform::NT4);
        const std::string service(c.serviceLength, '\xE9');  // widened byte by byte: U+00E9
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\"
                                   "NetworkCards\\1]\n\"ServiceName\"=\"" + service + "\"\n\n")
                        .ok);
        CNetworkAdapter t;
        ASSERT_EQ(t.AdapterCount(), 1u);
        c.prepare();
        EXPECT_EQ(t.NotifyDhcpClient("10.0.0.1", "255.0.0.0", 0), c.expected);
        EXPECT_EQ(t.NotifyDhcpClient("10.0.0.1", "255.255.255.255", 0), 0);
        ASSERT_EQ(sim::DhcpNotifications().size(), c.calls);
        if (c.calls) {
            EXPECT_EQ(sim::DhcpNotifications()[0].adapter, service);
        }
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
    // Windows 98 has no DHCP client to tell.
    auto t = Sample("win98.reg", sim::Platform::Win98);
    EXPECT_EQ(t->NotifyDhcpClient("10.0.0.1", "255.0.0.0", 0), 0);
    EXPECT_EQ(t->NotifyDhcpClient("10.0.0.1", "255.0.0.0", 3), 0);
    EXPECT_TRUE(sim::DhcpNotifications().empty());
}

TEST_F(AdapterWriteTest, DumpThatCannotBeWrittenShowsTheMessageAndStartsNothing) {
    auto t = Sample("win98.reg", sim::Platform::Win98);
    ASSERT_EQ(mkdir("ADAPTER-DUMP.TXT", 0755), 0);  // a directory cannot be opened as the file
    EXPECT_EQ(t->GetIpAddress(0, 5), nullptr);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "Error trying to open file in CNetworkAdapter::DumpAdapter()");
    EXPECT_TRUE(sim::Commands().empty());
}

// ---- WINS, enabled state and DHCP on each platform ------------------------------------

const char kCard1[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\1";
const char kNetBT4[] = "System\\CurrentControlSet\\Services\\NetBT\\Adapters\\E100B1";
const char kTcpNT4[] = "System\\CurrentControlSet\\Services\\E100B1\\Parameters\\Tcpip";

std::string Dword(const char* key, const char* name) {
    DWORD n = 0;
    return CRegistry(HKEY_LOCAL_MACHINE).GetDword(key, name, n) ? std::to_string(n) : "(missing)";
}

// An NT 4.0 card (service E100B1, driver E100B1Drv) with one address, its
// NetBT key holding `netbt` (.reg lines) and the driver started `start`.
std::string Nt4Machine(const std::string& address, const std::string& netbt, const char* start = "00000002") {
    return std::string("REGEDIT4\n\n[") + kCard1 + "]\n\"ServiceName\"=\"E100B1\"\n\"ProductName\"=\"E100B1Drv\"\n\n" +
           "[HKEY_LOCAL_MACHINE\\" + kTcpNT4 + "]\n\"IPAddress\"=" + MultiSz({address}) + "\n\"SubnetMask\"=" +
           MultiSz({"255.0.0.0"}) + "\n\n[HKEY_LOCAL_MACHINE\\" + kNetBT4 + "]\n" + netbt +
           "\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\E100B1Drv]\n\"Start\"=dword:" + start +
           "\n\n";
}

// NT 4.0 keeps a primary and a backup WINS server per adapter; either one
// alone means WINS is in use, is read into its own field and written back
// beside the other (empty) one.
TEST_F(AdapterWriteTest, NT4WinsServersEitherOneAloneLoadAndWriteBack) {
    struct Case {
        const char* what;
        const char* netbt;
        const char* ns1;
        const char* ns2;
        int wins;            // after loading
        bool switchOff;      // SetWINSEnable(0, 0) before writing
        const char* stored;  // "NameServer|NameServerBackup" after the write
    } cases[] = {
        {"primary only", "\"NameServer\"=\"10.0.0.5\"", "10.0.0.5", "", 1, false, "10.0.0.5|"},
        {"backup only", "\"NameServerBackup\"=\"10.0.0.6\"", "", "10.0.0.6", 1, false, "|10.0.0.6"},
        {"both", "\"NameServer\"=\"10.0.0.5\"\n\"NameServerBackup\"=\"10.0.0.6\"", "10.0.0.5", "10.0.0.6", 1, false,
         "10.0.0.5|10.0.0.6"},
        {"backup only, switched off", "\"NameServerBackup\"=\"10.0.0.6\"", "", "10.0.0.6", 1, true,
         "(missing)|(missing)"},
        {"none", "", "", "", 0, false, "(missing)|(missing)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        sim::SetPlatform(sim::Platform::NT4);
        ASSERT_TRUE(sim::ImportReg(Nt4Machine("10.1.1.1", c.netbt)).ok);
        CNetworkAdapter t;
        ASSERT_EQ(t.AdapterCount(), 1u);
        EXPECT_STREQ(t.GetNameServer1(0), c.ns1);
        EXPECT_STREQ(t.GetNameServer2(0), c.ns2);
        EXPECT_EQ(t.GetWINSEnable(0), c.wins);
        // Finding a server is an edit: marked for writing and a restart.
        EXPECT_EQ(t.GetWriteNeeded(), c.wins);
        DWORD reason = 0;
        EXPECT_EQ(t.GetRebootNeeded(&reason), c.wins);
        EXPECT_EQ(reason, c.wins ? DWORD(ORVANE_CHANGE_NODE_TYPE | ORVANE_CHANGE_WINS) : 0u);
        if (c.switchOff) t.SetWINSEnable(0, 0);
        t.SetGateway(0, 0, "10.0.0.1");  // something to write in every case
        ASSERT_EQ(t.WriteData(), 1);
        EXPECT_EQ(Str(kNetBT4, "NameServer") + "|" + Str(kNetBT4, "NameServerBackup"), c.stored);
    }
}

// What the enabled state becomes where each platform keeps it: the driver's
// start type on NT 4.0, the hardware profile on Windows 95/98, nothing on
// Windows 2000.
TEST_F(AdapterWriteTest, EnabledStateIsWrittenWhereEachPlatformKeepsIt) {
    struct Case {
        sim::Platform platform;
        DWORD enabled;
        const char* start;  // "Start" of the driver service afterwards
    } cases[] = {
        {sim::Platform::NT4, 1, "2"}, {sim::Platform::NT4, 0, "4"}, {sim::Platform::NT4, 7, "2"},
        {sim::Platform::Win2000, 0, "3"}, {sim::Platform::Win2000, 1, "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(sim::PlatformName(c.platform)) + " " + std::to_string(c.enabled));
        sim::Reset();
        sim::SetPlatform(c.platform);
        // The same driver key on both; Windows 2000 finds the card through
        // its interface and never reads or writes the driver's start.
        ASSERT_TRUE(sim::ImportReg(Nt4Machine("10.1.1.1", "", "00000003") +
                                   "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\"
                                   "Adapters\\E100B1]\n\"IpConfig\"=" +
                                   MultiSz({"E100B1\\Parameters\\Tcpip"}) + "\n\n")
                        .ok);
        CNetworkAdapter t;
        ASSERT_EQ(t.AdapterCount(), 1u);
        EXPECT_EQ(t.GetEnabled(0), 0);  // start 3 is not automatic; Windows 2000 reads nothing
        t.SetEnabled(0, c.enabled);
        t.SetGateway(0, 0, "10.0.0.1");
        ASSERT_EQ(t.WriteData(), 1);
        EXPECT_EQ(Dword("SYSTEM\\CurrentControlSet\\Services\\E100B1Drv", "Start"), c.start);
        // Windows 2000 has no driver name to form a key with.
        EXPECT_EQ(Dword("SYSTEM\\CurrentControlSet\\Services\\", "Start"), "(missing)");
    }

    const char* kProfile = "Enum\\PCI\\CARD0";
    for (DWORD enabled : {0u, 1u, 7u}) {
        SCOPED_TRACE(enabled);
        sim::Reset();
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\n\n" + Card98(0, "A", "\"IPAddress\"=\"10.1.1.1\"") +
                                   "[HKEY_CURRENT_CONFIG\\Enum\\PCI\\CARD0\\Sub]\n"
                                   "\"CSConfigFlags\"=hex:02,00,00,00\n\n")
                        .ok);
        CNetworkAdapter t;
        t.SetEnabled(0, enabled);
        t.SetGateway(0, 0, "10.0.0.1");
        ASSERT_EQ(t.WriteData(), 1);
        BYTE flags[4] = {};
        const bool written = CRegistry(HKEY_CURRENT_CONFIG).GetBinary(kProfile, "CSConfigFlags", flags, 4);
        EXPECT_EQ(written, enabled == 0);
        if (written) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(flags), 4), std::string("\x01\0\0\0", 4));
        }
        // Enabling removes the adapter's profile key with all below it.
        EXPECT_EQ(sim::KeyExists("HKEY_CURRENT_CONFIG\\Enum\\PCI\\CARD0"), enabled == 0);
    }
}

// Windows 95/98 with WINS kept per adapter: switching WINS off deletes the
// servers and stores node type "1"; WINS goes to DHCP only for a DHCP
// adapter whose WINS is off; otherwise the manual values are made sure of.
TEST_F(AdapterWriteTest, Win98AdapterWinsManualOffOrFromDhcp) {
    struct Case {
        const char* what;
        const char* tcp;  // the adapter's TCP/IP values
        bool scope;       // the machine has a NetBIOS scope
        bool winsOn;
        DWORD dhcpWins;
        const char* expected;  // the adapter's WINS values and the scope afterwards
    } cases[] = {
        {"WINS switched off", "\"IPAddress\"=\"10.1.1.1\"\n\"NodeType\"=\"8\"\n\"NameServer1\"=\"5.5.5.5\"\n"
                              "\"NameServer2\"=\"6.6.6.6\"",
         true, false, 0, "(missing)|(missing)|1|s"},
        {"WINS on", "\"IPAddress\"=\"10.1.1.1\"\n\"NodeType\"=\"1\"\n\"NameServer2\"=\"6.6.6.6\"", true, true, 0,
         "(missing)|6.6.6.6|8|s"},
        {"DHCP WINS while WINS is on stays manual", "\"IPAddress\"=\"0.0.0.0\"\n\"NodeType\"=\"8\"\n"
                                                    "\"NameServer1\"=\"5.5.5.5\"",
         false, true, 1, "5.5.5.5|(missing)|8|"},
        {"DHCP WINS with WINS off on DHCP", "\"IPAddress\"=\"0.0.0.0\"\n\"NodeType\"=\"1\"\n\"NameServer1\"=\"5.5.5.5\"",
         true, false, 1, "(missing)|(missing)|(missing)|(missing)"},
        {"DHCP WINS with a fixed address stays manual", "\"IPAddress\"=\"10.1.1.1\"\n\"NodeType\"=\"1\"", false, false,
         1, "(missing)|(missing)|1|"},
        {"no node type is written as 1", "\"IPAddress\"=\"10.1.1.1\"", true, false, 0, "(missing)|(missing)|1|s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\n\n" + Card98(0, "A", c.tcp) +
                                   (c.scope ? std::string("[HKEY_LOCAL_MACHINE\\") + kMstcp + "]\n\"ScopeID\"=\"s\"\n\n"
                                            : ""))
                        .ok);
        CNetworkAdapter t;
        ASSERT_EQ(t.GetAdapterWINS(), 1);
        t.SetWINSEnable(0, c.winsOn ? 1 : 0);
        t.SetDHCPWINS(0, c.dhcpWins);
        t.SetGateway(0, 0, "10.0.0.1");
        // The node type as held is what the switch compares against.
        EXPECT_EQ(t.GetWINSEnable(0), c.winsOn ? 1 : 0);
        ASSERT_EQ(t.WriteData(), 1);
        EXPECT_EQ(Str(kTcp98, "NameServer1") + "|" + Str(kTcp98, "NameServer2") + "|" + Str(kTcp98, "NodeType") + "|" +
                      Str(kMstcp, "ScopeID"),
                  c.expected);
    }
}

// Where adapters keep no WINS of their own (an old dial-up library and
// Winsock 1.1) the write-back leaves every WINS value alone.
TEST_F(AdapterWriteTest, Win98WithoutAdapterWinsWritesNoWinsValues) {
    sim::Reset();
    sim::SetFileVersion("C:\\WINDOWS\\System\\rasapi32.dll", 4, 0, 0, 950);
    sim::SetWinsockHighVersion(0x0101);
    ASSERT_TRUE(
        sim::ImportReg("REGEDIT4\n\n" + Card98(0, "A", "\"IPAddress\"=\"0.0.0.0\"\n\"NameServer1\"=\"5.5.5.5\"")).ok);
    CNetworkAdapter t;
    ASSERT_EQ(t.GetAdapterWINS(), 0);
    t.SetGateway(0, 0, "10.0.0.1");
    ASSERT_EQ(t.WriteData(), 1);
    EXPECT_EQ(Str(kTcp98, "NameServer1") + "|" + Str(kTcp98, "NodeType") + "|" + Str(kMstcp, "ScopeID"),
              "5.5.5.5|(missing)|(missing)");
    EXPECT_EQ(Str(kTcp98, "DhcpIPAddress"), "(missing)");  // no DHCP values off NT
}

// The DHCP client is told address and mask in that order, and asked to
// enable DHCP exactly when the address (not the mask) is 0.0.0.0; the NT
// write-back also stores the DHCP values and the service start.
TEST_F(AdapterWriteTest, NTDhcpValuesAndTheNotificationFollowTheAddress) {
    struct Case {
        const char* address;
        const char* mask;
        DWORD ip, netmask, action;
        const char* values;  // DhcpIPAddress|DhcpIPSubnetMask|EnableDHCP|DHCP Start
    } cases[] = {
        {"0.0.0.0", "255.0.0.0", 0, 0x000000FF, 1, "0.0.0.0|0.0.0.0|1|2"},
        {"10.0.0.1", "0.0.0.0", 0x0100000A, 0, 0, "(missing)|(missing)|0|4"},
        {"10.0.0.1", "255.255.0.0", 0x0100000A, 0x0000FFFF, 0, "(missing)|(missing)|0|4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.address) + " " + c.mask);
        sim::Reset();
        sim::SetPlatform(sim::Platform::NT4);
        ASSERT_TRUE(sim::ImportReg(Nt4Machine("192.168.1.1", "") + "[HKEY_LOCAL_MACHINE\\" + kTcpNT4 +
                                   "]\n\"DhcpIPAddress\"=\"1.1.1.1\"\n\"DhcpIPSubnetMask\"=\"1.1.1.1\"\n\n")
                        .ok);
        CNetworkAdapter t;
        t.SetIpAddress(0, 0, c.address);
        t.SetIpMask(0, 0, c.mask);
        ASSERT_EQ(t.WriteData(), 1);
        ASSERT_EQ(sim::DhcpNotifications().size(), 1u);
        const sim::DhcpNotification& n = sim::DhcpNotifications()[0];
        EXPECT_EQ(n.adapter, "E100B1");
        EXPECT_EQ(n.ipAddress, c.ip);
        EXPECT_EQ(n.subnetMask, c.netmask);
        EXPECT_EQ(n.action, c.action);
        EXPECT_TRUE(n.serverNull);
        EXPECT_EQ(n.newIpAddress, TRUE);
        EXPECT_EQ(Str(kTcpNT4, "DhcpIPAddress") + "|" + Str(kTcpNT4, "DhcpIPSubnetMask") + "|" +
                      Dword(kTcpNT4, "EnableDHCP") + "|" + Dword("System\\CurrentControlSet\\Services\\DHCP", "Start"),
                  c.values);
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
}

// A line feed inside a field comes out as CR LF, as a text-mode file on
// Windows writes it; a CR LF inside one becomes CR CR LF there too. A dump
// of one record names the problem index given. (The whole file of every
// record is in tests/scenarios/nic/dump-file-win98.)
TEST_F(AdapterWriteTest, DumpOfOneRecordWritesLineFeedsInsideFieldsAsTextModeDoes) {
    sim::Reset();
    ASSERT_TRUE(sim::ImportReg("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Enum\\Root\\Net\\0000]\n\"Class\"=\"Net\"\n\n"
                               "[HKEY_LOCAL_MACHINE\\Enum\\Root\\Net\\0001]\n\"Class\"=\"Net\"\n"
                               "\"DeviceDesc\"=hex(1):4c,69,6e,65,20,31,0a,4c,69,6e,65,20,32,0d,0a,45,6e,64,00\n\n")
                    .ok);
    CNetworkAdapter t;
    ASSERT_EQ(t.AdapterCount(), 2u);
    EXPECT_STREQ(t.GetName(1), "Line 1\nLine 2\r\nEnd");
    t.DumpAdapter(1, 7);
    const std::string dump = FileText("ADAPTER-DUMP.TXT");
    EXPECT_EQ(dump.find("ADAPTER DATA DUMP FILE\r\ndwAdapterCnt = 0x00000002, AdapterCount() = 0x00000002\r\n"
                        "Problem Index = 0x00000007\r\n\r\n**** START DUMP ADAPTER #1 ****\r\n"),
              0u);
    EXPECT_EQ(dump.find("ADAPTER #0"), std::string::npos);
    EXPECT_NE(dump.find("\r\nbDHCPWINS   : FALSE\r\nbEnabled    : TRUE\r\n"), std::string::npos);
    EXPECT_NE(dump.find("\r\nAdapter Name        : Line 1\r\nLine 2\r\r\nEnd\r\nAdapterEnumRgy      : "),
              std::string::npos);
    EXPECT_EQ(dump.substr(dump.size() - 33), "**** END DUMP ADAPTER #1 ****\r\n\r\n");
    // Every line feed of the file follows a CR.
    for (size_t at = dump.find('\n'); at != std::string::npos; at = dump.find('\n', at + 1)) {
        ASSERT_GT(at, 0u);
        EXPECT_EQ(dump[at - 1], '\r') << "at byte " << at;
    }
}

// NT stores the lists as multi-strings under its own names; Windows 2000
// alone has an interface DNS text (empty while DNS is off), a WINS list and
// NetBIOS options.
TEST_F(AdapterWriteTest, NTListsDnsAndWinsListPerVersion) {
    struct Case {
        const char* what;
        sim::Platform platform;
        const char* ns1;
        const char* ns2;
        DWORD wins, dhcpWins, dns;
        const char* winsList;  // the stored bytes, NUL shown as "|"; or "(missing)"
        const char* options;
        const char* dnsText;
    } cases[] = {
        {"2000, both servers", sim::Platform::Win2000, "1.1.1.1", "2.2.2.2", 1, 0, 1, "1.1.1.1|2.2.2.2||", "0",
         "9.9.9.9"},
        {"2000, only the secondary", sim::Platform::Win2000, "", "2.2.2.2", 1, 1, 0, "|2.2.2.2||", "2", ""},
        {"2000, only the primary", sim::Platform::Win2000, "1.1.1.1", "", 1, 0, 1, "1.1.1.1||", "0", "9.9.9.9"},
        {"2000, WINS off", sim::Platform::Win2000, "1.1.1.1", "2.2.2.2", 0, 0, 1, "||", "0", "9.9.9.9"},
        {"NT 4.0: no interface DNS", sim::Platform::NT4, "1.1.1.1", "", 1, 0, 1, "(missing)", "(missing)", "9.9.9.9"},
    };
    const char* kIface = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\E100B1";
    const char* kNetBT2000 = "System\\CurrentControlSet\\Services\\NetBT\\Parameters\\Interfaces\\Tcpip_E100B1";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        sim::SetPlatform(c.platform);
        ASSERT_TRUE(sim::ImportReg(Nt4Machine("10.1.1.1", "") +
                                   "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\"
                                   "Adapters\\E100B1]\n\"IpConfig\"=" +
                                   MultiSz({"E100B1\\Parameters\\Tcpip"}) + "\n\n[HKEY_LOCAL_MACHINE\\" + kIface +
                                   "]\n\"NameServer\"=\"9.9.9.9\"\n\n")
                        .ok);
        CNetworkAdapter t;
        ASSERT_EQ(t.AdapterCount(), 1u);
        t.SetIpAddress(0, 1, "10.2.2.2");
        t.SetIpMask(0, 1, "255.255.0.0");
        t.SetNameServer1(0, c.ns1);
        t.SetNameServer2(0, c.ns2);
        t.SetWINSEnable(0, c.wins);
        t.SetDHCPWINS(0, c.dhcpWins);
        t.SetDNSEnable(0, c.dns);
        ASSERT_EQ(t.WriteData(), 1);
        StringList list;
        CRegistry reg(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(reg.GetMultiString(kTcpNT4, "IPAddress", list));
        EXPECT_EQ(list, (StringList{"10.1.1.1", "10.2.2.2"}));
        ASSERT_TRUE(reg.GetMultiString(kTcpNT4, "SubnetMask", list));
        EXPECT_EQ(list, (StringList{"255.0.0.0", "255.255.0.0"}));
        EXPECT_EQ(Str(kTcpNT4, "IPMask"), "(missing)");
        // Raw bytes: a list whose first entry is empty reads back as no list.
        std::string winsList = "(missing)";
        CRegValue raw;
        if (reg.QueryValue(kNetBT2000, "NameServerList", raw) && raw.Type() == REG_MULTI_SZ) {
            winsList.assign(reinterpret_cast<const char*>(raw.Data()), raw.Size());
            for (char& ch : winsList) ch = ch ? ch : '|';
        }
        EXPECT_EQ(winsList, c.winsList);
        EXPECT_EQ(Dword(kNetBT2000, "NetbiosOptions"), c.options);
        EXPECT_EQ(Str(kIface, "NameServer"), c.dnsText);
    }
}

// A WINS value that cannot be written spoils the result like an address
// does, and the marks stay for the next try, which writes it. (A failed
// address write: tests/scenarios/nic/write-readonly-keeps-marks-win98.)
TEST_F(AdapterWriteTest, FailedWinsWriteCountsAndTheNextTryWrites) {
    sim::Reset();
    sim::SetPlatform(sim::Platform::NT4);
    ASSERT_TRUE(sim::ImportReg(Nt4Machine("10.1.1.1", "\"NameServer\"=\"10.0.0.5\"")).ok);
    ASSERT_TRUE(sim::SetKeyAccess(std::string("HKEY_LOCAL_MACHINE\\") + kNetBT4, sim::KeyAccess::ReadOnly));
    CNetworkAdapter t;
    ASSERT_EQ(t.GetWINSEnable(0), 1);
    EXPECT_EQ(t.WriteData(), 0);
    EXPECT_EQ(t.GetWriteNeeded(), 1);
    ASSERT_TRUE(sim::SetKeyAccess(std::string("HKEY_LOCAL_MACHINE\\") + kNetBT4, sim::KeyAccess::Normal));
    EXPECT_EQ(t.WriteData(), 1);
    EXPECT_EQ(t.GetWriteNeeded(), 0);
    EXPECT_EQ(Str(kNetBT4, "NameServer"), "10.0.0.5");
}

// Windows 95/98 joins as many masks as there are addresses.
TEST_F(AdapterWriteTest, Win98MasksFollowTheAddressCount) {
    sim::Reset();
    ASSERT_TRUE(sim::ImportReg("REGEDIT4\n\n" +
                               Card98(0, "A", "\"IPAddress\"=\"10.1.1.1\"\n\"IPMask\"=\"255.0.0.0,255.255.0.0\""))
                    .ok);
    CNetworkAdapter t;
    t.SetGateway(0, 0, "10.0.0.1");
    ASSERT_EQ(t.WriteData(), 1);
    EXPECT_EQ(Str(kTcp98, "IPAddress") + "|" + Str(kTcp98, "IPMask"), "10.1.1.1|255.0.0.0");
}

}  // namespace
