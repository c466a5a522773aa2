/*
 * Orvane.h - the interface of Orvane.dll for host programs.
 *
 * Conventions of every export:
 *  - stdcall (WINAPI); on 32-bit Windows each is exported by its decorated
 *    name, _Name@N, where N is four times the number of arguments (every
 *    argument is 32 bits wide on the 32-bit product).
 *  - Results are INT: 1 for success, 0 for failure, unless the export
 *    returns a count or a flag. The setters of the NIC, TCP and WNET
 *    families return nothing; read the value back to learn the outcome.
 *  - Strings are 8-bit, NUL-terminated, in the system's ANSI code page.
 *  - A string getter takes a caller-owned buffer and its size in bytes as
 *    its last two arguments. It returns 0 and leaves the buffer untouched
 *    when the buffer is null, when there is no such string, or when the
 *    string and its NUL do not fit; otherwise it copies the string and its
 *    NUL (nothing after the NUL) and returns 1.
 *  - Setters only change the library's memory; each family is stored by
 *    its write export (SetNICWriteData, SetTCPWriteData, SetWNETWriteData).
 *
 * ORVANE_EXPORTS is the one list of the 87 exports: family, result type,
 * name, number of arguments and the parameters. The declarations below,
 * the module definition file and the export checks all follow from it.
 */
#ifndef ORVANE_H
#define ORVANE_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef ORVANE_API
#define ORVANE_API
#endif

/* clang-format off */
#define ORVANE_EXPORTS(X) \
    X(DLL,      INT,  GetDLLVersion,                2, (LPSTR buffer, DWORD size)) \
    X(DLL,      INT,  GetDLLCopyright,              2, (LPSTR buffer, DWORD size)) \
    \
    X(NIC,      INT,  GetNICCount,                  0, (void)) \
    X(NIC,      INT,  GetNICTCPIP,                  1, (DWORD adapter)) \
    X(NIC,      INT,  GetNICNETBEUI,                1, (DWORD adapter)) \
    X(NIC,      INT,  GetNICName,                   3, (DWORD adapter, LPSTR buffer, DWORD size)) \
    X(NIC,      INT,  GetNICIpAddressCount,         1, (DWORD adapter)) \
    X(NIC,      INT,  GetNICIpAddress,              4, (DWORD adapter, DWORD slot, LPSTR buffer, DWORD size)) \
    X(NIC,      INT,  GetNICIpMask,                 4, (DWORD adapter, DWORD slot, LPSTR buffer, DWORD size)) \
    X(NIC,      INT,  GetNICGatewayCount,           1, (DWORD adapter)) \
    X(NIC,      INT,  GetNICGateway,                4, (DWORD adapter, DWORD slot, LPSTR buffer, DWORD size)) \
    X(NIC,      INT,  GetNICDHCP,                   1, (DWORD adapter)) \
    X(NIC,      INT,  GetNICDHCPWINS,               1, (DWORD adapter)) \
    X(NIC,      INT,  GetNICAdapterWINS,            0, (void)) \
    X(NIC,      INT,  GetNICWINSEnable,             1, (DWORD adapter)) \
    X(NIC,      INT,  GetNICNameServer1,            3, (DWORD adapter, LPSTR buffer, DWORD size)) \
    X(NIC,      INT,  GetNICNameServer2,            3, (DWORD adapter, LPSTR buffer, DWORD size)) \
    X(NIC,      INT,  GetNICEnabled,                1, (DWORD adapter)) \
    X(NIC,      INT,  GetNICAdapterDNS,             0, (void)) \
    X(NIC,      INT,  GetNICDNSEnable,              1, (DWORD adapter)) \
    X(NIC,      INT,  GetNICDNSCount,               1, (DWORD adapter)) \
    X(NIC,      INT,  GetNICDNSNameServer,          4, (DWORD adapter, DWORD slot, LPSTR buffer, DWORD size)) \
    X(NIC,      INT,  GetNICWriteNeeded,            0, (void)) \
    X(NIC,      INT,  GetNICRebootNeeded,           1, (LPDWORD reason)) \
    X(NIC,      void, SetNICIpAddress,              3, (DWORD adapter, DWORD slot, LPCSTR text)) \
    X(NIC,      void, SetNICIpMask,                 3, (DWORD adapter, DWORD slot, LPCSTR text)) \
    X(NIC,      void, SetNICGateway,                3, (DWORD adapter, DWORD slot, LPCSTR text)) \
    X(NIC,      void, SetNICNameServer1,            2, (DWORD adapter, LPCSTR text)) \
    X(NIC,      void, SetNICNameServer2,            2, (DWORD adapter, LPCSTR text)) \
    X(NIC,      void, SetNICWINSEnable,             2, (DWORD adapter, DWORD on)) \
    X(NIC,      void, SetNICDHCPWINS,               2, (DWORD adapter, DWORD value)) \
    X(NIC,      void, SetNICEnabled,                2, (DWORD adapter, DWORD value)) \
    X(NIC,      void, SetNICDHCP,                   1, (DWORD adapter)) \
    X(NIC,      void, SetNICDNSEnable,              2, (DWORD adapter, DWORD on)) \
    X(NIC,      void, SetNICDNSNameServer,          3, (DWORD adapter, DWORD slot, LPCSTR text)) \
    X(NIC,      INT,  SetNICWriteData,              0, (void)) \
    \
    X(TCP,      INT,  GetTCPProtocolWINS,           0, (void)) \
    X(TCP,      INT,  GetTCPProtocolDNS,            0, (void)) \
    X(TCP,      INT,  GetTCPDHCPWINS,               0, (void)) \
    X(TCP,      INT,  GetTCPWriteNeeded,            0, (void)) \
    X(TCP,      INT,  GetTCPHostName,               2, (LPSTR buffer, DWORD size)) \
    X(TCP,      INT,  GetTCPDomainName,             2, (LPSTR buffer, DWORD size)) \
    X(TCP,      INT,  GetTCPDNSEnable,              0, (void)) \
    X(TCP,      INT,  GetTCPLMHostFile,             2, (LPSTR buffer, DWORD size)) \
    X(TCP,      INT,  GetTCPDNSServerCount,         0, (void)) \
    X(TCP,      INT,  GetTCPDNSServer,              3, (DWORD index, LPSTR buffer, DWORD size)) \
    X(TCP,      INT,  GetTCPWINSEnable,             0, (void)) \
    X(TCP,      INT,  GetTCPNameServer1,            2, (LPSTR buffer, DWORD size)) \
    X(TCP,      INT,  GetTCPNameServer2,            2, (LPSTR buffer, DWORD size)) \
    X(TCP,      INT,  GetTCPScopeID,                2, (LPSTR buffer, DWORD size)) \
    X(TCP,      INT,  GetTCPSearchListCount,        0, (void)) \
    X(TCP,      INT,  GetTCPSearchList,             3, (DWORD index, LPSTR buffer, DWORD size)) \
    X(TCP,      void, SetTCPHostName,               1, (LPCSTR text)) \
    X(TCP,      void, SetTCPDomainName,             1, (LPCSTR text)) \
    X(TCP,      void, SetTCPLMHostFile,             1, (LPCSTR text)) \
    X(TCP,      void, SetTCPDNSEnable,              1, (DWORD on)) \
    X(TCP,      void, SetTCPDNSServer,              2, (DWORD index, LPCSTR text)) \
    X(TCP,      void, SetTCPNameServer1,            1, (LPCSTR text)) \
    X(TCP,      void, SetTCPNameServer2,            1, (LPCSTR text)) \
    X(TCP,      void, SetTCPScopeID,                1, (LPCSTR text)) \
    X(TCP,      void, SetTCPSearchList,             2, (DWORD index, LPCSTR text)) \
    X(TCP,      void, SetTCPWINSEnable,             1, (DWORD on)) \
    X(TCP,      void, SetTCPDHCPWINS,               1, (DWORD value)) \
    X(TCP,      INT,  SetTCPWriteData,              0, (void)) \
    \
    X(WNET,     INT,  GetWNETComputerName,          2, (LPSTR buffer, DWORD size)) \
    X(WNET,     INT,  GetWNETComputerWorkgroup,     2, (LPSTR buffer, DWORD size)) \
    X(WNET,     INT,  GetWNETComputerComment,       2, (LPSTR buffer, DWORD size)) \
    X(WNET,     INT,  GetWNETNTLogon,               0, (void)) \
    X(WNET,     INT,  GetWNETNTLogonDomain,         2, (LPSTR buffer, DWORD size)) \
    X(WNET,     INT,  GetWNETQuickLogon,            0, (void)) \
    X(WNET,     INT,  GetWNETDefaultLogon,          2, (LPSTR buffer, DWORD size)) \
    X(WNET,     INT,  GetWNETLogonCount,            0, (void)) \
    X(WNET,     INT,  GetWNETLogonName,             3, (DWORD index, LPSTR buffer, DWORD size)) \
    X(WNET,     INT,  GetWNETWriteNeeded,           0, (void)) \
    X(WNET,     void, SetWNETComputerName,          1, (LPCSTR text)) \
    X(WNET,     void, SetWNETComputerWorkgroup,     1, (LPCSTR text)) \
    X(WNET,     void, SetWNETComputerComment,       1, (LPCSTR text)) \
    X(WNET,     void, SetWNETNTLogon,               1, (DWORD value)) \
    X(WNET,     void, SetWNETNTLogonDomain,         1, (LPCSTR text)) \
    X(WNET,     void, SetWNETQuickLogon,            1, (DWORD value)) \
    X(WNET,     void, SetWNETDefaultLogon,          1, (LPCSTR text)) \
    X(WNET,     INT,  SetWNETWriteData,             0, (void)) \
    \
    X(Protocol, INT,  SetProtocolInstall,           2, (DWORD adapter, DWORD protocols)) \
    X(Protocol, INT,  SetProtocolUninstall,         2, (DWORD adapter, DWORD protocols)) \
    X(Protocol, INT,  SetProtocolServiceBindings,   3, (DWORD adapter, DWORD protocols, DWORD services)) \
    X(Protocol, INT,  SetProtocolServiceUnbindings, 3, (DWORD adapter, DWORD protocols, DWORD services)) \
    X(Protocol, INT,  GetProtocolServiceBinding,    3, (DWORD adapter, DWORD protocol, DWORD service))
/* clang-format on */

#define ORVANE_DECLARE_EXPORT(family, result, name, argc, params) ORVANE_API result WINAPI name params;
ORVANE_EXPORTS(ORVANE_DECLARE_EXPORT)
#undef ORVANE_DECLARE_EXPORT

/* Selectors of the protocol exports. */
#define ORVANE_PROTOCOL_TCPIP 1
#define ORVANE_PROTOCOL_NETBEUI 2
#define ORVANE_SERVICE_FILE_SHARING 1
#define ORVANE_SERVICE_CLIENT 2

/* Bits of the reason reported by GetNICRebootNeeded. */
#define ORVANE_CHANGE_ENABLED 1
#define ORVANE_CHANGE_IP_ADDRESS 2
#define ORVANE_CHANGE_IP_MASK 4
#define ORVANE_CHANGE_GATEWAY 8
#define ORVANE_CHANGE_WINS 16
#define ORVANE_CHANGE_NODE_TYPE 64

#ifdef __cplusplus
}
#endif

#endif /* ORVANE_H */
