// Internal hooks between the parts of the simulated platform: each part
// resets its own state when the machine is reset.
#pragma once

namespace sim {

void ResetHandles();
void ResetKernel();
void ResetVersionFiles();
void ResetWinsock();
void ResetModules();
void ResetRecords();
// The network API and ADVAPI32 security modules, and their state (Network.cpp).
void AddSecurityModules();
void ResetSecurity();

}  // namespace sim
