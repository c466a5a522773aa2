// Library-wide state: the attach count and the four global configuration
// objects every export works on.
#pragma once

#include <windows.h>

class CNetworkAdapter;
class CTCPIPNetwork;
class CWinNetwork;
class CNetProtocols;

struct LibraryState {
    LONG attachCount;
    CNetworkAdapter* adapters;
    CTCPIPNetwork* tcpip;
    CWinNetwork* identity;
    CNetProtocols* protocols;
    // Thread attaches not yet matched by a thread detach. A thread detach
    // beyond these comes from a thread that was running before the library
    // was loaded and never announced; it must not count down the objects.
    LONG announcedThreads;
};

// Zero-initialised at load.
extern LibraryState g_library;

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);
