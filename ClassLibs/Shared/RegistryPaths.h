// Registry key paths below HKEY_LOCAL_MACHINE that the configuration
// classes read and write, in one list so that what one class writes is
// where another reads it. Spelled as the systems spell them ("System" and
// "SYSTEM" both occur).
#pragma once

namespace reg_paths {

// ---- Windows 95/98 ----
// TCP/IP of the whole machine: the global DNS and WINS values and the
// NetBIOS scope, which also decides whether adapters take WINS from DHCP.
inline constexpr char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
// Network components by binding name (MSTCP\0000), each naming its driver class key.
inline constexpr char kNetworkEnum[] = "Enum\\Network\\";
// Driver class keys (NetTrans\0000), below which each protocol instance keeps its settings.
inline constexpr char kClass[] = "System\\CurrentControlSet\\Services\\Class\\";

// The networking identity: computer name, workgroup and comment; logon
// options; the network clients and the primary logon.
inline constexpr char kVnetsup[] = "System\\CurrentControlSet\\Services\\VxD\\VNETSUP";
inline constexpr char kNetworkLogon[] = "Network\\Logon";
inline constexpr char kMsnpProvider[] = "System\\CurrentControlSet\\Services\\MSNP32\\NetworkProvider";
inline constexpr char kNetworkPolicies[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Network";
inline constexpr char kNetClientClass[] = "System\\CurrentControlSet\\Services\\Class\\NetClient";
inline constexpr char kRealModeNet[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\Real Mode Net";
// Below HKEY_CURRENT_USER: one key per drive letter of a persistent connection.
inline constexpr char kPersistentWin9x[] = "Network\\Persistent\\";
inline constexpr char kPersistentNT[] = "Network\\";

// ---- Windows NT 4.0 and 2000 ----
inline constexpr char kNetworkCards[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
// The name some Windows 2000 installations use instead.
inline constexpr char kNetworkCard[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCard";
inline constexpr char kServices[] = "System\\CurrentControlSet\\Services\\";
inline constexpr char kServicesUpper[] = "SYSTEM\\CurrentControlSet\\Services\\";
// TCP/IP of the whole machine.
inline constexpr char kTcpipParameters[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
inline constexpr char kTcpipAdapters[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters\\";
inline constexpr char kTcpipInterfaces[] = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
// NetBIOS over TCP/IP: the machine's scope, and the WINS servers per adapter.
inline constexpr char kNetBTParameters[] = "System\\CurrentControlSet\\Services\\NetBT\\Parameters";
inline constexpr char kNetBTAdapters[] = "System\\CurrentControlSet\\Services\\NetBT\\Adapters\\";
inline constexpr char kNetBTInterfaces[] = "System\\CurrentControlSet\\Services\\NetBT\\Parameters\\Interfaces\\Tcpip_";
inline constexpr char kNbfLinkage[] = "System\\CurrentControlSet\\Services\\Nbf\\Linkage";
inline constexpr char kDhcpService[] = "System\\CurrentControlSet\\Services\\DHCP";

}  // namespace reg_paths
