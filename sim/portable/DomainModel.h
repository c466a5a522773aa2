// The machine's membership and the domain controllers outside it, read from
// and written to the registry forms of SimArea.h. Shared by the simulated
// network API and LSA and by the Wine runs' netapi32 double.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace domainmodel {

enum class Role { Workstation, Server, PrimaryDC, BackupDC };

struct Local {
    std::string computerName;
    std::string primaryName;       // workgroup or domain
    std::vector<BYTE> primarySid;  // empty: a workgroup
    std::vector<BYTE> machineSid;  // the machine's own account domain
    Role role = Role::Workstation;

    bool InDomain() const { return !primarySid.empty(); }
    bool IsController() const { return role == Role::PrimaryDC || role == Role::BackupDC; }
};

// The local machine as its registry and computer name describe it.
Local ReadLocal();
Role ReadRole();
LONG WriteRole(Role role);

struct Controller {
    std::string domain;  // NetBIOS name of the domain, as described
    std::string name;    // the controller's computer name, without backslashes
    std::vector<BYTE> sid;
    bool primary = true;
    bool callerIsAdmin = true;
};

struct Account {
    std::string name;
    std::string password;
    std::string comment;
    DWORD privilege = 1;  // USER_PRIV_USER
    DWORD flags = 0;
};

std::vector<Controller> Controllers();
bool FindControllerOfDomain(const std::string& domain, Controller* out);
// By computer name, with or without leading backslashes.
bool FindController(const std::string& server, Controller* out);
LONG WriteController(const Controller& dc);

std::vector<Account> Accounts(const Controller& dc);
bool FindAccount(const Controller& dc, const std::string& name, Account* out);
LONG WriteAccount(const Controller& dc, const Account& account);
LONG DeleteAccount(const Controller& dc, const std::string& name);

// The LSA's primary domain; an empty SID makes it a workgroup.
LONG WritePrimaryDomain(const std::string& name, const std::vector<BYTE>& sid);
LONG WriteMachineSid(const std::vector<BYTE>& sid);

struct Trust {
    std::vector<BYTE> sid;
    std::string name;
};
std::vector<Trust> Trusts();
bool FindTrust(const std::vector<BYTE>& sid, Trust* out);
LONG WriteTrust(const Trust& trust);
LONG DeleteTrust(const std::vector<BYTE>& sid);

bool ReadSecret(const std::string& name, std::string* value);
LONG WriteSecret(const std::string& name, const std::string& value);
LONG DeleteSecret(const std::string& name);

// Names compare as Windows compares computer, domain and account names:
// without regard to case.
bool SameName(const std::string& a, const std::string& b);
std::string Upper(std::string text);
// "\\\\NAME" and "NAME" both give "NAME".
std::string StripBackslashes(const std::string& server);

}  // namespace domainmodel
