// A stand-in for the Winsock 1.1 library (wsock32.dll) for the Wine runs,
// where Winsock reports version 2.2 in every mode. The environment
// variable ORVANE_WINSOCK_VERSION ("1.1") sets the highest version
// WSAStartup reports; without it every call is Wine's own. The real work
// is done by Wine's ws2_32.dll.
#include <winsock2.h>

#include <cstdio>
#include <cstdlib>

namespace {

template <typename Fn>
Fn Real(const char* name) {
    static HMODULE ws2 = LoadLibraryA("ws2_32.dll");
    return ws2 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(ws2, name))) : nullptr;
}

// MAKEWORD(major, minor) of the configured version; 0 when none is set.
WORD ConfiguredHighVersion() {
    const char* text = std::getenv("ORVANE_WINSOCK_VERSION");
    unsigned major = 0, minor = 0;
    char extra = 0;
    if (!text || std::sscanf(text, "%u.%u%c", &major, &minor, &extra) != 2 || major > 255 || minor > 255) return 0;
    return MAKEWORD(major, minor);
}

unsigned Order(WORD version) { return (unsigned(LOBYTE(version)) << 8) | HIBYTE(version); }

}  // namespace

extern "C" int WINAPI DoubleWSAStartup(WORD requested, LPWSADATA data) {
    auto real = Real<int(WINAPI*)(WORD, LPWSADATA)>("WSAStartup");
    if (!real) return WSASYSNOTREADY;
    const int rc = real(requested, data);
    const WORD high = ConfiguredHighVersion();
    if (rc == 0 && data && high) {
        // The version in use is the lower of the one asked for and the highest.
        data->wHighVersion = high;
        data->wVersion = Order(requested) < Order(high) ? requested : high;
    }
    return rc;
}

extern "C" int WINAPI DoubleWSACleanup() {
    auto real = Real<int(WINAPI*)()>("WSACleanup");
    return real ? real() : SOCKET_ERROR;
}

extern "C" unsigned long WINAPI DoubleInetAddr(const char* text) {
    auto real = Real<unsigned long(WINAPI*)(const char*)>("inet_addr");
    return real ? real(text) : INADDR_NONE;
}
