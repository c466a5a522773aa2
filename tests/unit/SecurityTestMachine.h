// A simulated NT machine with a domain around it, for the tests of the
// security and network side: the workstation WS01 in the workgroup
// WORKGROUP, the domain CORP with its primary controller CORPDC, and the
// Netlogon and EventLog services.
#pragma once

#include <lm.h>
#include <ntsecapi.h>
#include <ntstatus.h>
#include <windows.h>

#include <string>

#include "../CorpDomain.h"
#include "WideText.h"
#include "sim/control.h"

inline void LoadDomainMachine(sim::Platform platform) {
    sim::Reset();
    sim::SetPlatform(platform);
    sim::SetComputerName("WS01");
    sim::AddService({"Netlogon", "Net Logon", "%SystemRoot%\\System32\\lsass.exe", SERVICE_WIN32_SHARE_PROCESS,
                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL});
    sim::AddService({"EventLog", "Event Log", "%SystemRoot%\\System32\\services.exe", SERVICE_WIN32_SHARE_PROCESS,
                     SERVICE_AUTO_START, SERVICE_ERROR_NORMAL});
    sim::SetServiceRunning("EventLog", true);
    AddCorpController();
}

inline DWORD RegistryDword(const char* key, const char* name) {
    HKEY k = nullptr;
    DWORD value = 0xdeadbeef, size = sizeof value, type = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) == ERROR_SUCCESS) {
        RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(k);
    }
    return value;
}

inline LSA_UNICODE_STRING Counted(LPCWSTR text) {
    LSA_UNICODE_STRING s;
    s.Length = static_cast<USHORT>(wide::Length(text) * sizeof(WCHAR));
    s.MaximumLength = static_cast<USHORT>(s.Length + sizeof(WCHAR));
    s.Buffer = const_cast<LPWSTR>(text);
    return s;
}
