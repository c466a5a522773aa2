// Scenarios with the Windows build under Wine: one prefix serves every
// scenario, so the keys a scenario owns are removed before its machine is
// imported; the platform mode comes from the exe's name (AppDefaults); the
// doubles beside the host stand in for what Wine lacks or aborts on.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "Backend.h"
#include "sim/control.h"

namespace {

const char kCurrentConfig[] = "HKEY_CURRENT_CONFIG";
const char kWineCurrentConfig[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current";

// Wine keeps HKEY_CURRENT_CONFIG inside HKEY_LOCAL_MACHINE.
std::string ForWine(const std::string& key) {
    return KeyAtOrBelow(key, kCurrentConfig) ? kWineCurrentConfig + key.substr(sizeof kCurrentConfig - 1) : key;
}

bool SameKey(const std::string& a, const std::string& b) { return KeyAtOrBelow(a, b) && a.size() == b.size(); }

const char* WineExe(const std::string& platform) {
    if (platform == "nt4") return "orvanent4.exe";
    if (platform == "win2000") return "orvane2k.exe";
    return "orvane98.exe";
}

// The template's VS_FIXEDFILEINFO with the file and product version set
// to "a.b.c.d".
bool SetFileVersion(std::string& image, const std::string& version, std::string* error) {
    unsigned p[4] = {0, 0, 0, 0};
    char extra = 0;
    if (std::sscanf(version.c_str(), "%u.%u.%u.%u%c", &p[0], &p[1], &p[2], &p[3], &extra) != 4 || p[0] > 0xFFFF ||
        p[1] > 0xFFFF || p[2] > 0xFFFF || p[3] > 0xFFFF) {
        *error = "'dun-version: " + version + "' wants four numbers";
        return false;
    }
    const size_t at = image.find(std::string("\xBD\x04\xEF\xFE", 4));
    if (at == std::string::npos || at + 24 > image.size()) {
        *error = "the dial-up library template has no version resource";
        return false;
    }
    auto put = [&](size_t offset, unsigned high, unsigned low) {
        const unsigned value = (high << 16) | low;
        for (int i = 0; i < 4; ++i) image[at + offset + size_t(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(8, p[0], p[1]);   // dwFileVersionMS
    put(12, p[2], p[3]);  // dwFileVersionLS
    put(16, p[0], p[1]);  // dwProductVersionMS
    put(20, p[2], p[3]);  // dwProductVersionLS
    return true;
}

class WineBackend : public Backend {
public:
    explicit WineBackend(const BackendOptions& o) : m_o(o) {}

    std::string CannotRun(const Scenario& s) const override {
        if (!s.wineSkip.empty()) return s.wineSkip;
        if (!s.dunVersion.empty() && (m_o.dunTemplate.empty() || m_o.dunFile.empty()))
            return "no dial-up library double to place (--dun-template and --dun-file)";
        if (!s.winsockVersion.empty() && access((m_o.wineBin + "/wsock32.dll").c_str(), R_OK) != 0)
            return "no Winsock double (wsock32.dll) beside the host";
        return "";
    }
    bool SortsRegistry() const override { return true; }
    bool SeesUserInterface() const override { return false; }
    bool UsesWineExpectations() const override { return true; }
    std::string Notes() const override {
        return "Wine enumerates a key's values and subkeys sorted by name, where Windows (and the simulated\n"
               "platform) keeps creation order: [registry] sections are compared with both sides sorted.\n";
    }

    RunResult Run(const Scenario& s, const std::string& dir, Verdict& v) override {
        std::vector<std::string> environment;
        // Read by the wsock32.dll double: the highest version it reports.
        if (!s.winsockVersion.empty()) environment.push_back("ORVANE_WINSOCK_VERSION=" + s.winsockVersion);
        WriteFile(dir + "/.commands", Join(s.Find("commands")->lines));
        std::vector<std::string> host = {m_o.wine, m_o.wineBin + "/" + WineExe(s.platform), "-f", ".commands"};
        if (s.rawTexts) host.insert(host.begin() + 2, "--raw");
        RunResult r;
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!Seed(s, dir, v) || !PlaceDialUpLibrary(s, v)) return {};
            std::remove((dir + "/orvane-doubles.log").c_str());
            r = ::Run(host, dir, m_o.timeout, environment);
            // The host names every failure on a line of its own, so a silent
            // non-zero exit is Wine failing to start it (seen once in some ten
            // CI runs on a loaded machine). The seed above puts back every
            // owned key, so the second start meets the same machine.
            if (r.timedOut || r.exitCode == 0 || !r.output.empty() || !r.errors.empty()) break;
            std::fprintf(stderr, "note: %s: the host exited %d under Wine without a word%s\n", s.path.c_str(),
                         r.exitCode, attempt == 0 ? "; started once more" : " again");
        }
        if (r.timedOut) v.failures.push_back("the host did not finish within " + std::to_string(m_o.timeout) + " s");
        ReadBack(s, dir, v);
        // The doubles' log is the native record.
        WriteFile(dir + "/.record", ReadFile(dir + "/orvane-doubles.log"));
        r.output = Replace(r.output, "\r\n", "\n");
        return r;
    }

private:
    // The owned keys removed, then the machine file and [seed] lines in one
    // import, with a sentinel value checked afterwards (reg import answers
    // 0 even when keys fail).
    bool Seed(const Scenario& s, const std::string& dir, Verdict& v) {
        sim::Reset();
        if (!s.machine.empty()) {
            const auto m = sim::ImportRegFile(m_o.repo + "/" + s.machine);
            if (!m.ok) {
                v.failures.push_back("machine file: " + m.error);
                return false;
            }
        }
        const auto seed = sim::ImportReg(s.SeedText());
        if (!seed.ok) {
            v.failures.push_back("[seed]: line " + std::to_string(seed.line) + ": " + seed.error);
            return false;
        }
        std::string text = "REGEDIT4\r\n\r\n";
        for (auto& k : s.owns) text += "[-" + ForWine(k) + "]\r\n\r\n";
        bool skipValues = false;
        bool body = false;
        for (std::string& l : SplitLines(sim::ExportReg(sim::RegFormat::Regedit4))) {
            if (!body) {
                body = Trim(l).empty();  // past the header
                continue;
            }
            if (!l.empty() && l[0] == '[') {
                const std::string key = ForWine(l.substr(1, l.size() - 2));
                l = "[" + key + "]";
                // Wine's own version keys keep their values: the platform
                // mode comes from AppDefaults, not from what a sample says.
                skipValues = SameKey(key, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion") ||
                             SameKey(key, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion");
            } else if (skipValues && !Trim(l).empty()) {
                continue;
            }
            text += l + "\r\n";
        }
        const std::string sentinel = "seed-" + std::to_string(getpid()) + "-" + std::to_string(++m_counter);
        WriteFile(dir + "/.seed.reg",
                  text + "[HKEY_CURRENT_USER\\Software\\OrvaneScenario]\r\n\"Sentinel\"=\"" + sentinel + "\"\r\n\r\n");
        // A loaded machine has been seen to lose one import without a word
        // (reg import answering nothing, the sentinel missing); the import
        // replaces every owned key, so a second one is safe.
        std::string why;
        for (int attempt = 0; attempt < 2; ++attempt) {
            RunResult imported = ::Run({m_o.wine, "reg", "import", ".seed.reg"}, dir, m_o.timeout);
            RunResult check = ::Run(
                {m_o.wine, "reg", "query", "HKEY_CURRENT_USER\\Software\\OrvaneScenario", "/v", "Sentinel"}, dir,
                m_o.timeout);
            if (check.output.find(sentinel) != std::string::npos) return true;
            why += "\nattempt " + std::to_string(attempt + 1) + ": reg import " + Outcome(imported) + ", reg query " +
                   Outcome(check) + "\n" + imported.output + imported.errors;
        }
        v.failures.push_back("seeding Wine's registry failed (sentinel not found):" + why);
        return false;
    }

    static std::string Outcome(const RunResult& r) {
        return r.timedOut ? "timed out" : "exited " + std::to_string(r.exitCode);
    }

    // C:\windows\System\rasapi32.dll with the scenario's file version, or
    // no such file (the probe then reads "No DUN Version").
    bool PlaceDialUpLibrary(const Scenario& s, Verdict& v) {
        if (m_o.dunFile.empty()) return true;
        std::error_code ec;
        if (s.dunVersion.empty()) {
            std::filesystem::remove(m_o.dunFile, ec);
            if (!ec) return true;
            v.failures.push_back("cannot remove " + m_o.dunFile + ": " + ec.message());
            return false;
        }
        bool ok = false;
        std::string image = ReadFile(m_o.dunTemplate, &ok);
        std::string error;
        if (!ok) error = "cannot read " + m_o.dunTemplate;
        if (ok) ok = SetFileVersion(image, s.dunVersion, &error);
        if (ok) {
            std::filesystem::create_directories(std::filesystem::path(m_o.dunFile).parent_path(), ec);
            ok = WriteFile(m_o.dunFile, image);
            if (!ok) error = "cannot write " + m_o.dunFile;
        }
        if (!ok) v.failures.push_back(error);
        return ok;
    }

    // Each key a [registry] section names, exported from Wine and read into
    // the simulated registry, where the comparison looks.
    void ReadBack(const Scenario& s, const std::string& dir, Verdict& v) {
        sim::Reset();
        for (size_t i = 0; i < s.sections.size(); ++i) {
            const Section& sec = s.sections[i];
            if (sec.name != "registry") continue;
            const std::string wineKey = ForWine(sec.argument);
            const std::string file = ".export-" + std::to_string(i) + ".reg";
            const RunResult e = ::Run({m_o.wine, "reg", "export", wineKey, file, "/y"}, dir, m_o.timeout);
            if (e.exitCode != 0) continue;  // no such key
            const auto in = sim::ImportReg(ReadFile(dir + "/" + file));
            if (!in.ok) v.failures.push_back("cannot read Wine's export of " + wineKey + ": " + in.error);
        }
        // Wine's HKEY_CURRENT_CONFIG, back where the scenario names it.
        if (sim::KeyExists(kWineCurrentConfig)) {
            std::string cc = sim::ExportRegKey(sim::RegFormat::Regedit4, kWineCurrentConfig);
            cc = Replace(cc, std::string("[") + kWineCurrentConfig, std::string("[") + kCurrentConfig);
            cc = Replace(cc, std::string("[") + kCurrentConfig + "]\r\n", "");
            sim::ImportReg(cc);
        }
    }

    BackendOptions m_o;
    int m_counter = 0;
};

}  // namespace

std::unique_ptr<Backend> MakeWineBackend(const BackendOptions& options) {
    return std::make_unique<WineBackend>(options);
}
