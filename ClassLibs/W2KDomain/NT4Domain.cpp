// CNT4Domain: construction, the policy operations, the primary-domain
// query, the Netlogon switch and the workgroup join. The domain join is in
// NT4DomainJoin.cpp.
#include "NT4Domain.h"

#include <cstring>

#include "Held.h"
#include "DomainText.h"
#include "Shared/FieldText.h"
#include "WideLiteral.h"

using domain_detail::Hold;

namespace {

// Access masks and classes of the platform's interfaces, as the class uses them.
constexpr ACCESS_MASK kPolicyQuery = GENERIC_READ | GENERIC_EXECUTE;  // 0xA0000000
constexpr ACCESS_MASK kPolicyAll = 0xF0FFF;
constexpr DWORD kManagerAll = 0xF003F;  // SC_MANAGER_ALL_ACCESS
constexpr DWORD kServiceAll = 0xF01FF;  // SERVICE_ALL_ACCESS
constexpr DWORD kWin32Services = 0x30;  // SERVICE_WIN32
constexpr DWORD kEveryState = 3;        // SERVICE_STATE_ALL

}  // namespace

CNT4Domain::CNT4Domain() : MachinePassword{0}, ErrorText{0}, Loaded(0) {
    NetApi32.emplace("NetApi32.Dll");
    if (!NetApi32->IsLoaded()) {
        SetErrorText("LoadLibrary failed for NETAPI32.DLL");
        return;
    }
    if (!NetApi32->Find(NetServerGetInfo, NetApiBufferFree, NetWkstaGetInfo, NetUserModalsGet, NetGetDCName, NetUseAdd,
                        NetUserAdd, NetUseDel, NetUserDel, NetUserGetInfo)) {
        SetErrorText("GetProcAddress failed for NETAPI32.DLL");
        return;
    }
    AdvApi32.emplace("AdvApi32.Dll");
    if (!AdvApi32->IsLoaded()) {
        SetErrorText("LoadLibrary failed for ADVAPI32.DLL");
        return;
    }
    if (!AdvApi32->Find(ControlService, StartServiceW, OpenSCManagerW, OpenServiceW, QueryServiceConfigW,
                        EnumServicesStatusW, CloseServiceHandle, ChangeServiceConfigW, LsaOpenPolicy,
                        LsaSetInformationPolicy, LsaQueryInformationPolicy, LsaDeleteTrustedDomain, LsaClose,
                        LsaFreeMemory, IsValidSid, GetLengthSid, CopySid, FreeSid, LsaSetTrustedDomainInformation,
                        LsaStorePrivateData, LookupPrivilegeValueW, OpenProcessToken, AdjustTokenPrivileges,
                        LogonUserW, ImpersonateLoggedOnUser)) {
        SetErrorText("GetProcAddress failed for ADVAPI32.DLL");
        return;
    }
    Loaded = 1;
}

CNT4Domain::~CNT4Domain() {
    NetApi32.reset();
    AdvApi32.reset();
}

void CNT4Domain::SetErrorText(const char* text) { field_text::StoreCut(ErrorText, text); }

void CNT4Domain::SetErrorTextOfLastError() {
    switch (GetLastError()) {
        case ERROR_ACCESS_DENIED: SetErrorText("ERROR_ACCESS_DENIED"); break;
        case ERROR_INVALID_HANDLE: SetErrorText("ERROR_INVALID_HANDLE"); break;
        case ERROR_INVALID_PARAMETER: SetErrorText("ERROR_INVALID_PARAMETER"); break;
        case ERROR_MORE_DATA: SetErrorText("ERROR_MORE_DATA"); break;
        default: SetErrorText("OTHER"); break;
    }
}

void CNT4Domain::InitLsaString(PLSA_UNICODE_STRING counted, LPCWSTR text) {
    if (!counted) return;
    if (!text) {
        counted->Length = counted->MaximumLength = 0;
        counted->Buffer = nullptr;
        return;
    }
    // Counted strings hold at most 32766 characters; a longer text is cut.
    const size_t length = domain_text::Length(text, 0x7FFE);
    counted->Length = static_cast<USHORT>(length * sizeof(WCHAR));
    counted->MaximumLength = static_cast<USHORT>(counted->Length + sizeof(WCHAR));
    counted->Buffer = const_cast<LPWSTR>(text);
}

void CNT4Domain::ReleaseBuffer(LPVOID buffer) {
    if (Loaded && buffer) NetApiBufferFree(buffer);
}

NTSTATUS CNT4Domain::OpenPolicy(LPCWSTR systemName, ACCESS_MASK access, PLSA_HANDLE policy) {
    LSA_OBJECT_ATTRIBUTES attributes;
    std::memset(&attributes, 0, sizeof attributes);
    LSA_UNICODE_STRING system;
    InitLsaString(&system, systemName);
    return LsaOpenPolicy(systemName ? &system : nullptr, &attributes, access, policy);
}

NTSTATUS CNT4Domain::SetPrimaryDomain(LSA_HANDLE policy, PSID sid, LPCWSTR name) {
    POLICY_PRIMARY_DOMAIN_INFO info;
    InitLsaString(&info.Name, name);
    info.Sid = sid;
    return LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &info);
}

bool CNT4Domain::LocalAccountDomain(WCHAR (&block)[LocalNameChars]) {
    auto modals = Hold<LPBYTE>(NetApiBufferFree);
    if (NetUserModalsGet(nullptr, 2, modals.Receive()) != NERR_Success || !modals) return false;
    domain_text::CopyCut(block, reinterpret_cast<USER_MODALS_INFO_2*>(modals.Get())->usrmod2_domain_name);
    return true;
}

int CNT4Domain::QueryPrimaryDomain(LPWSTR name, int* isDomain) {
    if (!Loaded) return 0;
    WCHAR local[LocalNameChars] = {0};
    if (!LocalAccountDomain(local)) {
        SetErrorText("Failed in NetUserModalsGet");
        return 0;
    }
    auto policy = Hold<LSA_HANDLE>(LsaClose);
    if (OpenPolicy(local, kPolicyQuery, policy.Receive()) != 0) {
        SetErrorText("Failed in OpenPolicy");
        return 0;
    }
    auto info = Hold<PVOID>(LsaFreeMemory);
    if (LsaQueryInformationPolicy(policy.Get(), PolicyPrimaryDomainInformation, info.Receive()) != 0 || !info) {
        SetErrorText("Failed in LsaQueryInformationPolicy");
        return 0;
    }
    const auto* primary = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(info.Get());
    if (name) {
        size_t length = primary->Name.Buffer ? primary->Name.Length / sizeof(WCHAR) : 0;
        if (length > PrimaryDomainChars - 2) length = PrimaryDomainChars - 2;
        for (size_t i = 0; i < length; ++i) name[i] = primary->Name.Buffer[i];
        name[length] = '\n';
        name[length + 1] = 0;
    }
    if (isDomain) *isDomain = primary->Sid ? 1 : 0;
    return 1;
}

int CNT4Domain::ConfigureNetlogon(int start) {
    if (!Loaded) return 0;
    int running = 0;
    auto manager = Hold<SC_HANDLE>(CloseServiceHandle);
    manager.Reset(OpenSCManagerW(nullptr, nullptr, kManagerAll));
    if (!manager) {
        SetErrorText("Error opening Service Control Manager, Insufficient rights??");
        return 0;
    }
    DWORD needed = 0, count = 0, resume = 0;
    // The size of the list: failing with ERROR_MORE_DATA is the normal answer.
    if (!EnumServicesStatusW(manager.Get(), kWin32Services, kEveryState, nullptr, 0, &needed, &count, &resume))
        SetErrorTextOfLastError();
    const DWORD size = needed;
    auto block = Hold<HLOCAL>(&LocalFree);
    block.Reset(LocalAlloc(LPTR, size));
    count = 0;
    resume = 0;
    auto* services = static_cast<ENUM_SERVICE_STATUSW*>(block.Get());
    if (services &&
        !EnumServicesStatusW(manager.Get(), kWin32Services, kEveryState, services, size, &needed, &count, &resume))
        SetErrorTextOfLastError();
    if (!services || count > size / sizeof(ENUM_SERVICE_STATUSW)) count = 0;

    for (DWORD i = 0; i < count; ++i) {
        if (!domain_text::Equal(services[i].lpServiceName, WTEXT("Netlogon"))) continue;
        if (services[i].ServiceStatus.dwCurrentState == SERVICE_RUNNING) running = 1;
        auto service = Hold<SC_HANDLE>(CloseServiceHandle);
        service.Reset(OpenServiceW(manager.Get(), WTEXT("Netlogon"), kServiceAll));
        if (!service) {
            SetErrorText("Error in OpenService()");
            continue;
        }
        DWORD configSize = 0;
        QueryServiceConfigW(service.Get(), nullptr, 0, &configSize);
        auto configBlock = Hold<HLOCAL>(&LocalFree);
        configBlock.Reset(configSize ? LocalAlloc(LPTR, configSize) : nullptr);
        auto* config = static_cast<QUERY_SERVICE_CONFIGW*>(configBlock.Get());
        if (config && !QueryServiceConfigW(service.Get(), config, configSize, &configSize)) config = nullptr;
        // Without the configuration the start type is changed alone.
        ChangeServiceConfigW(service.Get(), config ? config->dwServiceType : SERVICE_NO_CHANGE,
                             start ? SERVICE_AUTO_START : SERVICE_DISABLED,
                             config ? config->dwErrorControl : SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, config ? config->lpDisplayName : nullptr);
        if (start) {
            StartServiceW(service.Get(), 0, nullptr);
        } else {
            SERVICE_STATUS status;
            std::memset(&status, 0, sizeof status);
            ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
        }
    }
    return running;
}

int CNT4Domain::JoinWorkgroup(LPCWSTR workgroup) {
    if (!Loaded) return 0;
    WCHAR local[LocalNameChars] = {0};
    if (!LocalAccountDomain(local)) {
        SetErrorText("Failed in NetUserModalsGet");
        return 0;
    }
    auto policy = Hold<LSA_HANDLE>(LsaClose);
    if (OpenPolicy(local, kPolicyAll, policy.Receive()) != 0) {
        SetErrorText("Failed in OpenPolicy");
        return 0;
    }
    {
        auto info = Hold<PVOID>(LsaFreeMemory);
        if (LsaQueryInformationPolicy(policy.Get(), PolicyPrimaryDomainInformation, info.Receive()) == 0 && info)
            LsaDeleteTrustedDomain(policy.Get(), static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(info.Get())->Sid);
    }
    if (SetPrimaryDomain(policy.Get(), nullptr, workgroup) != 0) {
        SetErrorText("Failed in SetPrimaryDomain");
        return 0;
    }
    policy.Reset();
    ConfigureNetlogon(0);
    return 1;
}
