#include "PlatformInfo.h"

#include <winsock.h>

#include <cstdio>
#include <cstring>
#include <vector>

bool CPlatformInfo::QueryVersion(OSVERSIONINFOA& info) {
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    return GetVersionExA(&info) != FALSE;
}

bool CPlatformInfo::IsNT() {
    OSVERSIONINFOA info;
    // A system that cannot tell its version is taken as Windows 95/98, the
    // family whose layout needs no NT services.
    return QueryVersion(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

DWORD CPlatformInfo::GetNTMajorVersion() {
    OSVERSIONINFOA info;
    if (!QueryVersion(info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
    return info.dwMajorVersion;
}

std::string CPlatformInfo::GetRasVersion() {
    if (IsNT()) return "WinNT RAS";

    char windowsDir[MAX_PATH] = "";
    const UINT length = GetWindowsDirectoryA(windowsDir, MAX_PATH);
    if (length >= MAX_PATH) windowsDir[0] = '\0';
    const std::string path = std::string(windowsDir) + "\\System\\rasapi32.dll";

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return "No DUN Version";
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(path.c_str(), handle, size, block.data())) return "Error/DUN Version (#1)";
    LPVOID fixedPtr = nullptr;
    UINT fixedLength = 0;
    if (!VerQueryValueA(block.data(), "\\", &fixedPtr, &fixedLength) || !fixedPtr ||
        fixedLength < sizeof(VS_FIXEDFILEINFO))
        return "Error/DUN Version (#2)";
    const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedPtr);
    char text[64];
    std::snprintf(text, sizeof(text), "%d.%d.%d.%d", int(HIWORD(fixed->dwFileVersionMS)),
                  int(LOWORD(fixed->dwFileVersionMS)), int(HIWORD(fixed->dwFileVersionLS)),
                  int(LOWORD(fixed->dwFileVersionLS)));
    return text;
}

std::string CPlatformInfo::GetWinsockVersion() {
    WSADATA data;
    std::memset(&data, 0, sizeof(data));
    const int rc = WSAStartup(0x0101, &data);
    char text[64];
    if (rc == WSAVERNOTSUPPORTED) {
        std::snprintf(text, sizeof(text), "WINSOCK error: WSAVERNOTSUPPORTED");
    } else if (rc != 0) {
        // The startup data is not filled in then; report the error instead.
        std::snprintf(text, sizeof(text), "WINSOCK error: %d", rc);
    } else {
        std::snprintf(text, sizeof(text), "%d.%d", int(LOBYTE(data.wHighVersion)), int(HIBYTE(data.wHighVersion)));
    }
    // A startup that failed for another reason has nothing to end.
    if (rc == 0 || rc == WSAVERNOTSUPPORTED) WSACleanup();
    return text;
}

bool CPlatformInfo::KeepsWinsPerAdapter() {
    if (IsNT()) return true;
    return RasVersionKeepsWinsPerAdapter(GetRasVersion()) || WinsockVersionKeepsWinsPerAdapter(GetWinsockVersion());
}

bool CPlatformInfo::RasVersionKeepsWinsPerAdapter(const std::string& rasVersion) {
    const std::string last4 = rasVersion.size() > 4 ? rasVersion.substr(rasVersion.size() - 4) : rasVersion;
    return std::strcmp(last4.c_str(), "1903") >= 0;
}

bool CPlatformInfo::WinsockVersionKeepsWinsPerAdapter(const std::string& winsockVersion) {
    return std::strcmp(winsockVersion.c_str(), "2.2") >= 0;
}
