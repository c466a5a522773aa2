// The table of the machine's network adapters. Until discovery is built the
// table is empty: it answers every question as a machine without adapters.
#pragma once

#include <windows.h>

class CNetworkAdapter {
public:
    CNetworkAdapter() : dwAdapterCnt(0) {}

    DWORD AdapterCount() const { return dwAdapterCnt; }
    int GetAdapterWINS() const { return 0; }
    int GetAdapterDNS() const { return 0; }
    int GetTCPIP(DWORD) const { return 0; }
    int GetNETBEUI(DWORD) const { return 0; }
    const char* GetName(DWORD) const { return nullptr; }
    DWORD GetIpAddressCount(DWORD) const { return 0; }
    const char* GetIpAddress(DWORD, DWORD) { return nullptr; }
    const char* GetIpMask(DWORD, DWORD) const { return nullptr; }
    DWORD GetGatewayCount(DWORD) const { return 0; }
    const char* GetGateway(DWORD, DWORD) const { return nullptr; }
    const char* GetNameServer1(DWORD) const { return nullptr; }
    const char* GetNameServer2(DWORD) const { return nullptr; }
    int GetDHCP(DWORD) { return 0; }
    int GetWINSEnable(DWORD) const { return 0; }
    int GetDHCPWINS(DWORD) const { return 0; }
    int GetEnabled(DWORD) const { return 0; }
    int GetDNSEnable(DWORD) const { return 0; }
    DWORD GetDNSCount(DWORD) const { return 0; }
    const char* GetDNSNameServer(DWORD, DWORD) const { return nullptr; }

    void SetIpAddress(DWORD, DWORD, const char*) {}
    void SetIpMask(DWORD, DWORD, const char*) {}
    void SetGateway(DWORD, DWORD, const char*) {}
    void SetNameServer1(DWORD, const char*) {}
    void SetNameServer2(DWORD, const char*) {}
    void SetWINSEnable(DWORD, DWORD) {}
    void SetDHCPWINS(DWORD, DWORD) {}
    void SetEnabled(DWORD, DWORD) {}
    void SetDHCP(DWORD) {}
    void SetDNSEnable(DWORD, DWORD) {}
    void SetDNSNameServer(DWORD, DWORD, const char*) {}

    int GetWriteNeeded() const { return 0; }
    int GetRebootNeeded(DWORD*) const { return 0; }
    int WriteData(const DWORD*) { return 1; }

private:
    DWORD dwAdapterCnt;
};
