// The local security policy (LSA) of the simulated machine: policy handles
// with the rights they were opened with, the primary and account domains,
// trusted domains and secrets, kept in the registry area of SimArea.h.
#include <ntsecapi.h>
#include <ntstatus.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "DomainModel.h"
#include "SecuritySim.h"
#include "SidText.h"
#include "WideText.h"
#include "sim/control.h"
#include "Lock.h"

namespace {

using apicall::Call;
using sim::security::RunStatus;

struct LsaState {
    std::map<ULONG_PTR, ACCESS_MASK> handles;
    ULONG_PTR nextHandle = 0x5A000000;
    std::set<void*> memory;
};

LsaState& S() {
    static LsaState state;
    return state;
}

// Generic rights as the LSA maps them for its policy object.
ACCESS_MASK MapAccess(ACCESS_MASK access) {
    ACCESS_MASK mapped = access & ~ACCESS_MASK(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
    if (access & GENERIC_READ) mapped |= POLICY_READ;
    if (access & GENERIC_WRITE) mapped |= POLICY_WRITE;
    if (access & GENERIC_EXECUTE) mapped |= POLICY_EXECUTE;
    if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) mapped |= POLICY_ALL_ACCESS;
    return mapped;
}

// What a program that is not a local administrator may open the policy for.
constexpr ACCESS_MASK kUserRights = POLICY_READ | POLICY_EXECUTE;

bool Granted(LSA_HANDLE h, ACCESS_MASK needed, NTSTATUS* status) {
    auto it = S().handles.find(reinterpret_cast<ULONG_PTR>(h));
    if (it == S().handles.end()) {
        *status = STATUS_INVALID_HANDLE;
        return false;
    }
    if ((it->second & needed) != needed) {
        *status = STATUS_ACCESS_DENIED;
        return false;
    }
    return true;
}

std::string CountedText(const LSA_UNICODE_STRING* s) {
    if (!s) return "(null)";
    if (!s->Buffer) return s->Length ? "invalid" : "";
    return wide::Narrow(s->Buffer, s->Length / sizeof(WCHAR));
}

bool ValidCounted(const LSA_UNICODE_STRING& s) {
    return s.Length % 2 == 0 && s.Length <= s.MaximumLength && (s.Buffer || s.Length == 0);
}

std::vector<BYTE> SidBytes(PSID sid) {
    const BYTE* p = static_cast<const BYTE*>(sid);
    const size_t size = sidtext::ValidSize(p, SECURITY_MAX_SID_SIZE);
    return size ? std::vector<BYTE>(p, p + size) : std::vector<BYTE>();
}

std::string SidArg(PSID sid) {
    if (!sid) return "(null)";
    const std::vector<BYTE> bytes = SidBytes(sid);
    return bytes.empty() ? "invalid" : sidtext::Format(bytes.data(), bytes.size());
}

NTSTATUS FromWin32(LONG rc) {
    if (rc == ERROR_SUCCESS) return STATUS_SUCCESS;
    return rc == ERROR_ACCESS_DENIED ? STATUS_ACCESS_DENIED : STATUS_UNSUCCESSFUL;
}

// One block of LSA memory: the information structure, its text and its SID.
void* Pack(size_t head, const std::string& name, const std::vector<BYTE>& sid, LSA_UNICODE_STRING** text,
           PSID* sidOut) {
    const wide::WString w = wide::Widen(name);
    const size_t textAt = (head + 7) & ~size_t(7);
    const size_t sidAt = (textAt + (w.size() + 1) * sizeof(WCHAR) + 7) & ~size_t(7);
    auto* base = static_cast<BYTE*>(std::calloc(1, sidAt + sid.size() + 1));
    if (!base) return nullptr;
    S().memory.insert(base);
    auto* buffer = reinterpret_cast<LPWSTR>(base + textAt);
    std::memcpy(buffer, w.c_str(), (w.size() + 1) * sizeof(WCHAR));
    if (*text) {
        (*text)->Length = static_cast<USHORT>(w.size() * sizeof(WCHAR));
        (*text)->MaximumLength = static_cast<USHORT>((w.size() + 1) * sizeof(WCHAR));
        (*text)->Buffer = buffer;
    }
    if (sidOut) {
        if (sid.empty()) {
            *sidOut = nullptr;
        } else {
            std::memcpy(base + sidAt, sid.data(), sid.size());
            *sidOut = base + sidAt;
        }
    }
    return base;
}

}  // namespace

namespace sim {

bool SetPrimaryDomain(std::string_view name, std::string_view sid) {
    const sim::Locked locked;
    std::vector<BYTE> bytes;
    if (!sid.empty() && !sidtext::Parse(std::string(sid), &bytes)) return false;
    return domainmodel::WritePrimaryDomain(std::string(name), bytes) == ERROR_SUCCESS;
}

PrimaryDomain GetPrimaryDomain() {
    const sim::Locked locked;
    const domainmodel::Local local = domainmodel::ReadLocal();
    return {local.primaryName, sidtext::Format(local.primarySid.data(), local.primarySid.size())};
}

bool SetMachineSid(std::string_view sid) {
    const sim::Locked locked;
    std::vector<BYTE> bytes;
    return sidtext::Parse(std::string(sid), &bytes) && domainmodel::WriteMachineSid(bytes) == ERROR_SUCCESS;
}

std::string MachineSid() {
    const sim::Locked locked;
    const domainmodel::Local local = domainmodel::ReadLocal();
    return sidtext::Format(local.machineSid.data(), local.machineSid.size());
}

std::vector<TrustedDomain> TrustedDomains() {
    const sim::Locked locked;
    std::vector<TrustedDomain> out;
    for (auto& t : domainmodel::Trusts()) out.push_back({sidtext::Format(t.sid.data(), t.sid.size()), t.name});
    return out;
}

bool LsaSecret(std::string_view name, std::string* value) {
    const sim::Locked locked;
    return domainmodel::ReadSecret(std::string(name), value);
}

}  // namespace sim

namespace sim::security {

size_t OpenLsaHandles() { return S().handles.size(); }
size_t LiveLsaMemory() { return S().memory.size(); }

void ResetLsa() {
    for (void* p : S().memory) std::free(p);
    S() = LsaState{};
}

}  // namespace sim::security

extern "C" {

NTSTATUS NTAPI LsaOpenPolicy(PLSA_UNICODE_STRING SystemName, PLSA_OBJECT_ATTRIBUTES ObjectAttributes,
                             ACCESS_MASK DesiredAccess, PLSA_HANDLE PolicyHandle) {
    Call call{"LsaOpenPolicy", {}, {}};
    call.Arg("system", CountedText(SystemName)).Hex("access", DesiredAccess);
    return RunStatus(call, [&]() -> NTSTATUS {
        if (!ObjectAttributes || !PolicyHandle) return STATUS_INVALID_PARAMETER;
        if (SystemName && !ValidCounted(*SystemName)) return STATUS_INVALID_PARAMETER;
        if (SystemName && !sim::security::IsLocalName(CountedText(SystemName))) return RPC_NT_SERVER_UNAVAILABLE;
        ACCESS_MASK granted = MapAccess(DesiredAccess);
        if (!sim::security::CallerIsLocalAdmin()) {
            if (DesiredAccess & MAXIMUM_ALLOWED) granted &= kUserRights;
            if (granted & ~kUserRights) return STATUS_ACCESS_DENIED;
        }
        const ULONG_PTR value = S().nextHandle;
        S().nextHandle += 4;
        S().handles[value] = granted;
        *PolicyHandle = reinterpret_cast<LSA_HANDLE>(value);
        return STATUS_SUCCESS;
    });
}

NTSTATUS NTAPI LsaQueryInformationPolicy(LSA_HANDLE PolicyHandle, POLICY_INFORMATION_CLASS InformationClass,
                                         PVOID* Buffer) {
    Call call{"LsaQueryInformationPolicy", {}, {}};
    call.Pointer("policy", PolicyHandle).Number("class", InformationClass);
    return RunStatus(call, [&]() -> NTSTATUS {
        NTSTATUS status = STATUS_SUCCESS;
        if (!Granted(PolicyHandle, 0, &status)) return status;
        if (!Buffer) return STATUS_INVALID_PARAMETER;
        if (InformationClass != PolicyPrimaryDomainInformation && InformationClass != PolicyAccountDomainInformation)
            return STATUS_NOT_IMPLEMENTED;
        if (!Granted(PolicyHandle, POLICY_VIEW_LOCAL_INFORMATION, &status)) return status;
        const domainmodel::Local local = domainmodel::ReadLocal();
        if (InformationClass == PolicyPrimaryDomainInformation) {
            POLICY_PRIMARY_DOMAIN_INFO info{};
            LSA_UNICODE_STRING* name = &info.Name;
            auto* base = static_cast<BYTE*>(
                Pack(sizeof info, local.primaryName, local.primarySid, &name, &info.Sid));
            if (!base) return STATUS_NO_MEMORY;
            std::memcpy(base, &info, sizeof info);
            *Buffer = base;
        } else {
            // A controller's account domain is its domain; else the machine's own.
            POLICY_ACCOUNT_DOMAIN_INFO info{};
            LSA_UNICODE_STRING* name = &info.DomainName;
            const bool dc = local.IsController();
            auto* base = static_cast<BYTE*>(Pack(sizeof info, dc ? local.primaryName : local.computerName,
                                                 dc ? local.primarySid : local.machineSid, &name, &info.DomainSid));
            if (!base) return STATUS_NO_MEMORY;
            std::memcpy(base, &info, sizeof info);
            *Buffer = base;
        }
        return STATUS_SUCCESS;
    });
}

NTSTATUS NTAPI LsaSetInformationPolicy(LSA_HANDLE PolicyHandle, POLICY_INFORMATION_CLASS InformationClass,
                                       PVOID Buffer) {
    Call call{"LsaSetInformationPolicy", {}, {}};
    call.Pointer("policy", PolicyHandle).Number("class", InformationClass);
    if (Buffer && InformationClass == PolicyPrimaryDomainInformation) {
        auto* info = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(Buffer);
        call.Arg("name", CountedText(&info->Name)).Arg("sid", SidArg(info->Sid));
    }
    return RunStatus(call, [&]() -> NTSTATUS {
        NTSTATUS status = STATUS_SUCCESS;
        if (!Granted(PolicyHandle, 0, &status)) return status;
        if (!Buffer) return STATUS_INVALID_PARAMETER;
        if (InformationClass != PolicyPrimaryDomainInformation) return STATUS_NOT_IMPLEMENTED;
        if (!Granted(PolicyHandle, POLICY_TRUST_ADMIN, &status)) return status;
        auto* info = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(Buffer);
        if (!ValidCounted(info->Name)) return STATUS_INVALID_PARAMETER;
        std::vector<BYTE> sid;
        if (info->Sid) {
            sid = SidBytes(info->Sid);
            if (sid.empty()) return STATUS_INVALID_SID;
        }
        return FromWin32(domainmodel::WritePrimaryDomain(CountedText(&info->Name), sid));
    });
}

NTSTATUS NTAPI LsaSetTrustedDomainInformation(LSA_HANDLE PolicyHandle, PSID TrustedDomainSid,
                                              TRUSTED_INFORMATION_CLASS InformationClass, PVOID Buffer) {
    Call call{"LsaSetTrustedDomainInformation", {}, {}};
    call.Pointer("policy", PolicyHandle).Arg("sid", SidArg(TrustedDomainSid)).Number("class", InformationClass);
    if (Buffer && InformationClass == TrustedDomainNameInformation)
        call.Arg("name", CountedText(&static_cast<TRUSTED_DOMAIN_NAME_INFO*>(Buffer)->Name));
    return RunStatus(call, [&]() -> NTSTATUS {
        NTSTATUS status = STATUS_SUCCESS;
        if (!Granted(PolicyHandle, POLICY_TRUST_ADMIN, &status)) return status;
        if (!TrustedDomainSid || !Buffer) return STATUS_INVALID_PARAMETER;
        if (InformationClass != TrustedDomainNameInformation) return STATUS_INVALID_PARAMETER;
        const std::vector<BYTE> sid = SidBytes(TrustedDomainSid);
        if (sid.empty()) return STATUS_INVALID_SID;
        const auto* info = static_cast<TRUSTED_DOMAIN_NAME_INFO*>(Buffer);
        if (!ValidCounted(info->Name) || info->Name.Length == 0) return STATUS_INVALID_PARAMETER;
        domainmodel::Trust existing;
        if (domainmodel::FindTrust(sid, &existing)) return STATUS_OBJECT_NAME_COLLISION;
        return FromWin32(domainmodel::WriteTrust({sid, CountedText(&info->Name)}));
    });
}

NTSTATUS NTAPI LsaDeleteTrustedDomain(LSA_HANDLE PolicyHandle, PSID TrustedDomainSid) {
    Call call{"LsaDeleteTrustedDomain", {}, {}};
    call.Pointer("policy", PolicyHandle).Arg("sid", SidArg(TrustedDomainSid));
    return RunStatus(call, [&]() -> NTSTATUS {
        NTSTATUS status = STATUS_SUCCESS;
        if (!Granted(PolicyHandle, POLICY_TRUST_ADMIN, &status)) return status;
        if (!TrustedDomainSid) return STATUS_INVALID_PARAMETER;
        const std::vector<BYTE> sid = SidBytes(TrustedDomainSid);
        if (sid.empty()) return STATUS_INVALID_SID;
        domainmodel::Trust existing;
        if (!domainmodel::FindTrust(sid, &existing)) return STATUS_OBJECT_NAME_NOT_FOUND;
        return FromWin32(domainmodel::DeleteTrust(sid));
    });
}

NTSTATUS NTAPI LsaStorePrivateData(LSA_HANDLE PolicyHandle, PLSA_UNICODE_STRING KeyName,
                                   PLSA_UNICODE_STRING PrivateData) {
    Call call{"LsaStorePrivateData", {}, {}};
    call.Pointer("policy", PolicyHandle).Arg("key", CountedText(KeyName)).Arg("data", CountedText(PrivateData));
    return RunStatus(call, [&]() -> NTSTATUS {
        NTSTATUS status = STATUS_SUCCESS;
        if (!Granted(PolicyHandle, POLICY_CREATE_SECRET, &status)) return status;
        if (!KeyName || !ValidCounted(*KeyName) || KeyName->Length == 0) return STATUS_INVALID_PARAMETER;
        if (PrivateData && !ValidCounted(*PrivateData)) return STATUS_INVALID_PARAMETER;
        const std::string key = CountedText(KeyName);
        if (key.find('\\') != std::string::npos) return STATUS_OBJECT_NAME_INVALID;
        if (!PrivateData) {
            // No data deletes the secret.
            std::string existing;
            if (!domainmodel::ReadSecret(key, &existing)) return STATUS_OBJECT_NAME_NOT_FOUND;
            return FromWin32(domainmodel::DeleteSecret(key));
        }
        return FromWin32(domainmodel::WriteSecret(key, CountedText(PrivateData)));
    });
}

NTSTATUS NTAPI LsaRetrievePrivateData(LSA_HANDLE PolicyHandle, PLSA_UNICODE_STRING KeyName,
                                      PLSA_UNICODE_STRING* PrivateData) {
    Call call{"LsaRetrievePrivateData", {}, {}};
    call.Pointer("policy", PolicyHandle).Arg("key", CountedText(KeyName));
    return RunStatus(call, [&]() -> NTSTATUS {
        NTSTATUS status = STATUS_SUCCESS;
        if (!Granted(PolicyHandle, POLICY_GET_PRIVATE_INFORMATION, &status)) return status;
        if (!KeyName || !ValidCounted(*KeyName) || !PrivateData) return STATUS_INVALID_PARAMETER;
        std::string value;
        if (!domainmodel::ReadSecret(CountedText(KeyName), &value)) return STATUS_OBJECT_NAME_NOT_FOUND;
        LSA_UNICODE_STRING head{};
        LSA_UNICODE_STRING* text = &head;
        auto* base = static_cast<BYTE*>(Pack(sizeof head, value, {}, &text, nullptr));
        if (!base) return STATUS_NO_MEMORY;
        std::memcpy(base, &head, sizeof head);
        *PrivateData = reinterpret_cast<PLSA_UNICODE_STRING>(base);
        return STATUS_SUCCESS;
    });
}

NTSTATUS NTAPI LsaFreeMemory(PVOID Buffer) {
    Call call{"LsaFreeMemory", {}, {}};
    call.Pointer("buffer", Buffer);
    return RunStatus(call, [&]() -> NTSTATUS {
        if (!Buffer) return STATUS_SUCCESS;
        if (!S().memory.erase(Buffer)) return STATUS_INVALID_PARAMETER;
        std::free(Buffer);
        return STATUS_SUCCESS;
    });
}

NTSTATUS NTAPI LsaClose(LSA_HANDLE ObjectHandle) {
    Call call{"LsaClose", {}, {}};
    call.Pointer("handle", ObjectHandle);
    return RunStatus(call, [&]() -> NTSTATUS {
        return S().handles.erase(reinterpret_cast<ULONG_PTR>(ObjectHandle)) ? STATUS_SUCCESS : STATUS_INVALID_HANDLE;
    });
}

ULONG NTAPI LsaNtStatusToWinError(NTSTATUS Status) {
    switch (static_cast<DWORD>(Status)) {
        case 0: return ERROR_SUCCESS;
        case 0xC0000008: return ERROR_INVALID_HANDLE;
        case 0xC000000D: return ERROR_INVALID_PARAMETER;
        case 0xC0000017: return ERROR_NOT_ENOUGH_MEMORY;
        case 0xC0000022: return ERROR_ACCESS_DENIED;
        case 0xC0000034: return ERROR_FILE_NOT_FOUND;
        case 0xC0000035: return 183;  // ERROR_ALREADY_EXISTS
        case 0xC0000078: return ERROR_INVALID_SID;
        case 0xC0020017: return RPC_S_SERVER_UNAVAILABLE;
        default: return 317;  // ERROR_MR_MID_NOT_FOUND: no Win32 equivalent
    }
}

}  // extern "C"
