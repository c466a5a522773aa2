// KERNEL32 of the simulated machine: the platform mode behind
// GetVersionExA, the Windows directory, last error, private heaps, the ANSI
// code page conversions and the computer name; and the reset of the whole
// machine.
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <unordered_map>

#include "CodePage.h"
#include "Hive.h"
#include "State.h"
#include "sim/control.h"

namespace {

struct KernelState {
    sim::Platform platform = sim::Platform::Win98;
    std::string windowsDir;  // empty: the mode's default
    std::unordered_map<void*, std::set<void*>> heaps;
    bool failHeapCreate = false;
    bool failHeapAlloc = false;
    std::string computerName = "ORVANE-PC";
};

KernelState& K() {
    static KernelState state;
    return state;
}

thread_local DWORD g_lastError = 0;

const char* DefaultWindowsDir() {
    return sim::GetPlatform() == sim::Platform::Win98 ? "C:\\WINDOWS" : "C:\\WINNT";
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

void SetPlatform(Platform platform) { K().platform = platform; }
Platform GetPlatform() { return K().platform; }

void SetWindowsDirectory(std::string path) { K().windowsDir = std::move(path); }

size_t LiveHeaps() { return K().heaps.size(); }
size_t LiveHeapBlocks() {
    size_t n = 0;
    for (auto& h : K().heaps) n += h.second.size();
    return n;
}
void FailHeapCreate(bool fail) { K().failHeapCreate = fail; }
void FailHeapAlloc(bool fail) { K().failHeapAlloc = fail; }

void SetComputerName(std::string name) { K().computerName = std::move(name); }
std::string ComputerName() { return K().computerName; }

void ResetKernel() {
    KernelState& k = K();
    for (auto& h : k.heaps)
        for (void* block : h.second) std::free(block);
    k = KernelState{};
}

void Reset() {
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
    const std::string dir = K().windowsDir.empty() ? DefaultWindowsDir() : K().windowsDir;
    const UINT len = static_cast<UINT>(dir.size());
    if (!lpBuffer || uSize <= len) return len + 1;
    std::memcpy(lpBuffer, dir.c_str(), len + 1);
    return len;
}

HANDLE WINAPI HeapCreate(DWORD flOptions, SIZE_T dwInitialSize, SIZE_T dwMaximumSize) {
    (void)flOptions;
    (void)dwInitialSize;
    (void)dwMaximumSize;
    if (K().failHeapCreate) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* marker = std::malloc(1);
    if (!marker) return nullptr;
    K().heaps[marker];
    return marker;
}

BOOL WINAPI HeapDestroy(HANDLE hHeap) {
    auto it = K().heaps.find(hHeap);
    if (it == K().heaps.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (void* block : it->second) std::free(block);
    K().heaps.erase(it);
    std::free(hHeap);
    return TRUE;
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    auto it = K().heaps.find(hHeap);
    if (it == K().heaps.end() || K().failHeapAlloc) return nullptr;
    // Blocks are not zeroed unless asked; fill them so a reader of
    // uninitialised bytes is noticed.
    void* block = std::malloc(dwBytes ? dwBytes : 1);
    if (!block) return nullptr;
    std::memset(block, (dwFlags & HEAP_ZERO_MEMORY) ? 0 : 0xCD, dwBytes ? dwBytes : 1);
    it->second.insert(block);
    return block;
}

BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) {
    (void)dwFlags;
    auto it = K().heaps.find(hHeap);
    if (it == K().heaps.end()) return FALSE;
    if (!lpMem) return TRUE;
    if (!it->second.erase(lpMem)) return FALSE;
    std::free(lpMem);
    return TRUE;
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
    if (!nSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string& name = K().computerName;
    if (!lpBuffer || *nSize <= name.size()) {
        *nSize = static_cast<DWORD>(name.size() + 1);
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    std::memcpy(lpBuffer, name.c_str(), name.size() + 1);
    *nSize = static_cast<DWORD>(name.size());
    return TRUE;
}

BOOL WINAPI SetComputerNameA(LPCSTR lpComputerName) {
    if (!lpComputerName || !*lpComputerName || std::strlen(lpComputerName) > MAX_COMPUTERNAME_LENGTH) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    K().computerName = lpComputerName;
    return TRUE;
}

BOOL WINAPI GetComputerNameExA(COMPUTER_NAME_FORMAT NameType, LPSTR lpBuffer, LPDWORD nSize) {
    if (NameType >= ComputerNameMax) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return GetComputerNameA(lpBuffer, nSize);
}

BOOL WINAPI SetComputerNameExA(COMPUTER_NAME_FORMAT NameType, LPCSTR lpBuffer) {
    if (NameType >= ComputerNameMax || !lpBuffer || !*lpBuffer || std::strlen(lpBuffer) > 63) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    K().computerName = lpBuffer;
    return TRUE;
}

}  // extern "C"
