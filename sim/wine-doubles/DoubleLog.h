// The record the doubles of the Wine runs append to: "orvane-doubles.log"
// in the current directory, a line per call, "<library> <call> ...", which
// the scenario runner compares with a scenario's expected calls.
#pragma once

#include <windows.h>

#include <string>

namespace doubles {

// Through the system's file functions, which still work while the process
// unloads its libraries.
inline void Log(const char* library, const std::string& line) {
    const std::string text = std::string(library) + " " + line + "\n";
    HANDLE file = CreateFileA("orvane-doubles.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace doubles
