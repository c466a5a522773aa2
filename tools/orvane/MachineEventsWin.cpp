// A live machine: message boxes were seen by the user, and the library's
// calls cannot be watched from here.
#include "MachineView.h"

bool TakePlatformEvents(std::vector<std::string>*, std::vector<std::string>*) { return false; }
