#include "RegValue.h"

#include <cstring>

CRegValue::CRegValue() : m_heap(HeapCreate(0, 0, 0)), m_data(nullptr), m_size(0), m_type(REG_NONE) {}

CRegValue::CRegValue(DWORD number) : CRegValue() { SetDword(number); }

CRegValue::CRegValue(const char* text) : CRegValue() { SetString(text, false); }

CRegValue::CRegValue(const StringList& list) : CRegValue() { SetMultiString(list); }

// The block goes back to the heap first; the heap itself goes with m_heap.
CRegValue::~CRegValue() { Free(); }

BYTE* CRegValue::Alloc(DWORD size) {
    Free();
    if (!m_heap) return nullptr;
    m_data = static_cast<BYTE*>(HeapAlloc(m_heap.Get(), 0, size));
    if (m_data) m_size = size;
    return m_data;
}

void CRegValue::Free() {
    if (m_data) HeapFree(m_heap.Get(), 0, m_data);
    m_data = nullptr;
    m_size = 0;
}

bool CRegValue::Assign(DWORD type, const void* bytes, DWORD size) {
    if (!Alloc(size)) {
        m_type = REG_NONE;
        return false;
    }
    if (size) std::memcpy(m_data, bytes, size);
    m_type = type;
    return true;
}

bool CRegValue::SetDword(DWORD number) {
    const BYTE bytes[4] = {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)};
    return Assign(REG_DWORD, bytes, 4);
}

bool CRegValue::SetString(const char* text, bool expandable) {
    const DWORD type = expandable ? REG_EXPAND_SZ : REG_SZ;
    if (!text) return Assign(type, "", 1);
    return Assign(type, text, static_cast<DWORD>(std::strlen(text) + 1));
}

bool CRegValue::SetBinary(const void* bytes, DWORD size) {
    if (!bytes) size = 0;
    return Assign(REG_BINARY, bytes, size);
}

bool CRegValue::SetMultiString(const StringList& list) {
    size_t total = 1;
    for (const auto& s : list) total += s.size() + 1;
    if (list.empty()) total = 2;
    if (total > 0xFFFFFFFFu || !Alloc(static_cast<DWORD>(total))) {
        Free();
        m_type = REG_NONE;
        return false;
    }
    BYTE* p = m_data;
    for (const auto& s : list) {
        std::memcpy(p, s.data(), s.size());
        p += s.size();
        *p++ = 0;
    }
    *p++ = 0;
    if (list.empty()) *p = 0;
    m_type = REG_MULTI_SZ;
    return true;
}

bool CRegValue::GetDword(DWORD& number) const {
    if (m_type != REG_DWORD && m_type != REG_DWORD_BIG_ENDIAN) return false;
    // A number needs its four bytes; a shorter block is refused rather than
    // padded with guesses.
    if (!m_data || m_size < 4) return false;
    number = DWORD(m_data[0]) | (DWORD(m_data[1]) << 8) | (DWORD(m_data[2]) << 16) | (DWORD(m_data[3]) << 24);
    return true;
}

bool CRegValue::GetString(std::string& text) const {
    if (m_type != REG_SZ && m_type != REG_EXPAND_SZ && m_type != REG_LINK) return false;
    if (!m_data) {
        text.clear();
        return true;
    }
    const void* nul = std::memchr(m_data, 0, m_size);
    const size_t len = nul ? static_cast<size_t>(static_cast<const BYTE*>(nul) - m_data) : m_size;
    text.assign(reinterpret_cast<const char*>(m_data), len);
    return true;
}

bool CRegValue::GetBinary(void* buffer, DWORD size) const {
    if (m_type != REG_BINARY && m_type != REG_RESOURCE_LIST && m_type != REG_FULL_RESOURCE_DESCRIPTOR) return false;
    if (m_size != size) return false;
    if (size) {
        if (!buffer || !m_data) return false;
        std::memcpy(buffer, m_data, size);
    }
    return true;
}

bool CRegValue::GetMultiString(StringList& list) const {
    if (m_type != REG_MULTI_SZ) return false;
    list.clear();
    if (!m_data) return true;
    DWORD pos = 0;
    while (pos < m_size && m_data[pos] != 0) {
        const BYTE* start = m_data + pos;
        const void* nul = std::memchr(start, 0, m_size - pos);
        const DWORD len = nul ? static_cast<DWORD>(static_cast<const BYTE*>(nul) - start) : m_size - pos;
        list.emplace_back(reinterpret_cast<const char*>(start), len);
        pos += len + 1;
    }
    return true;
}
