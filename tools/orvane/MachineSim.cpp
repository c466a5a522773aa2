#include <unistd.h>

#include <fstream>

#include "Host.h"
#include "Machine.h"
#include "sim/control.h"
#include "sim/orvane_module.h"

#ifndef ORVANE_DEFAULT_MACHINE
#define ORVANE_DEFAULT_MACHINE "examples/win98.reg"
#endif

namespace {

sim::RegFormat g_format = sim::RegFormat::Regedit4;
sim::RegSnapshot g_before;

// A machine file says what it is the way Windows does: NT keeps its version
// under "Windows NT\CurrentVersion"; anything else is Windows 95/98.
sim::Platform PlatformOfMachine() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return sim::Platform::Win98;
    char version[32] = "";
    DWORD size = sizeof(version) - 1;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, "CurrentVersion", nullptr, &type, reinterpret_cast<BYTE*>(version), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return sim::Platform::Win98;
    return version[0] >= '5' ? sim::Platform::Win2000 : sim::Platform::NT4;
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace

int PrepareMachine(const MachineOptions& options, std::string* error) {
    sim::Reset();
    sim::Platform platform = sim::Platform::Win98;
    if (!options.platform.empty() && !sim::ParsePlatform(options.platform, &platform)) {
        *error = "unknown platform '" + options.platform + "' (win98, nt4 or win2000)";
        return kExitUsage;
    }
    const std::string file = options.machineFile.empty() ? ORVANE_DEFAULT_MACHINE : options.machineFile;
    const sim::RegImportResult imported = sim::ImportRegFile(file);
    if (!imported.ok) {
        *error = file + ":" + std::to_string(imported.line) + ": " + imported.error;
        return kExitUsage;
    }
    g_format = imported.format;
    sim::SetPlatform(options.platform.empty() ? PlatformOfMachine() : platform);
    sim::InstallOrvaneModule();
    g_before = sim::TakeSnapshot();
    return kExitOk;
}

int FinishMachine(const MachineOptions& options, std::string* error) {
    if (!options.saveFile.empty() && !WriteFile(options.saveFile, sim::ExportReg(g_format))) {
        *error = "cannot write " + options.saveFile;
        return kExitFailed;
    }
    if (!options.patchFile.empty() && !WriteFile(options.patchFile, sim::DiffReg(g_before, g_format))) {
        *error = "cannot write " + options.patchFile;
        return kExitFailed;
    }
    return kExitOk;
}

bool StandardInputIsTerminal() { return isatty(0) != 0; }
