// Scenarios on the simulated platform: the native host runs on the
// machine file with the seed laid over it, and saves the whole registry
// and a record of the platform events.
#include <unistd.h>

#include "Backend.h"
#include "sim/control.h"

namespace {

class NativeBackend : public Backend {
public:
    explicit NativeBackend(const BackendOptions& o) : m_o(o) {}

    std::string CannotRun(const Scenario&) const override { return ""; }
    bool SortsRegistry() const override { return false; }
    bool SeesUserInterface() const override { return true; }
    bool UsesWineExpectations() const override { return false; }
    std::string Notes() const override { return ""; }

    RunResult Run(const Scenario& s, const std::string& dir, Verdict& v) override {
        std::vector<std::string> argv = {m_o.host};
        if (s.machine.empty()) {
            WriteFile(dir + "/.empty.reg", "REGEDIT4\r\n\r\n");
            argv.insert(argv.end(), {"--machine", dir + "/.empty.reg"});
        } else {
            argv.insert(argv.end(), {"--machine", m_o.repo + "/" + s.machine});
        }
        if (s.Find("seed")) {
            WriteFile(dir + "/.seed.reg", s.SeedText());
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
        if (s.rawTexts) argv.push_back("--raw");
        WriteFile(dir + "/.commands", Join(s.Find("commands")->lines));
        argv.insert(argv.end(), {"--platform", s.platform, "--save", dir + "/.after.reg", "--record", dir + "/.record",
                                 "-f", dir + "/.commands"});
        RunResult r = ::Run(argv, dir, m_o.timeout);
        if (r.timedOut) v.failures.push_back("the host did not finish within " + std::to_string(m_o.timeout) + " s");
        // The registry after the run, for the [registry] sections. A usage
        // error stops the host before it loads the machine: the machine is
        // then what it was given.
        sim::Reset();
        if (r.exitCode == 2 && access((dir + "/.after.reg").c_str(), F_OK) != 0) {
            for (size_t i = 1; i + 1 < argv.size(); ++i) {
                if (argv[i] == "--machine") sim::ImportRegFile(argv[i + 1]);
            }
            return r;
        }
        const sim::RegImportResult after = sim::ImportRegFile(dir + "/.after.reg");
        if (!after.ok)
            v.failures.push_back("the host (exit status " + std::to_string(r.exitCode) +
                                 ") left no registry: " + after.error);
        return r;
    }

private:
    BackendOptions m_o;
};

}  // namespace

std::unique_ptr<Backend> MakeNativeBackend(const BackendOptions& options) {
    return std::make_unique<NativeBackend>(options);
}
