// The exports called from several threads of one host at once, on each
// sample machine. Two rounds:
//  - every thread reads every family (the getters share the library's
//    objects and, in the design, scratch buffers): each thread must see
//    exactly what one thread alone sees;
//  - one thread per family edits, writes and reads back its own family
//    (adapters, TCP/IP, identity with shares and domain, protocols) while
//    the others do theirs: each thread must see what its family's script
//    alone sees on a fresh machine, and the machine must end as it ends
//    when the scripts run one after another.
// Built with ThreadSanitizer (preset native-tsan), a race anywhere in the
// library or the simulated platform fails the run.
//
//   thread_test [ROUNDS]      (default 4)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "../CorpDomain.h"
#include "Orvane.h"
#include "SimModule.h"
#include "sim/control.h"
#include "sim/network.h"

namespace {

struct Machine {
    const char* name;
    const char* file;
    sim::Platform platform;
};

const Machine kMachines[] = {
    {"win98", ORVANE_SOURCE_DIR "/examples/win98.reg", sim::Platform::Win98},
    {"nt4", ORVANE_SOURCE_DIR "/examples/nt4.reg", sim::Platform::NT4},
    {"win2000", ORVANE_SOURCE_DIR "/examples/win2000.reg", sim::Platform::Win2000},
};

// What one thread saw, call by call.
class Transcript {
public:
    void Add(const char* call, long long arg, long long result, const char* text = nullptr) {
        m_text += call;
        m_text += ' ' + std::to_string(arg) + " -> " + std::to_string(result);
        if (text && result == 1) (m_text += ' ') += text;
        m_text += '\n';
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

typedef INT(WINAPI* TextGetter)(LPSTR, DWORD);
typedef INT(WINAPI* AdapterTextGetter)(DWORD, LPSTR, DWORD);
typedef INT(WINAPI* SlotGetter)(DWORD, DWORD, LPSTR, DWORD);
typedef INT(WINAPI* IndexGetter)(DWORD, LPSTR, DWORD);
typedef INT(WINAPI* AdapterFlag)(DWORD);
typedef INT(WINAPI* Flag)(void);

#define NAMED(fn) {#fn, &::fn}
template <typename F>
struct Named {
    const char* name;
    F fn;
};

// Every getter, with buffers that fit and one byte short of fitting.
void ReadNic(Transcript& t) {
    static const Named<AdapterFlag> flags[] = {
        NAMED(GetNICTCPIP),       NAMED(GetNICNETBEUI), NAMED(GetNICIpAddressCount), NAMED(GetNICGatewayCount),
        NAMED(GetNICDHCP),        NAMED(GetNICDHCPWINS), NAMED(GetNICWINSEnable),    NAMED(GetNICEnabled),
        NAMED(GetNICDNSEnable),   NAMED(GetNICDNSCount)};
    static const Named<AdapterTextGetter> texts[] = {NAMED(GetNICName), NAMED(GetNICNameServer1),
                                                     NAMED(GetNICNameServer2)};
    static const Named<SlotGetter> slots[] = {NAMED(GetNICIpAddress), NAMED(GetNICIpMask), NAMED(GetNICGateway),
                                              NAMED(GetNICDNSNameServer)};
    char buffer[512];
    const int count = GetNICCount();
    t.Add("GetNICCount", 0, count);
    t.Add("GetNICAdapterWINS", 0, GetNICAdapterWINS());
    t.Add("GetNICAdapterDNS", 0, GetNICAdapterDNS());
    t.Add("GetNICWriteNeeded", 0, GetNICWriteNeeded());
    DWORD reason = 0;
    t.Add("GetNICRebootNeeded", reason, GetNICRebootNeeded(&reason));
    for (DWORD a = 0; a <= static_cast<DWORD>(count); ++a) {
        for (auto& f : flags) t.Add(f.name, a, f.fn(a));
        for (auto& f : texts) {
            t.Add(f.name, a, f.fn(a, buffer, sizeof buffer), buffer);
            t.Add(f.name, a, f.fn(a, buffer, 4));
        }
        for (auto& f : slots)
            for (DWORD s = 0; s < 5; ++s) t.Add(f.name, a * 10 + s, f.fn(a, s, buffer, sizeof buffer), buffer);
    }
}

void ReadTcp(Transcript& t) {
    static const Named<Flag> flags[] = {NAMED(GetTCPProtocolWINS), NAMED(GetTCPProtocolDNS), NAMED(GetTCPDHCPWINS),
                                        NAMED(GetTCPWriteNeeded),   NAMED(GetTCPDNSEnable),   NAMED(GetTCPWINSEnable),
                                        NAMED(GetTCPDNSServerCount), NAMED(GetTCPSearchListCount)};
    static const Named<TextGetter> texts[] = {NAMED(GetTCPHostName),    NAMED(GetTCPDomainName),
                                              NAMED(GetTCPLMHostFile),  NAMED(GetTCPNameServer1),
                                              NAMED(GetTCPNameServer2), NAMED(GetTCPScopeID)};
    static const Named<IndexGetter> lists[] = {NAMED(GetTCPDNSServer), NAMED(GetTCPSearchList)};
    char buffer[512];
    for (auto& f : flags) t.Add(f.name, 0, f.fn());
    for (auto& f : texts) {
        t.Add(f.name, 0, f.fn(buffer, sizeof buffer), buffer);
        t.Add(f.name, 4, f.fn(buffer, 4));
    }
    for (auto& f : lists)
        for (DWORD i = 0; i < 5; ++i) t.Add(f.name, i, f.fn(i, buffer, sizeof buffer), buffer);
}

void ReadWnet(Transcript& t) {
    static const Named<Flag> flags[] = {NAMED(GetWNETNTLogon), NAMED(GetWNETQuickLogon), NAMED(GetWNETLogonCount),
                                        NAMED(GetWNETWriteNeeded)};
    static const Named<TextGetter> texts[] = {NAMED(GetWNETComputerName), NAMED(GetWNETComputerWorkgroup),
                                              NAMED(GetWNETComputerComment), NAMED(GetWNETNTLogonDomain),
                                              NAMED(GetWNETDefaultLogon)};
    char buffer[512];
    for (auto& f : flags) t.Add(f.name, 0, f.fn());
    for (auto& f : texts) {
        t.Add(f.name, 0, f.fn(buffer, sizeof buffer), buffer);
        t.Add(f.name, 4, f.fn(buffer, 4));
    }
    for (DWORD i = 0; i < 6; ++i) t.Add("GetWNETLogonName", i, GetWNETLogonName(i, buffer, sizeof buffer), buffer);
}

void ReadProtocols(Transcript& t) {
    for (DWORD a = 0; a < 3; ++a)
        for (DWORD p : {ORVANE_PROTOCOL_TCPIP, ORVANE_PROTOCOL_NETBEUI})
            for (DWORD s : {ORVANE_SERVICE_FILE_SHARING, ORVANE_SERVICE_CLIENT})
                t.Add("GetProtocolServiceBinding", a * 100 + p * 10 + s, GetProtocolServiceBinding(a, p, s));
}

void ReadAll(Transcript& t) {
    char buffer[128];
    t.Add("GetDLLVersion", 0, GetDLLVersion(buffer, sizeof buffer), buffer);
    t.Add("GetDLLCopyright", 0, GetDLLCopyright(buffer, sizeof buffer), buffer);
    ReadNic(t);
    ReadTcp(t);
    ReadWnet(t);
    ReadProtocols(t);
}

// Each family's edits, its write and what it reads back; `round` varies
// the texts so that every round changes something. The adapters' switch to
// DHCP is left out: on Windows 95/98 it also stores the machine-wide scope
// that TCP/IP's write stores, and one value written by two families ends
// with whichever wrote last, so the final machine would depend on timing.
void EditNic(Transcript& t, int round) {
    const std::string n = std::to_string(round);
    for (DWORD a = 0; a < static_cast<DWORD>(GetNICCount()); ++a) {
        const std::string net = "10." + std::to_string(a + 1) + "." + n;
        SetNICIpAddress(a, 0, (net + ".5").c_str());
        SetNICIpMask(a, 0, "255.255.255.0");
        SetNICGateway(a, 0, (net + ".1").c_str());
        SetNICNameServer1(a, (net + ".2").c_str());
        SetNICDNSNameServer(a, 1, (net + ".3").c_str());
        SetNICWINSEnable(a, round % 2);
        SetNICDNSEnable(a, 1);
    }
    t.Add("SetNICWriteData", round, SetNICWriteData());
    ReadNic(t);
}

void EditTcp(Transcript& t, int round) {
    const std::string n = std::to_string(round);
    SetTCPHostName(("host" + n).c_str());
    SetTCPDomainName(("corp" + n + ".example").c_str());
    SetTCPDNSEnable(1);
    SetTCPDNSServer(0, ("192.168.7." + n).c_str());
    SetTCPSearchList(0, ("s" + n + ".example").c_str());
    SetTCPNameServer1(("192.168.8." + n).c_str());
    SetTCPScopeID(round % 2 ? "scope" : "");
    SetTCPWINSEnable(round % 2);
    t.Add("SetTCPWriteData", round, SetTCPWriteData());
    ReadTcp(t);
}

void EditWnet(Transcript& t, int round) {
    const std::string n = std::to_string(round);
    SetWNETComputerComment(("comment " + n).c_str());
    SetWNETComputerWorkgroup(round % 2 ? "CORP" : ("GROUP" + n).c_str());
    SetWNETNTLogon(round % 2);
    SetWNETNTLogonDomain("CORP");
    SetWNETQuickLogon(round % 2);
    t.Add("SetWNETWriteData", round, SetWNETWriteData());
    ReadWnet(t);
}

void EditProtocols(Transcript& t, int round) {
    const DWORD both = ORVANE_SERVICE_FILE_SHARING | ORVANE_SERVICE_CLIENT;
    if (round % 2) {
        t.Add("SetProtocolInstall", round, SetProtocolInstall(0, ORVANE_PROTOCOL_NETBEUI));
        t.Add("SetProtocolServiceBindings", round, SetProtocolServiceBindings(0, ORVANE_PROTOCOL_TCPIP, both));
    } else {
        t.Add("SetProtocolServiceUnbindings", round,
              SetProtocolServiceUnbindings(0, ORVANE_PROTOCOL_TCPIP, ORVANE_SERVICE_FILE_SHARING));
        t.Add("SetProtocolUninstall", round, SetProtocolUninstall(0, ORVANE_PROTOCOL_NETBEUI));
    }
    ReadProtocols(t);
}

typedef void (*Script)(Transcript&, int);
const Script kEditors[] = {EditNic, EditTcp, EditWnet, EditProtocols};
constexpr int kReaders = 4;

class Attached {
public:
    explicit Attached(const Machine& m) {
        sim::Reset();
        sim::SetPlatform(m.platform);
        const sim::RegImportResult r = sim::ImportRegFile(m.file);
        if (!r.ok) {
            std::fprintf(stderr, "thread_test: %s: line %d: %s\n", m.file, r.line, r.error.c_str());
            std::exit(1);
        }
        // A domain to join, so that the identity family's writes reach
        // the network and security functions.
        AddCorpController();
        orvane::InstallSimModule();
        m_module = LoadLibraryA("Orvane.dll");
    }
    ~Attached() {
        if (m_module) FreeLibrary(m_module);
    }
    bool ok() const { return m_module != nullptr; }

private:
    HMODULE m_module = nullptr;
};

bool Same(const char* machine, const char* what, const std::string& alone, const std::string& together) {
    if (alone == together) return true;
    size_t at = 0;
    while (at < alone.size() && at < together.size() && alone[at] == together[at]) ++at;
    const size_t line = alone.rfind('\n', at) == std::string::npos ? 0 : alone.rfind('\n', at) + 1;
    std::fprintf(stderr, "thread_test: %s: %s differs from one thread alone at:\n  alone:    %.120s\n  together: %.120s\n",
                 machine, what, alone.c_str() + line, together.c_str() + std::min(line, together.size()));
    return false;
}

bool RunMachine(const Machine& m, int rounds) {
    bool ok = true;
    // Every thread reads everything.
    std::string alone;
    {
        Attached a(m);
        if (!a.ok()) return false;
        Transcript t;
        for (int r = 0; r < rounds; ++r) ReadAll(t);
        alone = t.Text();
    }
    {
        Attached a(m);
        std::vector<Transcript> seen(kReaders);
        std::vector<std::thread> threads;
        for (auto& t : seen)
            threads.emplace_back([&t, rounds] {
                for (int r = 0; r < rounds; ++r) ReadAll(t);
            });
        for (auto& th : threads) th.join();
        for (auto& t : seen) ok = Same(m.name, "a reader's transcript", alone, t.Text()) && ok;
    }
    // One thread per family; alone, each on a fresh machine, and then all
    // of them one after another on one machine for the final state.
    std::vector<std::string> editorsAlone;
    for (Script s : kEditors) {
        Attached a(m);
        Transcript t;
        for (int r = 0; r < rounds; ++r) s(t, r);
        editorsAlone.push_back(t.Text());
    }
    std::string inTurn;
    {
        Attached a(m);
        for (Script s : kEditors) {
            Transcript t;
            for (int r = 0; r < rounds; ++r) s(t, r);
        }
        inTurn = sim::ExportReg(sim::RegFormat::Regedit4);
    }
    {
        Attached a(m);
        std::vector<Transcript> seen(std::size(kEditors));
        std::vector<std::thread> threads;
        for (size_t i = 0; i < seen.size(); ++i)
            threads.emplace_back([&seen, i, rounds] {
                for (int r = 0; r < rounds; ++r) kEditors[i](seen[i], r);
            });
        for (auto& th : threads) th.join();
        for (size_t i = 0; i < seen.size(); ++i)
            ok = Same(m.name, "an editor's transcript", editorsAlone[i], seen[i].Text()) && ok;
        ok = Same(m.name, "the registry", inTurn, sim::ExportReg(sim::RegFormat::Regedit4)) && ok;
    }
    std::printf("thread_test: %s: %d readers and %zu editors, %d rounds: %s\n", m.name, kReaders,
                std::size(kEditors), rounds, ok ? "each thread saw what one thread alone sees" : "FAILED");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 4;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: thread_test [ROUNDS]\n");
        return 2;
    }
    bool ok = true;
    for (const Machine& m : kMachines) ok = RunMachine(m, rounds) && ok;
    return ok ? 0 : 1;
}
