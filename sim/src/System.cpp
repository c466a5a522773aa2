// KERNEL32, VERSION and WSOCK32 functions of the simulated machine.
#include <winsock.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>

#include "CodePage.h"
#include "Hive.h"
#include "State.h"
#include "sim/control.h"

namespace {

struct FileInfo {
    bool hasVersion = false;
    DWORD ms = 0, ls = 0;
};

struct CiLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return sim::cp1252::CompareNames(a, b) < 0;
    }
};

struct SystemState {
    sim::Platform platform = sim::Platform::Win98;
    std::string windowsDir;  // empty: the mode's default
    std::map<std::string, FileInfo, CiLess> files;
    bool failVersionRead = false;
    bool failVersionQuery = false;
    WORD winsockHigh = 0x0202;
    int winsockError = 0;
    int winsockStartups = 0;
    std::unordered_map<void*, std::set<void*>> heaps;
    bool failHeapCreate = false;
    bool failHeapAlloc = false;
    std::string computerName = "ORVANE-PC";
};

SystemState& S() {
    static SystemState state;
    return state;
}

thread_local DWORD g_lastError = 0;

// The version block handed out by GetFileVersionInfoA: a marker and the
// fixed file information, which VerQueryValueA(\) points into.
struct VersionBlock {
    char marker[8];
    VS_FIXEDFILEINFO fixed;
};

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

void SetPlatform(Platform platform) { S().platform = platform; }
Platform GetPlatform() { return S().platform; }

void SetWindowsDirectory(std::string path) { S().windowsDir = std::move(path); }

void SetFileVersion(std::string path, WORD major, WORD minor, WORD build, WORD revision) {
    FileInfo info;
    info.hasVersion = true;
    info.ms = (DWORD(major) << 16) | minor;
    info.ls = (DWORD(build) << 16) | revision;
    S().files[std::move(path)] = info;
}

void SetFileWithoutVersion(std::string path) { S().files[std::move(path)] = FileInfo{}; }
void RemoveFile(const std::string& path) { S().files.erase(path); }
void FailFileVersionRead(bool fail) { S().failVersionRead = fail; }
void FailFileVersionQuery(bool fail) { S().failVersionQuery = fail; }

void SetWinsockHighVersion(WORD version) { S().winsockHigh = version; }
void SetWinsockStartupError(int error) { S().winsockError = error; }
int WinsockOpenStartups() { return S().winsockStartups; }

size_t LiveHeaps() { return S().heaps.size(); }
size_t LiveHeapBlocks() {
    size_t n = 0;
    for (auto& h : S().heaps) n += h.second.size();
    return n;
}
void FailHeapCreate(bool fail) { S().failHeapCreate = fail; }
void FailHeapAlloc(bool fail) { S().failHeapAlloc = fail; }

void SetComputerName(std::string name) { S().computerName = std::move(name); }
std::string ComputerName() { return S().computerName; }

void ResetSystem() {
    SystemState& s = S();
    for (auto& h : s.heaps)
        for (void* block : h.second) std::free(block);
    s = SystemState{};
}

void Reset() {
    hive::ResetAll();
    ResetHandles();
    ResetSystem();
    ResetModules();
    ResetRecords();
}

}  // namespace sim

namespace {

const char* DefaultWindowsDir() {
    return sim::GetPlatform() == sim::Platform::Win98 ? "C:\\WINDOWS" : "C:\\WINNT";
}

const FileInfo* FindFile(LPCSTR path) {
    if (!path) return nullptr;
    auto it = S().files.find(path);
    return it == S().files.end() ? nullptr : &it->second;
}

}  // namespace

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
    const std::string dir = S().windowsDir.empty() ? DefaultWindowsDir() : S().windowsDir;
    const UINT len = static_cast<UINT>(dir.size());
    if (!lpBuffer || uSize <= len) return len + 1;
    std::memcpy(lpBuffer, dir.c_str(), len + 1);
    return len;
}

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) {
    if (lpdwHandle) *lpdwHandle = 0;
    const FileInfo* f = FindFile(lptstrFilename);
    if (!f) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (!f->hasVersion) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return 0;
    }
    return sizeof(VersionBlock);
}

BOOL WINAPI GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData) {
    (void)dwHandle;
    const FileInfo* f = FindFile(lptstrFilename);
    if (!f || !f->hasVersion || !lpData || S().failVersionRead) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (dwLen < sizeof(VersionBlock)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    VersionBlock block{};
    std::memcpy(block.marker, "SIMVER\0", 8);
    block.fixed.dwSignature = 0xFEEF04BD;
    block.fixed.dwStrucVersion = 0x00010000;
    block.fixed.dwFileVersionMS = f->ms;
    block.fixed.dwFileVersionLS = f->ls;
    block.fixed.dwProductVersionMS = f->ms;
    block.fixed.dwProductVersionLS = f->ls;
    block.fixed.dwFileType = 2;  // VFT_DLL
    std::memcpy(lpData, &block, sizeof(block));
    return TRUE;
}

BOOL WINAPI VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen) {
    if (!pBlock || !lpSubBlock || !lplpBuffer || S().failVersionQuery) return FALSE;
    if (std::memcmp(pBlock, "SIMVER\0", 8) != 0) return FALSE;
    if (std::strcmp(lpSubBlock, "\\") != 0) return FALSE;
    auto* block = static_cast<const VersionBlock*>(pBlock);
    *lplpBuffer = const_cast<VS_FIXEDFILEINFO*>(&block->fixed);
    if (puLen) *puLen = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

int WINAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
    if (!lpWSAData) return WSAEFAULT;
    if (S().winsockError) return S().winsockError;
    const WORD high = S().winsockHigh;
    // The version used is the lower of the one asked for and the highest.
    const auto order = [](WORD v) { return (LOBYTE(v) << 8) | HIBYTE(v); };
    if (LOBYTE(wVersionRequested) == 0) return WSAVERNOTSUPPORTED;
    std::memset(lpWSAData, 0, sizeof(WSADATA));
    lpWSAData->wVersion = order(wVersionRequested) < order(high) ? wVersionRequested : high;
    lpWSAData->wHighVersion = high;
    std::strcpy(lpWSAData->szDescription, "Orvane simulated Winsock");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    ++S().winsockStartups;
    return 0;
}

int WINAPI WSACleanup(void) {
    if (S().winsockStartups == 0) return -1;
    --S().winsockStartups;
    return 0;
}

ULONG WINAPI inet_addr(const char* cp) {
    if (!cp) return INADDR_NONE;
    // Dotted decimal, one to four parts, as the classic resolver accepts.
    DWORD parts[4] = {0, 0, 0, 0};
    int n = 0;
    const char* p = cp;
    while (*p == ' ') ++p;
    if (!*p) return INADDR_NONE;
    for (;;) {
        if (*p < '0' || *p > '9') return INADDR_NONE;
        unsigned long long v = 0;
        while (*p >= '0' && *p <= '9') {
            v = v * 10 + unsigned(*p - '0');
            if (v > 0xFFFFFFFFull) return INADDR_NONE;
            ++p;
        }
        if (n == 4) return INADDR_NONE;
        parts[n++] = static_cast<DWORD>(v);
        if (*p == '.') {
            ++p;
            continue;
        }
        if (*p == '\0' || *p == ' ') break;
        return INADDR_NONE;
    }
    DWORD host = 0;
    switch (n) {
        case 1: host = parts[0]; break;
        case 2:
            if (parts[0] > 255 || parts[1] > 0xFFFFFF) return INADDR_NONE;
            host = (parts[0] << 24) | parts[1];
            break;
        case 3:
            if (parts[0] > 255 || parts[1] > 255 || parts[2] > 0xFFFF) return INADDR_NONE;
            host = (parts[0] << 24) | (parts[1] << 16) | parts[2];
            break;
        default:
            for (int i = 0; i < 4; ++i)
                if (parts[i] > 255) return INADDR_NONE;
            host = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
    }
    // Network byte order, as stored in memory on a little-endian machine.
    return ((host & 0xFF) << 24) | ((host & 0xFF00) << 8) | ((host >> 8) & 0xFF00) | (host >> 24);
}

HANDLE WINAPI HeapCreate(DWORD flOptions, SIZE_T dwInitialSize, SIZE_T dwMaximumSize) {
    (void)flOptions;
    (void)dwInitialSize;
    (void)dwMaximumSize;
    if (S().failHeapCreate) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* marker = std::malloc(1);
    if (!marker) return nullptr;
    S().heaps[marker];
    return marker;
}

BOOL WINAPI HeapDestroy(HANDLE hHeap) {
    auto it = S().heaps.find(hHeap);
    if (it == S().heaps.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (void* block : it->second) std::free(block);
    S().heaps.erase(it);
    std::free(hHeap);
    return TRUE;
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    auto it = S().heaps.find(hHeap);
    if (it == S().heaps.end() || S().failHeapAlloc) return nullptr;
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
    auto it = S().heaps.find(hHeap);
    if (it == S().heaps.end()) return FALSE;
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
    const std::string& name = S().computerName;
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
    S().computerName = lpComputerName;
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
    S().computerName = lpBuffer;
    return TRUE;
}

}  // extern "C"
