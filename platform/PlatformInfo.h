// The four platform facts the configuration objects decide their layout by.
// The probes read the platform on every call and keep nothing.
#pragma once

#include <windows.h>

#include <string>

class CPlatformInfo {
public:
    virtual ~CPlatformInfo() {}

    // True on the Windows NT family (NT 4.0, Windows 2000).
    bool IsNT();
    // 4 on NT 4.0, 5 on Windows 2000; 0 on Windows 95/98.
    DWORD GetNTMajorVersion();
    // "WinNT RAS" on NT; else the file version of the dial-up library as
    // "%d.%d.%d.%d", or "No DUN Version", "Error/DUN Version (#1)",
    // "Error/DUN Version (#2)".
    std::string GetRasVersion();
    // Highest supported Windows Sockets version as "%d.%d", or
    // "WINSOCK error: WSAVERNOTSUPPORTED".
    std::string GetWinsockVersion();

    // Whether WINS servers are kept per adapter rather than machine-wide:
    // always on NT; on Windows 95/98 with dial-up networking of build 1903
    // or later, or failing that with Winsock 2.2. The Winsock probe runs
    // only when the dial-up version does not decide.
    bool KeepsWinsPerAdapter();

    // The two byte-wise text comparisons behind it: the last four characters
    // of the dial-up version against "1903" (so "No DUN Version" counts as
    // new), the Winsock version against "2.2".
    static bool RasVersionKeepsWinsPerAdapter(const std::string& rasVersion);
    static bool WinsockVersionKeepsWinsPerAdapter(const std::string& winsockVersion);

private:
    bool QueryVersion(OSVERSIONINFOA& info);
};

