// Attach time of the adapter table on a large Windows 98 machine, against a
// bare enumeration of the same registry trees through the same Reg* calls.
//
// The machine: about 5,000 keys and 20,000 values below HKLM\Enum, the
// device tree of a well-used Windows 98 installation, with 16 network
// adapters among them, each bound to TCP/IP (and every other one to
// NetBEUI). Building the table walks all of Enum, walks each adapter's
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

#include "NetworkAdapter/NetworkAdapter.h"
#include "sim/control.h"

namespace {

const char* const kBuses[] = {"PCI", "ISAPNP", "ROOT", "BIOS", "MONITOR", "SCSI", "USB", "HTREE", "ESDI", "FLOP"};
const int kDevicesPerBus = 20;
const int kInstancesPerDevice = 24;
const int kAdapters = 16;

struct MachineSize {
    int keys = 0;
    int values = 0;
};

std::string Hex4(int n) {
    char b[16];
    std::snprintf(b, sizeof b, "%04X", unsigned(n));
    return b;
}

std::string Num4(int n) {
    char b[16];
    std::snprintf(b, sizeof b, "%04d", n);
    return b;
}

// The machine as .reg text; the adapters are spread over the buses so the
// walk meets them throughout the tree.
std::string BuildMachine(MachineSize* size) {
    std::string reg = "REGEDIT4\r\n\r\n";
    int adapter = 0;
    auto key = [&](const std::string& path) {
        reg += "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n";
        if (path.rfind("Enum", 0) == 0) ++size->keys;
    };
    auto value = [&](const std::string& name, const std::string& data, bool underEnum = true) {
        reg += "\"" + name + "\"=\"" + data + "\"\r\n";
        if (underEnum) ++size->values;
    };
    key("Enum");
    reg += "\r\n";
    for (const char* bus : kBuses) {
        key(std::string("Enum\\") + bus);
        reg += "\r\n";
        for (int d = 0; d < kDevicesPerBus; ++d) {
            const std::string device = std::string("Enum\\") + bus + "\\VEN_" + Hex4(0x1000 + d) + "&DEV_" + Hex4(d);
            key(device);
            reg += "\r\n";
            for (int i = 0; i < kInstancesPerDevice; ++i) {
                const std::string instance = device + "\\BUS_00&DEV_" + Num4(i) + "&FUNC_00";
                // One adapter in every 30 instances, up to 16.
                const bool isAdapter = adapter < kAdapters && (d * kInstancesPerDevice + i) % 30 == 7;
                key(instance);
                value("Class", isAdapter ? "Net" : (i % 3 ? "System" : "Display"));
                value("DeviceDesc", isAdapter ? "Network Card " + std::to_string(adapter) : "Device " + Num4(i));
                value("HardwareID", std::string(bus) + "\\VEN_" + Hex4(0x1000 + d) + "&DEV_" + Hex4(d));
                value("Mfg", "Manufacturer " + std::to_string(d));
                reg += "\r\n";
                if (!isAdapter) continue;
                key(instance + "\\Bindings");
                value("MSTCP\\\\" + Num4(adapter), "");
                if (adapter % 2 == 0) value("NETBEUI\\\\" + Num4(adapter), "");
                reg += "\r\n";
                // The protocol instances and the TCP/IP class key.
                reg += "[HKEY_LOCAL_MACHINE\\Enum\\Network\\MSTCP\\" + Num4(adapter) + "]\r\n\"Driver\"=\"NetTrans\\\\" +
                       Num4(adapter) + "\"\r\n\r\n";
                size->keys += 1;
                size->values += 1;
                reg += "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\NetTrans\\" + Num4(adapter) +
                       "]\r\n\"IPAddress\"=\"10.0." + std::to_string(adapter) + ".10,10.1." + std::to_string(adapter) +
                       ".10\"\r\n\"IPMask\"=\"255.255.255.0,255.255.0.0\"\r\n\"DefaultGateway\"=\"10.0." +
                       std::to_string(adapter) + ".1\"\r\n\"NodeType\"=\"8\"\r\n\"NameServer1\"=\"10.0.0.5\"\r\n\r\n";
                ++adapter;
            }
        }
    }
    // Enum\Network and Enum\Network\MSTCP themselves.
    size->keys += 2;
    return reg;
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

// The same calls the registry layer makes, with nothing around them: one
// name and one data buffer for the whole walk.
struct Counts {
    long keys = 0;
    long values = 0;
};

void BareWalk(HKEY key, std::vector<char>& name, std::vector<BYTE>& data, Counts& counts) {
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    ++counts.keys;
    if (name.size() < size_t(longestName) + 1) name.resize(size_t(longestName) + 1);
    if (data.size() < longestData) data.resize(longestData);
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = DWORD(name.size()), dataSize = DWORD(data.size()), type = 0;
        const LONG rc = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_SUCCESS) ++counts.values;
    }
    std::vector<char> subkeyName(size_t(longestSubkey) + 1);
    for (DWORD index = 0;; ++index) {
        const LONG rc = RegEnumKeyA(key, index, subkeyName.data(), DWORD(subkeyName.size()));
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, subkeyName.data(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        BareWalk(child, name, data, counts);
        RegCloseKey(child);
    }
}

void BareTree(const char* path, Counts& counts) {
    HKEY root = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &root) != ERROR_SUCCESS) return;
    std::vector<char> name;
    std::vector<BYTE> data;
    BareWalk(root, name, data, counts);
    RegCloseKey(root);
}

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
