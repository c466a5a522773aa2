// The small check harness of the programs that run both natively against the
// simulated platform and as Windows programs under Wine (the conformance
// checks, the domain probe): plain C++ with no test framework, so the same
// file builds with mingw-w64. Each program is one translation unit.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#ifdef ORVANE_SIM
#include "sim/control.h"
#endif

inline int g_checks = 0;
inline int g_failures = 0;
inline int g_differences = 0;  // checks where Wine is known to answer otherwise than Windows
inline bool g_wine = false;
inline const char* g_case = "";

#define CHECK(cond)                                                                                     \
    do {                                                                                                \
        ++g_checks;                                                                                     \
        if (!(cond)) {                                                                                  \
            ++g_failures;                                                                               \
            std::printf("FAIL %s:%d [%s] %s\n", __FILE__, __LINE__, g_case, #cond);                     \
        }                                                                                               \
    } while (0)

#define CHECK_EQ(a, b)                                                                                  \
    do {                                                                                                \
        ++g_checks;                                                                                     \
        const long long va_ = static_cast<long long>(a), vb_ = static_cast<long long>(b);               \
        if (va_ != vb_) {                                                                               \
            ++g_failures;                                                                               \
            std::printf("FAIL %s:%d [%s] %s == %s (%lld != %lld)\n", __FILE__, __LINE__, g_case, #a, #b, \
                        va_, vb_);                                                                      \
        }                                                                                               \
    } while (0)

#define CHECK_TEXT(a, b)                                                                                \
    do {                                                                                                \
        ++g_checks;                                                                                     \
        const std::string va_ = (a), vb_ = (b);                                                         \
        if (va_ != vb_) {                                                                               \
            ++g_failures;                                                                               \
            std::printf("FAIL %s:%d [%s] %s: \"%s\" != \"%s\"\n", __FILE__, __LINE__, g_case, #a,       \
                        va_.c_str(), vb_.c_str());                                                      \
        }                                                                                               \
    } while (0)

// `cond` holds, its call made with the last error set to a value no call
// gives, and the call left `error` as the last error.
#define CHECK_LAST_ERROR(cond, error)                                                                   \
    do {                                                                                                \
        SetLastError(0xdeadbeef);                                                                       \
        CHECK(cond);                                                                                    \
        CHECK_EQ(GetLastError(), error);                                                                \
    } while (0)

// Windows is documented to answer `windows`; Wine answers `wine`.
#define CHECK_DIFF(a, windows, wine, note)                                                              \
    do {                                                                                                \
        if (g_wine) {                                                                                   \
            ++g_differences;                                                                            \
            std::printf("wine differs [%s]: %s\n", g_case, note);                                       \
            CHECK_EQ(a, wine);                                                                          \
        } else {                                                                                        \
            CHECK_EQ(a, windows);                                                                       \
        }                                                                                               \
    } while (0)

// The last line of every run, and the program's exit status.
inline int CheckReport() {
    std::printf("%d checks, %d failed", g_checks, g_failures);
    if (g_differences > 0) std::printf(", %d named Wine differences", g_differences);
    std::printf("\n");
    return g_failures == 0 ? 0 : 1;
}

// Natively, the simulated platform in the mode the program's argument names
// (`mode` without one; `modes` lists those the program checks); false, the
// usage printed, for any other. Under Windows the mode is the program's own.
inline bool StartSim(int argc, char** argv, const char* mode, const char* modes) {
#ifdef ORVANE_SIM
    sim::Reset();
    sim::Platform platform = sim::Platform::Win98;
    const std::string named = argc > 1 ? argv[1] : mode;
    if (!sim::ParsePlatform(named, &platform) || !std::strstr(modes, named.c_str())) {
        std::printf("usage: %s [%s]\n", argv[0], modes);
        return false;
    }
    sim::SetPlatform(platform);
#else
    (void)argc, (void)argv, (void)mode, (void)modes;
#endif
    return true;
}

// The platform the program runs on, the first line of its log; under Wine,
// g_wine set.
inline OSVERSIONINFOA StartRun() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
#ifndef ORVANE_SIM
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    g_wine = ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#endif
    std::printf("platform %lu, version %lu.%lu%s\n", static_cast<unsigned long>(info.dwPlatformId),
                static_cast<unsigned long>(info.dwMajorVersion), static_cast<unsigned long>(info.dwMinorVersion),
                g_wine ? ", under Wine" : "");
    return info;
}

// Removes a test tree bottom-up (NT refuses keys that still have subkeys).
inline void DeleteTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char name[256];
    while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) DeleteTree(key, name);
    RegCloseKey(key);
    RegDeleteKeyA(root, path.c_str());
}
