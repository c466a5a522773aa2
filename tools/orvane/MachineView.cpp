// The machine's membership asked of the system, the way the library asks
// it (the join information on Windows 2000, the LSA's primary domain on NT
// 4.0), natively of the simulated platform and on Windows of the live one.
#include <windows.h>
#include <lm.h>
#include <ntsecapi.h>

#include <cstring>

#include "MachineView.h"

namespace {

std::string Narrow(const WCHAR* text, size_t length) {
    if (!text || !length) return std::string();
    const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &out[0], n, nullptr, nullptr);
    return out;
}

size_t Length(const WCHAR* text) {
    size_t n = 0;
    while (text && text[n]) ++n;
    return n;
}

DWORD MajorVersion() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) ? info.dwMajorVersion : 0;
}

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace

Membership MachineMembership() {
    Membership m;
    if (MajorVersion() >= 5) {
        HMODULE netapi = LoadLibraryA("netapi32.dll");
        auto join = Lookup<decltype(&NetGetJoinInformation)>(netapi, "NetGetJoinInformation");
        auto release = Lookup<decltype(&NetApiBufferFree)>(netapi, "NetApiBufferFree");
        LPWSTR name = nullptr;
        NETSETUP_JOIN_STATUS state = NetSetupUnknownStatus;
        if (join && release && join(nullptr, &name, &state) == 0) {
            m.known = state == NetSetupWorkgroupName || state == NetSetupDomainName;
            m.domain = state == NetSetupDomainName;
            m.name = Narrow(name, Length(name));
            release(name);
        }
        if (netapi) FreeLibrary(netapi);
        return m;
    }
    HMODULE advapi = LoadLibraryA("advapi32.dll");
    auto open = Lookup<decltype(&LsaOpenPolicy)>(advapi, "LsaOpenPolicy");
    auto query = Lookup<decltype(&LsaQueryInformationPolicy)>(advapi, "LsaQueryInformationPolicy");
    auto release = Lookup<decltype(&LsaFreeMemory)>(advapi, "LsaFreeMemory");
    auto close = Lookup<decltype(&LsaClose)>(advapi, "LsaClose");
    LSA_OBJECT_ATTRIBUTES attributes;
    std::memset(&attributes, 0, sizeof attributes);
    LSA_HANDLE policy = nullptr;
    if (open && query && release && close && open(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy) == 0) {
        PVOID buffer = nullptr;
        if (query(policy, PolicyPrimaryDomainInformation, &buffer) == 0 && buffer) {
            const auto* info = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(buffer);
            m.known = true;
            m.domain = info->Sid != nullptr;
            m.name = Narrow(info->Name.Buffer, info->Name.Length / sizeof(WCHAR));
            release(buffer);
        }
        close(policy);
    }
    if (advapi) FreeLibrary(advapi);
    return m;
}
