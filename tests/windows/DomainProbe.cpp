// The domain classes on a real Win32 implementation: run by
// scripts/wine-tests.sh under Wine in nt40 and win2k mode, once with Wine's
// own netapi32 and once with the netapi32 double beside the program (which
// plays the domain ORVANEDOM the probe describes in the registry). The
// security policy, service manager and token come from Wine's advapi32.
//
// What Wine can give: the Windows 2000 joins through the double, with
// Netlogon's start type read back from the registry; the NT 4.0 workgroup
// join ending at "Failed in SetPrimaryDomain" (Wine's LSA refuses every
// change); the NT 4.0 domain join ending after its IPC$ session, at the
// privilege switch (Wine looks privileges up on the local machine only),
// with the session ended again; the Netlogon switch of the NT 4.0 class.
// The double logs a buffer or session still held when it is unloaded; the
// runner checks its log.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "W2KDomain/NT4Domain.h"
#include "W2KDomain/W2KDomain.h"
#include "WideLiteral.h"

#include "../CheckHarness.h"

namespace {

const char kDomainKey[] = "SOFTWARE\\OrvaneSim\\DomainControllers\\ORVANEDOM";
const char kNetlogonKey[] = "SYSTEM\\CurrentControlSet\\Services\\Netlogon";

std::string Narrow(LPCWSTR text) {
    char out[512] = "";
    if (text) WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

void SetValue(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY k = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != 0) return;
    RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
}
void SetText(const char* key, const char* name, const char* text) {
    SetValue(key, name, REG_SZ, text, DWORD(std::strlen(text) + 1));
}
void SetDword(const char* key, const char* name, DWORD value) { SetValue(key, name, REG_DWORD, &value, 4); }

DWORD NetlogonStart() {
    HKEY k = nullptr;
    DWORD value = 0xdeadbeef, size = sizeof value;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kNetlogonKey, 0, KEY_READ, &k) == 0) {
        RegQueryValueExA(k, "Start", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(k);
    }
    return value;
}

// Netlogon back to starting on demand, as the runner registered it.
void RestoreNetlogon() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return;
    if (SC_HANDLE service = OpenServiceW(manager, WTEXT("Netlogon"), SERVICE_ALL_ACCESS)) {
        ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_DEMAND_START, SERVICE_NO_CHANGE, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

// The log of the netapi32 double, from `from` on.
std::string DoubleLog(size_t from) {
    std::string text;
    if (FILE* f = std::fopen("orvane-doubles.log", "rb")) {
        char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
        std::fclose(f);
    }
    return from < text.size() ? text.substr(from) : std::string();
}

// What the class reads of the machine's membership.
void CheckJoined(CW2KDomain& probe, int wantState, const char* wantName) {
    LPCWSTR name = nullptr;
    int state = -1;
    CHECK_EQ(probe.GetJoinInformation(&name, &state), 1);
    CHECK_EQ(state, wantState);
    CHECK_TEXT(Narrow(name), wantName);
}

void Windows2000Joins(bool withDouble) {
    g_case = "2000 join";
    CW2KDomain probe;
    // Wine's own netapi32 has no join functions: the class is not loaded
    // and calls nothing.
    CHECK_EQ(probe.IsLoaded(), withDouble ? 1 : 0);
    if (!withDouble) {
        int state = 7;
        CHECK_EQ(probe.GetJoinInformation(nullptr, &state), 0);
        CHECK_EQ(probe.JoinDomain(WTEXT("ORVANEDOM"), nullptr, nullptr), 0);
        CHECK_EQ(probe.JoinWorkgroup(WTEXT("ORVANEWG"), nullptr, nullptr), 0);
        CHECK_EQ(state, 7);
        return;
    }
    CheckJoined(probe, CW2KDomain::WorkgroupMember, "WORKGROUP");

    // Joined with the logged-on user's rights; Netlogon starts automatically.
    CHECK_EQ(CW2KDomain().JoinDomain(WTEXT("ORVANEDOM"), nullptr, nullptr), 1);
    CHECK_EQ(NetlogonStart(), SERVICE_AUTO_START);
    CheckJoined(probe, CW2KDomain::DomainMember, "ORVANEDOM");

    // Already a member: unjoined with the qualified account, joined again.
    const size_t mark = DoubleLog(0).size();
    CHECK_EQ(CW2KDomain().JoinDomain(WTEXT("ORVANEDOM"), WTEXT("Administrator"), WTEXT("Secret1")), 1);
    const std::string log = DoubleLog(mark);
    const size_t unjoin = log.find("netapi32 NetUnjoinDomain server=(null) account=ORVANEDOM\\Administrator "
                                   "password=Secret1 options=0x4 -> 0");
    const size_t join = log.find("netapi32 NetJoinDomain server=(null) domain=ORVANEDOM ou=(null) "
                                 "account=ORVANEDOM\\Administrator password=Secret1 options=0x23 -> 0");
    CHECK(unjoin != std::string::npos);
    CHECK(join != std::string::npos && join > unjoin);

    CW2KDomain refused;
    CHECK_EQ(refused.JoinDomain(WTEXT("NOSUCHDOM"), nullptr, nullptr), 0);
    CHECK_EQ(refused.GetLastStatus(), ERROR_NO_SUCH_DOMAIN);

    CHECK_EQ(CW2KDomain().JoinWorkgroup(WTEXT("ORVANEWG"), nullptr, nullptr), 1);
    CHECK_EQ(NetlogonStart(), SERVICE_DEMAND_START);
    CheckJoined(probe, CW2KDomain::WorkgroupMember, "ORVANEWG");
}

void NT4Domain(bool withDouble) {
    g_case = "nt4 query";
    {
        CNT4Domain d;
        CHECK_EQ(d.IsLoaded(), 1);
        CHECK_TEXT(d.GetErrorText(), "");
        WCHAR name[CNT4Domain::PrimaryDomainChars] = {0};
        int isDomain = -1;
        CHECK_EQ(d.QueryPrimaryDomain(name, &isDomain), 1);
        const std::string primary = Narrow(name);
        std::printf("primary domain: \"%s\"\n", primary.substr(0, primary.size() - 1).c_str());
        CHECK(!primary.empty() && primary.back() == '\n');
        CHECK_EQ(isDomain, 0);

        g_case = "nt4 workgroup join";
        // Wine's LSA refuses to set the primary domain.
        CHECK_EQ(d.JoinWorkgroup(WTEXT("ORVANEWG")), 0);
        CHECK_TEXT(d.GetErrorText(), "Failed in SetPrimaryDomain");
        CHECK_EQ(NetlogonStart(), SERVICE_DEMAND_START);

        g_case = "nt4 netlogon";
        CHECK_EQ(d.ConfigureNetlogon(1), 0);  // not running before
        CHECK_TEXT(d.GetErrorText(), "ERROR_MORE_DATA");
        CHECK_EQ(NetlogonStart(), SERVICE_AUTO_START);
        CHECK_EQ(d.ConfigureNetlogon(0), 0);  // Wine could not start it (no lsass.exe)
        CHECK_EQ(NetlogonStart(), SERVICE_DISABLED);
        RestoreNetlogon();
    }

    g_case = "nt4 domain join";
    const size_t mark = DoubleLog(0).size();
    CNT4Domain d;
    WCHAR domain[] = WTEXT("orvanedom");
    CHECK_EQ(d.JoinDomain(domain, nullptr, nullptr, nullptr), 0);
    CHECK_EQ(NetlogonStart(), SERVICE_DEMAND_START);
    if (!withDouble) {
        // Wine's NetGetDCName finds no controller.
        CHECK_TEXT(d.GetErrorText(), "Could not get DC Name");
        return;
    }
    // Ended at the privilege switch, which sets no message of its own.
    CHECK_TEXT(d.GetErrorText(), "");
    const std::string log = DoubleLog(mark);
    const size_t added = log.find("netapi32 NetUseAdd server=(null) level=2 local=(null) remote=\\\\ORVANEDC\\IPC$ "
                                  "password= asg_type=3 username= domainname= -> 0");
    const size_t deleted = log.find("netapi32 NetUseDel server=(null) use=\\\\ORVANEDC\\IPC$ force=0 -> 0");
    CHECK(added != std::string::npos);
    CHECK(deleted != std::string::npos && deleted > added);
    CHECK(log.find("NetUserAdd") == std::string::npos);
}

}  // namespace

int main() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    bool withDouble = false;
    if (HMODULE net = LoadLibraryA("netapi32.dll")) {
        withDouble = GetProcAddress(net, "OrvaneNetApiDouble") != nullptr;
        FreeLibrary(net);
    }
    std::printf("version %lu.%lu, netapi32: %s\n", static_cast<unsigned long>(info.dwMajorVersion),
                static_cast<unsigned long>(info.dwMinorVersion), withDouble ? "the double" : "Wine's own");

    // The domain the double plays: ORVANEDOM, whose primary controller
    // ORVANEDC lets the logged-on user administer it.
    DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrvaneSim");
    SetText(kDomainKey, "Name", "ORVANEDC");
    SetText(kDomainKey, "DomainSid", "S-1-5-21-1004-2005-3006");
    SetText(kDomainKey, "Role", "Primary");
    const std::string admin = std::string(kDomainKey) + "\\Accounts\\Administrator";
    SetText(admin.c_str(), "Password", "Secret1");
    SetDword(admin.c_str(), "Privilege", 2);
    SetDword(admin.c_str(), "Flags", 0x201);
    RestoreNetlogon();

    Windows2000Joins(withDouble);
    NT4Domain(withDouble);

    RestoreNetlogon();
    DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrvaneSim");
    return CheckReport();
}
