// One call of a simulated or doubled platform function, as the recorders
// see it: the function's name, its arguments as texts (wide texts narrowed
// through the ANSI code page, null pointers as "(null)") and its result.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "WideText.h"

namespace apicall {

struct Call {
    std::string function;
    std::vector<std::pair<std::string, std::string>> args;
    std::string result;  // as the function answered: a status, a flag with its error, a handle kind

    Call& Arg(const char* name, const std::string& value) {
        if (args.empty()) args.reserve(8);  // one allocation for a call's few arguments
        args.emplace_back(name, value);
        return *this;
    }
    Call& Text(const char* name, LPCWSTR text) { return Arg(name, text ? wide::Narrow(text) : "(null)"); }
    Call& Text(const char* name, LPCSTR text) { return Arg(name, text ? std::string(text) : "(null)"); }
    Call& Number(const char* name, DWORD value) { return Arg(name, std::to_string(value)); }
    Call& Hex(const char* name, DWORD value) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(value));
        return Arg(name, text);
    }
    Call& Pointer(const char* name, const void* p) { return Arg(name, p ? "set" : "(null)"); }

    // "NetUseAdd server=(null) level=2 ... -> 0"
    std::string Line() const {
        std::string line = function;
        for (auto& a : args) line += " " + a.first + "=" + a.second;
        return line + " -> " + result;
    }
};

inline std::string StatusText(DWORD status) { return std::to_string(status); }
inline std::string NtStatusText(LONG status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(static_cast<DWORD>(status)));
    return text;
}
// A BOOL (or handle) result with the thread's last error when it failed.
inline std::string FlagText(bool ok, DWORD error) {
    return ok ? std::string("1") : "0 error=" + std::to_string(error);
}

}  // namespace apicall
