// Loadable modules (LoadLibraryA, GetProcAddress, FreeLibrary), the message
// box and the command interpreter of the simulated machine.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "CodePage.h"
#include "Setup.h"
#include "State.h"
#include "sim/control.h"
#include "Lock.h"

namespace {

struct Module {
    std::string name;  // file name, e.g. DHCPCSVC.DLL
    std::vector<sim::ModuleExport> exports;
    sim::EntryPoint entry = nullptr;
    int loads = 0;
    ULONG_PTR handle = 0;
};

struct ModuleTable {
    std::vector<Module> modules;
    ULONG_PTR nextHandle = 0x10000000;
};

ModuleTable& T() {
    static ModuleTable table;
    return table;
}

struct Records {
    std::vector<sim::MessageBoxRecord> boxes;
    std::vector<std::string> commands;
    std::vector<sim::DhcpNotification> dhcp;
    DWORD dhcpResult = 0;
};

Records& R() {
    static Records records;
    return records;
}

// "c:\windows\system\DHCPCSVC" and "dhcpcsvc.dll" name the same module.
std::string BaseName(std::string_view path) {
    size_t slash = path.find_last_of("\\/");
    std::string base(slash == std::string_view::npos ? path : path.substr(slash + 1));
    if (base.find('.') == std::string::npos) base += ".DLL";
    return base;
}

Module* FindByName(std::string_view name) {
    const std::string base = BaseName(name);
    for (auto& m : T().modules)
        if (sim::cp1252::CompareNames(m.name, base) == 0) return &m;
    return nullptr;
}

Module* FindByHandle(HMODULE h) {
    for (auto& m : T().modules)
        if (m.handle == reinterpret_cast<ULONG_PTR>(h) && m.loads > 0) return &m;
    return nullptr;
}

void AddKernel32() {
    // The Ex forms came with Windows 2000.
    constexpr unsigned kWin2000 = sim::PlatformBit(sim::Platform::Win2000);
    sim::AddModule("KERNEL32.DLL", {
                                       {"GetComputerNameA", sim::Proc(&GetComputerNameA)},
                                       {"GetComputerNameExA", sim::Proc(&GetComputerNameExA), kWin2000},
                                       {"SetComputerNameA", sim::Proc(&SetComputerNameA)},
                                       {"SetComputerNameExA", sim::Proc(&SetComputerNameExA), kWin2000},
                                   });
}

// The DHCP client's notification entry, as DHCPCSVC.DLL exports it.
DWORD WINAPI DhcpNotifyConfigChange(LPWSTR serverName, LPWSTR adapterName, BOOL isNewIpAddress, DWORD ipIndex,
                                    DWORD ipAddress, DWORD subnetMask, int dhcpAction) {
    const sim::Locked locked;
    sim::DhcpNotification n;
    n.serverNull = serverName == nullptr;
    if (adapterName) {
        std::u16string wide;
        for (const WCHAR* p = adapterName; *p; ++p) wide.push_back(*p);
        n.adapter = sim::cp1252::Narrow(wide);
    }
    n.newIpAddress = isNewIpAddress;
    n.ipIndex = ipIndex;
    n.ipAddress = ipAddress;
    n.subnetMask = subnetMask;
    n.action = static_cast<DWORD>(dhcpAction);
    R().dhcp.push_back(n);
    return R().dhcpResult;
}

void AddDhcpClient() {
    sim::AddModule("DHCPCSVC.DLL", {{"DhcpNotifyConfigChange", sim::Proc(&DhcpNotifyConfigChange)}});
}

}  // namespace

namespace sim {

void AddModule(std::string name, std::vector<ModuleExport> exports, EntryPoint entry) {
    const sim::Locked locked;
    Module* m = FindByName(name);
    if (!m) {
        T().modules.push_back(Module{});
        m = &T().modules.back();
        m->handle = T().nextHandle;
        T().nextHandle += 0x10000;
    }
    m->name = BaseName(name);
    m->exports = std::move(exports);
    m->entry = entry;
}

bool RemoveModule(std::string_view name) {
    const sim::Locked locked;
    auto& mods = T().modules;
    const std::string base = BaseName(name);
    auto it = std::find_if(mods.begin(), mods.end(),
                           [&](const Module& m) { return cp1252::CompareNames(m.name, base) == 0; });
    if (it == mods.end()) return false;
    mods.erase(it);
    return true;
}

bool RemoveFunction(std::string_view module, std::string_view function) {
    const sim::Locked locked;
    Module* m = FindByName(module);
    if (!m) return false;
    auto it = std::find_if(m->exports.begin(), m->exports.end(),
                           [&](const ModuleExport& e) { return function == e.name; });
    if (it == m->exports.end()) return false;
    m->exports.erase(it);
    return true;
}

int LoadCount(std::string_view name) {
    const sim::Locked locked;
    Module* m = FindByName(name);
    return m ? m->loads : 0;
}

int TotalLoadCount() {
    const sim::Locked locked;
    int n = 0;
    for (auto& m : T().modules) n += m.loads;
    return n;
}

const std::vector<MessageBoxRecord>& MessageBoxes() {
    const sim::Locked locked;
    return R().boxes;
}
const std::vector<std::string>& Commands() {
    const sim::Locked locked;
    return R().commands;
}
const std::vector<DhcpNotification>& DhcpNotifications() {
    const sim::Locked locked;
    return R().dhcp;
}
void SetDhcpNotifyResult(DWORD result) {
    const sim::Locked locked;
    R().dhcpResult = result;
}
void ClearRecords() {
    const sim::Locked locked;
    R() = Records{};
    ClearSetupRecords();
}

void ResetModules() {
    // Modules still loaded are dropped without their detach: a reset is a
    // new machine, not an unload.
    T().modules.clear();
    AddKernel32();
    AddDhcpClient();
    ResetSetup();
    ResetSecurity();
    AddSecurityModules();
}

void ResetRecords() { ClearRecords(); }

}  // namespace sim

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    const sim::Locked locked;
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Module* m = FindByName(lpLibFileName);
    if (!m) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const ULONG_PTR handle = m->handle;
    if (++m->loads == 1 && m->entry) {
        m->entry(reinterpret_cast<HINSTANCE>(handle), DLL_PROCESS_ATTACH, nullptr);
    }
    return reinterpret_cast<HMODULE>(handle);
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    const sim::Locked locked;
    Module* m = FindByHandle(hModule);
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The simulated modules export by name only: an ordinal (a "name"
    // below 0x10000, null among them) finds nothing.
    if (reinterpret_cast<ULONG_PTR>(lpProcName) <= 0xFFFF) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    const unsigned mode = sim::PlatformBit(sim::GetPlatform());
    // The first letter first: the library resolves its functions on every
    // call, and most exports differ there.
    for (auto& e : m->exports)
        if (e.name[0] == lpProcName[0] && std::strcmp(e.name, lpProcName) == 0 && (e.platforms & mode))
            return e.address;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    const sim::Locked locked;
    Module* m = FindByHandle(hLibModule);
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--m->loads == 0 && m->entry) {
        m->entry(reinterpret_cast<HINSTANCE>(m->handle), DLL_PROCESS_DETACH, nullptr);
    }
    return TRUE;
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const sim::Locked locked;
    (void)hWnd;
    sim::MessageBoxRecord r;
    r.text = lpText ? lpText : "";
    r.caption = lpCaption ? lpCaption : "Error";
    r.style = uType;
    R().boxes.push_back(std::move(r));
    return IDOK;
}

// The C runtime's command interpreter. The simulated machine records the
// command line and reports that the command ran; a null command asks
// whether an interpreter exists.
int system(const char* command) {
    const sim::Locked locked;
    if (!command) return 1;
    R().commands.emplace_back(command);
    return 0;
}

}  // extern "C"
