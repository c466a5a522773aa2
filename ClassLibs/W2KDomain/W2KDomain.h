// Domain membership on Windows 2000: whether the machine is in a workgroup
// or a domain, and the move into a domain or a workgroup, through the
// platform's join functions. They are looked up at run time in the network
// API library, so the class can be made on any platform and reports itself
// not loaded where they do not exist (Windows 95/98, NT 4.0).
//
// The networking identity makes one instance for one query or one change:
// it tests IsLoaded, calls one operation and deletes it. Names, accounts
// and passwords are UTF-16; a missing one is a null pointer. No operation
// reports a message: failure is the result 0, with the platform's status
// kept in LastStatus.
#pragma once

#include <windows.h>
#include <lm.h>

#include "RuntimeLibrary.h"

class CW2KDomain {
public:
    // Join states handed out by GetJoinInformation.
    enum : int {
        JoinUnknown = 0,    // any other answer of the platform
        NotJoined = 1,
        WorkgroupMember = 2,  // the name is the workgroup's
        DomainMember = 3,     // the name is the domain's
    };
    // Join options, bits of the platform's join interface.
    enum : DWORD {
        JoinDomainOptions = NETSETUP_JOIN_DOMAIN | NETSETUP_ACCT_CREATE | NETSETUP_DOMAIN_JOIN_IF_JOINED,  // 35
        JoinWorkgroupOptions = NETSETUP_DOMAIN_JOIN_IF_JOINED,                                           // 32
        UnjoinOptions = NETSETUP_ACCT_DELETE,                                                             // 4
    };
    // The qualified account DOMAIN\account: at most this many characters
    // and a NUL. A longer one is refused (the join answers 0 and calls
    // nothing).
    enum : size_t { QualifiedAccountChars = 64 };
    // The join-information name handed out: at most this many characters
    // and a NUL (a longer name is cut).
    enum : size_t { JoinNameChars = 256 };

    // Loads "NetApi32.Dll" and its five functions; never fails.
    CW2KDomain();
    // Releases the library when it was loaded.
    virtual ~CW2KDomain();

    CW2KDomain(const CW2KDomain&) = delete;
    CW2KDomain& operator=(const CW2KDomain&) = delete;

    // 1 when the library and all five functions were found.
    int IsLoaded() const { return Loaded; }

    // The machine's workgroup or domain name and join state (either may be
    // null). The name points into a buffer of the calling thread, valid
    // until that thread's next call (of any instance). 1 on success; 0
    // when not loaded or when the platform call fails (outputs untouched).
    int GetJoinInformation(LPCWSTR* name, int* joinStatus);
    // Leaves the domain, deleting the machine account with the given
    // credentials. 1 when the platform reports success.
    int UnjoinDomain(LPCWSTR account, LPCWSTR password);
    // Joins the domain (leaving the current one first). The account is
    // passed qualified by the domain; an empty account or password is
    // passed as null.
    int JoinDomain(LPCWSTR domain, LPCWSTR account, LPCWSTR password);
    // Joins the workgroup (leaving the current domain first, with the
    // credentials exactly as given).
    int JoinWorkgroup(LPCWSTR workgroup, LPCWSTR account, LPCWSTR password);

    // The status of the last platform call this instance made (0: success).
    DWORD GetLastStatus() const { return LastStatus; }

private:
    int JoinStateOnly();
    void KeepStatus(DWORD status) { LastStatus = LastStatusCopy = status; }

    DWORD LastStatus;
    int Loaded;
    DWORD LastStatusCopy;
    int JoinStatus;
    orvane::RuntimeLibrary Library;
    ORVANE_RUNTIME_FUNCTION(NetGetJoinInformation);
    ORVANE_RUNTIME_FUNCTION(NetJoinDomain);
    ORVANE_RUNTIME_FUNCTION(NetApiBufferFree);
    ORVANE_RUNTIME_FUNCTION(NetGetDCName);
    ORVANE_RUNTIME_FUNCTION(NetUnjoinDomain);
};
