// Runs scenario files (see tests/scenarios/README.md) against the orvane
// host: natively on the simulated platform, or with the Windows build
// under Wine. Registry contents are compared through the simulated
// platform's .reg exporter on both sides, so Wine's export and ours are
// put in the same canonical form before they are compared.
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sim/control.h"

namespace {

// ---- Scenario files -----------------------------------------------------------

struct Section {
    std::string name;     // seed, commands, output, registry, ...
    std::string argument; // the key of a registry section, the name of a file section
    std::vector<std::string> lines;
};

struct Scenario {
    std::string path;
    std::string title;
    std::string platform;
    std::string machine;  // relative to the repository; empty: none
    std::string wineSkip; // reason; empty: runs under Wine too
    std::string dunVersion;      // the dial-up library's file version, natively
    std::string winsockVersion;  // the highest Winsock version, natively
    std::vector<Section> sections;

    const Section* Find(const std::string& name) const {
        for (auto& s : sections)
            if (s.name == name) return &s;
        return nullptr;
    }
};

std::string ReadFile(const std::string& path, bool* ok = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (ok) *ok = static_cast<bool>(in);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    size_t b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Drops the blank lines at the end of a section.
void TrimTrailingBlank(std::vector<std::string>& lines) {
    while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
}

bool Parse(const std::string& path, Scenario* out, std::string* error) {
    bool ok = false;
    const std::string text = ReadFile(path, &ok);
    if (!ok) {
        *error = "cannot read " + path;
        return false;
    }
    Scenario s;
    s.path = path;
    Section* current = nullptr;
    int number = 0;
    for (const std::string& line : SplitLines(text)) {
        ++number;
        // Section headers are the known names only, so the .reg key lines
        // of [seed] and [registry] sections are never taken for one.
        const bool sectionHeader =
            line.size() > 2 && line[0] == '[' && line.back() == ']' &&
            (line.rfind("[seed]", 0) == 0 || line.rfind("[access]", 0) == 0 || line.rfind("[commands]", 0) == 0 ||
             line.rfind("[output]", 0) == 0 || line.rfind("[exit]", 0) == 0 || line.rfind("[registry ", 0) == 0 ||
             line.rfind("[dhcp]", 0) == 0 || line.rfind("[messages]", 0) == 0 ||
             line.rfind("[commands-run]", 0) == 0 || line.rfind("[file ", 0) == 0);
        if (sectionHeader) {
            if (current && current->name != "file") TrimTrailingBlank(current->lines);
            Section sec;
            const std::string inner = line.substr(1, line.size() - 2);
            const size_t space = inner.find(' ');
            sec.name = inner.substr(0, space);
            if (space != std::string::npos) sec.argument = Trim(inner.substr(space + 1));
            s.sections.push_back(sec);
            current = &s.sections.back();
            continue;
        }
        if (current) {
            current->lines.push_back(line);
            continue;
        }
        const std::string t = Trim(line);
        if (t.empty()) continue;
        if (t[0] == '#') {
            if (s.title.empty()) s.title = Trim(t.substr(1));
            continue;
        }
        const size_t colon = t.find(':');
        if (colon == std::string::npos) {
            *error = path + ":" + std::to_string(number) + ": expected 'name: value' or a [section]";
            return false;
        }
        const std::string key = Trim(t.substr(0, colon));
        const std::string value = Trim(t.substr(colon + 1));
        if (key == "platform") {
            s.platform = value;
        } else if (key == "machine") {
            s.machine = value == "none" ? std::string() : value;
        } else if (key == "dun-version") {
            s.dunVersion = value;
        } else if (key == "winsock-version") {
            s.winsockVersion = value;
        } else if (key == "wine") {
            if (value.rfind("skip", 0) != 0) {
                *error = path + ":" + std::to_string(number) + ": 'wine:' takes 'skip because ...'";
                return false;
            }
            s.wineSkip = Trim(value.substr(4));
            if (s.wineSkip.empty()) s.wineSkip = "no reason given";
        } else {
            *error = path + ":" + std::to_string(number) + ": unknown setting '" + key + "'";
            return false;
        }
    }
    // A [file] section is compared exactly, blank lines at its end included:
    // it runs to the next section or to the end of the scenario file.
    if (current && current->name != "file") TrimTrailingBlank(current->lines);
    sim::Platform p;
    if (!sim::ParsePlatform(s.platform, &p)) {
        *error = path + ": 'platform:' must be win98, nt4 or win2000";
        return false;
    }
    if (!s.Find("commands")) {
        *error = path + ": no [commands] section";
        return false;
    }
    if ((s.Find("access") || !s.dunVersion.empty() || !s.winsockVersion.empty()) && s.wineSkip.empty()) {
        *error = path + ": [access], 'dun-version:' and 'winsock-version:' work natively only; say "
                        "'wine: skip because ...'";
        return false;
    }
    *out = std::move(s);
    return true;
}

// ---- Child processes ------------------------------------------------------------

struct RunResult {
    int exitCode = -1;
    bool timedOut = false;
    std::string output;
    std::string errors;
};

RunResult Run(const std::vector<std::string>& argv, const std::string& dir, int timeoutSeconds) {
    RunResult r;
    const std::string outPath = dir + "/.stdout", errPath = dir + "/.stderr";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) {
        r.errors = "fork failed";
        return r;
    }
    int status = 0;
    for (int waited = 0;; waited += 20) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (waited >= timeoutSeconds * 1000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.timedOut = true;
            break;
        }
        usleep(20 * 1000);
    }
    if (!r.timedOut && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.output = ReadFile(outPath);
    r.errors = ReadFile(errPath);
    return r;
}

std::string MakeTempDir() {
    char templ[] = "/tmp/orvane-scenario-XXXXXX";
    const char* made = mkdtemp(templ);
    return made ? made : "";
}

void RemoveDir(const std::string& dir) {
    if (dir.empty()) return;
    Run({"rm", "-rf", dir}, "/tmp", 30);
}

// ---- Registry text ---------------------------------------------------------------

const char kWineCurrentConfig[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current";

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    size_t at = 0;
    while ((at = s.find(from, at)) != std::string::npos) {
        s.replace(at, from.size(), to);
        at += to.size();
    }
    return s;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (auto& l : lines) out += l + "\n";
    return out;
}

// What our exporter writes for one key and its subtree, without the header;
// empty when the key does not exist.
std::string ExportedKey(const std::string& key) {
    if (!sim::KeyExists(key)) return "";
    std::string text = sim::ExportRegKey(sim::RegFormat::Regedit4, key);
    const size_t body = text.find("\r\n\r\n");
    text = body == std::string::npos ? "" : text.substr(body + 4);
    return Join(SplitLines(text));
}

std::string Normalised(const std::vector<std::string>& lines) {
    std::vector<std::string> copy = lines;
    TrimTrailingBlank(copy);
    std::string out = Join(copy);
    return out;
}

// ---- Comparing ---------------------------------------------------------------------

struct Verdict {
    std::vector<std::string> failures;
    void Differ(const std::string& what, const std::string& expected, const std::string& actual) {
        failures.push_back(what + " differs\n--- expected\n" + expected + "--- actual\n" + actual + "---");
    }
};

std::string WithoutTrailingBlankLines(const std::string& text) {
    std::vector<std::string> lines = SplitLines(text);
    TrimTrailingBlank(lines);
    return Join(lines);
}

// ---- The runner --------------------------------------------------------------------

struct Options {
    std::string host;      // native host binary
    std::string wineBin;   // directory with orvane98.exe, orvanent4.exe, orvane2k.exe (Wine mode)
    std::string wine = "wine";
    std::string repo = ".";
    bool keep = false;
    bool bless = false;  // write what happened into the [output] and [registry] sections
    int timeout = 60;
};

const char* WineExe(const std::string& platform) {
    if (platform == "nt4") return "orvanent4.exe";
    if (platform == "win2000") return "orvane2k.exe";
    return "orvane98.exe";
}

// Keys a scenario owns under Wine: before seeding, each seeded key's subtree
// is removed below the nearest of these containers, so nothing from an
// earlier scenario (or from Wine's own defaults) is read by this one.
std::vector<std::string> WineOwnedKeys(const std::vector<std::string>& seededKeys) {
    static const char* const kContainers[] = {
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
        "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion",
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current",
        "HKEY_CURRENT_USER",
    };
    static const char* const kTopLevel[] = {"HKEY_LOCAL_MACHINE\\Enum", "HKEY_LOCAL_MACHINE\\Network"};
    auto lower = [](std::string s) {
        for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    // Keys the library reads and writes are always cleared, so a value one
    // scenario wrote is never read by the next.
    std::vector<std::string> owned = {
        "HKEY_LOCAL_MACHINE\\Enum",
        "HKEY_LOCAL_MACHINE\\Network",
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD",
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class",
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Tcpip",
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\NetBT",
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Nbf",
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\DHCP",
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\MSNP32",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCard",
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Enum",
        "HKEY_CURRENT_USER\\Network",
    };
    for (const std::string& key : seededKeys) {
        const std::string k = lower(key);
        std::string pick;
        for (const char* top : kTopLevel) {
            const std::string t = lower(top);
            if (k == t || k.rfind(t + "\\", 0) == 0) pick = top;
        }
        for (const char* container : kContainers) {
            const std::string c = lower(container);
            if (k.size() > c.size() + 1 && k.rfind(c + "\\", 0) == 0) {
                const size_t end = key.find('\\', c.size() + 1);
                pick = key.substr(0, end);
            }
        }
        if (!pick.empty() && std::find(owned.begin(), owned.end(), pick) == owned.end()) owned.push_back(pick);
    }
    return owned;
}

class Runner {
public:
    explicit Runner(Options o) : m_o(std::move(o)) {}

    // 0 passed, 1 failed, 2 skipped.
    int RunFile(const std::string& path) {
        Scenario s;
        std::string error;
        if (!Parse(path, &s, &error)) {
            std::printf("ERROR %s\n", error.c_str());
            return 1;
        }
        const bool wine = !m_o.wineBin.empty();
        if (wine && !s.wineSkip.empty()) {
            std::printf("SKIP  %s (Wine: %s)\n", path.c_str(), s.wineSkip.c_str());
            return 2;
        }
        const std::string dir = MakeTempDir();
        Verdict v;
        RunResult r = wine ? RunWine(s, dir, v) : RunNative(s, dir, v);
        if (v.failures.empty() && m_o.bless && !wine) Bless(s, r, dir);
        if (v.failures.empty()) Compare(s, dir, wine, r, v);
        if (v.failures.empty()) {
            std::printf("PASS  %s\n", path.c_str());
        } else {
            std::printf("FAIL  %s%s\n", path.c_str(), s.title.empty() ? "" : (" (" + s.title + ")").c_str());
            for (auto& f : v.failures) std::printf("%s\n", f.c_str());
            if (!r.errors.empty()) std::printf("standard error:\n%s\n", r.errors.c_str());
            if (m_o.keep) std::printf("work directory kept: %s\n", dir.c_str());
        }
        if (!m_o.keep || v.failures.empty()) RemoveDir(dir);
        return v.failures.empty() ? 0 : 1;
    }

private:
    std::string SeedText(const Scenario& s) const {
        const Section* seed = s.Find("seed");
        std::string text = "REGEDIT4\n\n";
        if (seed) {
            for (auto& l : seed->lines) {
                if (Trim(l) == "REGEDIT4" || Trim(l) == "Windows Registry Editor Version 5.00") continue;
                text += l + "\n";
            }
        }
        return text + "\n";
    }

    RunResult RunNative(const Scenario& s, const std::string& dir, Verdict& v) {
        std::vector<std::string> argv = {m_o.host};
        const std::string empty = dir + "/.empty.reg";
        if (s.machine.empty()) {
            WriteFile(empty, "REGEDIT4\r\n\r\n");
            argv.insert(argv.end(), {"--machine", empty});
        } else {
            argv.insert(argv.end(), {"--machine", m_o.repo + "/" + s.machine});
        }
        if (s.Find("seed")) {
            WriteFile(dir + "/.seed.reg", SeedText(s));
            argv.insert(argv.end(), {"--machine", dir + "/.seed.reg"});
        }
        if (const Section* access = s.Find("access")) {
            for (auto& l : access->lines) {
                const std::string t = Trim(l);
                if (t.empty() || t[0] == '#') continue;
                const size_t space = t.find(' ');
                const std::string kind = t.substr(0, space);
                const std::string key = space == std::string::npos ? "" : Trim(t.substr(space + 1));
                if (kind == "readonly") {
                    argv.insert(argv.end(), {"--readonly", key});
                } else if (kind == "denied") {
                    argv.insert(argv.end(), {"--deny", key});
                } else {
                    v.failures.push_back("[access]: unknown line '" + t + "'");
                    return {};
                }
            }
        }
        if (!s.dunVersion.empty()) argv.insert(argv.end(), {"--dun-version", s.dunVersion});
        if (!s.winsockVersion.empty()) argv.insert(argv.end(), {"--winsock-version", s.winsockVersion});
        WriteFile(dir + "/.commands", Join(s.Find("commands")->lines));
        argv.insert(argv.end(), {"--platform", s.platform, "--save", dir + "/.after.reg", "--record",
                                 dir + "/.record", "-f", dir + "/.commands"});
        RunResult r = Run(argv, dir, m_o.timeout);
        if (r.timedOut) v.failures.push_back("the host did not finish within " + std::to_string(m_o.timeout) + " s");
        // The registry after the run, for the [registry] sections.
        sim::Reset();
        const sim::RegImportResult after = sim::ImportRegFile(dir + "/.after.reg");
        if (!after.ok && r.exitCode != 2)
            v.failures.push_back("the host (exit status " + std::to_string(r.exitCode) +
                                 ") left no registry: " + after.error);
        return r;
    }

    RunResult RunWine(const Scenario& s, const std::string& dir, Verdict& v) {
        // The seed: machine file and [seed] lines, merged by our own importer
        // and written again, with HKEY_CURRENT_CONFIG where Wine keeps it.
        sim::Reset();
        if (!s.machine.empty()) {
            const auto m = sim::ImportRegFile(m_o.repo + "/" + s.machine);
            if (!m.ok) {
                v.failures.push_back("machine file: " + m.error);
                return {};
            }
        }
        const auto seed = sim::ImportReg(SeedText(s));
        if (!seed.ok) {
            v.failures.push_back("[seed]: line " + std::to_string(seed.line) + ": " + seed.error);
            return {};
        }
        std::string text = sim::ExportReg(sim::RegFormat::Regedit4);
        std::vector<std::string> keys;
        std::vector<std::string> lines = SplitLines(text);
        std::string merged;
        bool skipValues = false;
        for (std::string& l : lines) {
            if (!l.empty() && l[0] == '[') {
                l = Replace(l, "[HKEY_CURRENT_CONFIG", std::string("[") + kWineCurrentConfig);
                const std::string key = l.substr(1, l.size() - 2);
                keys.push_back(key);
                // Wine's own version keys keep their values: the platform
                // mode comes from AppDefaults, not from what a sample says.
                skipValues = key == "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion" ||
                             key == "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion";
            } else if (skipValues && !Trim(l).empty()) {
                continue;
            }
            merged += l + "\r\n";
        }
        for (const Section& sec : s.sections) {
            if (sec.name == "registry") keys.push_back(Replace(sec.argument, "HKEY_CURRENT_CONFIG", kWineCurrentConfig));
        }
        std::string clean = "REGEDIT4\r\n\r\n";
        for (auto& k : WineOwnedKeys(keys)) clean += "[-" + k + "]\r\n\r\n";
        const std::string sentinel = "seed-" + std::to_string(getpid()) + "-" + std::to_string(++m_counter);
        merged = merged.substr(merged.find("\r\n\r\n") + 4);
        WriteFile(dir + "/.seed.reg", clean + merged + "[HKEY_CURRENT_USER\\Software\\OrvaneScenario]\r\n\"Sentinel\"=\"" +
                                          sentinel + "\"\r\n\r\n");
        RunResult imp = Run({m_o.wine, "reg", "import", ".seed.reg"}, dir, m_o.timeout);
        RunResult check = Run({m_o.wine, "reg", "query", "HKEY_CURRENT_USER\\Software\\OrvaneScenario", "/v", "Sentinel"},
                              dir, m_o.timeout);
        if (check.output.find(sentinel) == std::string::npos) {
            v.failures.push_back("seeding Wine's registry failed (sentinel not found):\n" + imp.output + imp.errors);
            return {};
        }
        WriteFile(dir + "/.commands", Join(s.Find("commands")->lines));
        RunResult r = Run({m_o.wine, m_o.wineBin + "/" + WineExe(s.platform), "-f", ".commands"}, dir, m_o.timeout);
        if (r.timedOut) v.failures.push_back("the host did not finish within " + std::to_string(m_o.timeout) + " s");
        // Export each named key from Wine and read it back into the
        // simulated registry for the comparison.
        sim::Reset();
        for (const Section& sec : s.sections) {
            if (sec.name != "registry") continue;
            const std::string wineKey = Replace(sec.argument, "HKEY_CURRENT_CONFIG", kWineCurrentConfig);
            const std::string file = ".export-" + std::to_string(&sec - &s.sections[0]) + ".reg";
            RunResult e = Run({m_o.wine, "reg", "export", wineKey, file, "/y"}, dir, m_o.timeout);
            if (e.exitCode != 0) continue;  // no such key
            std::string exported = ReadFile(dir + "/" + file);
            const auto in = sim::ImportReg(exported);
            if (!in.ok) {
                v.failures.push_back("cannot read Wine's export of " + wineKey + ": " + in.error);
                continue;
            }
        }
        // Wine's HKEY_CURRENT_CONFIG, back where the scenario names it.
        if (sim::KeyExists(kWineCurrentConfig)) {
            std::string cc = sim::ExportRegKey(sim::RegFormat::Regedit4, kWineCurrentConfig);
            cc = Replace(cc, std::string("[") + kWineCurrentConfig, "[HKEY_CURRENT_CONFIG");
            cc = Replace(cc, "[HKEY_CURRENT_CONFIG]\r\n", "");
            sim::ImportReg(cc);
        }
        // The doubles' log, as the native record.
        const std::string log = ReadFile(dir + "/orvane-doubles.log");
        WriteFile(dir + "/.record", log);
        r.output = Replace(r.output, "\r\n", "\n");
        return r;
    }

    // Rewrites the file with the actual output and registry contents in
    // its [output] and [registry] sections; everything else stays. For
    // writing new scenarios: read the result before you keep it.
    void Bless(const Scenario& s, const RunResult& r, const std::string& dir) {
        std::string text;
        bool skipping = false;
        const Section* section = nullptr;
        size_t index = 0;
        for (const std::string& line : SplitLines(ReadFile(s.path))) {
            const bool header = index < s.sections.size() && line.size() > 2 && line[0] == '[' &&
                                line == "[" + s.sections[index].name +
                                            (s.sections[index].argument.empty() ? "" : " " + s.sections[index].argument) +
                                            "]";
            if (header) {
                section = &s.sections[index++];
                skipping = section->name == "output" || section->name == "registry" || section->name == "file";
                text += line + "\n";
                if (section->name == "output") text += WithoutTrailingBlankLines(r.output) + "\n";
                if (section->name == "registry") text += WithoutTrailingBlankLines(ExportedKey(section->argument)) + "\n";
                if (section->name == "file") text += Join(SplitLines(ReadFile(dir + "/" + section->argument)));
                continue;
            }
            if (!skipping) text += line + "\n";
        }
        if (s.sections.empty() || s.sections.back().name != "file") {
            while (text.size() > 1 && text[text.size() - 1] == '\n' && text[text.size() - 2] == '\n') text.pop_back();
        }
        WriteFile(s.path, text);
    }

    void Compare(const Scenario& s, const std::string& dir, bool wine, const RunResult& r, Verdict& v) {
        const Section* exitSection = s.Find("exit");
        const int expectedExit = exitSection && !exitSection->lines.empty() ? std::atoi(exitSection->lines[0].c_str()) : 0;
        if (r.exitCode != expectedExit)
            v.failures.push_back("exit status " + std::to_string(r.exitCode) + ", expected " +
                                 std::to_string(expectedExit));
        if (const Section* out = s.Find("output")) {
            const std::string expected = Normalised(out->lines);
            const std::string actual = WithoutTrailingBlankLines(r.output);
            if (expected != actual) v.Differ("[output]", expected, actual);
        }
        for (const Section& sec : s.sections) {
            if (sec.name == "registry") {
                const std::string expected = Normalised(sec.lines);
                const std::string actual = WithoutTrailingBlankLines(ExportedKey(sec.argument));
                if (expected != actual) v.Differ("[registry " + sec.argument + "]", expected, actual);
            } else if (sec.name == "file") {
                bool ok = false;
                const std::string actual = ReadFile(dir + "/" + sec.argument, &ok);
                std::string expected;
                for (auto& l : sec.lines) expected += l + "\r\n";
                if (!ok && !sec.lines.empty()) {
                    v.failures.push_back("[file " + sec.argument + "]: the file was not written");
                } else if (ok && expected != actual) {
                    v.Differ("[file " + sec.argument + "]", expected, actual);
                }
            }
        }
        const std::vector<std::string> record = SplitLines(ReadFile(dir + "/.record"));
        auto recorded = [&](const std::string& prefix) {
            std::vector<std::string> lines;
            for (auto& l : record)
                if (l.rfind(prefix + " ", 0) == 0) lines.push_back(l.substr(prefix.size() + 1));
            return Join(lines);
        };
        if (const Section* d = s.Find("dhcp")) {
            const std::string expected = Normalised(d->lines);
            const std::string actual = recorded("dhcp");
            if (expected != actual) v.Differ("[dhcp]", expected, actual);
        }
        if (!wine) {
            if (const Section* m = s.Find("messages")) {
                const std::string expected = Normalised(m->lines);
                const std::string actual = recorded("message");
                if (expected != actual) v.Differ("[messages]", expected, actual);
            }
            if (const Section* c = s.Find("commands-run")) {
                const std::string expected = Normalised(c->lines);
                const std::string actual = recorded("command");
                if (expected != actual) v.Differ("[commands-run]", expected, actual);
            }
        }
    }

    Options m_o;
    int m_counter = 0;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: scenario_runner --host ORVANE [--repo DIR] [--keep] [--timeout S] FILE.scn...\n"
                 "       scenario_runner --wine-bin DIR [--wine WINE] [--repo DIR] ... FILE.scn...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--host") {
            o.host = value();
        } else if (a == "--wine-bin") {
            o.wineBin = value();
        } else if (a == "--wine") {
            o.wine = value();
        } else if (a == "--repo") {
            o.repo = value();
        } else if (a == "--timeout") {
            o.timeout = std::atoi(value().c_str());
        } else if (a == "--keep") {
            o.keep = true;
        } else if (a == "--bless") {
            o.bless = true;
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            files.push_back(a);
        }
    }
    if (files.empty() || (o.host.empty() && o.wineBin.empty()) || o.timeout <= 0) return Usage();
    // The host runs in a work directory of its own: make the paths absolute.
    for (std::string* path : {&o.host, &o.wineBin, &o.repo}) {
        if (path->empty()) continue;
        char resolved[PATH_MAX];
        if (!realpath(path->c_str(), resolved)) {
            std::fprintf(stderr, "scenario_runner: no such file or directory: %s\n", path->c_str());
            return 2;
        }
        *path = resolved;
    }
    Runner runner(o);
    int passed = 0, failed = 0, skipped = 0;
    for (auto& f : files) {
        switch (runner.RunFile(f)) {
            case 0: ++passed; break;
            case 1: ++failed; break;
            default: ++skipped; break;
        }
    }
    std::printf("%d passed, %d failed, %d skipped\n", passed, failed, skipped);
    return failed == 0 ? 0 : 1;
}
