// The in-memory registry of the simulated machine: the model behind the
// Reg* functions and the .reg import/export.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/control.h"

namespace sim::hive {

struct Value {
    std::string name;  // empty: the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct Key {
    std::string name;  // with the case it was created with
    Key* parent = nullptr;
    // Both sorted by CompareNames: the order RegEnumKey and RegEnumValue
    // report, as Wine keeps them.
    std::vector<std::shared_ptr<Key>> children;
    std::vector<Value> values;
    KeyAccess access = KeyAccess::Normal;
    bool deleted = false;

    Key* FindChild(std::string_view childName) const;
    // Returns the existing child of that name, or a new one.
    Key* AddChild(std::string_view childName);
    // Detaches the child and marks its whole subtree deleted.
    bool RemoveChild(std::string_view childName);
    Value* FindValue(std::string_view valueName);
    const Value* FindValue(std::string_view valueName) const;
    void SetValue(std::string_view valueName, DWORD type, const BYTE* data, size_t size);
    bool RemoveValue(std::string_view valueName);
};

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

// Walks a backslash-separated path below a key; null when a part is missing.
Key* Find(Key* from, std::string_view path);
// Creates every missing part.
Key* Create(Key* from, std::string_view path);

// Full name of a key, e.g. HKEY_LOCAL_MACHINE\System\CurrentControlSet.
std::string FullName(const Key* key);

// The access of the nearest key on the way up that has one set.
KeyAccess EffectiveAccess(const Key* key);

void ResetAll();

}  // namespace sim::hive
