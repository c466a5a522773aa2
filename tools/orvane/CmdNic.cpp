#include "Host.h"

namespace {

int RunNic(HostContext&, const Args&, Node&) { throw UsageError("nic: not built yet"); }

}  // namespace

const CommandFamily kNicFamily = {"nic", "(not built yet)", "nic: not built yet\n", RunNic};
