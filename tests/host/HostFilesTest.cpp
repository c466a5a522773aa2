// The files the offline host writes: the patch takes the original machine
// to the saved result and the undo file takes the result back, exactly, for
// every sample machine and every command family that writes; the files
// keep the machine file's encoding; '-' is the host's own standard output.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "HostRun.h"
#include "sim/control.h"

namespace {

using namespace hostrun;

// The platform a sample machine is: nt4*.reg, win2000*.reg, else Windows 98.
sim::Platform PlatformOf(const fs::path& machine) {
    const std::string stem = machine.stem().string();
    if (stem.rfind("nt4", 0) == 0) return sim::Platform::NT4;
    if (stem.rfind("win2000", 0) == 0) return sim::Platform::Win2000;
    return sim::Platform::Win98;
}

// The registry after importing `files` in order onto an empty machine, the
// files after the first as `platform` imports them (as the host does), as
// the exporter writes all of it.
std::string MachineAfter(const std::vector<fs::path>& files, sim::Platform platform) {
    sim::Reset();
    for (auto& f : files) {
        const sim::RegImportResult r = sim::ImportRegFile(f.string());
        EXPECT_TRUE(r.ok) << f << ":" << r.line << ": " << r.error;
        sim::SetPlatform(platform);
    }
    return sim::ExportReg(sim::RegFormat::Regedit5);
}

bool IsUtf16(const std::string& bytes) { return bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE'; }

class HostFilesTest : public ScratchDirTest {
protected:
    // The sample machines as they are, and each also as regedit writes a
    // 5.00 file: UTF-16LE with a byte-order mark.
    std::vector<fs::path> Machines() {
        std::vector<fs::path> machines;
        for (auto& entry : fs::directory_iterator(fs::path(ORVANE_SOURCE_DIR) / "examples")) {
            if (entry.path().extension() != ".reg") continue;
            machines.push_back(entry.path());
            sim::Reset();
            EXPECT_TRUE(sim::ImportRegFile(entry.path().string()).ok);
            const fs::path wide = dir / (entry.path().stem().string() + "-utf16.reg");
            std::ofstream(wide, std::ios::binary)
                << sim::EncodeRegText(sim::ExportReg(sim::RegFormat::Regedit5), sim::RegEncoding::Utf16Le);
            machines.push_back(wide);
        }
        return machines;
    }
};

struct WritingCommands {
    const char* family;
    std::vector<std::string> commands;
};

// Every family that writes; the registry commands change a value in place,
// add keys, and remove a value and a key that have siblings after them, so
// the undo must put them back where they were. CONNECTION stands for the
// machine's first persistent drive connection.
const WritingCommands kWrites[] = {
    {"nic static", {"nic", "static", "0", "10.1.2.3", "255.0.0.0", "10.1.2.1"}},
    {"nic dhcp", {"nic", "dhcp", "0"}},
    {"tcp set and write",
     {"tcp", "set-hostname", "roundtrip", ";", "tcp", "set-domain", "example.test", ";", "tcp", "set-dns", "0",
      "10.9.9.9", ";", "tcp", "write"}},
    {"reg set",
     {"reg", "set", "CONNECTION", "RemotePath", "sz", "\\\\OTHER\\SHARE", ";", "reg", "set",
      "HKLM\\Software\\OrvaneRoundTrip\\Sub", "Count", "dword", "7"}},
    {"reg delete value", {"reg", "delete", "CONNECTION", "ProviderName"}},
    {"reg delete key", {"reg", "delete", "CONNECTION"}},
};

TEST_F(HostFilesTest, PatchAndUndoTakeEachMachineThereAndBackExactly) {
    for (const fs::path& machine : Machines()) {
        const bool wide = IsUtf16(Read(machine));
        const sim::Platform platform = PlatformOf(machine);
        const std::string original = MachineAfter({machine}, platform);
        const std::string connection =
            sim::KeyExists("HKCU\\Network\\Persistent") ? "HKCU\\Network\\Persistent\\F" : "HKCU\\Network\\H";
        for (const WritingCommands& w : kWrites) {
            SCOPED_TRACE(machine.filename().string() + ": " + w.family);
            const fs::path saved = dir / "saved.reg", patch = dir / "patch.reg", undo = dir / "undo.reg";
            std::vector<std::string> args = {"--machine", machine.string(), "--save", saved.string(), "--patch",
                                             patch.string(), "--undo", undo.string()};
            for (const std::string& c : w.commands) args.push_back(c == "CONNECTION" ? connection : c);
            ASSERT_EQ(RunHost(args, dir / "out.txt"), 0) << Read(dir / "out.txt");

            for (const fs::path& f : {saved, patch, undo}) EXPECT_EQ(IsUtf16(Read(f)), wide) << f.filename();
            const std::string result = MachineAfter({saved}, platform);
            ASSERT_NE(result, original) << "the commands changed nothing";
            EXPECT_EQ(MachineAfter({machine, patch}, platform), result) << Read(patch);
            EXPECT_EQ(MachineAfter({saved, undo}, platform), original) << Read(undo);
        }
    }
}

TEST_F(HostFilesTest, DashWritesAfterTheCommandOutputOnTheHostsOwnStandardOutput) {
    const std::string machine = std::string(ORVANE_SOURCE_DIR) + "/examples/win98.reg";
    const fs::path plain = dir / "plain.txt", patch = dir / "patch.reg", both = dir / "both.txt";
    ASSERT_EQ(RunHost({"--machine", machine, "--patch", patch.string(), "tcp", "set-hostname", "dash", ";", "tcp",
                       "write"},
                      plain),
              0);
    ASSERT_EQ(RunHost({"--machine", machine, "--patch", "-", "tcp", "set-hostname", "dash", ";", "tcp", "write"},
                      both),
              0);
    EXPECT_EQ(Read(both), Read(plain) + Read(patch));

    // Two files to one standard output would interleave: refused before
    // anything runs.
    EXPECT_EQ(RunHost({"--machine", machine, "--save", "-", "--undo", "-", "dll"}, both), 2);
    EXPECT_EQ(Read(both), "");
}

TEST_F(HostFilesTest, AFileThatCannotBeWrittenLeavesNothingBehindAndTheOthersAreWritten) {
    const std::string machine = std::string(ORVANE_SOURCE_DIR) + "/examples/nt4.reg";
    // A directory in the way: the new file is written, then cannot take
    // the directory's name.
    const fs::path blocked = dir / "blocked.reg", patch = dir / "patch.reg";
    fs::create_directory(blocked);
    EXPECT_EQ(RunHost({"--machine", machine, "--save", blocked.string(), "--patch", patch.string(), "nic", "dhcp", "0"},
                      dir / "out.txt"),
              1);
    EXPECT_TRUE(fs::is_directory(blocked));
    EXPECT_NE(Read(patch).find("EnableDHCP"), std::string::npos);
    std::vector<std::string> left;
    for (auto& entry : fs::directory_iterator(dir)) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"blocked.reg", "out.txt", "patch.reg"}));
}

// A protocol change reaches the adapter table the library builds when it is
// loaded: the next run's nic list shows it. The patch and undo files of the
// install take the machine there and back like any other write.
TEST_F(HostFilesTest, AnInstalledProtocolShowsInTheNextRunsAdapterList) {
    const std::string machine = std::string(ORVANE_SOURCE_DIR) + "/examples/win98.reg";
    const fs::path removed = dir / "removed.reg", installed = dir / "installed.reg", patch = dir / "patch.reg",
                   undo = dir / "undo.reg", out = dir / "out.txt";
    ASSERT_EQ(RunHost({"--machine", machine, "--save", removed.string(), "protocol", "remove", "1", "tcpip"}, out), 0);
    const std::string card1 = "  - number: 1\n    name: Intel 8255x-based PCI Ethernet Adapter (10/100)\n    tcpip: ";
    ASSERT_EQ(RunHost({"--machine", removed.string(), "nic", "list"}, out), 0);
    EXPECT_NE(Read(out).find(card1 + "no\n"), std::string::npos) << Read(out);

    ASSERT_EQ(RunHost({"--machine", removed.string(), "--save", installed.string(), "--patch", patch.string(), "--undo",
                       undo.string(), "protocol", "install", "1", "tcpip", ";", "protocol", "bind", "1", "tcpip",
                       "client"},
                      out),
              0);
    ASSERT_EQ(RunHost({"--machine", installed.string(), "nic", "list"}, out), 0);
    EXPECT_NE(Read(out).find(card1 + "yes\n    dhcp: yes\n    ip-addresses: 0.0.0.0\n"), std::string::npos)
        << Read(out);
    EXPECT_EQ(MachineAfter({removed, patch}, sim::Platform::Win98), MachineAfter({installed}, sim::Platform::Win98));
    EXPECT_EQ(MachineAfter({installed, undo}, sim::Platform::Win98), MachineAfter({removed}, sim::Platform::Win98));
}

}  // namespace
