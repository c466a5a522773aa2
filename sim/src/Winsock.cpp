// WSOCK32 of the simulated machine: startup with a chosen highest version
// or error, and inet_addr.
#include <winsock.h>

#include <cstring>

#include "State.h"
#include "sim/control.h"
#include "Lock.h"

namespace {

struct WinsockState {
    WORD high = 0x0202;
    int error = 0;
    int startups = 0;
};

WinsockState& W() {
    static WinsockState state;
    return state;
}

}  // namespace

namespace sim {

void SetWinsockHighVersion(WORD version) {
    const sim::Locked locked;
    W().high = version;
}
void SetWinsockStartupError(int error) {
    const sim::Locked locked;
    W().error = error;
}
int WinsockOpenStartups() {
    const sim::Locked locked;
    return W().startups;
}
void ResetWinsock() { W() = WinsockState{}; }

}  // namespace sim

extern "C" {

int WINAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
    const sim::Locked locked;
    if (!lpWSAData) return WSAEFAULT;
    if (W().error) return W().error;
    const WORD high = W().high;
    // The version used is the lower of the one asked for and the highest.
    const auto order = [](WORD v) { return (LOBYTE(v) << 8) | HIBYTE(v); };
    if (LOBYTE(wVersionRequested) == 0) return WSAVERNOTSUPPORTED;
    std::memset(lpWSAData, 0, sizeof(WSADATA));
    lpWSAData->wVersion = order(wVersionRequested) < order(high) ? wVersionRequested : high;
    lpWSAData->wHighVersion = high;
    std::strcpy(lpWSAData->szDescription, "Orvane simulated Winsock");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    ++W().startups;
    return 0;
}

int WINAPI WSACleanup(void) {
    const sim::Locked locked;
    if (W().startups == 0) return -1;
    --W().startups;
    return 0;
}

ULONG WINAPI inet_addr(const char* cp) {
    if (!cp) return INADDR_NONE;
    // Dotted decimal, one to four parts, as the classic resolver accepts.
    DWORD parts[4] = {0, 0, 0, 0};
    int n = 0;
    const char* p = cp;
    while (*p == ' ') ++p;
    if (!*p) return INADDR_NONE;
    for (;;) {
        if (*p < '0' || *p > '9') return INADDR_NONE;
        unsigned long long v = 0;
        while (*p >= '0' && *p <= '9') {
            v = v * 10 + unsigned(*p - '0');
            if (v > 0xFFFFFFFFull) return INADDR_NONE;
            ++p;
        }
        if (n == 4) return INADDR_NONE;
        parts[n++] = static_cast<DWORD>(v);
        if (*p == '.') {
            ++p;
            continue;
        }
        if (*p == '\0' || *p == ' ') break;
        return INADDR_NONE;
    }
    DWORD host = 0;
    switch (n) {
        case 1: host = parts[0]; break;
        case 2:
            if (parts[0] > 255 || parts[1] > 0xFFFFFF) return INADDR_NONE;
            host = (parts[0] << 24) | parts[1];
            break;
        case 3:
            if (parts[0] > 255 || parts[1] > 255 || parts[2] > 0xFFFF) return INADDR_NONE;
            host = (parts[0] << 24) | (parts[1] << 16) | parts[2];
            break;
        default:
            for (int i = 0; i < 4; ++i)
                if (parts[i] > 255) return INADDR_NONE;
            host = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
    }
    // Network byte order, as stored in memory on a little-endian machine.
    return ((host & 0xFF) << 24) | ((host & 0xFF00) << 8) | ((host >> 8) & 0xFF00) | (host >> 24);
}

}  // extern "C"
