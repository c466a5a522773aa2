// Internal hooks between the parts of the simulated platform.
#pragma once

namespace sim {

void ResetHandles();
void ResetSystem();
void ResetModules();
void ResetRecords();

}  // namespace sim
