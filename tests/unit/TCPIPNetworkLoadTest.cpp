// Machine-wide TCP/IP settings: the platform predicates and what loading
// makes of the registry on each platform. The list rules
// on whole machines are in tests/scenarios/tcp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TCPIPNetwork/TCPIPNetwork.h"
#include "TCPIPNetworkTestMachine.h"

namespace {

using namespace tcptest;
using Strings = std::vector<std::string>;

// Build 1903 with Winsock 1.1 and three digits with Winsock 1.1 are in
// tests/scenarios/tcp/load-global-wins-dun-decides and load-global-wins-winsock.
TEST(TCPIPPredicates, FollowThePlatformProbes) {
    struct Case {
        const char* what;
        sim::Platform platform;
        const char* rasFile;  // planted dial-up version, or none
        WORD ras[4];
        WORD winsock;
        DWORD major;
        bool nt, win2000, dns, wins, perAdapter;
    };
    const char* ras = "C:\\WINDOWS\\System\\rasapi32.dll";
    const Case cases[] = {
        {"98, no dial-up library", sim::Platform::Win98, nullptr, {}, 0x0101, 0, false, false, true, false, true},
        {"98, build 1902", sim::Platform::Win98, ras, {4, 10, 0, 1902}, 0x0101, 0, false, false, true, true, false},
        {"98, three digits, Winsock 2.2", sim::Platform::Win98, ras, {4, 0, 0, 950}, 0x0202, 0, false, false, true,
         false, true},
        {"98, three digits, Winsock 2.0", sim::Platform::Win98, ras, {4, 0, 0, 950}, 0x0002, 0, false, false, true,
         true, false},
        {"NT 4.0", sim::Platform::NT4, nullptr, {}, 0x0101, 4, true, false, true, false, true},
        {"Windows 2000", sim::Platform::Win2000, nullptr, {}, 0x0101, 5, true, true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        sim::SetPlatform(c.platform);
        if (c.rasFile) sim::SetFileVersion(c.rasFile, c.ras[0], c.ras[1], c.ras[2], c.ras[3]);
        sim::SetWinsockHighVersion(c.winsock);
        const CTCPIPNetwork tcp;
        EXPECT_EQ(tcp.State().MajorVersion, c.major);
        EXPECT_EQ(tcp.IsNT(), c.nt);
        EXPECT_EQ(tcp.IsWin2000(), c.win2000);
        EXPECT_EQ(tcp.ProtocolDNS(), c.dns);
        EXPECT_EQ(tcp.ProtocolWINS(), c.wins);
        EXPECT_EQ(tcp.State().WINSPerAdapter != 0, c.perAdapter);
        EXPECT_EQ(sim::WinsockOpenStartups(), 0);
    }
}

// A getter's answer, with "-" for unavailable.
std::string Shown(const char* text) { return text ? text : "-"; }

Strings DNSServers(const CTCPIPNetwork& tcp) {
    Strings out;
    for (DWORD i = 0; i < tcp.GetDNSServerCount(); ++i) out.push_back(Shown(tcp.GetDNSServer(i)));
    return out;
}

Strings SearchEntries(const CTCPIPNetwork& tcp) {
    Strings out;
    for (DWORD i = 0; i < tcp.GetSearchListCount(); ++i) out.push_back(Shown(tcp.GetSearchList(i)));
    return out;
}

TEST(TCPIPLoading, ValuesPerPlatform) {
    struct Case {
        const char* what;
        sim::Platform platform;
        Wins wins;
        std::string seed;
        const char* host;  // "-": unavailable
        const char* domain;
        const char* scope;
        int dnsEnable, writeNeeded, winsEnable, dhcpWins;
        const char* nameServer1;
    };
    const auto w98 = sim::Platform::Win98;
    const std::string win98 = Key(kMstcp) + Sz("Domain", "d98") + Sz("HostName", "h98") + Sz("NameServer", "1.1.1.1") +
                              Sz("NodeType", "8") + Sz("NameServer1", "5.5.5.5") + Sz("ScopeID", "s98");
    // Values under names the platform does not use must not be read.
    const std::string nt = Key(kTcpip) + Sz("Domain", "dnt") + Sz("HostName", "hnt") + Sz("NV Domain", "nvd") +
                           Sz("NV HostName", "nvh") + Sz("NameServer", "1.1.1.1 2.2.2.2") + Sz("EnableDNS", "0") +
                           Sz("ScopeID", "wrong") + Key(kNetBT) + Sz("ScopeID", "snt") + Key(kMstcp) +
                           Sz("NodeType", "8") + Sz("NameServer1", "5.5.5.5");
    const std::string wrongTypes = Key(kMstcp) + "\"HostName\"=dword:00000001\r\n\"Domain\"=hex:41,00\r\n" +
                                   "\"NameServer\"=dword:00000001\r\n\"NodeType\"=dword:00000008\r\n" +
                                   "\"ScopeID\"=hex(7):41,00,00\r\n\"SearchList\"=hex(7):61,00,00\r\n";
    const Case cases[] = {
        {"98, WINS per adapter", w98, Wins::PerAdapter, win98, "h98", "d98", "s98", 1, 1, 0, 0, "-"},
        {"98, global WINS", w98, Wins::Global, win98, "h98", "d98", "s98", 1, 1, 1, 0, "5.5.5.5"},
        {"98, global WINS from DHCP", w98, Wins::Global, Key(kMstcp) + Sz("HostName", "h"), "h", "", "", 0, 0, 0, 1,
         ""},
        {"98, EnableDNS replaces the loader's state", w98, Wins::PerAdapter,
         Key(kMstcp) + Sz("NameServer", "1.1.1.1") + Sz("EnableDNS", "0"), "", "", "", 0, 1, 0, 0, "-"},
        {"98, empty NameServer", w98, Wins::PerAdapter, Key(kMstcp) + Sz("NameServer", ""), "", "", "", 0, 0, 0, 0,
         "-"},
        {"98, expandable text unexpanded", w98, Wins::PerAdapter,
         Key(kMstcp) + "\"HostName\"=hex(2):25,48,25,00\r\n", "%H%", "", "", 0, 0, 0, 0, "-"},
        {"98, wrong types are absent", w98, Wins::Global, wrongTypes, "", "", "", 0, 0, 0, 1, ""},
        {"NT 4.0", sim::Platform::NT4, Wins::PerAdapter, nt, "hnt", "dnt", "snt", 1, 1, 0, 0, "-"},
        {"NT 4.0 without NameServer", sim::Platform::NT4, Wins::PerAdapter, Key(kTcpip) + Sz("HostName", "h"), "h",
         "", "", 0, 0, 0, 0, "-"},
        {"Windows 2000", sim::Platform::Win2000, Wins::PerAdapter, nt, "-", "nvd", "snt", 0, 0, 0, 0, "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Prepare(c.platform, c.seed, c.wins);
        const CTCPIPNetwork tcp;
        EXPECT_EQ(Shown(tcp.GetHostName()), c.host);
        EXPECT_STREQ(tcp.GetDomainName(), c.domain);
        EXPECT_STREQ(tcp.GetScopeID(), c.scope);
        EXPECT_EQ(tcp.GetDNSEnable(), c.dnsEnable);
        EXPECT_EQ(tcp.GetWriteNeeded(), c.writeNeeded);
        EXPECT_EQ(tcp.GetWINSEnable(), c.winsEnable);
        EXPECT_EQ(tcp.GetDHCPWINS(), c.dhcpWins);
        EXPECT_EQ(Shown(tcp.GetNameServer1()), c.nameServer1);
    }
}

// Single texts are cut to their field; a list entry too long for its slot
// leaves the slot empty (ending the count there) and keeps its place.
TEST(TCPIPLoading, OverLongTextsAreCutAndOverLongListEntriesLeftOut) {
    const std::string longHost(300, 'h'), longScope(40, 's'), longPath(300, 'p');
    Prepare(sim::Platform::Win98,
            Key(kMstcp) + Sz("HostName", longHost) + Sz("Domain", "d") + Sz("LMHostFile", longPath) +
                Sz("NameServer", "1234567890123456789,2.2.2.2") + Sz("ScopeID", longScope) + Sz("NodeType", "88") +
                Sz("NameServer1", "12345678901234567") + Sz("SearchList", longPath + ",b"),
            Wins::Global);
    const CTCPIPNetwork tcp;
    EXPECT_EQ(std::string(tcp.GetHostName()), longHost.substr(0, 255));
    EXPECT_STREQ(tcp.GetDomainName(), "d");
    EXPECT_EQ(std::string(tcp.GetLMHostFile()), longPath.substr(0, 259));
    EXPECT_EQ(DNSServers(tcp), Strings{});
    EXPECT_STREQ(tcp.State().DNSServer[1], "2.2.2.2");
    EXPECT_EQ(std::string(tcp.GetScopeID()), longScope.substr(0, 31));
    EXPECT_STREQ(tcp.State().NodeType, "8");
    EXPECT_STREQ(tcp.GetNameServer1(), "123456789012345");
    EXPECT_STREQ(tcp.GetNameServer2(), "");
    EXPECT_EQ(SearchEntries(tcp), Strings{});
    EXPECT_STREQ(tcp.State().SearchList[1], "b");
}

// NT 4.0 separates DNS servers by blanks: a comma-joined pair is one entry
// of 25 characters, which no slot holds and no write may store cut.
TEST(TCPIPLoading, CommaJoinedDnsServersOnNt4AreNotCut) {
    Prepare(sim::Platform::NT4, Key(kTcpip) + Sz("NameServer", "10.100.200.1,10.100.200.2 10.0.0.9"), Wins::PerAdapter);
    const CTCPIPNetwork tcp;
    EXPECT_EQ(DNSServers(tcp), Strings{});
    EXPECT_STREQ(tcp.State().DNSServer[0], "");
    EXPECT_STREQ(tcp.State().DNSServer[1], "10.0.0.9");
}

}  // namespace
