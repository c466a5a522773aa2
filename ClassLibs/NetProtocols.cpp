// Protocol installs and removals, service bindings, and the instance,
// INF and binding operations they share.
#include "NetProtocols.h"

#include <setupapi.h>

#include <cstring>
#include <initializer_list>
#include <utility>

#include "NetworkAdapter/NetworkAdapter.h"
#include "Orvane.h"
#include "RuntimeLibrary.h"
#include "Shared/RegistryPaths.h"
#include "UniqueHandle.h"

using orvane::UniqueKey;

// What distinguishes one protocol from the other in the layout.
struct CNetProtocols::Protocol {
    DWORD bit;
    const char* component;    // the name bindings use: "MSTCP"
    const char* description;  // "DeviceDesc" of its component instance
    const char* const* sections;
    size_t sectionCount;
    int (CNetworkAdapter::*bound)(DWORD) const;
    const char* (CNetworkAdapter::*driverKey)(DWORD) const;
    bool switchesToDhcp;
};

struct CNetProtocols::Service {
    DWORD bit;
    const char* component;  // "VSERVER"
    const char* className;  // its class below Services\Class: "NetService"
    const char* description;
    bool bringsServer;  // the client binds a file-sharing instance of its own
};

namespace {

const char kNetTrans[] = "System\\CurrentControlSet\\Services\\Class\\NetTrans";
const char kEnumNetwork[] = "Enum\\Network";
const char kSetupFile[] = "NETTRANS.INF";
const char kCaption[] = "Orvane";
const char kInstalledMessage[] = "ERROR - PROTOCOL INSTALLED OR NON EXISTENT ADAPTER";
const char kNotInstalledMessage[] = "ERROR - PROTOCOL NOT INSTALLED OR NON EXISTENT ADAPTER";

// Numbers 0000 to 9999; a key path holds at most 259 characters.
const DWORD kInstanceCount = 10000;
typedef char KeyPath[260];

const char* const kTcpSections[] = {"MSTCP.install", "MSTCP.ndi", "MSTCP.VnbtOff.Install"};
const char* const kNetBeuiSections[] = {"NETBEUI.Install", "NETBEUI.ndi"};

const CNetProtocols::Protocol kProtocols[] = {
    {ORVANE_PROTOCOL_TCPIP, "MSTCP", "TCP/IP", kTcpSections, 3, &CNetworkAdapter::GetTCPIP,
     &CNetworkAdapter::GetAdapterNetTransRgy, true},
    {ORVANE_PROTOCOL_NETBEUI, "NETBEUI", "NetBEUI", kNetBeuiSections, 2, &CNetworkAdapter::GetNETBEUI,
     &CNetworkAdapter::GetAdapterNETBEUIRgy, false},
};
const CNetProtocols::Protocol& kTcpip = kProtocols[0];
const CNetProtocols::Protocol& kNetBeui = kProtocols[1];

const CNetProtocols::Service kServices[] = {
    {ORVANE_SERVICE_FILE_SHARING, "VSERVER", "NetService", "File and printer sharing for Microsoft Networks", false},
    {ORVANE_SERVICE_CLIENT, "VREDIR", "NetClient", "Client for Microsoft Networks", true},
};
const CNetProtocols::Service& kServer = kServices[0];
const CNetProtocols::Service& kClient = kServices[1];

// The parts one after the other into `out`; false, with `out` empty, when
// they do not fit.
template <size_t N>
bool Join(char (&out)[N], std::initializer_list<const char*> parts) {
    size_t used = 0;
    for (const char* part : parts) {
        const size_t length = std::strlen(part);
        if (length >= N - used) {
            out[0] = '\0';
            return false;
        }
        std::memcpy(out + used, part, length);
        used += length;
    }
    out[used] = '\0';
    return true;
}

// n (below 10000) as "%04d" does it, into four characters and a NUL. The
// scans write 10,000 of these; this is the whole of the formatting.
void FourDigits(DWORD n, char* out) {
    for (int k = 3; k >= 0; --k) {
        out[k] = char('0' + n % 10);
        n /= 10;
    }
    out[4] = '\0';
}

// Letter case aside, as names in the registry compare.
bool SameName(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'a' && x <= 'z') x = char(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = char(y - 'a' + 'A');
        if (x != y) return false;
        if (x == '\0') return true;
    }
}

// The install writes its texts without counting the NUL; Windows 95/98
// takes a text up to its NUL whatever the count, and NT adds the NUL.
LONG SetText(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text)));
}
// The service instances count it, as the Win32 documentation asks.
LONG SetTextWithNul(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text) + 1));
}
// An empty binding value: the install's with a count of 0, the service
// bindings' with 1 (the NUL alone).
LONG SetBinding(HKEY key, const char* name, DWORD size) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), size);
}

// "ConfigFlags" of every new component instance: 16, as four bytes.
LONG SetConfigFlags(HKEY key) {
    const BYTE flags[4] = {0x10, 0x00, 0x00, 0x00};
    return RegSetValueExA(key, "ConfigFlags", 0, REG_BINARY, flags, sizeof flags);
}

LONG CreateSubkey(HKEY parent, const char* name, HKEY* key) {
    DWORD disposition = 0;
    return RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key,
                           &disposition);
}

void ShowMessage(const char* text) { MessageBoxA(nullptr, text, kCaption, MB_OK | MB_ICONERROR); }

// The setup functions, looked up for one operation and released after it.
struct SetupFunctions {
    orvane::RuntimeLibrary library{"SETUPAPI.DLL"};
    ORVANE_RUNTIME_FUNCTION(SetupOpenInfFileA);
    ORVANE_RUNTIME_FUNCTION(SetupInstallFromInfSectionA);
    ORVANE_RUNTIME_FUNCTION(SetupCloseInfFile);
    const bool loaded = library.Find(SetupOpenInfFileA, SetupInstallFromInfSectionA, SetupCloseInfFile);

    BOOL Install(const char* section, HKEY root, const char* keyPath) const {
        if (!loaded || !section || !keyPath) return FALSE;
        const HINF inf = SetupOpenInfFileA(kSetupFile, "NetTrans", INF_STYLE_WIN4, nullptr);
        if (inf == INVALID_HANDLE_VALUE) return FALSE;
        UniqueKey key;
        BOOL result = FALSE;
        if (RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS, key.Receive()) == ERROR_SUCCESS) {
            result = SetupInstallFromInfSectionA(nullptr, inf, section, SPINST_REGISTRY, key.Get(), nullptr, 0,
                                                 nullptr, nullptr, nullptr, nullptr);
        }
        key.Reset();
        SetupCloseInfFile(inf);
        return result;
    }
};

// Deletes root\path and every key below it with RegDeleteKeyA, each key
// after the keys below it. Windows 95/98 would take the whole tree in one
// call, but Wine's Windows 98 mode stops partway in a tree with several
// subkeys (measured; the registry conformance checks name it) and NT
// refuses a key that has subkeys; leaves first gives the same tree gone on
// all of them. A leaf that cannot be deleted ends the walk; the answer is
// that of the last deletion, the key itself.
LONG DeleteKeyTree(HKEY root, const char* path) {
    for (bool deleted = true; deleted;) {
        deleted = false;
        UniqueKey parent;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, parent.Receive()) != ERROR_SUCCESS) break;
        // Down the first subkeys to a key without any, then delete it.
        char name[256];
        while (RegEnumKeyA(parent.Get(), 0, name, sizeof name) == ERROR_SUCCESS) {
            UniqueKey child;
            if (RegOpenKeyExA(parent.Get(), name, 0, KEY_READ, child.Receive()) != ERROR_SUCCESS) break;
            char grandchild[256];
            if (RegEnumKeyA(child.Get(), 0, grandchild, sizeof grandchild) == ERROR_NO_MORE_ITEMS) {
                child.Reset();
                deleted = RegDeleteKeyA(parent.Get(), name) == ERROR_SUCCESS;
                break;
            }
            parent = std::move(child);
        }
    }
    return RegDeleteKeyA(root, path);
}

// A component instance's Bindings key, opened with full access.
bool OpenBindings(const char* binding, UniqueKey& key) {
    KeyPath path;
    return Join(path, {kEnumNetwork, "\\", binding, "\\Bindings"}) &&
           RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, key.Receive()) == ERROR_SUCCESS;
}

}  // namespace

// ---- Shared operations ---------------------------------------------------------

bool CNetProtocols::FindFreeInstance(HKEY root, const char* base, Instance& instance) const {
    KeyPath path;
    if (!base || !Join(path, {base, "\\0000"})) return false;
    // Each number is opened below the base key, which is the same question
    // as opening the whole path; where the base itself does not open,
    // neither does any number below it.
    UniqueKey baseKey;
    if (RegOpenKeyExA(root, base, 0, KEY_READ, baseKey.Receive()) != ERROR_SUCCESS) {
        FourDigits(0, instance);
        return true;
    }
    char name[5];
    for (DWORD n = 0; n < kInstanceCount; ++n) {
        FourDigits(n, name);
        UniqueKey key;
        if (RegOpenKeyExA(baseKey.Get(), name, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) {
            std::memcpy(instance, name, sizeof name);
            return true;
        }
    }
    return false;
}

int CNetProtocols::CreateInstanceKey(HKEY root, const char* base, const char* instance, HKEY* key) const {
    KeyPath path;
    if (!base || !instance || !Join(path, {base, "\\", instance})) return 0;
    UniqueKey created;
    if (CreateSubkey(root, path, created.Receive()) != ERROR_SUCCESS) return 0;
    if (key) *key = created.Release();
    return 1;
}

int CNetProtocols::DeleteInstanceKey(HKEY root, const char* base, const char* instance) const {
    KeyPath path;
    // Never a root key: an empty path would name the root itself.
    if (!base || !*base) return 0;
    if (instance ? !Join(path, {base, "\\", instance}) : !Join(path, {base})) return 0;
    return DeleteKeyTree(root, path) == ERROR_SUCCESS ? 1 : 0;
}

BOOL CNetProtocols::InstallInfSection(const char* section, HKEY root, const char* keyPath) const {
    const SetupFunctions setup;
    return setup.Install(section, root, keyPath);
}

bool CNetProtocols::FindBinding(const char* keyPath, const char* component, BindingName& name, HKEY* key) const {
    KeyPath path;
    if (!keyPath || !component || !Join(path, {keyPath, "\\Bindings"})) return false;
    BindingName probe;
    if (!Join(probe, {component, "\\0000"})) return false;
    UniqueKey bindings;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, bindings.Receive()) != ERROR_SUCCESS) return false;
    char* digits = probe + std::strlen(component) + 1;
    for (DWORD n = 0; n < kInstanceCount; ++n) {
        FourDigits(n, digits);
        // Asked by name, not enumerated: the lowest number wins whatever
        // order the key keeps its values in.
        if (RegQueryValueExA(bindings.Get(), probe, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            std::memcpy(name, probe, sizeof probe);
            if (key) *key = bindings.Release();
            return true;
        }
    }
    return false;
}

bool CNetProtocols::FindClassInstance(const char* className, const char* service, ClassInstance& instance) const {
    KeyPath path;
    ClassInstance found;
    if (!className || !service || !Join(path, {reg_paths::kClass, className}) ||
        !Join(found, {className, "\\0000"}))
        return false;
    UniqueKey classKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, classKey.Receive()) != ERROR_SUCCESS) return false;
    char ndi[] = "0000\\Ndi";
    char* digits = found + std::strlen(className) + 1;
    // Numbers go past gaps: an instance removed long ago leaves a hole, and
    // the service may sit anywhere after it.
    for (DWORD n = 0; n < kInstanceCount; ++n) {
        FourDigits(n, digits);
        std::memcpy(ndi, digits, 4);
        UniqueKey key;
        if (RegOpenKeyExA(classKey.Get(), ndi, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) continue;
        char id[1024 + 1];
        DWORD size = sizeof id - 1;
        DWORD type = REG_NONE;
        if (RegQueryValueExA(key.Get(), "DeviceID", nullptr, &type, reinterpret_cast<BYTE*>(id), &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            continue;
        id[size] = '\0';  // a text stored without its NUL
        if (SameName(id, service)) {
            std::memcpy(instance, found, sizeof found);
            return true;
        }
    }
    return false;
}

bool CNetProtocols::CreateServiceInstance(const Service& service, BindingName& binding) const {
    ClassInstance driver;
    KeyPath base, masterCopy;
    Instance number;
    if (!FindClassInstance(service.className, service.component, driver) ||
        !Join(base, {kEnumNetwork, "\\", service.component}) ||
        !Join(masterCopy, {kEnumNetwork, "\\", service.component, "\\0000"}) ||
        !FindFreeInstance(HKEY_LOCAL_MACHINE, base, number))
        return false;
    UniqueKey key;
    if (!CreateInstanceKey(HKEY_LOCAL_MACHINE, base, number, key.Receive())) return false;
    // Every instance names the first one as its master copy.
    SetTextWithNul(key.Get(), "Class", service.className);
    SetTextWithNul(key.Get(), "Driver", driver);
    SetTextWithNul(key.Get(), "MasterCopy", masterCopy);
    SetTextWithNul(key.Get(), "DeviceDesc", service.description);
    SetTextWithNul(key.Get(), "CompatibleIDs", service.component);
    SetTextWithNul(key.Get(), "Mfg", "Microsoft");
    SetConfigFlags(key.Get());
    UniqueKey bindings;
    CreateSubkey(key.Get(), "Bindings", bindings.Receive());
    BindingName server;
    if (service.bringsServer && bindings && CreateServerInstance(server)) SetBinding(bindings.Get(), server, 1);
    return Join(binding, {service.component, "\\", number});
}

bool CNetProtocols::CreateServerInstance(BindingName& binding) const { return CreateServiceInstance(kServer, binding); }

bool CNetProtocols::CreateClientInstance(BindingName& binding) const { return CreateServiceInstance(kClient, binding); }

// ---- Install and removal -------------------------------------------------------

int CNetProtocols::Install(DWORD adapter, DWORD protocols) {
    int result = 1;
    if (protocols & ORVANE_PROTOCOL_TCPIP) result = InstallTCPIP(adapter);
    if (protocols & ORVANE_PROTOCOL_NETBEUI) result = InstallNETBEUI(adapter) && result;
    return result;
}

int CNetProtocols::Uninstall(DWORD adapter, DWORD protocols) {
    int result = 1;
    if (protocols & ORVANE_PROTOCOL_TCPIP) result = UninstallTCPIP(adapter);
    if (protocols & ORVANE_PROTOCOL_NETBEUI) result = UninstallNETBEUI(adapter) && result;
    return result;
}

int CNetProtocols::InstallTCPIP(DWORD adapter) { return InstallProtocol(adapter, kTcpip); }
int CNetProtocols::InstallNETBEUI(DWORD adapter) { return InstallProtocol(adapter, kNetBeui); }
int CNetProtocols::UninstallTCPIP(DWORD adapter) { return UninstallProtocol(adapter, kTcpip); }
int CNetProtocols::UninstallNETBEUI(DWORD adapter) { return UninstallProtocol(adapter, kNetBeui); }

int CNetProtocols::InstallProtocol(DWORD adapter, const Protocol& p) const {
    // Without the setup functions (a Windows 95 without setupapi.dll) the
    // new instance could not be filled: nothing is written at all.
    const SetupFunctions setup;
    if (!setup.loaded) return 0;

    Instance driver;
    KeyPath driverKey;
    if (!FindFreeInstance(HKEY_LOCAL_MACHINE, kNetTrans, driver) || !Join(driverKey, {kNetTrans, "\\", driver}) ||
        !CreateInstanceKey(HKEY_LOCAL_MACHINE, kNetTrans, driver))
        return 0;
    // What the sections answer is not looked at: the instance stays what
    // they made of it.
    for (size_t s = 0; s < p.sectionCount; ++s) setup.Install(p.sections[s], HKEY_LOCAL_MACHINE, driverKey);

    CNetworkAdapter table;
    if (adapter >= table.AdapterCount() || (table.*p.bound)(adapter)) {
        ShowMessage(kInstalledMessage);
        DeleteInstanceKey(HKEY_LOCAL_MACHINE, kNetTrans, driver);
        return 0;
    }
    // Everything the rest needs is settled before anything more is
    // written: without a free component number or with a Bindings path
    // too long, the driver instance goes again and nothing else is left.
    KeyPath componentBase, masterCopy, adapterBindings;
    Instance component;
    BindingName binding;
    if (!Join(componentBase, {kEnumNetwork, "\\", p.component}) ||
        !Join(adapterBindings, {table.GetAdapterEnumRgy(adapter), "\\Bindings"}) ||
        !FindFreeInstance(HKEY_LOCAL_MACHINE, componentBase, component) ||
        !Join(masterCopy, {componentBase, "\\", component}) || !Join(binding, {p.component, "\\", component})) {
        DeleteInstanceKey(HKEY_LOCAL_MACHINE, kNetTrans, driver);
        return 0;
    }

    // From here on the outcome of each write is not reported.
    {
        UniqueKey key;
        if (CreateInstanceKey(HKEY_LOCAL_MACHINE, componentBase, component, key.Receive())) {
            KeyPath driverValue;
            Join(driverValue, {"NetTrans\\", driver});
            SetText(key.Get(), "Class", "NetTrans");
            SetText(key.Get(), "Driver", driverValue);
            SetText(key.Get(), "MasterCopy", masterCopy);
            SetText(key.Get(), "DeviceDesc", p.description);
            SetText(key.Get(), "CompatibleIDs", p.component);
            SetText(key.Get(), "Mfg", "Microsoft");
            SetConfigFlags(key.Get());
            UniqueKey bindings;
            CreateSubkey(key.Get(), "Bindings", bindings.Receive());
        }
    }
    {
        // Created when missing: a card with nothing bound to it yet may
        // have no Bindings key, and a component instance no card names
        // would be left behind.
        UniqueKey bindings;
        if (CreateSubkey(HKEY_LOCAL_MACHINE, adapterBindings, bindings.Receive()) == ERROR_SUCCESS)
            SetBinding(bindings.Get(), binding, 0);
    }
    if (p.switchesToDhcp) {
        // The table was read before the binding existed, so its record has
        // no TCP/IP and the write-back stores nothing for it; the new
        // instance keeps the DHCP address the INF sections gave it.
        table.SetDHCP(adapter);
        table.WriteData();
    }
    return 1;
}

int CNetProtocols::UninstallProtocol(DWORD adapter, const Protocol& p) const {
    CNetworkAdapter table;
    if (adapter >= table.AdapterCount() || !(table.*p.bound)(adapter)) {
        ShowMessage(kNotInstalledMessage);
        return 0;
    }
    BindingName binding;
    UniqueKey bindings;
    if (!FindBinding(table.GetAdapterEnumRgy(adapter), p.component, binding, bindings.Receive())) return 0;
    // The Bindings key was opened for reading. Windows 95/98 has no key
    // security and deletes through it; where the platform refuses, the
    // removal stops here with nothing changed, rather than deleting the
    // instances a binding still names.
    if (RegDeleteValueA(bindings.Get(), binding) != ERROR_SUCCESS) return 0;
    bindings.Reset();
    DeleteInstanceKey(HKEY_LOCAL_MACHINE, kEnumNetwork, binding);
    const char* driverKey = (table.*p.driverKey)(adapter);
    if (driverKey && *driverKey) DeleteInstanceKey(HKEY_LOCAL_MACHINE, driverKey);
    return 1;
}

// ---- Service bindings ----------------------------------------------------------

namespace {

// Bind and unbind work on the same thing: each protocol of the mask that is
// bound to the adapter, found by its lowest binding, with the Bindings key
// of its component instance opened with full access. A protocol whose key
// cannot be opened is left alone: an unbind that deleted instances while
// their binding values stayed would leave the protocol naming components
// that are gone. False for arguments refused (no such adapter, a mask 0).
template <typename Fn>
bool ForEachBoundProtocol(const CNetProtocols& protocols, DWORD adapter, DWORD protocolMask, DWORD serviceMask,
                          Fn&& fn) {
    CNetworkAdapter table;
    if (adapter >= table.AdapterCount() || !protocolMask || !serviceMask) return false;
    for (const CNetProtocols::Protocol& p : kProtocols) {
        if (!(protocolMask & p.bit) || !(table.*p.bound)(adapter)) continue;
        CNetProtocols::BindingName binding;
        KeyPath instance;
        UniqueKey bindings;
        if (protocols.FindBinding(table.GetAdapterEnumRgy(adapter), p.component, binding) &&
            Join(instance, {kEnumNetwork, "\\", binding}) && OpenBindings(binding, bindings))
            fn(instance, bindings.Get());
    }
    return true;
}

}  // namespace

int CNetProtocols::BindServices(DWORD adapter, DWORD protocols, DWORD services) {
    return ForEachBoundProtocol(*this, adapter, protocols, services, [&](const char*, HKEY bindings) {
        for (const Service& s : kServices) {
            BindingName service;
            if ((services & s.bit) && CreateServiceInstance(s, service)) SetBinding(bindings, service, 1);
        }
    }) ? 1 : 0;
}

int CNetProtocols::UnbindServices(DWORD adapter, DWORD protocols, DWORD services) {
    return ForEachBoundProtocol(*this, adapter, protocols, services, [&](const char* protocol, HKEY bindings) {
        for (const Service& s : kServices) {
            BindingName service;
            if (!(services & s.bit) || !FindBinding(protocol, s.component, service)) continue;
            // The binding goes first, so that a refusal leaves every
            // instance the protocol still names in place.
            if (RegDeleteValueA(bindings, service) != ERROR_SUCCESS) continue;
            if (s.bringsServer) {
                // The client's own file-sharing instance goes with it.
                KeyPath client;
                BindingName server;
                if (Join(client, {kEnumNetwork, "\\", service}) && FindBinding(client, kServer.component, server))
                    DeleteInstanceKey(HKEY_LOCAL_MACHINE, kEnumNetwork, server);
            }
            DeleteInstanceKey(HKEY_LOCAL_MACHINE, kEnumNetwork, service);
        }
    }) ? 1 : 0;
}

int CNetProtocols::GetServiceBinding(DWORD adapter, DWORD protocol, DWORD service) {
    CNetworkAdapter table;
    if (adapter >= table.AdapterCount() || !protocol || !service) return 0;
    const Protocol* p = protocol == kTcpip.bit ? &kTcpip : protocol == kNetBeui.bit ? &kNetBeui : nullptr;
    BindingName binding;
    // Asked of the registry alone: the table's protocol flags do not count.
    if (!p || !FindBinding(table.GetAdapterEnumRgy(adapter), p->component, binding)) return 0;
    const Service* s = service == kServer.bit ? &kServer : service == kClient.bit ? &kClient : nullptr;
    if (!s) return 1;
    KeyPath protocolKey;
    BindingName found;
    return Join(protocolKey, {kEnumNetwork, "\\", binding}) && FindBinding(protocolKey, s->component, found) ? 1 : 0;
}
