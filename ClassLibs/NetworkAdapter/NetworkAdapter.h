// The table of the machine's network adapters and each adapter's own TCP/IP
// settings. Everything is read from the registry once, by the constructor,
// in the layout of the running platform (Windows 95/98 or Windows NT); the
// setters edit memory and mark what changed; WriteData stores the marked
// records back.
//
// The object owns nothing but its fixed storage, so it needs no clean-up
// and can live as a local variable (the protocol code builds its own).
#pragma once

#include <windows.h>

#include <string>

class CRegValue;

enum : DWORD {
    kMaxAdapters = 16,
    kMaxSlots = 10,            // addresses, masks, gateways, DNS servers
    kAdapterDataVersion = 0x5AA50006,
};

// One adapter; plain data. Texts are NUL-terminated and hold at most their
// width less one character.
struct ADAPTER {
    DWORD dwDataVersion;
    char AdapterName[256];
    char Gateway[kMaxSlots][16];
    char IpAddress[kMaxSlots][16];  // "0.0.0.0" in slot 0 means DHCP
    char IpMask[kMaxSlots][16];     // slot k belongs to IpAddress slot k
    char NodeType[2];               // "8": WINS in use, "1": not; empty when not read
    char NameServer1[16];
    char NameServer2[16];
    char DNSNameServer[kMaxSlots][16];  // Windows 2000 only
    char EnableDNS[2];                  // "1", "0", or empty when never set
    char FWCODE[16];                    // Windows 95/98 only
    BOOL bTCPIP;
    BOOL bNETBEUI;
    BOOL bNovellIPS32;  // reserved; discovery never sets it
    BOOL bNWLINK;       // reserved; discovery never sets it
    BOOL bNWIP;
    BOOL bWriteNeeded;
    BOOL bRebootNeeded;
    INT bDHCPWINS;
    INT bEnabled;
    char AdapterEnumRgy[260];      // device key (95/98) or network-card key (NT), below HKLM
    char AdapterService[256];      // NT
    char AdapterTitle[260];        // NT 4.0
    char AdapterNetTransRgy[260];  // TCP/IP settings key below HKLM
    char AdapterNETBEUIRgy[260];   // 95/98
    char AdapterNWLINKRgy[260];    // reserved; discovery never fills it
    char AdapterIPX32Rgy[260];     // reserved; discovery never fills it
    char AdapterNWIPRgy[260];      // 95/98
    char AdapterRootService[256];  // driver service of the card (NT 4.0)
};

class CNetworkAdapter {
public:
    CNetworkAdapter();

    // ---- Platform and table ----
    DWORD AdapterCount() const { return dwAdapterCnt; }
    int IsNT() const { return bNT ? 1 : 0; }
    int IsW2K() const { return dwOSMajor >= 5 ? 1 : 0; }
    int GetAdapterWINS() const { return (bNT || bAdapterWINS) ? 1 : 0; }
    int GetAdapterDNS() const { return (bNT && dwOSMajor >= 5) ? 1 : 0; }

    // ---- Read accessors: 0 or null (none) for an adapter that does not exist ----
    int GetTCPIP(DWORD i) const;
    int GetNETBEUI(DWORD i) const;
    const char* GetName(DWORD i) const;
    DWORD GetIpAddressCount(DWORD i) const;
    // Asking for an address slot beyond the count of an adapter with TCP/IP
    // is a caller's bug worth a report: it writes the adapter dump (and opens
    // it) before answering none.
    const char* GetIpAddress(DWORD i, DWORD j) const;
    const char* GetIpMask(DWORD i, DWORD j) const;
    DWORD GetGatewayCount(DWORD i) const;
    const char* GetGateway(DWORD i, DWORD j) const;
    const char* GetNameServer1(DWORD i) const;
    const char* GetNameServer2(DWORD i) const;
    const char* GetNodeType(DWORD i) const;
    int GetDHCP(DWORD i) const;  // reads slot 0 through GetIpAddress, dump included
    int GetWINSEnable(DWORD i) const;
    int GetDHCPWINS(DWORD i) const;
    int GetEnabled(DWORD i) const;
    int GetDNSEnable(DWORD i) const;
    DWORD GetDNSCount(DWORD i) const;
    const char* GetDNSNameServer(DWORD i, DWORD j) const;
    const char* GetAdapterEnumRgy(DWORD i) const;
    const char* GetAdapterNetTransRgy(DWORD i) const;
    const char* GetAdapterNETBEUIRgy(DWORD i) const;

    // ---- Edits: memory only, with write and restart marks ----
    void SetIpAddress(DWORD i, DWORD j, const char* text);
    void SetIpMask(DWORD i, DWORD j, const char* text);
    void SetGateway(DWORD i, DWORD j, const char* text);
    void SetNameServer1(DWORD i, const char* text);
    void SetNameServer2(DWORD i, const char* text);
    void SetNodeType(DWORD i, const char* text);
    void SetWINSEnable(DWORD i, DWORD on);
    void SetDHCPWINS(DWORD i, DWORD value);
    void SetEnabled(DWORD i, DWORD value);
    void SetDHCP(DWORD i);
    void SetDNSEnable(DWORD i, DWORD on);
    void SetDNSNameServer(DWORD i, DWORD j, const char* text);

    int GetWriteNeeded() const;
    // 1 when a change needs a restart; *reason (when given) then receives
    // the kinds of change (ORVANE_CHANGE_* bits). 0 leaves *reason alone.
    int GetRebootNeeded(DWORD* reason) const;

    // ---- Write-back ----
    // skip: null, or one entry per adapter; a nonzero entry leaves that
    // adapter unwritten. 1 when every counted write succeeded.
    int WriteData(const DWORD* skip = nullptr);

    // Tells the DHCP client (NT) of a new address of adapter i. 1 when the
    // client accepted it.
    int NotifyDhcpClient(const char* address, const char* mask, DWORD i) const;

    // Writes "ADAPTER-DUMP.TXT" in the current directory (record `which`,
    // or all records for -1) and opens it in Notepad.
    void DumpAdapter(int which, DWORD problemIndex) const;

    // A record as stored, for diagnosis and tests; null beyond the 16.
    const ADAPTER* Record(DWORD i) const { return i < kMaxAdapters ? &Adapters[i] : nullptr; }

private:
    bool Valid(DWORD i) const { return i < dwAdapterCnt; }
    void EditSlot(DWORD i, DWORD j, char (ADAPTER::*field)[kMaxSlots][16], const char* text, DWORD change);
    void EditFlag(DWORD i, INT ADAPTER::*field, DWORD value, DWORD change);
    void MarkWrite(DWORD i, bool reboot, DWORD change);

    // Discovery, Windows 95/98.
    enum class BindingPass { TCPIP, NetBEUI, NWIP };
    void DiscoverWin9x();
    void ReadBindings(BindingPass pass);
    void ReadWin9xSettings(DWORD r);
    void ReadWin9xEnabled(DWORD r);
    void FoldFirewallAdapters();
    void RemoveRecord(DWORD r);
    static bool OnWin9xClass(void* context, const char* path, const char* valueName, CRegValue& value);
    static bool OnTcpBinding(void* context, const char* path, const char* valueName, CRegValue& value);
    static bool OnNetBeuiBinding(void* context, const char* path, const char* valueName, CRegValue& value);
    static bool OnNwipBinding(void* context, const char* path, const char* valueName, CRegValue& value);

    // Discovery, Windows NT.
    void DiscoverNT();
    void AddCard(const char* path, const std::string& service);
    void ReadNTSettings(DWORD r);
    void ReadNTEnabled(DWORD r);
    static bool OnNTCard(void* context, const char* path, const char* valueName, CRegValue& value);

    // Write-back of one record.
    bool WriteAddresses(DWORD i);
    void WriteDhcp(DWORD i);
    bool WriteWins(DWORD i);
    void WriteEnabled(DWORD i);

    BOOL bAdapterWINS;
    BOOL bNT;
    DWORD dwOSMajor;
    char szTCPBinding[260];
    char szNETBEUIBinding[260];
    char szNWIPBinding[260];
    ADAPTER Adapters[kMaxAdapters];
    DWORD dwAdapterCnt;
    DWORD dwChangeMask;
};

