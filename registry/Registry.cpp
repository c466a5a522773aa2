#include "Registry.h"

#include <vector>

namespace {

// Owns one open key; closes it on every way out.
class KeyHandle {
public:
    KeyHandle() : m_key(nullptr) {}
    explicit KeyHandle(HKEY key) : m_key(key) {}
    ~KeyHandle() { Close(); }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;

    bool Open(HKEY base, const char* subkey, REGSAM access) {
        Close();
        return RegOpenKeyExA(base, subkey ? subkey : "", 0, access, &m_key) == ERROR_SUCCESS;
    }
    bool Create(HKEY base, const char* subkey) {
        Close();
        DWORD disposition = 0;
        return RegCreateKeyExA(base, subkey ? subkey : "", 0, nullptr, REG_OPTION_NON_VOLATILE, RegAccessWrite,
                               nullptr, &m_key, &disposition) == ERROR_SUCCESS;
    }
    void Close() {
        if (m_key) RegCloseKey(m_key);
        m_key = nullptr;
    }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key;
};

// A name buffer of the size the key's information asks for; short names,
// the usual case, need no allocation.
class NameBuffer {
public:
    explicit NameBuffer(DWORD capacity) : m_capacity(capacity) {
        if (capacity > sizeof m_local) m_heap.resize(capacity);
    }
    char* Get() { return m_heap.empty() ? m_local : m_heap.data(); }
    DWORD Capacity() const { return m_capacity; }

private:
    char m_local[256];
    std::vector<char> m_heap;
    DWORD m_capacity;
};

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
    KeyHandle key;
    if (!key.Open(base, subkey, RegAccessDelete)) return false;
    for (;;) {
        KeyCounts c;
        if (!QueryCounts(key.Get(), c)) return false;
        if (c.subkeys == 0) break;
        std::vector<char> name(size_t(c.longestSubkey) + 1);
        if (RegEnumKeyA(key.Get(), 0, name.data(), c.longestSubkey + 1) != ERROR_SUCCESS) return false;
        if (!DeleteKeyTree(key.Get(), name.data())) return false;
    }
    key.Close();
    return RegDeleteKeyA(base, subkey) == ERROR_SUCCESS;
}

}  // namespace

bool CRegistry::OnValue(const char*, const char*, CRegValue&, DWORD) { return false; }
bool CRegistry::OnKey(const char*, DWORD) { return false; }

bool CRegistry::QueryValue(const char* subkey, const char* name, CRegValue& out) {
    KeyHandle key;
    if (!key.Open(m_root, subkey, RegAccessRead)) return false;
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
    KeyHandle key;
    if (!key.Create(m_root, subkey)) return false;
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
        KeyHandle key;
        if (!key.Open(m_root, subkey, RegAccessDelete)) return false;
        return RegDeleteValueA(key.Get(), name) == ERROR_SUCCESS;
    }
    // The root itself is never deleted.
    if (!subkey || !*subkey) return false;
    return DeleteKeyTree(m_root, subkey);
}

bool CRegistry::GetKeyInfo(const char* subkey, DWORD* subkeyCount, DWORD* valueCount) {
    if (subkeyCount) *subkeyCount = 0;
    if (valueCount) *valueCount = 0;
    KeyHandle key;
    if (!key.Open(m_root, subkey, RegAccessRead)) return false;
    KeyCounts c;
    if (!QueryCounts(key.Get(), c)) return false;
    if (subkeyCount) *subkeyCount = c.subkeys;
    if (valueCount) *valueCount = c.values;
    return c.subkeys > 0 || c.values > 0;
}

bool CRegistry::Walk(const char* subkey, DWORD flags) {
    std::string path;
    if (subkey) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(m_root, subkey, 0, RegAccessRead, &key) != ERROR_SUCCESS) return false;
        path = subkey;
        return WalkStep(path, key, flags, 0);
    }
    return WalkStep(path, m_root, flags, 0);
}

bool CRegistry::WalkStep(std::string& path, HKEY rawKey, DWORD flags, DWORD depth) {
    KeyHandle key(rawKey);
    KeyCounts c;
    if (!QueryCounts(key.Get(), c)) return false;

    if (flags & RegWalkValues) {
        CRegValue value;
        // One block, sized for the largest value, serves every value of the
        // key. Without one, values are still reported, with no data.
        value.Alloc(c.longestValueData);
        const DWORD capacity = value.Data() ? c.longestValueData : 0;
        NameBuffer name(c.longestValueName + 1);
        for (DWORD index = 0;; ++index) {
            DWORD nameSize = name.Capacity();
            *value.SizeField() = capacity;
            const LONG rc = RegEnumValueA(key.Get(), index, name.Get(), &nameSize, nullptr, value.TypeField(),
                                          value.Data(), value.SizeField());
            if (rc == ERROR_SUCCESS) {
                if (!value.Data()) *value.SizeField() = 0;
                if (!OnValue(path.c_str(), name.Get(), value, depth)) return false;
            } else if (rc == ERROR_NO_MORE_ITEMS || index >= c.values) {
                // An error past the count the key reported is taken as the
                // end, so a key that vanished mid-walk cannot loop forever.
                break;
            }
        }
    }

    NameBuffer name(c.longestSubkey + 1);
    for (DWORD index = 0;; ++index) {
        const LONG rc = RegEnumKeyA(key.Get(), index, name.Get(), name.Capacity());
        if (rc == ERROR_NO_MORE_ITEMS || (rc != ERROR_SUCCESS && index >= c.subkeys)) return true;
        if (rc != ERROR_SUCCESS) continue;
        if ((flags & RegWalkKeys) && !OnKey(name.Get(), depth)) return false;
        HKEY child = nullptr;
        if (RegOpenKeyExA(key.Get(), name.Get(), 0, RegAccessRead, &child) != ERROR_SUCCESS) continue;
        const size_t length = path.size();
        if (!path.empty()) path += '\\';
        path += name.Get();
        const bool goOn = WalkStep(path, child, flags, depth + 1);
        path.resize(length);
        if (!goOn) return false;
    }
}

bool CRegWalker::OnValue(const char* path, const char* valueName, CRegValue& value, DWORD) {
    if (!m_handler) return true;
    return m_handler(m_context, path, valueName, value);
}

bool CRegWalker::OnKey(const char*, DWORD) { return true; }
