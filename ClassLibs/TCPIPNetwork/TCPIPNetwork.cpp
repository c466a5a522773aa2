// Platform detection, loading and the getters of the machine-wide TCP/IP
// settings. Setters and the write-back are in TCPIPNetworkWrite.cpp.
#include "TCPIPNetwork.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "PlatformInfo.h"
#include "Registry.h"
#include "Shared/FieldText.h"
#include "Shared/RegistryPaths.h"
#include "Shared/Win9xWins.h"

using field_text::CountSlots;
using field_text::SplitListEmptyingLongItems;
using field_text::StoreCut;

namespace {

// Reads one text value into a field; a missing key or value, or a value
// that is not a string type, leaves the field as it is.
template <size_t N>
bool ReadText(CRegistry& reg, const char* key, const char* name, char (&field)[N]) {
    std::string text;
    if (!reg.GetString(key, name, text)) return false;
    StoreCut(field, text.c_str());
    return true;
}

}  // namespace

CTCPIPNetwork::CTCPIPNetwork() : m_fields() {
    DetectPlatform();
    Load();
}

// ---- Platform ------------------------------------------------------------------

void CTCPIPNetwork::DetectPlatform() {
    CPlatformInfo probe;
    m_fields.IsNT = probe.IsNT() ? TRUE : FALSE;
    m_fields.MajorVersion = probe.GetNTMajorVersion();
    // NT keeps WINS servers with each adapter only; Windows 95/98 does with
    // a new enough dial-up networking or Winsock.
    m_fields.WINSPerAdapter = probe.KeepsWinsPerAdapter() ? TRUE : FALSE;
}

bool CTCPIPNetwork::IsNT() const { return m_fields.IsNT != FALSE; }

bool CTCPIPNetwork::IsWin2000() const { return m_fields.MajorVersion >= 5; }

bool CTCPIPNetwork::ProtocolDNS() const { return !IsNT() || m_fields.MajorVersion < 5; }

bool CTCPIPNetwork::ProtocolWINS() const { return !IsNT() && !m_fields.WINSPerAdapter; }

const char* CTCPIPNetwork::MainKey() const { return IsNT() ? reg_paths::kTcpipParameters : reg_paths::kMstcp; }

// ---- Loading -------------------------------------------------------------------

void CTCPIPNetwork::Load() {
    // Everything after the platform facts starts empty.
    const size_t from = offsetof(Fields, WriteNeeded);
    std::memset(reinterpret_cast<char*>(&m_fields) + from, 0, sizeof(Fields) - from);

    CRegistry reg(HKEY_LOCAL_MACHINE);
    const char* main = MainKey();
    // Windows 2000 keeps the names the user chose under "NV" names; the
    // plain ones there belong to the running system.
    ReadText(reg, main, IsWin2000() ? "NV HostName" : "HostName", m_fields.HostName);
    ReadText(reg, main, IsWin2000() ? "NV Domain" : "Domain", m_fields.Domain);
    ReadText(reg, main, "LMHostFile", m_fields.LMHostFile);

    if (ProtocolWINS()) {
        ReadText(reg, main, "NodeType", m_fields.NodeType);
        ReadText(reg, main, "NameServer1", m_fields.NameServer1);
        ReadText(reg, main, "NameServer2", m_fields.NameServer2);
    }

    std::string servers;
    if (reg.GetString(main, "NameServer", servers)) {
        // Going through the setter marks a machine with DNS servers as
        // needing a write, so the first write stores "EnableDNS" with them.
        // An entry too long for a slot (NT 4.0 separates by blanks, so a
        // comma-joined pair is one entry) is not cut into an address that
        // was never there: its slot stays empty, as the adapters keep theirs.
        SetDNSEnable(servers.empty() ? 0 : 1);
        SplitListEmptyingLongItems(servers, IsNT() ? ' ' : ',', m_fields.DNSServer);
    } else {
        SetDNSEnable(0);
    }
    if (!IsNT()) ReadText(reg, main, "EnableDNS", m_fields.EnableDNS);

    ReadText(reg, IsNT() ? reg_paths::kNetBTParameters : main, "ScopeID", m_fields.ScopeID);

    std::string searchList;
    if (reg.GetString(main, "SearchList", searchList)) SplitListEmptyingLongItems(searchList, ',', m_fields.SearchList);

    m_fields.DHCPWINS = DetectDHCPWINS();
}

// WINS is taken to come from DHCP when the 95/98 key holds none of the
// values a manual WINS configuration leaves behind.
int CTCPIPNetwork::DetectDHCPWINS() const {
    if (IsNT() || !ProtocolWINS()) return 0;
    CRegistry reg(HKEY_LOCAL_MACHINE);
    return win9x_wins::FromDhcp(reg, reg_paths::kMstcp) ? 1 : 0;
}

// ---- Getters -------------------------------------------------------------------

int CTCPIPNetwork::GetDHCPWINS() const { return ProtocolWINS() ? m_fields.DHCPWINS : 0; }

const char* CTCPIPNetwork::GetHostName() const { return IsWin2000() ? nullptr : m_fields.HostName; }

int CTCPIPNetwork::GetDNSEnable() const {
    if (m_fields.EnableDNS[0] == '\0' || !ProtocolDNS()) return 0;
    return m_fields.EnableDNS[0] == '1' ? 1 : 0;
}

DWORD CTCPIPNetwork::GetDNSServerCount() const { return CountSlots(m_fields.DNSServer); }

// An index equal to the count reads the empty slot that ends the list.
const char* CTCPIPNetwork::GetDNSServer(DWORD index) const {
    if (!ProtocolDNS() || index >= DNSServerSlots || index > GetDNSServerCount()) return nullptr;
    return m_fields.DNSServer[index];
}

int CTCPIPNetwork::GetWINSEnable() const {
    return ProtocolWINS() && std::strcmp(m_fields.NodeType, "8") == 0 ? 1 : 0;
}

const char* CTCPIPNetwork::GetNameServer1() const {
    return m_fields.WINSPerAdapter ? nullptr : m_fields.NameServer1;
}

const char* CTCPIPNetwork::GetNameServer2() const {
    return m_fields.WINSPerAdapter ? nullptr : m_fields.NameServer2;
}

DWORD CTCPIPNetwork::GetSearchListCount() const { return CountSlots(m_fields.SearchList); }

const char* CTCPIPNetwork::GetSearchList(DWORD index) const {
    if (index >= SearchListSlots || index > GetSearchListCount()) return nullptr;
    return m_fields.SearchList[index];
}
