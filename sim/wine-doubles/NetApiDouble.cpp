// A stand-in for the network API library (netapi32.dll) for the Wine runs:
// Wine 8.0's own has no join functions and plays no domain. This one is the
// simulated platform's network API (sim/portable/NetApiModel.cpp) over
// Wine's registry: the domain controllers come from the registry form the
// simulated machine uses (HKLM\SOFTWARE\OrvaneSim\DomainControllers, seeded
// by a scenario or a test) or from the environment, and the join writes the
// sim's LSA area; the disk shares are those of the Shares key. Wine loads it
// from the program's folder only with the program's DllOverride
// netapi32=native,builtin.
//
// Every call is appended to "orvane-doubles.log" in the current directory as
// "netapi32 <Function> arg=value ... -> status"; buffers still held when the
// library is unloaded are logged as "netapi32 leaked-buffers N".
//
// Environment:
//   ORVANE_DOMAIN_CONTROLLER  domain=CORP,dc=CORPDC,sid=S-1-5-21-...,admin=Administrator,password=secret
//                             (written to the registry form at load when
//                             that domain has no controller there yet)
//   ORVANE_NETAPI_FAIL        Function:status:nth[,...] failure injection
//                             (the nth call of Function answers status)
#include <windows.h>
#include <lm.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "DomainModel.h"
#include "DoubleLog.h"
#include "MachineRegistry.h"
#include "NetApiHooks.h"
#include "NetApiModel.h"
#include "SidText.h"
#include "SimArea.h"
#include "WideText.h"

namespace {

void Log(const std::string& line) { doubles::Log("netapi32", line); }

std::string Environment(const char* name) {
    char value[1024];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

struct Failure {
    DWORD status = 0;
    int nth = 0;
    int seen = 0;
};

std::map<std::string, Failure>& Failures() {
    static std::map<std::string, Failure> failures;
    return failures;
}

std::set<void*>& Buffers() {
    static std::set<void*> buffers;
    return buffers;
}

void ReadFailures() {
    const std::string text = Environment("ORVANE_NETAPI_FAIL");
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        start = end + 1;
        char function[64] = "";
        unsigned long status = 0;
        int nth = 1;
        if (std::sscanf(item.c_str(), "%63[^:]:%lu:%d", function, &status, &nth) >= 2)
            Failures()[function] = Failure{static_cast<DWORD>(status), nth, 0};
    }
}

// key=value pairs as the offline host's --dc option takes them.
void DescribeFromEnvironment() {
    const std::string text = Environment("ORVANE_DOMAIN_CONTROLLER");
    if (text.empty()) return;
    std::map<std::string, std::string> v;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string pair = text.substr(start, end - start);
        start = end + 1;
        const size_t eq = pair.find('=');
        if (eq != std::string::npos) v[pair.substr(0, eq)] = pair.substr(eq + 1);
    }
    domainmodel::Controller dc;
    if (domainmodel::FindControllerOfDomain(v["domain"], &dc)) return;
    dc.domain = v["domain"];
    dc.name = domainmodel::StripBackslashes(v["dc"]);
    dc.primary = v["role"] != "backup";
    dc.callerIsAdmin = v["caller"] != "user";
    if (dc.domain.empty() || dc.name.empty() || !sidtext::Parse(v["sid"], &dc.sid)) {
        Log("ORVANE_DOMAIN_CONTROLLER ignored: " + text);
        return;
    }
    domainmodel::WriteController(dc);
    if (!v["admin"].empty()) {
        domainmodel::Account admin;
        admin.name = v["admin"];
        admin.password = v["password"];
        admin.privilege = USER_PRIV_ADMIN;
        admin.flags = UF_NORMAL_ACCOUNT | UF_SCRIPT;
        domainmodel::WriteAccount(dc, admin);
    }
}

}  // namespace

namespace netmodel {

bool Enter(apicall::Call& call, DWORD* status) {
    // Read on the first call rather than under the loader lock.
    static const bool configured = [] {
        ReadFailures();
        DescribeFromEnvironment();
        return true;
    }();
    (void)configured;
    auto it = Failures().find(call.function);
    if (it == Failures().end()) return false;
    if (++it->second.seen != it->second.nth) return false;
    *status = it->second.status;
    return true;
}

void Leave(apicall::Call& call, bool injected) { Log(call.Line() + (injected ? " (injected)" : "")); }

void* AllocateBuffer(size_t bytes) {
    void* p = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1);
    if (p) Buffers().insert(p);
    return p;
}

bool FreeBuffer(void* buffer) {
    if (!Buffers().erase(buffer)) return false;
    HeapFree(GetProcessHeap(), 0, buffer);
    return true;
}

// Through Wine's own service manager, so it and the registry agree.
void SetNetlogon(bool domainMember) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return;
    if (SC_HANDLE service = OpenServiceW(manager, WTEXT("Netlogon"), SERVICE_ALL_ACCESS)) {
        ChangeServiceConfigW(service, SERVICE_NO_CHANGE, domainMember ? SERVICE_AUTO_START : SERVICE_DEMAND_START,
                             SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        SERVICE_STATUS status;
        if (domainMember)
            StartServiceW(service, 0, nullptr);  // Wine has no lsass.exe to run: fails at once
        else
            ControlService(service, SERVICE_CONTROL_STOP, &status);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

}  // namespace netmodel

extern "C" {

// Lets a program tell this double from Wine's own netapi32.
__declspec(dllexport) DWORD WINAPI OrvaneNetApiDouble(void) { return 1; }

// NetShareEnum, NetShareAdd and NetShareDel come from the simulated
// platform's share model (sim/portable/ShareModelNT.cpp), over Wine's
// registry: the server service's Shares key.

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_DETACH) {
        if (!Buffers().empty()) Log("leaked-buffers " + std::to_string(Buffers().size()));
        const size_t sessions = netmodel::SessionNames().size();
        if (sessions) Log("open-sessions " + std::to_string(sessions));
    }
    return TRUE;
}

}  // extern "C"
