// Machine-wide TCP/IP settings: the setters' rules, the global WINS
// write-back twice over and the write layout of each platform from an empty
// registry. A failed write and the WINS texts kept are in tests/scenarios/tcp.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "TCPIPNetwork/TCPIPNetwork.h"
#include "TCPIPNetworkTestMachine.h"

namespace {

using namespace tcptest;

// A Windows 98 machine with global WINS on, DNS on and nothing to write yet.
const std::string kWin98 = Key(kMstcp) + Sz("Domain", "corp") + Sz("EnableDNS", "1") + Sz("HostName", "orion") +
                           Sz("NameServer1", "5.5.5.5") + Sz("NodeType", "8") + Sz("SearchList", "a.com");

TEST(TCPIPSetters, TextsUpToTheirFieldWidthWhenDifferent) {
    typedef void (CTCPIPNetwork::*Setter)(const char*);
    struct Field {
        Setter set;
        const char* (CTCPIPNetwork::*get)() const;
        size_t longest;
    };
    const Field fields[] = {
        {&CTCPIPNetwork::SetHostName, &CTCPIPNetwork::GetHostName, 255},
        {&CTCPIPNetwork::SetDomainName, &CTCPIPNetwork::GetDomainName, 255},
        {&CTCPIPNetwork::SetLMHostFile, &CTCPIPNetwork::GetLMHostFile, 259},
        {&CTCPIPNetwork::SetNameServer1, &CTCPIPNetwork::GetNameServer1, 15},
        {&CTCPIPNetwork::SetNameServer2, &CTCPIPNetwork::GetNameServer2, 15},
        {&CTCPIPNetwork::SetScopeID, &CTCPIPNetwork::GetScopeID, 31},  // no limit by design; ignored like the rest
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.longest);
        Prepare(sim::Platform::Win98, kWin98, Wins::Global);
        CTCPIPNetwork tcp;
        const std::string before = (tcp.*f.get)();
        for (const char* ignored : {before.c_str(), static_cast<const char*>(nullptr)}) {
            (tcp.*f.set)(ignored);
            EXPECT_EQ(tcp.GetWriteNeeded(), 0);
        }
        (tcp.*f.set)(std::string(f.longest + 1, 'x').c_str());
        EXPECT_EQ(tcp.GetWriteNeeded(), 0);
        EXPECT_EQ((tcp.*f.get)(), before);
        (tcp.*f.set)(std::string(f.longest, 'x').c_str());
        EXPECT_EQ(tcp.GetWriteNeeded(), 1);
        EXPECT_EQ((tcp.*f.get)(), std::string(f.longest, 'x'));
    }
}

TEST(TCPIPSetters, PlatformAndSlotRules) {
    typedef std::function<void(CTCPIPNetwork&)> Edit;
    typedef std::function<bool(const CTCPIPNetwork&)> Check;
    struct Case {
        const char* what;
        sim::Platform platform;
        Wins wins;
        Edit edit;
        int writeNeeded;
        Check check;
    };
    const auto w98 = sim::Platform::Win98, nt4 = sim::Platform::NT4, w2k = sim::Platform::Win2000;
    const auto g = Wins::Global, a = Wins::PerAdapter;
    auto is = [](const char* got, const char* want) { return got && std::string(got) == want; };
    const std::string s16(16, '1'), s260(260, 'p');
    const Case cases[] = {
        {"host name on 2000", w2k, a, [](CTCPIPNetwork& t) { t.SetHostName("vega"); }, 1,
         [&](const CTCPIPNetwork& t) { return !t.GetHostName() && is(t.State().HostName, "vega"); }},
        {"domain is case-sensitive", w98, g, [](CTCPIPNetwork& t) { t.SetDomainName("CORP"); }, 1,
         [&](const CTCPIPNetwork& t) { return is(t.GetDomainName(), "CORP"); }},
        {"WINS server on NT", nt4, a, [](CTCPIPNetwork& t) { t.SetNameServer1("5.5.5.5"); }, 1,
         [&](const CTCPIPNetwork& t) { return !t.GetNameServer1() && is(t.State().NameServer1, "5.5.5.5"); }},
        {"empty DNS slot to empty", w98, g, [](CTCPIPNetwork& t) { t.SetDNSServer(0, ""); }, 1, nullptr},
        {"DNS server of 16", w98, g, [&](CTCPIPNetwork& t) { t.SetDNSServer(0, s16.c_str()); }, 0, nullptr},
        {"DNS slot 10", w98, g, [](CTCPIPNetwork& t) { t.SetDNSServer(10, "1.1.1.1"); }, 0, nullptr},
        {"DNS server on 2000", w2k, a, [](CTCPIPNetwork& t) { t.SetDNSServer(0, "1.1.1.1"); }, 0,
         [](const CTCPIPNetwork& t) { return t.GetDNSServerCount() == 0; }},
        {"same search entry", w98, g, [](CTCPIPNetwork& t) { t.SetSearchList(0, "a.com"); }, 0, nullptr},
        {"search entry behind the list", w98, g, [](CTCPIPNetwork& t) { t.SetSearchList(1, "b.com"); }, 1,
         [&](const CTCPIPNetwork& t) { return t.GetSearchListCount() == 2 && is(t.GetSearchList(1), "b.com"); }},
        {"search entry of 260", w98, g, [&](CTCPIPNetwork& t) { t.SetSearchList(1, s260.c_str()); }, 0, nullptr},
        {"search slot 32", w98, g, [](CTCPIPNetwork& t) { t.SetSearchList(32, "b.com"); }, 0, nullptr},
        {"DNS enable 2 while on", w98, g, [](CTCPIPNetwork& t) { t.SetDNSEnable(2); }, 1,
         [&](const CTCPIPNetwork& t) { return is(t.State().EnableDNS, "1"); }},
        {"DNS enable 1 while on", w98, g, [](CTCPIPNetwork& t) { t.SetDNSEnable(1); }, 0, nullptr},
        {"DNS enable 0", w98, g, [](CTCPIPNetwork& t) { t.SetDNSEnable(0); }, 1,
         [&](const CTCPIPNetwork& t) { return is(t.State().EnableDNS, "0"); }},
        {"DNS enable on 2000", w2k, a, [](CTCPIPNetwork& t) { t.SetDNSEnable(1); }, 0,
         [&](const CTCPIPNetwork& t) { return t.GetDNSEnable() == 0 && is(t.State().EnableDNS, ""); }},
        {"WINS off", w98, g, [](CTCPIPNetwork& t) { t.SetWINSEnable(0); }, 1,
         [&](const CTCPIPNetwork& t) { return t.GetWINSEnable() == 0 && is(t.State().NodeType, "1"); }},
        {"WINS on while on", w98, g, [](CTCPIPNetwork& t) { t.SetWINSEnable(7); }, 0, nullptr},
        {"WINS per adapter", w98, a, [](CTCPIPNetwork& t) { t.SetWINSEnable(0); }, 0,
         [&](const CTCPIPNetwork& t) { return is(t.State().NodeType, ""); }},
        {"DHCP WINS kept as given", w98, g, [](CTCPIPNetwork& t) { t.SetDHCPWINS(5); }, 1,
         [](const CTCPIPNetwork& t) { return t.GetDHCPWINS() == 5; }},
        {"DHCP WINS unchanged", w98, g, [](CTCPIPNetwork& t) { t.SetDHCPWINS(0); }, 0, nullptr},
        {"DHCP WINS per adapter", w98, a, [](CTCPIPNetwork& t) { t.SetDHCPWINS(1); }, 0,
         [](const CTCPIPNetwork& t) { return t.State().DHCPWINS == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Prepare(c.platform, c.platform == w98 ? kWin98 : "", c.wins);
        CTCPIPNetwork tcp;
        ASSERT_EQ(tcp.GetWriteNeeded(), 0);
        c.edit(tcp);
        EXPECT_EQ(tcp.GetWriteNeeded(), c.writeNeeded);
        if (c.check) {
            EXPECT_TRUE(c.check(tcp));
        }
    }
}

TEST(TCPIPWrite, NothingToWriteTouchesNothing) {
    Prepare(sim::Platform::Win98, kWin98, Wins::Global);
    const std::string before = sim::ExportReg(sim::RegFormat::Regedit4);
    CTCPIPNetwork tcp;
    EXPECT_EQ(tcp.WriteData(), 1);
    EXPECT_EQ(sim::ExportReg(sim::RegFormat::Regedit4), before);
}

TEST(TCPIPWrite, GlobalWINSManualOrFromDHCP) {
    typedef std::function<void(CTCPIPNetwork&)> Edit;
    struct Case {
        const char* what;
        std::string seed;
        Edit edit;
        const char* wins;  // the WINS-related values left in the key
    };
    // Values every Windows 98 write leaves, whatever the WINS mode.
    const std::string common = "\"Domain\"=\"\"\n\"EnableDNS\"=\"0\"\n\"HostName\"=\"\"\n\"LMHostFile\"=\"\"\n"
                               "\"NameServer\"=\"\"\n";
    const std::string seed = Key(kMstcp) + Sz("NameServer1", "5.5.5.5") + Sz("NameServer2", "7.7.7.7") +
                             Sz("NodeType", "8") + Sz("ScopeID", "s");
    const Case cases[] = {
        {"WINS off deletes the servers", seed, [](CTCPIPNetwork& t) { t.SetWINSEnable(0); },
         "\"NodeType\"=\"1\"\n\"ScopeID\"=\"s\"\n"},
        {"WINS on stays manual despite DHCP", seed,
         [](CTCPIPNetwork& t) {
             t.SetDHCPWINS(1);
             t.SetNameServer2("6.6.6.6");
         },
         "\"NameServer1\"=\"5.5.5.5\"\n\"NameServer2\"=\"6.6.6.6\"\n\"NodeType\"=\"8\"\n\"ScopeID\"=\"s\"\n"},
        {"DHCP deletes all four after the scope is written", seed,
         [](CTCPIPNetwork& t) {
             t.SetWINSEnable(0);
             t.SetDHCPWINS(1);
             t.SetScopeID("new");
         },
         ""},
        // The switch stores "1" for the missing node type, which the empty
        // field then overwrites.
        {"back to manual without a node type", "", [](CTCPIPNetwork& t) { t.SetDHCPWINS(0); },
         "\"NodeType\"=\"\"\n\"ScopeID\"=\"\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Prepare(sim::Platform::Win98, c.seed, Wins::Global);
        CTCPIPNetwork tcp;
        c.edit(tcp);
        const std::string expected = common + c.wins + "\"SearchList\"=\"\"";
        // Which values the write leaves; their order is the order the
        // seed and the write created them in.
        auto lines = [](const std::string& text) {
            std::vector<std::string> out;
            std::istringstream in(text);
            for (std::string line; std::getline(in, line);) out.push_back(line);
            std::sort(out.begin(), out.end());
            return out;
        };
        // Nothing is cleared: a second write stores the same again.
        for (int pass = 0; pass < 2; ++pass) {
            EXPECT_EQ(tcp.WriteData(), 1);  // failed deletions of missing values do not count
            EXPECT_EQ(lines(ValuesOf(kMstcp)), lines(expected));
            EXPECT_EQ(tcp.GetWriteNeeded(), 1);
        }
    }
}

// The whole write-back layout of each platform, from an empty registry: which
// values go to which key, the joining of the two lists, and DNS switched off.
// (The key is listed in the order the values were created, so the write's
// own order is checked too.)
TEST(TCPIPWrite, LayoutOfEachPlatform) {
    struct Case {
        const char* what;
        sim::Platform platform;
        DWORD dnsOn;
        const char* main;   // values of the main key afterwards
        const char* netbt;  // values of the NetBIOS key afterwards
    };
    const Case cases[] = {
        {"98, DNS off keeps the list", sim::Platform::Win98, 0,
         "\"HostName\"=\"h\"\n\"Domain\"=\"d\"\n\"LMHostFile\"=\"lm\"\n\"NameServer\"=\"1.1.1.1,2.2.2.2\"\n"
         "\"EnableDNS\"=\"0\"\n\"ScopeID\"=\"sc\"\n\"SearchList\"=\"a.com,b.com\"",
         "(no key)"},
        {"NT 4.0, DNS on", sim::Platform::NT4, 1,
         "\"HostName\"=\"h\"\n\"Domain\"=\"d\"\n\"LMHostFile\"=\"lm\"\n\"NameServer\"=\"1.1.1.1 2.2.2.2\"\n"
         "\"SearchList\"=\"a.com,b.com\"",
         "\"ScopeID\"=\"sc\""},
        {"NT 4.0, DNS off empties the list", sim::Platform::NT4, 0,
         "\"HostName\"=\"h\"\n\"Domain\"=\"d\"\n\"LMHostFile\"=\"lm\"\n\"NameServer\"=\"\"\n"
         "\"SearchList\"=\"a.com,b.com\"",
         "\"ScopeID\"=\"sc\""},
        {"Windows 2000", sim::Platform::Win2000, 1,
         "\"Domain\"=\"d\"\n\"LMHostFile\"=\"lm\"\n\"SearchList\"=\"a.com,b.com\"", "\"ScopeID\"=\"sc\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Prepare(c.platform, "");
        CTCPIPNetwork tcp;
        tcp.SetHostName("h");
        tcp.SetDomainName("d");
        tcp.SetLMHostFile("lm");
        tcp.SetScopeID("sc");
        tcp.SetDNSServer(0, "1.1.1.1");
        tcp.SetDNSServer(1, "2.2.2.2");
        tcp.SetDNSEnable(c.dnsOn);
        tcp.SetSearchList(0, "a.com");
        tcp.SetSearchList(1, "b.com");
        ASSERT_EQ(tcp.WriteData(), 1);
        const bool nt = c.platform != sim::Platform::Win98;
        EXPECT_EQ(ValuesOf(nt ? kTcpip : kMstcp), c.main);
        EXPECT_EQ(ValuesOf(kNetBT), c.netbt);
        if (nt) {
            EXPECT_EQ(ValuesOf(kMstcp), "(no key)");
        }
    }
}

// Loading splits the DNS list at the platform's separator, and an index
// equal to the count reads the empty slot that ends the list. (Windows 2000
// counts yet answers none: tests/scenarios/tcp/load-win2000.)
TEST(TCPIPLoading, DNSListSeparatorPerPlatformAndTheSlotAtTheCount) {
    struct Case {
        sim::Platform platform;
        const char* text;
        DWORD count;
    } cases[] = {
        {sim::Platform::Win98, "1.1.1.1,2.2.2.2,3.3.3.3", 3}, {sim::Platform::Win98, "1.1.1.1 2.2.2.2", 1},
        {sim::Platform::NT4, "1.1.1.1 2.2.2.2 3.3.3.3", 3},   {sim::Platform::NT4, "1.1.1.1,2.2.2.2", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(sim::PlatformName(c.platform)) + " " + c.text);
        Prepare(c.platform, Key(c.platform == sim::Platform::Win98 ? kMstcp : kTcpip) + Sz("NameServer", c.text));
        const CTCPIPNetwork tcp;
        EXPECT_EQ(tcp.GetDNSServerCount(), c.count);
        ASSERT_NE(tcp.GetDNSServer(c.count), nullptr);
        EXPECT_STREQ(tcp.GetDNSServer(c.count), "");
        EXPECT_EQ(tcp.GetDNSServer(c.count + 1), nullptr);
    }
}

// Where adapters keep WINS the global WINS values are neither loaded nor
// taken to come from DHCP, whatever the key holds or lacks.
TEST(TCPIPLoading, NoGlobalWINSStateWhereAdaptersKeepIt) {
    for (const std::string& seed : {std::string(), Key(kMstcp) + Sz("NodeType", "8") + Sz("NameServer1", "5.5.5.5")}) {
        Prepare(sim::Platform::Win98, seed, Wins::PerAdapter);
        const CTCPIPNetwork tcp;
        EXPECT_EQ(tcp.State().DHCPWINS, 0);
        EXPECT_STREQ(tcp.State().NodeType, "");
        EXPECT_STREQ(tcp.State().NameServer1, "");
    }
}

}  // namespace
