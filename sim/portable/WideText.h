// Wide (UTF-16) text in code that builds both natively against the
// simulated platform (WCHAR is char16_t) and with mingw-w64 (WCHAR is
// wchar_t): literals go through WTEXT, strings are WString, and
// conversions use the ANSI code page as the system does.
#pragma once

#include <windows.h>

#include <string>

#ifdef _WIN32
#define WTEXT_CAT(s) L##s
#else
#define WTEXT_CAT(s) u##s
#endif
// A wide string literal: WTEXT("Netlogon").
#define WTEXT(s) WTEXT_CAT(s)

namespace wide {

typedef std::basic_string<WCHAR> WString;

inline size_t Length(LPCWSTR text) {
    size_t n = 0;
    if (text)
        while (text[n]) ++n;
    return n;
}

// Through the ANSI code page; unmappable characters become '?'.
inline std::string Narrow(LPCWSTR text, size_t length) {
    if (!text || length == 0) return std::string();
    const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &out[0], n, nullptr, nullptr);
    return out;
}

inline std::string Narrow(LPCWSTR text) { return Narrow(text, Length(text)); }
inline std::string Narrow(const WString& text) { return Narrow(text.c_str(), text.size()); }

inline WString Widen(const std::string& text) {
    if (text.empty()) return WString();
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return WString();
    WString out(static_cast<size_t>(n), WCHAR(0));
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

}  // namespace wide
