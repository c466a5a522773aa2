// Write-back of the marked adapter records in the layout of the running
// platform, and the DHCP client notification of Windows NT.
#include <winsock.h>

#include <cstring>

#include "NetworkAdapter.h"
#include "Registry.h"
#include "RuntimeLibrary.h"
#include "Shared/FieldText.h"
#include "Shared/RegistryPaths.h"
#include "Shared/Win9xWins.h"
#include "UndeclaredApi.h"

using field_text::JoinSlots;
using field_text::ListSlots;
using namespace reg_paths;

namespace {

// What the DHCP client is to do with the adapter's DHCP setting.
const int kDhcpIgnore = 0;
const int kDhcpEnable = 1;

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
        ok = reg.SetString(key, "IPAddress", JoinSlots(a.IpAddress, n, ',').c_str()) && ok;
        ok = reg.SetString(key, "IPMask", JoinSlots(a.IpMask, n, ',').c_str()) && ok;
        ok = reg.SetString(key, "DefaultGateway", JoinSlots(a.Gateway, g, ',').c_str()) && ok;
        return ok;
    }
    ok = reg.SetMultiString(key, "IPAddress", ListSlots(a.IpAddress, n)) && ok;
    ok = reg.SetMultiString(key, "SubnetMask", ListSlots(a.IpMask, n)) && ok;
    ok = reg.SetMultiString(key, "DefaultGateway", ListSlots(a.Gateway, g)) && ok;
    if (IsW2K()) {
        const std::string iface = kTcpipInterfaces + std::string(a.AdapterService);
        const std::string servers = GetDNSEnable(i) ? JoinSlots(a.DNSNameServer, GetDNSCount(i), ',') : std::string();
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
        win9x_wins::Switch(reg, key, fromDhcp);
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

    // Loaded for this one call and released when it returns.
    orvane::RuntimeLibrary client("DHCPCSVC.DLL");
    ORVANE_RUNTIME_FUNCTION_IN(dhcpcsvc, DhcpNotifyConfigChange);
    if (!client.Find(DhcpNotifyConfigChange)) return 0;
    const DWORD rc =
        DhcpNotifyConfigChange(nullptr, adapterName, TRUE, 0, ip, netmask, ip == 0 ? kDhcpEnable : kDhcpIgnore);
    return rc == 0 ? 1 : 0;
}
