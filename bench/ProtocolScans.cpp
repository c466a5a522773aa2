// The three scans of the protocol code at their longest, on a Windows 98
// machine built for it, against a bare loop of as many opens of missing
// keys:
//
//  - free instance near the top: Enum\Network\MSTCP holds 0000 to 9998, so
//    the scan opens 9,999 keys before 9999 fails to open;
//  - class lookup across every number: Services\Class\NetService is sparse
//    (a handful of instances, VSERVER's the last, 9999), so the scan asks
//    for all 10,000 "nnnn\Ndi" keys, nearly all missing;
//  - binding search: an adapter bound to MSTCP\9999 only, so 10,000 value
//    names are asked for.
//
// The bare loop opens 10,000 missing keys below one open key, their names
// made beforehand: the least any scan over numbered keys costs.
// Each scan must stay under 20 ms on the simulated platform.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "NetProtocols.h"
#include "sim/control.h"

namespace {

const int kNumbers = 10000;
const char kCard[] = "Enum\\PCI\\VEN_8086&DEV_1229\\BUS_00&DEV_0B&FUNC_00";
const char kEmpty[] = "Enum\\Network\\EMPTY";

std::string Num4(int n) {
    char b[16];
    std::snprintf(b, sizeof b, "%04d", n);
    return b;
}

std::string BuildMachine() {
    std::string reg = "REGEDIT4\r\n\r\n";
    reg += "[HKEY_LOCAL_MACHINE\\" + std::string(kCard) + "]\r\n\"Class\"=\"Net\"\r\n\"DeviceDesc\"=\"Card\"\r\n\r\n";
    reg += "[HKEY_LOCAL_MACHINE\\" + std::string(kCard) + "\\Bindings]\r\n\"NWLINK\\\\0000\"=\"\"\r\n"
           "\"MSTCP\\\\9999\"=\"\"\r\n\r\n";
    for (int n = 0; n < kNumbers - 1; ++n) {
        reg += "[HKEY_LOCAL_MACHINE\\Enum\\Network\\MSTCP\\" + Num4(n) + "]\r\n\"Class\"=\"NetTrans\"\r\n\"Driver\"=\"NetTrans\\\\" +
               Num4(n) + "\"\r\n\r\n";
    }
    reg += "[HKEY_LOCAL_MACHINE\\" + std::string(kEmpty) + "]\r\n\r\n";
    const std::string service = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\NetService\\";
    for (int n : {0, 3, 250, 4096, 8000}) {
        reg += "[" + service + Num4(n) + "]\r\n\"DriverDesc\"=\"Service " + Num4(n) + "\"\r\n\r\n";
        if (n != 250) reg += "[" + service + Num4(n) + "\\Ndi]\r\n\"DeviceID\"=\"SVC" + Num4(n) + "\"\r\n\r\n";
    }
    reg += "[" + service + "9999\\Ndi]\r\n\"DeviceID\"=\"VSERVER\"\r\n\r\n";
    return reg;
}

bool PrepareMachine() {
    sim::Reset();
    sim::SetPlatform(sim::Platform::Win98);
    const sim::RegImportResult r = sim::ImportReg(BuildMachine());
    if (!r.ok) std::fprintf(stderr, "bench: machine not imported: line %d: %s\n", r.line, r.error.c_str());
    return r.ok;
}

const CNetProtocols g_protocols;

// Each scan with what it must find, so a timing of a scan that went wrong
// means nothing and stops the run.
bool FreeInstance() {
    CNetProtocols::Instance found = "";
    return g_protocols.FindFreeInstance(HKEY_LOCAL_MACHINE, "Enum\\Network\\MSTCP", found) &&
           std::string(found) == "9999";
}

bool ClassLookup() {
    CNetProtocols::ClassInstance found = "";
    return g_protocols.FindClassInstance("NetService", "VSERVER", found) && std::string(found) == "NetService\\9999";
}

bool BindingSearch() {
    CNetProtocols::BindingName found = "";
    return g_protocols.FindBinding(kCard, "MSTCP", found) && std::string(found) == "MSTCP\\9999";
}

// The names "0000" to "9999", made once, outside every timing.
std::vector<std::string> g_names;

// 10,000 opens of missing keys and nothing else.
bool BareOpens() {
    HKEY base = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEmpty, 0, KEY_READ, &base) != ERROR_SUCCESS) return false;
    int missing = 0;
    for (const std::string& name : g_names) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(base, name.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
        } else {
            ++missing;
        }
    }
    RegCloseKey(base);
    return missing == kNumbers;
}

struct Scan {
    const char* name;
    bool (*run)();
};
const Scan kScans[] = {
    {"free instance near the top", FreeInstance},
    {"class lookup across every number", ClassLookup},
    {"binding search to MSTCP\\9999", BindingSearch},
};

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "bench: %s did not find what the machine holds\n", what);
    std::exit(2);
}

template <bool (*Run)()>
void BM_Scan(benchmark::State& state) {
    bool ok = true;
    for (auto _ : state) {
        ok = Run() && ok;
        benchmark::DoNotOptimize(ok);
    }
    Check(ok, "a scan");
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The scan and the bare loop timed in alternation, round after round (CPU
// time of this thread), so a change of load falls on both alike; medians of
// the scan's time and of the per-round ratios.
void Figures(const Scan& scan, int rounds, double* milliseconds, double* ratio) {
    std::vector<double> times, ratios;
    for (int r = 0; r < rounds; ++r) {
        double bare = 0, timed = 0;
        for (int order = 0; order < 2; ++order) {
            const bool bareFirst = (r + order) % 2 == 0;
            const double t0 = ThreadCpuSeconds();
            Check(bareFirst ? BareOpens() : scan.run(), bareFirst ? "the bare loop" : scan.name);
            (bareFirst ? bare : timed) += ThreadCpuSeconds() - t0;
        }
        times.push_back(timed * 1000);
        ratios.push_back(timed / bare);
    }
    *milliseconds = Median(times);
    *ratio = Median(ratios);
}

}  // namespace

BENCHMARK(BM_Scan<BareOpens>)->Name("BM_BareOpensOfMissingKeys")->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Scan<FreeInstance>)->Name("BM_FreeInstance")->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Scan<ClassLookup>)->Name("BM_ClassLookup")->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Scan<BindingSearch>)->Name("BM_BindingSearch")->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!PrepareMachine()) return 2;
    for (int n = 0; n < kNumbers; ++n) g_names.push_back(Num4(n));
    std::printf("machine: Enum\\Network\\MSTCP\\0000-9998, 6 NetService instances (VSERVER at 9999), one card "
                "bound to MSTCP\\9999\n");
    for (const Scan& s : kScans) Check(s.run(), s.name);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bool met = true;
    for (const Scan& s : kScans) {
        double ms = 0, ratio = 0;
        Figures(s, 41, &ms, &ratio);
        met = met && ms < 20;
        std::printf("%-34s %6.2f ms (goal < 20 ms: %s), %.2f x the bare loop of %d missing-key opens\n", s.name, ms,
                    ms < 20 ? "met" : "NOT met", ratio, kNumbers);
    }
    std::printf("every scan under 20 ms: %s\n", met ? "met" : "NOT met");
    return 0;
}
