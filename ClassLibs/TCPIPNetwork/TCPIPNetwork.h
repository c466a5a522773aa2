// Machine-wide TCP/IP settings. Until loading is built the object holds
// nothing: every text is unavailable and every count 0.
#pragma once

#include <windows.h>

class CTCPIPNetwork {
public:
    CTCPIPNetwork() {}
    virtual ~CTCPIPNetwork() {}

    int ProtocolWINS() const { return 0; }
    int ProtocolDNS() const { return 0; }
    int GetDHCPWINS() const { return 0; }
    int GetWriteNeeded() const { return 0; }
    const char* GetHostName() const { return nullptr; }
    const char* GetDomainName() const { return nullptr; }
    int GetDNSEnable() const { return 0; }
    const char* GetLMHostFile() const { return nullptr; }
    DWORD GetDNSServerCount() const { return 0; }
    const char* GetDNSServer(DWORD) const { return nullptr; }
    int GetWINSEnable() const { return 0; }
    const char* GetNameServer1() const { return nullptr; }
    const char* GetNameServer2() const { return nullptr; }
    const char* GetScopeID() const { return nullptr; }
    DWORD GetSearchListCount() const { return 0; }
    const char* GetSearchList(DWORD) const { return nullptr; }

    void SetHostName(const char*) {}
    void SetDomainName(const char*) {}
    void SetLMHostFile(const char*) {}
    void SetDNSEnable(DWORD) {}
    void SetDNSServer(DWORD, const char*) {}
    void SetNameServer1(const char*) {}
    void SetNameServer2(const char*) {}
    void SetScopeID(const char*) {}
    void SetSearchList(DWORD, const char*) {}
    void SetWINSEnable(DWORD) {}
    void SetDHCPWINS(DWORD) {}
    int WriteData() { return 1; }
};
