// The machines unit tests run on: an empty machine in each platform mode,
// and the bundled samples in theirs.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "sim/control.h"

struct TestMachine {
    std::string name;
    std::string file;  // empty: no registry content
    sim::Platform platform;
};

inline void PrintTo(const TestMachine& m, std::ostream* os) { *os << m.name; }

inline std::vector<TestMachine> AllTestMachines() {
    return {
        {"empty_win98", "", sim::Platform::Win98},
        {"empty_nt4", "", sim::Platform::NT4},
        {"empty_win2000", "", sim::Platform::Win2000},
        {"sample_win98", ORVANE_SOURCE_DIR "/examples/win98.reg", sim::Platform::Win98},
        {"sample_nt4", ORVANE_SOURCE_DIR "/examples/nt4.reg", sim::Platform::NT4},
        {"sample_win2000", ORVANE_SOURCE_DIR "/examples/win2000.reg", sim::Platform::Win2000},
    };
}

// A fresh simulated machine with the file's registry, in its mode.
inline bool LoadTestMachine(const TestMachine& m) {
    sim::Reset();
    sim::SetPlatform(m.platform);
    if (m.file.empty()) return true;
    const sim::RegImportResult r = sim::ImportRegFile(m.file);
    return r.ok;
}

inline std::string TestMachineName(const ::testing::TestParamInfo<TestMachine>& info) { return info.param.name; }

// REG_MULTI_SZ data in .reg form.
inline std::string MultiSz(std::initializer_list<std::string> strings) {
    std::string hex = "hex(7):";
    char b[4];
    for (const std::string& item : strings) {
        for (char ch : item) {
            std::snprintf(b, sizeof b, "%02x,", unsigned(static_cast<unsigned char>(ch)));
            hex += b;
        }
        hex += "00,";
    }
    return hex + "00";
}
