// The patch writer: an input is two .reg texts, an old machine and changes
// laid over it, separated by a line "[;]". The patch between the two states
// imported onto the old one gives the new one exactly, order included, and
// the undo patch imported onto that gives the old one back.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "Hive.h"

namespace {

void FreshRegistry(sim::Platform mode) {
    sim::hive::ResetAll();
    sim::SetPlatform(mode);
}

void MustImport(const std::string& text, const char* what) {
    const sim::RegImportResult r = sim::ImportReg(text);
    if (!r.ok) fuzz::Finding(std::string(what) + " does not import: line " + std::to_string(r.line) + ": " + r.error, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const sim::Platform mode = fuzz::ModeOf(data[0]);
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t cut = input.find("\n[;]");
    const std::string oldText = input.substr(0, cut);
    const std::string changes = cut == std::string::npos ? std::string() : input.substr(cut + 4);

    FreshRegistry(mode);
    if (!sim::ImportReg(oldText).ok) return 0;
    const sim::RegSnapshot before = sim::TakeSnapshot();
    const std::string oldExport = sim::ExportReg(sim::RegFormat::Regedit4);
    // Changes that do not import leave the machine as it was: an empty patch.
    if (!sim::ImportReg(changes).ok && sim::ExportReg(sim::RegFormat::Regedit4) != oldExport)
        fuzz::Finding("a failed import changed the machine");
    const sim::RegSnapshot after = sim::TakeSnapshot();
    const std::string newExport = sim::ExportReg(sim::RegFormat::Regedit4);

    for (sim::RegFormat format : {sim::RegFormat::Regedit4, sim::RegFormat::Regedit5}) {
        const std::string patch = sim::DiffReg(before, after, format);
        const std::string undo = sim::DiffReg(after, before, format);
        FreshRegistry(mode);
        MustImport(oldText, "the old machine");
        MustImport(patch, "the patch");
        const std::string patched = sim::ExportReg(sim::RegFormat::Regedit4);
        if (patched != newExport) fuzz::Finding("the patch does not give the new state", fuzz::FirstDifference(newExport, patched) + "\n--- patch\n" + patch.substr(0, 2000));
        MustImport(undo, "the undo patch");
        const std::string undone = sim::ExportReg(sim::RegFormat::Regedit4);
        if (undone != oldExport) fuzz::Finding("the undo patch does not give the old state", fuzz::FirstDifference(oldExport, undone) + "\n--- undo\n" + undo.substr(0, 2000));
    }
    return 0;
}
