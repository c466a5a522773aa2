// The setup functions the library relies on (SetupOpenInfFileA,
// SetupInstallFromInfSectionA with SPINST_REGISTRY, SetupCloseInfFile),
// checked against any implementation: natively against the simulated
// platform, and as a Windows program under Wine. The test INF ORVCONF.INF
// and the project's NETTRANS.INF must be in the Windows directory's INF
// folder; the files for the syntax cases are written there by the checks.
// Where the two disagree the simulation is wrong, except where Windows is
// documented to answer otherwise than Wine: those checks say so.
//
// Plain C++ with the small harness of tests/CheckHarness.h, so the same file builds with
// mingw-w64 for Windows.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef ORVANE_SIM
#include <fstream>
#include <iterator>
#endif

#include "../CheckHarness.h"

namespace {

const char kBase[] = "Software\\OrvaneInfConformance";
const char kVnbt[] = "System\\CurrentControlSet\\Services\\VxD\\VNBT";
const UINT kUntouched = 0xdead;

// ---- Registry helpers ---------------------------------------------------------

HKEY CreateKey(const std::string& path) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    return key;
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void Seed(HKEY key, const char* name, DWORD type, const std::string& bytes) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
}

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }
std::string List(std::initializer_list<const char*> items) {
    std::string data;
    for (const char* item : items) data += Sz(item);
    return data + std::string(1, '\0');
}
std::string Bytes(std::initializer_list<int> bytes) {
    std::string data;
    for (int b : bytes) data += static_cast<char>(b);
    return data;
}
std::string Dword(DWORD v) { return Bytes({int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)}); }

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

struct Value {
    bool found = false;
    DWORD type = 0;
    std::string bytes;
};

Value Read(HKEY root, const std::string& path, const char* name) {
    Value v;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
    BYTE data[1024];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &v.type, data, &size) == ERROR_SUCCESS) {
        v.found = true;
        v.bytes.assign(reinterpret_cast<const char*>(data), size);
    }
    RegCloseKey(key);
    return v;
}

std::string Printable(const std::string& bytes) {
    std::string out;
    char hex[4];
    for (unsigned char c : bytes) {
        std::snprintf(hex, sizeof hex, "%02x ", c);
        out += hex;
    }
    return out;
}

// One expected value: where below the scratch key, its type and bytes as
// RegQueryValueExA hands them out. Missing: the value must not exist.
struct Expect {
    const char* subkey;
    const char* name;
    DWORD type;
    std::string bytes;
    bool missing = false;
    bool caseless = false;  // texts that hold a path: Windows names ignore case
};

Expect Missing(const char* subkey, const char* name) { return Expect{subkey, name, 0, "", true}; }

void CheckValues(HKEY root, const std::string& base, const std::vector<Expect>& table) {
    for (const Expect& e : table) {
        const std::string path = *e.subkey ? base + "\\" + e.subkey : base;
        const Value v = Read(root, path, e.name);
        ++g_checks;
        bool ok = e.missing ? !v.found
                            : v.found && v.type == e.type && (e.caseless ? SameText(v.bytes, e.bytes) : v.bytes == e.bytes);
        if (!ok) {
            ++g_failures;
            std::printf("FAIL [%s] value %s\\%s: ", g_case, e.subkey, *e.name ? e.name : "@");
            if (e.missing)
                std::printf("should not exist\n");
            else if (!v.found)
                std::printf("missing (want type %lu: %s)\n", static_cast<unsigned long>(e.type),
                            Printable(e.bytes).c_str());
            else
                std::printf("type %lu: %s (want type %lu: %s)\n", static_cast<unsigned long>(v.type),
                            Printable(v.bytes).c_str(), static_cast<unsigned long>(e.type),
                            Printable(e.bytes).c_str());
        }
    }
}

// ---- INF folder ---------------------------------------------------------------

std::string WindowsDirectory() {
    char path[MAX_PATH] = "";
    GetWindowsDirectoryA(path, MAX_PATH);
    return path;
}

void PlaceInf(const std::string& name, const std::string& text) {
#ifdef ORVANE_SIM
    sim::AddInfFile(name, text);
#else
    const std::string path = WindowsDirectory() + "\\inf\\" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
#endif
}

void RemoveInf(const std::string& name) {
#ifdef ORVANE_SIM
    sim::RemoveInfFile(name);
#else
    std::remove((WindowsDirectory() + "\\inf\\" + name).c_str());
#endif
}

struct Inf {
    HINF h = INVALID_HANDLE_VALUE;
    explicit Inf(const char* name, const char* cls = nullptr) {
        h = SetupOpenInfFileA(name, cls, INF_STYLE_WIN4, nullptr);
    }
    ~Inf() {
        if (h != INVALID_HANDLE_VALUE) SetupCloseInfFile(h);
    }
    BOOL Install(const char* section, HKEY root, UINT flags = SPINST_REGISTRY) const {
        return SetupInstallFromInfSectionA(nullptr, h, section, flags, root, nullptr, 0, nullptr, nullptr, nullptr,
                                           nullptr);
    }
};

// ---- Opening --------------------------------------------------------------------

void Opening() {
    g_case = "open";
    UINT line = kUntouched;
    SetLastError(0xdeadbeef);
    HINF h = SetupOpenInfFileA("ORVNONE.INF", nullptr, INF_STYLE_WIN4, &line);
    CHECK(h == INVALID_HANDLE_VALUE);
    CHECK_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    CHECK_EQ(line, kUntouched);

    struct Case {
        const char* name;
        const char* cls;
        bool opens;
    };
    const Case cases[] = {
        {"ORVCONF.INF", nullptr, true},
        {"orvconf.inf", nullptr, true},                  // names compare without regard to case
        {"ORVCONF.INF", "OrvaneTest", true},
        {"ORVCONF.INF", "orvanetest", true},             // so do classes
        {"ORVCONF.INF", "Net", g_wine},                  // Windows: ERROR_CLASS_MISMATCH; Wine ignores the class
        {"NETTRANS.INF", "NetTrans", true},
        {"NETTRANS.INF", "NetService", g_wine},
    };
    for (const Case& c : cases) {
        g_case = c.cls ? c.cls : c.name;
        line = kUntouched;
        SetLastError(0xdeadbeef);
        h = SetupOpenInfFileA(c.name, c.cls, INF_STYLE_WIN4, &line);
        CHECK_EQ(h != INVALID_HANDLE_VALUE, c.opens);
        CHECK_EQ(GetLastError(), c.opens ? 0 : ERROR_CLASS_MISMATCH);
        if (c.opens) CHECK_EQ(line, kUntouched);
        if (h != INVALID_HANDLE_VALUE) SetupCloseInfFile(h);
    }

    g_case = "full path";
    const std::string path = WindowsDirectory() + "\\inf\\ORVCONF.INF";
    h = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    CHECK(h != INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) SetupCloseInfFile(h);
}

// Syntax: what opens and what does not, with the error and its line.
void Syntax() {
    const std::string header = "[Version]\r\nSignature=\"$CHICAGO$\"\r\n";
    const std::string a255(255, 'a');
    struct Case {
        const char* what;
        std::string text;
        DWORD error;
        UINT line;
    };
    const Case cases[] = {
        {"empty", "\r\n", ERROR_WRONG_INF_STYLE, 0},
        {"no signature", "[Version]\r\n", ERROR_WRONG_INF_STYLE, 0},
        {"other signature", "[Version]\nSignature=foo", ERROR_WRONG_INF_STYLE, 0},
        {"substituted signature", "[Version]\r\nSignature=%s%\r\n[Strings]\r\ns=$CHICAGO$\r\n", ERROR_WRONG_INF_STYLE,
         0},
        {"lower case", "[version]\nsignature=$chicago$", 0, 0},
        {"signature fields", "[Version]\nSignature=$chicago$,abcd", 0, 0},
        {"version twice", "[Version]\nabc=def\n[Version]\nSignature=$chicago$", 0, 0},
        {"windows nt", "[Version]\nSignature=\"$Windows NT$\"\n", 0, 0},
        {"windows 95", "[Version]\nSignature=\"$Windows 95$\"\n", 0, 0},
        {"unclosed section", header + "[ab\r\n", ERROR_BAD_SECTION_NAME_LINE, 3},
        {"ctrl-z in section", header + "\n\n[ab\x1a]\n", ERROR_BAD_SECTION_NAME_LINE, 5},
        {"long section", header + "[" + a255 + "a]\r\n", ERROR_SECTION_NAME_TOO_LONG, 3},
        {"longest section", header + "[" + a255 + "]\r\n", 0, 0},
        {"line before sections", "abc\r\n" + header, ERROR_EXPECTED_SECTION_NAME, 1},
        {"comments before it", ";\n;\nabc\r\n" + header, ERROR_EXPECTED_SECTION_NAME, 3},
        {"tolerated with strings", "garbage\n[Strings]\n" + header, 0, 0},
        {"continued lines count", header + "[x]\r\nv=a\\\r\nb\r\n[ab\r\n", ERROR_BAD_SECTION_NAME_LINE, 6},
        {"unclosed quote", header + "[x]\r\nv=\"open\r\n", 0, 0},
        {"after ctrl-z", header + "\x1a[ab\r\n", 0, 0},
        {"utf-8 byte-order mark", "\xEF\xBB\xBF" + header, 0, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        g_case = c.what;
        char name[32];
        std::snprintf(name, sizeof name, "ORVS%02d.INF", n++ % 100);
        PlaceInf(name, c.text);
        UINT line = kUntouched;
        SetLastError(0xdeadbeef);
        HINF h = SetupOpenInfFileA(name, nullptr, INF_STYLE_WIN4, &line);
        CHECK_EQ(h == INVALID_HANDLE_VALUE, c.error != 0);
        CHECK_EQ(GetLastError(), c.error);
        CHECK_EQ(line, c.error ? c.line : kUntouched);
        if (h != INVALID_HANDLE_VALUE) SetupCloseInfFile(h);
        RemoveInf(name);
    }

    // The old style takes a file without a signature, and still says line 0.
    g_case = "old style";
    PlaceInf("ORVSOLD.INF", "[Version]\r\nSignature=foo\r\nClass=OrvaneTest\r\n");
    UINT line = kUntouched;
    HINF h = SetupOpenInfFileA("ORVSOLD.INF", nullptr, INF_STYLE_OLDNT, &line);
    CHECK(h != INVALID_HANDLE_VALUE);
    CHECK_EQ(line, 0);
    if (h != INVALID_HANDLE_VALUE) SetupCloseInfFile(h);
    // A file without a class does not match one asked for.
    g_case = "no class";
    PlaceInf("ORVSCLS.INF", header);
    h = SetupOpenInfFileA("ORVSCLS.INF", "OrvaneTest", INF_STYLE_WIN4, nullptr);
    CHECK_EQ(h != INVALID_HANDLE_VALUE, g_wine);
    if (h != INVALID_HANDLE_VALUE) SetupCloseInfFile(h);
    RemoveInf("ORVSOLD.INF");
    RemoveInf("ORVSCLS.INF");
}

// ---- Installing -----------------------------------------------------------------

std::vector<Expect> TypesTable() {
    const std::string windows = WindowsDirectory();
    return {
        {"", "Sz", REG_SZ, Sz("hello")},
        {"", "SzFlag0", REG_SZ, Sz("hello")},
        {"", "Empty", REG_SZ, Sz("")},
        {"", "NoData", REG_SZ, Sz("")},
        {"", "NoDataNoComma", REG_SZ, Sz("")},
        {"Sub1\\Sub2", "Deep", REG_SZ, Sz("deep")},
        {"KeyOnlySub", "", REG_SZ, Sz("")},
        {"", "", REG_SZ, Sz("defval")},
        {"", "Bin", REG_BINARY, Bytes({1, 2, 0xff})},
        {"", "BinOdd", REG_BINARY, Bytes({1, 0x2a, 0xff, 0, 0})},
        {"", "BinEmpty", REG_BINARY, ""},
        {"", "Dword", REG_DWORD, Dword(0x12345678)},
        {"", "DwordDec", REG_DWORD, Dword(300)},
        {"", "DwordOctal", REG_DWORD, Dword(8)},
        {"", "DwordNeg", REG_DWORD, Dword(0xFFFFFFFF)},
        {"", "DwordBig", REG_DWORD, Dword(0xFFFFFFFF)},
        {"", "DwordBytes", REG_DWORD, Bytes({1, 2, 3, 4})},
        {"", "DwordEmpty", REG_DWORD, ""},
        {"", "DwordText", REG_DWORD, Dword(0)},
        {"", "DwordTail", REG_DWORD, Dword(12)},
        {"", "Multi", REG_MULTI_SZ, List({"a", "b", "c"})},
        {"", "MultiStop", REG_MULTI_SZ, List({"a"})},
        {"", "MultiEmpty", REG_MULTI_SZ, Sz("")},
        {"", "MultiOneEmpty", REG_MULTI_SZ, Sz("")},
        {"", "Expand", REG_EXPAND_SZ, Sz("%SystemRoot%\\x")},
        {"", "None", REG_NONE, Bytes({1, 2})},
        {"", "Number", REG_SZ, Sz("123")},
        {"", "Quoted", REG_SZ, Sz("a,b;c")},
        {"", "Spaces", REG_SZ, Sz("spaced text")},
        {"", "Inner", REG_SZ, Sz("a  b  c")},
        {"", "TwoFields", REG_SZ, Sz("first")},
        {"", "Cont", REG_SZ, Sz("part1more")},
        {"", "Cont2", REG_SZ, Sz("part1part2")},
        {"", "ContComment", REG_SZ, Sz("part1part2")},
        {"", "Backslash", REG_SZ, Sz("a\\b\\\\c")},
        {"", "Subst", REG_SZ, Sz("Conformance text")},
        {"", "SubstQuoted", REG_SZ, Sz("in \"quotes\"")},
        {"", "SubstNested", REG_SZ, Sz("%Desc%")},
        {"", "SubstSpaced", REG_SZ, Sz("spaced value")},
        {"", "SubstCase", REG_SZ, Sz("Conformance text")},
        {"", "Pct", REG_SZ, Sz("100%")},
        {"", "Unknown", REG_SZ, Sz("%nosuch%")},
        {"", "Lone", REG_SZ, Sz("50%")},
        {"", "Mixed", REG_SZ, Sz("preConformance textpost")},
        {"", "InQuotes", REG_SZ, Sz("xConformance texty")},
        {"", "Dir10", REG_SZ, Sz(windows), false, true},
        {"", "Dir17", REG_SZ, Sz(windows + "\\inf\\x"), false, true},
        {"", "Dir24", REG_SZ, Sz(windows.substr(0, 2) + "\\root"), false, true},
        {"", "Comment", REG_SZ, Sz("value")},
        {"", "Tab", REG_SZ, Sz("tabbed")},
        {"", "HexFlags", REG_DWORD, Dword(8)},
        {"", "LowerRoot", REG_SZ, Sz("y")},
        {"Named", "SubstKey", REG_SZ, Sz("z")},
        {"", "Named", REG_SZ, Sz("named")},
        Missing("", "KeyOnlyFlag"),
        Missing("KeyOnly2", "Ignored"),
        {"", "Twice", REG_SZ, Sz("second")},
        {"", "BadFlags", REG_SZ, Sz("text")},
    };
}

void Types() {
    g_case = "types";
    Inf inf("ORVCONF.INF");
    CHECK(inf.h != INVALID_HANDLE_VALUE);
    const std::string base = std::string(kBase) + "\\Types";
    HKEY root = CreateKey(base);
    CHECK_LAST_ERROR(inf.Install("Conf.Types", root), 0);
    RegCloseKey(root);
    CheckValues(HKEY_CURRENT_USER, base, TypesTable());
    CHECK(KeyExists(HKEY_CURRENT_USER, base + "\\KeyOnly2"));
    // Only the short names of the roots count; other roots are passed over.
    const std::string abs = std::string(kBase) + "\\Abs";
    CheckValues(HKEY_CURRENT_USER, abs, {Missing("", "Long"), Missing("", "Bogus")});
}

void Flags() {
    g_case = "flags";
    Inf inf("ORVCONF.INF");
    const std::string base = std::string(kBase) + "\\Flags";
    HKEY root = CreateKey(base);
    Seed(root, "NoClobber", REG_SZ, Sz("old"));
    Seed(root, "AppendMulti", REG_MULTI_SZ, List({"a", "b"}));
    Seed(root, "AppendDup", REG_MULTI_SZ, List({"a", "b"}));
    Seed(root, "AppendTwo", REG_MULTI_SZ, List({"a"}));
    Seed(root, "AppendToSz", REG_SZ, Sz("plain"));
    Seed(root, "OverwriteOnly", REG_SZ, Sz("old"));
    Seed(root, "DelVal", REG_SZ, Sz("old"));
    Seed(root, "ChangeType", REG_SZ, Sz("text"));
    Seed(root, "NoClobberDword", REG_SZ, Sz("keep"));
    Seed(root, "SkippedDel", REG_SZ, Sz("keep"));
    CHECK(inf.Install("Conf.Flags", root));
    RegCloseKey(root);
    CheckValues(HKEY_CURRENT_USER, base,
                {
                    {"", "NoClobber", REG_SZ, Sz("old")},
                    {"", "NoClobberNew", REG_SZ, Sz("new")},
                    {"", "AppendMulti", REG_MULTI_SZ, List({"a", "b", "x"})},
                    {"", "AppendDup", REG_MULTI_SZ, List({"a", "b"})},
                    {"", "AppendTwo", REG_MULTI_SZ, List({"a", "y", "z"})},
                    Missing("", "AppendMissing"),
                    {"", "AppendToSz", REG_SZ, Sz("plain")},
                    {"", "OverwriteOnly", REG_SZ, Sz("new")},
                    Missing("", "OverwriteOnlyMissing"),
                    Missing("", "DelVal"),
                    {"", "ChangeType", REG_DWORD, Dword(5)},
                    {"", "NoClobberDword", REG_SZ, Sz("keep")},
                    {"", "SkippedDel", REG_SZ, Sz("keep")},
                });
    CHECK(!KeyExists(HKEY_CURRENT_USER, base + "\\Missing"));
}

void Deletion() {
    g_case = "delreg";
    Inf inf("ORVCONF.INF");
    const std::string base = std::string(kBase) + "\\Del";
    HKEY root = CreateKey(base);
    Seed(root, "DelMe", REG_SZ, Sz("x"));
    Seed(root, "Keep", REG_SZ, Sz("x"));
    Seed(root, "ListDel", REG_MULTI_SZ, List({"a", "B", "c", "b"}));
    Seed(root, "DelIgnored", REG_SZ, Sz("x"));
    HKEY child = CreateKey(base + "\\DelKey\\Child");
    Seed(child, "x", REG_SZ, Sz("y"));
    RegCloseKey(child);
    HKEY sub = CreateKey(base + "\\DelSub");
    Seed(sub, "DelVal2", REG_SZ, Sz("x"));
    Seed(sub, "Other", REG_SZ, Sz("x"));
    RegCloseKey(sub);
    HKEY flag = CreateKey(base + "\\DelFlag");
    Seed(flag, "DelVal3", REG_SZ, Sz("x"));
    RegCloseKey(flag);

    CHECK(inf.Install("Conf.Del", root));
    RegCloseKey(root);
    CheckValues(HKEY_CURRENT_USER, base,
                {
                    Missing("", "DelMe"),
                    {"", "Keep", REG_SZ, Sz("x")},
                    Missing("DelSub", "DelVal2"),
                    {"DelSub", "Other", REG_SZ, Sz("x")},
                    Missing("DelFlag", "DelVal3"),
                    // A DelReg line with flags but without FLG_ADDREG_DELREG_BIT is passed over.
                    {"", "DelIgnored", REG_SZ, Sz("x")},
                });
    CHECK(!KeyExists(HKEY_CURRENT_USER, base + "\\DelKey"));
    CHECK(KeyExists(HKEY_CURRENT_USER, base + "\\DelFlag"));
    CHECK(!KeyExists(HKEY_CURRENT_USER, base + "\\NoSuchKey"));
    // FLG_DELREG_MULTI_SZ_DELSTRING takes every copy of the string out of the
    // list, in any case, as documented. Wine 8 stores the shortened list with
    // a character count as its byte count, cutting it: only its type is
    // checked there.
    if (g_wine) {
        const Value list = Read(HKEY_CURRENT_USER, base, "ListDel");
        CHECK(list.found && list.type == REG_MULTI_SZ);
    } else {
        CheckValues(HKEY_CURRENT_USER, base, {{"", "ListDel", REG_MULTI_SZ, List({"a", "c"})}});
    }
}

void RootsAndSections() {
    Inf inf("ORVCONF.INF");
    const std::string abs = std::string(kBase) + "\\Abs";

    // Without a relative root the HKR lines are passed over.
    g_case = "absolute roots";
    CHECK_LAST_ERROR(inf.Install("Conf.Abs", nullptr), 0);
    CheckValues(HKEY_CURRENT_USER, abs,
                {{"", "Val", REG_SZ, Sz("abs")}, {"", "After", REG_SZ, Sz("after")}, Missing("", "NullRootValue")});

    const std::string base = std::string(kBase) + "\\Sections";
    HKEY root = CreateKey(base);

    g_case = "order";  // DelReg first, then AddReg
    CHECK(inf.Install("Conf.Order", root));
    CheckValues(HKEY_CURRENT_USER, base, {{"Order", "V", REG_SZ, Sz("added")}});

    g_case = "lists";
    CHECK(inf.Install("Conf.Two", root));
    CheckValues(HKEY_CURRENT_USER, base,
                {{"Two", "A", REG_SZ, Sz("a")}, {"Two", "B", REG_SZ, Sz("b")}, {"Two", "C", REG_SZ, Sz("c")}});

    g_case = "section twice";
    CHECK(inf.Install("conf.dup", root));
    CheckValues(HKEY_CURRENT_USER, base, {{"Dup", "V", REG_SZ, Sz("first")}, {"Dup", "W", REG_SZ, Sz("second")}});

    // Sections that are missing or empty install nothing and succeed, as
    // Wine answers; no Windows documentation says otherwise.
    for (const char* section : {"Conf.MissingTarget", "Conf.Empty", "Conf.NoSuchSection"}) {
        g_case = section;
        CHECK_LAST_ERROR(inf.Install(section, root), 0);
    }

    g_case = "no registry flag";
    const std::string plain = std::string(kBase) + "\\NoRegistry";
    HKEY other = CreateKey(plain);
    CHECK(inf.Install("Conf.Types", other, SPINST_INIFILES));
    DWORD values = 99, subkeys = 99;
    RegQueryInfoKeyA(other, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    CHECK_EQ(values, 0);
    CHECK_EQ(subkeys, 0);
    RegCloseKey(other);
    RegCloseKey(root);
}

// ---- NETTRANS.INF ---------------------------------------------------------------

void NetTrans() {
    g_case = "NETTRANS.INF";
    const bool vnbtBefore = KeyExists(HKEY_LOCAL_MACHINE, kVnbt);
    Inf inf("NETTRANS.INF", "NetTrans");
    CHECK(inf.h != INVALID_HANDLE_VALUE);
    const std::string base = std::string(kBase) + "\\NetTrans";

    g_case = "TCP/IP instance";
    HKEY tcp = CreateKey(base + "\\0000");
    for (const char* section : {"MSTCP.install", "MSTCP.ndi", "MSTCP.VnbtOff.Install"}) CHECK(inf.Install(section, tcp));
    RegCloseKey(tcp);
    CheckValues(HKEY_CURRENT_USER, base + "\\0000",
                {
                    {"", "DriverDesc", REG_SZ, Sz("TCP/IP")},
                    {"", "InfPath", REG_SZ, Sz("NETTRANS.INF")},
                    {"", "InfSection", REG_SZ, Sz("MSTCP.ndi")},
                    {"", "DevLoader", REG_SZ, Sz("*ndis")},
                    {"", "DeviceVxDs", REG_SZ, Sz("vtdi.386,vip.386,vtcp.386,vdhcp.386")},
                    {"", "IPAddress", REG_SZ, Sz("0.0.0.0")},
                    {"", "IPMask", REG_SZ, Sz("0.0.0.0")},
                    Missing("", "NameServer1"),
                    Missing("", "NameServer2"),
                    Missing("", "NodeType"),
                    Missing("", "DefaultGateway"),
                    {"Ndi", "DeviceID", REG_SZ, Sz("MSTCP")},
                    {"Ndi", "InstallInf", REG_SZ, Sz("")},
                    {"Ndi\\Interfaces", "DefUpper", REG_SZ, Sz("MSTCP")},
                    {"Ndi\\Interfaces", "DefLower", REG_SZ, Sz("ndis3")},
                    {"Ndi\\Interfaces", "UpperRange", REG_SZ, Sz("MSTCP")},
                    {"Ndi\\Interfaces", "LowerRange", REG_SZ, Sz("ndis3")},
                    {"Ndi\\Install", "", REG_SZ, Sz("MSTCP.install")},
                    {"Ndi\\Remove", "", REG_SZ, Sz("MSTCP.Remove")},
                });
    const Value help = Read(HKEY_CURRENT_USER, base + "\\0000\\Ndi", "HelpText");
    CHECK(help.found && help.type == REG_SZ && help.bytes.size() > 20);
    CheckValues(HKEY_LOCAL_MACHINE, kVnbt,
                {{"", "StaticVxD", REG_SZ, Sz("vnbt.386")}, {"", "Start", REG_BINARY, Bytes({0})}});

    g_case = "NetBEUI instance";
    HKEY netbeui = CreateKey(base + "\\0001");
    for (const char* section : {"NETBEUI.Install", "NETBEUI.ndi"}) CHECK(inf.Install(section, netbeui));
    RegCloseKey(netbeui);
    CheckValues(HKEY_CURRENT_USER, base + "\\0001",
                {
                    {"", "DriverDesc", REG_SZ, Sz("NetBEUI")},
                    {"", "InfPath", REG_SZ, Sz("NETTRANS.INF")},
                    {"", "InfSection", REG_SZ, Sz("NETBEUI.ndi")},
                    {"", "DevLoader", REG_SZ, Sz("*ndis")},
                    {"", "DeviceVxDs", REG_SZ, Sz("netbeui.vxd")},
                    {"", "MaxSessions", REG_SZ, Sz("10")},
                    Missing("", "IPAddress"),
                    {"Ndi", "DeviceID", REG_SZ, Sz("NETBEUI")},
                    {"Ndi\\Interfaces", "DefUpper", REG_SZ, Sz("netbios")},
                    {"Ndi\\Interfaces", "LowerRange", REG_SZ, Sz("ndis3")},
                    {"Ndi\\Install", "", REG_SZ, Sz("NETBEUI.Install")},
                    {"Ndi\\Params\\MaxSessions", "default", REG_SZ, Sz("10")},
                    {"Ndi\\Params\\MaxSessions", "type", REG_SZ, Sz("int")},
                });

    g_case = "NetBEUI setting kept";
    HKEY again = CreateKey(base + "\\0002");
    Seed(again, "MaxSessions", REG_SZ, Sz("4"));
    CHECK(inf.Install("NETBEUI.ndi", again));
    RegCloseKey(again);
    CheckValues(HKEY_CURRENT_USER, base + "\\0002", {{"", "MaxSessions", REG_SZ, Sz("4")}});

    if (!vnbtBefore) DeleteTree(HKEY_LOCAL_MACHINE, kVnbt);
}

int RunAll() {
    StartRun();
    DeleteTree(HKEY_CURRENT_USER, kBase);
    Opening();
    Syntax();
    Types();
    Flags();
    Deletion();
    RootsAndSections();
    NetTrans();
    DeleteTree(HKEY_CURRENT_USER, kBase);
    return CheckReport();
}

}  // namespace

int main(int argc, char** argv) {
    if (!StartSim(argc, argv, "win98", "win98|nt4|win2000")) return 2;
#ifdef ORVANE_SIM
    std::ifstream in(ORVANE_CONFORMANCE_INF, std::ios::binary);
    if (!in) {
        std::printf("cannot read %s\n", ORVANE_CONFORMANCE_INF);
        return 2;
    }
    sim::AddInfFile("ORVCONF.INF", std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
#endif
    return RunAll();
}
