// Small typed reads and writes of HKEY_LOCAL_MACHINE through the Reg*
// functions, for the simulated security side and the Wine runs' network
// double alike. Every call opens and closes its key.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace machinereg {

// A REG_SZ or REG_EXPAND_SZ value without its terminator.
bool ReadText(const std::string& key, const char* name, std::string* out);
bool ReadDword(const std::string& key, const char* name, DWORD* out);
// A REG_BINARY value's bytes.
bool ReadBinary(const std::string& key, const char* name, std::vector<BYTE>* out);
// A REG_MULTI_SZ value as its strings.
bool ReadMultiText(const std::string& key, const char* name, std::vector<std::string>* out);
// Create the key path when missing. Results are Win32 error codes.
LONG WriteText(const std::string& key, const char* name, const std::string& text, DWORD type = REG_SZ);
LONG WriteDword(const std::string& key, const char* name, DWORD value);
LONG WriteBinary(const std::string& key, const char* name, const std::vector<BYTE>& bytes);
LONG WriteMultiText(const std::string& key, const char* name, const std::vector<std::string>& texts);
LONG DeleteValue(const std::string& key, const char* name);
// The key and everything below it; ERROR_SUCCESS when it did not exist.
LONG DeleteTree(const std::string& key);
bool KeyExists(const std::string& key);
// Names of the key's values, in enumeration order.
std::vector<std::string> ValueNames(const std::string& key);
// Names of the direct subkeys, in enumeration order.
std::vector<std::string> Subkeys(const std::string& key);

std::string Join(const std::string& key, const std::string& sub);

}  // namespace machinereg
