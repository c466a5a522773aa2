// Machine-wide TCP/IP settings: host name, DNS domain, servers and search
// list, LMHOSTS file, NetBIOS scope and the global WINS settings of Windows
// 95/98. Loaded from the registry layout of the running platform when the
// object is made, edited in memory, stored only by WriteData.
#pragma once

#include <windows.h>

#include <cstddef>

#include "Shared/FieldText.h"

class CTCPIPNetwork {
public:
    enum : DWORD {
        DNSServerSlots = 10,
        SearchListSlots = 32,
    };

    // The whole state, in its fixed order and widths; a text holds at most
    // its width less one. Kept apart from the methods because the NT flag
    // and the IsNT predicate share their name.
    struct Fields {
        DWORD MajorVersion;  // 4 on NT 4.0, 5 on Windows 2000, 0 on 95/98
        BOOL WINSPerAdapter; // the global WINS values are not used
        BOOL IsNT;
        BOOL WriteNeeded;    // set by the first accepted change, never cleared
        char HostName[256];
        char Domain[256];
        char LMHostFile[260];
        char DNSServer[DNSServerSlots][16];
        char EnableDNS[2];   // "1", "0", or empty when never set
        char ScopeID[32];
        char SearchList[SearchListSlots][260];
        char NameServer1[16];
        char NameServer2[16];
        char NodeType[2];    // "8" WINS on, "1" WINS off
        INT DHCPWINS;        // nonzero: WINS comes from DHCP
    };

    // Detects the platform and loads every setting; never fails.
    CTCPIPNetwork();
    virtual ~CTCPIPNetwork() {}

    CTCPIPNetwork(const CTCPIPNetwork&) = delete;
    CTCPIPNetwork& operator=(const CTCPIPNetwork&) = delete;

    const Fields& State() const { return m_fields; }

    // Which settings exist on this platform, from the fields each time.
    bool IsNT() const;
    bool IsWin2000() const;
    bool ProtocolDNS() const;   // global DNS settings apply
    bool ProtocolWINS() const;  // global WINS settings apply

    // Getters answer from memory; a null text means "not available here".
    int GetDHCPWINS() const;
    int GetWriteNeeded() const { return m_fields.WriteNeeded; }
    const char* GetHostName() const;
    const char* GetDomainName() const { return m_fields.Domain; }
    int GetDNSEnable() const;
    const char* GetLMHostFile() const { return m_fields.LMHostFile; }
    DWORD GetDNSServerCount() const;
    const char* GetDNSServer(DWORD index) const;
    int GetWINSEnable() const;
    const char* GetNameServer1() const;
    const char* GetNameServer2() const;
    const char* GetScopeID() const { return m_fields.ScopeID; }
    DWORD GetSearchListCount() const;
    const char* GetSearchList(DWORD index) const;

    // Setters change memory only and mark the object for writing; a value
    // equal to the held one, an over-long or null text, an index out of
    // range or a setting that does not apply here is ignored.
    void SetHostName(const char* text);
    void SetDomainName(const char* text);
    void SetLMHostFile(const char* text);
    void SetDNSEnable(DWORD flag);
    void SetDNSServer(DWORD index, const char* text);
    void SetNameServer1(const char* text);
    void SetNameServer2(const char* text);
    void SetScopeID(const char* text);
    void SetSearchList(DWORD index, const char* text);
    void SetWINSEnable(DWORD flag);
    void SetDHCPWINS(DWORD flag);

    // Stores everything in the layout of the platform; 1 when every counted
    // write succeeded, else 0. Nothing is rolled back.
    int WriteData();

    // One step of the list splitter (field_text::NextListItem): the item
    // before the next separator of `remembered`, untrimmed; false once
    // nothing is left.
    static bool NextListItem(const char*& remembered, char separator, const char*& item, size_t& length) {
        return field_text::NextListItem(remembered, separator, item, length);
    }

private:
    void DetectPlatform();
    void Load();
    void SetNodeType(const char* text);
    int DetectDHCPWINS() const;
    void ApplyDHCPWINS(DWORD flag);
    bool WINSFromDHCP() const;
    const char* MainKey() const;

    Fields m_fields;
};
