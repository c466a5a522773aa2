// VERSION.DLL of the simulated machine: the version resources of the files
// a test names (the dial-up library probe reads one).
#include <cstring>
#include <map>
#include <string>

#include "CodePage.h"
#include "State.h"
#include "sim/control.h"
#include "Lock.h"

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

struct VersionState {
    std::map<std::string, FileInfo, CiLess> files;
    bool failVersionRead = false;
    bool failVersionQuery = false;
};

VersionState& V() {
    static VersionState state;
    return state;
}

// The version block handed out by GetFileVersionInfoA: a marker and the
// fixed file information, which VerQueryValueA(\) points into.
struct VersionBlock {
    char marker[8];
    VS_FIXEDFILEINFO fixed;
};

const FileInfo* FindFile(LPCSTR path) {
    if (!path) return nullptr;
    auto it = V().files.find(path);
    return it == V().files.end() ? nullptr : &it->second;
}

}  // namespace

namespace sim {

void SetFileVersion(std::string path, WORD major, WORD minor, WORD build, WORD revision) {
    const sim::Locked locked;
    FileInfo info;
    info.hasVersion = true;
    info.ms = (DWORD(major) << 16) | minor;
    info.ls = (DWORD(build) << 16) | revision;
    V().files[std::move(path)] = info;
}

void SetFileWithoutVersion(std::string path) {
    const sim::Locked locked;
    V().files[std::move(path)] = FileInfo{};
}
void RemoveFile(const std::string& path) {
    const sim::Locked locked;
    V().files.erase(path);
}
void FailFileVersionRead(bool fail) {
    const sim::Locked locked;
    V().failVersionRead = fail;
}
void FailFileVersionQuery(bool fail) {
    const sim::Locked locked;
    V().failVersionQuery = fail;
}

void ResetVersionFiles() { V() = VersionState{}; }

}  // namespace sim

extern "C" {

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) {
    const sim::Locked locked;
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
    const sim::Locked locked;
    (void)dwHandle;
    const FileInfo* f = FindFile(lptstrFilename);
    if (!f || !f->hasVersion || !lpData || V().failVersionRead) {
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
    const sim::Locked locked;
    if (!pBlock || !lpSubBlock || !lplpBuffer || V().failVersionQuery) return FALSE;
    if (std::memcmp(pBlock, "SIMVER\0", 8) != 0) return FALSE;
    if (std::strcmp(lpSubBlock, "\\") != 0) return FALSE;
    auto* block = static_cast<const VersionBlock*>(pBlock);
    *lplpBuffer = const_cast<VS_FIXEDFILEINFO*>(&block->fixed);
    if (puLen) *puLen = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

}  // extern "C"
