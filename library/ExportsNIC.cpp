// The adapter family: every export forwards to the global adapter table.
#include "Exports.h"
#include "NetworkAdapter/NetworkAdapter.h"
#include "Orvane.h"

using orvane::Apply;
using orvane::Call;
using orvane::CopyFrom;

namespace {
CNetworkAdapter* Table() { return g_library.adapters; }
}  // namespace

INT WINAPI GetNICCount(void) {
    return Call(Table(), 0, [](CNetworkAdapter& t) { return t.AdapterCount(); });
}
INT WINAPI GetNICTCPIP(DWORD adapter) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetTCPIP(adapter); });
}
INT WINAPI GetNICNETBEUI(DWORD adapter) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetNETBEUI(adapter); });
}
INT WINAPI GetNICName(DWORD adapter, LPSTR buffer, DWORD size) {
    return CopyFrom(Table(), buffer, size, [&](CNetworkAdapter& t) { return t.GetName(adapter); });
}
INT WINAPI GetNICIpAddressCount(DWORD adapter) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetIpAddressCount(adapter); });
}
INT WINAPI GetNICIpAddress(DWORD adapter, DWORD slot, LPSTR buffer, DWORD size) {
    return CopyFrom(Table(), buffer, size, [&](CNetworkAdapter& t) { return t.GetIpAddress(adapter, slot); });
}
INT WINAPI GetNICIpMask(DWORD adapter, DWORD slot, LPSTR buffer, DWORD size) {
    return CopyFrom(Table(), buffer, size, [&](CNetworkAdapter& t) { return t.GetIpMask(adapter, slot); });
}
INT WINAPI GetNICGatewayCount(DWORD adapter) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetGatewayCount(adapter); });
}
INT WINAPI GetNICGateway(DWORD adapter, DWORD slot, LPSTR buffer, DWORD size) {
    return CopyFrom(Table(), buffer, size, [&](CNetworkAdapter& t) { return t.GetGateway(adapter, slot); });
}
INT WINAPI GetNICDHCP(DWORD adapter) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetDHCP(adapter); });
}
INT WINAPI GetNICDHCPWINS(DWORD adapter) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetDHCPWINS(adapter); });
}
INT WINAPI GetNICAdapterWINS(void) {
    return Call(Table(), 0, [](CNetworkAdapter& t) { return t.GetAdapterWINS(); });
}
INT WINAPI GetNICWINSEnable(DWORD adapter) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetWINSEnable(adapter); });
}
INT WINAPI GetNICNameServer1(DWORD adapter, LPSTR buffer, DWORD size) {
    return CopyFrom(Table(), buffer, size, [&](CNetworkAdapter& t) { return t.GetNameServer1(adapter); });
}
INT WINAPI GetNICNameServer2(DWORD adapter, LPSTR buffer, DWORD size) {
    return CopyFrom(Table(), buffer, size, [&](CNetworkAdapter& t) { return t.GetNameServer2(adapter); });
}
INT WINAPI GetNICEnabled(DWORD adapter) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetEnabled(adapter); });
}
INT WINAPI GetNICAdapterDNS(void) {
    return Call(Table(), 0, [](CNetworkAdapter& t) { return t.GetAdapterDNS(); });
}
INT WINAPI GetNICDNSEnable(DWORD adapter) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetDNSEnable(adapter); });
}
INT WINAPI GetNICDNSCount(DWORD adapter) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetDNSCount(adapter); });
}
INT WINAPI GetNICDNSNameServer(DWORD adapter, DWORD slot, LPSTR buffer, DWORD size) {
    return CopyFrom(Table(), buffer, size, [&](CNetworkAdapter& t) { return t.GetDNSNameServer(adapter, slot); });
}
INT WINAPI GetNICWriteNeeded(void) {
    return Call(Table(), 0, [](CNetworkAdapter& t) { return t.GetWriteNeeded(); });
}
INT WINAPI GetNICRebootNeeded(LPDWORD reason) {
    return Call(Table(), 0, [&](CNetworkAdapter& t) { return t.GetRebootNeeded(reason); });
}

void WINAPI SetNICIpAddress(DWORD adapter, DWORD slot, LPCSTR text) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetIpAddress(adapter, slot, text); });
}
void WINAPI SetNICIpMask(DWORD adapter, DWORD slot, LPCSTR text) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetIpMask(adapter, slot, text); });
}
void WINAPI SetNICGateway(DWORD adapter, DWORD slot, LPCSTR text) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetGateway(adapter, slot, text); });
}
void WINAPI SetNICNameServer1(DWORD adapter, LPCSTR text) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetNameServer1(adapter, text); });
}
void WINAPI SetNICNameServer2(DWORD adapter, LPCSTR text) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetNameServer2(adapter, text); });
}
void WINAPI SetNICWINSEnable(DWORD adapter, DWORD on) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetWINSEnable(adapter, on); });
}
void WINAPI SetNICDHCPWINS(DWORD adapter, DWORD value) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetDHCPWINS(adapter, value); });
}
void WINAPI SetNICEnabled(DWORD adapter, DWORD value) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetEnabled(adapter, value); });
}
void WINAPI SetNICDHCP(DWORD adapter) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetDHCP(adapter); });
}
void WINAPI SetNICDNSEnable(DWORD adapter, DWORD on) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetDNSEnable(adapter, on); });
}
void WINAPI SetNICDNSNameServer(DWORD adapter, DWORD slot, LPCSTR text) {
    Apply(Table(), [&](CNetworkAdapter& t) { t.SetDNSNameServer(adapter, slot, text); });
}
INT WINAPI SetNICWriteData(void) {
    return Call(Table(), 0, [](CNetworkAdapter& t) { return t.WriteData(nullptr); });
}
