#include "MachineRegistry.h"

#include <algorithm>

namespace machinereg {

namespace {

struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h) RegCloseKey(h);
    }
};

LONG Open(Path key, REGSAM access, Key* out) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, access, &out->h);
}

LONG Create(Path key, Key* out) {
    DWORD disposition = 0;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, &out->h, &disposition);
}

// Hands `use` the value's type and data. Most values fit the buffer on the
// stack and cost one query; a longer one is read again into the heap.
template <typename Use>
bool ReadRaw(Path key, const char* name, Use use) {
    Key k;
    if (Open(key, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
    BYTE small[512];
    DWORD type = 0, size = sizeof small;
    LONG rc = RegQueryValueExA(k.h, name, nullptr, &type, small, &size);
    if (rc == ERROR_SUCCESS) {
        use(type, small, std::min<size_t>(size, sizeof small));
        return true;
    }
    if (rc != ERROR_MORE_DATA) return false;
    std::vector<BYTE> big(size);
    if (RegQueryValueExA(k.h, name, nullptr, &type, big.data(), &size) != ERROR_SUCCESS) return false;
    use(type, big.data(), std::min<size_t>(size, big.size()));
    return true;
}

}  // namespace

std::string Join(const std::string& key, const std::string& sub) { return key + "\\" + sub; }

bool ReadText(Path key, const char* name, std::string* out) {
    bool text = false;
    const bool read = ReadRaw(key, name, [&](DWORD type, const BYTE* data, size_t size) {
        text = type == REG_SZ || type == REG_EXPAND_SZ;
        if (!text) return;
        const char* chars = reinterpret_cast<const char*>(data);
        out->assign(chars, std::find(chars, chars + size, '\0'));
    });
    return read && text;
}

bool ReadDword(Path key, const char* name, DWORD* out) {
    bool dword = false;
    const bool read = ReadRaw(key, name, [&](DWORD type, const BYTE* data, size_t size) {
        dword = type == REG_DWORD && size >= 4;
        if (dword) *out = DWORD(data[0]) | DWORD(data[1]) << 8 | DWORD(data[2]) << 16 | DWORD(data[3]) << 24;
    });
    return read && dword;
}

bool ReadBinary(Path key, const char* name, std::vector<BYTE>* out) {
    bool binary = false;
    const bool read = ReadRaw(key, name, [&](DWORD type, const BYTE* data, size_t size) {
        binary = type == REG_BINARY;
        if (binary) out->assign(data, data + size);
    });
    return read && binary;
}

bool ReadMultiText(Path key, const char* name, std::vector<std::string>* out) {
    bool multi = false;
    const bool read = ReadRaw(key, name, [&](DWORD type, const BYTE* data, size_t size) {
        multi = type == REG_MULTI_SZ;
        if (!multi) return;
        out->clear();
        // Up to the empty string that ends the list, or the end of the data.
        const char* p = reinterpret_cast<const char*>(data);
        const char* const end = p + size;
        while (p < end && *p) {
            const char* nul = std::find(p, end, '\0');
            out->emplace_back(p, nul);
            p = nul == end ? end : nul + 1;
        }
    });
    return read && multi;
}

LONG WriteText(Path key, const char* name, const std::string& text, DWORD type) {
    Key k;
    LONG rc = Create(key, &k);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExA(k.h, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LONG WriteDword(Path key, const char* name, DWORD value) {
    Key k;
    LONG rc = Create(key, &k);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExA(k.h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG WriteBinary(Path key, const char* name, const std::vector<BYTE>& bytes) {
    Key k;
    LONG rc = Create(key, &k);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExA(k.h, name, 0, REG_BINARY, bytes.empty() ? nullptr : bytes.data(),
                          static_cast<DWORD>(bytes.size()));
}

LONG WriteMultiText(Path key, const char* name, const std::vector<std::string>& texts) {
    std::string data;
    for (auto& t : texts) {
        data += t;
        data.push_back('\0');
    }
    data.push_back('\0');
    Key k;
    LONG rc = Create(key, &k);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExA(k.h, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

LONG DeleteValue(Path key, const char* name) {
    Key k;
    LONG rc = Open(key, KEY_SET_VALUE, &k);
    if (rc != ERROR_SUCCESS) return rc;
    return RegDeleteValueA(k.h, name);
}

bool KeyExists(Path key) {
    Key k;
    return Open(key, KEY_READ, &k) == ERROR_SUCCESS;
}

std::vector<std::string> ValueNames(Path key) {
    std::vector<std::string> names;
    Key k;
    if (Open(key, KEY_READ, &k) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD size = sizeof name;
        if (RegEnumValueA(k.h, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    return names;
}

std::vector<std::string> Subkeys(Path key) {
    std::vector<std::string> names;
    Key k;
    if (Open(key, KEY_READ, &k) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(k.h, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    return names;
}

LONG DeleteTree(Path key) {
    if (!KeyExists(key)) return ERROR_SUCCESS;
    // NT refuses to delete a key that still has subkeys: children first.
    for (auto& child : Subkeys(key)) {
        LONG rc = DeleteTree(Join(key.c_str(), child));
        if (rc != ERROR_SUCCESS) return rc;
    }
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

}  // namespace machinereg
