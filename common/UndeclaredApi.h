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
