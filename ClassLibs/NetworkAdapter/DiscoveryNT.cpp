// Adapter discovery on Windows NT 4.0 and Windows 2000: the "NetworkCards"
// list, each card's TCP/IP settings key (per driver service on NT 4.0, per
// interface on Windows 2000), NetBT's WINS servers, the interface DNS
// servers of Windows 2000 and the driver service's start type on NT 4.0.
#include <cstring>

#include "NetworkAdapter.h"
#include "Registry.h"
#include "Shared/FieldText.h"
#include "Shared/RegistryPaths.h"

using field_text::SplitListEmptyingLongItems;
using field_text::StoreCut;
using field_text::StoreSlots;
using field_text::StoreWhole;
using namespace reg_paths;

void CNetworkAdapter::DiscoverNT() {
    CRegWalker walker(HKEY_LOCAL_MACHINE);
    const char* start = kNetworkCards;
    // Some Windows 2000 installations keep the list under the singular name.
    if (IsW2K() && !walker.GetKeyInfo(kNetworkCards, nullptr, nullptr)) start = kNetworkCard;
    walker.SetHandler(&CNetworkAdapter::OnNTCard, this);
    walker.Walk(start, RegWalkValues | RegWalkKeys);
}

bool CNetworkAdapter::OnNTCard(void* context, const char* path, const char* valueName, CRegValue& value) {
    if (std::strcmp(valueName, "ServiceName") != 0) return true;
    CNetworkAdapter& self = *static_cast<CNetworkAdapter*>(context);
    std::string service;
    value.GetString(service);
    self.AddCard(path, service);
    return true;
}

void CNetworkAdapter::AddCard(const char* path, const std::string& service) {
    CRegistry reg(HKEY_LOCAL_MACHINE);
    DWORD hidden = 0;
    if (!reg.GetDword(path, "Hidden", hidden)) hidden = 0;
    if (hidden == 1) return;
    // The first 16 cards are kept. A card whose key path or service name
    // does not fit its field is not recorded: every key of the card is
    // found through them.
    if (dwAdapterCnt >= kMaxAdapters) return;
    if (std::strlen(path) >= sizeof Adapters[0].AdapterEnumRgy) return;
    if (service.size() >= sizeof Adapters[0].AdapterService) return;

    const bool nt4 = !IsW2K();
    std::string settings;
    if (nt4) {
        settings = kServices + service + "\\Parameters\\Tcpip";
    } else {
        StringList ipConfig;
        if (!reg.GetMultiString((kTcpipAdapters + service).c_str(), "IpConfig", ipConfig) || ipConfig.empty())
            return;
        settings = kServices + ipConfig[0];
    }

    ADAPTER& a = Adapters[dwAdapterCnt];
    std::string text;
    StoreWhole(a.AdapterEnumRgy, path);
    if (reg.GetString(path, "Description", text)) StoreCut(a.AdapterName, text.c_str());
    StoreWhole(a.AdapterService, service);
    if (nt4) {
        if (reg.GetString(path, "Title", text)) StoreCut(a.AdapterTitle, text.c_str());
        if (reg.GetString(path, "ProductName", text)) StoreWhole(a.AdapterRootService, text);
    }
    if (reg.GetKeyInfo(settings.c_str(), nullptr, nullptr) && StoreWhole(a.AdapterNetTransRgy, settings))
        a.bTCPIP = TRUE;
    ++dwAdapterCnt;
}

void CNetworkAdapter::ReadNTSettings(DWORD r) {
    ADAPTER& a = Adapters[r];
    CRegistry reg(HKEY_LOCAL_MACHINE);
    const char* key = a.AdapterNetTransRgy;
    const std::string service = a.AdapterService;
    StringList list;
    std::string text;

    if (reg.GetMultiString(key, "IPAddress", list)) StoreSlots(a.IpAddress, list);

    a.bNETBEUI = FALSE;
    if (reg.GetMultiString(kNbfLinkage, "Bind", list)) {
        for (const std::string& entry : list) {
            if (entry.find(service) != std::string::npos) {
                a.bNETBEUI = TRUE;
                break;
            }
        }
    }

    if (reg.GetMultiString(key, "SubnetMask", list)) StoreSlots(a.IpMask, list);

    // Finding a WINS server switches WINS on through the edit, so the table
    // carries that edit's marks from the start.
    if (!IsW2K()) {
        const std::string netbt = kNetBTAdapters + service;
        if (reg.GetString(netbt.c_str(), "NameServer", text)) {
            StoreWhole(a.NameServer1, text);
            SetWINSEnable(r, 1);
        }
        if (reg.GetString(netbt.c_str(), "NameServerBackup", text)) {
            StoreWhole(a.NameServer2, text);
            SetWINSEnable(r, 1);
        }
    } else {
        const std::string netbt = kNetBTInterfaces + service;
        if (reg.GetMultiString(netbt.c_str(), "NameServerList", list)) {
            if (list.size() >= 1) {
                StoreWhole(a.NameServer1, list[0]);
                SetWINSEnable(r, 1);
            }
            if (list.size() >= 2) StoreWhole(a.NameServer2, list[1]);
        }
        DWORD options = 0;
        if (reg.GetDword(netbt.c_str(), "NetbiosOptions", options) && options == 2) SetDHCPWINS(r, 1);
    }

    if (reg.GetMultiString(key, "DefaultGateway", list)) StoreSlots(a.Gateway, list);

    if (IsW2K()) {
        const std::string iface = kTcpipInterfaces + service;
        SetDNSEnable(r, 0);
        if (reg.GetString(iface.c_str(), "NameServer", text)) {
            if (!text.empty()) SetDNSEnable(r, 1);
            SplitListEmptyingLongItems(text, ',', a.DNSNameServer);
        }
    }
}

void CNetworkAdapter::ReadNTEnabled(DWORD r) {
    // Windows 2000 keeps no per-card state the table reads; it stays 0.
    if (IsW2K()) return;
    CRegistry reg(HKEY_LOCAL_MACHINE);
    DWORD start = 0;
    const std::string key = kServicesUpper + std::string(Adapters[r].AdapterRootService);
    Adapters[r].bEnabled = reg.GetDword(key.c_str(), "Start", start) && start == 2 ? 1 : 0;
}
