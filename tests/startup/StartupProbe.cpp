// A DLL started exactly as Orvane.dll is (cmake/OrvaneWindowsRuntime.cmake),
// which tells its host what the start-up did and in which order: static
// constructors and destructors, the DllMain reasons, a thread_local object's
// destructor (run by the thread-key bookkeeping the runtime's TLS callbacks
// used to drive), an exception thrown and caught on another thread, and the
// runtime's semaphores made through the ANSI binding.
#include <windows.h>

#include <stdexcept>
#include <string>

namespace {

// The host exports StartupRecord; looked up on every event so that nothing
// here depends on the order of the DLL's own initialisation.
void Note(const char* event) {
    using Record = void(__cdecl*)(const char*);
    const auto record =
        reinterpret_cast<Record>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), "StartupRecord")));
    if (record) record(event);
}

struct Global {
    const char* destroyed;
    Global(const char* constructed, const char* destroyedEvent) : destroyed(destroyedEvent) { Note(constructed); }
    ~Global() { Note(destroyed); }
};

Global first("static ctor 1", "static dtor 1");
Global second("static ctor 2", "static dtor 2");

struct PerThread {
    int uses = 0;
    PerThread() { Note("thread_local ctor"); }
    ~PerThread() { Note("thread_local dtor"); }
};

thread_local PerThread perThread;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    static const char* const names[] = {"DLL_PROCESS_DETACH", "DLL_PROCESS_ATTACH", "DLL_THREAD_ATTACH",
                                        "DLL_THREAD_DETACH"};
    Note(reason < 4 ? names[reason] : "DllMain: unknown reason");
    return TRUE;
}

// Run on a thread of the host's: makes this thread's thread_local object and
// throws through the unwinder, whose state lives in emulated TLS.
extern "C" __declspec(dllexport) int ProbeThreadWork() {
    ++perThread.uses;
    try {
        throw std::runtime_error("probe");
    } catch (const std::exception& e) {
        if (std::string(e.what()) == "probe") Note("exception caught");
    }
    return perThread.uses;
}

// CreateSemaphoreW through the DLL's import slot, which the ANSI binding
// fills: an unnamed semaphore, a named one that CreateSemaphoreA's
// namespace then finds, and a name too long for the conversion. Answers a
// bit per failed step (0: all as expected).
extern "C" __declspec(dllexport) int ProbeWideSemaphore() {
    int failed = 0;
    HANDLE unnamed = CreateSemaphoreW(nullptr, 0, 1, nullptr);
    if (!unnamed) failed |= 1;
    WCHAR name[64];
    MultiByteToWideChar(CP_ACP, 0, "OrvaneStartupProbe", -1, name, 64);
    HANDLE named = CreateSemaphoreW(nullptr, 0, 1, name);
    HANDLE opened = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "OrvaneStartupProbe");
    if (!named || !opened) failed |= 2;
    static WCHAR longName[MAX_PATH + 2];
    for (int i = 0; i < MAX_PATH + 1; ++i) longName[i] = 'x';
    SetLastError(0);
    HANDLE tooLong = CreateSemaphoreW(nullptr, 0, 1, longName);
    if (tooLong || GetLastError() != ERROR_INSUFFICIENT_BUFFER) failed |= 4;
    for (HANDLE h : {unnamed, named, opened, tooLong}) {
        if (h) CloseHandle(h);
    }
    return failed;
}
