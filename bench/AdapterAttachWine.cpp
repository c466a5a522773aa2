// The attach benchmark built for Windows and run under Wine: the adapter
// table's attach against a bare enumeration of the same trees, on Wine's
// own registry, in thread CPU time (GetThreadTimes). The program writes the
// machine of AttachMachine.h below HKEY_LOCAL_MACHINE, measures, and takes
// it away again. Run it with the Windows 98 version for the program
// (scripts/bench-wine.sh does).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "AttachMachine.h"
#include "NetworkAdapter/NetworkAdapter.h"
#include "Registry.h"

namespace {

struct RegWriter {
    HKEY key = nullptr;
    bool ok = true;
    void Key(const std::string& path) {
        if (key) RegCloseKey(key);
        key = nullptr;
        ok = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
                 ERROR_SUCCESS &&
             ok;
    }
    void Value(const std::string& name, const std::string& data) {
        ok = key && RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                   DWORD(data.size() + 1)) == ERROR_SUCCESS &&
             ok;
    }
    ~RegWriter() {
        if (key) RegCloseKey(key);
    }
};

double ThreadCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7; };
    return seconds(kernel) + seconds(user);
}

std::vector<std::string> g_bindings;

attach_bench::Counts BareEnumeration() {
    attach_bench::Counts counts;
    attach_bench::BareTree("Enum", counts);
    for (int pass = 0; pass < 3; ++pass)
        for (const std::string& bindings : g_bindings) attach_bench::BareTree(bindings.c_str(), counts);
    return counts;
}

void RemoveMachine() {
    CRegistry reg(HKEY_LOCAL_MACHINE);
    reg.Delete("Enum");
    reg.Delete("System\\CurrentControlSet\\Services\\Class\\NetTrans");
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
    RemoveMachine();
    {
        RegWriter writer;
        attach_bench::BuildMachine(writer);
        if (!writer.ok) {
            std::fprintf(stderr, "bench: the machine could not be written\n");
            return 2;
        }
    }
    int status = 0;
    {
        CNetworkAdapter table;
        for (DWORD i = 0; i < table.AdapterCount(); ++i)
            g_bindings.push_back(std::string(table.GetAdapterEnumRgy(i)) + "\\Bindings");
        const attach_bench::Counts counts = BareEnumeration();
        std::printf("machine: %u adapters found; the bare enumeration visits %ld keys and %ld values\n",
                    unsigned(table.AdapterCount()), counts.keys, counts.values);
        if (table.AdapterCount() != DWORD(attach_bench::kAdapters) || table.GetIpAddressCount(0) != 2) {
            std::fprintf(stderr, "bench: the table does not describe the machine (Windows 98 mode?)\n");
            status = 2;
        }
    }
    if (status == 0) {
        // Both timed in alternation, round after round, several runs a round
        // (the thread times under Wine tick in milliseconds); the median of
        // the per-round ratios.
        const int perRound = 4;
        std::vector<double> ratios;
        for (int r = 0; r < rounds; ++r) {
            double bare = 0, attach = 0;
            for (int order = 0; order < 2; ++order) {
                const bool bareFirst = (r + order) % 2 == 0;
                const double t0 = ThreadCpuSeconds();
                for (int k = 0; k < perRound; ++k) {
                    if (bareFirst) {
                        BareEnumeration();
                    } else {
                        CNetworkAdapter table;
                    }
                }
                (bareFirst ? bare : attach) += ThreadCpuSeconds() - t0;
            }
            if (bare > 0) ratios.push_back(attach / bare);
        }
        std::sort(ratios.begin(), ratios.end());
        const double ratio = ratios.empty() ? 0 : ratios[ratios.size() / 2];
        std::printf("under Wine: adapter table attach / bare enumeration of the same trees: %.3f (goal <= 1.25: %s)\n",
                    ratio, ratio <= 1.25 && ratio > 0 ? "met" : "NOT met");
    }
    RemoveMachine();
    return status;
}
