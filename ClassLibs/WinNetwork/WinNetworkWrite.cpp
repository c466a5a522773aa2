// The write of the networking identity: the Windows 95/98 registry values
// with the computer name call among them, or on Windows NT the computer
// name calls, the Windows 2000 host name and the workgroup or domain
// change; then, on both, the persistent connections and the disk shares.
#include <cstring>

#include "Registry.h"
#include "Shared/RegistryPaths.h"
#include "WinNetwork.h"

namespace {

const BYTE kOn[4] = {1, 0, 0, 0};
const BYTE kOff[4] = {0, 0, 0, 0};

}  // namespace

int CWinNetwork::WriteData() {
    if (!m_fields.WriteNeeded) return 1;
    const int result = IsNT() ? WriteNT() : WriteWin9x();
    // Their outcomes do not count.
    RewriteConnections();
    WriteShares();
    return result;
}

int CWinNetwork::WriteWin9x() {
    CRegistry reg(HKEY_LOCAL_MACHINE);
    const char* vnetsup = reg_paths::kVnetsup;
    // Every step runs, whatever the ones before did.
    bool ok = reg.SetString(vnetsup, "ComputerName", m_fields.ComputerName);
    if (SetComputerNameA.Found()) ok = (SetComputerNameA(m_fields.ComputerName) != FALSE) && ok;
    ok = reg.SetString(vnetsup, "Workgroup", m_fields.ComputerWorkgroup) && ok;
    ok = reg.SetString(vnetsup, "Comment", m_fields.ComputerComment) && ok;
    ok = WritePrimaryLogon(m_fields.DefaultLogon) == 1 && ok;
    ok = reg.SetString(reg_paths::kMsnpProvider, "AuthenticatingAgent", m_fields.NTLogonDomain) && ok;
    ok = reg.SetBinary(reg_paths::kNetworkLogon, "LMLogon", m_fields.NTLogon ? kOn : kOff, 4) && ok;
    ok = reg.SetBinary(reg_paths::kMsnpProvider, "LogonDisconnected", m_fields.QuickLogon ? kOn : kOff, 4) && ok;
    ok = reg.SetDword(reg_paths::kNetworkPolicies, "DisablePwdCaching", m_fields.PwdCachingDisabled ? 1 : 0) && ok;
    return ok ? 1 : 0;
}

int CWinNetwork::WriteNT() {
    int result = 1;
    if (SetComputerNameA.Found()) result = SetComputerNameA(m_fields.ComputerName) ? 1 : 0;
    if (SetComputerNameExA.Found() &&
        !SetComputerNameExA(ComputerNamePhysicalDnsHostname, m_fields.ComputerName))
        result = 0;
    if (IsWin2000()) {
        CRegistry reg(HKEY_LOCAL_MACHINE);
        if (!reg.SetString(reg_paths::kTcpipParameters, "Hostname", m_fields.ComputerName)) result = 0;
        if (!reg.SetString(reg_paths::kTcpipParameters, "NV Hostname", m_fields.ComputerName)) result = 0;
        if (!JoinOnWin2000()) result = 0;
        return result;
    }
    return JoinOnNT4(result);
}

void CWinNetwork::WriteShares() {
    if (IsNT()) {
        CWinNTShares shares;
        if (shares.IsLoaded()) shares.Write(m_fields.Shares);
    } else {
        CWin9xShares shares;
        if (shares.IsLoaded()) shares.Write(m_fields.Shares);
    }
}
