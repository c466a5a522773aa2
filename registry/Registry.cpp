#include "Registry.h"

#include <vector>

#include "UniqueHandle.h"

using orvane::UniqueKey;

namespace {

// Opens base\subkey into `key`; on failure `key` holds nothing.
bool OpenKey(HKEY base, const char* subkey, REGSAM access, UniqueKey& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(base, subkey ? subkey : "", 0, access, &opened) != ERROR_SUCCESS) {
        key.Reset();
        return false;
    }
    key.Reset(opened);
    return true;
}

// Opens base\subkey for writing, creating every missing key of the path.
bool CreateKey(HKEY base, const char* subkey, UniqueKey& key) {
    HKEY created = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(base, subkey ? subkey : "", 0, nullptr, REG_OPTION_NON_VOLATILE, RegAccessWrite, nullptr,
                        &created, &disposition) != ERROR_SUCCESS) {
        key.Reset();
        return false;
    }
    key.Reset(created);
    return true;
}

struct KeyCounts {
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0, longestValueData = 0;
};

bool QueryCounts(HKEY key, KeyCounts& c) {
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &c.subkeys, &c.longestSubkey, nullptr, &c.values,
                            &c.longestValueName, &c.longestValueData, nullptr, nullptr) == ERROR_SUCCESS;
}

// Empties `subkey` below `base` of its subkeys, always taking the first,
// then deletes it: the tree goes bottom-up and no key is deleted while it
// still has subkeys, which Windows NT would refuse.
bool DeleteKeyTree(HKEY base, const char* subkey) {
    UniqueKey key;
    if (!OpenKey(base, subkey, RegAccessDelete, key)) return false;
    for (;;) {
        KeyCounts c;
        if (!QueryCounts(key.Get(), c)) return false;
        if (c.subkeys == 0) break;
        std::vector<char> name(size_t(c.longestSubkey) + 1);
        if (RegEnumKeyA(key.Get(), 0, name.data(), c.longestSubkey + 1) != ERROR_SUCCESS) return false;
        if (!DeleteKeyTree(key.Get(), name.data())) return false;
    }
    key.Reset();
    return RegDeleteKeyA(base, subkey) == ERROR_SUCCESS;
}

}  // namespace

bool CRegistry::OnValue(const char*, const char*, CRegValue&, DWORD) { return false; }
bool CRegistry::OnKey(const char*, DWORD) { return false; }

bool CRegistry::QueryValue(const char* subkey, const char* name, CRegValue& out) {
    UniqueKey key;
    if (!OpenKey(m_root, subkey, RegAccessRead, key)) return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if (!out.Alloc(size)) return false;
    DWORD got = size;
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, out.Data(), &got) != ERROR_SUCCESS) {
        out.Free();
        return false;
    }
    out.SetType(type);
    return true;
}

bool CRegistry::GetDword(const char* subkey, const char* name, DWORD& number) {
    CRegValue v;
    return QueryValue(subkey, name, v) && v.GetDword(number);
}

bool CRegistry::GetString(const char* subkey, const char* name, std::string& text) {
    CRegValue v;
    return QueryValue(subkey, name, v) && v.GetString(text);
}

bool CRegistry::GetMultiString(const char* subkey, const char* name, StringList& list) {
    CRegValue v;
    return QueryValue(subkey, name, v) && v.GetMultiString(list);
}

bool CRegistry::GetBinary(const char* subkey, const char* name, void* buffer, DWORD size) {
    CRegValue v;
    return QueryValue(subkey, name, v) && v.GetBinary(buffer, size);
}

bool CRegistry::SetValue(const char* subkey, const char* name, const CRegValue& value) {
    UniqueKey key;
    if (!CreateKey(m_root, subkey, key)) return false;
    return RegSetValueExA(key.Get(), name, 0, value.Type(), value.Data(), value.Size()) == ERROR_SUCCESS;
}

bool CRegistry::SetDword(const char* subkey, const char* name, DWORD number) {
    CRegValue v;
    return v.SetDword(number) && SetValue(subkey, name, v);
}

bool CRegistry::SetString(const char* subkey, const char* name, const char* text) {
    CRegValue v;
    return v.SetString(text, false) && SetValue(subkey, name, v);
}

bool CRegistry::SetBinary(const char* subkey, const char* name, const void* bytes, DWORD size) {
    CRegValue v;
    return v.SetBinary(bytes, size) && SetValue(subkey, name, v);
}

bool CRegistry::SetMultiString(const char* subkey, const char* name, const StringList& list) {
    CRegValue v;
    return v.SetMultiString(list) && SetValue(subkey, name, v);
}

bool CRegistry::Delete(const char* subkey, const char* name) {
    if (name) {
        UniqueKey key;
        if (!OpenKey(m_root, subkey, RegAccessDelete, key)) return false;
        return RegDeleteValueA(key.Get(), name) == ERROR_SUCCESS;
    }
    // The root itself is never deleted.
    if (!subkey || !*subkey) return false;
    return DeleteKeyTree(m_root, subkey);
}

bool CRegistry::GetKeyInfo(const char* subkey, DWORD* subkeyCount, DWORD* valueCount) {
    if (subkeyCount) *subkeyCount = 0;
    if (valueCount) *valueCount = 0;
    UniqueKey key;
    if (!OpenKey(m_root, subkey, RegAccessRead, key)) return false;
    KeyCounts c;
    if (!QueryCounts(key.Get(), c)) return false;
    if (subkeyCount) *subkeyCount = c.subkeys;
    if (valueCount) *valueCount = c.values;
    return c.subkeys > 0 || c.values > 0;
}

// Depth-first and pre-order, with an explicit stack of open keys rather than
// recursion, so a tree as deep as the platform allows (512 levels below a
// root on Windows, more under Wine) costs heap, not stack. One value block
// and two name buffers serve the whole walk: a value handed to OnValue
// lives for one callback, and the block only grows.
bool CRegistry::Walk(const char* subkey, DWORD flags) {
    std::string path;
    // The root is only borrowed: a predefined key is not ours to close, and
    // neither is a key the caller bound this object to.
    UniqueKey start;
    if (subkey) {
        if (!OpenKey(m_root, subkey, RegAccessRead, start)) return false;
        path = subkey;
    }
    const HKEY first = subkey ? start.Get() : m_root;

    struct Level {
        UniqueKey owned;  // empty for the start key
        HKEY key;
        DWORD next;       // the subkey index to read next
        DWORD subkeys;
        DWORD longestSubkey;
        size_t pathLength;
    };
    std::vector<Level> levels;
    CRegValue value;
    DWORD capacity = 0;  // of value's block
    std::vector<char> valueName(256), keyName(256);

    // Reports the values of a key (when asked) and puts it on the stack.
    auto enter = [&](HKEY key, UniqueKey owned, DWORD depth) {
        KeyCounts c;
        if (!QueryCounts(key, c)) return false;
        if (flags & RegWalkValues) {
            if (!value.Data() || capacity < c.longestValueData) capacity = value.Alloc(c.longestValueData) ? c.longestValueData : 0;
            // Without a block, values are still reported, with no data.
            const DWORD dataCapacity = value.Data() ? capacity : 0;
            if (valueName.size() < size_t(c.longestValueName) + 1) valueName.resize(size_t(c.longestValueName) + 1);
            for (DWORD index = 0;; ++index) {
                DWORD nameSize = c.longestValueName + 1;
                *value.SizeField() = dataCapacity;
                const LONG rc = RegEnumValueA(key, index, valueName.data(), &nameSize, nullptr, value.TypeField(),
                                              value.Data(), value.SizeField());
                if (rc == ERROR_SUCCESS) {
                    if (!value.Data()) *value.SizeField() = 0;
                    if (!OnValue(path.c_str(), valueName.data(), value, depth)) return false;
                } else if (rc == ERROR_NO_MORE_ITEMS || index >= c.values) {
                    // An error past the count the key reported is taken as
                    // the end, so a key that vanished mid-walk cannot loop
                    // forever.
                    break;
                }
            }
            *value.SizeField() = capacity;
        }
        levels.push_back(Level{std::move(owned), key, 0, c.subkeys, c.longestSubkey, path.size()});
        return true;
    };

    if (!enter(first, UniqueKey(), 0)) return false;
    while (!levels.empty()) {
        Level& top = levels.back();
        const DWORD depth = DWORD(levels.size() - 1);
        if (keyName.size() < size_t(top.longestSubkey) + 1) keyName.resize(size_t(top.longestSubkey) + 1);
        const DWORD index = top.next++;
        const LONG rc = RegEnumKeyA(top.key, index, keyName.data(), top.longestSubkey + 1);
        if (rc == ERROR_NO_MORE_ITEMS || (rc != ERROR_SUCCESS && index >= top.subkeys)) {
            levels.pop_back();
            if (!levels.empty()) path.resize(levels.back().pathLength);
            continue;
        }
        if (rc != ERROR_SUCCESS) continue;
        if ((flags & RegWalkKeys) && !OnKey(keyName.data(), depth)) return false;
        UniqueKey child;
        if (!OpenKey(top.key, keyName.data(), RegAccessRead, child)) continue;
        if (!path.empty()) path += '\\';
        path += keyName.data();
        const HKEY raw = child.Get();
        if (!enter(raw, std::move(child), depth + 1)) return false;
    }
    return true;
}

bool CRegWalker::OnValue(const char* path, const char* valueName, CRegValue& value, DWORD) {
    if (!m_handler) return true;
    return m_handler(m_context, path, valueName, value);
}

bool CRegWalker::OnKey(const char*, DWORD) { return true; }
