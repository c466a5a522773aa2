// The networking identity: platform, load, getters and setters. The write
// is in WinNetworkWrite.cpp, the logon choices in LogonChoices.cpp, the
// persistent connections in Connections.cpp, the workgroup or domain of
// Windows NT in WinNetworkDomain.cpp.
#include "WinNetwork.h"

#include <cstring>
#include <string>

#include "PlatformInfo.h"
#include "Registry.h"
#include "Shared/FieldText.h"
#include "Shared/RegistryPaths.h"

using field_text::StoreCut;

namespace {

// A text value into a field, cut to the field; a missing or unreadable
// value leaves the field as it is.
template <size_t N>
void ReadText(CRegistry& reg, const char* key, const char* name, char (&field)[N]) {
    std::string text;
    if (reg.GetString(key, name, text)) StoreCut(field, text.c_str());
}

// A 4-byte REG_BINARY flag: on only when its first byte is exactly 1.
DWORD ReadFlag(CRegistry& reg, const char* key, const char* name) {
    CRegValue value;
    if (!reg.QueryValue(key, name, value)) return 0;
    return value.Type() == REG_BINARY && value.Size() == 4 && value.Data() && value.Data()[0] == 1 ? 1 : 0;
}

// A text setter's rule: null, over-long and equal texts change nothing.
template <size_t N>
bool Change(char (&field)[N], const char* text) {
    if (!text || std::strcmp(field, text) == 0) return false;
    return field_text::StoreWhole(field, text);
}

}  // namespace

CWinNetwork::CWinNetwork()
    : m_fields(), m_kernel("KERNEL32.DLL"), GetComputerNameExA("GetComputerNameExA"),
      GetComputerNameA("GetComputerNameA"), SetComputerNameExA("SetComputerNameExA"),
      SetComputerNameA("SetComputerNameA") {
    CPlatformInfo probe;
    m_fields.IsNT = probe.IsNT() ? 1 : 0;
    m_fields.OSMajorVersion = probe.GetNTMajorVersion();
    // Each entry point is null when missing; every use skips a null one.
    m_kernel.Find(GetComputerNameExA, GetComputerNameA, SetComputerNameExA, SetComputerNameA);
    if (IsNT()) {
        LoadNT();
    } else {
        LoadWin9x();
    }
    LoadConnections();
    LoadShares();
}

// ---- Loading -------------------------------------------------------------------

void CWinNetwork::LoadWin9x() {
    CRegistry reg(HKEY_LOCAL_MACHINE);
    ReadText(reg, reg_paths::kVnetsup, "ComputerName", m_fields.ComputerName);
    ReadText(reg, reg_paths::kVnetsup, "Workgroup", m_fields.ComputerWorkgroup);
    ReadText(reg, reg_paths::kVnetsup, "Comment", m_fields.ComputerComment);
    ReadPrimaryLogon(m_fields.DefaultLogon);
    ReadText(reg, reg_paths::kMsnpProvider, "AuthenticatingAgent", m_fields.NTLogonDomain);
    m_fields.NTLogon = ReadFlag(reg, reg_paths::kNetworkLogon, "LMLogon");
    m_fields.QuickLogon = ReadFlag(reg, reg_paths::kMsnpProvider, "LogonDisconnected");
    DWORD policy = 0;
    m_fields.PwdCachingDisabled = reg.GetDword(reg_paths::kNetworkPolicies, "DisablePwdCaching", policy) &&
                                          policy == 1
                                      ? 1
                                      : 0;
}

void CWinNetwork::LoadNT() {
    // The name the system answers, with the size the buffer leaves for it.
    DWORD size = 255;
    BOOL named = FALSE;
    if (IsWin2000()) {
        if (GetComputerNameExA.Found())
            named = GetComputerNameExA(ComputerNamePhysicalDnsHostname, m_fields.ComputerName, &size);
    } else if (GetComputerNameA.Found()) {
        named = GetComputerNameA(m_fields.ComputerName, &size);
    }
    if (!named) m_fields.ComputerName[0] = '\0';
    m_fields.ComputerName[sizeof m_fields.ComputerName - 1] = '\0';
    LoadMembership();
}

void CWinNetwork::LoadShares() {
    ClearShareTable(m_fields.Shares);
    if (IsNT()) {
        CWinNTShares shares;
        if (shares.IsLoaded()) shares.Enumerate(m_fields.Shares);
    } else {
        CWin9xShares shares;
        if (shares.IsLoaded()) shares.Enumerate(m_fields.Shares);
    }
}

// ---- Setters -------------------------------------------------------------------

void CWinNetwork::SetComputerNameText(const char* text) {
    if (Change(m_fields.ComputerName, text)) m_fields.WriteNeeded = 1;
}

void CWinNetwork::SetComputerWorkgroup(const char* text) {
    if (Change(m_fields.ComputerWorkgroup, text)) m_fields.WriteNeeded = m_fields.DomainChangePending = 1;
}

void CWinNetwork::SetComputerComment(const char* text) {
    if (Change(m_fields.ComputerComment, text)) m_fields.WriteNeeded = 1;
}

void CWinNetwork::SetNTLogon(DWORD value) {
    if (value == m_fields.NTLogon) return;
    m_fields.NTLogon = value;
    m_fields.WriteNeeded = m_fields.DomainChangePending = 1;
}

void CWinNetwork::SetNTLogonDomain(const char* text) {
    if (Change(m_fields.NTLogonDomain, text)) m_fields.WriteNeeded = m_fields.DomainChangePending = 1;
}

void CWinNetwork::SetQuickLogon(DWORD value) {
    if (IsNT() || value == m_fields.QuickLogon) return;
    m_fields.QuickLogon = value;
    m_fields.WriteNeeded = 1;
}

void CWinNetwork::SetDefaultLogon(const char* text) {
    // Resolved to a client only when written.
    if (!IsNT() && Change(m_fields.DefaultLogon, text)) m_fields.WriteNeeded = 1;
}
