// Every write of a family made to fail in turn. For each case (a family, a
// platform mode, a machine and a set of edits) the write runs once cleanly
// to learn its registry changes; then, on a fresh machine each time, the
// nth change fails, for every n. Whatever fails:
//  - nothing else is lost: the registry differs from the clean write's only
//    in what the failed change touched (one value; for a key deletion, the
//    tree that deletion was taking away);
//  - a change the family counts gives the result 0, leaves the write marks
//    set, and the same write repeated without the failure answers 1 and
//    leaves what the clean write left (the order of a value the failed
//    write never created aside: a value created later goes last, on
//    Windows as here);
//  - a change the family does not count leaves the result 1.
// Platform calls a family counts (the identity's join, for instance) are
// failed in turn the same way, through sim::FailCall.
//
// A family joins with one SweepFamily row (its write, its marks, the values
// and calls whose failure it counts) and cases for each platform mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Orvane.h"
#include "SimModule.h"
#include "TestMachines.h"
#include "sim/control.h"

namespace {

struct CountedCall {
    const char* function;
    DWORD status;  // what the failing call answers
};

struct SweepFamily {
    const char* name;
    INT(WINAPI* write)();
    INT(WINAPI* writeNeeded)();
    // Value names whose writes count towards the result. A value written
    // twice in one write (once by a side step such as the Windows 95/98
    // WINS switch, then by the counted step) counts at its last write.
    std::vector<std::string> countedValues;
    std::vector<CountedCall> countedCalls;
};

struct SweepCase {
    const char* name;
    const SweepFamily* family;
    sim::Platform platform;
    const char* machine;  // below examples/
    void (*setup)();      // more machine set-up before the library loads; may be null
    void (*edit)();       // the edits, through the exports
};

// ---- Families ------------------------------------------------------------------------

const SweepFamily kNic = {
    "nic",
    &SetNICWriteData,
    &GetNICWriteNeeded,
    {"IPAddress", "IPMask", "SubnetMask", "DefaultGateway", "NameServer", "NameServerBackup", "NameServerList",
     "NameServer1", "NameServer2", "NodeType"},
    {},
};

const SweepFamily kTcp = {
    "tcp",
    &SetTCPWriteData,
    &GetTCPWriteNeeded,
    {"HostName", "Domain", "LMHostFile", "NameServer", "EnableDNS", "ScopeID", "NodeType", "NameServer1",
     "NameServer2", "SearchList"},
    {},
};

// ---- Edits ---------------------------------------------------------------------------

std::string Address(int adapter, int host) {
    return "10.77." + std::to_string(adapter) + "." + std::to_string(host);
}

// Everything an adapter holds, changed.
void EditEveryAdapter() {
    for (INT i = 0; i < GetNICCount(); ++i) {
        const DWORD n = DWORD(i);
        SetNICIpAddress(n, 0, Address(i, 5).c_str());
        SetNICIpMask(n, 0, "255.255.0.0");
        SetNICGateway(n, 0, Address(i, 1).c_str());
        SetNICGateway(n, 1, Address(i, 2).c_str());
        SetNICNameServer1(n, "10.77.0.53");
        SetNICNameServer2(n, "10.77.0.54");
        SetNICWINSEnable(n, 1);
        SetNICEnabled(n, GetNICEnabled(n) ? 0 : 1);
        SetNICDNSNameServer(n, 0, "10.77.0.1");
        SetNICDNSEnable(n, 1);
    }
}

// Every adapter to DHCP with WINS from DHCP: the deletions and the WINS switch.
void EveryAdapterToDhcp() {
    for (INT i = 0; i < GetNICCount(); ++i) {
        const DWORD n = DWORD(i);
        SetNICDHCP(n);
        SetNICWINSEnable(n, 0);
        SetNICDHCPWINS(n, 1);
        SetNICEnabled(n, 1);
        SetNICDNSEnable(n, 0);
    }
}

void EditEverySetting() {
    SetTCPHostName("sweep");
    SetTCPDomainName("sweep.example");
    SetTCPLMHostFile("C:\\WINDOWS\\LMHOSTS");
    SetTCPDNSEnable(1);
    SetTCPDNSServer(0, "10.77.0.53");
    SetTCPDNSServer(1, "10.77.0.54");
    SetTCPNameServer1("10.77.0.55");
    SetTCPNameServer2("10.77.0.56");
    SetTCPScopeID("scope");
    SetTCPSearchList(0, "a.example");
    SetTCPSearchList(1, "b.example");
    SetTCPWINSEnable(1);
}

void WinsToDhcp() {
    SetTCPHostName("sweep");
    SetTCPDNSEnable(0);
    SetTCPWINSEnable(0);
    SetTCPDHCPWINS(1);
}

// A Windows 95/98 whose dial-up networking and Winsock are too old for WINS
// per adapter: the machine-wide WINS values apply.
void OldDialUpAndWinsock() {
    sim::SetFileVersion("C:\\WINDOWS\\System\\rasapi32.dll", 4, 10, 0, 1500);
    sim::SetWinsockHighVersion(0x0101);
}

const SweepCase kCases[] = {
    {"nic_edits_win98", &kNic, sim::Platform::Win98, "win98.reg", nullptr, EditEveryAdapter},
    {"nic_dhcp_win98", &kNic, sim::Platform::Win98, "win98.reg", nullptr, EveryAdapterToDhcp},
    {"nic_edits_nt4", &kNic, sim::Platform::NT4, "nt4.reg", nullptr, EditEveryAdapter},
    {"nic_dhcp_nt4", &kNic, sim::Platform::NT4, "nt4.reg", nullptr, EveryAdapterToDhcp},
    {"nic_edits_win2000", &kNic, sim::Platform::Win2000, "win2000.reg", nullptr, EditEveryAdapter},
    {"nic_dhcp_win2000", &kNic, sim::Platform::Win2000, "win2000.reg", nullptr, EveryAdapterToDhcp},
    {"tcp_edits_win98", &kTcp, sim::Platform::Win98, "win98.reg", nullptr, EditEverySetting},
    {"tcp_edits_win98_global_wins", &kTcp, sim::Platform::Win98, "win98.reg", OldDialUpAndWinsock, EditEverySetting},
    {"tcp_to_dhcp_win98_global_wins", &kTcp, sim::Platform::Win98, "win98.reg", OldDialUpAndWinsock, WinsToDhcp},
    {"tcp_edits_nt4", &kTcp, sim::Platform::NT4, "nt4.reg", nullptr, EditEverySetting},
    {"tcp_edits_win2000", &kTcp, sim::Platform::Win2000, "win2000.reg", nullptr, EditEverySetting},
};

// ---- The registry as contents: key -> value name -> its .reg line ----------------------

typedef std::map<std::string, std::map<std::string, std::string>> Contents;

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
}

Contents ReadContents() {
    const std::string text = sim::ExportReg(sim::RegFormat::Regedit4);
    Contents contents;
    std::string key, last;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (line.empty() || line == "REGEDIT4") continue;
        if (line[0] == '[') {
            key = line.substr(1, line.size() - 2);
            contents[key];
        } else if (line.compare(0, 2, "  ") == 0) {
            contents[key][last] += line;  // a continued hex list
        } else {
            std::string name;
            if (line[0] == '"') {
                for (size_t i = 1; i < line.size() && line[i] != '"'; ++i) {
                    if (line[i] == '\\') ++i;
                    name += line[i];
                }
            }
            last = Upper(name);
            contents[key][last] = line;
        }
    }
    return contents;
}

bool Inside(const std::string& key, const std::string& top) {
    return key == top || (key.size() > top.size() && key.compare(0, top.size(), top) == 0 && key[top.size()] == '\\');
}

// What a failed change may leave different: the value it wrote or deleted,
// or the tree a key deletion was taking away (up to the highest key of it
// that the clean write removed).
struct Region {
    const sim::RegWrite* write;
    std::string top;
    bool Holds(const std::string& key, const std::string* value) const {
        if (write->kind == sim::RegWrite::DeleteKey) return Inside(key, top);
        return value && key == write->key && *value == Upper(write->value);
    }
};

Region RegionOf(const sim::RegWrite& w, const Contents& clean) {
    Region r{&w, w.key};
    if (w.kind == sim::RegWrite::DeleteKey) {
        for (size_t cut; (cut = r.top.rfind('\\')) != std::string::npos && !clean.count(r.top.substr(0, cut));)
            r.top.resize(cut);
    }
    return r;
}

// The differences between two contents that lie outside the region, as
// lines for a failure message.
std::vector<std::string> DifferencesOutside(const Contents& got, const Contents& want, const Region* region) {
    std::vector<std::string> out;
    auto check = [&](const Contents& a, const Contents& b, const char* what) {
        for (const auto& [key, values] : a) {
            auto other = b.find(key);
            if (other == b.end()) {
                if (!region || !region->Holds(key, nullptr)) out.push_back(std::string(what) + " key " + key);
                continue;
            }
            for (const auto& [name, line] : values) {
                auto match = other->second.find(name);
                if (match != other->second.end() && match->second == line) continue;
                if (!region || !region->Holds(key, &name)) out.push_back(std::string(what) + " " + key + ": " + line);
            }
        }
    };
    check(got, want, "extra");
    check(want, got, "missing");
    return out;
}

std::string Describe(const sim::RegWrite& w) {
    static const char* const kinds[] = {"set", "delete value", "delete key"};
    return std::string(kinds[w.kind]) + " " + w.key + (w.kind == sim::RegWrite::DeleteKey ? "" : " \"" + w.value + "\"");
}

// ---- The sweep -----------------------------------------------------------------------

class FaultSweep : public ::testing::TestWithParam<SweepCase> {
protected:
    void SetUp() override {
        char templ[] = "/tmp/orvane-sweep-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        m_dir = templ;
        ASSERT_EQ(getcwd(m_oldDir, sizeof m_oldDir), m_oldDir);
        ASSERT_EQ(chdir(m_dir.c_str()), 0);  // an adapter dump lands here
    }
    void TearDown() override {
        Unload();
        EXPECT_EQ(chdir(m_oldDir), 0);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    // A fresh machine with the library loaded and the case's edits made;
    // the registry changes recorded from here on are the write's.
    void Prepare() {
        Unload();
        const SweepCase& c = GetParam();
        ASSERT_TRUE(LoadTestMachine({c.name, std::string(ORVANE_SOURCE_DIR "/examples/") + c.machine, c.platform}));
        if (c.setup) c.setup();
        orvane::InstallSimModule();
        m_module = LoadLibraryA("Orvane.dll");
        ASSERT_NE(m_module, nullptr);
        c.edit();
        sim::ClearRegistryWrites();
        sim::ClearApiCalls();
        sim::ClearFailures();
    }
    void Unload() {
        if (m_module) FreeLibrary(m_module);
        m_module = nullptr;
    }

    // One failing write against the clean one: what it answers, what it
    // leaves (within `region` of the failed change; null for a platform
    // call), what a repeat makes of it.
    void CheckFailure(bool counted, const Region* region, const Contents& clean, const std::string& what) {
        SCOPED_TRACE(what);
        const SweepFamily& f = *GetParam().family;
        const INT rc = f.write();
        EXPECT_EQ(rc, counted ? 0 : 1) << (counted ? "a counted failure must give 0" : "an uncounted one must not");
        if (counted) {
            EXPECT_EQ(f.writeNeeded(), 1) << "the marks stay set";
        }
        // What a failed platform call would have changed is its own business;
        // a registry change's is known.
        if (region) {
            for (const std::string& d : DifferencesOutside(ReadContents(), clean, region)) ADD_FAILURE() << d;
        }
        if (!counted) return;
        sim::ClearFailures();
        EXPECT_EQ(f.write(), 1) << "the write repeated without the failure";
        for (const std::string& d : DifferencesOutside(ReadContents(), clean, nullptr))
            ADD_FAILURE() << "after the repeat: " << d;
        EXPECT_EQ(sim::OpenKeyHandles(), 0u);
        EXPECT_EQ(sim::LiveHeaps(), 0u);
    }

    std::string m_dir;
    char m_oldDir[4096];
    HMODULE m_module = nullptr;
};

TEST_P(FaultSweep, EveryCountedWriteFailsCleanly) {
    const SweepFamily& f = *GetParam().family;
    Prepare();
    ASSERT_EQ(f.write(), 1);
    const std::vector<sim::RegWrite> writes = sim::RegistryWrites();
    const Contents clean = ReadContents();
    std::map<std::string, size_t> callCounts;
    for (const CountedCall& call : f.countedCalls) callCounts[call.function] = sim::ApiCallsOf(call.function).size();
    ASSERT_FALSE(writes.empty()) << "the edits must make the write change something";

    size_t countedSeen = 0;
    for (size_t n = 1; n <= writes.size(); ++n) {
        const sim::RegWrite& w = writes[n - 1];
        bool counted = false;
        if (w.kind == sim::RegWrite::SetValue) {
            for (const std::string& name : f.countedValues) counted = counted || Upper(name) == Upper(w.value);
            for (size_t later = n; later < writes.size() && counted; ++later)
                counted = !(writes[later].kind == sim::RegWrite::SetValue && writes[later].key == w.key &&
                            Upper(writes[later].value) == Upper(w.value));
        }
        countedSeen += counted;
        Prepare();
        sim::FailRegistryWrite(n);
        const Region region = RegionOf(w, clean);
        CheckFailure(counted, &region, clean, "change " + std::to_string(n) + ": " + Describe(w));
        ASSERT_GE(sim::RegistryWrites().size(), n);
        EXPECT_TRUE(sim::RegistryWrites()[n - 1].failed);
    }
    EXPECT_GT(countedSeen, 0u) << "no counted write was made to fail";

    for (const CountedCall& call : f.countedCalls) {
        for (size_t n = 1; n <= callCounts[call.function]; ++n) {
            Prepare();
            sim::FailCall(call.function, call.status, int(n));
            CheckFailure(true, nullptr, clean, std::string(call.function) + " call " + std::to_string(n));
        }
    }
}

std::string CaseName(const ::testing::TestParamInfo<SweepCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Families, FaultSweep, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
