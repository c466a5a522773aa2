#include "SimModule.h"

#include <vector>

#include "ExportCatalog.h"
#include "Library.h"
#include "sim/control.h"

namespace orvane {

void InstallSimModule() {
    std::vector<sim::ModuleExport> exports;
    exports.reserve(kExportCount);
#define ORVANE_SIM_EXPORT(family, result, name, argc, params) \
    exports.push_back({ORVANE_DECORATED_NAME(name), sim::Proc(&::name)});
    ORVANE_EXPORTS(ORVANE_SIM_EXPORT)
#undef ORVANE_SIM_EXPORT
    sim::AddModule("Orvane.dll", std::move(exports), &DllMain);
}

}  // namespace orvane
