// SETUPAPI.DLL of the simulated machine: INF files of the Windows
// directory's INF folder opened (syntax, style and class checked), the
// registry directives of their install sections carried out, closed.
#include <setupapi.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "Inf.h"
#include "Setup.h"
#include "sim/control.h"
#include "Lock.h"

#ifndef ORVANE_BUNDLED_INF_DIR
#define ORVANE_BUNDLED_INF_DIR ""
#endif

namespace {

using sim::inf::SameName;

struct OpenInf {
    std::string name;  // as given to SetupOpenInfFileA
    std::shared_ptr<const sim::inf::File> file;
};

// The last file parsed, handed to the next open of the same text in the
// same folders: a parsed file is only read, and a protocol install opens
// NETTRANS.INF every time, which cost more than the install itself. It
// outlives a reset of the machine: it depends on nothing but its key.
struct ParsedInf {
    std::string bytes;
    sim::inf::Directories directories;
    std::shared_ptr<const sim::inf::File> file;

    bool Holds(const std::string& text, const sim::inf::Directories& d) const {
        return file && bytes == text && directories.windows == d.windows && directories.system == d.system &&
               directories.inf == d.inf;
    }
};

ParsedInf& LastParsed() {
    static ParsedInf last;
    return last;
}

struct InstallFailure {
    std::string section;  // empty: every section
    DWORD error = 0;
};

struct SetupState {
    std::string hostDirectory = ORVANE_BUNDLED_INF_DIR;
    std::vector<std::pair<std::string, std::string>> added;  // name, text
    std::map<ULONG_PTR, OpenInf> open;
    ULONG_PTR nextHandle = 0x7E000000;
    std::vector<sim::InfInstallRecord> installs;
    DWORD openFailure = 0;
    std::vector<InstallFailure> installFailures;
};

SetupState& S() {
    static SetupState state;
    return state;
}

// No INF file of any installation comes near this size.
constexpr std::uintmax_t kMaxInfFileSize = 16u << 20;

bool ReadHostFile(const std::filesystem::path& path, std::string* text) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxInfFileSize) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// A file of the INF folder. Windows names compare without regard to case,
// Linux ones do not: the host folder is searched by name; of names that
// differ only in case the exact one wins, else the first in byte order.
bool ReadInfFolder(std::string_view name, std::string* text) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const auto& file : S().added) {
        if (SameName(file.first, name)) {
            *text = file.second;
            return true;
        }
    }
    if (S().hostDirectory.empty()) return false;
    std::error_code ec;
    std::filesystem::directory_iterator it(S().hostDirectory, ec);
    std::string best;
    std::filesystem::path bestPath;
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string file = it->path().filename().string();
        std::error_code typeError;
        if (!SameName(file, name) || !it->is_regular_file(typeError)) continue;
        const bool better = best.empty() || file == name || (best != name && file < best);
        if (better) {
            best = file;
            bestPath = it->path();
        }
    }
    return !best.empty() && ReadHostFile(bestPath, text);
}

sim::inf::Directories MachineDirectories() {
    sim::inf::Directories d;
    char windows[MAX_PATH + 1] = "";
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length > 0 && length < sizeof windows) d.windows = windows;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    const bool nt = GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    d.system = d.windows + (nt ? "\\system32" : "\\SYSTEM");
    d.inf = d.windows + "\\INF";
    return d;
}

// The INF folder's file that a name given to SetupOpenInfFileA stands for:
// a bare name, or a path whose folder is the INF folder. The simulated file
// system has no other INF files.
bool InfFolderName(std::string_view given, const std::string& infFolder, std::string* name) {
    std::string path(given);
    for (char& c : path)
        if (c == '/') c = '\\';
    const size_t separator = path.find_last_of('\\');
    if (separator == std::string::npos) {
        *name = path;
        return true;
    }
    std::string folder = path.substr(0, separator);
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (!SameName(folder, infFolder)) return false;
    *name = path.substr(separator + 1);
    return true;
}

DWORD InjectedInstallFailure(std::string_view section) {
    for (const InstallFailure& f : S().installFailures)
        if (f.section.empty() || SameName(f.section, section)) return f.error;
    return 0;
}

bool ClassMatches(const sim::inf::File& file, const char* wanted) {
    const sim::inf::Section* version = file.FindSection("Version");
    const sim::inf::Line* line = version ? file.FindLine(*version, "Class") : nullptr;
    std::string name;
    return line && file.Field(*line, 1, &name) && SameName(name, wanted);
}

HINF OpenInfFile(PCSTR FileName, PCSTR InfClass, DWORD InfStyle, PUINT ErrorLine) {
    if (S().openFailure) {
        SetLastError(S().openFailure);
        return INVALID_HANDLE_VALUE;
    }
    if (!FileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const sim::inf::Directories directories = MachineDirectories();
    std::string name, bytes;
    if (!InfFolderName(FileName, directories.inf, &name) || !ReadInfFolder(name, &bytes)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    ParsedInf& last = LastParsed();
    if (!last.Holds(bytes, directories)) {
        auto parsed = std::make_shared<sim::inf::File>();
        parsed->SetDirectories(directories);
        UINT line = 0;
        if (const DWORD error = parsed->Parse(bytes, &line)) {
            if (ErrorLine) *ErrorLine = line;
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        last = ParsedInf{std::move(bytes), directories, std::move(parsed)};
    }
    const std::shared_ptr<const sim::inf::File> file = last.file;
    if (!file->HasWin4Signature()) {
        // The line is 0 for a file without one of the signatures, even
        // when the style asked for does not need it.
        if (ErrorLine) *ErrorLine = 0;
        if (InfStyle & INF_STYLE_WIN4) {
            SetLastError(ERROR_WRONG_INF_STYLE);
            return INVALID_HANDLE_VALUE;
        }
    }
    if (InfClass && *InfClass && !ClassMatches(*file, InfClass)) {
        if (ErrorLine) *ErrorLine = 0;
        SetLastError(ERROR_CLASS_MISMATCH);
        return INVALID_HANDLE_VALUE;
    }
    const ULONG_PTR handle = S().nextHandle;
    S().nextHandle += 0x10;
    S().open[handle] = OpenInf{FileName, std::move(file)};
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HINF>(handle);
}

BOOL InstallFromSection(HINF InfHandle, PCSTR SectionName, UINT Flags, HKEY RelativeKeyRoot) {
    const auto it = S().open.find(reinterpret_cast<ULONG_PTR>(InfHandle));
    if (it == S().open.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!SectionName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::InfInstallRecord record;
    record.file = it->second.name;
    record.section = SectionName;
    record.flags = Flags;
    record.relativeRoot = RelativeKeyRoot != nullptr;
    if (const DWORD error = InjectedInstallFailure(SectionName)) {
        record.error = error;
        S().installs.push_back(record);
        SetLastError(error);
        return FALSE;
    }
    // A section the file does not have installs nothing and succeeds, as
    // Wine answers (no Windows documentation says otherwise).
    const sim::inf::File& file = *it->second.file;
    const sim::inf::Section* section = file.FindSection(SectionName);
    if ((Flags & SPINST_REGISTRY) && section) sim::inf::ApplyRegistryDirectives(file, *section, RelativeKeyRoot);
    record.result = TRUE;
    S().installs.push_back(record);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace

extern "C" {

HINF WINAPI SetupOpenInfFileA(PCSTR FileName, PCSTR InfClass, DWORD InfStyle, PUINT ErrorLine) {
    const sim::Locked locked;
    try {
        return OpenInfFile(FileName, InfClass, InfStyle, ErrorLine);
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
}

// Only the registry directives are carried out: the simulated machine has
// no files to copy, INI files, services or devices, so the other SPINST_
// flags, the source path, copy flags, message handler and device
// information change nothing.
BOOL WINAPI SetupInstallFromInfSectionA(HWND Owner, HINF InfHandle, PCSTR SectionName, UINT Flags,
                                        HKEY RelativeKeyRoot, PCSTR SourceRootPath, UINT CopyFlags,
                                        PSP_FILE_CALLBACK_A MsgHandler, PVOID Context, HDEVINFO DeviceInfoSet,
                                        PSP_DEVINFO_DATA DeviceInfoData) {
    const sim::Locked locked;
    (void)Owner;
    (void)SourceRootPath;
    (void)CopyFlags;
    (void)MsgHandler;
    (void)Context;
    (void)DeviceInfoSet;
    (void)DeviceInfoData;
    try {
        return InstallFromSection(InfHandle, SectionName, Flags, RelativeKeyRoot);
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

void WINAPI SetupCloseInfFile(HINF InfHandle) {
    const sim::Locked locked;
    S().open.erase(reinterpret_cast<ULONG_PTR>(InfHandle));
}

}  // extern "C"

namespace sim {

void SetInfDirectory(std::string hostDirectory) {
    const sim::Locked locked;
    S().hostDirectory = std::move(hostDirectory);
}
const std::string& InfDirectory() {
    const sim::Locked locked;
    return S().hostDirectory;
}

void AddInfFile(std::string name, std::string text) {
    const sim::Locked locked;
    for (auto& file : S().added) {
        if (SameName(file.first, name)) {
            file.second = std::move(text);
            return;
        }
    }
    S().added.emplace_back(std::move(name), std::move(text));
}

bool RemoveInfFile(std::string_view name) {
    const sim::Locked locked;
    auto& added = S().added;
    for (auto it = added.begin(); it != added.end(); ++it) {
        if (SameName(it->first, name)) {
            added.erase(it);
            return true;
        }
    }
    return false;
}

const std::vector<InfInstallRecord>& InfInstalls() {
    const sim::Locked locked;
    return S().installs;
}

void FailInfOpen(DWORD error) {
    const sim::Locked locked;
    S().openFailure = error;
}

void FailInfInstall(std::string section, DWORD error) {
    const sim::Locked locked;
    auto& failures = S().installFailures;
    for (auto it = failures.begin(); it != failures.end(); ++it) {
        if (SameName(it->section, section)) {
            failures.erase(it);
            break;
        }
    }
    if (error) failures.push_back(InstallFailure{std::move(section), error});
}

size_t OpenInfHandles() {
    const sim::Locked locked;
    return S().open.size();
}

void ClearSetupRecords() { S().installs.clear(); }

void ResetSetup() {
    S() = SetupState{};
    AddModule("SETUPAPI.DLL", {
                                  {"SetupOpenInfFileA", Proc(&SetupOpenInfFileA)},
                                  {"SetupInstallFromInfSectionA", Proc(&SetupInstallFromInfSectionA)},
                                  {"SetupCloseInfFile", Proc(&SetupCloseInfFile)},
                              });
}

}  // namespace sim
