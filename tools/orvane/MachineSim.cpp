#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Host.h"
#include "Machine.h"
#include "sim/control.h"
#include "SimModule.h"

#ifndef ORVANE_DEFAULT_MACHINE
#define ORVANE_DEFAULT_MACHINE "examples/win98.reg"
#endif

namespace {

// The first machine file decides the form every written .reg file takes:
// its header, and UTF-16LE when regedit wrote it so.
sim::RegFormat g_format = sim::RegFormat::Regedit4;
sim::RegEncoding g_encoding = sim::RegEncoding::Ansi;
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

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// The whole file or none: the text goes to a new file beside the target,
// which is renamed over it only once everything is written.
bool WriteFileWhole(const std::string& path, const std::string& text, std::string* error) {
    const std::string temp = path + ".orvane-" + std::to_string(getpid()) + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = WriteAll(fd, text);
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        std::remove(temp.c_str());
        *error = "cannot write " + path + ": " + std::strerror(saved);
    }
    return ok;
}

}  // namespace

int PrepareMachine(const HostOptions& options, std::string* error) {
    sim::Reset();
    sim::Platform platform = sim::Platform::Win98;
    if (!options.platform.empty() && !sim::ParsePlatform(options.platform, &platform)) {
        *error = "unknown platform '" + options.platform + "' (win98, nt4 or win2000)";
        return kExitUsage;
    }
    std::vector<std::string> files = options.machineFiles;
    if (files.empty()) files.push_back(ORVANE_DEFAULT_MACHINE);
    // The first file is the machine, in its own order; the files laid over
    // it are imported as that platform imports them (where a new subkey
    // goes is the platform's rule), so a patch or undo file written for the
    // machine gives exactly the state it was made from.
    for (size_t i = 0; i < files.size(); ++i) {
        const sim::RegImportResult imported = sim::ImportRegFile(files[i]);
        if (!imported.ok) {
            *error = imported.line > 0 ? files[i] + ":" + std::to_string(imported.line) + ": " + imported.error
                                       : imported.error;
            return kExitUsage;
        }
        if (i == 0) {
            g_format = imported.format;
            g_encoding = imported.encoding;
            sim::SetPlatform(options.platform.empty() ? PlatformOfMachine() : platform);
        }
    }
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
        struct stat info {};
        if (stat(options.infDirectory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
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
    for (auto& text : options.domainControllers) {
        sim::DomainController dc;
        std::string problem;
        if (!sim::ParseDomainController(text, &dc, &problem) || !sim::AddDomainController(dc)) {
            *error = "--dc: " + (problem.empty() ? "cannot describe " + text : problem);
            return kExitUsage;
        }
    }
    orvane::InstallSimModule();
    // A copy of the whole machine costs as much as reading it: only a patch
    // or an undo file needs the state before the commands.
    if (!options.patchFile.empty() || !options.undoFile.empty()) g_before = sim::TakeSnapshot();
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
    // Network, security and service calls, each under the library that
    // exports it, as the Wine runs' netapi32 double logs its own.
    for (auto& call : sim::ApiCalls()) {
        // Windows 95/98 has network functions in svrapi.dll alone.
        const char* network = sim::GetPlatform() == sim::Platform::Win98 ? "svrapi" : "netapi32";
        const char* library = call.function.rfind("Net", 0) == 0 ? network
                              : call.function == "CloseHandle"    ? "kernel32"
                                                                  : "advapi32";
        out += std::string(library) + " " + call.Line() + (call.injected ? " (injected)" : "") + "\n";
    }
    return out;
}

int FinishMachine(const HostOptions& options, std::string* error) {
    int rc = kExitOk;
    if (!options.recordFile.empty() && !WriteFileWhole(options.recordFile, Record(), error)) rc = kExitFailed;
    const bool needsAfter = !options.patchFile.empty() || !options.undoFile.empty();
    const sim::RegSnapshot after = needsAfter ? sim::TakeSnapshot() : sim::RegSnapshot();
    struct Output {
        const std::string& file;
        std::string (*make)(const sim::RegSnapshot& before, const sim::RegSnapshot& after);
    };
    const Output outputs[] = {
        {options.saveFile, [](const sim::RegSnapshot&, const sim::RegSnapshot&) { return sim::ExportReg(g_format); }},
        {options.patchFile,
         [](const sim::RegSnapshot& b, const sim::RegSnapshot& a) { return sim::DiffReg(b, a, g_format); }},
        {options.undoFile,
         [](const sim::RegSnapshot& b, const sim::RegSnapshot& a) { return sim::DiffReg(a, b, g_format); }},
    };
    for (const Output& o : outputs) {
        if (o.file.empty()) continue;
        const std::string bytes = sim::EncodeRegText(o.make(g_before, after), g_encoding);
        // '-' is the process's own standard output, after the commands'
        // output: opening /dev/stdout again would truncate a redirected file.
        std::string failed;
        if (o.file == "-") {
            std::fflush(stdout);
            if (!WriteAll(1, bytes)) failed = std::string("cannot write to standard output: ") + std::strerror(errno);
        } else {
            WriteFileWhole(o.file, bytes, &failed);
        }
        if (!failed.empty()) {
            // Each output is tried; the first failure is the one reported.
            if (rc == kExitOk) *error = failed;
            rc = kExitFailed;
        }
    }
    return rc;
}

bool StandardInputIsTerminal() { return isatty(0) != 0; }

std::vector<std::string> TakeMessageBoxes() {
    static size_t seen = 0;
    std::vector<std::string> texts;
    const auto& shown = sim::MessageBoxes();
    for (; seen < shown.size(); ++seen) texts.push_back(shown[seen].text);
    return texts;
}
