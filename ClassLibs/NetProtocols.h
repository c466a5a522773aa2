// Protocol installs and service bindings in the network component layout
// of Windows 95/98: TCP/IP (MSTCP) and NetBEUI added to or removed from one
// adapter, and file and printer sharing (VSERVER) and the network client
// (VREDIR) bound to those protocols.
//
// Windows 95/98 describes a network component by three kinds of keys below
// HKEY_LOCAL_MACHINE: a driver (class) instance below
// "System\CurrentControlSet\Services\Class\<class>\nnnn", a component
// instance below "Enum\Network\<component>\nnnn" naming it, and binding
// values ("MSTCP\0003") in the "Bindings" key of whatever the component is
// bound to: an adapter's device key, or a protocol's component instance.
// Instance numbers are four decimal digits, 0000 to 9999; a free number is
// the lowest one without a key, so gaps are reused.
//
// The object holds no state. Every operation reads the machine afresh: it
// builds its own adapter table (so it sees what earlier operations did)
// and never touches the library's global one. The setup functions that
// fill a new protocol instance from "NETTRANS.INF" are looked up at run
// time, so the library loads on a Windows 95 without setupapi.dll; a
// protocol install fails there and writes nothing.
//
// Key paths built here hold at most 259 characters; an operation that
// would need a longer one refuses it and writes nothing for it.
#pragma once

#include <windows.h>

class CNetProtocols {
public:
    CNetProtocols() {}
    virtual ~CNetProtocols() {}

    CNetProtocols(const CNetProtocols&) = delete;
    CNetProtocols& operator=(const CNetProtocols&) = delete;

    // A four-digit instance number ("0000" to "9999") and its NUL.
    typedef char Instance[5];
    // A binding name: a component, a backslash and an instance ("MSTCP\0003").
    typedef char BindingName[16];
    // A class instance a "Driver" value names ("NetService\0000").
    typedef char ClassInstance[24];

    // ---- Protocols: masks of ORVANE_PROTOCOL_TCPIP (1) and _NETBEUI (2) ----

    // TCP/IP first, then NetBEUI; a failure of one does not undo or prevent
    // the other. 1 when every requested one succeeded (so for mask 0).
    int Install(DWORD adapter, DWORD protocols);
    int Uninstall(DWORD adapter, DWORD protocols);
    int InstallTCPIP(DWORD adapter);
    int InstallNETBEUI(DWORD adapter);
    int UninstallTCPIP(DWORD adapter);
    int UninstallNETBEUI(DWORD adapter);

    // ---- Services: masks of ORVANE_SERVICE_FILE_SHARING (1) and _CLIENT (2) ----

    // Binds new service instances to each requested protocol the adapter
    // has. 0 for an adapter that does not exist or a mask of 0, else 1.
    int BindServices(DWORD adapter, DWORD protocols, DWORD services);
    // Removes the lowest-numbered binding of each requested service from
    // each requested protocol. 0 and 1 as for BindServices.
    int UnbindServices(DWORD adapter, DWORD protocols, DWORD services);
    // 1 when the protocol (exactly 1 or 2) is bound to the adapter and the
    // service (1 or 2) to that protocol; any other non-zero service only
    // asks for the protocol.
    int GetServiceBinding(DWORD adapter, DWORD protocol, DWORD service);

    // ---- Operations shared by protocols and services ----

    // The lowest number whose key base\nnnn cannot be opened; false when
    // all 10000 open (or base\nnnn would not fit a key path).
    bool FindFreeInstance(HKEY root, const char* base, Instance& instance) const;
    // Creates (or opens) base\instance with full access, creating missing
    // keys on the way. With `key` the open key is handed over (the caller
    // closes it). 1 or 0.
    int CreateInstanceKey(HKEY root, const char* base, const char* instance, HKEY* key = nullptr) const;
    // Deletes base (or base\instance) with its values and every key below
    // it. 1 when the platform reports the key itself deleted.
    int DeleteInstanceKey(HKEY root, const char* base, const char* instance = nullptr) const;
    // Applies the registry directives of one section of "NETTRANS.INF"
    // with root\keyPath as HKR. The platform's result (nonzero: success);
    // 0 when the file, the key or the setup functions are missing.
    BOOL InstallInfSection(const char* section, HKEY root, const char* keyPath) const;
    // The lowest-numbered binding of `component` in keyPath\Bindings
    // (HKEY_LOCAL_MACHINE), each name asked for by itself. With `key` the
    // Bindings key, opened for reading, is handed over when one is found.
    bool FindBinding(const char* keyPath, const char* component, BindingName& name, HKEY* key = nullptr) const;
    // The class instance (below "System\CurrentControlSet\Services\Class\"
    // + className) whose "Ndi" "DeviceID" is `service`, letter case aside.
    bool FindClassInstance(const char* className, const char* service, ClassInstance& instance) const;
    // New file-sharing and client instances; the client brings a
    // file-sharing instance of its own, bound inside it.
    bool CreateServerInstance(BindingName& binding) const;
    bool CreateClientInstance(BindingName& binding) const;

    struct Protocol;
    struct Service;

private:
    int InstallProtocol(DWORD adapter, const Protocol& protocol) const;
    int UninstallProtocol(DWORD adapter, const Protocol& protocol) const;
    bool CreateServiceInstance(const Service& service, BindingName& binding) const;
};
