#include <cstring>

#include "Exports.h"
#include "Orvane.h"

namespace {
const char kVersion[] = "1.0.8";
const char kCopyright[] = "Orvane network configuration library. Copyright (c) 2026 Orvane.";
}  // namespace

namespace orvane {

INT CopyOut(const char* text, LPSTR buffer, DWORD size) noexcept {
    if (!buffer || !text) return 0;
    const size_t length = std::strlen(text);
    if (length >= size) return 0;
    std::memcpy(buffer, text, length + 1);
    return 1;
}

}  // namespace orvane

INT WINAPI GetDLLVersion(LPSTR buffer, DWORD size) { return orvane::CopyOut(kVersion, buffer, size); }

INT WINAPI GetDLLCopyright(LPSTR buffer, DWORD size) { return orvane::CopyOut(kCopyright, buffer, size); }
