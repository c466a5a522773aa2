// Hooks between the setup functions (Setup.cpp) and the rest of the
// simulated platform.
#pragma once

namespace sim {

// A fresh machine's setup functions: the module in the module table, the
// bundled INF folder, no added files, open handles, records or failures.
void ResetSetup();
// Forgets the recorded section installs (ClearRecords).
void ClearSetupRecords();

}  // namespace sim
