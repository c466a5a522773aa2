#include "Library.h"

#include <new>

#include "NetProtocols.h"
#include "NetworkAdapter/NetworkAdapter.h"
#include "TCPIPNetwork/TCPIPNetwork.h"
#include "WinNetwork/WinNetwork.h"

LibraryState g_library;

namespace {

// Each object is stored as soon as it exists, before the next is made. An
// object that cannot be made (no memory, or its constructor failed) leaves
// its pointer empty; the exports then answer as for a missing value.
template <typename T>
void Create(T*& slot) {
    try {
        slot = new (std::nothrow) T();
    } catch (...) {
        slot = nullptr;
    }
}

template <typename T>
void Destroy(T*& slot) {
    T* object = slot;
    slot = nullptr;
    delete object;
}

void AttachStep() {
    if (g_library.attachCount == 0) {
        Create(g_library.adapters);
        Create(g_library.tcpip);
        Create(g_library.identity);
        Create(g_library.protocols);
    }
    ++g_library.attachCount;
}

void DetachStep() {
    if (g_library.attachCount == 1) {
        Destroy(g_library.adapters);
        Destroy(g_library.tcpip);
        Destroy(g_library.identity);
        Destroy(g_library.protocols);
    }
    if (g_library.attachCount > 0) --g_library.attachCount;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    (void)module;
    (void)reserved;
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            AttachStep();
            break;
        case DLL_THREAD_ATTACH:
            ++g_library.announcedThreads;
            AttachStep();
            break;
        case DLL_PROCESS_DETACH:
            DetachStep();
            break;
        case DLL_THREAD_DETACH:
            if (g_library.announcedThreads > 0) {
                --g_library.announcedThreads;
                DetachStep();
            }
            break;
        default:
            break;
    }
    return TRUE;
}
