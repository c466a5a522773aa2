// Registry keys below one predefined root: typed reads and writes, delete
// of whole trees, key information and a depth-first walk with callbacks.
//
// Contract of every operation: it opens the keys it needs and closes them
// before it returns; nothing is held between calls. Results are true or
// false only; a failed typed getter leaves its output untouched.
#pragma once

#include <windows.h>

#include <string>

#include "RegValue.h"

// Walk flags; the library always walks with both.
enum : DWORD {
    RegWalkValues = 1,  // report every value of every key visited
    RegWalkKeys = 2,    // report every subkey before descending into it
};

// Access rights asked of the platform.
enum : REGSAM {
    RegAccessRead = KEY_READ,                 // values, key information, walks
    RegAccessWrite = KEY_WRITE,               // create-on-write
    RegAccessDelete = KEY_READ | KEY_WRITE,   // value and key deletion
};

class CRegistry {
public:
    explicit CRegistry(HKEY root) : m_root(root) {}
    virtual ~CRegistry() {}

    // Walk callbacks; a false result ends the whole walk with false.
    virtual bool OnValue(const char* path, const char* valueName, CRegValue& value, DWORD depth);
    virtual bool OnKey(const char* subkeyName, DWORD depth);

    bool QueryValue(const char* subkey, const char* name, CRegValue& out);
    bool GetDword(const char* subkey, const char* name, DWORD& number);
    bool GetString(const char* subkey, const char* name, std::string& text);
    bool GetMultiString(const char* subkey, const char* name, StringList& list);
    bool GetBinary(const char* subkey, const char* name, void* buffer, DWORD size);

    // Writes create every missing key of the path (and a failed write may
    // leave those keys behind).
    bool SetValue(const char* subkey, const char* name, const CRegValue& value);
    bool SetDword(const char* subkey, const char* name, DWORD number);
    bool SetString(const char* subkey, const char* name, const char* text);
    bool SetBinary(const char* subkey, const char* name, const void* bytes, DWORD size);
    bool SetMultiString(const char* subkey, const char* name, const StringList& list);

    // With a value name: deletes that value (an empty name is the default
    // value). With none (null): deletes the key with its whole tree,
    // bottom-up; what was deleted before a failure stays deleted.
    bool Delete(const char* subkey, const char* name = nullptr);

    // True only when the key exists and has a subkey or a value.
    bool GetKeyInfo(const char* subkey, DWORD* subkeyCount, DWORD* valueCount);

    // Depth-first, pre-order: a key's values (in the platform's order), then
    // each subkey announced and walked completely. Null subkey: the root.
    bool Walk(const char* subkey, DWORD flags);

protected:
    HKEY m_root;

private:
    static bool DeleteTree(HKEY parent, const char* subkey);
};

// Handler of a walk: called on the context object for every value; true
// goes on, false stops the walk.
typedef bool (*RegValueHandler)(void* context, const char* path, const char* valueName, CRegValue& value);

class CRegWalker : public CRegistry {
public:
    explicit CRegWalker(HKEY root) : CRegistry(root), m_handler(nullptr), m_context(nullptr) {}

    void SetHandler(RegValueHandler handler, void* context) {
        m_handler = handler;
        m_context = context;
    }

    bool OnValue(const char* path, const char* valueName, CRegValue& value, DWORD depth) override;
    bool OnKey(const char* subkeyName, DWORD depth) override;

private:
    RegValueHandler m_handler;
    void* m_context;
};
