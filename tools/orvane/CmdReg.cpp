// The reg family: the registry through the library's own registry layer,
// to inspect and prepare machines and to compare platforms.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "Host.h"
#include "Registry.h"

namespace {

struct RootName {
    const char* longName;
    const char* shortName;
    HKEY root;
};

const RootName kRoots[] = {
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG},
};

bool SameName(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

// "HKLM\System\X" -> root and "System\X".
HKEY ParseKey(const std::string& text, std::string* path) {
    const size_t sep = text.find('\\');
    const std::string rootName = text.substr(0, sep);
    for (auto& r : kRoots) {
        if (SameName(rootName, r.longName) || SameName(rootName, r.shortName)) {
            *path = sep == std::string::npos ? std::string() : text.substr(sep + 1);
            return r.root;
        }
    }
    throw UsageError("unknown registry root in '" + text + "' (use HKLM, HKCU or HKCC)");
}

const char* TypeName(DWORD type) {
    switch (type) {
        case REG_NONE: return "REG_NONE";
        case REG_SZ: return "REG_SZ";
        case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
        case REG_BINARY: return "REG_BINARY";
        case REG_DWORD: return "REG_DWORD";
        case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
        case REG_LINK: return "REG_LINK";
        case REG_MULTI_SZ: return "REG_MULTI_SZ";
        case REG_RESOURCE_LIST: return "REG_RESOURCE_LIST";
        case REG_FULL_RESOURCE_DESCRIPTOR: return "REG_FULL_RESOURCE_DESCRIPTOR";
        default: return "REG_UNKNOWN";
    }
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string HexBytes(const BYTE* data, DWORD size) {
    std::string out;
    char buf[4];
    for (DWORD i = 0; i < size; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", data[i]);
        out += (i ? " " : "") + std::string(buf);
    }
    return out;
}

// One value as the host shows it; the readers are the layer's own typed
// getters, so what is shown is what the library would read.
Node DescribeValue(const std::string& name, CRegValue& v) {
    Node n = Node::Object();
    n.Set("name", name);
    n.Set("type", TypeName(v.Type()));
    n.Set("size", static_cast<long long>(v.Size()));
    std::string text;
    DWORD number = 0;
    StringList list;
    if (v.GetString(text)) {
        n.Set("data", Quote(text));
    } else if (v.GetDword(number)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "0x%08x (%u)", unsigned(number), unsigned(number));
        n.Set("data", buf);
    } else if (v.GetMultiString(list)) {
        Node items = Node::List();
        for (auto& s : list) items.Push(Node::Text(Quote(s)));
        n.Set("data", items);
    } else {
        n.Set("data", HexBytes(v.Data(), v.Data() ? v.Size() : 0));
    }
    return n;
}

std::string ValueName(const std::string& arg) { return arg == "@" ? std::string() : arg; }

// Lists what a key holds directly: its values and the names of its subkeys.
class KeyLister : public CRegistry {
public:
    explicit KeyLister(HKEY root) : CRegistry(root), values(Node::List()), subkeys(Node::List()) {}
    bool OnValue(const char*, const char* valueName, CRegValue& value, DWORD depth) override {
        if (depth == 0) values.Push(DescribeValue(valueName, value));
        return true;
    }
    bool OnKey(const char* subkeyName, DWORD depth) override {
        if (depth == 0) subkeys.Push(Node::Text(subkeyName));
        return true;
    }
    Node values;
    Node subkeys;
};

// Records every callback of a walk in order.
class WalkRecorder : public CRegistry {
public:
    explicit WalkRecorder(HKEY root) : CRegistry(root), events(Node::List()) {}
    bool OnValue(const char* path, const char* valueName, CRegValue& value, DWORD depth) override {
        events.Push(Event("value", depth,
                          std::string(path) + " " + Quote(valueName) + " " + TypeName(value.Type()) + " " +
                              DataText(value)));
        return true;
    }
    bool OnKey(const char* subkeyName, DWORD depth) override {
        events.Push(Event("key", depth, subkeyName));
        return true;
    }
    static std::string DataText(CRegValue& v) {
        std::string text;
        DWORD number = 0;
        StringList list;
        if (v.GetString(text)) return Quote(text);
        if (v.GetDword(number)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%08x", unsigned(number));
            return buf;
        }
        if (v.GetMultiString(list)) {
            std::string out = "[";
            for (size_t i = 0; i < list.size(); ++i) out += (i ? ", " : "") + Quote(list[i]);
            return out + "]";
        }
        return "hex:" + HexBytes(v.Data(), v.Data() ? v.Size() : 0);
    }
    static Node Event(const char* kind, DWORD depth, const std::string& what) {
        return Node::Text(std::string(kind) + " " + std::to_string(depth) + " " + what);
    }
    Node events;
};

std::vector<BYTE> ParseHex(const std::string& text) {
    std::vector<BYTE> bytes;
    std::string digits;
    for (char c : text) {
        if (c == ',' || c == ' ' || c == ':') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) throw UsageError("bad hex data '" + text + "'");
        digits += c;
    }
    if (digits.size() % 2) throw UsageError("hex data needs two digits per byte: '" + text + "'");
    for (size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<BYTE>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

int Query(HostContext&, const Args& a, Node& out) {
    std::string path;
    const HKEY root = ParseKey(a[1], &path);
    out.Set("key", a[1]);
    if (a.size() == 3) {
        CRegistry reg(root);
        CRegValue v;
        if (!reg.QueryValue(path.c_str(), ValueName(a[2]).c_str(), v)) {
            Fail("no value '" + a[2] + "' in " + a[1]);
            return kExitFailed;
        }
        out.Set("value", DescribeValue(a[2], v));
        return kExitOk;
    }
    KeyLister lister(root);
    if (!lister.Walk(path.c_str(), RegWalkValues | RegWalkKeys)) {
        Fail("cannot read key " + a[1]);
        return kExitFailed;
    }
    out.Set("values", lister.values);
    out.Set("subkeys", lister.subkeys);
    return kExitOk;
}

int Set(HostContext&, const Args& a, Node& out) {
    std::string path;
    const HKEY root = ParseKey(a[1], &path);
    const std::string name = ValueName(a[2]);
    const std::string& type = a[3];
    const Args data(a.begin() + 4, a.end());
    CRegistry reg(root);
    bool ok = false;
    if (type == "sz" || type == "expand_sz") {
        if (data.size() != 1) throw UsageError("reg set: " + type + " takes one text");
        CRegValue v;
        v.SetString(data[0].c_str(), type == "expand_sz");
        ok = reg.SetValue(path.c_str(), name.c_str(), v);
    } else if (type == "dword") {
        if (data.size() != 1) throw UsageError("reg set: dword takes one number");
        ok = reg.SetDword(path.c_str(), name.c_str(), static_cast<DWORD>(ParseNumber(data[0], "dword")));
    } else if (type == "binary") {
        std::vector<BYTE> bytes;
        for (auto& d : data) {
            auto b = ParseHex(d);
            bytes.insert(bytes.end(), b.begin(), b.end());
        }
        ok = reg.SetBinary(path.c_str(), name.c_str(), bytes.data(), static_cast<DWORD>(bytes.size()));
    } else if (type == "multi_sz") {
        ok = reg.SetMultiString(path.c_str(), name.c_str(), StringList(data.begin(), data.end()));
    } else {
        throw UsageError("reg set: unknown type '" + type + "' (sz, expand_sz, dword, binary, multi_sz)");
    }
    out.Set("key", a[1]);
    out.Set("name", a[2]);
    out.SetFlag("written", ok);
    if (!ok) {
        Fail("cannot write '" + a[2] + "' in " + a[1]);
        return kExitFailed;
    }
    return kExitOk;
}

int Delete(HostContext&, const Args& a, Node& out) {
    std::string path;
    const HKEY root = ParseKey(a[1], &path);
    CRegistry reg(root);
    const std::string name = a.size() == 3 ? ValueName(a[2]) : std::string();
    const bool ok = a.size() == 3 ? reg.Delete(path.c_str(), name.c_str()) : reg.Delete(path.c_str());
    out.Set("key", a[1]);
    if (a.size() == 3) out.Set("name", a[2]);
    out.SetFlag("deleted", ok);
    if (!ok) {
        Fail(a.size() == 3 ? "cannot delete '" + a[2] + "' in " + a[1] : "cannot delete " + a[1]);
        return kExitFailed;
    }
    return kExitOk;
}

int Info(HostContext&, const Args& a, Node& out) {
    std::string path;
    const HKEY root = ParseKey(a[1], &path);
    CRegistry reg(root);
    DWORD subkeys = 0, values = 0;
    const bool content = reg.GetKeyInfo(path.c_str(), &subkeys, &values);
    out.Set("key", a[1]);
    out.Set("subkeys", static_cast<long long>(subkeys));
    out.Set("values", static_cast<long long>(values));
    out.SetFlag("has-content", content);
    return kExitOk;
}

int Walk(HostContext&, const Args& a, Node& out) {
    std::string path;
    const HKEY root = ParseKey(a[1], &path);
    WalkRecorder walker(root);
    const bool ok = walker.Walk(path.c_str(), RegWalkValues | RegWalkKeys);
    out.Set("key", a[1]);
    out.Set("walk", walker.events);
    if (!ok) {
        Fail("cannot walk " + a[1]);
        return kExitFailed;
    }
    return kExitOk;
}

const Verb kRegVerbs[] = {
    {"query", "KEY [NAME]", "values and subkeys of KEY, or one value", Query},
    {"set", "KEY NAME TYPE [DATA...]",
     "TYPE: sz, expand_sz, dword, binary (hex) or\n"
     "multi_sz (one argument per string); keys are\n"
     "created as needed",
     Set},
    {"delete", "KEY [NAME]", "one value, or KEY with everything below it", Delete},
    {"info", "KEY", "number of subkeys and values", Info},
    {"walk", "KEY", "every value and subkey below KEY, depth first", Walk},
};

}  // namespace

const CommandFamily kRegFamily = {
    "reg", "read, write, delete and walk the registry through the library's registry layer", kRegVerbs,
    std::size(kRegVerbs), "  KEY starts with HKLM, HKCU or HKCC (or the long names); NAME @ is the default value.\n"};
