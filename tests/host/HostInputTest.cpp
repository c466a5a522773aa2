// Wrong input to every option and command of the host: one line on
// standard error naming the problem, exit 2 for a wrong command line or 1
// for a failure, never a crash, and no --save or --patch file left behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HostRun.h"

namespace {

using namespace hostrun;

class HostInput : public ScratchDirTest {
protected:
    fs::path File(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
};

TEST_F(HostInput, EveryWrongInputGetsOneLineAndItsExitStatus) {
    const std::string huge(70000, '9');
    const std::string machine = ORVANE_SOURCE_DIR "/examples/win98.reg";
    const std::string nt4 = ORVANE_SOURCE_DIR "/examples/nt4.reg";
    const fs::path badLine = File("bad.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=dwordd:1\r\n");
    const fs::path script = File("script.txt", "\n   \n# a comment\nnic list\ntcp set-hostname " + huge + "\n");
    const fs::path longLine = File("long.txt", std::string(200000, 'x') + "\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;  // a piece of the one line
    } cases[] = {
        {{"--machine", "/no/such/file.reg", "dll"}, 2, "cannot open /no/such/file.reg"},
        {{"--machine", dir.string(), "dll"}, 2, "Is a directory"},
        {{"--machine", badLine.string(), "dll"}, 2, "bad.reg:4: malformed value line"},
        {{"--machine"}, 2, "--machine needs a value"},
        {{"--platform", "os2", "dll"}, 2, "unknown platform 'os2'"},
        {{"--bogus", "dll"}, 2, "unknown option '--bogus'"},
        {{"nic", "static", "0"}, 2, "nic static: 1 argument given"},
        {{"tcp", "write", "now"}, 2, "tcp write: takes no arguments"},
        {{"nic", "set-ip", "0", "0", "10.1.2"}, 2, "IP '10.1.2' is not a dotted IPv4 address"},
        {{"nic", "set-ip", "0", "0", "10.1.2.256"}, 2, "not a dotted IPv4 address"},
        {{"nic", "set-ip", "0", "0", "010.1.2.3"}, 2, "not a dotted IPv4 address"},
        {{"nic", "static", "0", "10.1.2.3", "255.0.255.0"}, 2, "MASK '255.0.255.0' is not a contiguous subnet mask"},
        {{"nic", "set-gateway", "0", "0", huge}, 2, "GATEWAY '9999"},
        {{"tcp", "set-dns", "0", "1.1.1.1,2.2.2.2"}, 2, "ADDRESS '1.1.1.1,2.2.2.2' is not a dotted IPv4"},
        {{"nic", "set-ip", "0", "10", "10.1.2.3"}, 2, "SLOT 10 is out of range (0 to 9)"},
        {{"tcp", "set-search", "32", "a.example"}, 2, "ENTRY 32 is out of range (0 to 31)"},
        {{"nic", "show", "4294967296"}, 2, "bad N '4294967296'"},
        {{"nic", "show", "-1"}, 2, "bad N '-1'"},
        {{"nic", "show", huge}, 2, "bad N '9999"},
        {{"nic", "show", "4294967295"}, 1, "no adapter 4294967295"},
        {{"tcp", "set-hostname", huge}, 2, "TEXT has 70000 characters"},
        {{"tcp", "set-hostname", std::string(300, 'h')}, 1, "did not take the text (300 characters)"},
        {{"--machine", nt4, "tcp", "set-dns", "0", "10.100.200.1"}, 0, ""},
        // --raw hands address texts over as they are; the library keeps what fits its slot.
        {{"--raw", "nic", "set-ip", "0", "0", "host.example"}, 0, ""},
        {{"-f", script.string()}, 2, "TEXT has 70000 characters"},
        {{"-f", longLine.string()}, 2, "unknown command 'xxxx"},
        {{"-f", (dir / "none.txt").string()}, 2, "cannot read script"},
        {{huge}, 2, "unknown command '9999"},
        {{"reg", "query", "HKLM\\" + huge}, 1, "cannot read key"},
    };
    for (const Case& c : cases) {
        const std::string shown = c.args.front().substr(0, 40) + (c.args.size() > 1 ? " " + c.args[1].substr(0, 40) : "");
        SCOPED_TRACE(shown);
        const fs::path saved = dir / "saved.reg";
        const fs::path patch = dir / "patch.reg";
        std::vector<std::string> args = {"--machine", machine, "--save", saved.string(), "--patch", patch.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const int status = RunHost(args, "/dev/null", dir / "stderr.txt");
        const std::string err = Read(dir / "stderr.txt");
        EXPECT_EQ(status, c.status) << err;
        if (c.status == 0) {
            EXPECT_EQ(err, "");
        } else {
            ASSERT_FALSE(err.empty());
            EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line: " << err.substr(0, 400);
            EXPECT_EQ(err.rfind("orvane: ", 0), 0u) << err.substr(0, 400);
            EXPECT_NE(err.find(c.says), std::string::npos) << err.substr(0, 400);
            EXPECT_LE(err.size(), 400u);
        }
        // A wrong command line writes nothing; a failed command still
        // writes whole files (what did happen is worth a patch).
        EXPECT_EQ(fs::exists(saved), c.status != 2);
        EXPECT_EQ(fs::exists(patch), c.status != 2);
        for (const auto& entry : fs::directory_iterator(dir))
            EXPECT_EQ(entry.path().extension() == ".tmp", false) << entry.path();
        fs::remove(saved);
        fs::remove(patch);
    }
}

}  // namespace
