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

#include <cstdint>
#include <cstring>
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

// A value's bytes, as a view into the value.
struct ByteView {
    const BYTE* bytes = nullptr;
    size_t count = 0;
    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    const BYTE* data() const { return bytes; }
    const BYTE* begin() const { return bytes; }
    const BYTE* end() const { return bytes + count; }
    BYTE operator[](size_t i) const { return bytes[i]; }
    BYTE back() const { return bytes[count - 1]; }
    bool operator==(const ByteView& other) const {
        return count == other.count && (count == 0 || std::memcmp(bytes, other.bytes, count) == 0);
    }
};

class Value;
struct ValueDelete {
    void operator()(Value* v) const;
};
typedef std::unique_ptr<Value, ValueDelete> ValuePtr;

// One value in one block of memory: this header, its name, its data. A
// machine holds hundreds of thousands of them, so each costs one
// allocation and a few bytes beyond what it holds.
class Value {
public:
    static ValuePtr Make(std::string_view name, DWORD type, const BYTE* data, size_t size);
    std::string_view Name() const { return std::string_view(Chars(), m_nameSize); }  // empty: the default value
    ByteView Data() const { return ByteView{reinterpret_cast<const BYTE*>(Chars()) + m_nameSize, m_dataSize}; }
    // Replaces the data when it has the same size.
    void Overwrite(const BYTE* data) {
        if (m_dataSize) std::memcpy(Chars() + m_nameSize, data, m_dataSize);
    }

    DWORD type = REG_NONE;
    const void* place = nullptr;  // the owning list's business

private:
    Value() = default;
    char* Chars() { return reinterpret_cast<char*>(this + 1); }
    const char* Chars() const { return reinterpret_cast<const char*>(this + 1); }
    uint32_t m_nameSize = 0;
    uint32_t m_dataSize = 0;
};

inline std::string_view ItemName(const Value& v) { return v.Name(); }

// The size RegQueryInfoKeyA counts for a value: texts as UTF-16.
inline size_t InfoSize(const Value& v) { return IsStringType(v.type) ? v.Data().size() * 2 : v.Data().size(); }

struct Key : std::enable_shared_from_this<Key> {
    std::string name;  // with the case it was created with
    Key* parent = nullptr;
    unsigned depth = 0;  // levels below its root
    KeyAccess access = KeyAccess::Normal;
    bool deleted = false;
    const void* place = nullptr;  // the parent list's business
    NamedList<std::shared_ptr<Key>> children;
    NamedList<ValuePtr> values;
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
    // The same for a child already found: a key with 100,000 subkeys is
    // not searched again for it.
    void DetachChild(Key* child);
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
