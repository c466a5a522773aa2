// The in-memory registry of the simulated machine: the model behind the
// Reg* functions and the .reg import/export.
//
// Order is the machine's: values in the order they were created (a value
// set again keeps its place, a new one goes last); subkeys where the
// platform mode puts a new one (SubkeyPlacement). Lookups go through each
// list's name index, and nothing walks a tree by recursion: trees are at
// most kMaxDepth levels deep, and teardown, export, copies and diffs use
// explicit stacks.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "NamedList.h"
#include "sim/control.h"

namespace sim::hive {

// Windows refuses keys more than 512 levels below a root.
constexpr unsigned kMaxDepth = 512;

// Where a new subkey goes in the current platform mode: NT keeps a key's
// subkeys sorted, Windows 95/98 appends them.
Placement SubkeyPlacement();

inline bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

struct Value {
    std::string name;  // empty: the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    const void* place = nullptr;  // the owning list's business
};

// The size RegQueryInfoKeyA counts for a value: texts as UTF-16.
inline size_t InfoSize(const Value& v) { return IsStringType(v.type) ? v.data.size() * 2 : v.data.size(); }

struct Key : std::enable_shared_from_this<Key> {
    std::string name;  // with the case it was created with
    Key* parent = nullptr;
    unsigned depth = 0;  // levels below its root
    KeyAccess access = KeyAccess::Normal;
    bool deleted = false;
    const void* place = nullptr;  // the parent list's business
    NamedList<std::shared_ptr<Key>> children;
    NamedList<std::unique_ptr<Value>> values;
    Largest valueSizes;  // InfoSize of every value
    size_t LargestValue() {
        return valueSizes.Get([this](auto add) {
            for (const Value& v : values) add(InfoSize(v));
        });
    }

    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    // Releases the subtree it still owns without recursion.
    ~Key();

    Key* FindChild(std::string_view childName) const { return children.Find(childName); }
    // The existing child of that name, or a new one placed by `where`;
    // null when a new one would lie deeper than kMaxDepth.
    Key* AddChild(std::string_view childName, Placement where);
    // Detaches the child and marks its whole subtree deleted.
    bool RemoveChild(std::string_view childName);
    Value* FindValue(std::string_view valueName) const { return values.Find(valueName); }
    // A new value goes last; an existing one keeps its place and spelling.
    void SetValue(std::string_view valueName, DWORD type, const BYTE* data, size_t size);
    bool RemoveValue(std::string_view valueName);
};

// Marks a key and everything below it deleted.
void MarkDeleted(Key* key);

struct Root {
    const char* longName;   // HKEY_LOCAL_MACHINE
    const char* shortName;  // HKLM
    HKEY handle;
    std::shared_ptr<Key> key;
};

// The roots in the order an export writes them.
std::vector<Root>& Roots();
Root* FindRoot(HKEY handle);
Root* FindRootByName(std::string_view name);

// Splits "HKEY_LOCAL_MACHINE\A\B" (or HKLM\A\B) into its root and the path
// below it. Returns null when the root is unknown.
Root* SplitFullPath(std::string_view fullPath, std::string_view* rest);

// Number of names in a backslash-separated path (empty parts skipped).
size_t PathDepth(std::string_view path);
// Walks a path below a key; null when a part is missing.
Key* Find(Key* from, std::string_view path);
// Creates every missing part, placed as the platform mode places subkeys;
// null when the key would lie deeper than kMaxDepth.
Key* Create(Key* from, std::string_view path);

// Full name of a key, e.g. HKEY_LOCAL_MACHINE\System\CurrentControlSet.
std::string FullName(const Key* key);

// The access of the nearest key on the way up that has one set.
KeyAccess EffectiveAccess(const Key* key);

void ResetAll();

}  // namespace sim::hive
