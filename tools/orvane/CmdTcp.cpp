// The tcp family: the machine-wide TCP/IP settings through the GetTCP and
// SetTCP exports. A setter answers nothing, so each set command reads the
// value back and shows whether the library now wants a write.
#include <cstring>
#include <iterator>

#include "Host.h"

namespace {

// Large enough for every text the library holds (the longest is 259).
constexpr DWORD kTextSize = 512;

// A text getter's answer: the text, or "unavailable" when the getter
// answers 0 (null in JSON, where a text of that name would be ambiguous).
Node Answer(HostContext& ctx, bool available, const char* text) {
    if (available) return Node::Text(text);
    return ctx.json ? Node() : Node::Text("unavailable");
}

template <typename Getter>
Node Text(HostContext& ctx, Getter getter) {
    char buffer[kTextSize] = "";
    const bool ok = getter(buffer, kTextSize) == 1;
    return Answer(ctx, ok, buffer);
}

Node DNSServer(HostContext& ctx, DWORD index) {
    return Text(ctx, [&](LPSTR b, DWORD s) { return ctx.api.GetTCPDNSServer(index, b, s); });
}

Node SearchEntry(HostContext& ctx, DWORD index) {
    return Text(ctx, [&](LPSTR b, DWORD s) { return ctx.api.GetTCPSearchList(index, b, s); });
}

Node HostName(HostContext& ctx) { return Text(ctx, ctx.api.GetTCPHostName); }
Node Domain(HostContext& ctx) { return Text(ctx, ctx.api.GetTCPDomainName); }
Node LMHostFile(HostContext& ctx) { return Text(ctx, ctx.api.GetTCPLMHostFile); }
Node NameServer1(HostContext& ctx) { return Text(ctx, ctx.api.GetTCPNameServer1); }
Node NameServer2(HostContext& ctx) { return Text(ctx, ctx.api.GetTCPNameServer2); }
Node ScopeID(HostContext& ctx) { return Text(ctx, ctx.api.GetTCPScopeID); }

Node Number(INT n) { return Node::Number(n); }

int Show(HostContext& ctx, const Args&, Node& out) {
    out.Set("protocol-dns", Number(ctx.api.GetTCPProtocolDNS()));
    out.Set("protocol-wins", Number(ctx.api.GetTCPProtocolWINS()));
    out.Set("write-needed", Number(ctx.api.GetTCPWriteNeeded()));
    out.Set("host-name", HostName(ctx));
    out.Set("domain", Domain(ctx));
    out.Set("lmhost-file", LMHostFile(ctx));
    out.Set("dns-enable", Number(ctx.api.GetTCPDNSEnable()));
    const INT servers = ctx.api.GetTCPDNSServerCount();
    out.Set("dns-server-count", Number(servers));
    Node list = Node::List();
    for (INT i = 0; i < servers; ++i) list.Push(DNSServer(ctx, static_cast<DWORD>(i)));
    out.Set("dns-servers", list);
    out.Set("wins-enable", Number(ctx.api.GetTCPWINSEnable()));
    out.Set("dhcp-wins", Number(ctx.api.GetTCPDHCPWINS()));
    out.Set("name-server1", NameServer1(ctx));
    out.Set("name-server2", NameServer2(ctx));
    out.Set("scope-id", ScopeID(ctx));
    const INT entries = ctx.api.GetTCPSearchListCount();
    out.Set("search-list-count", Number(entries));
    Node search = Node::List();
    for (INT i = 0; i < entries; ++i) search.Push(SearchEntry(ctx, static_cast<DWORD>(i)));
    out.Set("search-list", search);
    return kExitOk;
}

// One slot of a list read by index, the way a host walks a list: the
// index equal to the count reads as the empty text.
int GetSlot(HostContext& ctx, const Args& a, Node& out, bool dns) {
    const DWORD index = static_cast<DWORD>(ParseNumber(a[1], "index"));
    out.Set("index", static_cast<long long>(index));
    out.Set(dns ? "dns-server" : "search-entry", dns ? DNSServer(ctx, index) : SearchEntry(ctx, index));
    return kExitOk;
}

int GetDns(HostContext& ctx, const Args& a, Node& out) { return GetSlot(ctx, a, out, true); }
int GetSearch(HostContext& ctx, const Args& a, Node& out) { return GetSlot(ctx, a, out, false); }

const std::string& OneText(const Args& a) { return a[1]; }

DWORD OneNumber(const Args& a, const char* what) { return static_cast<DWORD>(ParseNumber(a[1], what)); }

void IndexAndText(const Args& a, DWORD* index, const std::string** text) {
    *index = static_cast<DWORD>(ParseNumber(a[1], "index"));
    *text = &a[2];
}

// A text setter answers nothing: a text the library did not take (too long
// for its field) is reported, not passed over. Where the getter answers 0
// (the setting does not apply on the platform) nothing can be told.
int Taken(HostContext& ctx, const std::string& verb, const Args& a) {
    auto& api = ctx.api;
    char buffer[kTextSize] = "";
    INT read = -1;
    const DWORD index = a.size() > 2 ? static_cast<DWORD>(ParseNumber(a[1], "index")) : 0;
    if (verb == "set-hostname") read = api.GetTCPHostName(buffer, kTextSize);
    if (verb == "set-domain") read = api.GetTCPDomainName(buffer, kTextSize);
    if (verb == "set-lmhosts") read = api.GetTCPLMHostFile(buffer, kTextSize);
    if (verb == "set-wins1") read = api.GetTCPNameServer1(buffer, kTextSize);
    if (verb == "set-wins2") read = api.GetTCPNameServer2(buffer, kTextSize);
    if (verb == "set-scope") read = api.GetTCPScopeID(buffer, kTextSize);
    if (verb == "set-dns") read = api.GetTCPDNSServer(index, buffer, kTextSize);
    if (verb == "set-search") read = api.GetTCPSearchList(index, buffer, kTextSize);
    if (read == 1 && a.back() != buffer) {
        Fail("tcp " + verb + ": the library did not take the text (" + std::to_string(a.back().size()) +
             " characters); it still reads '" + buffer + "'");
        return kExitFailed;
    }
    return kExitOk;
}

int Set(HostContext& ctx, const Args& a, Node& out) {
    const std::string& verb = a[0];
    auto& api = ctx.api;
    if (verb == "set-hostname") {
        api.SetTCPHostName(OneText(a).c_str());
        out.Set("host-name", HostName(ctx));
    } else if (verb == "set-domain") {
        api.SetTCPDomainName(OneText(a).c_str());
        out.Set("domain", Domain(ctx));
    } else if (verb == "set-lmhosts") {
        api.SetTCPLMHostFile(OneText(a).c_str());
        out.Set("lmhost-file", LMHostFile(ctx));
    } else if (verb == "set-dns-enable") {
        api.SetTCPDNSEnable(OneNumber(a, "FLAG"));
        out.Set("dns-enable", Number(api.GetTCPDNSEnable()));
    } else if (verb == "set-dns" || verb == "set-search") {
        DWORD index = 0;
        const std::string* text = nullptr;
        IndexAndText(a, &index, &text);
        const bool dns = verb == "set-dns";
        if (dns) {
            api.SetTCPDNSServer(index, text->c_str());
        } else {
            api.SetTCPSearchList(index, text->c_str());
        }
        out.Set("index", static_cast<long long>(index));
        out.Set(dns ? "dns-server" : "search-entry", dns ? DNSServer(ctx, index) : SearchEntry(ctx, index));
        out.Set(dns ? "dns-server-count" : "search-list-count",
                Number(dns ? api.GetTCPDNSServerCount() : api.GetTCPSearchListCount()));
    } else if (verb == "set-wins1") {
        api.SetTCPNameServer1(OneText(a).c_str());
        out.Set("name-server1", NameServer1(ctx));
    } else if (verb == "set-wins2") {
        api.SetTCPNameServer2(OneText(a).c_str());
        out.Set("name-server2", NameServer2(ctx));
    } else if (verb == "set-scope") {
        api.SetTCPScopeID(OneText(a).c_str());
        out.Set("scope-id", ScopeID(ctx));
    } else if (verb == "set-wins-enable") {
        api.SetTCPWINSEnable(OneNumber(a, "FLAG"));
        out.Set("wins-enable", Number(api.GetTCPWINSEnable()));
    } else if (verb == "set-dhcp-wins") {
        api.SetTCPDHCPWINS(OneNumber(a, "VALUE"));
        out.Set("dhcp-wins", Number(api.GetTCPDHCPWINS()));
    } else {
        throw UsageError("tcp: unknown action '" + verb + "' (see --help tcp)");
    }
    out.Set("write-needed", Number(api.GetTCPWriteNeeded()));
    return Taken(ctx, verb, a);
}

int Write(HostContext& ctx, const Args&, Node& out) {
    const INT result = ctx.api.SetTCPWriteData();
    out.Set("result", Number(result));
    out.Set("write-needed", Number(ctx.api.GetTCPWriteNeeded()));
    if (result != 1) {
        Fail("SetTCPWriteData failed: some settings were not stored");
        return kExitFailed;
    }
    return kExitOk;
}

const Verb kTcpVerbs[] = {
    {"show", "", "every TCP/IP getter; \"unavailable\" where one answers 0", Show},
    {"get-dns", "INDEX", "one DNS server slot (GetTCPDNSServer)", GetDns},
    {"get-search", "INDEX", "one search-list slot (GetTCPSearchList)", GetSearch},
    {"set-hostname", "TEXT", "SetTCPHostName", Set},
    {"set-domain", "TEXT", "SetTCPDomainName", Set},
    {"set-lmhosts", "PATH", "SetTCPLMHostFile", Set},
    {"set-dns-enable", "FLAG", "SetTCPDNSEnable (0 off, any other number on)", Set},
    {"set-dns", "SLOT ADDRESS", "SetTCPDNSServer (slots 0-9; \"\" empties a slot)", Set},
    {"set-wins1", "ADDRESS", "SetTCPNameServer1", Set},
    {"set-wins2", "ADDRESS", "SetTCPNameServer2", Set},
    {"set-scope", "TEXT", "SetTCPScopeID", Set},
    {"set-search", "ENTRY TEXT", "SetTCPSearchList (slots 0-31)", Set},
    {"set-wins-enable", "FLAG", "SetTCPWINSEnable (0 off, any other number on)", Set},
    {"set-dhcp-wins", "VALUE", "SetTCPDHCPWINS (kept as given; 0 means manual WINS)", Set},
    {"write", "", "SetTCPWriteData: store everything; exit 1 when it fails", Write},
};

}  // namespace

const CommandFamily kTcpFamily = {
    "tcp", "machine-wide TCP/IP settings: host name, domain, DNS, WINS, scope, search list", kTcpVerbs,
    std::size(kTcpVerbs),
    "  Setters change the library's memory only and print the value read back and\n"
    "  write-needed; nothing reaches the registry before 'tcp write', so run the\n"
    "  edits and the write in one invocation (separated by ';').\n"
    "  A list counts its slots up to the first empty one; the slot at the count\n"
    "  reads as an empty text. Settings that do not apply on the platform (DNS on\n"
    "  Windows 2000, global WINS on NT and where WINS is kept per adapter) are\n"
    "  ignored by the setters and read as 0 or \"unavailable\".\n"};
