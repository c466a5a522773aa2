// Where the host runs: natively a simulated machine loaded from a .reg
// export; on Windows the live machine.
#pragma once

#include <string>
#include <vector>

struct MachineOptions {
    std::vector<std::string> machineFiles;  // imported in order; none: the bundled Windows 98 sample
    std::string platform;                   // empty: what the machine file says it is
    std::string saveFile;
    std::string patchFile;
    // Failure injection and a record of what the library did to the
    // platform (DHCP notifications, message boxes, command lines), for tests.
    std::vector<std::string> readOnlyKeys;
    std::vector<std::string> deniedKeys;
    std::string recordFile;
    // The dial-up library's file version ("4.10.0.1500") and the highest
    // Winsock version ("1.1") the simulated machine reports.
    std::string dunVersion;
    std::string winsockVersion;
    // The host folder behind the machine's INF folder (C:\WINDOWS\INF), for
    // example one copied from the machine being configured; empty: the
    // project's bundled inf/ folder.
    std::string infDirectory;

    bool Offline() const {
        return !machineFiles.empty() || !platform.empty() || !saveFile.empty() || !patchFile.empty() ||
               !readOnlyKeys.empty() || !deniedKeys.empty() || !recordFile.empty() || !dunVersion.empty() ||
               !winsockVersion.empty() || !infDirectory.empty();
    }
};

// Both return an exit code (0, 1 or 2) and set `error` when it is not 0.
int PrepareMachine(const MachineOptions& options, std::string* error);
int FinishMachine(const MachineOptions& options, std::string* error);

bool StandardInputIsTerminal();
