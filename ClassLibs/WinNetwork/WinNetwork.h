// The Windows networking identity: computer name, workgroup, comment, the
// Windows 95/98 logon options and logon choices, the domain membership on
// Windows NT, the user's persistent drive connections and the machine's
// disk shares. Loaded once, when the object is made; the setters change
// memory only; WriteData stores everything and, on Windows NT, moves the
// machine into the workgroup or domain asked for.
#pragma once

#include <windows.h>

#include "RuntimeLibrary.h"
#include "Shares.h"

// One persistent drive connection of the Microsoft network provider.
struct PersistentConnection {
    char LocalName[3];    // "F:"
    char RemotePath[260];
    char UserName[16];
    DWORD InUse;
};

class CWinNetwork {
public:
    enum : DWORD {
        ConnectionSlots = 26,
        // A logon choice's name, at most this many bytes with its NUL.
        LogonNameSize = 260,
    };

    // The whole state, in its fixed order and widths; a text holds at most
    // its width less one.
    struct Fields {
        DWORD WriteNeeded;  // set by the first accepted change, never cleared
        DWORD IsNT;
        char ComputerName[512];
        char ComputerComment[256];  // Windows 95/98 only
        DWORD NTLogon;      // 95/98: logon to an NT domain; NT: a domain member. Kept as given.
        DWORD QuickLogon;   // Windows 95/98 only
        DWORD PwdCachingDisabled;
        char ComputerWorkgroup[256];
        char DefaultLogon[256];  // display name of the primary logon, Windows 95/98 only
        char NTLogonDomain[256];
        PersistentConnection Connections[ConnectionSlots];
        ShareTable Shares;
        DWORD DomainChangePending;  // a workgroup or domain field changed; never cleared
        DWORD OSMajorVersion;       // 4 on NT 4.0, 5 on Windows 2000, 0 on 95/98
    };

    // Detects the platform and loads everything; never fails.
    CWinNetwork();
    virtual ~CWinNetwork() {}

    CWinNetwork(const CWinNetwork&) = delete;
    CWinNetwork& operator=(const CWinNetwork&) = delete;

    const Fields& State() const { return m_fields; }
    bool IsNT() const { return m_fields.IsNT != 0; }
    bool IsWin2000() const { return m_fields.OSMajorVersion >= 5; }

    // Getters answer from memory (the logon choices from the registry); a
    // null text means "none here".
    const char* GetComputerNameText() const { return m_fields.ComputerName; }
    const char* GetComputerWorkgroup() const { return m_fields.ComputerWorkgroup; }
    const char* GetComputerComment() const { return m_fields.ComputerComment; }
    DWORD GetNTLogon() const { return m_fields.NTLogon; }
    const char* GetNTLogonDomain() const { return m_fields.NTLogonDomain; }
    DWORD GetQuickLogon() const { return IsNT() ? 0 : m_fields.QuickLogon; }
    const char* GetDefaultLogon() const { return IsNT() ? nullptr : m_fields.DefaultLogon; }
    int GetWriteNeeded() const { return m_fields.WriteNeeded ? 1 : 0; }

    // 1 for the built-in logon plus one per network client; 0 on NT.
    DWORD GetLogonCount() const;
    // The name of logon choice `index` into `name`; false on NT and for an
    // index without a name (`name` is then as it was).
    bool GetLogonName(DWORD index, char (&name)[LogonNameSize]) const;

    // Setters: a null text, an over-long one, a value equal to the held one
    // (exact comparison) or a setting that does not apply here changes
    // nothing and raises no flag.
    void SetComputerNameText(const char* text);
    void SetComputerWorkgroup(const char* text);
    void SetComputerComment(const char* text);
    void SetNTLogon(DWORD value);
    void SetNTLogonDomain(const char* text);
    void SetQuickLogon(DWORD value);
    void SetDefaultLogon(const char* text);

    // Stores the model; 1 when every counted step succeeded or nothing was
    // to be written, else 0. Nothing is rolled back and no flag is cleared,
    // so a second call repeats everything, the join on NT included.
    int WriteData();

    // ---- Pieces of the load and the write, each on the registry or the
    // platform of the running system (LogonChoices.cpp, Connections.cpp,
    // WinNetworkDomain.cpp).

    // The client of the logon choice k + 1: 1 when its subkey name,
    // "DriverDesc", "DeviceID" and "NetworkProvider" were all read; each
    // text is filled as soon as it is read (the others stay empty).
    struct ClientTexts {
        char subkey[260];
        char description[260];
        char deviceId[260];
        char provider[260];
        bool described;  // "DriverDesc" was read (it may be empty)
    };
    static int LookupClient(DWORD k, ClientTexts& texts);
    // The display name of "PrimaryProvider" into `out`; 1 when set.
    static int ReadPrimaryLogon(char (&out)[256]);
    // Makes the client named `displayName` (or the built-in logon) the
    // primary logon; 1 on success.
    static int WritePrimaryLogon(const char* displayName);

private:
    void LoadWin9x();
    void LoadNT();
    void LoadConnections();
    void LoadShares();
    int WriteWin9x();
    int WriteNT();
    void RewriteConnections();
    void WriteShares();
    // The workgroup or domain: from the domain classes at load, and the
    // change asked for at write time (WinNetworkDomain.cpp).
    void LoadMembership();
    // A workgroup move is asked by clearing NTLogon and naming a workgroup.
    bool AsksWorkgroup() const { return !m_fields.NTLogon && m_fields.ComputerWorkgroup[0]; }
    int JoinOnWin2000();
    int JoinOnNT4(int result);

    Fields m_fields;
    orvane::RuntimeLibrary m_kernel;
    ORVANE_RUNTIME_FUNCTION(GetComputerNameExA);
    ORVANE_RUNTIME_FUNCTION(GetComputerNameA);
    ORVANE_RUNTIME_FUNCTION(SetComputerNameExA);
    ORVANE_RUNTIME_FUNCTION(SetComputerNameA);
};
