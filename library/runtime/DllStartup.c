/*
 * Orvane.dll's start-up, without a TLS directory.
 *
 * The mingw-w64 runtime starts a DLL in DllMainCRTStartup (dllcrt2.o): the
 * pseudo-relocations, the C initialisers and the DLL's atexit table, the C++
 * constructors (__main), then DllMain; on detach DllMain, then the atexit
 * table (the destructors, in reverse order). That stays as it is.
 *
 * What goes is the runtime's TLS support object (tlssup.o), which every
 * image it starts gets: an IMAGE_TLS_DIRECTORY with a .tls section and two
 * TLS callbacks. Windows 95 refuses LoadLibrary of a DLL with a TLS directory
 * (ERROR_DLL_INIT_FAILED), and Windows 98, NT 4.0 and 2000 load it without
 * setting static TLS up (Microsoft KB 118816). The library keeps no static
 * TLS; the runtime's per-thread data (exception state, thread_local objects)
 * lives in emulated TLS, on TlsAlloc.
 *
 * The callbacks did two things, and the DLL's entry point does them here:
 *  - __dyn_tls_init, on process attach and from DllMainCRTStartup, set
 *    _CRT_MT (already 2 in this runtime), ran the __declspec(thread)
 *    initialisers (GCC emits none) and, on process attach, started the
 *    bookkeeping of thread-key destructors (__mingw_TLScallback);
 *  - __dyn_tls_dtor, on thread and process detach, ran those destructors
 *    (they free a thread's emulated TLS) and, on process detach, released
 *    the bookkeeping.
 * The loader called the callbacks before the entry point; here the detach
 * work runs after DllMainCRTStartup, when neither DllMain nor a destructor
 * can touch the thread's data any more. Thread attach is left alone, as the
 * callbacks left it (__mingw_TLScallback would reset the caller's FPU).
 *
 * These are names of the mingw-w64 10 runtime (dllcrt2.o, tlsthrd.c); a
 * runtime that renames them fails the link, and one that brings tlssup.o
 * back fails scripts/check-dll.sh.
 */
#include <windows.h>

BOOL WINAPI DllMainCRTStartup(HANDLE module, DWORD reason, LPVOID reserved);
BOOL __mingw_TLScallback(HANDLE module, DWORD reason, LPVOID reserved);
BOOL WINAPI OrvaneDllStartup(HANDLE module, DWORD reason, LPVOID reserved);
extern const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback;

/* The hook DllMainCRTStartup calls for the __declspec(thread) initialisers;
 * defined here (empty) so that tlssup.o, which defines it too, stays out. */
const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = NULL;

/* The DLL's entry point (the link names it). */
BOOL WINAPI OrvaneDllStartup(HANDLE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) __mingw_TLScallback(module, DLL_PROCESS_ATTACH, reserved);
    const BOOL result = DllMainCRTStartup(module, reason, reserved);
    if (reason == DLL_THREAD_DETACH) {
        __mingw_TLScallback(module, DLL_THREAD_DETACH, reserved);
    } else if (reason == DLL_PROCESS_DETACH || (reason == DLL_PROCESS_ATTACH && !result)) {
        /* A failed attach gets no detach from the loader. */
        __mingw_TLScallback(module, DLL_PROCESS_DETACH, reserved);
    }
    return result;
}
