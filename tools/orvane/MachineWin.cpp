#include <io.h>

#include "Host.h"
#include "Machine.h"

// On Windows the host works on the live machine; the options that shape a
// simulated one have no meaning there.
int PrepareMachine(const HostOptions& options, std::string* error) {
    const std::string offline = options.OfflineOptionsGiven();
    if (!offline.empty()) {
        *error = offline + ": offline only (the native build works on a machine's .reg file)";
        return kExitUsage;
    }
    return kExitOk;
}

int FinishMachine(const HostOptions&, std::string*) { return kExitOk; }

bool StandardInputIsTerminal() { return _isatty(0) != 0; }

std::vector<std::string> TakeMessageBoxes() { return {}; }
