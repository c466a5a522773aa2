// Where the machine-wide TCP/IP settings live, and the helpers both the
// loader and the write-back use on the fixed text fields.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace tcpip {

// Main key of Windows 95/98; it also keeps the global WINS values, which
// the WINS mode switch handles there on every platform.
constexpr const char kMstcpKey[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
// Main key of Windows NT 4.0 and Windows 2000.
constexpr const char kTcpipKey[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
// NetBIOS over TCP/IP, Windows NT only: the scope ID.
constexpr const char kNetBTKey[] = "System\\CurrentControlSet\\Services\\NetBT\\Parameters";

// Copies the first `length` characters of a text into a fixed field, cut
// to the field's width so a long registry text can never reach the next
// field.
template <size_t N>
void CopyCut(char (&field)[N], const char* text, size_t length) {
    if (length > N - 1) length = N - 1;
    std::memcpy(field, text, length);
    field[length] = '\0';
}

template <size_t N>
void CopyCut(char (&field)[N], const char* text) {
    size_t length = 0;
    while (length < N - 1 && text[length] != '\0') ++length;
    CopyCut(field, text, length);
}

// Number of leading non-empty slots: an empty slot ends the list.
template <size_t Slots, size_t Width>
DWORD CountSlots(const char (&slots)[Slots][Width]) {
    DWORD count = 0;
    while (count < Slots && slots[count][0] != '\0') ++count;
    return count;
}

// The counted slots joined by the separator; empty for an empty list.
template <size_t Slots, size_t Width>
std::string JoinSlots(const char (&slots)[Slots][Width], char separator) {
    std::string joined;
    const DWORD count = CountSlots(slots);
    for (DWORD i = 0; i < count; ++i) {
        if (i > 0) joined += separator;
        joined += slots[i];
    }
    return joined;
}

}  // namespace tcpip
