#include "MachineRegistry.h"

namespace machinereg {

namespace {

struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h) RegCloseKey(h);
    }
};

LONG Open(const std::string& key, REGSAM access, Key* out) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, access, &out->h);
}

LONG Create(const std::string& key, Key* out) {
    DWORD disposition = 0;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, &out->h, &disposition);
}

bool ReadRaw(const std::string& key, const char* name, DWORD* type, std::vector<BYTE>* data) {
    Key k;
    if (Open(key, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    if (RegQueryValueExA(k.h, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
    data->assign(size, 0);
    if (size && RegQueryValueExA(k.h, name, nullptr, type, data->data(), &size) != ERROR_SUCCESS) return false;
    data->resize(size);
    return true;
}

}  // namespace

std::string Join(const std::string& key, const std::string& sub) { return key + "\\" + sub; }

bool ReadText(const std::string& key, const char* name, std::string* out) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadRaw(key, name, &type, &data) || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    std::string text(data.begin(), data.end());
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    *out = text;
    return true;
}

bool ReadDword(const std::string& key, const char* name, DWORD* out) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadRaw(key, name, &type, &data) || type != REG_DWORD || data.size() < 4) return false;
    *out = DWORD(data[0]) | DWORD(data[1]) << 8 | DWORD(data[2]) << 16 | DWORD(data[3]) << 24;
    return true;
}

bool ReadBinary(const std::string& key, const char* name, std::vector<BYTE>* out) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadRaw(key, name, &type, &data) || type != REG_BINARY) return false;
    *out = data;
    return true;
}

bool ReadMultiText(const std::string& key, const char* name, std::vector<std::string>* out) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadRaw(key, name, &type, &data) || type != REG_MULTI_SZ) return false;
    out->clear();
    std::string current;
    for (BYTE b : data) {
        if (b) {
            current.push_back(static_cast<char>(b));
        } else if (current.empty()) {
            break;
        } else {
            out->push_back(current);
            current.clear();
        }
    }
    if (!current.empty()) out->push_back(current);
    return true;
}

LONG WriteText(const std::string& key, const char* name, const std::string& text, DWORD type) {
    Key k;
    LONG rc = Create(key, &k);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExA(k.h, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LONG WriteDword(const std::string& key, const char* name, DWORD value) {
    Key k;
    LONG rc = Create(key, &k);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExA(k.h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG WriteBinary(const std::string& key, const char* name, const std::vector<BYTE>& bytes) {
    Key k;
    LONG rc = Create(key, &k);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExA(k.h, name, 0, REG_BINARY, bytes.empty() ? nullptr : bytes.data(),
                          static_cast<DWORD>(bytes.size()));
}

LONG WriteMultiText(const std::string& key, const char* name, const std::vector<std::string>& texts) {
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

LONG DeleteValue(const std::string& key, const char* name) {
    Key k;
    LONG rc = Open(key, KEY_SET_VALUE, &k);
    if (rc != ERROR_SUCCESS) return rc;
    return RegDeleteValueA(k.h, name);
}

bool KeyExists(const std::string& key) {
    Key k;
    return Open(key, KEY_READ, &k) == ERROR_SUCCESS;
}

std::vector<std::string> ValueNames(const std::string& key) {
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

std::vector<std::string> Subkeys(const std::string& key) {
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

LONG DeleteTree(const std::string& key) {
    if (!KeyExists(key)) return ERROR_SUCCESS;
    // NT refuses to delete a key that still has subkeys: children first.
    for (auto& child : Subkeys(key)) {
        LONG rc = DeleteTree(Join(key, child));
        if (rc != ERROR_SUCCESS) return rc;
    }
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

}  // namespace machinereg
