#include "OrvaneApi.h"

#include "ExportCatalog.h"

bool OrvaneApi::Load(const char* fileName, std::string* error) {
    module = LoadLibraryA(fileName);
    if (!module) {
        if (error) *error = std::string("cannot load ") + fileName + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    int index = 0;
    std::string missing;
#define ORVANE_API_LOOKUP(family, result, name, argc, params)                                            \
    {                                                                                                      \
        const std::string exportName = orvane::LookupName(orvane::kExports[index++]);                     \
        name = reinterpret_cast<result(WINAPI*) params>(                                                   \
            reinterpret_cast<void*>(GetProcAddress(module, exportName.c_str())));                          \
        if (!name && missing.empty()) missing = exportName;                                                \
    }
    ORVANE_EXPORTS(ORVANE_API_LOOKUP)
#undef ORVANE_API_LOOKUP
    if (!missing.empty()) {
        if (error) *error = std::string(fileName) + " has no export " + missing;
        Unload();
        return false;
    }
    return true;
}

void OrvaneApi::Unload() {
    if (module) FreeLibrary(module);
    module = nullptr;
}
