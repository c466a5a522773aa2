// The 87 exports as data: name, number of arguments and family, in the
// order of the public header. Hosts look the functions up by these names;
// tests check the header and the built DLL against it.
#pragma once

#include <string>

#include "Orvane.h"

namespace orvane {

struct ExportInfo {
    const char* name;
    int argumentCount;
    const char* family;
};

#define ORVANE_CATALOG_ENTRY(family, result, name, argc, params) {#name, argc, #family},
inline constexpr ExportInfo kExports[] = {ORVANE_EXPORTS(ORVANE_CATALOG_ENTRY)};
#undef ORVANE_CATALOG_ENTRY

inline constexpr int kExportCount = sizeof(kExports) / sizeof(kExports[0]);

// The name a 32-bit stdcall export carries in the DLL: _Name@N with N four
// bytes per argument. 64-bit Windows has one calling convention and keeps
// the plain name.
inline std::string DecoratedName(const ExportInfo& e) {
    return "_" + std::string(e.name) + "@" + std::to_string(e.argumentCount * 4);
}

inline std::string LookupName(const ExportInfo& e) {
#if defined(_WIN64)
    return e.name;
#else
    return DecoratedName(e);
#endif
}

}  // namespace orvane
