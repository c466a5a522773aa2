// The machine-wide TCP/IP family: every export forwards to the one
// CTCPIPNetwork object.
#include "Exports.h"
#include "Orvane.h"
#include "TCPIPNetwork/TCPIPNetwork.h"

using orvane::Apply;
using orvane::Call;
using orvane::CopyFrom;

namespace {
CTCPIPNetwork* Tcp() { return g_library.tcpip; }
}  // namespace

INT WINAPI GetTCPProtocolWINS(void) {
    return Call(Tcp(), 0, [](CTCPIPNetwork& n) { return n.ProtocolWINS(); });
}
INT WINAPI GetTCPProtocolDNS(void) {
    return Call(Tcp(), 0, [](CTCPIPNetwork& n) { return n.ProtocolDNS(); });
}
INT WINAPI GetTCPDHCPWINS(void) {
    return Call(Tcp(), 0, [](CTCPIPNetwork& n) { return n.GetDHCPWINS(); });
}
INT WINAPI GetTCPWriteNeeded(void) {
    return Call(Tcp(), 0, [](CTCPIPNetwork& n) { return n.GetWriteNeeded(); });
}
INT WINAPI GetTCPHostName(LPSTR buffer, DWORD size) {
    return CopyFrom(Tcp(), buffer, size, [](CTCPIPNetwork& n) { return n.GetHostName(); });
}
INT WINAPI GetTCPDomainName(LPSTR buffer, DWORD size) {
    return CopyFrom(Tcp(), buffer, size, [](CTCPIPNetwork& n) { return n.GetDomainName(); });
}
INT WINAPI GetTCPDNSEnable(void) {
    return Call(Tcp(), 0, [](CTCPIPNetwork& n) { return n.GetDNSEnable(); });
}
INT WINAPI GetTCPLMHostFile(LPSTR buffer, DWORD size) {
    return CopyFrom(Tcp(), buffer, size, [](CTCPIPNetwork& n) { return n.GetLMHostFile(); });
}
INT WINAPI GetTCPDNSServerCount(void) {
    return Call(Tcp(), 0, [](CTCPIPNetwork& n) { return n.GetDNSServerCount(); });
}
INT WINAPI GetTCPDNSServer(DWORD index, LPSTR buffer, DWORD size) {
    return CopyFrom(Tcp(), buffer, size, [&](CTCPIPNetwork& n) { return n.GetDNSServer(index); });
}
INT WINAPI GetTCPWINSEnable(void) {
    return Call(Tcp(), 0, [](CTCPIPNetwork& n) { return n.GetWINSEnable(); });
}
INT WINAPI GetTCPNameServer1(LPSTR buffer, DWORD size) {
    return CopyFrom(Tcp(), buffer, size, [](CTCPIPNetwork& n) { return n.GetNameServer1(); });
}
INT WINAPI GetTCPNameServer2(LPSTR buffer, DWORD size) {
    return CopyFrom(Tcp(), buffer, size, [](CTCPIPNetwork& n) { return n.GetNameServer2(); });
}
INT WINAPI GetTCPScopeID(LPSTR buffer, DWORD size) {
    return CopyFrom(Tcp(), buffer, size, [](CTCPIPNetwork& n) { return n.GetScopeID(); });
}
INT WINAPI GetTCPSearchListCount(void) {
    return Call(Tcp(), 0, [](CTCPIPNetwork& n) { return n.GetSearchListCount(); });
}
INT WINAPI GetTCPSearchList(DWORD index, LPSTR buffer, DWORD size) {
    return CopyFrom(Tcp(), buffer, size, [&](CTCPIPNetwork& n) { return n.GetSearchList(index); });
}

void WINAPI SetTCPHostName(LPCSTR text) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetHostName(text); });
}
void WINAPI SetTCPDomainName(LPCSTR text) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetDomainName(text); });
}
void WINAPI SetTCPLMHostFile(LPCSTR text) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetLMHostFile(text); });
}
void WINAPI SetTCPDNSEnable(DWORD on) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetDNSEnable(on); });
}
void WINAPI SetTCPDNSServer(DWORD index, LPCSTR text) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetDNSServer(index, text); });
}
void WINAPI SetTCPNameServer1(LPCSTR text) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetNameServer1(text); });
}
void WINAPI SetTCPNameServer2(LPCSTR text) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetNameServer2(text); });
}
void WINAPI SetTCPScopeID(LPCSTR text) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetScopeID(text); });
}
void WINAPI SetTCPSearchList(DWORD index, LPCSTR text) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetSearchList(index, text); });
}
void WINAPI SetTCPWINSEnable(DWORD on) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetWINSEnable(on); });
}
void WINAPI SetTCPDHCPWINS(DWORD value) {
    Apply(Tcp(), [&](CTCPIPNetwork& n) { n.SetDHCPWINS(value); });
}
INT WINAPI SetTCPWriteData(void) {
    return Call(Tcp(), 0, [](CTCPIPNetwork& n) { return n.WriteData(); });
}
