// Where a scenario runs: natively on the simulated platform, or with the
// Windows build under Wine. Both leave the same things behind for the
// comparison: the host's output and exit status, the registry keys the
// scenario names (in the simulated registry of this process), and the
// platform events in the work directory's ".record".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Process.h"
#include "Scenario.h"

struct Verdict {
    std::vector<std::string> failures;
    void Differ(const std::string& what, const std::string& expected, const std::string& actual) {
        failures.push_back(what + " differs\n--- expected\n" + expected + "--- actual\n" + actual + "---");
    }
};

class Backend {
public:
    virtual ~Backend() = default;
    // Why the scenario cannot run here; empty when it can.
    virtual std::string CannotRun(const Scenario& s) const = 0;
    virtual RunResult Run(const Scenario& s, const std::string& dir, Verdict& v) = 0;
    // Wine enumerates a key's values and subkeys sorted by name where
    // Windows keeps creation order: [registry] sections are then compared
    // with both sides sorted.
    virtual bool SortsRegistry() const = 0;
    // Message boxes and command-interpreter lines are seen natively only.
    virtual bool SeesUserInterface() const = 0;
    // The scenario's wine- sections, where it has them, stand for the
    // sections of the same name here.
    virtual bool UsesWineExpectations() const = 0;
    // Printed once before the first scenario: what this backend compares
    // differently, and why.
    virtual std::string Notes() const = 0;
};

struct BackendOptions {
    std::string repo = ".";
    int timeout = 60;
    // Native: the host binary.
    std::string host;
    // Wine: the folder with orvane98.exe, orvanent4.exe, orvane2k.exe and
    // the doubles beside them, the wine command, and the dial-up library
    // double: the template DLL and where C:\windows\System\rasapi32.dll is.
    std::string wineBin;
    std::string wine = "wine";
    std::string dunTemplate;
    std::string dunFile;
};

std::unique_ptr<Backend> MakeNativeBackend(const BackendOptions& options);
std::unique_ptr<Backend> MakeWineBackend(const BackendOptions& options);
