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

private:
    bool QueryVersion(OSVERSIONINFOA& info);
};

// The byte-wise text comparison both adapter and TCP/IP objects use to
// decide whether WINS servers are kept per adapter on Windows 95/98: the
// last four characters of the dial-up version against "1903", and failing
// that the Winsock version against "2.2".
bool RasVersionKeepsWinsPerAdapter(const std::string& rasVersion);
bool WinsockVersionKeepsWinsPerAdapter(const std::string& winsockVersion);
