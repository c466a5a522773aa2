// Control interface of the simulated platform, for tests and the offline
// host: set up a machine, look at what the library did to it, make parts of
// it fail. Nothing in the library itself includes this header.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

// ---- Machine -----------------------------------------------------------------

enum class Platform { Win98, NT4, Win2000 };

// Short names used on command lines and in scenario files: win98, nt4, win2000.
const char* PlatformName(Platform platform);
bool ParsePlatform(std::string_view name, Platform* platform);

// A fresh machine: empty registry, Windows 98, no recorded messages or
// commands, the standard modules, default files and Winsock 2.2.
void Reset();

// The mode also decides where a new subkey goes (last on Windows 98, sorted
// on NT), for programs and imports alike: a machine file imported before
// the mode is set keeps the file's order.
void SetPlatform(Platform platform);
Platform GetPlatform();

// ---- Registry ----------------------------------------------------------------

enum class RegFormat {
    Regedit4,  // REGEDIT4: 8-bit text, hex(2)/hex(7) data in the ANSI code page
    Regedit5,  // Windows Registry Editor Version 5.00: hex(2)/hex(7) as UTF-16LE
};

// How a .reg file's bytes are encoded: 8-bit text in code page 1252, or
// UTF-16LE with a byte-order mark, as regedit writes 5.00 files.
enum class RegEncoding { Ansi, Utf16Le };

struct RegImportResult {
    bool ok = false;
    RegFormat format = RegFormat::Regedit4;
    RegEncoding encoding = RegEncoding::Ansi;
    int line = 0;  // line of the first error
    std::string error;
};

// Applies .reg text (either header; UTF-16LE with a byte-order mark, UTF-8
// with a byte-order mark or 8-bit text in code page 1252) to the registry.
// Keys and values that exist keep their place; new values go last in the
// file's order, new keys where the platform mode puts a new subkey (last
// on Windows 98, sorted on NT).
RegImportResult ImportReg(std::string_view text);
RegImportResult ImportRegFile(const std::string& path);

// The whole registry, or the subtree of one key (e.g.
// "HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\VxD\MSTCP", HKLM
// and the other short root names are accepted), as .reg text. The output is
// deterministic: keys depth-first and values in the registry's enumeration
// order (the machine's order), CR LF line ends.
std::string ExportReg(RegFormat format);
std::string ExportRegKey(RegFormat format, std::string_view fullKeyPath);

// .reg text as produced by the exporter (code page 1252) in the file
// encoding asked for: unchanged for Ansi, UTF-16LE with its byte-order mark
// for Utf16Le.
std::string EncodeRegText(std::string_view text, RegEncoding encoding);

// A frozen copy of the whole registry.
class RegSnapshot {
public:
    RegSnapshot();
    ~RegSnapshot();
    RegSnapshot(RegSnapshot&&) noexcept;
    RegSnapshot& operator=(RegSnapshot&&) noexcept;
    struct Data;
    std::unique_ptr<Data> data;
};
RegSnapshot TakeSnapshot();
// The changes from `before` to the current registry as an importable .reg
// patch: [-KEY] for removed trees, "name"=- for removed values, new and
// changed values under their key, nothing else. Empty (header only) when
// nothing changed. Importing it onto the state of `before` in the current
// platform mode gives the current state exactly, order included: a value
// or key that was deleted and created again is deleted and written again
// where keeping the order needs it.
std::string DiffReg(const RegSnapshot& before, RegFormat format);
// The same between two snapshots: importing the result onto the state of
// `from` gives the state of `to`. DiffReg(after, before) is the undo patch.
std::string DiffReg(const RegSnapshot& from, const RegSnapshot& to, RegFormat format);

// Failure injection on a key and everything below it.
enum class KeyAccess {
    Normal,
    ReadOnly,  // opens for writing, creates, value writes and deletions fail with ERROR_ACCESS_DENIED
    Denied,    // the key is listed by its parent but cannot be opened (ERROR_ACCESS_DENIED)
};
bool SetKeyAccess(std::string_view fullKeyPath, KeyAccess access);

// Every change a program made to the registry since Reset (or
// ClearRegistryWrites), in order: each RegSetValueExA, RegDeleteValueA and
// RegDeleteKeyA call that got as far as changing something, or that an
// injected failure stopped there. Keys are full names
// (HKEY_LOCAL_MACHINE\...). Imports are not programs: they are not listed.
struct RegWrite {
    enum Kind { SetValue, DeleteValue, DeleteKey } kind = SetValue;
    std::string key;
    std::string value;  // the value's name; empty for DeleteKey and the default value
    bool failed = false;
};
const std::vector<RegWrite>& RegistryWrites();
void ClearRegistryWrites();
// Makes the nth registry change from now on (1: the next) fail with `error`
// and change nothing; 0 disarms. One injection at a time, cleared by Reset.
void FailRegistryWrite(size_t nth, LONG error = ERROR_ACCESS_DENIED);

bool KeyExists(std::string_view fullKeyPath);
// Handles returned by RegOpenKeyExA/RegCreateKeyExA and not yet closed.
size_t OpenKeyHandles();
// Number of key openings (RegOpenKeyExA and RegCreateKeyExA) since Reset.
size_t KeyOpenCount();

// ---- System ------------------------------------------------------------------

// GetWindowsDirectoryA; by default C:\WINDOWS on Windows 98, C:\WINNT on NT.
void SetWindowsDirectory(std::string path);

// Version resources of files. Paths compare case-insensitively.
void SetFileVersion(std::string path, WORD major, WORD minor, WORD build, WORD revision);
void SetFileWithoutVersion(std::string path);
void RemoveFile(const std::string& path);
// Make GetFileVersionInfoA, or VerQueryValueA on the root block, fail.
void FailFileVersionRead(bool fail);
void FailFileVersionQuery(bool fail);

// Highest version Winsock reports (MAKEWORD(major, minor)); 0x0202 by default.
void SetWinsockHighVersion(WORD version);
// Error WSAStartup answers (0 = succeed).
void SetWinsockStartupError(int error);
// WSAStartup calls not yet matched by WSACleanup.
int WinsockOpenStartups();

// Private heaps (HeapCreate) not yet destroyed, and blocks not yet freed.
size_t LiveHeaps();
size_t LiveHeapBlocks();
// Make HeapCreate or HeapAlloc return null.
void FailHeapCreate(bool fail);
void FailHeapAlloc(bool fail);

void SetComputerName(std::string name);
std::string ComputerName();

// ---- Modules -----------------------------------------------------------------

typedef BOOL(WINAPI* EntryPoint)(HINSTANCE, DWORD, LPVOID);
// Any function as an entry of a module's export table.
template <typename Fn>
FARPROC Proc(Fn* fn) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fn));
}

// The platform modes a module export exists in (a mask of PlatformBit).
constexpr unsigned PlatformBit(Platform platform) { return 1u << static_cast<unsigned>(platform); }
constexpr unsigned kAllPlatforms = 0x7;

struct ModuleExport {
    const char* name;  // a literal, not copied: every reset rebuilds the tables
    FARPROC address;
    unsigned platforms = kAllPlatforms;  // GetProcAddress finds it only in these modes
};

// Adds (or replaces) a module that LoadLibraryA finds by file name, with or
// without a path or the ".dll" extension, in any letter case. The entry
// point, when given, receives DLL_PROCESS_ATTACH on the first load and
// DLL_PROCESS_DETACH when the last reference is released.
void AddModule(std::string name, std::vector<ModuleExport> exports, EntryPoint entry = nullptr);
bool RemoveModule(std::string_view name);
bool RemoveFunction(std::string_view module, std::string_view function);
// Current load count of a module (0 when it is not loaded or unknown).
int LoadCount(std::string_view name);
// Sum of the load counts of all modules.
int TotalLoadCount();

// ---- Setup (INF files) -------------------------------------------------------

// The module "SETUPAPI.DLL" (SetupOpenInfFileA, SetupInstallFromInfSectionA,
// SetupCloseInfFile; <setupapi.h>) is on every fresh machine, as on Windows
// 98 and NT; RemoveModule("SETUPAPI.DLL") makes a Windows 95 without it.
//
// SetupOpenInfFileA finds a bare file name (or a path into that folder) in
// the Windows directory's INF folder: first among the files added with
// AddInfFile, then in a host directory, names compared without regard to
// case. A fresh machine's host directory is the project's bundled inf/
// folder, which holds NETTRANS.INF; "" leaves only the added files.
void SetInfDirectory(std::string hostDirectory);
const std::string& InfDirectory();
// Adds (or replaces) a file of the INF folder given as its text.
void AddInfFile(std::string name, std::string text);
bool RemoveInfFile(std::string_view name);

// Every SetupInstallFromInfSectionA call, in order.
struct InfInstallRecord {
    std::string file;  // the name SetupOpenInfFileA was given
    std::string section;
    UINT flags = 0;
    bool relativeRoot = false;  // an HKR key was given
    BOOL result = FALSE;
    DWORD error = 0;  // GetLastError after the call
};
const std::vector<InfInstallRecord>& InfInstalls();

// Failure injection: every SetupOpenInfFileA fails with `error` (0: opens
// work again); SetupInstallFromInfSectionA of `section` (any letter case; ""
// for every section) fails with `error` and writes nothing (0 lifts it).
void FailInfOpen(DWORD error);
void FailInfInstall(std::string section, DWORD error);
// INF handles given out and not closed.
size_t OpenInfHandles();

// ---- DHCP client -------------------------------------------------------------

// The module "DHCPCSVC.DLL" with DhcpNotifyConfigChange is on every fresh
// machine; each call is recorded and answered with the configured result.
struct DhcpNotification {
    bool serverNull = true;
    std::string adapter;  // the adapter name, narrowed from UTF-16
    BOOL newIpAddress = FALSE;
    DWORD ipIndex = 0;
    DWORD ipAddress = 0;   // network byte order, as passed
    DWORD subnetMask = 0;  // network byte order, as passed
    DWORD action = 0;      // 0 leave DHCP as it is, 1 enable, 2 disable
};
const std::vector<DhcpNotification>& DhcpNotifications();
void SetDhcpNotifyResult(DWORD result);

// ---- User interface ----------------------------------------------------------

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    UINT style = 0;
};
const std::vector<MessageBoxRecord>& MessageBoxes();
// Command lines handed to the command interpreter (system()).
const std::vector<std::string>& Commands();
void ClearRecords();

}  // namespace sim

#include "sim/network.h"
