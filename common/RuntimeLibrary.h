// Optional platform functions, looked up at run time: a library loaded by
// name (LoadLibraryA) and functions found in it by name (GetProcAddress).
// The type of each function comes from its declaration, so a call with the
// wrong arguments, or a declaration that disagrees with the pointer it is
// stored in, does not compile. The library is released (FreeLibrary) when
// its object goes.
//
// A class that needs a set of such functions holds one RuntimeLibrary per
// file and one RuntimeFunction per function, and keeps a single flag of
// whether everything was found:
//
//     orvane::RuntimeLibrary m_netapi{"NetApi32.Dll"};
//     orvane::RuntimeLibrary m_advapi{"AdvApi32.Dll"};
//     ORVANE_RUNTIME_FUNCTION(NetUserAdd);
//     ORVANE_RUNTIME_FUNCTION(LsaOpenPolicy);
//     ...
//     Loaded = m_netapi.Find(NetUserAdd, ...) && m_advapi.Find(LsaOpenPolicy, ...);
//
// and then calls NetUserAdd(...) as if it were the platform function, only
// while Loaded holds. Functions the SDK headers do not declare are declared
// in UndeclaredApi.h and named with ORVANE_RUNTIME_FUNCTION_IN.
#pragma once

#include <windows.h>

#include "UniqueHandle.h"

namespace orvane {

// A function pointer of the declared type, null until found.
template <typename Fn>
class RuntimeFunction {
public:
    explicit RuntimeFunction(const char* exportName) : m_name(exportName), m_fn(nullptr) {}

    const char* Name() const { return m_name; }
    bool Found() const { return m_fn != nullptr; }
    Fn Get() const { return m_fn; }
    // Lets the object be called like the function itself.
    operator Fn() const { return m_fn; }

    // Takes what GetProcAddress answered for Name(); null when it was not found.
    void Assign(FARPROC address) { m_fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(address)); }

private:
    const char* m_name;
    Fn m_fn;
};

class RuntimeLibrary {
public:
    // Loads the library; IsLoaded() tells whether that worked.
    explicit RuntimeLibrary(const char* fileName) : m_module(LoadLibraryA(fileName)), m_allFound(m_module.IsValid()) {}

    RuntimeLibrary(const RuntimeLibrary&) = delete;
    RuntimeLibrary& operator=(const RuntimeLibrary&) = delete;

    bool IsLoaded() const { return m_module.IsValid(); }

    // Looks every function up by its name; one that is missing stays null.
    // True only when the library is loaded and each of them was found.
    template <typename... Fn>
    bool Find(RuntimeFunction<Fn>&... functions) {
        bool all = IsLoaded();
        // Each lookup runs, in order, even after a miss, so every pointer
        // ends up either found or null.
        const bool found[] = {true, Lookup(functions)...};
        for (bool f : found) all = all && f;
        if (!all) m_allFound = false;
        return all;
    }

    // The library is loaded and every Find so far found all it looked for.
    bool AllFound() const { return m_allFound; }

private:
    template <typename Fn>
    bool Lookup(RuntimeFunction<Fn>& function) {
        function.Assign(IsLoaded() ? GetProcAddress(m_module.Get(), function.Name()) : nullptr);
        return function.Found();
    }

    UniqueModule m_module;
    bool m_allFound;
};

}  // namespace orvane

// A member or local named like a platform function the SDK declares, typed
// from that declaration and looked up under the same name.
#define ORVANE_RUNTIME_FUNCTION(name) ::orvane::RuntimeFunction<decltype(&::name)> name{#name}
// The same for a function declared in a namespace of our own (UndeclaredApi.h).
#define ORVANE_RUNTIME_FUNCTION_IN(space, name) ::orvane::RuntimeFunction<decltype(&space::name)> name{#name}
