// The service control manager of the simulated machine. The service
// database is the registry's Services key, as Windows keeps it (a service is
// a subkey with a REG_DWORD "Type"); which services run is a run-time state
// kept in the sim's own area. Binaries are not modelled: a service starts
// whenever its configuration allows.
#include <cstring>
#include <map>

#include "DomainModel.h"
#include "MachineRegistry.h"
#include "SecuritySim.h"
#include "SimArea.h"
#include "WideText.h"
#include "sim/control.h"
#include "Lock.h"

namespace {

using apicall::Call;
using machinereg::Join;
using sim::security::RunBool;
using sim::security::RunHandle;

struct ScObject {
    bool manager = true;
    DWORD access = 0;
    std::string service;  // the key's name, for a service handle
};

struct ScState {
    std::map<ULONG_PTR, ScObject> handles;
    ULONG_PTR nextHandle = 0x5C000000;
};

ScState& S() {
    static ScState state;
    return state;
}

ScObject* Find(SC_HANDLE h) {
    auto it = S().handles.find(reinterpret_cast<ULONG_PTR>(h));
    return it == S().handles.end() ? nullptr : &it->second;
}

SC_HANDLE NewHandle(const ScObject& object) {
    const ULONG_PTR value = S().nextHandle;
    S().nextHandle += 4;
    S().handles[value] = object;
    return reinterpret_cast<SC_HANDLE>(value);
}

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

// ---- The service database ----------------------------------------------------------------

struct ServiceRecord {
    std::string name;
    std::string display;
    DWORD type = 0;
    DWORD start = SERVICE_DEMAND_START;
    DWORD errorControl = SERVICE_ERROR_NORMAL;
    std::string imagePath;
    std::string group;
    DWORD tag = 0;
    std::vector<std::string> dependencies;  // services, then "+group"s
    std::string startName;
};

std::string KeyOf(const std::string& name) { return Join(simarea::kServices, name); }

bool ReadService(const std::string& name, ServiceRecord* out) {
    const std::string key = KeyOf(name);
    ServiceRecord r;
    if (!machinereg::ReadDword(key, "Type", &r.type)) return false;
    r.name = name;
    if (!machinereg::ReadText(key, "DisplayName", &r.display) || r.display.empty()) r.display = name;
    machinereg::ReadDword(key, "Start", &r.start);
    machinereg::ReadDword(key, "ErrorControl", &r.errorControl);
    machinereg::ReadText(key, "ImagePath", &r.imagePath);
    machinereg::ReadText(key, "Group", &r.group);
    machinereg::ReadDword(key, "Tag", &r.tag);
    std::vector<std::string> list;
    if (machinereg::ReadMultiText(key, "DependOnService", &list)) r.dependencies = list;
    if (machinereg::ReadMultiText(key, "DependOnGroup", &list))
        for (auto& g : list) r.dependencies.push_back("+" + g);
    if (!machinereg::ReadText(key, "ObjectName", &r.startName) && (r.type & SERVICE_WIN32))
        r.startName = "LocalSystem";
    *out = r;
    return true;
}

// Every service, in the order the Services key enumerates them.
std::vector<ServiceRecord> AllServices() {
    std::vector<ServiceRecord> all;
    for (auto& name : machinereg::Subkeys(simarea::kServices)) {
        ServiceRecord r;
        if (ReadService(name, &r)) all.push_back(r);
    }
    return all;
}

bool FindService(const std::string& name, ServiceRecord* out) {
    for (auto& r : AllServices()) {
        if (domainmodel::SameName(r.name, name)) {
            *out = r;
            return true;
        }
    }
    return false;
}

DWORD StateOf(const std::string& name) {
    DWORD state = SERVICE_STOPPED;
    machinereg::ReadDword(simarea::kServiceState, name.c_str(), &state);
    return state == SERVICE_RUNNING ? SERVICE_RUNNING : SERVICE_STOPPED;
}

SERVICE_STATUS StatusOf(const ServiceRecord& r) {
    SERVICE_STATUS s;
    std::memset(&s, 0, sizeof s);
    s.dwServiceType = r.type;
    s.dwCurrentState = StateOf(r.name);
    s.dwControlsAccepted = s.dwCurrentState == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    return s;
}

size_t TextBytes(const std::string& text) { return (wide::Widen(text).size() + 1) * sizeof(WCHAR); }

// Copies a text to the front of `*free` inside the caller's block.
LPWSTR Place(BYTE** free, const std::string& text) {
    const wide::WString w = wide::Widen(text);
    auto* at = reinterpret_cast<LPWSTR>(*free);
    std::memcpy(at, w.c_str(), (w.size() + 1) * sizeof(WCHAR));
    *free += (w.size() + 1) * sizeof(WCHAR);
    return at;
}

// ---- Access ----------------------------------------------------------------------------

DWORD MapManagerAccess(DWORD access) {
    DWORD mapped = access & 0x0FFFFFFF & ~DWORD(MAXIMUM_ALLOWED);
    if (access & GENERIC_READ) mapped |= STANDARD_RIGHTS_READ | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
    if (access & GENERIC_WRITE) mapped |= STANDARD_RIGHTS_WRITE | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG;
    if (access & GENERIC_EXECUTE) mapped |= STANDARD_RIGHTS_EXECUTE | SC_MANAGER_CONNECT | SC_MANAGER_LOCK;
    if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) mapped |= SC_MANAGER_ALL_ACCESS;
    return mapped | SC_MANAGER_CONNECT;
}

DWORD MapServiceAccess(DWORD access) {
    DWORD mapped = access & 0x0FFFFFFF & ~DWORD(MAXIMUM_ALLOWED);
    if (access & GENERIC_READ)
        mapped |= STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_INTERROGATE |
                  SERVICE_ENUMERATE_DEPENDENTS;
    if (access & GENERIC_WRITE) mapped |= STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG;
    if (access & GENERIC_EXECUTE)
        mapped |= STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE |
                  SERVICE_USER_DEFINED_CONTROL;
    if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) mapped |= SERVICE_ALL_ACCESS;
    return mapped;
}

constexpr DWORD kUserManagerRights =
    SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS | READ_CONTROL;
constexpr DWORD kUserServiceRights = SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_ENUMERATE_DEPENDENTS |
                                     SERVICE_INTERROGATE | SERVICE_USER_DEFINED_CONTROL | READ_CONTROL;

// The service behind a handle opened with `needed`; the last error when not.
bool ServiceHandle(SC_HANDLE h, DWORD needed, ServiceRecord* record) {
    ScObject* o = Find(h);
    if (!o || o->manager) return Fail(ERROR_INVALID_HANDLE);
    if ((o->access & needed) != needed) return Fail(ERROR_ACCESS_DENIED);
    if (!ReadService(o->service, record)) return Fail(ERROR_SERVICE_DOES_NOT_EXIST);
    return true;
}

bool ValidServiceType(DWORD type) {
    const DWORD kind = type & ~DWORD(SERVICE_INTERACTIVE_PROCESS);
    if (kind == SERVICE_WIN32_OWN_PROCESS || kind == SERVICE_WIN32_SHARE_PROCESS) return true;
    return !(type & SERVICE_INTERACTIVE_PROCESS) &&
           (kind == SERVICE_KERNEL_DRIVER || kind == SERVICE_FILE_SYSTEM_DRIVER || kind == SERVICE_RECOGNIZER_DRIVER);
}

std::vector<std::string> SplitList(LPCWSTR list) {
    std::vector<std::string> out;
    if (!list) return out;
    for (LPCWSTR p = list; *p; p += wide::Length(p) + 1) out.push_back(wide::Narrow(p));
    return out;
}

}  // namespace

namespace sim {

void AddService(const ServiceConfig& service) {
    const sim::Locked locked;
    const std::string key = KeyOf(service.name);
    machinereg::WriteDword(key, "Type", service.type);
    machinereg::WriteDword(key, "Start", service.start);
    machinereg::WriteDword(key, "ErrorControl", service.errorControl);
    if (!service.displayName.empty()) machinereg::WriteText(key, "DisplayName", service.displayName);
    if (!service.imagePath.empty()) machinereg::WriteText(key, "ImagePath", service.imagePath, REG_EXPAND_SZ);
}

void SetServiceRunning(std::string_view name, bool running) {
    const sim::Locked locked;
    sim::security::SetRunning(std::string(name), running);
}

bool ServiceRunning(std::string_view name) {
    const sim::Locked locked;
    return StateOf(std::string(name)) == SERVICE_RUNNING;
}

}  // namespace sim

namespace sim::security {

void SetRunning(const std::string& service, bool running) {
    if (running)
        machinereg::WriteDword(simarea::kServiceState, service.c_str(), SERVICE_RUNNING);
    else
        machinereg::DeleteValue(simarea::kServiceState, service.c_str());
}

size_t OpenScHandles() { return S().handles.size(); }
void ResetServices() { S() = ScState{}; }

}  // namespace sim::security

extern "C" {

SC_HANDLE WINAPI OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName, DWORD dwDesiredAccess) {
    const sim::Locked locked;
    Call call{"OpenSCManagerW", {}, {}};
    call.Text("machine", lpMachineName).Text("database", lpDatabaseName).Hex("access", dwDesiredAccess);
    return RunHandle<SC_HANDLE>(call, [&]() -> SC_HANDLE {
        if (lpMachineName && !sim::security::IsLocalName(wide::Narrow(lpMachineName))) {
            SetLastError(RPC_S_SERVER_UNAVAILABLE);
            return nullptr;
        }
        if (lpDatabaseName && !domainmodel::SameName(wide::Narrow(lpDatabaseName), "ServicesActive")) {
            SetLastError(ERROR_INVALID_NAME);
            return nullptr;
        }
        DWORD access = MapManagerAccess(dwDesiredAccess);
        if (!sim::security::CallerIsLocalAdmin()) {
            if (dwDesiredAccess & MAXIMUM_ALLOWED) access &= kUserManagerRights;
            if (access & ~kUserManagerRights) {
                SetLastError(ERROR_ACCESS_DENIED);
                return nullptr;
            }
        }
        return NewHandle(ScObject{true, access, {}});
    });
}

BOOL WINAPI EnumServicesStatusW(SC_HANDLE hSCManager, DWORD dwServiceType, DWORD dwServiceState,
                                LPENUM_SERVICE_STATUSW lpServices, DWORD cbBufSize, LPDWORD pcbBytesNeeded,
                                LPDWORD lpServicesReturned, LPDWORD lpResumeHandle) {
    const sim::Locked locked;
    Call call{"EnumServicesStatusW", {}, {}};
    call.Pointer("manager", hSCManager)
        .Hex("type", dwServiceType)
        .Number("state", dwServiceState)
        .Pointer("buffer", lpServices)
        .Number("size", cbBufSize)
        .Number("resume", lpResumeHandle ? *lpResumeHandle : 0);
    return RunBool(call, [&]() -> BOOL {
        ScObject* o = Find(hSCManager);
        if (!o || !o->manager) return Fail(ERROR_INVALID_HANDLE);
        if (!(o->access & SC_MANAGER_ENUMERATE_SERVICE)) return Fail(ERROR_ACCESS_DENIED);
        if (!pcbBytesNeeded || !lpServicesReturned) return Fail(ERROR_INVALID_ADDRESS);
        if (!dwServiceType || (dwServiceType & ~DWORD(SERVICE_TYPE_ALL)) || dwServiceState < SERVICE_ACTIVE ||
            dwServiceState > SERVICE_STATE_ALL)
            return Fail(ERROR_INVALID_PARAMETER);
        std::vector<ServiceRecord> listed;
        for (auto& r : AllServices()) {
            if (!(r.type & dwServiceType)) continue;
            const bool active = StateOf(r.name) != SERVICE_STOPPED;
            if ((active && (dwServiceState & SERVICE_ACTIVE)) || (!active && (dwServiceState & SERVICE_INACTIVE)))
                listed.push_back(r);
        }
        const size_t first = lpResumeHandle ? std::min<size_t>(*lpResumeHandle, listed.size()) : 0;
        const auto entrySize = [](const ServiceRecord& r) {
            return sizeof(ENUM_SERVICE_STATUSW) + TextBytes(r.name) + TextBytes(r.display);
        };
        // As many whole entries as fit, their texts after the array.
        size_t fit = 0, used = 0;
        while (first + fit < listed.size() && used + entrySize(listed[first + fit]) <= cbBufSize) {
            used += entrySize(listed[first + fit]);
            ++fit;
        }
        if (lpServices && fit) {
            auto* block = reinterpret_cast<BYTE*>(lpServices);
            BYTE* texts = block + fit * sizeof(ENUM_SERVICE_STATUSW);
            for (size_t i = 0; i < fit; ++i) {
                const ServiceRecord& r = listed[first + i];
                lpServices[i].lpServiceName = Place(&texts, r.name);
                lpServices[i].lpDisplayName = Place(&texts, r.display);
                lpServices[i].ServiceStatus = StatusOf(r);
            }
        } else {
            fit = 0;
        }
        *lpServicesReturned = static_cast<DWORD>(fit);
        if (first + fit == listed.size()) {
            *pcbBytesNeeded = 0;
            if (lpResumeHandle) *lpResumeHandle = 0;
            return TRUE;
        }
        size_t remaining = 0;
        for (size_t i = first + fit; i < listed.size(); ++i) remaining += entrySize(listed[i]);
        *pcbBytesNeeded = static_cast<DWORD>(remaining);
        if (lpResumeHandle) *lpResumeHandle = static_cast<DWORD>(first + fit);
        return Fail(ERROR_MORE_DATA);
    });
}

SC_HANDLE WINAPI OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD dwDesiredAccess) {
    const sim::Locked locked;
    Call call{"OpenServiceW", {}, {}};
    call.Pointer("manager", hSCManager).Text("name", lpServiceName).Hex("access", dwDesiredAccess);
    return RunHandle<SC_HANDLE>(call, [&]() -> SC_HANDLE {
        ScObject* o = Find(hSCManager);
        if (!o || !o->manager) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        if (!lpServiceName || !*lpServiceName) {
            SetLastError(ERROR_INVALID_NAME);
            return nullptr;
        }
        ServiceRecord r;
        if (!FindService(wide::Narrow(lpServiceName), &r)) {
            SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
            return nullptr;
        }
        DWORD access = MapServiceAccess(dwDesiredAccess);
        if (!sim::security::CallerIsLocalAdmin()) {
            if (dwDesiredAccess & MAXIMUM_ALLOWED) access &= kUserServiceRights;
            if (access & ~kUserServiceRights) {
                SetLastError(ERROR_ACCESS_DENIED);
                return nullptr;
            }
        }
        return NewHandle(ScObject{false, access, r.name});
    });
}

BOOL WINAPI QueryServiceConfigW(SC_HANDLE hService, LPQUERY_SERVICE_CONFIGW lpServiceConfig, DWORD cbBufSize,
                                LPDWORD pcbBytesNeeded) {
    const sim::Locked locked;
    Call call{"QueryServiceConfigW", {}, {}};
    call.Pointer("service", hService).Pointer("buffer", lpServiceConfig).Number("size", cbBufSize);
    return RunBool(call, [&]() -> BOOL {
        if (!pcbBytesNeeded) return Fail(ERROR_INVALID_ADDRESS);
        ServiceRecord r;
        if (!ServiceHandle(hService, SERVICE_QUERY_CONFIG, &r)) return FALSE;
        std::string dependencies;  // double-NUL list; an empty one is a single NUL
        size_t dependencyBytes = sizeof(WCHAR);
        for (auto& d : r.dependencies) dependencyBytes += TextBytes(d);
        const size_t needed = sizeof(QUERY_SERVICE_CONFIGW) + TextBytes(r.imagePath) + TextBytes(r.group) +
                              dependencyBytes + TextBytes(r.startName) + TextBytes(r.display);
        *pcbBytesNeeded = static_cast<DWORD>(needed);
        if (!lpServiceConfig || cbBufSize < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
        BYTE* texts = reinterpret_cast<BYTE*>(lpServiceConfig) + sizeof(QUERY_SERVICE_CONFIGW);
        lpServiceConfig->dwServiceType = r.type;
        lpServiceConfig->dwStartType = r.start;
        lpServiceConfig->dwErrorControl = r.errorControl;
        lpServiceConfig->lpBinaryPathName = Place(&texts, r.imagePath);
        lpServiceConfig->lpLoadOrderGroup = Place(&texts, r.group);
        lpServiceConfig->dwTagId = r.tag;
        lpServiceConfig->lpDependencies = reinterpret_cast<LPWSTR>(texts);
        for (auto& d : r.dependencies) Place(&texts, d);
        *reinterpret_cast<WCHAR*>(texts) = 0;
        texts += sizeof(WCHAR);
        lpServiceConfig->lpServiceStartName = Place(&texts, r.startName);
        lpServiceConfig->lpDisplayName = Place(&texts, r.display);
        return TRUE;
    });
}

BOOL WINAPI ChangeServiceConfigW(SC_HANDLE hService, DWORD dwServiceType, DWORD dwStartType, DWORD dwErrorControl,
                                 LPCWSTR lpBinaryPathName, LPCWSTR lpLoadOrderGroup, LPDWORD lpdwTagId,
                                 LPCWSTR lpDependencies, LPCWSTR lpServiceStartName, LPCWSTR lpPassword,
                                 LPCWSTR lpDisplayName) {
    const sim::Locked locked;
    Call call{"ChangeServiceConfigW", {}, {}};
    call.Pointer("service", hService)
        .Hex("type", dwServiceType)
        .Hex("start", dwStartType)
        .Hex("error_control", dwErrorControl)
        .Text("path", lpBinaryPathName)
        .Text("group", lpLoadOrderGroup)
        .Pointer("tag", lpdwTagId)
        .Pointer("dependencies", lpDependencies)
        .Text("start_name", lpServiceStartName)
        .Pointer("password", lpPassword)
        .Text("display", lpDisplayName);
    return RunBool(call, [&]() -> BOOL {
        ServiceRecord r;
        if (!ServiceHandle(hService, SERVICE_CHANGE_CONFIG, &r)) return FALSE;
        const DWORD type = dwServiceType == SERVICE_NO_CHANGE ? r.type : dwServiceType;
        if (!ValidServiceType(type)) return Fail(ERROR_INVALID_PARAMETER);
        if (dwStartType != SERVICE_NO_CHANGE &&
            (dwStartType > SERVICE_DISABLED || (dwStartType < SERVICE_AUTO_START && (type & SERVICE_WIN32))))
            return Fail(ERROR_INVALID_PARAMETER);
        if (lpDisplayName) {
            const std::string display = wide::Narrow(lpDisplayName);
            for (auto& other : AllServices()) {
                if (domainmodel::SameName(other.name, r.name)) continue;
                if (domainmodel::SameName(other.display, display) || domainmodel::SameName(other.name, display))
                    return Fail(ERROR_DUPLICATE_SERVICE_NAME);
            }
        }
        const std::string key = KeyOf(r.name);
        LONG rc = ERROR_SUCCESS;
        const auto keep = [&rc](LONG result) {
            if (rc == ERROR_SUCCESS) rc = result;
        };
        if (dwServiceType != SERVICE_NO_CHANGE) keep(machinereg::WriteDword(key, "Type", dwServiceType));
        if (dwStartType != SERVICE_NO_CHANGE) keep(machinereg::WriteDword(key, "Start", dwStartType));
        if (dwErrorControl != SERVICE_NO_CHANGE) keep(machinereg::WriteDword(key, "ErrorControl", dwErrorControl));
        if (lpBinaryPathName)
            keep(machinereg::WriteText(key, "ImagePath", wide::Narrow(lpBinaryPathName), REG_EXPAND_SZ));
        if (lpLoadOrderGroup) keep(machinereg::WriteText(key, "Group", wide::Narrow(lpLoadOrderGroup)));
        if (lpDependencies) {
            std::vector<std::string> services, groups;
            for (auto& d : SplitList(lpDependencies)) (d[0] == '+' ? groups : services).push_back(d.substr(d[0] == '+'));
            keep(machinereg::WriteMultiText(key, "DependOnService", services));
            keep(machinereg::WriteMultiText(key, "DependOnGroup", groups));
        }
        if (lpServiceStartName) keep(machinereg::WriteText(key, "ObjectName", wide::Narrow(lpServiceStartName)));
        if (lpDisplayName) keep(machinereg::WriteText(key, "DisplayName", wide::Narrow(lpDisplayName)));
        if (lpdwTagId) *lpdwTagId = r.tag;
        if (rc != ERROR_SUCCESS) return Fail(static_cast<DWORD>(rc));
        return TRUE;
    });
}

BOOL WINAPI StartServiceW(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCWSTR* lpServiceArgVectors) {
    const sim::Locked locked;
    Call call{"StartServiceW", {}, {}};
    call.Pointer("service", hService).Number("argc", dwNumServiceArgs);
    (void)lpServiceArgVectors;
    return RunBool(call, [&]() -> BOOL {
        ServiceRecord r;
        if (!ServiceHandle(hService, SERVICE_START, &r)) return FALSE;
        if (r.start == SERVICE_DISABLED) return Fail(ERROR_SERVICE_DISABLED);
        if (StateOf(r.name) == SERVICE_RUNNING) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
        sim::security::SetRunning(r.name, true);
        return TRUE;
    });
}

BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
    const sim::Locked locked;
    Call call{"ControlService", {}, {}};
    call.Pointer("service", hService).Number("control", dwControl);
    return RunBool(call, [&]() -> BOOL {
        DWORD needed = 0;
        switch (dwControl) {
            case SERVICE_CONTROL_STOP: needed = SERVICE_STOP; break;
            case SERVICE_CONTROL_PAUSE:
            case SERVICE_CONTROL_CONTINUE: needed = SERVICE_PAUSE_CONTINUE; break;
            case SERVICE_CONTROL_INTERROGATE: needed = SERVICE_INTERROGATE; break;
            default:
                if (dwControl < 128 || dwControl > 255) return Fail(ERROR_INVALID_PARAMETER);
                needed = SERVICE_USER_DEFINED_CONTROL;
        }
        if (!lpServiceStatus) return Fail(ERROR_INVALID_ADDRESS);
        ServiceRecord r;
        if (!ServiceHandle(hService, needed, &r)) return FALSE;
        // The status is filled in on success and on the refusals a
        // service answers itself.
        *lpServiceStatus = StatusOf(r);
        if (lpServiceStatus->dwCurrentState != SERVICE_RUNNING) return Fail(ERROR_SERVICE_NOT_ACTIVE);
        if (dwControl == SERVICE_CONTROL_STOP) {
            sim::security::SetRunning(r.name, false);
            *lpServiceStatus = StatusOf(r);
            return TRUE;
        }
        if (dwControl == SERVICE_CONTROL_INTERROGATE) return TRUE;
        return Fail(ERROR_INVALID_SERVICE_CONTROL);
    });
}

BOOL WINAPI QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) {
    const sim::Locked locked;
    Call call{"QueryServiceStatus", {}, {}};
    call.Pointer("service", hService);
    return RunBool(call, [&]() -> BOOL {
        if (!lpServiceStatus) return Fail(ERROR_INVALID_ADDRESS);
        ServiceRecord r;
        if (!ServiceHandle(hService, SERVICE_QUERY_STATUS, &r)) return FALSE;
        *lpServiceStatus = StatusOf(r);
        return TRUE;
    });
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
    const sim::Locked locked;
    Call call{"CloseServiceHandle", {}, {}};
    call.Pointer("handle", hSCObject);
    return RunBool(call, [&]() -> BOOL {
        if (!S().handles.erase(reinterpret_cast<ULONG_PTR>(hSCObject))) return Fail(ERROR_INVALID_HANDLE);
        return TRUE;
    });
}

}  // extern "C"
