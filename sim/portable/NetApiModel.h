// The network API model's own state (sim/portable/NetApiModel.cpp): the
// IPC$ sessions of the process. The functions themselves are declared by
// <lm.h>.
#pragma once

#include <string>
#include <vector>

namespace netmodel {

void ResetSessions();
// Remote names of the sessions held, as connected (\\CORPDC\IPC$).
std::vector<std::string> SessionNames();

}  // namespace netmodel
