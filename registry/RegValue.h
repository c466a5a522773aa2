// One registry value in memory: type code, size and data block.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "UniqueHandle.h"

typedef std::vector<std::string> StringList;

// Each value owns a private heap, created with the value and destroyed with
// it; its data block comes from that heap. A value is never copied: it
// lives for one registry operation (or one key of a walk).
class CRegValue {
public:
    CRegValue();
    explicit CRegValue(DWORD number);
    explicit CRegValue(const char* text);
    explicit CRegValue(const StringList& list);
    ~CRegValue();

    CRegValue(const CRegValue&) = delete;
    CRegValue& operator=(const CRegValue&) = delete;

    // Replaces the block with `size` fresh bytes (not zeroed) and sets the
    // size field; the type stays. Returns null, leaving the value without a
    // block, when the heap or the block cannot be obtained.
    BYTE* Alloc(DWORD size);
    void Free();
    void SetType(DWORD type) { m_type = type; }

    // Each setter replaces the block and sets the type. They return false
    // when no block could be obtained; the value is then empty (no block,
    // size 0) with type REG_NONE, so it is never stored by mistake.
    bool SetDword(DWORD number);
    bool SetString(const char* text, bool expandable = false);
    bool SetBinary(const void* bytes, DWORD size);
    bool SetMultiString(const StringList& list);

    // Each getter accepts an exact set of type codes; on refusal it returns
    // false and leaves its output untouched. None reads past the block.
    bool GetDword(DWORD& number) const;             // REG_DWORD, REG_DWORD_BIG_ENDIAN (no swap)
    bool GetString(std::string& text) const;        // REG_SZ, REG_EXPAND_SZ, REG_LINK
    bool GetBinary(void* buffer, DWORD size) const; // REG_BINARY and the resource types, exact size
    bool GetMultiString(StringList& list) const;    // REG_MULTI_SZ

    BYTE* Data() const { return m_data; }
    DWORD Size() const { return m_size; }
    DWORD Type() const { return m_type; }

    // The registry layer lets the platform write type and true size
    // straight into the fields when it enumerates into the block.
    DWORD* SizeField() { return &m_size; }
    DWORD* TypeField() { return &m_type; }

private:
    bool Assign(DWORD type, const void* bytes, DWORD size);

    orvane::UniqueHeap m_heap;
    BYTE* m_data;
    DWORD m_size;
    DWORD m_type;
};
