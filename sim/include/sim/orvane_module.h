// Offers the natively linked Orvane library to the simulated machine as the
// module "Orvane.dll": LoadLibraryA attaches it, GetProcAddress finds its
// exports under their 32-bit decorated names, FreeLibrary detaches it.
#pragma once

namespace sim {
void InstallOrvaneModule();
}
