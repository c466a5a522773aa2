// Adapter discovery on Windows 95/98: the device tree below "Enum", the
// protocol bindings of each device, the TCP/IP class keys, the enabled state
// of the current hardware profile, and the folding of firewall adapters.
#include <cstring>

#include "NetworkAdapter.h"
#include "Registry.h"
#include "Shared/FieldText.h"
#include "Shared/RegistryPaths.h"
#include "Shared/Win9xWins.h"

using field_text::HasPrefix;
using field_text::SplitListEmptyingLongItems;
using field_text::StoreCut;
using field_text::StoreWhole;

namespace {

const char kFirewallName[] = "FW1 Adapter";

}  // namespace

namespace {

// Whether a class name reads as "Net" in any letter case. Every device key
// has a class, so the walk asks this thousands of times: the text is looked
// at where it lies instead of being copied out, read as CRegValue::GetString
// reads it (types 1, 2 and 6, up to the first NUL or the end of the block;
// any other type is the empty text).
bool IsNetClass(const CRegValue& value) {
    const DWORD type = value.Type();
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_LINK) return false;
    const BYTE* text = value.Data();
    const DWORD size = text ? value.Size() : 0;
    const char net[] = "net";
    for (DWORD k = 0; k < 3; ++k) {
        if (k >= size) return false;
        char c = char(text[k]);
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != net[k]) return false;
    }
    return size == 3 || text[3] == '\0';
}

}  // namespace

void CNetworkAdapter::DiscoverWin9x() {
    CRegWalker walker(HKEY_LOCAL_MACHINE);
    walker.SetHandler(&CNetworkAdapter::OnWin9xClass, this);
    walker.Walk("Enum", RegWalkValues | RegWalkKeys);

    CRegistry reg(HKEY_LOCAL_MACHINE);
    for (DWORD r = 0; r < dwAdapterCnt; ++r) {
        std::string name;
        if (reg.GetString(Adapters[r].AdapterEnumRgy, "DeviceDesc", name) && !name.empty())
            StoreCut(Adapters[r].AdapterName, name.c_str());
    }

    ReadBindings(BindingPass::TCPIP);
    ReadBindings(BindingPass::NetBEUI);
    ReadBindings(BindingPass::NWIP);
}

bool CNetworkAdapter::OnWin9xClass(void* context, const char* path, const char* valueName, CRegValue& value) {
    CNetworkAdapter& self = *static_cast<CNetworkAdapter*>(context);
    if (std::strcmp(valueName, "Class") != 0 || !IsNetClass(value)) return true;
    // The first 16 adapters are kept; later ones are not recorded. A device
    // whose key path does not fit its field is not recorded either: every
    // later read and write of the adapter goes through that path.
    if (self.dwAdapterCnt >= kMaxAdapters) return true;
    if (StoreWhole(self.Adapters[self.dwAdapterCnt].AdapterEnumRgy, path)) ++self.dwAdapterCnt;
    return true;
}

namespace {

// The binding handlers look at value names only; the first name that
// begins with one of the pass's prefixes (and goes on past it) ends the walk.
bool TakeBinding(const char* valueName, const char* first, const char* second, char* scratch) {
    const bool match = HasPrefix(valueName, first) || (second && HasPrefix(valueName, second));
    // A name too long for the scratch text cannot name an instance key the
    // table could hold; it is passed over.
    if (!match || std::strlen(valueName) >= 260) return true;
    std::strcpy(scratch, valueName);
    return false;
}

}  // namespace

bool CNetworkAdapter::OnTcpBinding(void* context, const char*, const char* valueName, CRegValue&) {
    CNetworkAdapter& self = *static_cast<CNetworkAdapter*>(context);
    return TakeBinding(valueName, "MSTCP\\", "FWTDI\\", self.szTCPBinding);
}

bool CNetworkAdapter::OnNetBeuiBinding(void* context, const char*, const char* valueName, CRegValue&) {
    CNetworkAdapter& self = *static_cast<CNetworkAdapter*>(context);
    return TakeBinding(valueName, "NETBEUI\\", nullptr, self.szNETBEUIBinding);
}

bool CNetworkAdapter::OnNwipBinding(void* context, const char*, const char* valueName, CRegValue&) {
    CNetworkAdapter& self = *static_cast<CNetworkAdapter*>(context);
    return TakeBinding(valueName, "NWIP\\", nullptr, self.szNWIPBinding);
}

void CNetworkAdapter::ReadBindings(BindingPass pass) {
    // The TCP/IP pass has no flag of its own: bTCPIP follows from the key path.
    RegValueHandler handler = &CNetworkAdapter::OnTcpBinding;
    char* scratch = szTCPBinding;
    BOOL ADAPTER::*flag = nullptr;
    char(ADAPTER::*keyPath)[260] = &ADAPTER::AdapterNetTransRgy;
    if (pass == BindingPass::NetBEUI) {
        handler = &CNetworkAdapter::OnNetBeuiBinding;
        scratch = szNETBEUIBinding;
        flag = &ADAPTER::bNETBEUI;
        keyPath = &ADAPTER::AdapterNETBEUIRgy;
    } else if (pass == BindingPass::NWIP) {
        handler = &CNetworkAdapter::OnNwipBinding;
        scratch = szNWIPBinding;
        flag = &ADAPTER::bNWIP;
        keyPath = &ADAPTER::AdapterNWIPRgy;
    }

    CRegWalker walker(HKEY_LOCAL_MACHINE);
    CRegistry reg(HKEY_LOCAL_MACHINE);
    for (DWORD r = 0; r < dwAdapterCnt; ++r) {
        ADAPTER& a = Adapters[r];
        scratch[0] = '\0';
        walker.SetHandler(handler, this);
        walker.Walk((std::string(a.AdapterEnumRgy) + "\\Bindings").c_str(), RegWalkValues | RegWalkKeys);
        if (flag) a.*flag = scratch[0] != '\0';
        if (scratch[0] == '\0') continue;
        std::string driver;
        const std::string instance = reg_paths::kNetworkEnum + std::string(scratch);
        if (reg.GetString(instance.c_str(), "Driver", driver) && !driver.empty()) {
            // A class key path that does not fit leaves the adapter without
            // that protocol's key, as a missing "Driver" would.
            StoreWhole(a.*keyPath, reg_paths::kClass + driver);
        }
    }
}

void CNetworkAdapter::ReadWin9xSettings(DWORD r) {
    ADAPTER& a = Adapters[r];
    CRegistry reg(HKEY_LOCAL_MACHINE);
    const char* key = a.AdapterNetTransRgy;
    std::string text;
    if (reg.GetString(key, "IPAddress", text)) SplitListEmptyingLongItems(text, ',', a.IpAddress);
    if (reg.GetString(key, "IPMask", text)) SplitListEmptyingLongItems(text, ',', a.IpMask);
    if (reg.GetString(key, "FWCODE", text)) StoreWhole(a.FWCODE, text);
    if (bAdapterWINS) {
        if (reg.GetString(key, "NameServer1", text)) StoreWhole(a.NameServer1, text);
        if (reg.GetString(key, "NameServer2", text)) StoreWhole(a.NameServer2, text);
    }
    if (reg.GetString(key, "NodeType", text)) StoreWhole(a.NodeType, text);
    if (reg.GetString(key, "DefaultGateway", text)) SplitListEmptyingLongItems(text, ',', a.Gateway);
    // Only where adapters keep WINS of their own can it come from DHCP.
    a.bDHCPWINS = GetAdapterWINS() && win9x_wins::FromDhcp(reg, key) ? 1 : 0;
}

void CNetworkAdapter::ReadWin9xEnabled(DWORD r) {
    CRegistry config(HKEY_CURRENT_CONFIG);
    BYTE flags[4] = {0, 0, 0, 0};
    if (!config.GetBinary(Adapters[r].AdapterEnumRgy, "CSConfigFlags", flags, sizeof flags)) {
        Adapters[r].bEnabled = 1;
    } else {
        Adapters[r].bEnabled = flags[0] != 1 ? 1 : 0;
    }
}

// A firewall puts a virtual adapter "FW1 Adapter" in front of each real one
// and gives both the same code. The virtual adapter takes the real one's
// name in brackets, and the real one leaves the table.
void CNetworkAdapter::FoldFirewallAdapters() {
    for (DWORD i = 0; i < dwAdapterCnt; ++i) {
        if (std::strcmp(Adapters[i].AdapterName, kFirewallName) != 0) continue;
        for (DWORD j = 0; j < dwAdapterCnt; ++j) {
            if (j == i || std::strcmp(Adapters[j].FWCODE, Adapters[i].FWCODE) != 0) continue;
            field_text::AppendCut(Adapters[i].AdapterName, " (");
            field_text::AppendCut(Adapters[i].AdapterName, Adapters[j].AdapterName);
            field_text::AppendCut(Adapters[i].AdapterName, ")");
        }
    }
    const size_t prefix = sizeof kFirewallName - 1;
    for (DWORD r = 0; r < dwAdapterCnt;) {
        const ADAPTER& a = Adapters[r];
        if (a.FWCODE[0] != '\0' && std::strncmp(a.AdapterName, kFirewallName, prefix) != 0) {
            RemoveRecord(r);
            r = 0;
        } else {
            ++r;
        }
    }
}

void CNetworkAdapter::RemoveRecord(DWORD r) {
    for (DWORD k = r; k + 1 < dwAdapterCnt; ++k) Adapters[k] = Adapters[k + 1];
    std::memset(&Adapters[dwAdapterCnt - 1], 0, sizeof(ADAPTER));
    --dwAdapterCnt;
}
