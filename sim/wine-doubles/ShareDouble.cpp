// A stand-in for the Windows 95/98 share library (svrapi.dll) for the Wine
// runs, where every export of Wine's own aborts the process. It is the
// simulated platform's share model (sim/portable/ShareModel9x.cpp) over
// Wine's registry, so it serves the shares of the LanMan key the scenario
// seeded and keeps its changes there, as the simulated platform does. Every
// call is appended to "orvane-doubles.log" in the current directory as
// "svrapi <Function> arg=value ... -> status".
#include <windows.h>

#include <string>

#include "DoubleLog.h"
#include "NetApiHooks.h"
#include "ShareModel.h"

namespace {

void Log(const std::string& line) { doubles::Log("svrapi", line); }

}  // namespace

namespace netmodel {

// No failures are injected here.
bool Enter(apicall::Call&, DWORD*) { return false; }

void Leave(apicall::Call& call, bool) { Log(call.Line()); }

}  // namespace netmodel

extern "C" {

unsigned WINAPI NetShareEnum(const char* server, short level, char* buffer, unsigned short bufferSize,
                             unsigned short* entriesRead, unsigned short* totalAvailable) {
    return sharemodel::Enum50(server, level, buffer, bufferSize, entriesRead, totalAvailable);
}

unsigned WINAPI NetShareAdd(const char* server, short level, const char* buffer, unsigned short bufferSize) {
    return sharemodel::Add50(server, level, buffer, bufferSize);
}

unsigned WINAPI NetShareDel(const char* server, const char* netName, unsigned short reserved) {
    return sharemodel::Del50(server, netName, reserved);
}

}  // extern "C"
