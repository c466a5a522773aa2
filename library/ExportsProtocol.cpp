// Protocol installs and service bindings: every export forwards to the
// protocols object.
#include "Exports.h"
#include "NetProtocols.h"
#include "Orvane.h"

using orvane::Call;

namespace {
CNetProtocols* Protocols() { return g_library.protocols; }
}  // namespace

INT WINAPI SetProtocolInstall(DWORD adapter, DWORD protocols) {
    return Call(Protocols(), 0, [&](CNetProtocols& p) { return p.Install(adapter, protocols); });
}
INT WINAPI SetProtocolUninstall(DWORD adapter, DWORD protocols) {
    return Call(Protocols(), 0, [&](CNetProtocols& p) { return p.Uninstall(adapter, protocols); });
}
INT WINAPI SetProtocolServiceBindings(DWORD adapter, DWORD protocols, DWORD services) {
    return Call(Protocols(), 0, [&](CNetProtocols& p) { return p.BindServices(adapter, protocols, services); });
}
INT WINAPI SetProtocolServiceUnbindings(DWORD adapter, DWORD protocols, DWORD services) {
    return Call(Protocols(), 0, [&](CNetProtocols& p) { return p.UnbindServices(adapter, protocols, services); });
}
INT WINAPI GetProtocolServiceBinding(DWORD adapter, DWORD protocol, DWORD service) {
    return Call(Protocols(), 0, [&](CNetProtocols& p) { return p.GetServiceBinding(adapter, protocol, service); });
}
