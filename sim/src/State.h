// Internal hooks between the parts of the simulated platform.
#pragma once

namespace sim {

void ResetHandles();
void ResetSystem();
void ResetModules();
void ResetRecords();
// The network API and ADVAPI32 security modules, and their state (Network.cpp).
void AddSecurityModules();
void ResetSecurity();

}  // namespace sim
