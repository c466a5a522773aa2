// KERNEL32 of the simulated machine: the platform mode behind
// GetVersionExA, the Windows directory, last error, private heaps, the ANSI
// code page conversions and the computer names; and the reset of the whole
// machine.
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CodePage.h"
#include "Hive.h"
#include "MachineRegistry.h"
#include "Slots.h"
#include "State.h"
#include "sim/control.h"
#include "Lock.h"

namespace {

// Read by nearly every function, so kept out of the lock.
std::atomic<sim::Platform> g_platform{sim::Platform::Win98};

// A private heap holds few blocks: the library makes one for each value.
using Heap = std::vector<void*>;
// Heap handles are multiples of 16 from 16 on (never null).
using Heaps = sim::Slots<Heap>;

struct KernelState {
    std::string windowsDir;  // empty: the mode's default
    Heaps heaps{16, 16};
    bool failHeapCreate = false;
    bool failHeapAlloc = false;
};

KernelState& K() {
    static KernelState state;
    return state;
}

thread_local DWORD g_lastError = 0;

const char* DefaultWindowsDir() {
    return sim::GetPlatform() == sim::Platform::Win98 ? "C:\\WINDOWS" : "C:\\WINNT";
}

// ---- Computer names --------------------------------------------------------
//
// Kept where Windows keeps them, so a machine file's own name is the name
// programs see and a rename shows in a patch: the NetBIOS name for the next
// start in Control\ComputerName\ComputerName, the running one in
// Control\ComputerName\ActiveComputerName (a volatile key Windows makes at
// start from the other; a file without it runs under the stored name), and
// on Windows 2000 the DNS host name in the TCP/IP "Hostname" (running) and
// "NV Hostname" (next start) values.

constexpr char kStoredName[] = "ComputerName";
constexpr char kActiveName[] = "ActiveComputerName";
constexpr char kNameValue[] = "ComputerName";

std::string SystemRoot() { return sim::GetPlatform() == sim::Platform::Win98 ? "System" : "SYSTEM"; }
std::string NameKey(const char* which) {
    return SystemRoot() + "\\CurrentControlSet\\Control\\ComputerName\\" + which;
}
std::string TcpipKey() { return SystemRoot() + "\\CurrentControlSet\\Services\\Tcpip\\Parameters"; }

bool ActiveName(std::string* name) {
    return machinereg::ReadText(NameKey(kActiveName), kNameValue, name) ||
           machinereg::ReadText(NameKey(kStoredName), kNameValue, name);
}

// The standard character set of a NetBIOS computer name: letters, digits
// and ! @ # $ % ^ & ' ) ( . - _ { } ~ (characters beyond ASCII count as
// letters of the code page).
bool ValidNetBiosName(const std::string& name) {
    if (name.empty() || name.size() > MAX_COMPUTERNAME_LENGTH) return false;
    for (unsigned char c : name) {
        if (c >= 0x80 || std::isalnum(c)) continue;
        if (!std::strchr("!@#$%^&')(.-_{}~", c)) return false;
    }
    return true;
}

// A DNS host name: no control characters, no blank at either end, none of
// " / \ [ ] : | < > + = ; , ?, at most 63 characters.
bool ValidDnsHostName(const std::string& name) {
    if (name.empty() || name.size() > 63 || name.front() == ' ' || name.back() == ' ') return false;
    for (unsigned char c : name)
        if (c < 0x20 || std::strchr("\"/\\[]:|<>+=;,?", c)) return false;
    return true;
}

// The NetBIOS form Windows stores: upper case.
std::string NetBiosForm(std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// Hands out a name by the size rule of the computer-name functions: the
// size without the NUL on success, with it when the buffer is too small.
BOOL HandOut(const std::string& name, LPSTR buffer, LPDWORD size, DWORD tooSmall) {
    if (!buffer || *size <= name.size()) {
        *size = static_cast<DWORD>(name.size() + 1);
        SetLastError(tooSmall);
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return TRUE;
}

BOOL Stored(LONG rc) {
    if (rc == ERROR_SUCCESS) return TRUE;
    SetLastError(static_cast<DWORD>(rc));
    return FALSE;
}

}  // namespace

namespace sim {

const char* PlatformName(Platform platform) {
    switch (platform) {
        case Platform::Win98: return "win98";
        case Platform::NT4: return "nt4";
        case Platform::Win2000: return "win2000";
    }
    return "win98";
}

bool ParsePlatform(std::string_view name, Platform* platform) {
    for (Platform p : {Platform::Win98, Platform::NT4, Platform::Win2000}) {
        if (name == PlatformName(p)) {
            *platform = p;
            return true;
        }
    }
    return false;
}

std::recursive_mutex& MachineLock() {
    static std::recursive_mutex lock;
    return lock;
}

void SetPlatform(Platform platform) { g_platform.store(platform, std::memory_order_relaxed); }
Platform GetPlatform() { return g_platform.load(std::memory_order_relaxed); }

void SetWindowsDirectory(std::string path) {
    const sim::Locked locked;
    K().windowsDir = std::move(path);
}

size_t LiveHeaps() {
    const sim::Locked locked;
    return K().heaps.Live();
}
size_t LiveHeapBlocks() {
    const sim::Locked locked;
    size_t n = 0;
    K().heaps.ForEach([&](const Heap& blocks) { n += blocks.size(); });
    return n;
}
void FailHeapCreate(bool fail) {
    const sim::Locked locked;
    K().failHeapCreate = fail;
}
void FailHeapAlloc(bool fail) {
    const sim::Locked locked;
    K().failHeapAlloc = fail;
}

void SetComputerName(std::string name) {
    const sim::Locked locked;
    machinereg::WriteText(NameKey(kStoredName), kNameValue, name);
    machinereg::WriteText(NameKey(kActiveName), kNameValue, name);
}

std::string ComputerName() {
    const sim::Locked locked;
    std::string name;
    return ActiveName(&name) ? name : std::string();
}

void ResetKernel() {
    KernelState& k = K();
    k.heaps.ForEach([](Heap& blocks) {
        for (void* block : blocks) std::free(block);
    });
    k = KernelState{};
    g_platform.store(sim::Platform::Win98, std::memory_order_relaxed);
}

void Reset() {
    const sim::Locked locked;
    hive::ResetAll();
    ResetHandles();
    ResetKernel();
    ResetVersionFiles();
    ResetWinsock();
    ResetModules();
    ResetRecords();
}

}  // namespace sim

extern "C" {

DWORD WINAPI GetLastError(void) { return g_lastError; }
void WINAPI SetLastError(DWORD dwErrCode) { g_lastError = dwErrCode; }

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
    const sim::Locked locked;
    // Windows accepts the plain and the extended structure (148 or 156 bytes).
    if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && info->dwOSVersionInfoSize != 156)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
    switch (sim::GetPlatform()) {
        case sim::Platform::Win98:
            info->dwMajorVersion = 4;
            info->dwMinorVersion = 10;
            info->dwBuildNumber = 0x040A07CE;  // 4.10.1998
            info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
            std::strcpy(info->szCSDVersion, " A ");
            break;
        case sim::Platform::NT4:
            info->dwMajorVersion = 4;
            info->dwMinorVersion = 0;
            info->dwBuildNumber = 1381;
            info->dwPlatformId = VER_PLATFORM_WIN32_NT;
            std::strcpy(info->szCSDVersion, "Service Pack 6");
            break;
        case sim::Platform::Win2000:
            info->dwMajorVersion = 5;
            info->dwMinorVersion = 0;
            info->dwBuildNumber = 2195;
            info->dwPlatformId = VER_PLATFORM_WIN32_NT;
            std::strcpy(info->szCSDVersion, "Service Pack 4");
            break;
    }
    return TRUE;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    const sim::Locked locked;
    const std::string dir = K().windowsDir.empty() ? DefaultWindowsDir() : K().windowsDir;
    const UINT len = static_cast<UINT>(dir.size());
    if (!lpBuffer || uSize <= len) return len + 1;
    std::memcpy(lpBuffer, dir.c_str(), len + 1);
    return len;
}

HANDLE WINAPI HeapCreate(DWORD flOptions, SIZE_T dwInitialSize, SIZE_T dwMaximumSize) {
    const sim::Locked locked;
    (void)flOptions;
    (void)dwInitialSize;
    (void)dwMaximumSize;
    if (K().failHeapCreate) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    uint64_t handle = 0;
    K().heaps.Acquire(&handle);
    return reinterpret_cast<HANDLE>(handle);
}

BOOL WINAPI HeapDestroy(HANDLE hHeap) {
    const sim::Locked locked;
    const auto handle = reinterpret_cast<uint64_t>(hHeap);
    Heap* heap = K().heaps.Find(handle);
    if (!heap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (void* block : *heap) std::free(block);
    heap->clear();
    K().heaps.Release(handle);
    return TRUE;
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    const sim::Locked locked;
    Heap* heap = K().heaps.Find(reinterpret_cast<uint64_t>(hHeap));
    if (!heap || K().failHeapAlloc) return nullptr;
    // Blocks are not zeroed unless asked; fill them so a reader of
    // uninitialised bytes is noticed.
    void* block = std::malloc(dwBytes ? dwBytes : 1);
    if (!block) return nullptr;
    std::memset(block, (dwFlags & HEAP_ZERO_MEMORY) ? 0 : 0xCD, dwBytes ? dwBytes : 1);
    heap->push_back(block);
    return block;
}

BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) {
    const sim::Locked locked;
    (void)dwFlags;
    Heap* heap = K().heaps.Find(reinterpret_cast<uint64_t>(hHeap));
    if (!heap) return FALSE;
    if (!lpMem) return TRUE;
    // The newest block first: the one a value just made.
    Heap& blocks = *heap;
    for (size_t i = blocks.size(); i-- > 0;) {
        if (blocks[i] == lpMem) {
            blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(i));
            std::free(lpMem);
            return TRUE;
        }
    }
    return FALSE;
}

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
    (void)dwFlags;
    if (CodePage != CP_ACP || !lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int n = cbMultiByte < 0 ? static_cast<int>(std::strlen(lpMultiByteStr)) + 1 : cbMultiByte;
    if (cchWideChar == 0) return n;
    if (!lpWideCharStr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cchWideChar < n) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (int i = 0; i < n; ++i)
        lpWideCharStr[i] = sim::cp1252::ToUnicode(static_cast<unsigned char>(lpMultiByteStr[i]));
    return n;
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
    (void)dwFlags;
    if (CodePage != CP_ACP || !lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int n = cchWideChar;
    if (n < 0) {
        n = 0;
        while (lpWideCharStr[n]) ++n;
        ++n;
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = FALSE;
    if (cbMultiByte == 0) return n;
    if (!lpMultiByteStr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cbMultiByte < n) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const char fallback = lpDefaultChar ? *lpDefaultChar : '?';
    for (int i = 0; i < n; ++i) {
        const int b = sim::cp1252::FromUnicode(lpWideCharStr[i]);
        if (b < 0 && lpUsedDefaultChar) *lpUsedDefaultChar = TRUE;
        lpMultiByteStr[i] = b < 0 ? fallback : static_cast<char>(b);
    }
    return n;
}

BOOL WINAPI GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize) {
    const sim::Locked locked;
    if (!nSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string name;
    if (!ActiveName(&name)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return HandOut(name, lpBuffer, nSize, ERROR_BUFFER_OVERFLOW);
}

BOOL WINAPI SetComputerNameA(LPCSTR lpComputerName) {
    const sim::Locked locked;
    if (!lpComputerName || !ValidNetBiosName(lpComputerName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Takes effect at the next start: the running name stays.
    return Stored(machinereg::WriteText(NameKey(kStoredName), kNameValue, NetBiosForm(lpComputerName)));
}

BOOL WINAPI GetComputerNameExA(COMPUTER_NAME_FORMAT NameType, LPSTR lpBuffer, LPDWORD nSize) {
    const sim::Locked locked;
    if (!nSize || NameType < ComputerNameNetBIOS || NameType >= ComputerNameMax) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string netbios, host, domain;
    const bool named = ActiveName(&netbios);
    // Without TCP/IP's host name the DNS names fall back to the NetBIOS one.
    if (!machinereg::ReadText(TcpipKey(), "Hostname", &host)) host = netbios;
    machinereg::ReadText(TcpipKey(), "Domain", &domain);
    std::string name;
    switch (NameType) {
        case ComputerNameNetBIOS:
        case ComputerNamePhysicalNetBIOS: name = netbios; break;
        case ComputerNameDnsHostname:
        case ComputerNamePhysicalDnsHostname: name = host; break;
        case ComputerNameDnsDomain:
        case ComputerNamePhysicalDnsDomain: name = domain; break;
        default: name = domain.empty() ? host : host + "." + domain; break;
    }
    if (!named && name.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return HandOut(name, lpBuffer, nSize, ERROR_MORE_DATA);
}

BOOL WINAPI SetComputerNameExA(COMPUTER_NAME_FORMAT NameType, LPCSTR lpBuffer) {
    const sim::Locked locked;
    if (!lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string name = lpBuffer;
    switch (NameType) {
        case ComputerNameNetBIOS:
        case ComputerNamePhysicalNetBIOS: return SetComputerNameA(lpBuffer);
        case ComputerNameDnsHostname:
        case ComputerNamePhysicalDnsHostname: {
            if (!ValidDnsHostName(name)) break;
            // The DNS host name and the NetBIOS name made from it (cut to
            // 15), both for the next start.
            const LONG rc = machinereg::WriteText(TcpipKey(), "NV Hostname", name);
            if (rc != ERROR_SUCCESS) return Stored(rc);
            return Stored(machinereg::WriteText(NameKey(kStoredName), kNameValue,
                                                NetBiosForm(name.substr(0, MAX_COMPUTERNAME_LENGTH))));
        }
        case ComputerNameDnsDomain:
        case ComputerNamePhysicalDnsDomain:
            if (name.size() > 255) break;
            return Stored(machinereg::WriteText(TcpipKey(), "NV Domain", name));
        default: break;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

}  // extern "C"
