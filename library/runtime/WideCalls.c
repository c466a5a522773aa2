/*
 * The compiler's runtime, on its Windows 95/98 paths, calls one
 * wide-character function those systems export only as a stub that fails
 * with ERROR_CALL_NOT_IMPLEMENTED: CreateSemaphoreW, with which libgcc's
 * Win32 thread model makes every mutex (the unwinder's list of registered
 * frames, the exception memory pool, emulated TLS). Those mutexes are made
 * at start-up and when an exception is first thrown.
 *
 * The runtime calls Win32 functions through import slots (__imp_Name). This
 * file defines the slot of CreateSemaphoreW, pointing at a function that
 * calls CreateSemaphoreA, which every target implements; the linker takes
 * it before KERNEL32's import library, so the DLL does not import the stub.
 * A call that bypassed the slot would pull KERNEL32's own slot in and fail
 * the link with a second definition; scripts/check-dll.sh rejects the
 * import in any case.
 */
#include <windows.h>

/* The runtime's semaphores have no name; a name is converted through the
 * ANSI code page, as the system would, and refused when it does not fit. */
static HANDLE WINAPI CreateSemaphoreAnsi(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum,
                                         LPCWSTR name) {
    char ansiName[MAX_PATH];
    if (name == NULL) return CreateSemaphoreA(attributes, initial, maximum, NULL);
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, ansiName, (int)sizeof ansiName, NULL, NULL) == 0) return NULL;
    return CreateSemaphoreA(attributes, initial, maximum, ansiName);
}

#if defined(_WIN64)
#define ORVANE_IMPORT_SLOT(function, argumentBytes) __asm__("__imp_" #function)
#else
#define ORVANE_IMPORT_SLOT(function, argumentBytes) __asm__("__imp__" #function "@" #argumentBytes)
#endif

/* Declared extern first: the slot must be a global symbol even where the
 * file were compiled as C++, which gives a const object internal linkage. */
extern HANDLE(WINAPI* const orvaneCreateSemaphoreWSlot)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR)
    ORVANE_IMPORT_SLOT(CreateSemaphoreW, 16);
HANDLE(WINAPI* const orvaneCreateSemaphoreWSlot)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR) = CreateSemaphoreAnsi;
