// Where the simulated machine keeps its security and network state. What a
// real machine keeps in its registry stays where Windows keeps it (service
// configuration, product type, server comment); what no registry export of a
// real machine can show (the LSA policy, run-time service states) and the
// domain controllers outside the machine live below kSimRoot, in readable
// values documented in docs/simulated-security.md. All paths are below
// HKEY_LOCAL_MACHINE.
#pragma once

namespace simarea {

constexpr const char kSimRoot[] = "SOFTWARE\\OrvaneSim";

// The local security policy.
constexpr const char kLsa[] = "SOFTWARE\\OrvaneSim\\Lsa";
constexpr const char kPrimaryDomainName[] = "PrimaryDomainName";  // REG_SZ; missing: "WORKGROUP"
constexpr const char kPrimaryDomainSid[] = "PrimaryDomainSid";    // REG_SZ S-1-...; missing or empty: none
constexpr const char kAccountDomainSid[] = "AccountDomainSid";    // REG_SZ; the machine's own SID
constexpr const char kServerRole[] = "ServerRole";                // REG_SZ "Primary" or "Backup" (LanmanNT only)
constexpr const char kDefaultWorkgroup[] = "WORKGROUP";
constexpr const char kDefaultMachineSid[] = "S-1-5-21-1606980848-706699826-1801674531";
// One subkey per trusted domain, named by its SID: "Name".
constexpr const char kTrustedDomains[] = "SOFTWARE\\OrvaneSim\\Lsa\\TrustedDomains";
constexpr const char kTrustName[] = "Name";
// One subkey per secret, named as the secret: "CurrentValue".
constexpr const char kSecrets[] = "SOFTWARE\\OrvaneSim\\Lsa\\Secrets";
constexpr const char kSecretValue[] = "CurrentValue";

// Run-time service states: one REG_DWORD per service name (SERVICE_RUNNING,
// SERVICE_STOPPED...); a service without a value is stopped.
constexpr const char kServiceState[] = "SOFTWARE\\OrvaneSim\\ServiceState";

// Domain controllers: one subkey per domain, named as the domain's NetBIOS
// name: "Name" (the controller's computer name), "DomainSid", "Role"
// ("Primary" or "Backup"), "CallerIsAdmin" (REG_DWORD: the logged-on user's
// own credentials administer the domain). Accounts below "Accounts\<name>":
// "Password", "Privilege" and "Flags" (REG_DWORD), "Comment".
constexpr const char kDomainControllers[] = "SOFTWARE\\OrvaneSim\\DomainControllers";
constexpr const char kDcName[] = "Name";
constexpr const char kDcSid[] = "DomainSid";
constexpr const char kDcRole[] = "Role";
constexpr const char kDcCallerIsAdmin[] = "CallerIsAdmin";
constexpr const char kAccounts[] = "Accounts";
constexpr const char kAccountPassword[] = "Password";
constexpr const char kAccountPrivilege[] = "Privilege";
constexpr const char kAccountFlags[] = "Flags";
constexpr const char kAccountComment[] = "Comment";

// Where Windows keeps the rest.
constexpr const char kServices[] = "SYSTEM\\CurrentControlSet\\Services";
constexpr const char kProductOptions[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr const char kProductType[] = "ProductType";  // "WinNT", "ServerNT", "LanmanNT"
constexpr const char kServerParameters[] = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters";
constexpr const char kServerComment[] = "srvcomment";

}  // namespace simarea
