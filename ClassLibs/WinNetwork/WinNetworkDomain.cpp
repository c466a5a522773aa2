// The workgroup or domain of Windows NT: what the domain classes say at
// load, and the move asked for by a change of the workgroup or domain
// fields at write time. A workgroup move is asked by clearing NTLogon and
// naming a workgroup; a domain move by setting NTLogon and naming the
// domain.
#include <cstring>

#include "W2KDomain/NT4Domain.h"
#include "W2KDomain/W2KDomain.h"
#include "WinNetwork.h"

namespace {

const char kCaption[] = "Orvane";

// A name from the system into a field through the ANSI code page; a name
// that does not fit (only possible in a double-byte code page) leaves the
// field empty.
template <size_t N>
void StoreName(char (&field)[N], LPCWSTR name) {
    field[0] = '\0';
    if (!name || !*name) return;
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, field, static_cast<int>(N), nullptr, nullptr) <= 0) field[0] = '\0';
    field[N - 1] = '\0';
}

// A field as UTF-16 for the domain classes; every byte of the field makes
// at most one character, so it always fits.
template <size_t N>
void Widen(WCHAR (&to)[N], const char* text) {
    to[0] = 0;
    if (*text && MultiByteToWideChar(CP_ACP, 0, text, -1, to, static_cast<int>(N)) <= 0) to[0] = 0;
}

void Show(const char* text, UINT icon) { MessageBoxA(nullptr, text, kCaption, MB_OK | icon); }

}  // namespace

void CWinNetwork::LoadMembership() {
    if (IsWin2000()) {
        CW2KDomain domain;
        LPCWSTR name = nullptr;
        int state = CW2KDomain::JoinUnknown;
        if (!domain.IsLoaded() || !domain.GetJoinInformation(&name, &state)) return;
        if (state == CW2KDomain::WorkgroupMember) {
            StoreName(m_fields.ComputerWorkgroup, name);
        } else if (state == CW2KDomain::DomainMember) {
            StoreName(m_fields.NTLogonDomain, name);
            m_fields.NTLogon = 1;
        }
        return;
    }
    CNT4Domain domain;
    WCHAR name[CNT4Domain::PrimaryDomainChars] = {0};
    int isDomain = 0;
    if (!domain.IsLoaded() || !domain.QueryPrimaryDomain(name, &isDomain)) return;
    for (WCHAR& c : name) {
        if (c == '\n') c = 0;
        if (c == 0) break;
    }
    if (isDomain) {
        StoreName(m_fields.NTLogonDomain, name);
        m_fields.NTLogon = 1;
    } else {
        StoreName(m_fields.ComputerWorkgroup, name);
    }
}

// 1 when nothing was asked or the asked move succeeded. A change asked of a
// system without the join functions fails.
int CWinNetwork::JoinOnWin2000() {
    CW2KDomain domain;
    if (!m_fields.DomainChangePending) return 1;
    if (!domain.IsLoaded()) return 0;
    WCHAR name[sizeof m_fields.NTLogonDomain];
    if (AsksWorkgroup()) {
        Widen(name, m_fields.ComputerWorkgroup);
        if (domain.JoinWorkgroup(name, nullptr, nullptr)) return 1;
        Show("Error joining the workgroup", MB_ICONERROR);
        return 0;
    }
    Widen(name, m_fields.NTLogonDomain);
    if (domain.JoinDomain(name, nullptr, nullptr)) return 1;
    Show("Error joining the domain. Check your privilege on the server.", MB_ICONERROR);
    return 0;
}

// The result so far, with the move combined in.
int CWinNetwork::JoinOnNT4(int result) {
    CNT4Domain domain;
    if (!domain.IsLoaded() || !m_fields.DomainChangePending) return result;
    WCHAR name[sizeof m_fields.NTLogonDomain];
    if (AsksWorkgroup()) {
        Widen(name, m_fields.ComputerWorkgroup);
        return domain.JoinWorkgroup(name) ? result : 0;
    }
    if (!m_fields.NTLogon || !m_fields.NTLogonDomain[0]) return result;
    Widen(name, m_fields.NTLogonDomain);
    const WCHAR empty[1] = {0};
    if (!domain.JoinDomain(name, nullptr, empty, empty)) result = 0;
    // The message tells the outcome of the whole write so far, the
    // computer name calls included.
    if (result) {
        Show("DOMAIN CHANGE OK", MB_ICONINFORMATION);
    } else {
        Show("DOMAIN CHANGE FAILED", MB_ICONERROR);
    }
    return result;
}
