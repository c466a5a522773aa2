// How every export reaches its object: one place for the copy-out rule,
// for a missing object, and for keeping exceptions inside the library.
#pragma once

#include <windows.h>

#include "Library.h"

namespace orvane {

// The copy-out rule of every string getter: 0 for a null buffer, a missing
// text, or a text that does not fit with its NUL (the buffer is then left
// untouched); otherwise the text and its NUL are copied and 1 returned.
INT CopyOut(const char* text, LPSTR buffer, DWORD size) noexcept;

// Runs `fn` on the object, or answers `fallback` when the object was never
// created or the call failed by an exception.
template <typename T, typename R, typename Fn>
R Call(T* object, R fallback, Fn&& fn) noexcept {
    if (!object) return fallback;
    try {
        return static_cast<R>(fn(*object));
    } catch (...) {
        return fallback;
    }
}

template <typename T, typename Fn>
void Apply(T* object, Fn&& fn) noexcept {
    if (!object) return;
    try {
        fn(*object);
    } catch (...) {
    }
}

// A string getter: `source` yields the object's text, or null for none.
template <typename T, typename Fn>
INT CopyFrom(T* object, LPSTR buffer, DWORD size, Fn&& source) noexcept {
    if (!buffer || !object) return 0;
    try {
        return CopyOut(source(*object), buffer, size);
    } catch (...) {
        return 0;
    }
}

}  // namespace orvane
