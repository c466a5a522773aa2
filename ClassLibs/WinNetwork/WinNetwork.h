// The Windows networking identity. Not loaded yet: every text is
// unavailable, every value 0 and the write changes nothing.
#pragma once

#include <windows.h>

class CWinNetwork {
public:
    CWinNetwork() {}
    virtual ~CWinNetwork() {}

    const char* GetComputerName() const { return nullptr; }
    const char* GetComputerWorkgroup() const { return nullptr; }
    const char* GetComputerComment() const { return nullptr; }
    DWORD GetNTLogon() const { return 0; }
    const char* GetNTLogonDomain() const { return nullptr; }
    DWORD GetQuickLogon() const { return 0; }
    const char* GetDefaultLogon() const { return nullptr; }
    DWORD GetLogonCount() const { return 0; }
    const char* GetLogonName(DWORD) const { return nullptr; }
    int GetWriteNeeded() const { return 0; }

    void SetComputerName(const char*) {}
    void SetComputerWorkgroup(const char*) {}
    void SetComputerComment(const char*) {}
    void SetNTLogon(DWORD) {}
    void SetNTLogonDomain(const char*) {}
    void SetQuickLogon(DWORD) {}
    void SetDefaultLogon(const char*) {}
    int WriteData() { return 0; }
};
