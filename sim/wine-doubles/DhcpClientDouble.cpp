// A stand-in for the DHCP client library (dhcpcsvc.dll) for the Wine runs,
// where Wine's own DhcpNotifyConfigChange aborts the process. Placed next to
// the host, it is found before the system's; it records every call to
// "orvane-doubles.log" in the current directory, in the form the scenario
// files use, and answers success.
#include <windows.h>

#include <cstdio>

namespace {

void Dotted(DWORD networkOrder, char* out, size_t size) {
    const BYTE* b = reinterpret_cast<const BYTE*>(&networkOrder);
    std::snprintf(out, size, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

}  // namespace

extern "C" DWORD WINAPI DhcpNotifyConfigChange(LPWSTR serverName, LPWSTR adapterName, BOOL isNewIpAddress,
                                               DWORD ipIndex, DWORD ipAddress, DWORD subnetMask, int dhcpAction) {
    char adapter[256] = "";
    if (adapterName) {
        WideCharToMultiByte(CP_ACP, 0, adapterName, -1, adapter, sizeof adapter, nullptr, nullptr);
    }
    char ip[16], mask[16];
    Dotted(ipAddress, ip, sizeof ip);
    Dotted(subnetMask, mask, sizeof mask);
    if (FILE* log = std::fopen("orvane-doubles.log", "ab")) {
        std::fprintf(log, "dhcp %sadapter=%s new=%d index=%lu ip=%s mask=%s action=%d\n",
                     serverName ? "server=set " : "", adapter, isNewIpAddress ? 1 : 0,
                     static_cast<unsigned long>(ipIndex), ip, mask, dhcpAction);
        std::fclose(log);
    }
    return 0;
}
