// The adapter dump: the table as a text file for diagnosis, opened in
// Notepad for whoever is at the machine.
#include <cstdio>
#include <cstdlib>

#include "NetworkAdapter.h"

namespace {

const char kDumpFile[] = "ADAPTER-DUMP.TXT";

// Writes as a text-mode file does on Windows: every line feed, a line end
// or one inside a field (a description may hold one), becomes CR LF. The
// file is opened in binary mode and the conversion done here, so its bytes
// are the same on every platform.
class DumpWriter {
public:
    explicit DumpWriter(std::FILE* file) : m_file(file) {}

    void Put(const char* text) {
        for (const char* p = text; *p != '\0';) {
            // A loop of our own keeps the DLL's C runtime imports to the
            // short list it is checked against (strcspn is not on it).
            size_t run = 0;
            while (p[run] != '\0' && p[run] != '\n') ++run;
            std::fwrite(p, 1, run, m_file);
            p += run;
            if (*p == '\n') {
                std::fputs("\r\n", m_file);
                ++p;
            }
        }
    }
    void Line(const char* text = "") {
        Put(text);
        Put("\n");
    }
    void Field(const char* label, const char* value) {
        Put(label);
        Line(value);
    }
    void Flag(const char* label, BOOL value) { Field(label, value ? "TRUE" : "FALSE"); }
    void Hex(const char* format, DWORD a, DWORD b = 0) {
        char line[96];
        std::snprintf(line, sizeof line, format, unsigned(a), unsigned(b));
        Line(line);
    }
    void Slot(const char* label, DWORD k, const char* value, const char* second = nullptr) {
        char head[32];
        std::snprintf(head, sizeof head, "%s #%02u: ", label, unsigned(k));
        Put(head);
        if (second) {
            Put(value);
            Put(" : ");
            value = second;
        }
        Line(value);
    }

private:
    std::FILE* m_file;
};

void DumpRecord(DumpWriter& out, const ADAPTER& a, DWORD n) {
    char line[64];
    std::snprintf(line, sizeof line, "**** START DUMP ADAPTER #%u ****", unsigned(n));
    out.Line(line);
    out.Hex("Data Version (DWORD): 0x%08X", a.dwDataVersion);
    out.Field("Adapter Name        : ", a.AdapterName);
    out.Field("AdapterEnumRgy      : ", a.AdapterEnumRgy);
    out.Field("AdapterService      : ", a.AdapterService);
    out.Field("AdapterRootService  : ", a.AdapterRootService);
    out.Field("AdapterTitle        : ", a.AdapterTitle);
    out.Field("AdapterNetTransRgy  : ", a.AdapterNetTransRgy);
    out.Field("AdapterNETBEUIRgy   : ", a.AdapterNETBEUIRgy);
    out.Field("AdapterNWLINKRgy    : ", a.AdapterNWLINKRgy);
    out.Field("AdapterIPX32Rgy     : ", a.AdapterIPX32Rgy);
    out.Field("AdapterNWIPRgy      : ", a.AdapterNWIPRgy);
    out.Line("Gateways:");
    for (DWORD k = 0; k < kMaxSlots; ++k) out.Slot("Gateway", k, a.Gateway[k]);
    out.Line("IP Addresses and Netmasks:");
    for (DWORD k = 0; k < kMaxSlots; ++k) out.Slot("IP/MASK", k, a.IpAddress[k], a.IpMask[k]);
    out.Field("NodeType            : ", a.NodeType);
    out.Field("NameServer1         : ", a.NameServer1);
    out.Field("NameServer2         : ", a.NameServer2);
    out.Line("DNS Nameservers:");
    for (DWORD k = 0; k < kMaxSlots; ++k) out.Slot("NameServer", k, a.DNSNameServer[k]);
    out.Field("EnableDNS           : ", a.EnableDNS);
    out.Field("FWCODE              : ", a.FWCODE);
    out.Line("Flags:");
    out.Flag("bTCPIP      : ", a.bTCPIP);
    out.Flag("bNETBEUI    : ", a.bNETBEUI);
    out.Flag("bNovellIPS32: ", a.bNovellIPS32);
    out.Flag("bNWLINK     : ", a.bNWLINK);
    out.Flag("bNWIP       : ", a.bNWIP);
    out.Flag("bDHCPWINS   : ", a.bDHCPWINS);
    out.Flag("bEnabled    : ", a.bEnabled);
    std::snprintf(line, sizeof line, "**** END DUMP ADAPTER #%u ****", unsigned(n));
    out.Line(line);
    out.Line();
}

}  // namespace

void CNetworkAdapter::DumpAdapter(int which, DWORD problemIndex) const {
    std::FILE* file = std::fopen(kDumpFile, "wb");
    if (!file) {
        MessageBoxA(nullptr, "Error trying to open file in CNetworkAdapter::DumpAdapter()", "Orvane",
                    MB_OK | MB_ICONERROR);
        return;
    }
    DumpWriter out(file);
    out.Line("ADAPTER DATA DUMP FILE");
    out.Hex("dwAdapterCnt = 0x%08X, AdapterCount() = 0x%08X", dwAdapterCnt, AdapterCount());
    out.Hex("Problem Index = 0x%08X", problemIndex);
    out.Line();
    if (which == -1) {
        for (DWORD n = 0; n < dwAdapterCnt; ++n) DumpRecord(out, Adapters[n], n);
    } else if (which >= 0 && DWORD(which) < kMaxAdapters) {
        // A single record is dumped as stored, valid or not.
        DumpRecord(out, Adapters[which], DWORD(which));
    }
    std::fclose(file);
    // The interpreter's answer changes nothing: the file is written.
    const int shown = std::system("NOTEPAD ADAPTER-DUMP.TXT");
    (void)shown;
}
