// The wnet family: the Windows networking identity through the GetWNET and
// SetWNET exports (computer name, workgroup, comment, logon options and
// choices, domain membership on NT), with the drive connections and disk
// shares the machine has, read from where the system keeps them. Setters
// change the library's memory only; `wnet write` (or the one-line rename,
// join-workgroup, join-domain and logon) stores them, and says what it
// asked and what the machine now believes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "Host.h"
#include "MachineView.h"
#include "PlatformInfo.h"

namespace {

constexpr DWORD kText = 512;

// ---- The platform and the registry -------------------------------------------------

struct Platform {
    bool nt;
    bool win2000;
};

Platform ThisPlatform() {
    CPlatformInfo probe;
    const bool nt = probe.IsNT();
    return {nt, nt && probe.GetNTMajorVersion() >= 5};
}

struct Key {
    HKEY h = nullptr;
    Key(HKEY root, const std::string& path) {
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) h = nullptr;
    }
    ~Key() {
        if (h) RegCloseKey(h);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool Raw(const char* name, DWORD* type, std::string* data) const {
        DWORD size = 0;
        if (!h || RegQueryValueExA(h, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
        data->assign(size, '\0');
        if (size && RegQueryValueExA(h, name, nullptr, type, reinterpret_cast<BYTE*>(&(*data)[0]), &size) !=
                        ERROR_SUCCESS)
            return false;
        data->resize(size);
        return true;
    }
    bool Text(const char* name, std::string* text) const {
        DWORD type = 0;
        if (!Raw(name, &type, text) || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        const size_t nul = text->find('\0');
        if (nul != std::string::npos) text->resize(nul);
        return true;
    }
    std::string TextOr(const char* name, const std::string& fallback) const {
        std::string text;
        return Text(name, &text) ? text : fallback;
    }
    bool Number(const char* name, DWORD* number) const {
        DWORD type = 0;
        std::string data;
        if (!Raw(name, &type, &data) || type != REG_DWORD || data.size() < 4) return false;
        std::memcpy(number, data.data(), 4);
        return true;
    }
    std::vector<std::string> Subkeys() const {
        std::vector<std::string> names;
        for (DWORD i = 0; h; ++i) {
            char name[260];
            DWORD size = sizeof name;
            if (RegEnumKeyExA(h, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.emplace_back(name, size);
        }
        return names;
    }
    std::vector<std::string> ValueNames() const {
        std::vector<std::string> names;
        for (DWORD i = 0; h; ++i) {
            char name[16384];
            DWORD size = sizeof name;
            if (RegEnumValueA(h, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.emplace_back(name, size);
        }
        return names;
    }
};

// ---- What the machine has ------------------------------------------------------------

const char kProvider9x[] = "Microsoft Network";
const char kProviderNT[] = "Microsoft Windows Network";

// Every persistent connection of the current user, whoever provides it;
// the library rewrites only those of its provider whose texts fit its table.
Node Connections(const Platform& p) {
    Node list = Node::List();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const Key drive(HKEY_CURRENT_USER, std::string(p.nt ? "Network\\" : "Network\\Persistent\\") + letter);
        std::string provider;
        if (!drive.Text("ProviderName", &provider)) continue;
        const std::string path = drive.TextOr("RemotePath", ""), user = drive.TextOr("UserName", "");
        Node c = Node::Object();
        c.Set("drive", std::string(1, letter) + ":");
        c.Set("remote-path", path);
        c.Set("user", user);
        c.Set("provider", provider);
        const bool ours = provider == (p.nt ? kProviderNT : kProvider9x);
        const char* handling = !ours                                 ? "left alone (another provider)"
                               : path.size() > 259 || user.size() > 15 ? "left alone (too long for the library)"
                                                                       : "made again by every write";
        c.Set("write", handling);
        list.Push(c);
    }
    return list;
}

Node ShareNode(const std::string& name, DWORD type, const std::string& path, const std::string& remark) {
    Node s = Node::Object();
    s.Set("name", name);
    s.Set("type", type == 0 ? std::string("disk") : type == 1 ? std::string("printer") : std::to_string(type));
    s.Set("path", path);
    s.Set("remark", remark);
    return s;
}

// The shares kept where the system keeps them; the library lists and makes
// again the disk shares among them.
Node Shares(const Platform& p) {
    Node list = Node::List();
    if (!p.nt) {
        const std::string lanman = "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan";
        for (const std::string& name : Key(HKEY_LOCAL_MACHINE, lanman).Subkeys()) {
            const Key share(HKEY_LOCAL_MACHINE, lanman + "\\" + name);
            DWORD type = 0, flags = 0;
            share.Number("Type", &type);
            share.Number("Flags", &flags);
            Node s = ShareNode(name, type, share.TextOr("Path", ""), share.TextOr("Remark", ""));
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%lX", static_cast<unsigned long>(flags));
            s.Set("flags", hex);
            DWORD t = 0;
            std::string full, readOnly;
            s.SetFlag("full-access-password", share.Raw("Parm1enc", &t, &full) && !full.empty());
            s.SetFlag("read-only-password", share.Raw("Parm2enc", &t, &readOnly) && !readOnly.empty());
            list.Push(s);
        }
        return list;
    }
    const Key shares(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares");
    for (const std::string& name : shares.ValueNames()) {
        DWORD type = 0;
        std::string data;
        if (!shares.Raw(name.c_str(), &type, &data) || type != REG_MULTI_SZ) continue;
        std::string path, remark, maxUses;
        DWORD shareType = 0;
        size_t at = 0;
        while (at < data.size() && data[at]) {
            const size_t end = data.find('\0', at);
            const std::string line = data.substr(at, end == std::string::npos ? std::string::npos : end - at);
            at = end == std::string::npos ? data.size() : end + 1;
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::string k = line.substr(0, eq), v = line.substr(eq + 1);
            if (k == "Path") path = v;
            if (k == "Remark") remark = v;
            if (k == "Type") shareType = static_cast<DWORD>(std::strtoul(v.c_str(), nullptr, 10));
            if (k == "MaxUses") maxUses = v;
        }
        Node s = ShareNode(name, shareType, path, remark);
        s.Set("max-uses", maxUses.empty() || maxUses == "4294967295" ? std::string("unlimited") : maxUses);
        list.Push(s);
    }
    return list;
}

// ---- The identity through the exports ------------------------------------------------

Node Answer(HostContext& ctx, bool available, const char* text) {
    if (available) return Node::Text(text);
    return ctx.json ? Node() : Node::Text("unavailable");
}

template <typename Getter>
Node TextOf(HostContext& ctx, Getter getter) {
    char buffer[kText] = "";
    const bool ok = getter(buffer, kText) == 1;
    return Answer(ctx, ok, buffer);
}

template <typename Getter>
std::string Read(Getter getter) {
    char buffer[kText] = "";
    return getter(buffer, kText) == 1 ? std::string(buffer) : std::string();
}

std::vector<std::string> LogonChoices(OrvaneApi& api) {
    std::vector<std::string> names;
    const INT count = api.GetWNETLogonCount();
    for (INT i = 0; i < count; ++i) {
        char name[kText] = "";
        names.push_back(api.GetWNETLogonName(static_cast<DWORD>(i), name, kText) == 1 ? name : "?");
    }
    return names;
}

int Show(HostContext& ctx, const Args&, Node& out) {
    OrvaneApi& api = ctx.api;
    const Platform p = ThisPlatform();
    out.Set("computer-name", TextOf(ctx, api.GetWNETComputerName));
    out.Set("workgroup", TextOf(ctx, api.GetWNETComputerWorkgroup));
    out.Set("comment", TextOf(ctx, api.GetWNETComputerComment));
    out.Set("nt-logon", static_cast<long long>(api.GetWNETNTLogon()));
    out.Set("nt-logon-domain", TextOf(ctx, api.GetWNETNTLogonDomain));
    out.Set("quick-logon", static_cast<long long>(api.GetWNETQuickLogon()));
    out.Set("default-logon", TextOf(ctx, api.GetWNETDefaultLogon));
    Node choices = Node::List();
    for (const std::string& name : LogonChoices(api)) choices.Push(Node::Text(name));
    out.Set("logon-choices", choices);
    out.Set("write-needed", static_cast<long long>(api.GetWNETWriteNeeded()));
    out.Set("connections", Connections(p));
    out.Set("shares", Shares(p));
    return kExitOk;
}

// Workgroup or domain edits made by this run that changed a value: the
// library then has a domain change pending, which only its write acts on.
bool g_membershipChanged = false;

enum class Field { Name, Workgroup, Comment, NTLogon, Domain, QuickLogon, DefaultLogon };

struct Setter {
    const char* verb;
    Field field;
    const char* key;
};
const Setter kSetters[] = {
    {"set-name", Field::Name, "computer-name"},          {"set-workgroup", Field::Workgroup, "workgroup"},
    {"set-comment", Field::Comment, "comment"},          {"set-nt-logon", Field::NTLogon, "nt-logon"},
    {"set-nt-domain", Field::Domain, "nt-logon-domain"}, {"set-quick-logon", Field::QuickLogon, "quick-logon"},
    {"set-default-logon", Field::DefaultLogon, "default-logon"},
};

// The field as the library now holds it, as text.
std::string Held(OrvaneApi& api, Field f) {
    switch (f) {
        case Field::Name: return Read(api.GetWNETComputerName);
        case Field::Workgroup: return Read(api.GetWNETComputerWorkgroup);
        case Field::Comment: return Read(api.GetWNETComputerComment);
        case Field::NTLogon: return std::to_string(static_cast<DWORD>(api.GetWNETNTLogon()));
        case Field::Domain: return Read(api.GetWNETNTLogonDomain);
        case Field::QuickLogon: return std::to_string(static_cast<DWORD>(api.GetWNETQuickLogon()));
        case Field::DefaultLogon: return Read(api.GetWNETDefaultLogon);
    }
    return std::string();
}

// Sets one field and reads it back; false (with the reason on standard
// error) when the library did not take the value.
bool Apply(HostContext& ctx, Field f, const std::string& value, Node& out, const char* key) {
    OrvaneApi& api = ctx.api;
    const std::string before = Held(api, f);
    switch (f) {
        case Field::Name: api.SetWNETComputerName(value.c_str()); break;
        case Field::Workgroup: api.SetWNETComputerWorkgroup(value.c_str()); break;
        case Field::Comment: api.SetWNETComputerComment(value.c_str()); break;
        case Field::NTLogon: api.SetWNETNTLogon(static_cast<DWORD>(ParseNumber(value, "VALUE"))); break;
        case Field::Domain: api.SetWNETNTLogonDomain(value.c_str()); break;
        case Field::QuickLogon: api.SetWNETQuickLogon(static_cast<DWORD>(ParseNumber(value, "VALUE"))); break;
        case Field::DefaultLogon: api.SetWNETDefaultLogon(value.c_str()); break;
    }
    const std::string after = Held(api, f);
    const bool numeric = f == Field::NTLogon || f == Field::QuickLogon;
    const std::string wanted = numeric ? std::to_string(ParseNumber(value, "VALUE")) : value;
    if (f == Field::Workgroup || f == Field::NTLogon || f == Field::Domain) g_membershipChanged |= before != after;
    if (numeric) {
        out.Set(key, static_cast<long long>(std::stoull(after)));
    } else {
        out.Set(key, after);
    }
    out.Set("write-needed", static_cast<long long>(api.GetWNETWriteNeeded()));
    if (after == wanted) return true;
    const Platform p = ThisPlatform();
    if (p.nt && (f == Field::QuickLogon || f == Field::DefaultLogon)) {
        Fail(std::string(key) + ": not kept on Windows NT; the library ignores it");
    } else {
        Fail(std::string(key) + ": the library did not take '" + value + "' (too long for its field?)");
    }
    return false;
}

int Set(HostContext& ctx, const Args& a, Node& out) {
    for (const Setter& s : kSetters)
        if (a[0] == s.verb) return Apply(ctx, s.field, a[1], out, s.key) ? kExitOk : kExitFailed;
    throw UsageError("wnet: unknown action '" + a[0] + "' (see --help wnet)");
}

// ---- The write ---------------------------------------------------------------------

// What the coming write will do beyond storing the fields, as the library
// decides it from the platform and the edits of this run.
Node Asked(HostContext& ctx, const Platform& p) {
    OrvaneApi& api = ctx.api;
    Node asked = Node::Object();
    if (!api.GetWNETWriteNeeded()) {
        asked.Set("store", "nothing: no setting changed");
        return asked;
    }
    const std::string name = Read(api.GetWNETComputerName);
    const std::string workgroup = Read(api.GetWNETComputerWorkgroup);
    const std::string domain = Read(api.GetWNETNTLogonDomain);
    const DWORD ntLogon = static_cast<DWORD>(api.GetWNETNTLogon());
    if (!p.nt) {
        asked.Set("store", "the identity values, the computer name for the next start and the primary logon");
        asked.Set("membership", ntLogon ? "logon options only: log on to the Windows NT domain " + domain +
                                              " (Windows 95/98 joins nothing)"
                                        : std::string("logon options only: no Windows NT domain logon"));
    } else {
        asked.Set("store", "computer name " + name + " for the next start" +
                               (p.win2000 ? std::string(", and as the DNS host name") : std::string()));
        std::string membership;
        if (!g_membershipChanged) {
            membership = p.win2000 ? "no join: the workgroup and domain were not changed (this does not count "
                                     "against the write)"
                                   : "no join: the workgroup and domain were not changed";
        } else if (!ntLogon && !workgroup.empty()) {
            membership = "join the workgroup " + workgroup;
        } else if (p.win2000 || (ntLogon && !domain.empty())) {
            membership = "join the domain " + domain;
        } else {
            membership = "no join: neither a workgroup (with nt-logon 0) nor a domain (with nt-logon set) is named";
        }
        asked.Set("membership", membership);
    }
    asked.Set("connections-and-shares", "deleted and made again from what the library loaded");
    return asked;
}

// What the machine now believes, asked of the system.
Node Machine(const Platform& p) {
    Node m = Node::Object();
    if (p.nt) {
        // NT runs under the name it started with until the next start.
        char running[64] = "";
        DWORD size = sizeof running;
        m.Set("running-name", GetComputerNameA(running, &size) ? std::string(running) : std::string("unknown"));
    }
    const std::string names = p.nt ? "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName"
                                   : "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
    m.Set("next-start-name", Key(HKEY_LOCAL_MACHINE, names).TextOr("ComputerName", "unknown"));
    if (p.win2000) {
        const Key tcpip(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters");
        m.Set("dns-host-name", tcpip.TextOr("Hostname", "unknown"));
        m.Set("next-dns-host-name", tcpip.TextOr("NV Hostname", "unknown"));
    }
    if (!p.nt) {
        m.Set("workgroup",
              Key(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD\\VNETSUP").TextOr("Workgroup", ""));
        return m;
    }
    const Membership member = MachineMembership();
    if (!member.known) {
        m.Set("member-of", "unknown");
    } else {
        m.Set("member-of", std::string(member.domain ? "domain " : "workgroup ") + member.name);
    }
    return m;
}

int Write(HostContext& ctx, const Args&, Node& out) {
    OrvaneApi& api = ctx.api;
    const Platform p = ThisPlatform();
    out.Set("asked", Asked(ctx, p));
    std::vector<std::string> ignored;
    TakePlatformEvents(&ignored, &ignored);  // only what this write does
    const INT result = api.SetWNETWriteData();
    out.Set("result", static_cast<long long>(result));
    out.Set("write-needed", static_cast<long long>(api.GetWNETWriteNeeded()));
    // Where they can be seen at all, and only when there were any.
    std::vector<std::string> messages, calls;
    TakePlatformEvents(&messages, &calls);
    if (!messages.empty()) {
        Node shown = Node::List();
        for (auto& m : messages) shown.Push(Node::Text(m));
        out.Set("message-boxes", shown);
    }
    if (!calls.empty()) {
        Node made = Node::List();
        for (auto& c : calls) made.Push(Node::Text(c));
        out.Set("domain-calls", made);
    }
    out.Set("machine", Machine(p));
    if (result != 1) {
        Fail("SetWNETWriteData failed: a counted step did not succeed (the rest was still written)");
        return kExitFailed;
    }
    return kExitOk;
}

// ---- The everyday tasks ------------------------------------------------------------

int Rename(HostContext& ctx, const Args& a, Node& out) {
    Node set = Node::Object();
    if (!Apply(ctx, Field::Name, a[1], set, "computer-name")) return kExitFailed;
    return Write(ctx, a, out);
}

int JoinWorkgroup(HostContext& ctx, const Args& a, Node& out) {
    Node set = Node::Object();
    if (!Apply(ctx, Field::NTLogon, "0", set, "nt-logon") || !Apply(ctx, Field::Workgroup, a[1], set, "workgroup"))
        return kExitFailed;
    return Write(ctx, a, out);
}

int JoinDomain(HostContext& ctx, const Args& a, Node& out) {
    Node set = Node::Object();
    if (!Apply(ctx, Field::NTLogon, "1", set, "nt-logon") || !Apply(ctx, Field::Domain, a[1], set, "nt-logon-domain"))
        return kExitFailed;
    return Write(ctx, a, out);
}

int Logon(HostContext& ctx, const Args& a, Node& out) {
    if (ThisPlatform().nt) {
        Fail("wnet logon: Windows NT has no logon choices; nothing was written");
        return kExitFailed;
    }
    std::string known;
    bool found = false;
    for (const std::string& name : LogonChoices(ctx.api)) {
        found |= name == a[1];
        known += (known.empty() ? "" : ", ") + name;
    }
    if (!found) {
        Fail("wnet logon: '" + a[1] + "' is none of the logon choices (" + known + "); nothing was written");
        return kExitFailed;
    }
    Node set = Node::Object();
    if (!Apply(ctx, Field::DefaultLogon, a[1], set, "default-logon")) return kExitFailed;
    return Write(ctx, a, out);
}

const Verb kWnetVerbs[] = {
    {"show", "", "the identity, logon choices, connections and shares", Show},
    {"rename", "NAME", "give the computer a new name and write it", Rename, "Everyday tasks (each ends with the write):"},
    {"join-workgroup", "NAME", "nt-logon 0 and the workgroup NAME, then the write\n(on NT it moves the machine)",
     JoinWorkgroup},
    {"join-domain", "NAME", "nt-logon 1 and the domain NAME, then the write\n(on NT it joins the domain)",
     JoinDomain},
    {"logon", "NAME", "make the logon choice NAME the primary logon and write\nit (Windows 95/98)", Logon},
    {"set-name", "NAME", "SetWNETComputerName", Set, "Edits (memory only, until 'wnet write'; each reads the value back):"},
    {"set-workgroup", "NAME", "SetWNETComputerWorkgroup (asks NT for a workgroup move)", Set},
    {"set-comment", "TEXT", "SetWNETComputerComment (stored on Windows 95/98 only)", Set},
    {"set-nt-logon", "VALUE", "SetWNETNTLogon (kept as given; nonzero is on)", Set},
    {"set-nt-domain", "NAME", "SetWNETNTLogonDomain (asks NT for a domain move)", Set},
    {"set-quick-logon", "VALUE", "SetWNETQuickLogon (Windows 95/98)", Set},
    {"set-default-logon", "NAME", "SetWNETDefaultLogon (Windows 95/98; checked when written)", Set},
    {"write", "", "SetWNETWriteData, what it asked and what the machine now\nbelieves (exit 1 when it fails)",
     Write},
};

}  // namespace

const CommandFamily kWnetFamily = {
    "wnet", "networking identity: computer name, workgroup, domain, logon, connections, shares", kWnetVerbs,
    std::size(kWnetVerbs),
    "  Texts are taken only when they differ from the held one (letter case\n"
    "  counts) and fit the library's field. A write stores everything again, also\n"
    "  what did not change, and rewrites the Microsoft network's drive connections\n"
    "  and the disk shares from what the library loaded.\n"
    "  Windows NT moves the machine only when this run changed the workgroup,\n"
    "  nt-logon or the domain: nt-logon 0 and a workgroup join that workgroup;\n"
    "  otherwise the domain is joined (on NT 4.0 only with nt-logon set and a\n"
    "  domain named). On Windows 2000 a write without such a change still succeeds.\n"
    "  Windows 95/98 stores the workgroup and domain as logon options only.\n"
    "  Natively the write also lists the message boxes the library showed and the\n"
    "  domain calls it made, in words.\n"
    "  Examples: orvane wnet rename ORION2\n"
    "            orvane --machine nt4.reg --dc domain=CORP,dc=CORPDC,sid=S-1-5-21-1-2-3 \\\n"
    "                   wnet join-domain CORP\n"
    "            orvane wnet logon \"Client for Microsoft Networks\"\n"};
