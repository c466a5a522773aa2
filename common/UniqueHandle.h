// One owner for every kind of platform handle the library opens: registry
// keys, modules loaded by name and private heaps. The owner closes its
// handle on every way out and can be moved but not copied, so a handle is
// closed exactly once, by whoever holds it last.
//
// A handle the library did not open (a predefined registry root, a key the
// caller passed in) is never put into an owner: it is only borrowed.
#pragma once

#include <windows.h>

namespace orvane {

// Traits: the handle type, its "no handle" value and how to close it.
struct KeyTraits {
    typedef HKEY Handle;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle key) { RegCloseKey(key); }
};

struct ModuleTraits {
    typedef HMODULE Handle;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle module) { FreeLibrary(module); }
};

struct HeapTraits {
    typedef HANDLE Handle;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle heap) { HeapDestroy(heap); }
};

template <typename Traits>
class UniqueHandle {
public:
    typedef typename Traits::Handle Handle;

    UniqueHandle() : m_handle(Traits::Invalid()) {}
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Handle Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    // Closes the held handle (if any) and takes the new one.
    void Reset(Handle handle = Traits::Invalid()) {
        if (IsValid()) Traits::Close(m_handle);
        m_handle = handle;
    }
    // Gives the handle up without closing it.
    Handle Release() {
        const Handle handle = m_handle;
        m_handle = Traits::Invalid();
        return handle;
    }
    // Closes the held handle and hands out the empty slot, for functions
    // that return a new handle through a pointer (RegOpenKeyExA).
    Handle* Receive() {
        Reset();
        return &m_handle;
    }

private:
    Handle m_handle;
};

typedef UniqueHandle<KeyTraits> UniqueKey;
typedef UniqueHandle<ModuleTraits> UniqueModule;
typedef UniqueHandle<HeapTraits> UniqueHeap;

}  // namespace orvane
