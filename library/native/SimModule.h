// Native builds only: offers the linked library to the simulated machine as
// the module "Orvane.dll", so hosts and tests reach it as any Windows host
// does: LoadLibraryA attaches it, GetProcAddress finds its exports under
// their 32-bit decorated names, FreeLibrary detaches it. The simulated
// platform itself knows nothing of the library.
#pragma once

namespace orvane {
void InstallSimModule();
}
