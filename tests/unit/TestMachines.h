// The machines unit tests run on: an empty machine in each platform mode,
// and the bundled samples in theirs.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <sstream>
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

// A file's bytes, or "" when it cannot be read.
inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh directory as the working directory while it lives (the adapter
// dump lands there), removed afterwards. Not through system(): in these
// tests that is the simulated one.
class ScratchDir {
public:
    ScratchDir() {
        char templ[] = "/tmp/orvane-test-XXXXXX";
        if (mkdtemp(templ) && getcwd(m_oldDir, sizeof m_oldDir) && chdir(templ) == 0) m_dir = templ;
    }
    ~ScratchDir() {
        if (m_dir.empty()) return;
        EXPECT_EQ(chdir(m_oldDir), 0);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    bool Entered() const { return !m_dir.empty(); }

private:
    std::string m_dir;
    char m_oldDir[4096] = {};
};

// Nothing the code under test opened is left open: keys, heaps, libraries.
inline void ExpectNothingLeft() {
    EXPECT_EQ(sim::OpenKeyHandles(), 0u);
    EXPECT_EQ(sim::LiveHeaps(), 0u);
    EXPECT_EQ(sim::TotalLoadCount(), 0);
}

// A Windows 98 card below Enum\PCI\CARD<n>, its TCP/IP bound through
// Enum\Network\MSTCP\000<n> to NetTrans\000<n>, which gets `tcp` (.reg lines).
inline std::string Card98(int n, const std::string& name, const std::string& tcp = "") {
    const std::string id = std::to_string(n);
    return "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\CARD" + id + "]\n\"Class\"=\"Net\"\n\"DeviceDesc\"=\"" + name +
           "\"\n\n[HKEY_LOCAL_MACHINE\\Enum\\PCI\\CARD" + id + "\\Bindings]\n\"MSTCP\\\\000" + id +
           "\"=\"\"\n\n[HKEY_LOCAL_MACHINE\\Enum\\Network\\MSTCP\\000" + id + "]\n\"Driver\"=\"NetTrans\\\\000" + id +
           "\"\n\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\NetTrans\\000" + id + "]\n" + tcp +
           "\n\n";
}
