// Every write of a family made to fail in turn. For each case (a family, a
// platform mode, a machine and a set of edits) the write runs once cleanly
// to learn its registry changes and platform calls; then, on a fresh
// machine each time, the nth change fails, for every n. Whatever fails:
//  - nothing else is lost: the registry differs from the clean write's only
//    in what the failed change touched (one value; for a key deletion, the
//    tree that deletion was taking away; for a change a platform call makes,
//    what that call keeps; for a step that stops at its first failure, what
//    the whole step writes);
//  - a change the family counts gives the result 0, leaves the write marks
//    set, and the same write repeated without the failure answers 1 and
//    leaves what the clean write left (the order of a value the failed
//    write never created aside: a value created later goes last, on
//    Windows as here);
//  - a change the family does not count leaves the clean write's result.
// Platform calls a family makes (the joins, the shares) are failed in turn
// the same way, through sim::FailCall; what they may leave different is the
// platform's own state, named per family.
//
// A family joins with one SweepFamily row (its write, its marks, the values
// and calls whose failure it counts) and cases for each platform mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "../CorpDomain.h"
#include "Orvane.h"
#include "SimModule.h"
#include "TestMachines.h"
#include "lm.h"
#include "sim/control.h"

namespace {

// A part of the registry: a key with everything below it, or one value.
struct Area {
    std::string key;
    const char* value;  // null: the whole key
};

struct SweptCall {
    const char* function;
    DWORD status;        // what the failing call answers
    int countedFirst;    // how many of its first calls count towards the result (kAll: every one)
};
constexpr int kAll = 1 << 20;

struct SweepFamily {
    const char* name;
    INT (*write)();
    INT (*writeNeeded)();  // null: the family keeps no marks
    // Value names whose writes count towards the result (on any key).
    std::vector<std::string> countedValues;
    std::vector<SweptCall> calls;
    // Unless set, a value written twice in one write (once by a side step
    // such as the Windows 95/98 WINS switch, then by the counted step)
    // counts at its last write only.
    bool everyWriteCounts = false;
    // Keys (by the end of their name) any change of which counts.
    std::vector<std::string> countedKeys;
    // Steps that stop at their first failure: a failure in one may leave
    // all it writes different.
    std::vector<std::vector<Area>> stoppingSteps;
    // Keys below which a platform call keeps one record per subkey: a failed
    // change there may leave that whole record different.
    std::vector<std::string> platformRecords;
    // The platform's own state, which a failed platform call may leave
    // different; changes below it are the calls' and swept through them.
    std::vector<std::string> platformState;
    // A failed deletion of a binding value keeps the component instance it
    // names, with the instances bound inside it and a protocol's driver
    // instance; a removal then answers 0, an unbind goes on.
    enum Bindings { kNoBindings, kUnbindKeeps, kRemovalStops } bindings = kNoBindings;
};

struct SweepCase {
    const char* name;
    const SweepFamily* family;
    sim::Platform platform;
    const char* machine;  // below examples/
    void (*setup)();      // more machine set-up before the library loads; may be null
    void (*edit)();       // the edits, through the exports
    INT result = 1;       // what the clean write answers
};

// ---- Families ------------------------------------------------------------------------

const SweepFamily kNic = {
    "nic",
    &SetNICWriteData,
    &GetNICWriteNeeded,
    {"IPAddress", "IPMask", "SubnetMask", "DefaultGateway", "NameServer", "NameServerBackup", "NameServerList",
     "NameServer1", "NameServer2", "NodeType"},
    {}, false, {}, {}, {}, {}, SweepFamily::kNoBindings,
};

const SweepFamily kTcp = {
    "tcp",
    &SetTCPWriteData,
    &GetTCPWriteNeeded,
    {"HostName", "Domain", "LMHostFile", "NameServer", "EnableDNS", "ScopeID", "NodeType", "NameServer1",
     "NameServer2", "SearchList"},
    {}, false, {}, {}, {}, {}, SweepFamily::kNoBindings,
};

const char kHklm[] = "HKEY_LOCAL_MACHINE\\";
const std::string kSimState = std::string(kHklm) + "SOFTWARE\\OrvaneSim";
const std::string kNetlogon = std::string(kHklm) + "SYSTEM\\CurrentControlSet\\Services\\Netlogon";
const std::string kSharesNT = std::string(kHklm) + "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares";
const std::string kShares9x = std::string(kHklm) + "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan";

// The share classes count none of their calls; a failed one loses at most
// the share it was making.
const SweptCall kShareCalls[] = {
    {"NetShareEnum", ERROR_ACCESS_DENIED, 0},
    {"NetShareDel", ERROR_ACCESS_DENIED, 0},
    {"NetShareAdd", ERROR_ACCESS_DENIED, 0},
};
std::vector<SweptCall> WithShareCalls(std::vector<SweptCall> calls) {
    calls.insert(calls.end(), std::begin(kShareCalls), std::end(kShareCalls));
    return calls;
}

// The nine steps; the primary logon (preferred redirector, primary
// provider, the clients' default marks) stops at its first failure.
const SweepFamily kWnet98 = {
    "wnet98",
    &SetWNETWriteData,
    &GetWNETWriteNeeded,
    {"ComputerName", "Workgroup", "Comment", "preferredredir", "PrimaryProvider", "AuthenticatingAgent", "LMLogon",
     "LogonDisconnected", "DisablePwdCaching"},
    WithShareCalls({}),
    true,
    {"\\Ndi\\Default"},
    {{{std::string(kHklm) + "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\Real Mode Net", "preferredredir"},
      {std::string(kHklm) + "Network\\Logon", "PrimaryProvider"},
      {std::string(kHklm) + "System\\CurrentControlSet\\Services\\Class\\NetClient", nullptr}}},
    {kShares9x},
    {},
    SweepFamily::kNoBindings,
};

// The computer name and the workgroup or domain change of CNT4Domain: every
// step of the join counts up to the trust's secret and the primary domain;
// the clean-up, the second privilege change and Netlogon do not.
const SweepFamily kWnetNT4 = {
    "wnetnt4",
    &SetWNETWriteData,
    &GetWNETWriteNeeded,
    {"ComputerName"},
    WithShareCalls({
        {"NetServerGetInfo", ERROR_ACCESS_DENIED, kAll},
        {"NetUserModalsGet", ERROR_ACCESS_DENIED, kAll},
        {"NetGetDCName", NERR_DCNotFound, kAll},
        {"NetUseAdd", ERROR_ACCESS_DENIED, kAll},
        {"LookupPrivilegeValueW", ERROR_NO_SUCH_PRIVILEGE, 1},
        {"OpenProcessToken", ERROR_ACCESS_DENIED, 1},
        {"AdjustTokenPrivileges", ERROR_ACCESS_DENIED, 2},
        {"NetUserGetInfo", NERR_UserNotFound, 0},
        {"NetUserAdd", ERROR_ACCESS_DENIED, kAll},
        {"IsValidSid", ERROR_INVALID_SID, kAll},
        {"CopySid", ERROR_INSUFFICIENT_BUFFER, kAll},
        {"LsaOpenPolicy", 0xC0000022, kAll},
        {"LsaQueryInformationPolicy", 0xC0000022, 0},
        {"LsaDeleteTrustedDomain", 0xC0000022, 0},
        {"LsaSetTrustedDomainInformation", 0xC0000022, kAll},
        {"LsaStorePrivateData", 0xC0000022, kAll},
        {"LsaSetInformationPolicy", 0xC0000022, kAll},
        {"NetUseDel", ERROR_ACCESS_DENIED, 0},
        {"OpenSCManagerW", ERROR_ACCESS_DENIED, 0},
        {"OpenServiceW", ERROR_ACCESS_DENIED, 0},
        {"ChangeServiceConfigW", ERROR_ACCESS_DENIED, 0},
        {"StartServiceW", ERROR_ACCESS_DENIED, 0},
        {"ControlService", ERROR_ACCESS_DENIED, 0},
    }),
    true,
    {},
    {},
    {},
    {kSimState, kNetlogon, kSharesNT},
    SweepFamily::kNoBindings,
};

// Both computer-name calls, both host-name values and the join of
// CW2KDomain count; the join information and the unjoin before a join do
// not.
const SweepFamily kWnet2000 = {
    "wnet2000",
    &SetWNETWriteData,
    &GetWNETWriteNeeded,
    {"ComputerName", "Hostname", "NV Hostname"},
    WithShareCalls({
        {"NetGetJoinInformation", ERROR_ACCESS_DENIED, 0},
        {"NetUnjoinDomain", ERROR_ACCESS_DENIED, 0},
        {"NetJoinDomain", ERROR_ACCESS_DENIED, kAll},
    }),
    true,
    {},
    {},
    {},
    {kSimState, kNetlogon, kSharesNT},
    SweepFamily::kNoBindings,
};

// CNetProtocols counts none of its writes but one: an install answers for
// its adapter check, a binding for its arguments, a removal also for the
// deletion of its binding value (refused, it stops there).
INT InstallTcp() { return SetProtocolInstall(1, 1); }
INT InstallBoth() { return SetProtocolInstall(1, 3); }
INT UninstallTcp() { return SetProtocolUninstall(0, 1); }
INT UninstallNetBeui() { return SetProtocolUninstall(0, 2); }
INT BindBoth() { return SetProtocolServiceBindings(1, 1, 3); }
INT UnbindBoth() { return SetProtocolServiceUnbindings(0, 3, 3); }
SweepFamily ProtocolFamily(const char* name, INT (*write)(), SweepFamily::Bindings bindings) {
    return {name, write, nullptr, {}, {}, false, {}, {}, {}, {}, bindings};
}
const SweepFamily kInstallTcp = ProtocolFamily("install_tcp", &InstallTcp, SweepFamily::kNoBindings);
const SweepFamily kInstall = ProtocolFamily("install", &InstallBoth, SweepFamily::kNoBindings);
const SweepFamily kUninstallTcp = ProtocolFamily("uninstall_tcp", &UninstallTcp, SweepFamily::kRemovalStops);
const SweepFamily kUninstallNetBeui =
    ProtocolFamily("uninstall_netbeui", &UninstallNetBeui, SweepFamily::kRemovalStops);
const SweepFamily kBind = ProtocolFamily("bind", &BindBoth, SweepFamily::kNoBindings);
const SweepFamily kUnbind = ProtocolFamily("unbind", &UnbindBoth, SweepFamily::kUnbindKeeps);

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

void EditIdentity() {
    SetWNETComputerName("SWEEP");
    SetWNETComputerWorkgroup("SWEEPERS");
    SetWNETComputerComment("swept");
    SetWNETNTLogon(GetWNETNTLogon() ? 0 : 1);
    SetWNETNTLogonDomain("SWEEPDOM");
    SetWNETQuickLogon(GetWNETQuickLogon() ? 0 : 1);
    SetWNETDefaultLogon("Client for NetWare Networks");
}

void RenameOnly() { SetWNETComputerName("SWEEP"); }

void JoinWorkgroup() {
    SetWNETComputerName("SWEEP");
    SetWNETNTLogon(0);
    SetWNETComputerWorkgroup("SWEEPERS");
}

void JoinDomain() {
    SetWNETComputerName("SWEEP");
    SetWNETNTLogon(1);
    SetWNETNTLogonDomain("CORP");
}

// A member of CORP already: a workgroup change unjoins first.
void CorpMember() {
    AddCorpController();
    sim::SetPrimaryDomain("CORP", kCorpSid);
}

void RemoveTcp() { SetProtocolUninstall(1, 1); }
void NoEdit() {}

const SweepCase kCases[] = {
    {"nic_edits_win98", &kNic, sim::Platform::Win98, "win98.reg", nullptr, EditEveryAdapter, 1},
    {"nic_dhcp_win98", &kNic, sim::Platform::Win98, "win98.reg", nullptr, EveryAdapterToDhcp, 1},
    {"nic_edits_nt4", &kNic, sim::Platform::NT4, "nt4.reg", nullptr, EditEveryAdapter, 1},
    {"nic_dhcp_nt4", &kNic, sim::Platform::NT4, "nt4.reg", nullptr, EveryAdapterToDhcp, 1},
    {"nic_edits_win2000", &kNic, sim::Platform::Win2000, "win2000.reg", nullptr, EditEveryAdapter, 1},
    {"nic_dhcp_win2000", &kNic, sim::Platform::Win2000, "win2000.reg", nullptr, EveryAdapterToDhcp, 1},
    {"tcp_edits_win98", &kTcp, sim::Platform::Win98, "win98.reg", nullptr, EditEverySetting, 1},
    {"tcp_edits_win98_global_wins", &kTcp, sim::Platform::Win98, "win98.reg", OldDialUpAndWinsock, EditEverySetting, 1},
    {"tcp_to_dhcp_win98_global_wins", &kTcp, sim::Platform::Win98, "win98.reg", OldDialUpAndWinsock, WinsToDhcp, 1},
    {"tcp_edits_nt4", &kTcp, sim::Platform::NT4, "nt4.reg", nullptr, EditEverySetting, 1},
    {"tcp_edits_win2000", &kTcp, sim::Platform::Win2000, "win2000.reg", nullptr, EditEverySetting, 1},
    {"wnet_edits_win98", &kWnet98, sim::Platform::Win98, "win98.reg", nullptr, EditIdentity, 1},
    {"wnet_rename_nt4", &kWnetNT4, sim::Platform::NT4, "nt4.reg", AddCorpController, RenameOnly, 1},
    {"wnet_workgroup_nt4", &kWnetNT4, sim::Platform::NT4, "nt4.reg", AddCorpController, JoinWorkgroup, 1},
    {"wnet_domain_nt4", &kWnetNT4, sim::Platform::NT4, "nt4.reg", AddCorpController, JoinDomain, 1},
    {"wnet_workgroup_win2000", &kWnet2000, sim::Platform::Win2000, "win2000.reg", AddCorpController, JoinWorkgroup, 1},
    {"wnet_domain_win2000", &kWnet2000, sim::Platform::Win2000, "win2000.reg", AddCorpController, JoinDomain, 1},
    {"wnet_leave_domain_win2000", &kWnet2000, sim::Platform::Win2000, "win2000.reg", CorpMember, JoinWorkgroup, 1},
    // Refused: the adapter has TCP/IP; its new driver instance goes again.
    {"protocol_install_refused_win98", &kInstallTcp, sim::Platform::Win98, "win98.reg", nullptr, NoEdit, 0},
    {"protocol_install_win98", &kInstall, sim::Platform::Win98, "win98.reg", nullptr, RemoveTcp, 1},
    {"protocol_uninstall_tcp_win98", &kUninstallTcp, sim::Platform::Win98, "win98.reg", nullptr, NoEdit, 1},
    {"protocol_uninstall_netbeui_win98", &kUninstallNetBeui, sim::Platform::Win98, "win98.reg", nullptr, NoEdit, 1},
    {"protocol_bind_win98", &kBind, sim::Platform::Win98, "win98.reg", nullptr, NoEdit, 1},
    {"protocol_unbind_win98", &kUnbind, sim::Platform::Win98, "win98.reg", nullptr, NoEdit, 1},
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
    const std::string k = Upper(key), t = Upper(top);
    return k == t || (k.size() > t.size() && k.compare(0, t.size(), t) == 0 && k[t.size()] == '\\');
}

bool Counts(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& n : names)
        if (Upper(n) == Upper(name)) return true;
    return false;
}

bool EndsWith(const std::string& key, const std::string& end) {
    return key.size() >= end.size() && Upper(key.substr(key.size() - end.size())) == Upper(end);
}

// What a failure may leave different.
struct Region {
    std::vector<Area> areas;
    bool Holds(const std::string& key, const std::string* value) const {
        for (const Area& a : areas) {
            if (!a.value ? Inside(key, a.key) : value && Upper(key) == Upper(a.key) && *value == Upper(a.value))
                return true;
        }
        return false;
    }
};

// The value a change wrote or deleted, or the tree a key deletion was
// taking away (up to the highest key of it that the clean write removed);
// the record of a platform call it belongs to; the whole of a step that
// stops at its first failure.
// A component instance a binding names (MSTCP\0000), those bound inside
// it, and a protocol's driver instance, as the machine held them before.
void KeptInstances(const std::string& binding, const Contents& before, Region* r) {
    const std::string instance = std::string(kHklm) + "Enum\\Network\\" + binding;
    r->areas.push_back({instance, nullptr});
    auto bound = before.find(instance + "\\Bindings");
    if (bound != before.end())
        for (const auto& named : bound->second)
            r->areas.push_back({std::string(kHklm) + "Enum\\Network\\" + named.first, nullptr});
    const bool protocol = Inside(instance, std::string(kHklm) + "Enum\\Network\\MSTCP") ||
                          Inside(instance, std::string(kHklm) + "Enum\\Network\\NETBEUI");
    auto values = before.find(instance);
    if (!protocol || values == before.end()) return;
    auto driver = values->second.find("DRIVER");
    if (driver == values->second.end()) return;
    // "Driver"="NetTrans\\0000"
    std::string text = driver->second.substr(driver->second.find("=\"") + 2);
    text.pop_back();
    std::string key;
    for (size_t i = 0; i < text.size(); ++i) key += text[i] == '\\' ? text[++i] : text[i];
    r->areas.push_back({std::string(kHklm) + "System\\CurrentControlSet\\Services\\Class\\" + key, nullptr});
}

Region RegionOf(const sim::RegWrite& w, const Contents& clean, const Contents& before, const SweepFamily& f) {
    Region r;
    if (w.kind == sim::RegWrite::DeleteKey) {
        std::string top = w.key;
        for (size_t cut; (cut = top.rfind('\\')) != std::string::npos && !clean.count(top.substr(0, cut));)
            top.resize(cut);
        r.areas.push_back({top, nullptr});
    } else {
        r.areas.push_back({w.key, w.value.c_str()});
    }
    for (const std::string& records : f.platformRecords) {
        if (!Inside(w.key, records)) continue;
        const size_t end = w.key.find('\\', records.size() + 1);
        r.areas.push_back({w.key.substr(0, end), nullptr});
    }
    if (f.bindings != SweepFamily::kNoBindings && w.kind == sim::RegWrite::DeleteValue &&
        EndsWith(w.key, "\\Bindings"))
        KeptInstances(w.value, before, &r);
    const std::string value = Upper(w.value);
    for (const std::vector<Area>& step : f.stoppingSteps) {
        const Region one{step};
        if (one.Holds(w.key, w.kind == sim::RegWrite::DeleteKey ? nullptr : &value))
            r.areas.insert(r.areas.end(), step.begin(), step.end());
    }
    return r;
}

// The differences between two contents that lie outside the region, as
// lines for a failure message.
std::vector<std::string> DifferencesOutside(const Contents& got, const Contents& want, const Region& region) {
    std::vector<std::string> out;
    auto check = [&](const Contents& a, const Contents& b, const char* what) {
        for (const auto& [key, values] : a) {
            auto other = b.find(key);
            if (other == b.end()) {
                if (!region.Holds(key, nullptr)) out.push_back(std::string(what) + " key " + key);
                continue;
            }
            for (const auto& [name, line] : values) {
                auto match = other->second.find(name);
                if (match != other->second.end() && match->second == line) continue;
                if (!region.Holds(key, &name)) out.push_back(std::string(what) + " " + key + ": " + line);
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
    // leaves (within `region`), what a repeat makes of it.
    // `keeps`: the failure is a release refused, which keeps its resource.
    void CheckFailure(bool counted, const Region& region, const Contents& clean, const std::string& what,
                      bool keeps = false) {
        SCOPED_TRACE(what);
        const SweepCase& c = GetParam();
        const SweepFamily& f = *c.family;
        const INT rc = f.write();
        EXPECT_EQ(rc, counted ? 0 : c.result)
            << (counted ? "a counted failure must give 0" : "an uncounted one must not");
        if (counted && f.writeNeeded) {
            EXPECT_EQ(f.writeNeeded(), 1) << "the marks stay set";
        }
        for (const std::string& d : DifferencesOutside(ReadContents(), clean, region)) ADD_FAILURE() << d;
        if (!keeps) {
            EXPECT_EQ(sim::Describe(sim::LiveSecurityResources()), sim::Describe({}));
        }
        if (!counted) return;
        sim::ClearFailures();
        EXPECT_EQ(f.write(), 1) << "the write repeated without the failure";
        for (const std::string& d : DifferencesOutside(ReadContents(), clean, Region{}))
            ADD_FAILURE() << "after the repeat: " << d;
        EXPECT_EQ(sim::OpenKeyHandles(), 0u);
        EXPECT_EQ(sim::LiveHeaps(), 0u);
    }

    std::string m_dir;
    char m_oldDir[4096];
    HMODULE m_module = nullptr;
};

TEST_P(FaultSweep, EveryCountedWriteFailsCleanly) {
    const SweepCase& c = GetParam();
    const SweepFamily& f = *c.family;
    Prepare();
    const Contents before = ReadContents();
    ASSERT_EQ(f.write(), c.result);
    const std::vector<sim::RegWrite> writes = sim::RegistryWrites();
    const Contents clean = ReadContents();
    std::map<std::string, size_t> callCounts;
    for (const SweptCall& call : f.calls) callCounts[call.function] = sim::ApiCallsOf(call.function).size();
    ASSERT_FALSE(writes.empty()) << "the edits must make the write change something";

    size_t countedSeen = 0;
    for (size_t n = 1; n <= writes.size(); ++n) {
        const sim::RegWrite& w = writes[n - 1];
        bool platform = false;
        for (const std::string& state : f.platformState) platform = platform || Inside(w.key, state);
        if (platform) continue;  // the calls' sweep reaches it
        bool counted = false;
        for (const std::string& end : f.countedKeys) counted = counted || EndsWith(w.key, end);
        if (w.kind == sim::RegWrite::SetValue && Counts(f.countedValues, w.value)) {
            counted = true;
            for (size_t later = n; later < writes.size() && counted && !f.everyWriteCounts; ++later)
                counted = !(writes[later].kind == sim::RegWrite::SetValue && writes[later].key == w.key &&
                            Upper(writes[later].value) == Upper(w.value));
        }
        if (f.bindings == SweepFamily::kRemovalStops && w.kind == sim::RegWrite::DeleteValue)
            counted = EndsWith(w.key, "\\Bindings");
        countedSeen += counted;
        Prepare();
        sim::FailRegistryWrite(n);
        CheckFailure(counted, RegionOf(w, clean, before, f), clean, "change " + std::to_string(n) + ": " + Describe(w));
        ASSERT_GE(sim::RegistryWrites().size(), n);
        EXPECT_TRUE(sim::RegistryWrites()[n - 1].failed);
    }
    if (!f.countedValues.empty() || !f.countedKeys.empty() || f.bindings == SweepFamily::kRemovalStops) {
        EXPECT_GT(countedSeen, 0u) << "no counted write was made to fail";
    }

    Region platform;
    for (const std::string& state : f.platformState) platform.areas.push_back({state, nullptr});
    for (const std::string& records : f.platformRecords) platform.areas.push_back({records, nullptr});
    for (const SweptCall& call : f.calls) {
        for (size_t n = 1; n <= callCounts[call.function]; ++n) {
            Prepare();
            sim::FailCall(call.function, call.status, int(n));
            CheckFailure(int(n) <= call.countedFirst, platform, clean,
                         std::string(call.function) + " call " + std::to_string(n),
                         std::string(call.function) == "NetUseDel");
        }
    }
}

std::string CaseName(const ::testing::TestParamInfo<SweepCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Families, FaultSweep, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
