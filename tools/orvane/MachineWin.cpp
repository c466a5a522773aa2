#include <io.h>

#include "Host.h"
#include "Machine.h"

// On Windows the host works on the live machine; the offline options have
// no meaning there.
int PrepareMachine(const MachineOptions& options, std::string* error) {
    if (options.Offline()) {
        *error = "--machine, --platform, --save, --patch, --readonly, --deny and --record work offline only "
                 "(the native build)";
        return kExitUsage;
    }
    return kExitOk;
}

int FinishMachine(const MachineOptions&, std::string*) { return kExitOk; }

bool StandardInputIsTerminal() { return _isatty(0) != 0; }
