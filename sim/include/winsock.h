// The Windows Sockets 1.1 subset Orvane uses (startup, cleanup, inet_addr),
// for native builds on the simulated platform.
#pragma once

#include <windows.h>

// inet_addr answers a 32-bit ULONG; glibc already owns the name u_long.

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

// The 32-bit layout of WSADATA; the library reads only the version fields.
typedef struct WSAData {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
} WSADATA, *LPWSADATA;

#define WSABASEERR 10000
#define WSAEFAULT (WSABASEERR + 14)
#define WSAEINVAL (WSABASEERR + 22)
#define WSAEPROCLIM (WSABASEERR + 67)
#define WSASYSNOTREADY (WSABASEERR + 91)
#define WSAVERNOTSUPPORTED (WSABASEERR + 92)
#define WSANOTINITIALISED (WSABASEERR + 93)

#define INADDR_NONE 0xffffffffU
#define INADDR_ANY 0x00000000U

extern "C" {
int WINAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
int WINAPI WSACleanup(void);
ULONG WINAPI inet_addr(const char* cp);
}
