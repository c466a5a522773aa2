#include "sim/orvane_module.h"

#include <vector>

#include "ExportCatalog.h"
#include "Library.h"
#include "sim/control.h"

namespace sim {

void InstallOrvaneModule() {
    std::vector<ModuleExport> exports;
#define ORVANE_SIM_EXPORT(family, result, name, argc, params) \
    exports.push_back({"_" #name "@" + std::to_string((argc) * 4), Proc(&::name)});
    ORVANE_EXPORTS(ORVANE_SIM_EXPORT)
#undef ORVANE_SIM_EXPORT
    AddModule("Orvane.dll", std::move(exports), &DllMain);
}

}  // namespace sim
