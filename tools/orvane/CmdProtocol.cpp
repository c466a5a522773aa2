// The protocol family: TCP/IP and NetBEUI of the Windows 95/98 adapters and
// the services bound to them, through the five protocol exports. Each of
// those reads the registry afresh, so a command sees what the ones before it
// did; the adapter table behind the nic family was read when the library
// was loaded and shows protocol changes only to the next run.
#include <iterator>

#include "Host.h"

namespace {

struct Word {
    const char* word;
    DWORD mask;
    const char* name;  // for messages
};

const Word kProtocols[] = {
    {"tcpip", ORVANE_PROTOCOL_TCPIP, "TCP/IP"},
    {"netbeui", ORVANE_PROTOCOL_NETBEUI, "NetBEUI"},
};
const Word kServices[] = {
    {"file-sharing", ORVANE_SERVICE_FILE_SHARING, "file and printer sharing"},
    {"client", ORVANE_SERVICE_CLIENT, "the client"},
};

// One of the words, or "both".
template <size_t N>
DWORD ParseMask(const std::string& text, const Word (&words)[N], const char* what) {
    if (text == "both") return words[0].mask | words[1].mask;
    for (const Word& w : words)
        if (text == w.word) return w.mask;
    throw UsageError(std::string("bad ") + what + " '" + text + "' (" + words[0].word + ", " + words[1].word +
                     " or both)");
}

template <size_t N>
Node MaskWords(DWORD mask, const Word (&words)[N]) {
    Node list = Node::List();
    for (const Word& w : words)
        if (mask & w.mask) list.Push(Node::Text(w.word));
    return list;
}

DWORD Number(const std::string& text, const char* what) { return static_cast<DWORD>(ParseNumber(text, what)); }

bool Bound(OrvaneApi& api, DWORD adapter, const Word& protocol) {
    // Any service selector other than 1 and 2 asks about the protocol alone.
    return api.GetProtocolServiceBinding(adapter, protocol.mask, 3) == 1;
}

// Which protocols are bound to the adapter and which services to each.
Node Protocols(OrvaneApi& api, DWORD adapter) {
    Node protocols = Node::Object();
    for (const Word& p : kProtocols) {
        Node n = Node::Object();
        const bool bound = Bound(api, adapter, p);
        n.SetFlag("bound", bound);
        Node services = Node::List();
        for (const Word& s : kServices) {
            if (bound && api.GetProtocolServiceBinding(adapter, p.mask, s.mask) == 1) services.Push(Node::Text(s.word));
        }
        n.Set("services", services);
        protocols.Set(p.word, n);
    }
    return protocols;
}

Node Adapter(OrvaneApi& api, DWORD adapter) {
    Node n = Node::Object();
    n.Set("number", static_cast<long long>(adapter));
    char name[512] = "";
    api.GetNICName(adapter, name, sizeof name);
    n.Set("name", name);
    n.Set("protocols", Protocols(api, adapter));
    return n;
}

bool Exists(OrvaneApi& api, DWORD adapter) { return adapter < DWORD(api.GetNICCount()); }

std::string NoAdapter(OrvaneApi& api, const std::string& arg) {
    return "there is no adapter " + arg + " (the machine has " + std::to_string(api.GetNICCount()) + ")";
}

// ---- Commands --------------------------------------------------------------------

int Show(HostContext& ctx, const Args& a, Node& out) {
    OrvaneApi& api = ctx.api;
    if (a.size() == 2) {
        const DWORD i = Number(a[1], "adapter number");
        if (!Exists(api, i)) {
            Fail(NoAdapter(api, a[1]));
            return kExitFailed;
        }
        out.Set("adapter", Adapter(api, i));
        return kExitOk;
    }
    const INT count = api.GetNICCount();
    out.Set("count", count);
    Node adapters = Node::List();
    for (INT i = 0; i < count; ++i) adapters.Push(Adapter(api, DWORD(i)));
    out.Set("adapters", adapters);
    return kExitOk;
}

// install and remove: the export as given, then the adapter as it now is.
// The library shows its message box when it refuses; the reason is told
// here too, from what the adapter had before the call.
int InstallOrRemove(HostContext& ctx, const Args& a, Node& out) {
    OrvaneApi& api = ctx.api;
    const bool install = a[0] == "install";
    const DWORD i = Number(a[1], "adapter number");
    const DWORD mask = ParseMask(a[2], kProtocols, "protocol");
    const bool exists = Exists(api, i);
    bool before[2] = {false, false};
    for (size_t p = 0; p < 2; ++p) before[p] = exists && Bound(api, i, kProtocols[p]);

    const INT result = install ? api.SetProtocolInstall(i, mask) : api.SetProtocolUninstall(i, mask);
    out.Set("adapter", static_cast<long long>(i));
    out.Set("protocols", MaskWords(mask, kProtocols));
    out.SetFlag(install ? "installed" : "removed", result == 1);
    if (exists) out.Set("now", Protocols(api, i));
    if (result == 1) return kExitOk;

    const std::string call = install ? "SetProtocolInstall" : "SetProtocolUninstall";
    if (!exists) {
        Fail(call + " answered 0: " + NoAdapter(api, a[1]));
        return kExitFailed;
    }
    bool explained = false;
    for (size_t p = 0; p < 2; ++p) {
        if (!(mask & kProtocols[p].mask) || before[p] != install) continue;
        Fail(call + " answered 0: " + kProtocols[p].name + (install ? " was bound to adapter " : " is not bound to adapter ") +
             a[1] + (install ? " already" : ""));
        explained = true;
    }
    if (!explained) {
        Fail(call + " answered 0" + (install ? std::string(": without the setup functions (setupapi.dll) nothing is installed")
                                             : std::string(": the adapter's bindings could not be changed")));
    }
    return kExitFailed;
}

// bind and unbind: the export as given, then the bindings as they now are,
// with a note for each protocol that had nothing to bind to.
int BindOrUnbind(HostContext& ctx, const Args& a, Node& out) {
    OrvaneApi& api = ctx.api;
    const bool bind = a[0] == "bind";
    const DWORD i = Number(a[1], "adapter number");
    const DWORD protocols = ParseMask(a[2], kProtocols, "protocol");
    const DWORD services = ParseMask(a[3], kServices, "service");
    const INT result = bind ? api.SetProtocolServiceBindings(i, protocols, services)
                            : api.SetProtocolServiceUnbindings(i, protocols, services);
    out.Set("adapter", static_cast<long long>(i));
    out.Set("protocols", MaskWords(protocols, kProtocols));
    out.Set("services", MaskWords(services, kServices));
    out.SetFlag(bind ? "bound" : "unbound", result == 1);
    if (result != 1) {
        Fail(std::string(bind ? "SetProtocolServiceBindings" : "SetProtocolServiceUnbindings") + " answered 0: " +
             NoAdapter(api, a[1]));
        return kExitFailed;
    }
    out.Set("now", Protocols(api, i));
    Node notes = Node::List();
    bool noted = false;
    for (const Word& p : kProtocols) {
        if (!(protocols & p.mask)) continue;
        if (!Bound(api, i, p)) {
            notes.Push(Node::Text(std::string(p.name) + " is not bound to adapter " + a[1] + ": nothing to " +
                                  (bind ? "bind to" : "unbind from")));
            noted = true;
            continue;
        }
        for (const Word& s : kServices) {
            if (!bind || !(services & s.mask) || api.GetProtocolServiceBinding(i, p.mask, s.mask) == 1) continue;
            notes.Push(Node::Text(std::string(s.name) + " is not installed on this machine: nothing bound to " + p.name));
            noted = true;
        }
    }
    if (noted) out.Set("notes", notes);
    return kExitOk;
}

// The query export exactly as given, selectors as numbers.
int Query(HostContext& ctx, const Args& a, Node& out) {
    const DWORD i = Number(a[1], "adapter number");
    const DWORD protocol = Number(a[2], "protocol selector");
    const DWORD service = Number(a[3], "service selector");
    out.Set("adapter", static_cast<long long>(i));
    out.Set("protocol", static_cast<long long>(protocol));
    out.Set("service", static_cast<long long>(service));
    out.Set("answer", ctx.api.GetProtocolServiceBinding(i, protocol, service));
    return kExitOk;
}

const Verb kProtocolVerbs[] = {
    {"show", "[N]",
     "the protocols bound to adapter N (to every adapter\n"
     "without N) and the services bound to each",
     Show},
    {"install", "N PROTOCOL", "install PROTOCOL on adapter N (SetProtocolInstall)", InstallOrRemove},
    {"remove", "N PROTOCOL", "remove PROTOCOL from adapter N (SetProtocolUninstall)", InstallOrRemove},
    {"bind", "N PROTOCOL SERVICE",
     "bind new service instances to the adapter's protocol\n"
     "(SetProtocolServiceBindings)",
     BindOrUnbind},
    {"unbind", "N PROTOCOL SERVICE",
     "unbind the lowest-numbered instance of each service\n"
     "(SetProtocolServiceUnbindings)",
     BindOrUnbind},
    {"query", "N P S",
     "GetProtocolServiceBinding with the selectors as numbers\n"
     "(protocol 1 TCP/IP, 2 NetBEUI; service 1 file sharing,\n"
     "2 client, another non-zero value: the protocol alone)",
     Query},
};

}  // namespace

const CommandFamily kProtocolFamily = {
    "protocol", "protocols of Windows 95/98 adapters and the services bound to them", kProtocolVerbs,
    std::size(kProtocolVerbs),
    "  PROTOCOL is tcpip, netbeui or both; SERVICE is file-sharing, client or both.\n"
    "  Windows 95/98 layout: adapters are numbered as in 'nic list'. Every command\n"
    "  reads the machine afresh, so it sees what the commands before it did; the\n"
    "  nic family's table shows protocol changes to the next run only.\n"
    "  An install fills the new protocol instance from the machine's NETTRANS.INF\n"
    "  (offline: --inf-dir, default the bundled inf/ folder). When the library\n"
    "  refuses, it shows a message box (offline its text is printed on standard\n"
    "  error) and the command exits 1.\n"
    "  Examples: orvane protocol install 1 tcpip\n"
    "            orvane protocol bind 1 tcpip client\n"};
