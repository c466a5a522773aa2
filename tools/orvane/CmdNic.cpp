// The nic family: the machine's network adapters through the GetNIC/SetNIC
// exports. Setters change the library's memory only; `nic write` (or the
// one-line `nic static` and `nic dhcp`) stores them.
#include <iterator>

#include "Host.h"
#include "PlatformInfo.h"

namespace {

const size_t kText = 512;

// The reasons GetNICRebootNeeded reports, in words.
struct ReasonName {
    DWORD bit;
    const char* word;
};
const ReasonName kReasons[] = {
    {ORVANE_CHANGE_ENABLED, "enabled"},  {ORVANE_CHANGE_IP_ADDRESS, "ip-address"},
    {ORVANE_CHANGE_IP_MASK, "subnet-mask"}, {ORVANE_CHANGE_GATEWAY, "gateway"},
    {ORVANE_CHANGE_WINS, "wins"},        {ORVANE_CHANGE_NODE_TYPE, "node-type"},
};

Node ReasonWords(DWORD mask) {
    Node words = Node::List();
    DWORD known = 0;
    for (const ReasonName& r : kReasons) {
        known |= r.bit;
        if (mask & r.bit) words.Push(Node::Text(r.word));
    }
    for (DWORD bit = 1; bit; bit <<= 1) {
        if ((mask & bit) && !(known & bit)) words.Push(Node::Text("bit-" + std::to_string(bit)));
    }
    return words;
}

typedef INT(WINAPI* SlotGetter)(DWORD, DWORD, LPSTR, DWORD);
typedef INT(WINAPI* TextGetter)(DWORD, LPSTR, DWORD);

bool Slot(SlotGetter get, DWORD i, DWORD j, std::string* text) {
    char buffer[kText] = "";
    if (get(i, j, buffer, sizeof buffer) != 1) return false;
    *text = buffer;
    return true;
}

bool Text(TextGetter get, DWORD i, std::string* text) {
    char buffer[kText] = "";
    if (get(i, buffer, sizeof buffer) != 1) return false;
    *text = buffer;
    return true;
}

// The counted slots of one list; a slot beyond the count is never asked
// (asking GetNICIpAddress for one writes the adapter dump).
Node Slots(SlotGetter get, DWORD i, INT count) {
    Node list = Node::List();
    for (INT j = 0; j < count; ++j) {
        std::string text;
        list.Push(Node::Text(Slot(get, i, DWORD(j), &text) ? text : std::string("?")));
    }
    return list;
}

// GetNICDHCP reads address slot 0, and for an adapter with TCP/IP but no
// address that writes the dump: without an address there is no DHCP to ask.
bool UsesDhcp(OrvaneApi& api, DWORD i) { return api.GetNICIpAddressCount(i) > 0 && api.GetNICDHCP(i) == 1; }

// Windows 2000 keeps no enabled state the library reads or writes: its
// answer there is 0 for every adapter, which would read as "disabled".
bool EnabledStateKept() {
    CPlatformInfo probe;
    return !(probe.IsNT() && probe.GetNTMajorVersion() >= 5);
}

const char kEnabledNotKept[] = "not tracked on Windows 2000";

Node Enabled(HostContext& ctx, DWORD i) {
    if (EnabledStateKept()) return Node::Number(ctx.api.GetNICEnabled(i));
    return ctx.json ? Node() : Node::Text(kEnabledNotKept);
}

Node Summary(HostContext& ctx, DWORD i) {
    OrvaneApi& api = ctx.api;
    Node n = Node::Object();
    n.Set("number", static_cast<long long>(i));
    std::string name;
    Text(api.GetNICName, i, &name);
    n.Set("name", name);
    n.SetFlag("tcpip", api.GetNICTCPIP(i) != 0);
    n.SetFlag("dhcp", UsesDhcp(api, i));
    n.Set("ip-addresses", Slots(api.GetNICIpAddress, i, api.GetNICIpAddressCount(i)));
    n.Set("enabled", Enabled(ctx, i));
    return n;
}

Node Details(HostContext& ctx, DWORD i) {
    OrvaneApi& api = ctx.api;
    Node n = Node::Object();
    n.Set("number", static_cast<long long>(i));
    std::string text;
    Text(api.GetNICName, i, &text);
    n.Set("name", text);
    n.SetFlag("tcpip", api.GetNICTCPIP(i) != 0);
    n.SetFlag("netbeui", api.GetNICNETBEUI(i) != 0);
    n.Set("enabled", Enabled(ctx, i));
    n.SetFlag("dhcp", UsesDhcp(api, i));
    const INT addresses = api.GetNICIpAddressCount(i);
    n.Set("ip-addresses", Slots(api.GetNICIpAddress, i, addresses));
    n.Set("ip-masks", Slots(api.GetNICIpMask, i, addresses));
    n.Set("gateways", Slots(api.GetNICGateway, i, api.GetNICGatewayCount(i)));
    n.SetFlag("wins-enabled", api.GetNICWINSEnable(i) != 0);
    n.Set("wins-from-dhcp", api.GetNICDHCPWINS(i));
    // The adapter's own WINS servers exist only where adapters keep them.
    if (Text(api.GetNICNameServer1, i, &text)) n.Set("wins-server1", text);
    if (Text(api.GetNICNameServer2, i, &text)) n.Set("wins-server2", text);
    if (api.GetNICAdapterDNS()) {
        n.SetFlag("dns-enabled", api.GetNICDNSEnable(i) != 0);
        n.Set("dns-servers", Slots(api.GetNICDNSNameServer, i, api.GetNICDNSCount(i)));
    }
    return n;
}

Node Marks(OrvaneApi& api) {
    Node n = Node::Object();
    n.SetFlag("write-needed", api.GetNICWriteNeeded() != 0);
    DWORD reason = 0;
    const bool reboot = api.GetNICRebootNeeded(&reason) != 0;
    n.SetFlag("reboot-needed", reboot);
    if (!reboot) reason = 0;
    n.Set("reboot-reason-mask", static_cast<long long>(reason));
    n.Set("reboot-reasons", ReasonWords(reason));
    return n;
}

// ---- Arguments -------------------------------------------------------------------

DWORD Number(const std::string& text, const char* what) { return static_cast<DWORD>(ParseNumber(text, what)); }

// An adapter the command works on. One beyond the table is reported, not
// passed on: the library would ignore the edit without a word.
bool Adapter(OrvaneApi& api, const std::string& arg, DWORD* adapter) {
    *adapter = Number(arg, "adapter number");
    const INT count = api.GetNICCount();
    if (*adapter >= DWORD(count)) {
        Fail("no adapter " + arg + " (the machine has " + std::to_string(count) + ")");
        return false;
    }
    return true;
}

// ---- Commands --------------------------------------------------------------------

int List(HostContext& ctx, const Args&, Node& out) {
    OrvaneApi& api = ctx.api;
    const INT count = api.GetNICCount();
    out.Set("count", count);
    out.SetFlag("adapter-wins", api.GetNICAdapterWINS() != 0);
    out.SetFlag("adapter-dns", api.GetNICAdapterDNS() != 0);
    Node adapters = Node::List();
    for (INT i = 0; i < count; ++i) adapters.Push(Summary(ctx, DWORD(i)));
    out.Set("adapters", adapters);
    return kExitOk;
}

int Show(HostContext& ctx, const Args& a, Node& out) {
    OrvaneApi& api = ctx.api;
    if (a.size() == 2) {
        DWORD i = 0;
        if (!Adapter(api, a[1], &i)) return kExitFailed;
        out.Set("adapter", Details(ctx, i));
    } else {
        const INT count = api.GetNICCount();
        out.Set("count", count);
        out.SetFlag("adapter-wins", api.GetNICAdapterWINS() != 0);
        out.SetFlag("adapter-dns", api.GetNICAdapterDNS() != 0);
        Node adapters = Node::List();
        for (INT i = 0; i < count; ++i) adapters.Push(Details(ctx, DWORD(i)));
        out.Set("adapters", adapters);
    }
    out.Set("table", Marks(api));
    return kExitOk;
}

int Status(HostContext& ctx, const Args&, Node& out) {
    out.Set("table", Marks(ctx.api));
    return kExitOk;
}

// get-ip, get-mask, get-gateway, get-dns: one slot exactly as the export
// answers it, whatever the slot (so a slot beyond the count of an adapter
// with TCP/IP writes the adapter dump, as the library does for any host).
int GetSlot(const Args& a, Node& out, SlotGetter get, const char* exportName) {
    const DWORD i = Number(a[1], "adapter number");
    const DWORD j = Number(a[2], "slot");
    out.Set("adapter", static_cast<long long>(i));
    out.Set("slot", static_cast<long long>(j));
    std::string text;
    if (!Slot(get, i, j, &text)) {
        Fail(std::string(exportName) + " answered 0 for adapter " + a[1] + " slot " + a[2]);
        return kExitFailed;
    }
    out.Set("value", text);
    return kExitOk;
}

// What a setter's result looks like once read back; `readable` false when
// the export cannot show it (the outcome is then reported as unknown).
int Verify(HostContext& ctx, Node& out, bool readable, const std::string& got, const std::string& want,
           const std::string& what) {
    out.Set("write-needed", Node::Bool(ctx.api.GetNICWriteNeeded() != 0));
    if (!readable) return kExitOk;
    if (got != want) {
        Fail(what + " was not taken: it reads '" + got + "'");
        return kExitFailed;
    }
    return kExitOk;
}

int GetIp(HostContext& ctx, const Args& a, Node& out) { return GetSlot(a, out, ctx.api.GetNICIpAddress, "GetNICIpAddress"); }
int GetMask(HostContext& ctx, const Args& a, Node& out) { return GetSlot(a, out, ctx.api.GetNICIpMask, "GetNICIpMask"); }
int GetGateway(HostContext& ctx, const Args& a, Node& out) {
    return GetSlot(a, out, ctx.api.GetNICGateway, "GetNICGateway");
}
int GetDns(HostContext& ctx, const Args& a, Node& out) {
    return GetSlot(a, out, ctx.api.GetNICDNSNameServer, "GetNICDNSNameServer");
}

int SetSlot(HostContext& ctx, const Args& a, Node& out) {
    OrvaneApi& api = ctx.api;
    DWORD i = 0;
    if (!Adapter(api, a[1], &i)) return kExitFailed;
    const DWORD j = Number(a[2], "slot");
    const std::string& text = a[3];
    const std::string& verb = a[0];
    SlotGetter get = nullptr;
    INT count = 0;
    if (verb == "set-ip") {
        api.SetNICIpAddress(i, j, text.c_str());
        get = api.GetNICIpAddress;
        count = api.GetNICIpAddressCount(i);
    } else if (verb == "set-mask") {
        api.SetNICIpMask(i, j, text.c_str());
        get = api.GetNICIpMask;
        count = api.GetNICIpAddressCount(i);
    } else if (verb == "set-gateway") {
        api.SetNICGateway(i, j, text.c_str());
        get = api.GetNICGateway;
        count = api.GetNICGatewayCount(i);
    } else {
        api.SetNICDNSNameServer(i, j, text.c_str());
        get = api.GetNICDNSNameServer;
        count = api.GetNICDNSCount(i);
        if (!api.GetNICAdapterDNS()) {
            Fail("adapters keep no DNS servers of their own on this platform");
            return kExitFailed;
        }
    }
    out.Set("adapter", static_cast<long long>(i));
    out.Set("slot", static_cast<long long>(j));
    // A slot behind the first empty one is stored but neither counted, read
    // nor written until the slots before it are filled.
    const bool counted = j < DWORD(count);
    out.SetFlag("counted", counted);
    std::string got;
    if (counted) Slot(get, i, j, &got);
    if (counted) out.Set("value", got);
    return Verify(ctx, out, counted, got, text, "slot " + a[2] + " of adapter " + a[1]);
}

int SetNameServer(HostContext& ctx, const Args& a, Node& out) {
    OrvaneApi& api = ctx.api;
    DWORD i = 0;
    if (!Adapter(api, a[1], &i)) return kExitFailed;
    const bool first = a[0] == "set-wins1";
    if (first) {
        api.SetNICNameServer1(i, a[2].c_str());
    } else {
        api.SetNICNameServer2(i, a[2].c_str());
    }
    out.Set("adapter", static_cast<long long>(i));
    std::string got;
    // Where WINS servers are not kept per adapter the library stores the
    // text but does not show it.
    const bool readable = Text(first ? api.GetNICNameServer1 : api.GetNICNameServer2, i, &got);
    if (readable) out.Set("value", got);
    return Verify(ctx, out, readable, got, a[2], std::string(first ? "WINS server 1" : "WINS server 2"));
}

int SetValue(HostContext& ctx, const Args& a, Node& out) {
    OrvaneApi& api = ctx.api;
    DWORD i = 0;
    if (!Adapter(api, a[1], &i)) return kExitFailed;
    const DWORD v = Number(a[2], "value");
    const std::string& verb = a[0];
    INT got = 0;
    DWORD want = v;
    if (verb == "set-wins-enable") {
        api.SetNICWINSEnable(i, v);
        got = api.GetNICWINSEnable(i);
        want = v ? 1 : 0;
    } else if (verb == "set-dhcp-wins") {
        api.SetNICDHCPWINS(i, v);
        got = api.GetNICDHCPWINS(i);
    } else if (verb == "set-enabled") {
        api.SetNICEnabled(i, v);
        got = api.GetNICEnabled(i);
    } else {
        api.SetNICDNSEnable(i, v);
        got = api.GetNICDNSEnable(i);
        want = v ? 1 : 0;
        if (!api.GetNICAdapterDNS()) {
            Fail("adapters keep no DNS servers of their own on this platform");
            return kExitFailed;
        }
    }
    out.Set("adapter", static_cast<long long>(i));
    out.Set("value", static_cast<long long>(got));
    if (verb == "set-enabled" && !EnabledStateKept())
        out.Set("note", std::string(kEnabledNotKept) + ": the write leaves it alone");
    return Verify(ctx, out, true, std::to_string(DWORD(got)), std::to_string(want), verb.substr(4) + " of adapter " + a[1]);
}

int SetDhcp(HostContext& ctx, const Args& a, Node& out) {
    OrvaneApi& api = ctx.api;
    DWORD i = 0;
    if (!Adapter(api, a[1], &i)) return kExitFailed;
    api.SetNICDHCP(i);
    out.Set("adapter", static_cast<long long>(i));
    const bool dhcp = UsesDhcp(api, i);
    out.SetFlag("dhcp", dhcp);
    out.SetFlag("write-needed", api.GetNICWriteNeeded() != 0);
    if (!dhcp) {
        Fail("adapter " + a[1] + " has no TCP/IP to switch to DHCP");
        return kExitFailed;
    }
    return kExitOk;
}

int Write(HostContext& ctx, const Args&, Node& out) {
    const bool written = ctx.api.SetNICWriteData() == 1;
    out.SetFlag("written", written);
    out.Set("table", Marks(ctx.api));
    if (!written) {
        Fail("SetNICWriteData: a write failed; the changes stay marked and the next write stores them again");
        return kExitFailed;
    }
    return kExitOk;
}

// The adapter as it now is, then the write and the marks it leaves.
int WriteAndShow(HostContext& ctx, Node& out, DWORD i) {
    out.Set("adapter", Details(ctx, i));
    return Write(ctx, Args{"write"}, out);
}

// The everyday tasks in one command each: the same export calls a host
// makes, then the write. Only slot 0 changes; further addresses and
// gateways stay as they are.
int Static(HostContext& ctx, const Args& a, Node& out) {
    OrvaneApi& api = ctx.api;
    DWORD i = 0;
    if (!Adapter(api, a[1], &i)) return kExitFailed;
    if (!api.GetNICTCPIP(i)) {
        Fail("adapter " + a[1] + " has no TCP/IP");
        return kExitFailed;
    }
    api.SetNICIpAddress(i, 0, a[2].c_str());
    api.SetNICIpMask(i, 0, a[3].c_str());
    if (a.size() == 5) api.SetNICGateway(i, 0, a[4].c_str());
    std::string ip, mask, gateway;
    const bool taken = Slot(api.GetNICIpAddress, i, 0, &ip) && ip == a[2] && Slot(api.GetNICIpMask, i, 0, &mask) &&
                       mask == a[3] && (a.size() == 4 || (Slot(api.GetNICGateway, i, 0, &gateway) && gateway == a[4]));
    if (!taken) {
        Fail("adapter " + a[1] + ": the address, mask or gateway was not taken (at most 15 characters each); "
             "nothing was written");
        return kExitFailed;
    }
    return WriteAndShow(ctx, out, i);
}

int Dhcp(HostContext& ctx, const Args& a, Node& out) {
    OrvaneApi& api = ctx.api;
    DWORD i = 0;
    if (!Adapter(api, a[1], &i)) return kExitFailed;
    if (!api.GetNICTCPIP(i)) {
        Fail("adapter " + a[1] + " has no TCP/IP");
        return kExitFailed;
    }
    api.SetNICDHCP(i);
    return WriteAndShow(ctx, out, i);
}

const Verb kNicVerbs[] = {
    {"list", "", "the adapters, one summary each", List},
    {"show", "[N]",
     "everything of adapter N (of every adapter\n"
     "without N) and the table's write and restart marks",
     Show},
    {"status", "", "the write and restart marks, reasons in words", Status},
    {"static", "N IP MASK [GATEWAY]", "give adapter N a fixed address (slot 0) and write it", Static},
    {"dhcp", "N", "switch adapter N to DHCP and write it", Dhcp},
    {"set-ip", "N SLOT IP", "IP address of slot SLOT (0-9)", SetSlot,
     "Edits (memory only, until 'nic write'; each reads the value back):"},
    {"set-mask", "N SLOT MASK", "subnet mask of slot SLOT", SetSlot},
    {"set-gateway", "N SLOT GATEWAY", "default gateway of slot SLOT", SetSlot},
    {"set-wins1", "N ADDRESS", "primary WINS server", SetNameServer},
    {"set-wins2", "N ADDRESS", "secondary WINS server", SetNameServer},
    {"set-wins-enable", "N 0|1", "use WINS (NetBIOS node type 8) or not (1)", SetValue},
    {"set-dhcp-wins", "N VALUE", "WINS configuration from DHCP (nonzero)", SetValue},
    {"set-enabled", "N VALUE", "enable (nonzero) or disable (0) the adapter", SetValue},
    {"set-dhcp", "N", "DHCP for slot 0 (address and mask 0.0.0.0)", SetDhcp},
    {"set-dns-enable", "N 0|1", "use the adapter's own DNS servers (Windows 2000)", SetValue},
    {"set-dns", "N SLOT ADDRESS", "DNS server of slot SLOT (Windows 2000)", SetSlot},
    {"write", "", "store every changed adapter (exit 1: a write failed)", Write},
    {"get-ip", "N SLOT", "IP address of one slot (GetNICIpAddress)", GetIp,
     "One slot exactly as the library answers it (a slot beyond an adapter's\n"
     "  addresses makes the library write ADAPTER-DUMP.TXT and open it):"},
    {"get-mask", "N SLOT", "subnet mask of one slot (GetNICIpMask)", GetMask},
    {"get-gateway", "N SLOT", "default gateway of one slot (GetNICGateway)", GetGateway},
    {"get-dns", "N SLOT", "DNS server of one slot (GetNICDNSNameServer)", GetDns},
};

}  // namespace

const CommandFamily kNicFamily = {
    "nic", "network adapters and their own TCP/IP settings", kNicVerbs, std::size(kNicVerbs),
    "  Adapters are numbered from 0 in the order the library finds them. Texts are\n"
    "  taken only when they differ from the value held and have at most 15\n"
    "  characters. A slot behind the first empty one is kept but not counted.\n"
    "  Windows 2000 keeps no enabled state: show and list say so, not a number.\n"
    "  Example: orvane nic static 0 192.168.1.50 255.255.255.0 192.168.1.1\n"};
