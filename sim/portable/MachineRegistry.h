// Small typed reads and writes of HKEY_LOCAL_MACHINE through the Reg*
// functions, for the simulated security side and the Wine runs' network
// double alike. Every call opens and closes its key.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace machinereg {

// A key path below HKEY_LOCAL_MACHINE, given as a literal or a std::string
// that outlives the call: the simulated LSA and network API read a few
// values on every call, and a copy of each path was an allocation.
class Path {
public:
    Path(const char* text) : m_text(text) {}
    Path(const std::string& text) : m_text(text.c_str()) {}
    const char* c_str() const { return m_text; }

private:
    const char* m_text;
};

// A REG_SZ or REG_EXPAND_SZ value without its terminator.
bool ReadText(Path key, const char* name, std::string* out);
bool ReadDword(Path key, const char* name, DWORD* out);
// A REG_BINARY value's bytes.
bool ReadBinary(Path key, const char* name, std::vector<BYTE>* out);
// A REG_MULTI_SZ value as its strings.
bool ReadMultiText(Path key, const char* name, std::vector<std::string>* out);
// Create the key path when missing. Results are Win32 error codes.
LONG WriteText(Path key, const char* name, const std::string& text, DWORD type = REG_SZ);
LONG WriteDword(Path key, const char* name, DWORD value);
LONG WriteBinary(Path key, const char* name, const std::vector<BYTE>& bytes);
LONG WriteMultiText(Path key, const char* name, const std::vector<std::string>& texts);
LONG DeleteValue(Path key, const char* name);
// The key and everything below it; ERROR_SUCCESS when it did not exist.
LONG DeleteTree(Path key);
bool KeyExists(Path key);
// Names of the key's values, in enumeration order.
std::vector<std::string> ValueNames(Path key);
// Names of the direct subkeys, in enumeration order.
std::vector<std::string> Subkeys(Path key);

std::string Join(const std::string& key, const std::string& sub);

}  // namespace machinereg
