// Domain membership on Windows NT 4.0, which has no join functions: the
// machine account, the LSA trust and secret, the primary domain and the
// Netlogon service, each done step by step. To join a workgroup the class
// removes the trust, sets the primary domain to the workgroup without a SID
// and switches Netlogon off; to join a domain it creates the machine
// account on a domain controller, stores the trust and the account's
// password, sets the primary domain with the domain's SID and switches
// Netlogon on. It also reports the current primary domain.
//
// Every platform function is looked up at run time in "NetApi32.Dll" and
// "AdvApi32.Dll"; where one is missing the instance reports itself not
// loaded and no operation calls the platform. The networking identity makes
// one instance for one query or one change. Each step leaves a short
// message in ErrorText (GetErrorText), for diagnosis.
#pragma once

#include <windows.h>
#include <lm.h>
#include <ntsecapi.h>

#include <optional>

#include "RuntimeLibrary.h"

class CNT4Domain {
public:
    enum : size_t {
        ErrorTextChars = 256,
        MachinePasswordChars = 15,  // 14 characters and a NUL
        // The name buffer QueryPrimaryDomain writes: the name (cut to
        // PrimaryDomainChars - 2 characters), a line feed and a NUL.
        PrimaryDomainChars = 256,
        // The local name block of the joins: 256 bytes.
        LocalNameChars = 128,
    };
    // Machine account types AddMachineAccount accepts.
    enum : DWORD {
        WorkstationAccount = UF_WORKSTATION_TRUST_ACCOUNT,   // 4096
        ServerAccount = UF_SERVER_TRUST_ACCOUNT,             // 8192
        InterdomainAccount = UF_INTERDOMAIN_TRUST_ACCOUNT,   // 2048
    };

    // Loads both libraries and every function; sets Loaded, or a message.
    CNT4Domain();
    // Releases the network API library, then the advanced services library.
    virtual ~CNT4Domain();

    CNT4Domain(const CNT4Domain&) = delete;
    CNT4Domain& operator=(const CNT4Domain&) = delete;

    int IsLoaded() const { return Loaded; }
    const char* GetErrorText() const { return ErrorText; }
    // The password the last AddMachineAccount gave the account.
    LPCWSTR GetMachinePassword() const { return MachinePassword; }

    // The primary domain's name followed by a line feed (the caller removes
    // it) into `name`, which must hold PrimaryDomainChars characters, and
    // whether it is a domain (1: it has a SID) or a workgroup (0). Either
    // may be null. 1 on success.
    int QueryPrimaryDomain(LPWSTR name, int* isDomain);
    // Leaves the domain for the workgroup; Netlogon is switched off only
    // when everything else succeeded. 1 on success.
    int JoinWorkgroup(LPCWSTR workgroup);
    // Joins the domain through one of its controllers. The domain text is
    // the caller's and is changed in place: cut to 15 characters, then
    // upper-cased. A null machine password stores the one the new machine
    // account got; no user means the logged-on user's own credentials.
    // Netlogon is switched on only when everything succeeded. 1 on success.
    int JoinDomain(LPWSTR domain, LPCWSTR machinePassword, LPCWSTR user, LPCWSTR password);

    // The steps the joins are made of.

    // Sets Netlogon to start automatically and starts it (start nonzero),
    // or disables and stops it. Returns 1 when Netlogon was running before.
    int ConfigureNetlogon(int start);
    // The LSA's counted form of a wide string, without copying it.
    static void InitLsaString(PLSA_UNICODE_STRING counted, LPCWSTR text);
    // The name of a primary controller of the domain ("\\DC"), to be
    // released with NetApiBufferFree through ReleaseBuffer.
    int GetDCName(LPCWSTR domain, LPWSTR* dcName);
    void ReleaseBuffer(LPVOID buffer);
    // Connects (connect nonzero) or disconnects the IPC$ session to a
    // server; last error 1210 for a missing or over-long server name.
    int EstablishNullSession(LPCWSTR server, int connect, LPCWSTR user, LPCWSTR password, LPCWSTR domain);
    // Whether COMPUTER$ on the controller is a workstation trust account.
    int MachineAccountExists(LPCWSTR dcName, LPCWSTR computerName);
    // Creates COMPUTERNAME$ on the controller. The computer name is the
    // caller's and becomes the account's password in place: lower case, at
    // most 14 characters (also kept as the machine password).
    int AddMachineAccount(LPCWSTR dcName, LPWSTR computerName, DWORD accountType);
    int DeleteMachineAccount(LPCWSTR dcName, LPCWSTR computerName);
    // Enables or disables a privilege of the process token.
    int SetPrivilege(LPCWSTR systemName, LPCWSTR privilege, int enable);

private:
    NTSTATUS OpenPolicy(LPCWSTR systemName, ACCESS_MASK access, PLSA_HANDLE policy);
    NTSTATUS SetPrimaryDomain(LSA_HANDLE policy, PSID sid, LPCWSTR name);
    NTSTATUS SetWorkstationTrustedDomainInfo(LSA_HANDLE policy, PSID sid, LPWSTR domain, LPCWSTR password);
    int GetDomainSid(LPCWSTR dcName, PSID* sid);
    // The account-domain name of the local machine (its computer name) into
    // the caller's block; the failure message is the caller's.
    bool LocalAccountDomain(WCHAR (&block)[LocalNameChars]);
    void SetErrorText(const char* text);
    void SetErrorTextOfLastError();

    WCHAR MachinePassword[MachinePasswordChars];
    char ErrorText[ErrorTextChars];
    int Loaded;
    std::optional<orvane::RuntimeLibrary> AdvApi32;
    std::optional<orvane::RuntimeLibrary> NetApi32;

    ORVANE_RUNTIME_FUNCTION(NetServerGetInfo);
    ORVANE_RUNTIME_FUNCTION(NetApiBufferFree);
    ORVANE_RUNTIME_FUNCTION(NetWkstaGetInfo);
    ORVANE_RUNTIME_FUNCTION(NetUserModalsGet);
    ORVANE_RUNTIME_FUNCTION(NetGetDCName);
    ORVANE_RUNTIME_FUNCTION(NetUseAdd);
    ORVANE_RUNTIME_FUNCTION(NetUserAdd);
    ORVANE_RUNTIME_FUNCTION(NetUseDel);
    ORVANE_RUNTIME_FUNCTION(NetUserDel);
    ORVANE_RUNTIME_FUNCTION(NetUserGetInfo);

    ORVANE_RUNTIME_FUNCTION(ControlService);
    ORVANE_RUNTIME_FUNCTION(StartServiceW);
    ORVANE_RUNTIME_FUNCTION(OpenSCManagerW);
    ORVANE_RUNTIME_FUNCTION(OpenServiceW);
    ORVANE_RUNTIME_FUNCTION(QueryServiceConfigW);
    ORVANE_RUNTIME_FUNCTION(EnumServicesStatusW);
    ORVANE_RUNTIME_FUNCTION(CloseServiceHandle);
    ORVANE_RUNTIME_FUNCTION(ChangeServiceConfigW);
    ORVANE_RUNTIME_FUNCTION(LsaOpenPolicy);
    ORVANE_RUNTIME_FUNCTION(LsaSetInformationPolicy);
    ORVANE_RUNTIME_FUNCTION(LsaQueryInformationPolicy);
    ORVANE_RUNTIME_FUNCTION(LsaDeleteTrustedDomain);
    ORVANE_RUNTIME_FUNCTION(LsaClose);
    ORVANE_RUNTIME_FUNCTION(LsaFreeMemory);
    ORVANE_RUNTIME_FUNCTION(IsValidSid);
    ORVANE_RUNTIME_FUNCTION(GetLengthSid);
    ORVANE_RUNTIME_FUNCTION(CopySid);
    ORVANE_RUNTIME_FUNCTION(FreeSid);
    ORVANE_RUNTIME_FUNCTION(LsaSetTrustedDomainInformation);
    ORVANE_RUNTIME_FUNCTION(LsaStorePrivateData);
    ORVANE_RUNTIME_FUNCTION(LookupPrivilegeValueW);
    ORVANE_RUNTIME_FUNCTION(OpenProcessToken);
    ORVANE_RUNTIME_FUNCTION(AdjustTokenPrivileges);
    ORVANE_RUNTIME_FUNCTION(LogonUserW);
    ORVANE_RUNTIME_FUNCTION(ImpersonateLoggedOnUser);
};
