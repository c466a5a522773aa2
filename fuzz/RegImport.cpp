// The .reg importer, and the exporter behind it: any input either fails to
// import with a line and a message, changing nothing, or imports; what
// imported exports, in
// either format, to a text that imports back to the same registry (its
// export is byte for byte the same).
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "Hive.h"

namespace {

void FreshRegistry(sim::Platform mode) {
    sim::hive::ResetAll();
    sim::SetPlatform(mode);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const sim::Platform mode = fuzz::ModeOf(data[0]);
    FreshRegistry(mode);
    const sim::RegImportResult r = sim::ImportReg(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    if (!r.ok) {
        if (r.error.empty() || r.line < 1) fuzz::Finding("an import failed without a line and a message");
        // All or nothing: a wrong file leaves the (empty) registry empty.
        const std::string left = sim::ExportReg(sim::RegFormat::Regedit4);
        if (left != "REGEDIT4\r\n\r\n") fuzz::Finding("a failed import left something behind", left);
        return 0;
    }
    for (sim::RegFormat format : {sim::RegFormat::Regedit4, sim::RegFormat::Regedit5}) {
        const std::string first = sim::ExportReg(format);
        FreshRegistry(mode);
        const sim::RegImportResult again = sim::ImportReg(first);
        if (!again.ok) fuzz::Finding("our own export does not import: line " + std::to_string(again.line) + ": " + again.error, first);
        const std::string second = sim::ExportReg(format);
        if (first != second) fuzz::Finding("export, import, export differs", fuzz::FirstDifference(first, second));
    }
    return 0;
}
