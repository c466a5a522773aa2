// Edits of the machine-wide TCP/IP settings and their write-back.
#include <cstring>
#include <string>

#include "Registry.h"
#include "Shared/FieldText.h"
#include "Shared/RegistryPaths.h"
#include "Shared/Win9xWins.h"
#include "TCPIPNetwork.h"

using field_text::JoinSlots;
using field_text::StoreCut;
using field_text::StoreWhole;

namespace {

bool Same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// The common rule of the text setters: a null text, one longer than the
// field holds, or one equal to the held text changes nothing.
template <size_t N>
void ChangeText(char (&field)[N], const char* text, BOOL& writeNeeded) {
    if (!text || Same(field, text)) return;
    if (StoreWhole(field, text)) writeNeeded = TRUE;
}

// A list slot: an empty slot takes any text, even the empty one, so
// emptying an already empty slot still counts as an edit.
template <size_t N>
void ChangeSlot(char (&slot)[N], const char* text, BOOL& writeNeeded) {
    if (!text || (slot[0] != '\0' && Same(slot, text))) return;
    if (StoreWhole(slot, text)) writeNeeded = TRUE;
}

}  // namespace

// ---- Setters -------------------------------------------------------------------

// Accepted on Windows 2000 too, where the write-back never stores it.
void CTCPIPNetwork::SetHostName(const char* text) { ChangeText(m_fields.HostName, text, m_fields.WriteNeeded); }

void CTCPIPNetwork::SetDomainName(const char* text) { ChangeText(m_fields.Domain, text, m_fields.WriteNeeded); }

void CTCPIPNetwork::SetLMHostFile(const char* text) { ChangeText(m_fields.LMHostFile, text, m_fields.WriteNeeded); }

// The flag is compared as a number with the current state, so 2 while
// enabled marks a write although the stored text stays "1".
void CTCPIPNetwork::SetDNSEnable(DWORD flag) {
    if (!ProtocolDNS()) return;
    if (flag != static_cast<DWORD>(GetDNSEnable())) m_fields.WriteNeeded = TRUE;
    StoreCut(m_fields.EnableDNS, flag ? "1" : "0");
}

void CTCPIPNetwork::SetDNSServer(DWORD index, const char* text) {
    if (index >= DNSServerSlots || !ProtocolDNS()) return;
    ChangeSlot(m_fields.DNSServer[index], text, m_fields.WriteNeeded);
}

// No platform test: on NT the field changes, but is neither read back nor
// written.
void CTCPIPNetwork::SetNameServer1(const char* text) {
    ChangeText(m_fields.NameServer1, text, m_fields.WriteNeeded);
}

void CTCPIPNetwork::SetNameServer2(const char* text) {
    ChangeText(m_fields.NameServer2, text, m_fields.WriteNeeded);
}

void CTCPIPNetwork::SetScopeID(const char* text) { ChangeText(m_fields.ScopeID, text, m_fields.WriteNeeded); }

void CTCPIPNetwork::SetSearchList(DWORD index, const char* text) {
    if (index >= SearchListSlots) return;
    ChangeSlot(m_fields.SearchList[index], text, m_fields.WriteNeeded);
}

void CTCPIPNetwork::SetWINSEnable(DWORD flag) {
    if (!ProtocolWINS()) return;
    SetNodeType(flag ? "8" : "1");
}

void CTCPIPNetwork::SetNodeType(const char* text) {
    if (!ProtocolWINS()) return;
    ChangeText(m_fields.NodeType, text, m_fields.WriteNeeded);
}

// Any value is kept as given; only zero and nonzero matter to the write.
void CTCPIPNetwork::SetDHCPWINS(DWORD flag) {
    if (!ProtocolWINS()) return;
    if (flag != static_cast<DWORD>(m_fields.DHCPWINS)) m_fields.WriteNeeded = TRUE;
    m_fields.DHCPWINS = static_cast<INT>(flag);
}

// ---- Write-back ----------------------------------------------------------------

bool CTCPIPNetwork::WINSFromDHCP() const {
    return m_fields.DHCPWINS != 0 && !Same(m_fields.NodeType, "8");
}

// Switching between DHCP and manual WINS on Windows 95/98. Its outcome does
// not count towards the write's result.
void CTCPIPNetwork::ApplyDHCPWINS(DWORD flag) {
    if (IsNT() || !ProtocolWINS()) return;
    CRegistry reg(HKEY_LOCAL_MACHINE);
    win9x_wins::Switch(reg, reg_paths::kMstcp, flag != 0);
}

int CTCPIPNetwork::WriteData() {
    if (!m_fields.WriteNeeded) return 1;

    CRegistry reg(HKEY_LOCAL_MACHINE);
    const char* main = MainKey();
    int result = 1;
    // Every step runs; a failed one only spoils the result.
    auto write = [&](const char* key, const char* name, const char* text) {
        if (!reg.SetString(key, name, text)) result = 0;
    };

    // On Windows 2000 the identity's write stores the host name.
    if (!IsWin2000()) write(main, "HostName", m_fields.HostName);
    write(main, "Domain", m_fields.Domain);
    write(main, "LMHostFile", m_fields.LMHostFile);

    std::string servers = JoinSlots(m_fields.DNSServer, IsNT() ? ' ' : ',');
    // NT keeps no DNS switch: disabled DNS is stored as no servers.
    if (IsNT() && !GetDNSEnable()) servers.clear();
    if (ProtocolDNS()) write(main, "NameServer", servers.c_str());

    if (!IsNT()) {
        write(main, "EnableDNS", m_fields.EnableDNS);
        write(main, "ScopeID", m_fields.ScopeID);
    } else {
        write(reg_paths::kNetBTParameters, "ScopeID", m_fields.ScopeID);
    }

    if (ProtocolWINS()) {
        if (WINSFromDHCP()) {
            ApplyDHCPWINS(1);
        } else {
            ApplyDHCPWINS(0);
            write(main, "NodeType", m_fields.NodeType);
            const bool winsOn = Same(m_fields.NodeType, "8");
            // The servers stay in memory when WINS is off; only the registry
            // loses them.
            if (m_fields.NameServer1[0] != '\0' && winsOn)
                write(main, "NameServer1", m_fields.NameServer1);
            else
                reg.Delete(main, "NameServer1");
            if (m_fields.NameServer2[0] != '\0' && winsOn)
                write(main, "NameServer2", m_fields.NameServer2);
            else
                reg.Delete(main, "NameServer2");
        }
    }

    write(main, "SearchList", JoinSlots(m_fields.SearchList, ',').c_str());
    return result;
}
