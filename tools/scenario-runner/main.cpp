// Runs scenario files (see tests/scenarios/README.md) against the orvane
// host: natively on the simulated platform, or with the Windows build
// under Wine. Registry contents are compared through the simulated
// platform's .reg exporter on both sides, so Wine's export and ours are
// put in the same form before they are compared.
#include <limits.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>

#include "Compare.h"

namespace {

// 0 passed, 1 failed, 2 skipped.
int RunFile(Backend& backend, const std::string& path, bool bless, bool keep) {
    Scenario s;
    std::string error;
    if (!ParseScenario(path, &s, &error)) {
        std::printf("ERROR %s\n", error.c_str());
        return 1;
    }
    const std::string cannot = backend.CannotRun(s);
    if (!cannot.empty()) {
        std::printf("SKIP  %s (%s)\n", path.c_str(), cannot.c_str());
        return 2;
    }
    const std::string dir = MakeTempDir();
    Verdict v;
    const RunResult r = backend.Run(s, dir, v);
    // A blessed file is compared as it now reads.
    if (v.failures.empty() && bless) {
        Bless(s, r, dir);
        if (!ParseScenario(path, &s, &error)) v.failures.push_back("after --bless: " + error);
    }
    if (v.failures.empty()) Compare(s, dir, backend, r, v);
    if (v.failures.empty()) {
        const bool named = backend.UsesWineExpectations() && !s.wineDiffers.empty();
        std::printf("PASS  %s%s\n", path.c_str(), named ? (" (with Wine's named difference: " + s.wineDiffers + ")").c_str() : "");
    } else {
        std::printf("FAIL  %s%s\n", path.c_str(), s.title.empty() ? "" : (" (" + s.title + ")").c_str());
        for (auto& f : v.failures) std::printf("%s\n", f.c_str());
        if (!r.errors.empty()) std::printf("standard error:\n%s\n", r.errors.c_str());
        if (keep) std::printf("work directory kept: %s\n", dir.c_str());
    }
    if (!keep || v.failures.empty()) RemoveDir(dir);
    return v.failures.empty() ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: scenario_runner --host ORVANE [--repo DIR] [--keep] [--bless] [--timeout S] FILE.scn...\n"
                 "       scenario_runner --wine-bin DIR [--wine WINE] [--dun-template DLL --dun-file PATH]\n"
                 "                       [--repo DIR] [--keep] [--timeout S] FILE.scn...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    BackendOptions o;
    bool keep = false, bless = false;
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
        } else if (a == "--dun-template") {
            o.dunTemplate = value();
        } else if (a == "--dun-file") {
            o.dunFile = value();
        } else if (a == "--repo") {
            o.repo = value();
        } else if (a == "--timeout") {
            o.timeout = std::atoi(value().c_str());
        } else if (a == "--keep") {
            keep = true;
        } else if (a == "--bless") {
            bless = true;
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            files.push_back(a);
        }
    }
    const bool wine = !o.wineBin.empty();
    if (files.empty() || o.host.empty() == !wine || o.timeout <= 0 || (bless && wine)) return Usage();
    // The host runs in a work directory of its own: make the paths absolute.
    for (std::string* path : {&o.host, &o.wineBin, &o.repo, &o.dunTemplate}) {
        if (path->empty()) continue;
        char resolved[PATH_MAX];
        if (!realpath(path->c_str(), resolved)) {
            std::fprintf(stderr, "scenario_runner: no such file or directory: %s\n", path->c_str());
            return 2;
        }
        *path = resolved;
    }
    std::unique_ptr<Backend> backend = wine ? MakeWineBackend(o) : MakeNativeBackend(o);
    const std::string notes = backend->Notes();
    if (!notes.empty()) std::printf("note: %s", notes.c_str());
    int passed = 0, failed = 0, skipped = 0;
    for (auto& f : files) {
        switch (RunFile(*backend, f, bless, keep)) {
            case 0: ++passed; break;
            case 1: ++failed; break;
            default: ++skipped; break;
        }
    }
    std::printf("%d passed, %d failed, %d skipped\n", passed, failed, skipped);
    return failed == 0 ? 0 : 1;
}
