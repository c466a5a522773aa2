// The networking identity family: every export forwards to the one
// CWinNetwork object.
#include "Exports.h"
#include "Orvane.h"
#include "WinNetwork/WinNetwork.h"

using orvane::Apply;
using orvane::Call;
using orvane::CopyFrom;

namespace {
CWinNetwork* Identity() { return g_library.identity; }
}  // namespace

INT WINAPI GetWNETComputerName(LPSTR buffer, DWORD size) {
    return CopyFrom(Identity(), buffer, size, [](CWinNetwork& w) { return w.GetComputerNameText(); });
}
INT WINAPI GetWNETComputerWorkgroup(LPSTR buffer, DWORD size) {
    return CopyFrom(Identity(), buffer, size, [](CWinNetwork& w) { return w.GetComputerWorkgroup(); });
}
INT WINAPI GetWNETComputerComment(LPSTR buffer, DWORD size) {
    return CopyFrom(Identity(), buffer, size, [](CWinNetwork& w) { return w.GetComputerComment(); });
}
INT WINAPI GetWNETNTLogon(void) {
    return Call(Identity(), 0, [](CWinNetwork& w) { return w.GetNTLogon(); });
}
INT WINAPI GetWNETNTLogonDomain(LPSTR buffer, DWORD size) {
    return CopyFrom(Identity(), buffer, size, [](CWinNetwork& w) { return w.GetNTLogonDomain(); });
}
INT WINAPI GetWNETQuickLogon(void) {
    return Call(Identity(), 0, [](CWinNetwork& w) { return w.GetQuickLogon(); });
}
INT WINAPI GetWNETDefaultLogon(LPSTR buffer, DWORD size) {
    return CopyFrom(Identity(), buffer, size, [](CWinNetwork& w) { return w.GetDefaultLogon(); });
}
INT WINAPI GetWNETLogonCount(void) {
    return Call(Identity(), 0, [](CWinNetwork& w) { return w.GetLogonCount(); });
}
INT WINAPI GetWNETLogonName(DWORD index, LPSTR buffer, DWORD size) {
    // The name is looked up into this call's own buffer, so two threads
    // asking at once each get their own answer.
    char name[CWinNetwork::LogonNameSize];
    return CopyFrom(Identity(), buffer, size,
                    [&](CWinNetwork& w) { return w.GetLogonName(index, name) ? name : nullptr; });
}
INT WINAPI GetWNETWriteNeeded(void) {
    return Call(Identity(), 0, [](CWinNetwork& w) { return w.GetWriteNeeded(); });
}

void WINAPI SetWNETComputerName(LPCSTR text) {
    Apply(Identity(), [&](CWinNetwork& w) { w.SetComputerNameText(text); });
}
void WINAPI SetWNETComputerWorkgroup(LPCSTR text) {
    Apply(Identity(), [&](CWinNetwork& w) { w.SetComputerWorkgroup(text); });
}
void WINAPI SetWNETComputerComment(LPCSTR text) {
    Apply(Identity(), [&](CWinNetwork& w) { w.SetComputerComment(text); });
}
void WINAPI SetWNETNTLogon(DWORD value) {
    Apply(Identity(), [&](CWinNetwork& w) { w.SetNTLogon(value); });
}
void WINAPI SetWNETNTLogonDomain(LPCSTR text) {
    Apply(Identity(), [&](CWinNetwork& w) { w.SetNTLogonDomain(text); });
}
void WINAPI SetWNETQuickLogon(DWORD value) {
    Apply(Identity(), [&](CWinNetwork& w) { w.SetQuickLogon(value); });
}
void WINAPI SetWNETDefaultLogon(LPCSTR text) {
    Apply(Identity(), [&](CWinNetwork& w) { w.SetDefaultLogon(text); });
}
INT WINAPI SetWNETWriteData(void) {
    return Call(Identity(), 0, [](CWinNetwork& w) { return w.WriteData(); });
}
