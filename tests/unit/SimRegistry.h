// Reading and writing the simulated registry through the Reg* functions, for
// the sim's own tests. A call the registry refuses fails the test that made it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sim/control.h"

namespace simreg {

constexpr DWORD kMissing = 0xFFFFFFFF;

// root\path, created with whatever lies above it, open for everything.
inline HKEY Create(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
}

inline void Set(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& data) {
    HKEY key = Create(root, path);
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS)
        << path << " " << name;
    RegCloseKey(key);
}

inline void DeleteValue(HKEY root, const std::string& path, const std::string& name) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS) << path;
    EXPECT_EQ(RegDeleteValueA(key, name.c_str()), ERROR_SUCCESS) << path << " " << name;
    RegCloseKey(key);
}

// Type and bytes of a value; type kMissing when the key or value is absent.
inline std::pair<DWORD, std::string> Get(HKEY root, const std::string& path, const std::string& name) {
    std::pair<DWORD, std::string> out{kMissing, {}};
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        out.second.resize(size);
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(out.second.data()), &size) ==
            ERROR_SUCCESS)
            out.first = type;
    }
    RegCloseKey(key);
    return out;
}

// The names of a key's subkeys, or of its values, in enumeration order.
inline std::vector<std::string> Subkeys(HKEY key) {
    std::vector<std::string> out;
    char name[300];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) out.push_back(name);
    return out;
}

inline std::vector<std::string> Values(HKEY key) {
    std::vector<std::string> out;
    char name[300];
    DWORD n = sizeof name;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        out.push_back(name);
        n = sizeof name;
    }
    return out;
}

}  // namespace simreg
