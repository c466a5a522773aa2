// The registry behaviour the library relies on, checked against any
// implementation of the Reg* functions: natively against the simulated
// platform, and as a Windows program under Wine in each platform mode.
// Where the two disagree the simulation is wrong.
//
// Plain C++ with the small harness of tests/CheckHarness.h, so the same file builds with
// mingw-w64 for Windows.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../CheckHarness.h"

namespace {

bool g_nt = false;

const char kBase[] = "Software\\OrvaneConformance";

struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h) RegCloseKey(h);
    }
};

LONG Create(HKEY root, const char* path, HKEY* out) {
    DWORD disposition = 0;
    return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, out,
                           &disposition);
}

LONG SetText(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1));
}

// The scratch key, new and empty; opened again with every right into `open`.
void Fresh(Key* open = nullptr) {
    DeleteTree(HKEY_CURRENT_USER, kBase);
    HKEY k = nullptr;
    Create(HKEY_CURRENT_USER, kBase, &k);
    if (k) RegCloseKey(k);
    if (open) CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_ALL_ACCESS, &open->h), ERROR_SUCCESS);
}

void OpeningAndMissingKeys() {
    g_case = "open";
    Fresh();
    Key k;
    CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\OrvaneConformance\\Missing", 0, KEY_READ, &k.h),
             ERROR_FILE_NOT_FOUND);
    CHECK(k.h == nullptr);
    CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_READ, &k.h), ERROR_SUCCESS);
    // Names compare without regard to case.
    Key upper;
    CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\ORVANECONFORMANCE", 0, KEY_READ, &upper.h), ERROR_SUCCESS);
    Key deep;
    CHECK_EQ(Create(HKEY_CURRENT_USER, "Software\\OrvaneConformance\\One\\Two\\Three", &deep.h), ERROR_SUCCESS);
    Key again;
    DWORD disposition = 0;
    CHECK_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\OrvaneConformance\\one\\TWO\\three", 0, nullptr, 0,
                             KEY_WRITE, nullptr, &again.h, &disposition),
             ERROR_SUCCESS);
    CHECK_EQ(disposition, REG_OPENED_EXISTING_KEY);
    CHECK_EQ(RegCloseKey(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x12345678))), ERROR_INVALID_HANDLE);
}

void QuerySizes() {
    g_case = "query sizes";
    Key k;
    Fresh(&k);
    CHECK_EQ(SetText(k.h, "Text", "hello"), ERROR_SUCCESS);
    DWORD type = 0xdeadbeef, size = 0;
    CHECK_EQ(RegQueryValueExA(k.h, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    CHECK_EQ(type, REG_SZ);
    CHECK_EQ(size, 6);
    char buffer[16];
    std::memset(buffer, 'Q', sizeof buffer);
    size = 3;
    CHECK_EQ(RegQueryValueExA(k.h, "Text", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size), ERROR_MORE_DATA);
    CHECK_EQ(size, 6);
    size = 6;
    CHECK_EQ(RegQueryValueExA(k.h, "Text", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
    CHECK(std::strcmp(buffer, "hello") == 0);
    CHECK_EQ(buffer[6], 'Q');  // nothing written past the value
    CHECK_EQ(RegQueryValueExA(k.h, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    CHECK_EQ(RegQueryValueExA(k.h, "tEXT", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);

    const DWORD number = 0x11223344;
    CHECK_EQ(RegSetValueExA(k.h, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
    DWORD back = 0;
    size = 4;
    CHECK_EQ(RegQueryValueExA(k.h, "Number", nullptr, &type, reinterpret_cast<BYTE*>(&back), &size), ERROR_SUCCESS);
    CHECK_EQ(back, 0x11223344);
    CHECK_EQ(type, REG_DWORD);

    // Binary, empty and the default value.
    CHECK_EQ(RegSetValueExA(k.h, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    size = 99;
    CHECK_EQ(RegQueryValueExA(k.h, "Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    CHECK_EQ(size, 0);
    CHECK_EQ(type, REG_BINARY);
    CHECK_EQ(SetText(k.h, "", "default"), ERROR_SUCCESS);
    size = sizeof buffer;
    CHECK_EQ(RegQueryValueExA(k.h, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
    CHECK(std::strcmp(buffer, "default") == 0);
}

void TypesRoundTrip() {
    g_case = "types";
    Key k;
    Fresh(&k);
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
    };
    const Case cases[] = {
        {"multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6)},
        {"emptymulti", REG_MULTI_SZ, std::string("\0\0", 2)},
        {"bigendian", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\1", 4)},
        {"none", REG_NONE, std::string()},
        {"expand", REG_EXPAND_SZ, std::string("%WINDIR%\\x\0", 11)},
        {"binary", REG_BINARY, std::string("\1\2\3", 3)},
        {"shortdword", REG_DWORD, std::string("\1\2", 2)},
    };
    for (const Case& c : cases) {
        g_case = c.name;
        CHECK_EQ(RegSetValueExA(k.h, c.name, 0, c.type, reinterpret_cast<const BYTE*>(c.bytes.data()),
                                static_cast<DWORD>(c.bytes.size())),
                 ERROR_SUCCESS);
        BYTE buffer[32];
        DWORD size = sizeof buffer, type = 0;
        CHECK_EQ(RegQueryValueExA(k.h, c.name, nullptr, &type, buffer, &size), ERROR_SUCCESS);
        CHECK_EQ(type, c.type);
        CHECK_EQ(size, c.bytes.size());
        CHECK(std::memcmp(buffer, c.bytes.data(), c.bytes.size()) == 0);
    }
}

std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> out;
    char name[64];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) out.push_back(name);
    return out;
}

std::vector<std::string> ValueNames(HKEY key) {
    std::vector<std::string> out;
    for (DWORD i = 0;; ++i) {
        char name[64];
        DWORD n = sizeof name;
        if (RegEnumValueA(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        CHECK_EQ(n, std::strlen(name));
        out.push_back(name);
    }
    return out;
}

DWORD IndexOf(const std::vector<std::string>& names, const char* name) {
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<DWORD>(i);
    return 0xFFFFFFFF;
}

// Windows NT keeps a key's subkeys sorted, comparing names upper-cased ("A"
// before "_x"); Windows 95/98 keeps them in the order they were created;
// both keep values in creation order, a value set again in its place.
// Wine sorts subkeys and values alike, comparing names lower-cased ("_x"
// before "A"): a difference of Wine, so under Wine these checks expect
// Wine's order.
void EnumerationOrder() {
    g_case = g_wine ? "enumeration (Wine sorts subkeys and values)" : "enumeration";
    Key k;
    Fresh(&k);
    for (const char* name : {"b", "_x", "A", "C", "b2"}) {
        Key sub;
        CHECK_EQ(Create(k.h, name, &sub.h), ERROR_SUCCESS);
    }
    typedef std::vector<std::string> Names;
    const Names created = SubkeyNames(k.h);
    CHECK((created == (g_wine ? Names{"_x", "A", "b", "b2", "C"}
                       : g_nt ? Names{"A", "b", "b2", "C", "_x"}
                              : Names{"b", "_x", "A", "C", "b2"})));
    // A later key goes where its name sorts on NT, last on Windows 95/98.
    {
        Key sub;
        CHECK_EQ(Create(k.h, "B1", &sub.h), ERROR_SUCCESS);
    }
    const Names keys = SubkeyNames(k.h);
    CHECK((keys == (g_wine ? Names{"_x", "A", "b", "B1", "b2", "C"}
                    : g_nt ? Names{"A", "b", "B1", "b2", "C", "_x"}
                           : Names{"b", "_x", "A", "C", "b2", "B1"})));
    char name[64];
    CHECK_EQ(RegEnumKeyA(k.h, 6, name, sizeof name), ERROR_NO_MORE_ITEMS);
    CHECK_EQ(RegEnumKeyA(k.h, 1, name, 1), ERROR_MORE_DATA);
    DWORD nameSize = sizeof name;
    CHECK_EQ(RegEnumKeyExA(k.h, IndexOf(keys, "b2"), name, &nameSize, nullptr, nullptr, nullptr, nullptr),
             ERROR_SUCCESS);
    CHECK_EQ(nameSize, 2);

    for (const char* value : {"zeta", "Alpha", "mid", "_under"}) CHECK_EQ(SetText(k.h, value, "v"), ERROR_SUCCESS);
    CHECK_EQ(SetText(k.h, "ZETA", "longer value"), ERROR_SUCCESS);  // the same value, whatever the case
    CHECK((ValueNames(k.h) == (g_wine ? Names{"_under", "Alpha", "mid", "zeta"}
                                      : Names{"zeta", "Alpha", "mid", "_under"})));
    // Deleted and set again, a value is a new one: last on Windows.
    CHECK_EQ(RegDeleteValueA(k.h, "Alpha"), ERROR_SUCCESS);
    CHECK_EQ(SetText(k.h, "alpha", "v"), ERROR_SUCCESS);
    const Names values = ValueNames(k.h);
    CHECK((values == (g_wine ? Names{"_under", "alpha", "mid", "zeta"} : Names{"zeta", "mid", "_under", "alpha"})));

    // Too small a data buffer: the true size comes back, the name is not
    // handed out.
    const DWORD zeta = IndexOf(values, "zeta");
    BYTE data[4];
    DWORD n = sizeof name, size = sizeof data, type = 0;
    std::memset(name, 'Q', sizeof name);
    CHECK_EQ(RegEnumValueA(k.h, zeta, name, &n, nullptr, &type, data, &size), ERROR_MORE_DATA);
    CHECK_EQ(size, 13);
    CHECK_EQ(n, sizeof name);
    // Too small a name buffer: the data size still comes back.
    n = 2;
    size = sizeof data;
    CHECK_EQ(RegEnumValueA(k.h, zeta, name, &n, nullptr, &type, nullptr, &size), ERROR_MORE_DATA);
    CHECK_EQ(size, 13);
    n = sizeof name;
    CHECK_EQ(RegEnumValueA(k.h, 4, name, &n, nullptr, &type, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    DWORD subkeys = 0, maxSub = 0, count = 0, maxName = 0, maxData = 0;
    CHECK_EQ(RegQueryInfoKeyA(k.h, nullptr, nullptr, nullptr, &subkeys, &maxSub, nullptr, &count, &maxName, &maxData,
                              nullptr, nullptr),
             ERROR_SUCCESS);
    CHECK_EQ(subkeys, 6);
    CHECK_EQ(maxSub, 2);
    CHECK_EQ(count, 4);
    CHECK_EQ(maxName, 6);
    // The longest value is counted as stored, strings in UTF-16.
    CHECK_EQ(maxData, 26);
}

// What the ANSI function stores for a text, as each mode keeps it: NT
// completes a text, expandable text or list that lacks its terminator;
// Windows 95/98 keeps a REG_SZ up to its first NUL plus the NUL whatever
// the count (so an empty text is one NUL byte) and other types as given.
// Reading a text stored without its terminator puts one after it in the
// caller's buffer when there is room, not counted in the size.
void StoredTexts() {
    g_case = "stored texts";
    Key k;
    Fresh(&k);
    struct Case {
        const char* name;
        DWORD type;
        const char* data;
        DWORD size;
        DWORD nt, win98;  // bytes stored
    };
    const Case cases[] = {
        {"abc", REG_SZ, "abc", 3, 4, 4},
        {"empty", REG_SZ, "", 0, 0, 1},
        {"embedded", REG_SZ, "ab\0cd\0", 6, 6, 3},
        {"expand", REG_EXPAND_SZ, "abc", 3, 4, 3},
        {"list", REG_MULTI_SZ, "a\0b", 3, 4, 3},
    };
    for (const Case& c : cases)
        CHECK_EQ(RegSetValueExA(k.h, c.name, 0, c.type, reinterpret_cast<const BYTE*>(c.data), c.size), ERROR_SUCCESS);
    const std::vector<std::string> names = ValueNames(k.h);
    for (const Case& c : cases) {
        const DWORD stored = g_nt ? c.nt : c.win98;
        for (int enumerate = 0; enumerate < 2; ++enumerate) {
            g_case = c.name;
            char buffer[8];
            std::memset(buffer, 'Q', sizeof buffer);
            DWORD size = sizeof buffer, type = 0;
            char name[16];
            DWORD n = sizeof name;
            CHECK_EQ(enumerate ? RegEnumValueA(k.h, IndexOf(names, c.name), name, &n, nullptr, &type,
                                               reinterpret_cast<BYTE*>(buffer), &size)
                               : RegQueryValueExA(k.h, c.name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
                     ERROR_SUCCESS);
            CHECK_EQ(size, stored);
            const DWORD kept = stored < c.size ? stored : c.size;
            CHECK(std::memcmp(buffer, c.data, kept) == 0);
            const bool terminated = stored && buffer[stored - 1] == 0;
            if (stored > c.size || (stored && stored < c.size)) CHECK(terminated);
            // Past the value only the terminator it lacked, nothing else.
            CHECK_EQ(buffer[stored], stored && !terminated ? 0 : 'Q');
            CHECK_EQ(buffer[stored + 1], 'Q');
        }
    }
    g_case = "no text";
    CHECK_EQ(RegSetValueExA(k.h, "none", 0, REG_SZ, nullptr, 0), g_nt ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER);
}

// RegQueryInfoKeyA counts the longest value as the queries hand it out
// (texts in UTF-16 bytes), so a walk whose buffer has that size reads
// every value, the empty text of Windows 95/98 included.
void WalkSizedByKeyInformation() {
    g_case = "walk sized by the key information";
    Fresh();
    Key k;
    CHECK_EQ(Create(HKEY_CURRENT_USER, "Software\\OrvaneConformance\\Empty", &k.h), ERROR_SUCCESS);
    CHECK_EQ(RegSetValueExA(k.h, "empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 0), ERROR_SUCCESS);
    DWORD count = 0, maxData = 99;
    CHECK_EQ(RegQueryInfoKeyA(k.h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, &maxData,
                              nullptr, nullptr),
             ERROR_SUCCESS);
    CHECK_EQ(count, 1);
    CHECK_EQ(maxData, g_nt ? 0 : 2);
    const DWORD number = 7;
    CHECK_EQ(RegSetValueExA(k.h, "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
    CHECK_EQ(RegSetValueExA(k.h, "bin", 0, REG_BINARY, reinterpret_cast<const BYTE*>("12345"), 5), ERROR_SUCCESS);
    CHECK_EQ(RegQueryInfoKeyA(k.h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, &maxData,
                              nullptr, nullptr),
             ERROR_SUCCESS);
    CHECK_EQ(count, 3);
    std::vector<BYTE> data(maxData + 1);
    for (DWORD i = 0; i < count; ++i) {
        char name[16];
        DWORD n = sizeof name, size = maxData;
        CHECK_EQ(RegEnumValueA(k.h, i, name, &n, nullptr, nullptr, data.data(), &size), ERROR_SUCCESS);
        CHECK(size <= maxData);
    }
}

// A tree whose key has several subkeys, as a protocol's driver instance
// has (Ndi\Install, Ndi\Interfaces, Ndi\Remove). Windows 95/98 deletes it
// in one call. Wine 8 in that mode does not: it answers an error and leaves
// part of the tree (measured here; the library deletes such trees leaves
// first).
void TreeWithSiblingsDeletion(HKEY base) {
    const char* const parts[] = {"Tree\\Ndi\\Inst", "Tree\\Ndi\\Interfaces", "Tree\\Ndi\\Remove"};
    for (const char* part : parts) {
        Key key;
        CHECK_EQ(Create(base, part, &key.h), ERROR_SUCCESS);
    }
    const LONG rc = RegDeleteKeyA(base, "Tree");
    Key probe;
    const bool gone = RegOpenKeyExA(base, "Tree", 0, KEY_READ, &probe.h) != ERROR_SUCCESS;
    if (g_wine) {
        g_case = "deletion (Wine stops at a longer subkey name)";
        CHECK(rc != ERROR_SUCCESS);
        CHECK(!gone);
        DeleteTree(base, "Tree");
    } else {
        CHECK_EQ(rc, ERROR_SUCCESS);
        CHECK(gone);
    }
    g_case = "deletion";
}

void Deletion() {
    g_case = "deletion";
    Key k;
    Fresh(&k);
    Key child;
    CHECK_EQ(Create(k.h, "Parent\\Child", &child.h), ERROR_SUCCESS);
    CHECK_EQ(RegDeleteValueA(k.h, "Missing"), ERROR_FILE_NOT_FOUND);
    CHECK_EQ(RegDeleteKeyA(k.h, "Missing"), ERROR_FILE_NOT_FOUND);
    const LONG rc = RegDeleteKeyA(k.h, "Parent");
    Key probe;
    const bool gone = RegOpenKeyExA(k.h, "Parent", 0, KEY_READ, &probe.h) != ERROR_SUCCESS;
    if (g_nt) {
        // NT deletes one key at a time and refuses one with subkeys.
        CHECK_EQ(rc, ERROR_ACCESS_DENIED);
        CHECK(!gone);
    } else {
        // Windows 95/98 deletes the whole tree.
        CHECK_EQ(rc, ERROR_SUCCESS);
        CHECK(gone);
    }
    // A handle to a deleted key reports it.
    if (!gone) {
        CHECK_EQ(RegDeleteKeyA(k.h, "Parent\\Child"), ERROR_SUCCESS);
        CHECK_EQ(RegDeleteKeyA(k.h, "Parent"), ERROR_SUCCESS);
    }
    DWORD size = 0;
    CHECK_EQ(RegQueryValueExA(child.h, "x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    if (!g_nt) TreeWithSiblingsDeletion(k.h);
}

// Windows refuses a key more than 512 levels below its root ("The
// parameter is incorrect"; real Windows counts from \REGISTRY, so below
// HKEY_CURRENT_USER it refuses a few levels sooner). Wine has no limit: a
// difference of Wine.
void DepthLimit() {
    g_case = g_wine ? "depth (Wine has no limit)" : "depth";
    Fresh();
    HKEY key = nullptr;
    CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    int depth = 2;  // Software\OrvaneConformance
    LONG rc = ERROR_SUCCESS;
    while (key && depth < 513) {
        HKEY child = nullptr;
        rc = Create(key, "d", &child);
        if (rc != ERROR_SUCCESS) break;
        RegCloseKey(key);
        key = child;
        ++depth;
    }
    if (key) RegCloseKey(key);
    if (g_wine) {
        CHECK_EQ(rc, ERROR_SUCCESS);
        CHECK_EQ(depth, 513);
    } else {
        CHECK_EQ(rc, ERROR_INVALID_PARAMETER);
#ifdef ORVANE_SIM
        CHECK_EQ(depth, 512);
#endif
    }
    DeleteTree(HKEY_CURRENT_USER, kBase);
}

void AccessRights() {
    g_case = "access";
    Fresh();
    Key readOnly;
    CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_READ, &readOnly.h), ERROR_SUCCESS);
    // Windows 95/98 has no key security: the rights asked for do not count.
    CHECK_EQ(SetText(readOnly.h, "x", "y"), g_nt ? ERROR_ACCESS_DENIED : ERROR_SUCCESS);
    // Nor for a deletion (a protocol removal deletes its binding value
    // through the Bindings key it opened for reading).
    Key writable;
    CHECK_EQ(Create(HKEY_CURRENT_USER, kBase, &writable.h), ERROR_SUCCESS);
    CHECK_EQ(SetText(writable.h, "binding", ""), ERROR_SUCCESS);
    CHECK_EQ(RegDeleteValueA(readOnly.h, "binding"), g_nt ? ERROR_ACCESS_DENIED : ERROR_SUCCESS);
    CHECK_EQ(RegQueryValueExA(writable.h, "binding", nullptr, nullptr, nullptr, nullptr),
             g_nt ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
}

void CurrentConfig() {
    g_case = "current config";
    Key k;
    CHECK_EQ(Create(HKEY_CURRENT_CONFIG, "Enum\\OrvaneConformance", &k.h), ERROR_SUCCESS);
    const BYTE flags[4] = {1, 0, 0, 0};
    CHECK_EQ(RegSetValueExA(k.h, "CSConfigFlags", 0, REG_BINARY, flags, 4), ERROR_SUCCESS);
    BYTE back[4] = {0, 0, 0, 0};
    DWORD size = 4, type = 0;
    CHECK_EQ(RegQueryValueExA(k.h, "CSConfigFlags", nullptr, &type, back, &size), ERROR_SUCCESS);
    CHECK_EQ(back[0], 1);
    RegCloseKey(k.h);
    k.h = nullptr;
    DeleteTree(HKEY_CURRENT_CONFIG, "Enum\\OrvaneConformance");
    Key gone;
    CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_CONFIG, "Enum\\OrvaneConformance", 0, KEY_READ, &gone.h),
             ERROR_FILE_NOT_FOUND);
}

int RunAll() {
    g_nt = StartRun().dwPlatformId == VER_PLATFORM_WIN32_NT;
    OpeningAndMissingKeys();
    QuerySizes();
    TypesRoundTrip();
    EnumerationOrder();
    StoredTexts();
    WalkSizedByKeyInformation();
    Deletion();
    DepthLimit();
    AccessRights();
    CurrentConfig();
    DeleteTree(HKEY_CURRENT_USER, kBase);
    return CheckReport();
}

}  // namespace

int main(int argc, char** argv) {
    if (!StartSim(argc, argv, "win98", "win98|nt4|win2000")) return 2;
    return RunAll();
}
