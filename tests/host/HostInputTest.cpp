// Wrong input to every option and command of the host: one line on
// standard error naming the problem, exit 2 for a wrong command line or 1
// for a failure, never a crash, and no --save or --patch file left behind.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;  // exit status; -1 for a signal
    std::string err;
};

Outcome RunHost(const std::vector<std::string>& args, const fs::path& dir) {
    std::vector<std::string> argv = {ORVANE_HOST};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
    raw.push_back(nullptr);
    const fs::path errFile = dir / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    Outcome o;
    const int spawned = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return o;
    int status = 0;
    waitpid(pid, &status, 0);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errFile, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    o.err = s.str();
    return o;
}

class HostInput : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/orvane-input-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        m_dir = templ;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    fs::path File(const std::string& name, const std::string& bytes) {
        std::ofstream(m_dir / name, std::ios::binary) << bytes;
        return m_dir / name;
    }
    fs::path m_dir;
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
        {{"--machine", m_dir.string(), "dll"}, 2, "Is a directory"},
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
        {{"-f", script.string()}, 2, "TEXT has 70000 characters"},
        {{"-f", longLine.string()}, 2, "unknown command 'xxxx"},
        {{"-f", (m_dir / "none.txt").string()}, 2, "cannot read script"},
        {{huge}, 2, "unknown command '9999"},
        {{"reg", "query", "HKLM\\" + huge}, 1, "cannot read key"},
    };
    for (const Case& c : cases) {
        const std::string shown = c.args.front().substr(0, 40) + (c.args.size() > 1 ? " " + c.args[1].substr(0, 40) : "");
        SCOPED_TRACE(shown);
        const fs::path saved = m_dir / "saved.reg";
        const fs::path patch = m_dir / "patch.reg";
        std::vector<std::string> args = {"--machine", machine, "--save", saved.string(), "--patch", patch.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome o = RunHost(args, m_dir);
        EXPECT_EQ(o.status, c.status) << o.err;
        if (c.status == 0) {
            EXPECT_EQ(o.err, "");
        } else {
            ASSERT_FALSE(o.err.empty());
            EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << "one line: " << o.err.substr(0, 400);
            EXPECT_EQ(o.err.rfind("orvane: ", 0), 0u) << o.err.substr(0, 400);
            EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err.substr(0, 400);
            EXPECT_LE(o.err.size(), 400u);
        }
        // A wrong command line writes nothing; a failed command still
        // writes whole files (what did happen is worth a patch).
        EXPECT_EQ(fs::exists(saved), c.status != 2);
        EXPECT_EQ(fs::exists(patch), c.status != 2);
        for (const auto& entry : fs::directory_iterator(m_dir))
            EXPECT_EQ(entry.path().extension() == ".tmp", false) << entry.path();
        fs::remove(saved);
        fs::remove(patch);
    }
}

// --raw hands address texts over as they are; the library then keeps what
// fits its slot.
TEST_F(HostInput, RawPassesAddressTextsThrough) {
    const Outcome o = RunHost({"--machine", ORVANE_SOURCE_DIR "/examples/win98.reg", "--raw", "nic", "set-ip", "0", "0",
                           "host.example"},
                          m_dir);
    EXPECT_EQ(o.status, 0) << o.err;
}

}  // namespace
