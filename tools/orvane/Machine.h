// Where the host runs: natively a simulated machine loaded from a .reg
// export; on Windows the live machine.
#pragma once

#include <string>

struct MachineOptions {
    std::string machineFile;  // empty: the bundled Windows 98 sample
    std::string platform;     // empty: what the machine file says it is
    std::string saveFile;
    std::string patchFile;
};

// Both return an exit code (0, 1 or 2) and set `error` when it is not 0.
int PrepareMachine(const MachineOptions& options, std::string* error);
int FinishMachine(const MachineOptions& options, std::string* error);

bool StandardInputIsTerminal();
