// Loads the start-up probe DLL, runs one thread through it, unloads it, and
// checks the events the probe reported, in order: those of the loading
// thread and those of the worker thread (events of threads Wine starts on
// its own are left out). Exit status 0 when everything happened as the
// start-up promises.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Event {
    DWORD thread;
    char text[48];
};

Event g_events[64];
volatile LONG g_count = 0;

DWORD WINAPI Worker(LPVOID work) {
    const auto probe = reinterpret_cast<int (*)()>(work);
    return static_cast<DWORD>(probe());
}

bool Expect(const char* what, const std::vector<std::string>& got, const std::vector<std::string>& want) {
    const bool same = got == want;
    std::printf("%s %s:", same ? "ok  " : "FAIL", what);
    for (const auto& e : got) std::printf(" [%s]", e.c_str());
    std::printf("\n");
    if (!same) {
        std::printf("     expected:");
        for (const auto& e : want) std::printf(" [%s]", e.c_str());
        std::printf("\n");
    }
    return same;
}

}  // namespace

extern "C" __declspec(dllexport) void __cdecl StartupRecord(const char* text) {
    const LONG i = InterlockedIncrement(&g_count) - 1;
    if (i < 0 || i >= 64) return;
    g_events[i].thread = GetCurrentThreadId();
    lstrcpynA(g_events[i].text, text, sizeof g_events[i].text);
}

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    const char* file = argc > 1 ? argv[1] : "startup_probe.dll";
    HMODULE probe = LoadLibraryA(file);
    if (!probe) {
        std::printf("FAIL cannot load %s (error %lu)\n", file, GetLastError());
        return 1;
    }
    const auto work = reinterpret_cast<void*>(GetProcAddress(probe, "ProbeThreadWork"));
    const auto wide = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeWideSemaphore")));
    if (!work || !wide) {
        std::printf("FAIL %s lacks the probe exports\n", file);
        return 1;
    }
    DWORD workerId = 0;
    DWORD workerResult = 0;
    HANDLE worker = CreateThread(nullptr, 0, Worker, work, 0, &workerId);
    if (!worker || WaitForSingleObject(worker, 10000) != WAIT_OBJECT_0 || !GetExitCodeThread(worker, &workerResult)) {
        std::printf("FAIL the worker thread did not finish\n");
        return 1;
    }
    CloseHandle(worker);
    const int wideFailures = wide();
    FreeLibrary(probe);

    std::vector<std::string> loader, thread;
    const LONG count = g_count < 64 ? g_count : 64;
    for (LONG i = 0; i < count; ++i) {
        if (g_events[i].thread == GetCurrentThreadId()) loader.push_back(g_events[i].text);
        if (g_events[i].thread == workerId) thread.push_back(g_events[i].text);
    }
    bool ok = true;
    ok &= Expect("loading thread", loader,
                 {"static ctor 1", "static ctor 2", "DLL_PROCESS_ATTACH", "DLL_PROCESS_DETACH", "static dtor 2",
                  "static dtor 1"});
    // The thread-key destructors run after DllMain has seen the detach.
    ok &= Expect("worker thread", thread,
                 {"DLL_THREAD_ATTACH", "thread_local ctor", "exception caught", "DLL_THREAD_DETACH",
                  "thread_local dtor"});
    std::printf("%s worker result %lu (expected 1)\n", workerResult == 1 ? "ok  " : "FAIL", workerResult);
    ok &= workerResult == 1;
    std::printf("%s CreateSemaphoreW through the ANSI binding (failed steps mask %d)\n", wideFailures == 0 ? "ok  " : "FAIL",
                wideFailures);
    ok &= wideFailures == 0;
    std::printf("%s\n", ok ? "startup: passed" : "startup: FAILED");
    return ok ? 0 : 1;
}
