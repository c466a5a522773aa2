#include "Host.h"

namespace {

int RunTcp(HostContext&, const Args&, Node&) { throw UsageError("tcp: not built yet"); }

}  // namespace

const CommandFamily kTcpFamily = {"tcp", "(not built yet)", "tcp: not built yet\n", RunTcp};
