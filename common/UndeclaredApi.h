// Platform functions that the SDK headers do not declare, declared here from
// their published signatures. Nothing calls them by these names and nothing
// defines them: they only give ORVANE_RUNTIME_FUNCTION_IN the type of the
// pointer GetProcAddress answers. Each library has a namespace of its own,
// since two libraries may export different functions under one name
// (svrapi.dll and netapi32.dll both have a NetShareEnum).
#pragma once

#include <windows.h>

// DHCPCSVC.DLL, the DHCP client service of Windows NT.
namespace dhcpcsvc {

// Tells the DHCP client that an adapter's address changed. dhcpAction: 0
// leaves the adapter's DHCP setting alone, 1 enables DHCP, 2 disables it.
// 0 when the client accepted the notification.
DWORD WINAPI DhcpNotifyConfigChange(LPWSTR serverName, LPWSTR adapterName, BOOL isNewIpAddress, DWORD ipIndex,
                                    DWORD ipAddress, DWORD subnetMask, int dhcpAction);

}  // namespace dhcpcsvc

// svrapi.dll, the server functions of Windows 95/98 (svrapi.h). Results are
// NERR_ codes, 0 on success.
namespace svrapi {

// A disk or printer share, level 50; byte-packed as in svrapi.h, so 42
// bytes in 32-bit code and 50 in 64-bit code.
#pragma pack(push, 1)
struct share_info_50 {
    char shi50_netname[13];
    unsigned char shi50_type;
    unsigned short shi50_flags;
    char* shi50_remark;
    char* shi50_path;
    char shi50_rw_password[9];
    char shi50_ro_password[9];
};
#pragma pack(pop)

unsigned WINAPI NetShareEnum(const char* server, short level, char* buffer, unsigned short bufferSize,
                             unsigned short* entriesRead, unsigned short* totalAvailable);
unsigned WINAPI NetShareAdd(const char* server, short level, const char* buffer, unsigned short bufferSize);
unsigned WINAPI NetShareDel(const char* server, const char* netName, unsigned short reserved);

}  // namespace svrapi
