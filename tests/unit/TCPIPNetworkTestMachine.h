// Machines for the TCP/IP settings tests: a fresh simulated machine in one
// platform mode with a few registry lines, and a compact view of a key.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "sim/control.h"

namespace tcptest {

const char kMstcp[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char kTcpip[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char kNetBT[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\NetBT\\Parameters";

// Windows 95/98 uses its global WINS values only with an old dial-up
// library (a version whose last part has three digits) and no Winsock 2.2.
enum class Wins { PerAdapter, Global };

// A key line of a .reg seed.
inline std::string Key(const char* key) { return std::string("[") + key + "]\r\n"; }

// A string value line; `text` is written as is, so no backslashes.
inline std::string Sz(const char* name, const std::string& text) {
    return std::string("\"") + name + "\"=\"" + text + "\"\r\n";
}

inline void Prepare(sim::Platform platform, const std::string& seed, Wins wins = Wins::PerAdapter) {
    sim::Reset();
    sim::SetPlatform(platform);
    if (wins == Wins::Global) {
        sim::SetFileVersion("C:\\WINDOWS\\System\\rasapi32.dll", 4, 0, 0, 950);
        sim::SetWinsockHighVersion(0x0101);
    }
    const sim::RegImportResult r = sim::ImportReg("REGEDIT4\r\n\r\n" + seed + "\r\n");
    ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
}

// The values of one key as .reg lines joined by "\n" (subkeys left out),
// or "(no key)".
inline std::string ValuesOf(const char* key) {
    if (!sim::KeyExists(key)) return "(no key)";
    const std::string text = sim::ExportRegKey(sim::RegFormat::Regedit4, key);
    std::string out;
    size_t at = text.find("]\r\n");  // end of the key's own line
    if (at == std::string::npos) return out;
    at += 3;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos || end == at) break;  // a blank line ends the key
        out += (out.empty() ? "" : "\n") + text.substr(at, end - at);
        at = end + 2;
    }
    return out;
}

}  // namespace tcptest
