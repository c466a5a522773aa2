// Attach time of the adapter table on a large Windows 98 machine, against a
// bare enumeration of the same registry trees through the same Reg* calls.
//
// The machine (AttachMachine.h): about 5,000 keys and 20,000 values below
// HKLM\Enum with 16 network adapters among them. Building the table walks all of Enum, walks each adapter's
// Bindings key three times (one pass per protocol) and reads each adapter's
// settings. The bare enumeration walks the same trees the same number of
// times (Enum once, each Bindings key three times), opening, counting and
// enumerating every key and value with nothing else around the calls; the
// value reads of the table are its own cost.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AttachMachine.h"
#include "NetworkAdapter/NetworkAdapter.h"
#include "sim/control.h"

namespace {

using attach_bench::kAdapters;

struct MachineSize {
    int keys = 0;
    int values = 0;
};

// The machine as .reg text, counting what lies below HKLM\Enum.
struct RegText {
    std::string reg = "REGEDIT4\r\n\r\n";
    MachineSize* size;
    bool underEnum = false;
    static std::string Escape(const std::string& s) {
        std::string out;
        for (char c : s) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return out;
    }
    void Key(const std::string& path) {
        reg += "\r\n[HKEY_LOCAL_MACHINE\\" + path + "]\r\n";
        underEnum = path.rfind("Enum", 0) == 0;
        if (underEnum) ++size->keys;
    }
    void Value(const std::string& name, const std::string& data) {
        reg += "\"" + Escape(name) + "\"=\"" + Escape(data) + "\"\r\n";
        if (underEnum) ++size->values;
    }
};

std::string BuildMachine(MachineSize* size) {
    RegText text;
    text.size = size;
    attach_bench::BuildMachine(text);
    return text.reg;
}

bool g_ready = false;
MachineSize g_size;
std::vector<std::string> g_bindings;  // the adapters' Bindings keys, as the table finds them

void PrepareMachine() {
    if (g_ready) return;
    sim::Reset();
    sim::SetPlatform(sim::Platform::Win98);
    const sim::RegImportResult r = sim::ImportReg(BuildMachine(&g_size));
    if (!r.ok) {
        std::fprintf(stderr, "bench: machine not imported: line %d: %s\n", r.line, r.error.c_str());
        std::exit(2);
    }
    CNetworkAdapter table;
    for (DWORD i = 0; i < table.AdapterCount(); ++i)
        g_bindings.push_back(std::string(table.GetAdapterEnumRgy(i)) + "\\Bindings");
    g_ready = true;
}

using attach_bench::BareTree;
using attach_bench::Counts;

Counts BareEnumeration() {
    Counts counts;
    BareTree("Enum", counts);
    for (int pass = 0; pass < 3; ++pass)
        for (const std::string& bindings : g_bindings) BareTree(bindings.c_str(), counts);
    return counts;
}

void BM_BareEnumeration(benchmark::State& state) {
    PrepareMachine();
    Counts counts;
    for (auto _ : state) {
        counts = BareEnumeration();
        benchmark::DoNotOptimize(counts);
    }
    state.counters["keys"] = double(counts.keys);
    state.counters["values"] = double(counts.values);
}

void BM_AdapterTableAttach(benchmark::State& state) {
    PrepareMachine();
    DWORD adapters = 0;
    for (auto _ : state) {
        CNetworkAdapter table;
        adapters = table.AdapterCount();
        benchmark::DoNotOptimize(adapters);
    }
    state.counters["adapters"] = double(adapters);
}

// Repeated, and compared by their medians, so a burst of load on the
// machine does not decide the ratio.
BENCHMARK(BM_BareEnumeration)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_AdapterTableAttach)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// Keeps the median CPU time per iteration of each benchmark (or the time of
// a single run when repetitions are turned off) for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!median && !single) continue;
            const std::string name = run.run_name.function_name;
            if (name == "BM_BareEnumeration") bare = run.GetAdjustedCPUTime();
            if (name == "BM_AdapterTableAttach") attach = run.GetAdjustedCPUTime();
        }
    }
    double bare = 0;
    double attach = 0;
};

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The figure itself: both tasks timed in alternation, round after round
// (CPU time of this thread), so a change of load on the machine falls on
// both alike; the median of the per-round ratios.
double InterleavedRatio(int rounds) {
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        double bare = 0, attach = 0;
        for (int order = 0; order < 2; ++order) {
            const bool bareFirst = (r + order) % 2 == 0;
            const double t0 = ThreadCpuSeconds();
            if (bareFirst) {
                benchmark::DoNotOptimize(BareEnumeration());
                bare += ThreadCpuSeconds() - t0;
            } else {
                CNetworkAdapter table;
                benchmark::DoNotOptimize(table.AdapterCount());
                attach += ThreadCpuSeconds() - t0;
            }
        }
        ratios.push_back(attach / bare);
    }
    return Median(ratios);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    PrepareMachine();
    {
        // The table must find what the machine holds, or the timing means nothing.
        CNetworkAdapter table;
        const Counts counts = BareEnumeration();
        std::printf("machine: %d keys and %d values below HKLM\\Enum, %u adapters found; the bare enumeration "
                    "visits %ld keys and %ld values\n",
                    g_size.keys, g_size.values, unsigned(table.AdapterCount()), counts.keys, counts.values);
        if (table.AdapterCount() != kAdapters || table.GetIpAddressCount(kAdapters - 1) != 2) {
            std::fprintf(stderr, "bench: the table does not describe the machine\n");
            return 2;
        }
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.bare > 0 && reporter.attach > 0)
        std::printf("medians above (run one after the other, so load changes show): attach / bare = %.3f\n",
                    reporter.attach / reporter.bare);
    const double ratio = InterleavedRatio(101);
    std::printf("adapter table attach / bare enumeration of the same trees: %.3f (goal <= 1.25: %s)\n", ratio,
                ratio <= 1.25 ? "met" : "NOT met");
    return 0;
}
