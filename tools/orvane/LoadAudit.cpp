// What the library could not keep of the machine as it loaded it. A list
// entry too long for its slot is not stored (its slot stays empty, which
// ends the list there), a list longer than its slots loses its tail, and an
// empty entry ends a list: the family's write then stores the list without
// them, although the user never touched it. The host compares each list the
// write stores with what the library answers, and says so on standard
// error, once, before the family's first command runs.
#include "LoadAudit.h"

#include <cstring>
#include <string>
#include <vector>

#include "Host.h"
#include "NetworkAdapter/NetworkAdapter.h"
#include "PlatformInfo.h"
#include "Registry.h"
#include "Shared/FieldText.h"
#include "Shared/RegistryPaths.h"

namespace {

typedef std::vector<std::string> Entries;

Entries Split(const std::string& text, char separator) {
    Entries entries;
    const char* rest = text.c_str();
    const char* item = nullptr;
    size_t length = 0;
    while (field_text::NextListItem(rest, separator, item, length)) entries.emplace_back(item, length);
    return entries;
}

std::string Join(const Entries& entries, char separator) {
    std::string joined;
    for (size_t k = 0; k < entries.size(); ++k) joined += (k ? std::string(1, separator) : "") + entries[k];
    return joined;
}

struct ListShape {
    size_t slots;
    size_t width;  // characters a slot holds
    char separator;  // 0: a multi-string
};

// Warns when the entries the registry holds are not the entries the
// library kept, naming the first one lost and what the write would store.
void Compare(const std::string& where, const Entries& stored, const Entries& kept, const ListShape& shape,
             const char* write) {
    if (stored == kept) return;
    size_t k = 0;
    while (k < stored.size() && k < kept.size() && stored[k] == kept[k]) ++k;
    std::string why;
    if (k >= stored.size()) {
        why = "the list reads differently";
    } else if (stored[k].size() > shape.width) {
        why = "entry " + std::to_string(k + 1) + " \"" + stored[k] + "\" is longer than " +
              std::to_string(shape.width) + " characters";
        if (shape.separator == ' ' && stored[k].find(',') != std::string::npos)
            why += " (this platform separates the entries by blanks)";
    } else if (k >= shape.slots) {
        why = "it has more than " + std::to_string(shape.slots) + " entries";
    } else if (stored[k].empty()) {
        why = "entry " + std::to_string(k + 1) + " is empty, which ends the list";
    } else {
        why = "entry " + std::to_string(k + 1) + " \"" + stored[k] + "\" is not kept";
    }
    const char separator = shape.separator ? shape.separator : ',';
    Fail("warning: " + where + ": " + why + "; '" + write + "' would store " +
         (kept.empty() ? std::string("no entries") : "\"" + Join(kept, separator) + "\"") +
         " although it was not changed");
}

// A text value split as the library splits it, or a multi-string; false
// when the value cannot be read as either.
bool ReadList(CRegistry& reg, const std::string& key, const char* name, char separator, Entries* out) {
    if (separator == 0) return reg.GetMultiString(key.c_str(), name, *out);
    std::string text;
    if (!reg.GetString(key.c_str(), name, text)) return false;
    *out = Split(text, separator);
    return true;
}

std::string Where(const std::string& key, const char* name) { return "HKLM\\" + key + " \"" + name + "\""; }

typedef INT(WINAPI* SlotGetter)(DWORD, DWORD, LPSTR, DWORD);

Entries Kept(SlotGetter get, DWORD adapter, INT count) {
    Entries kept;
    for (INT j = 0; j < count; ++j) {
        char buffer[512] = "";
        get(adapter, DWORD(j), buffer, sizeof buffer);
        kept.emplace_back(buffer);
    }
    return kept;
}

}  // namespace

void AuditNicLists(HostContext& ctx) {
    OrvaneApi& api = ctx.api;
    // A table of the host's own, the way the protocol code builds one, for
    // the keys the library read each adapter from.
    const CNetworkAdapter table;
    const bool nt = table.IsNT() != 0;
    const bool w2k = table.IsW2K() != 0;
    const ListShape address{kMaxSlots, 15, nt ? char(0) : ','};
    CRegistry reg(HKEY_LOCAL_MACHINE);
    const INT count = api.GetNICCount();
    for (INT n = 0; n < count && DWORD(n) < table.AdapterCount(); ++n) {
        const DWORD i = DWORD(n);
        if (!api.GetNICTCPIP(i)) continue;
        const std::string key = table.GetAdapterNetTransRgy(i);
        const INT addresses = api.GetNICIpAddressCount(i);
        struct Row {
            const char* name;
            SlotGetter get;
            INT count;
        } rows[] = {
            {"IPAddress", api.GetNICIpAddress, addresses},
            {nt ? "SubnetMask" : "IPMask", api.GetNICIpMask, addresses},
            {"DefaultGateway", api.GetNICGateway, api.GetNICGatewayCount(i)},
        };
        Entries stored;
        for (const Row& row : rows) {
            if (ReadList(reg, key, row.name, address.separator, &stored))
                Compare(Where(key, row.name), stored, Kept(row.get, i, row.count), address, "nic write");
        }
        const std::string service = table.Record(i)->AdapterService;
        if (w2k) {
            const std::string iface = reg_paths::kTcpipInterfaces + service;
            if (ReadList(reg, iface, "NameServer", ',', &stored))
                Compare(Where(iface, "NameServer"), stored,
                        Kept(api.GetNICDNSNameServer, i, api.GetNICDNSCount(i)), {kMaxSlots, 15, ','}, "nic write");
        }
        // WINS servers: single texts of 15 characters at most.
        struct Server {
            std::string key;
            const char* name;
            INT(WINAPI* get)(DWORD, LPSTR, DWORD);
        };
        std::vector<Server> servers;
        if (!nt && table.GetAdapterWINS()) {
            servers = {{key, "NameServer1", api.GetNICNameServer1}, {key, "NameServer2", api.GetNICNameServer2}};
        } else if (nt && !w2k) {
            const std::string netbt = reg_paths::kNetBTAdapters + service;
            servers = {{netbt, "NameServer", api.GetNICNameServer1}, {netbt, "NameServerBackup", api.GetNICNameServer2}};
        }
        for (const Server& s : servers) {
            std::string text;
            if (!reg.GetString(s.key.c_str(), s.name, text)) continue;
            char buffer[512] = "";
            s.get(i, buffer, sizeof buffer);
            Compare(Where(s.key, s.name), {text}, {buffer}, {1, 15, ','}, "nic write");
        }
    }
}

void AuditTcpLists(HostContext& ctx) {
    OrvaneApi& api = ctx.api;
    CPlatformInfo probe;
    const bool nt = probe.IsNT();
    const std::string main = nt ? reg_paths::kTcpipParameters : reg_paths::kMstcp;
    CRegistry reg(HKEY_LOCAL_MACHINE);
    Entries stored;
    // Windows 2000 keeps no machine-wide DNS list the library writes.
    if (api.GetTCPProtocolDNS() && ReadList(reg, main, "NameServer", nt ? ' ' : ',', &stored)) {
        Entries kept;
        for (INT k = 0; k < api.GetTCPDNSServerCount(); ++k) {
            char buffer[512] = "";
            api.GetTCPDNSServer(DWORD(k), buffer, sizeof buffer);
            kept.emplace_back(buffer);
        }
        Compare(Where(main, "NameServer"), stored, kept, {10, 15, nt ? ' ' : ','}, "tcp write");
    }
    if (ReadList(reg, main, "SearchList", ',', &stored)) {
        Entries kept;
        for (INT k = 0; k < api.GetTCPSearchListCount(); ++k) {
            char buffer[512] = "";
            api.GetTCPSearchList(DWORD(k), buffer, sizeof buffer);
            kept.emplace_back(buffer);
        }
        Compare(Where(main, "SearchList"), stored, kept, {32, 259, ','}, "tcp write");
    }
}
