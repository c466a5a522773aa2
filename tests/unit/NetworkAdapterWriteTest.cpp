// Adapter write-back, the DHCP client notification and the dump file, on
// the sample machines with a few edits each.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "NetworkAdapter/NetworkAdapter.h"
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
    void SetUp() override {
        char templ[] = "/tmp/orvane-nicw-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        m_dir = templ;
        ASSERT_EQ(getcwd(m_oldDir, sizeof m_oldDir), m_oldDir);
        ASSERT_EQ(chdir(m_dir.c_str()), 0);
    }
    void TearDown() override {
        EXPECT_EQ(sim::OpenKeyHandles(), 0u);
        EXPECT_EQ(sim::LiveHeaps(), 0u);
        EXPECT_EQ(sim::TotalLoadCount(), 0);
        EXPECT_EQ(chdir(m_oldDir), 0);
        // Not through system(): in these tests that is the simulated one.
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    std::unique_ptr<CNetworkAdapter> Sample(const char* file, sim::Platform platform) {
        EXPECT_TRUE(LoadTestMachine({file, std::string(ORVANE_SOURCE_DIR "/examples/") + file, platform}));
        return std::make_unique<CNetworkAdapter>();
    }
    std::string m_dir;
    char m_oldDir[4096];
};

TEST_F(AdapterWriteTest, NothingMarkedWritesNothing) {
    auto t = Sample("win98.reg", sim::Platform::Win98);
    const sim::RegSnapshot before = sim::TakeSnapshot();
    EXPECT_EQ(t->WriteData(), 1);
    EXPECT_EQ(sim::DiffReg(before, sim::RegFormat::Regedit4), "REGEDIT4\r\n\r\n");
}

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
    // Enabled: the profile key goes; disabled: the flag is set.
    EXPECT_FALSE(sim::KeyExists("HKEY_CURRENT_CONFIG\\Enum\\PCI\\VEN_10B7&DEV_9055&SUBSYS_905510B7&REV_24"
                                "\\BUS_00&DEV_0A&FUNC_00"));
    BYTE flags[4] = {};
    EXPECT_TRUE(CRegistry(HKEY_CURRENT_CONFIG)
                    .GetBinary("Enum\\PCI\\VEN_8086&DEV_1229&SUBSYS_00098086&REV_08\\BUS_00&DEV_0B&FUNC_00",
                               "CSConfigFlags", flags, 4));
    EXPECT_EQ(flags[0], 1);

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

TEST_F(AdapterWriteTest, FailedCountedWriteKeepsEveryMarkAndLaterWritesGoOn) {
    auto t = Sample("win98.reg", sim::Platform::Win98);
    t->SetIpAddress(0, 0, "10.1.2.3");
    t->SetIpAddress(1, 0, "10.7.7.7");
    ASSERT_TRUE(sim::SetKeyAccess(std::string("HKEY_LOCAL_MACHINE\\") + kTcp98, sim::KeyAccess::ReadOnly));
    EXPECT_EQ(t->WriteData(), 0);
    EXPECT_EQ(t->GetWriteNeeded(), 1);
    EXPECT_EQ(Str(kTcp98, "IPAddress"), "192.168.1.20,10.10.1.20");
    EXPECT_EQ(Str(kTcp98b, "IPAddress"), "10.7.7.7");  // written after the failure
    ASSERT_TRUE(sim::SetKeyAccess(std::string("HKEY_LOCAL_MACHINE\\") + kTcp98, sim::KeyAccess::Normal));
    EXPECT_EQ(t->WriteData(), 1);
    EXPECT_EQ(t->GetWriteNeeded(), 0);
    EXPECT_EQ(Str(kTcp98, "IPAddress"), "10.1.2.3,10.10.1.20");
}

TEST_F(AdapterWriteTest, SkippedAndProtocolLessRecordsAreNotWrittenButLoseTheirMarks) {
    auto t = Sample("win98.reg", sim::Platform::Win98);
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
    const sim::RegSnapshot before = sim::TakeSnapshot();
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

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// One record block of the dump, as the file has it without its line ends.
std::string DumpBlock(int n, const std::string& name, const std::string& enumKey, const std::string& netTrans,
                      const std::string& gateway, const std::string& ipMask, const std::string& nodeType,
                      const std::string& server, const char* tcpip, const char* netbeui, const char* enabled) {
    std::string b = "**** START DUMP ADAPTER #" + std::to_string(n) + " ****\n";
    b += "Data Version (DWORD): 0x5AA50006\n";
    b += "Adapter Name        : " + name + "\nAdapterEnumRgy      : " + enumKey + "\n";
    b += "AdapterService      : \nAdapterRootService  : \nAdapterTitle        : \n";
    b += "AdapterNetTransRgy  : " + netTrans + "\n";
    b += "AdapterNETBEUIRgy   : \nAdapterNWLINKRgy    : \nAdapterIPX32Rgy     : \nAdapterNWIPRgy      : \n";
    b += "Gateways:\nGateway #00: " + gateway + "\n";
    for (int k = 1; k < 10; ++k) b += "Gateway #0" + std::to_string(k) + ": \n";
    b += "IP Addresses and Netmasks:\nIP/MASK #00: " + ipMask + "\n";
    for (int k = 1; k < 10; ++k) b += "IP/MASK #0" + std::to_string(k) + ":  : \n";
    b += "NodeType            : " + nodeType + "\nNameServer1         : " + server + "\nNameServer2         : \n";
    b += "DNS Nameservers:\n";
    for (int k = 0; k < 10; ++k) b += "NameServer #0" + std::to_string(k) + ": \n";
    b += "EnableDNS           : \nFWCODE              : \nFlags:\n";
    b += std::string("bTCPIP      : ") + tcpip + "\nbNETBEUI    : " + netbeui +
         "\nbNovellIPS32: FALSE\nbNWLINK     : FALSE\nbNWIP       : FALSE\nbDHCPWINS   : FALSE\n";
    b += std::string("bEnabled    : ") + enabled + "\n";
    return b + "**** END DUMP ADAPTER #" + std::to_string(n) + " ****\n\n";
}

std::string CrLf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// The whole file, byte for byte: head, an empty line, one block per record
// each closed by an empty line, CR LF everywhere.
TEST_F(AdapterWriteTest, DumpBytesOfEveryRecord) {
    sim::Reset();
    ASSERT_TRUE(sim::ImportReg("REGEDIT4\n\n"
                               "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\CARD0]\n\"Class\"=\"Net\"\n"
                               "\"DeviceDesc\"=\"Ethernet Card A\"\n\n"
                               "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\CARD0\\Bindings]\n\"MSTCP\\\\0000\"=\"\"\n"
                               "\"NETBEUI\\\\0000\"=\"\"\n\n"
                               "[HKEY_LOCAL_MACHINE\\Enum\\Network\\MSTCP\\0000]\n\"Driver\"=\"NetTrans\\\\0000\"\n\n"
                               "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000]\n"
                               "\"IPAddress\"=\"192.168.5.10\"\n\"IPMask\"=\"255.255.255.0\"\n"
                               "\"DefaultGateway\"=\"192.168.5.1\"\n\"NodeType\"=\"8\"\n\"NameServer1\"=\"192.168.5.2\"\n\n"
                               "[HKEY_LOCAL_MACHINE\\Enum\\Root\\Net\\0000]\n\"Class\"=\"Net\"\n"
                               "\"DeviceDesc\"=\"Dial-Up Adapter\"\n\n"
                               "[HKEY_CURRENT_CONFIG\\Enum\\Root\\Net\\0000]\n\"CSConfigFlags\"=hex:01,00,00,00\n\n")
                    .ok);
    CNetworkAdapter t;
    EXPECT_EQ(t.GetIpMask(0, 1), nullptr);
    EXPECT_TRUE(sim::Commands().empty());
    EXPECT_EQ(t.GetIpAddress(0, 1), nullptr);  // beyond the count: the dump, problem index 0
    const std::string expected = CrLf(
        "ADAPTER DATA DUMP FILE\ndwAdapterCnt = 0x00000002, AdapterCount() = 0x00000002\n"
        "Problem Index = 0x00000000\n\n" +
        DumpBlock(0, "Ethernet Card A", "Enum\\PCI\\CARD0", "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000",
                  "192.168.5.1", "192.168.5.10 : 255.255.255.0", "8", "192.168.5.2", "TRUE", "TRUE", "TRUE") +
        DumpBlock(1, "Dial-Up Adapter", "Enum\\Root\\Net\\0000", "", "", " : ", "", "", "FALSE", "FALSE", "FALSE"));
    EXPECT_EQ(ReadFile("ADAPTER-DUMP.TXT"), expected);
    ASSERT_EQ(sim::Commands().size(), 1u);
    EXPECT_EQ(sim::Commands()[0], "NOTEPAD ADAPTER-DUMP.TXT");
    EXPECT_TRUE(sim::MessageBoxes().empty());

    t.DumpAdapter(1, 7);  // one record only
    EXPECT_EQ(ReadFile("ADAPTER-DUMP.TXT"),
              CrLf("ADAPTER DATA DUMP FILE\ndwAdapterCnt = 0x00000002, AdapterCount() = 0x00000002\n"
                   "Problem Index = 0x00000007\n\n" +
                   DumpBlock(1, "Dial-Up Adapter", "Enum\\Root\\Net\\0000", "", "", " : ", "", "", "FALSE", "FALSE",
                             "FALSE")));
}

TEST_F(AdapterWriteTest, DumpThatCannotBeWrittenShowsTheMessageAndStartsNothing) {
    auto t = Sample("win98.reg", sim::Platform::Win98);
    ASSERT_EQ(mkdir("ADAPTER-DUMP.TXT", 0755), 0);  // a directory cannot be opened as the file
    EXPECT_EQ(t->GetIpAddress(0, 5), nullptr);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "Error trying to open file in CNetworkAdapter::DumpAdapter()");
    EXPECT_TRUE(sim::Commands().empty());
}

}  // namespace
