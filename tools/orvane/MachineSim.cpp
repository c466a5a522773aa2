#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "Host.h"
#include "Machine.h"
#include "sim/control.h"
#include "SimModule.h"

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
    std::vector<std::string> files = options.machineFiles;
    if (files.empty()) files.push_back(ORVANE_DEFAULT_MACHINE);
    for (size_t i = 0; i < files.size(); ++i) {
        const sim::RegImportResult imported = sim::ImportRegFile(files[i]);
        if (!imported.ok) {
            *error = files[i] + ":" + std::to_string(imported.line) + ": " + imported.error;
            return kExitUsage;
        }
        if (i == 0) g_format = imported.format;
    }
    sim::SetPlatform(options.platform.empty() ? PlatformOfMachine() : platform);
    if (!options.dunVersion.empty()) {
        unsigned parts[4] = {0, 0, 0, 0};
        char extra = 0;
        if (std::sscanf(options.dunVersion.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                        &extra) != 4 ||
            parts[0] > 0xFFFF || parts[1] > 0xFFFF || parts[2] > 0xFFFF || parts[3] > 0xFFFF) {
            *error = "--dun-version wants four numbers, e.g. 4.10.0.1500";
            return kExitUsage;
        }
        char windows[MAX_PATH] = "";
        GetWindowsDirectoryA(windows, MAX_PATH);
        sim::SetFileVersion(std::string(windows) + "\\System\\rasapi32.dll", WORD(parts[0]), WORD(parts[1]),
                            WORD(parts[2]), WORD(parts[3]));
    }
    if (!options.winsockVersion.empty()) {
        unsigned major = 0, minor = 0;
        char extra = 0;
        if (std::sscanf(options.winsockVersion.c_str(), "%u.%u%c", &major, &minor, &extra) != 2 || major > 255 ||
            minor > 255) {
            *error = "--winsock-version wants a version such as 1.1";
            return kExitUsage;
        }
        sim::SetWinsockHighVersion(MAKEWORD(major, minor));
    }
    if (!options.infDirectory.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_directory(options.infDirectory, ec)) {
            *error = "--inf-dir: no folder " + options.infDirectory;
            return kExitUsage;
        }
        sim::SetInfDirectory(options.infDirectory);
    }
    for (auto& key : options.readOnlyKeys) {
        if (!sim::SetKeyAccess(key, sim::KeyAccess::ReadOnly)) {
            *error = "--readonly: no key " + key;
            return kExitUsage;
        }
    }
    for (auto& key : options.deniedKeys) {
        if (!sim::SetKeyAccess(key, sim::KeyAccess::Denied)) {
            *error = "--deny: no key " + key;
            return kExitUsage;
        }
    }
    orvane::InstallSimModule();
    g_before = sim::TakeSnapshot();
    return kExitOk;
}

// One line per event, in the form the scenario files use.
std::string Record() {
    std::string out;
    for (auto& n : sim::DhcpNotifications()) {
        auto dotted = [](DWORD a) {
            const BYTE* b = reinterpret_cast<const BYTE*>(&a);
            return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                   std::to_string(b[3]);
        };
        out += std::string("dhcp ") + (n.serverNull ? "" : "server=set ") + "adapter=" + n.adapter +
               " new=" + std::to_string(n.newIpAddress ? 1 : 0) + " index=" + std::to_string(n.ipIndex) +
               " ip=" + dotted(n.ipAddress) + " mask=" + dotted(n.subnetMask) + " action=" +
               std::to_string(n.action) + "\n";
    }
    for (auto& m : sim::MessageBoxes()) out += "message " + m.text + "\n";
    for (auto& c : sim::Commands()) out += "command " + c + "\n";
    return out;
}

int FinishMachine(const MachineOptions& options, std::string* error) {
    if (!options.recordFile.empty() && !WriteFile(options.recordFile, Record())) {
        *error = "cannot write " + options.recordFile;
        return kExitFailed;
    }
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
