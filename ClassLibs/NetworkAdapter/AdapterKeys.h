// Registry key paths of the adapter layouts, below HKEY_LOCAL_MACHINE. One
// list for discovery and write-back, so what is written is where it is read.
#pragma once

namespace adapter_keys {

// Windows 95/98.
inline constexpr char kNetworkEnum[] = "Enum\\Network\\";
inline constexpr char kClassKey[] = "System\\CurrentControlSet\\Services\\Class\\";
inline constexpr char kMstcpKey[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";

// Windows NT 4.0 and 2000.
inline constexpr char kNetworkCards[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
inline constexpr char kNetworkCard[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCard";
inline constexpr char kServices[] = "System\\CurrentControlSet\\Services\\";
inline constexpr char kServicesUpper[] = "SYSTEM\\CurrentControlSet\\Services\\";
inline constexpr char kTcpipAdapters[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters\\";
inline constexpr char kTcpipInterfaces[] = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
inline constexpr char kNbfLinkage[] = "System\\CurrentControlSet\\Services\\Nbf\\Linkage";
inline constexpr char kNetBTAdapters[] = "System\\CurrentControlSet\\Services\\NetBT\\Adapters\\";
inline constexpr char kNetBTInterfaces[] = "System\\CurrentControlSet\\Services\\NetBT\\Parameters\\Interfaces\\Tcpip_";
inline constexpr char kDhcpService[] = "System\\CurrentControlSet\\Services\\DHCP";

}  // namespace adapter_keys
