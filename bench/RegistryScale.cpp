// The simulated registry at the size of a real machine, and with a key of
// 100,000 subkeys. Each figure is printed with its goal and whether it is
// met; nothing here fails a build.
//
//  - .reg import from a fresh registry (CPU time; MB/s of file): a ~30 MB
//    Windows 98 export, the same as NT 4.0, and as a UTF-16LE 5.00 file;
//  - export (MB/s of text);
//  - the host on the big file: `orvane --machine BIG.reg nic show 0`
//    (seconds, and its peak memory against the file's size);
//  - siblings: import, open, walk and delete of one key with 100,000
//    subkeys against the same number of keys spread over a realistic tree,
//    whatever the order of the file (sorted, reversed);
//  - --patch: writing the patch of 100,000 changed values of one key, and
//    of 100,000 changed sibling keys, against half as many (linear: 2).
//
// The machines are generated here, at run time (nothing big is kept in the
// tree). `--quick` uses a tenth of the sizes, for a smoke run.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Registry.h"
#include "sim/control.h"

namespace {

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The median CPU time of `rounds` runs of `work`, each after `prepare`.
double Median(int rounds, const std::function<void()>& prepare, const std::function<void()>& work) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        prepare();
        const double t0 = CpuSeconds();
        work();
        times.push_back(CpuSeconds() - t0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(const char* what, double value, const char* unit, double goal, bool atLeast) {
    const bool met = atLeast ? value >= goal : value <= goal;
    std::printf("%-64s %10.3f %-5s (goal %s %g: %s)\n", what, value, unit, atLeast ? ">=" : "<=", goal,
                met ? "met" : "NOT met");
}

std::string Num(int n, int width) {
    char b[32];
    std::snprintf(b, sizeof b, "%0*d", width, n);
    return b;
}

// ---- Machines ---------------------------------------------------------------------

// A well-used machine: a device tree, installed software with many values,
// the network keys the library reads (four adapters), padded to `bytes`.
std::string BigMachine(bool nt, size_t bytes) {
    std::string reg = "REGEDIT4\r\n\r\n";
    auto key = [&](const std::string& path) { reg += "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n"; };
    auto sz = [&](const std::string& name, const std::string& data) { reg += "\"" + name + "\"=\"" + data + "\"\r\n"; };
    auto end = [&] { reg += "\r\n"; };
    if (!nt) {
        for (int a = 0; a < 4; ++a) {
            key("Enum\\PCI\\VEN_8086&DEV_100" + std::to_string(a) + "\\BUS_00&DEV_0" + std::to_string(a));
            sz("Class", "Net");
            sz("DeviceDesc", "Network Card " + std::to_string(a));
            end();
            key("Enum\\PCI\\VEN_8086&DEV_100" + std::to_string(a) + "\\BUS_00&DEV_0" + std::to_string(a) + "\\Bindings");
            sz("MSTCP\\\\" + Num(a, 4), "");
            end();
            key("Enum\\Network\\MSTCP\\" + Num(a, 4));
            sz("Driver", "NetTrans\\\\" + Num(a, 4));
            end();
            key("System\\CurrentControlSet\\Services\\Class\\NetTrans\\" + Num(a, 4));
            sz("IPAddress", "10.0." + std::to_string(a) + ".10");
            sz("IPMask", "255.255.255.0");
            sz("DefaultGateway", "10.0." + std::to_string(a) + ".1");
            end();
        }
        key("System\\CurrentControlSet\\Services\\VxD\\MSTCP");
        sz("HostName", "big");
        sz("NameServer", "10.0.0.53,10.0.0.54");
        end();
    } else {
        for (int a = 0; a < 4; ++a) {
            const std::string service = "E100B" + std::to_string(a);
            key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\" + std::to_string(a + 1));
            sz("ServiceName", service);
            sz("Description", "Network Card " + std::to_string(a));
            sz("ProductName", "E100B");
            end();
            key("SYSTEM\\CurrentControlSet\\Services\\" + service + "\\Parameters\\Tcpip");
            reg += "\"IPAddress\"=hex(7):31,30,2e,30,2e,30,2e,31,00,00\r\n";
            reg += "\"SubnetMask\"=hex(7):32,35,35,2e,30,2e,30,2e,30,00,00\r\n";
            end();
        }
        key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
        sz("CurrentVersion", "4.0");
        end();
        key("SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters");
        sz("HostName", "big");
        end();
    }
    // The bulk: devices and software, ~20 values a key.
    const char* const roots[] = {"Enum\\Root", "SOFTWARE\\Vendor", "SOFTWARE\\Classes", "System\\Setup"};
    for (int k = 0; reg.size() < bytes; ++k) {
        key(std::string(roots[k % 4]) + "\\Group" + Num(k / 400, 3) + "\\Item" + Num(k, 6));
        for (int v = 0; v < 20; ++v) {
            if (v % 5 == 4)
                reg += "\"Flags" + std::to_string(v) + "\"=dword:" + Num(v * 7919 % 100000, 8) + "\r\n";
            else if (v % 7 == 6)
                reg += "\"Data" + std::to_string(v) + "\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f\r\n";
            else
                sz("Value" + std::to_string(v), "C:\\Program Files\\Vendor\\Item " + std::to_string(k) + "\\file" +
                                                    std::to_string(v) + ".dll");
        }
        end();
    }
    return reg;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void Fresh(sim::Platform platform) {
    sim::Reset();
    sim::SetPlatform(platform);
}

// ---- Import, export, the host ----------------------------------------------------

// Runs a program in a fresh process and answers its CPU time (user and
// system), wall time and peak memory. Run while this process is small: a
// forked child starts with its parent's pages counted as its own.
struct ChildCost {
    bool ok = false;
    double cpu = 0, wall = 0, peakBytes = 0;
};

ChildCost RunChild(const std::vector<std::string>& argv) {
    ChildCost cost;
    std::fflush(stdout);
    timespec t0{}, t1{};
    clock_gettime(CLOCK_MONOTONIC, &t0);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout)) _exit(127);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    clock_gettime(CLOCK_MONOTONIC, &t1);
    cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    cost.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    cost.wall = double(t1.tv_sec - t0.tv_sec) + double(t1.tv_nsec - t0.tv_nsec) * 1e-9;
    cost.peakBytes = double(usage.ru_maxrss) * 1024.0;
    return cost;
}

// The median of `rounds` fresh processes.
ChildCost MedianChild(int rounds, const std::vector<std::string>& argv) {
    std::vector<ChildCost> costs;
    for (int r = 0; r < rounds; ++r) costs.push_back(RunChild(argv));
    std::sort(costs.begin(), costs.end(), [](const ChildCost& a, const ChildCost& b) { return a.cpu < b.cpu; });
    return costs[costs.size() / 2];
}

std::string g_self;

// Import from a fresh process, as a user's run does: CPU time of the whole
// process that imports the file and exits.
void MeasureImport(const char* name, const std::string& path, size_t size, const char* mode, double goal, int rounds) {
    const ChildCost c = MedianChild(rounds, {g_self, "--import-once", path, mode});
    if (!c.ok) {
        std::fprintf(stderr, "bench: %s does not import\n", path.c_str());
        std::exit(2);
    }
    Report((std::string("import from a fresh process, ") + name).c_str(), double(size) / c.cpu / 1e6, "MB/s", goal,
           true);
}

// The host as a user runs it: the whole process, and its peak memory.
void MeasureHost(const std::string& host, const char* name, const std::string& path, size_t size, int rounds) {
    const ChildCost c = MedianChild(rounds, {host, "--machine", path, "nic", "show", "0"});
    if (!c.ok) {
        std::fprintf(stderr, "bench: the host failed on %s\n", path.c_str());
        return;
    }
    Report((std::string("orvane --machine BIG.reg nic show 0, ") + name + ", CPU").c_str(), c.cpu, "s", 0.5, false);
    std::printf("%-64s %10.3f s\n", "  the same, wall time on this machine", c.wall);
    Report((std::string("  its peak memory / file size, ") + name).c_str(), c.peakBytes / double(size), "x", 3.0,
           false);
}

// ---- Siblings ----------------------------------------------------------------------

// The same number of keys, as one key's subkeys or spread three levels deep
// (~46 per key), in the file's order, sorted or reversed.
std::string KeysFile(int count, bool flat, bool reversed) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(flat ? "Wide\\K" + Num(i, 6)
                             : "Tree\\A" + Num(i / 2116, 3) + "\\B" + Num(i / 46 % 46, 2) + "\\C" + Num(i, 6));
    if (reversed) std::reverse(names.begin(), names.end());
    std::string reg = "REGEDIT4\r\n\r\n";
    for (const std::string& n : names) reg += "[HKEY_LOCAL_MACHINE\\" + n + "]\r\n\"v\"=dword:00000001\r\n\r\n";
    return reg;
}

struct SiblingRatios {
    double import, open, walk, remove;
};

double MedianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One key with `count` subkeys against the same number spread over a tree,
// each operation timed on both in alternation, round after round, so that a
// change of load on the machine falls on both alike; the median of the
// per-round ratios.
SiblingRatios MeasureSiblings(int count, bool reversed, int rounds) {
    struct Shape {
        std::string text;
        std::vector<std::string> paths;
        const char* top;
    } shapes[2];
    for (int flat = 0; flat < 2; ++flat) {
        shapes[flat].text = KeysFile(count, flat == 1, reversed);
        shapes[flat].top = flat ? "Wide" : "Tree";
        for (int i = 0; i < count; ++i)
            shapes[flat].paths.push_back(flat ? "Wide\\K" + Num(i, 6)
                                              : "Tree\\A" + Num(i / 2116, 3) + "\\B" + Num(i / 46 % 46, 2) + "\\C" + Num(i, 6));
    }
    std::vector<double> ratios[4];
    for (int r = 0; r < rounds; ++r) {
        double t[2][4] = {};
        for (int k = 0; k < 2; ++k) {
            const int flat = (r + k) % 2;
            const Shape& shape = shapes[flat];
            Fresh(sim::Platform::NT4);
            double t0 = CpuSeconds();
            sim::ImportReg(shape.text);
            t[flat][0] = CpuSeconds() - t0;
            t0 = CpuSeconds();
            for (const std::string& p : shape.paths) {
                HKEY key = nullptr;
                if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, p.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) RegCloseKey(key);
            }
            t[flat][1] = CpuSeconds() - t0;
            t0 = CpuSeconds();
            CRegWalker(HKEY_LOCAL_MACHINE).Walk(shape.top, 3);
            t[flat][2] = CpuSeconds() - t0;
            // The library's own delete goes bottom-up, one key at a time, as
            // NT needs.
            t0 = CpuSeconds();
            CRegistry(HKEY_LOCAL_MACHINE).Delete(shape.top);
            t[flat][3] = CpuSeconds() - t0;
        }
        for (int op = 0; op < 4; ++op) ratios[op].push_back(t[1][op] / t[0][op]);
    }
    return SiblingRatios{MedianOf(ratios[0]), MedianOf(ratios[1]), MedianOf(ratios[2]), MedianOf(ratios[3])};
}

// ---- Patches ------------------------------------------------------------------------

// The patch of a change to every value of one key (or to one value of each of
// a key's subkeys), N and 2N of them: CPU time of taking the two states and
// writing the patch. Linear means the doubled one costs about twice.
double PatchTime(int count, bool subkeys, int rounds) {
    std::string reg = "REGEDIT4\r\n\r\n";
    if (subkeys) {
        for (int i = 0; i < count; ++i) reg += "[HKEY_LOCAL_MACHINE\\P\\K" + Num(i, 6) + "]\r\n\"v\"=dword:00000001\r\n\r\n";
    } else {
        reg += "[HKEY_LOCAL_MACHINE\\P]\r\n";
        for (int i = 0; i < count; ++i) reg += "\"V" + Num(i, 6) + "\"=dword:00000001\r\n";
    }
    return Median(rounds,
                  [&] {
                      Fresh(sim::Platform::NT4);
                      sim::ImportReg(reg);
                  },
                  [&] {
                      const sim::RegSnapshot before = sim::TakeSnapshot();
                      for (int i = 0; i < count; ++i) {
                          const std::string key = subkeys ? "P\\K" + Num(i, 6) : "P";
                          const std::string name = subkeys ? "v" : "V" + Num(i, 6);
                          CRegistry(HKEY_LOCAL_MACHINE).SetDword(key.c_str(), name.c_str(), 2);
                      }
                      const sim::RegSnapshot after = sim::TakeSnapshot();
                      if (sim::DiffReg(before, after, sim::RegFormat::Regedit4).size() < size_t(count)) std::exit(2);
                  });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--import-once") == 0) {
        sim::Platform platform = sim::Platform::Win98;
        sim::ParsePlatform(argv[3], &platform);
        Fresh(platform);
        const bool ok = sim::ImportRegFile(argv[2]).ok;
        std::fflush(stdout);
        _exit(ok ? 0 : 1);
    }
    bool quick = false;
    std::string host;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) quick = true;
        if (std::strcmp(argv[i], "--host") == 0 && i + 1 < argc) host = argv[++i];
    }
    char self[4096] = "";
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return 2;
    g_self.assign(self, size_t(length));
    const size_t bytes = quick ? 3000000 : 30000000;
    const int rounds = quick ? 1 : 3;
    char dir[] = "/tmp/orvane-scale-XXXXXX";
    if (!mkdtemp(dir)) return 2;
    const std::string big98 = std::string(dir) + "/big98.reg", bigNt = std::string(dir) + "/bignt4.reg",
                      big16 = std::string(dir) + "/big98-utf16.reg";
    size_t size98 = 0, sizeNt = 0, size16 = 0;
    {
        const std::string text98 = BigMachine(false, bytes), textNt = BigMachine(true, bytes);
        const std::string text16 =
            sim::EncodeRegText("Windows Registry Editor Version 5.00" + text98.substr(8), sim::RegEncoding::Utf16Le);
        if (!WriteFile(big98, text98) || !WriteFile(bigNt, textNt) || !WriteFile(big16, text16)) return 2;
        size98 = text98.size();
        sizeNt = textNt.size();
        size16 = text16.size();
    }
    std::printf("machines: %.1f MB Windows 98, %.1f MB NT 4.0, %.1f MB UTF-16LE (in %s)\n", size98 / 1e6,
                sizeNt / 1e6, size16 / 1e6, dir);

    // Fresh processes first, while this one is small.
    MeasureImport("Windows 98 export (MB/s of file)", big98, size98, "win98", 100, rounds);
    MeasureImport("NT 4.0 export (MB/s of file)", bigNt, sizeNt, "nt4", 100, rounds);
    MeasureImport("UTF-16LE 5.00 export (MB/s of file)", big16, size16, "win98", 60, rounds);
    if (!host.empty()) {
        MeasureHost(host, "Windows 98", big98, size98, rounds);
        MeasureHost(host, "NT 4.0", bigNt, sizeNt, rounds);
    } else {
        std::printf("(the host figures need --host PATH-TO-orvane)\n");
    }

    Fresh(sim::Platform::Win98);
    sim::ImportRegFile(big98);
    size_t exported = 0;
    const double exportTime = Median(rounds, [] {}, [&] { exported = sim::ExportReg(sim::RegFormat::Regedit4).size(); });
    Report("export, Windows 98 machine (MB/s of text)", double(exported) / exportTime / 1e6, "MB/s", 150, true);

    const int keys = quick ? 10000 : 100000;
    for (bool reversed : {false, true}) {
        const SiblingRatios q = MeasureSiblings(keys, reversed, quick ? 3 : 9);
        const std::string order = reversed ? " (file in reverse order)" : " (file in order)";
        const std::string n = std::to_string(keys);
        Report(("siblings: import " + n + " subkeys / spread" + order).c_str(), q.import, "x", 2, false);
        Report(("siblings: open each / spread" + order).c_str(), q.open, "x", 2, false);
        Report(("siblings: walk / spread" + order).c_str(), q.walk, "x", 2, false);
        Report(("siblings: delete / spread" + order).c_str(), q.remove, "x", 2, false);
    }
    const int changes = quick ? 20000 : 100000;
    for (bool subkeys : {false, true}) {
        std::vector<double> ratios;
        for (int r = 0; r < (quick ? 1 : 5); ++r) {
            const double single = PatchTime(changes / 2, subkeys, 1), twice = PatchTime(changes, subkeys, 1);
            ratios.push_back(twice / single);
        }
        Report((std::string("--patch of ") + std::to_string(changes) + (subkeys ? " sibling keys" : " values of one key") +
                ": time / time of half as many")
                   .c_str(),
               MedianOf(ratios), "x", 2.5, false);
    }
    Fresh(sim::Platform::Win98);
    std::remove(big98.c_str());
    std::remove(bigNt.c_str());
    std::remove(big16.c_str());
    rmdir(dir);
    return 0;
}
