// The adapter table: construction, read accessors, edits and their marks.
#include "NetworkAdapter.h"

#include <cstring>

#include "Orvane.h"
#include "PlatformInfo.h"
#include "Shared/FieldText.h"

using field_text::CountSlots;
using field_text::StoreWhole;

CNetworkAdapter::CNetworkAdapter() {
    {
        CPlatformInfo platform;
        bNT = platform.IsNT() ? TRUE : FALSE;
        dwOSMajor = platform.GetNTMajorVersion();
        bAdapterWINS = platform.KeepsWinsPerAdapter() ? TRUE : FALSE;
    }
    dwAdapterCnt = 0;
    dwChangeMask = 0;
    szTCPBinding[0] = szNETBEUIBinding[0] = szNWIPBinding[0] = '\0';
    std::memset(Adapters, 0, sizeof Adapters);
    for (ADAPTER& a : Adapters) a.dwDataVersion = kAdapterDataVersion;

    if (bNT) {
        DiscoverNT();
        for (DWORD r = 0; r < dwAdapterCnt; ++r) {
            Adapters[r].bTCPIP = Adapters[r].AdapterNetTransRgy[0] != '\0';
            if (Adapters[r].bTCPIP) ReadNTSettings(r);
            ReadNTEnabled(r);
        }
    } else {
        DiscoverWin9x();
        for (DWORD r = 0; r < dwAdapterCnt; ++r) {
            Adapters[r].bTCPIP = Adapters[r].AdapterNetTransRgy[0] != '\0';
            if (Adapters[r].bTCPIP) ReadWin9xSettings(r);
            ReadWin9xEnabled(r);
        }
        FoldFirewallAdapters();
    }
}

// ---- Read accessors ------------------------------------------------------------

int CNetworkAdapter::GetTCPIP(DWORD i) const { return Valid(i) && Adapters[i].bTCPIP ? 1 : 0; }

int CNetworkAdapter::GetNETBEUI(DWORD i) const { return Valid(i) && Adapters[i].bNETBEUI ? 1 : 0; }

const char* CNetworkAdapter::GetName(DWORD i) const { return Valid(i) ? Adapters[i].AdapterName : nullptr; }

DWORD CNetworkAdapter::GetIpAddressCount(DWORD i) const {
    return GetTCPIP(i) ? CountSlots(Adapters[i].IpAddress) : 0;
}

const char* CNetworkAdapter::GetIpAddress(DWORD i, DWORD j) const {
    if (!GetTCPIP(i)) return nullptr;
    if (j < GetIpAddressCount(i)) return Adapters[i].IpAddress[j];
    DumpAdapter(-1, i);
    return nullptr;
}

const char* CNetworkAdapter::GetIpMask(DWORD i, DWORD j) const {
    return j < GetIpAddressCount(i) ? Adapters[i].IpMask[j] : nullptr;
}

DWORD CNetworkAdapter::GetGatewayCount(DWORD i) const { return GetTCPIP(i) ? CountSlots(Adapters[i].Gateway) : 0; }

const char* CNetworkAdapter::GetGateway(DWORD i, DWORD j) const {
    return j < GetGatewayCount(i) ? Adapters[i].Gateway[j] : nullptr;
}

const char* CNetworkAdapter::GetNameServer1(DWORD i) const {
    return bAdapterWINS && Valid(i) ? Adapters[i].NameServer1 : nullptr;
}

const char* CNetworkAdapter::GetNameServer2(DWORD i) const {
    return bAdapterWINS && Valid(i) ? Adapters[i].NameServer2 : nullptr;
}

const char* CNetworkAdapter::GetNodeType(DWORD i) const { return Valid(i) ? Adapters[i].NodeType : nullptr; }

int CNetworkAdapter::GetDHCP(DWORD i) const {
    if (!Valid(i)) return 0;
    const char* first = GetIpAddress(i, 0);
    return first && std::strcmp(first, "0.0.0.0") == 0 ? 1 : 0;
}

int CNetworkAdapter::GetWINSEnable(DWORD i) const {
    return Valid(i) && std::strcmp(Adapters[i].NodeType, "8") == 0 ? 1 : 0;
}

int CNetworkAdapter::GetDHCPWINS(DWORD i) const { return Valid(i) ? Adapters[i].bDHCPWINS : 0; }

int CNetworkAdapter::GetEnabled(DWORD i) const { return Valid(i) ? Adapters[i].bEnabled : 0; }

int CNetworkAdapter::GetDNSEnable(DWORD i) const {
    return Valid(i) && GetAdapterDNS() && Adapters[i].EnableDNS[0] == '1' ? 1 : 0;
}

DWORD CNetworkAdapter::GetDNSCount(DWORD i) const { return Valid(i) ? CountSlots(Adapters[i].DNSNameServer) : 0; }

const char* CNetworkAdapter::GetDNSNameServer(DWORD i, DWORD j) const {
    return GetAdapterDNS() && j < GetDNSCount(i) ? Adapters[i].DNSNameServer[j] : nullptr;
}

const char* CNetworkAdapter::GetAdapterEnumRgy(DWORD i) const {
    return Valid(i) ? Adapters[i].AdapterEnumRgy : nullptr;
}

const char* CNetworkAdapter::GetAdapterNetTransRgy(DWORD i) const {
    return Valid(i) ? Adapters[i].AdapterNetTransRgy : nullptr;
}

const char* CNetworkAdapter::GetAdapterNETBEUIRgy(DWORD i) const {
    return Valid(i) ? Adapters[i].AdapterNETBEUIRgy : nullptr;
}

// ---- Edits ---------------------------------------------------------------------

void CNetworkAdapter::MarkWrite(DWORD i, bool reboot, DWORD change) {
    Adapters[i].bWriteNeeded = TRUE;
    if (reboot) {
        Adapters[i].bRebootNeeded = TRUE;
        dwChangeMask |= change;
    }
}

// Windows 2000 applies address and WINS changes without a restart (the DHCP
// client is told instead); Windows 95/98 and NT 4.0 need one.
void CNetworkAdapter::EditSlot(DWORD i, DWORD j, char (ADAPTER::*field)[kMaxSlots][16], const char* text,
                               DWORD change) {
    if (!Valid(i) || !text || j >= kMaxSlots) return;
    char* slot = (Adapters[i].*field)[j];
    if (std::strcmp(slot, text) == 0) return;
    if (!StoreWhole((Adapters[i].*field)[j], text)) return;
    MarkWrite(i, !IsW2K(), change);
}

void CNetworkAdapter::SetIpAddress(DWORD i, DWORD j, const char* text) {
    EditSlot(i, j, &ADAPTER::IpAddress, text, ORVANE_CHANGE_IP_ADDRESS);
}

void CNetworkAdapter::SetIpMask(DWORD i, DWORD j, const char* text) {
    EditSlot(i, j, &ADAPTER::IpMask, text, ORVANE_CHANGE_IP_MASK);
}

void CNetworkAdapter::SetGateway(DWORD i, DWORD j, const char* text) {
    EditSlot(i, j, &ADAPTER::Gateway, text, ORVANE_CHANGE_GATEWAY);
}

void CNetworkAdapter::SetNameServer1(DWORD i, const char* text) {
    if (!Valid(i) || !text || std::strcmp(Adapters[i].NameServer1, text) == 0) return;
    if (StoreWhole(Adapters[i].NameServer1, text)) MarkWrite(i, false, 0);
}

void CNetworkAdapter::SetNameServer2(DWORD i, const char* text) {
    if (!Valid(i) || !text || std::strcmp(Adapters[i].NameServer2, text) == 0) return;
    if (StoreWhole(Adapters[i].NameServer2, text)) MarkWrite(i, false, 0);
}

void CNetworkAdapter::SetNodeType(DWORD i, const char* text) {
    if (!Valid(i) || !text || std::strcmp(Adapters[i].NodeType, text) == 0) return;
    if (StoreWhole(Adapters[i].NodeType, text)) MarkWrite(i, true, ORVANE_CHANGE_NODE_TYPE);
}

void CNetworkAdapter::SetWINSEnable(DWORD i, DWORD on) {
    if (!Valid(i) || DWORD(GetWINSEnable(i)) == on) return;
    SetNodeType(i, on ? "8" : "1");
    MarkWrite(i, !IsW2K(), ORVANE_CHANGE_WINS);
}

// A flag edit marks only a real change, but records the kind of change
// whenever it is asked for.
void CNetworkAdapter::EditFlag(DWORD i, INT ADAPTER::*field, DWORD value, DWORD change) {
    if (!Valid(i)) return;
    ADAPTER& a = Adapters[i];
    if (DWORD(a.*field) != value) {
        a.bWriteNeeded = TRUE;
        a.bRebootNeeded = TRUE;
    }
    a.*field = INT(value);
    dwChangeMask |= change;
}

void CNetworkAdapter::SetDHCPWINS(DWORD i, DWORD value) {
    EditFlag(i, &ADAPTER::bDHCPWINS, value, ORVANE_CHANGE_WINS);
}

void CNetworkAdapter::SetEnabled(DWORD i, DWORD value) { EditFlag(i, &ADAPTER::bEnabled, value, ORVANE_CHANGE_ENABLED); }

void CNetworkAdapter::SetDHCP(DWORD i) {
    if (!Valid(i)) return;
    // The count is asked first, so an adapter without addresses is switched
    // without the dump its slot-0 query would write.
    if (GetIpAddressCount(i) > 0 && GetDHCP(i) == 1) return;
    SetIpAddress(i, 0, "0.0.0.0");
    SetIpMask(i, 0, "0.0.0.0");
    dwChangeMask |= ORVANE_CHANGE_IP_ADDRESS | ORVANE_CHANGE_IP_MASK;
}

void CNetworkAdapter::SetDNSEnable(DWORD i, DWORD on) {
    if (!Valid(i) || !GetAdapterDNS()) return;
    if (DWORD(GetDNSEnable(i)) != on) Adapters[i].bWriteNeeded = TRUE;
    StoreWhole(Adapters[i].EnableDNS, on ? "1" : "0");
}

void CNetworkAdapter::SetDNSNameServer(DWORD i, DWORD j, const char* text) {
    if (!Valid(i) || !text || j >= kMaxSlots || !GetAdapterDNS()) return;
    char(&slot)[16] = Adapters[i].DNSNameServer[j];
    if (std::strlen(text) >= sizeof slot) return;
    if (slot[0] != '\0' && std::strcmp(slot, text) == 0) return;
    Adapters[i].bWriteNeeded = TRUE;
    StoreWhole(slot, text);
}

int CNetworkAdapter::GetWriteNeeded() const {
    for (const ADAPTER& a : Adapters)
        if (a.bWriteNeeded) return 1;
    return 0;
}

int CNetworkAdapter::GetRebootNeeded(DWORD* reason) const {
    for (const ADAPTER& a : Adapters) {
        if (a.bRebootNeeded) {
            if (reason) *reason = dwChangeMask;
            return 1;
        }
    }
    return 0;
}
