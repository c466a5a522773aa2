// Wide-text helpers of the domain classes: bounded lengths and copies, an
// exact comparison, case changes per character, and a wide text appended to
// a narrow message in the ANSI code page. Nothing here writes past the
// array it is given.
#pragma once

#include <windows.h>

#include <cstring>
#include <cwctype>

namespace domain_text {

// Characters before the NUL, counting no further than `limit`.
inline size_t Length(LPCWSTR text, size_t limit) {
    size_t n = 0;
    if (text)
        while (n < limit && text[n]) ++n;
    return n;
}

// As much of the text as the array holds with its NUL.
template <size_t N>
void CopyCut(WCHAR (&to)[N], LPCWSTR text) {
    const size_t length = Length(text, N - 1);
    for (size_t i = 0; i < length; ++i) to[i] = text[i];
    to[length] = 0;
}

// Exact (case-sensitive) equality; a null text equals nothing.
inline bool Equal(LPCWSTR a, LPCWSTR b) {
    if (!a || !b) return false;
    size_t i = 0;
    for (; a[i] && a[i] == b[i]; ++i) {
    }
    return a[i] == b[i];
}

inline WCHAR Upper(WCHAR c) { return static_cast<WCHAR>(std::towupper(static_cast<wint_t>(c))); }
inline WCHAR Lower(WCHAR c) { return static_cast<WCHAR>(std::towlower(static_cast<wint_t>(c))); }

// Appends the wide text, converted through the ANSI code page one
// character at a time, as far as whole characters fit behind the narrow
// text in its array.
template <size_t N>
void AppendWide(char (&to)[N], LPCWSTR text) {
    size_t used = std::strlen(to);
    for (size_t i = 0; text && text[i]; ++i) {
        char bytes[8];
        const int n = WideCharToMultiByte(CP_ACP, 0, &text[i], 1, bytes, sizeof bytes, nullptr, nullptr);
        if (n <= 0 || used + static_cast<size_t>(n) > N - 1) break;
        std::memcpy(to + used, bytes, static_cast<size_t>(n));
        used += static_cast<size_t>(n);
    }
    to[used] = '\0';
}

}  // namespace domain_text
