// Write-back of the marked adapter records in the layout of the running
// platform, and the DHCP client notification of Windows NT.
#include <winsock.h>

#include <cstring>

#include "AdapterKeys.h"
#include "NetworkAdapter.h"
#include "Registry.h"

using namespace adapter_keys;

namespace {

// The DHCP client's entry point, as the platform publishes it.
typedef DWORD(WINAPI* DhcpNotifyConfigChangeFn)(LPWSTR serverName, LPWSTR adapterName, BOOL isNewIpAddress,
                                                DWORD ipIndex, DWORD ipAddress, DWORD subnetMask, int dhcpAction);
const int kDhcpIgnore = 0;
const int kDhcpEnable = 1;

std::string Joined(const char (&slots)[kMaxSlots][16], DWORD n) {
    std::string text;
    for (DWORD k = 0; k < n; ++k) {
        if (k) text += ',';
        text += slots[k];
    }
    return text;
}

StringList Listed(const char (&slots)[kMaxSlots][16], DWORD n) { return StringList(slots, slots + n); }

}  // namespace

int CNetworkAdapter::WriteData(const DWORD* skip) {
    if (!GetWriteNeeded()) return 1;
    bool ok = true;
    for (DWORD i = 0; i < dwAdapterCnt; ++i) {
        if (skip && skip[i]) continue;
        if (!Adapters[i].bWriteNeeded || !Adapters[i].bTCPIP) continue;
        // Every step runs even after a failure; only the counted writes
        // decide the result.
        ok = WriteAddresses(i) && ok;
        if (bNT) WriteDhcp(i);
        ok = WriteWins(i) && ok;
        WriteEnabled(i);
    }
    if (ok) {
        for (ADAPTER& a : Adapters) a.bWriteNeeded = FALSE;
    }
    return ok ? 1 : 0;
}

bool CNetworkAdapter::WriteAddresses(DWORD i) {
    const ADAPTER& a = Adapters[i];
    CRegistry reg(HKEY_LOCAL_MACHINE);
    const char* key = a.AdapterNetTransRgy;
    const DWORD n = GetIpAddressCount(i);
    const DWORD g = GetGatewayCount(i);
    bool ok = true;
    if (!bNT) {
        ok = reg.SetString(key, "IPAddress", Joined(a.IpAddress, n).c_str()) && ok;
        ok = reg.SetString(key, "IPMask", Joined(a.IpMask, n).c_str()) && ok;
        ok = reg.SetString(key, "DefaultGateway", Joined(a.Gateway, g).c_str()) && ok;
        return ok;
    }
    ok = reg.SetMultiString(key, "IPAddress", Listed(a.IpAddress, n)) && ok;
    ok = reg.SetMultiString(key, "SubnetMask", Listed(a.IpMask, n)) && ok;
    ok = reg.SetMultiString(key, "DefaultGateway", Listed(a.Gateway, g)) && ok;
    if (IsW2K()) {
        const std::string iface = kTcpipInterfaces + std::string(a.AdapterService);
        const std::string servers = GetDNSEnable(i) ? Joined(a.DNSNameServer, GetDNSCount(i)) : std::string();
        ok = reg.SetString(iface.c_str(), "NameServer", servers.c_str()) && ok;
    }
    return ok;
}

void CNetworkAdapter::WriteDhcp(DWORD i) {
    const ADAPTER& a = Adapters[i];
    CRegistry reg(HKEY_LOCAL_MACHINE);
    const char* key = a.AdapterNetTransRgy;
    DWORD start = 4;  // disabled
    if (GetDHCP(i) == 1) {
        reg.SetString(key, "DhcpIPAddress", "0.0.0.0");
        reg.SetString(key, "DhcpIPSubnetMask", "0.0.0.0");
        reg.SetDword(key, "EnableDHCP", 1);
        start = 2;  // automatic
    } else {
        reg.Delete(key, "DhcpIPAddress");
        reg.Delete(key, "DhcpIPSubnetMask");
        reg.SetDword(key, "EnableDHCP", 0);
    }
    // One service for all adapters: the last adapter written decides.
    reg.SetDword(kDhcpService, "Start", start);
    if (GetIpAddressCount(i) > 0) NotifyDhcpClient(a.IpAddress[0], a.IpMask[0], i);
}

bool CNetworkAdapter::WriteWins(DWORD i) {
    const ADAPTER& a = Adapters[i];
    CRegistry reg(HKEY_LOCAL_MACHINE);
    const bool wins = GetWINSEnable(i) == 1;
    bool ok = true;
    if (!bNT) {
        if (!GetAdapterWINS()) return true;
        const char* key = a.AdapterNetTransRgy;
        if (wins && a.NameServer1[0]) {
            ok = reg.SetString(key, "NameServer1", a.NameServer1) && ok;
        } else {
            reg.Delete(key, "NameServer1");
        }
        if (wins && a.NameServer2[0]) {
            ok = reg.SetString(key, "NameServer2", a.NameServer2) && ok;
        } else {
            reg.Delete(key, "NameServer2");
        }
        const bool fromDhcp = a.bDHCPWINS && GetDHCP(i) == 1 && !wins;
        WriteDhcpWins(i, fromDhcp);
        if (!fromDhcp) ok = reg.SetString(key, "NodeType", a.NodeType[0] ? a.NodeType : "1") && ok;
        return ok;
    }
    if (!IsW2K()) {
        const std::string key = kNetBTAdapters + std::string(a.AdapterService);
        if (wins && (a.NameServer1[0] || a.NameServer2[0])) {
            ok = reg.SetString(key.c_str(), "NameServer", a.NameServer1) && ok;
            ok = reg.SetString(key.c_str(), "NameServerBackup", a.NameServer2) && ok;
        } else {
            reg.Delete(key.c_str(), "NameServer");
            reg.Delete(key.c_str(), "NameServerBackup");
        }
        return ok;
    }
    const std::string key = kNetBTInterfaces + std::string(a.AdapterService);
    StringList servers;
    if (wins && a.NameServer2[0]) {
        servers = {a.NameServer1, a.NameServer2};
    } else if (wins && a.NameServer1[0]) {
        servers = {a.NameServer1};
    }
    ok = reg.SetMultiString(key.c_str(), "NameServerList", servers) && ok;
    reg.SetDword(key.c_str(), "NetbiosOptions", a.bDHCPWINS ? 2 : 0);
    return ok;
}

// Leaves the registry so that discovery reads the same DHCP-WINS state
// back: with it, nothing about WINS may remain; without it, something must.
void CNetworkAdapter::WriteDhcpWins(DWORD i, bool fromDhcp) {
    CRegistry reg(HKEY_LOCAL_MACHINE);
    const char* key = Adapters[i].AdapterNetTransRgy;
    if (fromDhcp) {
        reg.Delete(kMstcpKey, "ScopeID");
        reg.Delete(key, "NameServer1");
        reg.Delete(key, "NameServer2");
        reg.Delete(key, "NodeType");
        return;
    }
    std::string text;
    if (!reg.GetString(kMstcpKey, "ScopeID", text)) reg.SetString(kMstcpKey, "ScopeID", "");
    if (!reg.GetString(key, "NodeType", text)) reg.SetString(key, "NodeType", "1");
}

void CNetworkAdapter::WriteEnabled(DWORD i) {
    const ADAPTER& a = Adapters[i];
    if (!bNT) {
        CRegistry config(HKEY_CURRENT_CONFIG);
        if (a.bEnabled == 0) {
            const BYTE disabled[4] = {1, 0, 0, 0};
            config.SetBinary(a.AdapterEnumRgy, "CSConfigFlags", disabled, sizeof disabled);
        } else {
            config.Delete(a.AdapterEnumRgy);
        }
    } else if (!IsW2K()) {
        CRegistry reg(HKEY_LOCAL_MACHINE);
        const std::string key = kServicesUpper + std::string(a.AdapterRootService);
        reg.SetDword(key.c_str(), "Start", a.bEnabled ? 2 : 4);
    }
}

int CNetworkAdapter::NotifyDhcpClient(const char* address, const char* mask, DWORD i) const {
    if (!Valid(i) || !address || !mask) return 0;
    // The client knows the adapter by its service name in UTF-16. A name
    // that does not fit the 127 characters is not cut into another
    // adapter's name: no notification is sent for it.
    const char* service = Adapters[i].AdapterService;
    const size_t length = std::strlen(service);
    if (length > 127) return 0;
    WCHAR adapterName[128];
    std::memset(adapterName, 0, sizeof adapterName);
    for (size_t k = 0; k < length; ++k) adapterName[k] = static_cast<WCHAR>(static_cast<unsigned char>(service[k]));

    const DWORD ip = static_cast<DWORD>(inet_addr(address));
    const DWORD netmask = static_cast<DWORD>(inet_addr(mask));
    if (ip == INADDR_NONE || netmask == INADDR_NONE) return 0;
    if (!IsNT()) return 0;

    HMODULE client = LoadLibraryA("DHCPCSVC.DLL");
    if (!client) return 0;
    const DhcpNotifyConfigChangeFn notify = reinterpret_cast<DhcpNotifyConfigChangeFn>(
        reinterpret_cast<void*>(GetProcAddress(client, "DhcpNotifyConfigChange")));
    if (!notify) {
        FreeLibrary(client);
        return 0;
    }
    const DWORD rc = notify(nullptr, adapterName, TRUE, 0, ip, netmask, ip == 0 ? kDhcpEnable : kDhcpIgnore);
    FreeLibrary(client);
    return rc == 0 ? 1 : 0;
}
