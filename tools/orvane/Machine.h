// Where the host runs: natively a simulated machine loaded from a .reg
// export; on Windows the live machine.
#pragma once

#include <string>
#include <vector>

#include "Options.h"

// Both return an exit code (0, 1 or 2) and set `error` when it is not 0.
// FinishMachine writes the --save, --patch and --undo files (or standard
// output for '-') after every command has run.
int PrepareMachine(const HostOptions& options, std::string* error);
int FinishMachine(const HostOptions& options, std::string* error);

bool StandardInputIsTerminal();

// The texts of the message boxes the library showed since the last call.
// Offline the simulated machine records them; on Windows the user has seen
// each box on the screen, and none are reported here.
std::vector<std::string> TakeMessageBoxes();
