#include "Shares.h"

#include <cstring>

namespace {

// The length of a text the platform handed out, when it ends before
// `width` characters (so it fits a field of that width); -1 otherwise. A
// null text is empty.
template <typename Char>
long FittingLength(const Char* text, size_t width) {
    if (!text) return 0;
    for (size_t n = 0; n < width; ++n)
        if (text[n] == 0) return static_cast<long>(n);
    return -1;
}

template <size_t N>
bool StoreFitting(char (&field)[N], const char* text) {
    const long length = FittingLength(text, N);
    if (length < 0) return false;
    if (length) std::memcpy(field, text, static_cast<size_t>(length));
    field[length] = '\0';
    return true;
}

// A UTF-16 text into a narrow field through the ANSI code page, only when
// it fits and every character has its byte there, so that the way back
// gives the same text.
template <size_t N>
bool StoreExactly(char (&field)[N], LPCWSTR text) {
    if (!text || !*text) {
        field[0] = '\0';
        return true;
    }
    BOOL lossy = FALSE;
    char converted[N];
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, converted, static_cast<int>(N), nullptr, &lossy) <= 0 || lossy)
        return false;
    std::memcpy(field, converted, N);
    return true;
}

// A narrow field as UTF-16, for the NT share functions.
template <size_t N>
void Widen(WCHAR (&to)[N], const char* text) {
    to[0] = 0;
    if (*text && MultiByteToWideChar(CP_ACP, 0, text, -1, to, static_cast<int>(N)) <= 0) to[0] = 0;
}

// The next entry a listing fills, or Entries when the table is full.
DWORD FreeEntry(const ShareTable& table) {
    DWORD k = 0;
    while (k < ShareTable::Entries && table.InUse[k]) ++k;
    return k;
}

}  // namespace

void ClearShareTable(ShareTable& table) { std::memset(&table, 0, sizeof table); }

// ---- Windows 95/98 -----------------------------------------------------------------

CWin9xShares::CWin9xShares()
    : NetShareAdd("NetShareAdd"), NetShareDel("NetShareDel"), NetShareEnum("NetShareEnum"), m_library("svrapi.dll"),
      m_loaded(0) {
    m_loaded = m_library.Find(NetShareAdd, NetShareDel, NetShareEnum) ? 1 : 0;
}

int CWin9xShares::Enumerate(ShareTable& table) {
    if (!m_loaded) return 0;
    // Room for 16 records; their texts must fit behind them.
    char buffer[ShareTable::Entries * sizeof(svrapi::share_info_50)];
    unsigned short read = 0, available = 0;
    if (NetShareEnum(nullptr, 50, buffer, sizeof buffer, &read, &available) != 0) return 0;
    for (unsigned short i = 0; i < read && i < ShareTable::Entries; ++i) {
        svrapi::share_info_50 record;
        std::memcpy(&record, buffer + i * sizeof record, sizeof record);
        if (record.shi50_type != STYPE_DISKTREE) continue;
        const DWORD k = FreeEntry(table);
        if (k == ShareTable::Entries) break;
        if (!StoreFitting(table.NetName[k], record.shi50_netname) || !StoreFitting(table.Path[k], record.shi50_path) ||
            !StoreFitting(table.Remark[k], record.shi50_remark) ||
            !StoreFitting(table.ReadOnlyPassword[k], record.shi50_ro_password) ||
            !StoreFitting(table.ReadWritePassword[k], record.shi50_rw_password)) {
            // Not kept, so never deleted: clear what was stored.
            table.NetName[k][0] = table.Path[k][0] = table.Remark[k][0] = '\0';
            table.ReadOnlyPassword[k][0] = table.ReadWritePassword[k][0] = '\0';
            continue;
        }
        table.Type[k] = record.shi50_type;
        table.Flags[k] = record.shi50_flags;
        table.InUse[k] = 1;
    }
    return 1;
}

int CWin9xShares::Write(const ShareTable& table) {
    if (!m_loaded) return 0;
    ShareTable current;
    ClearShareTable(current);
    Enumerate(current);
    for (DWORD k = 0; k < ShareTable::Entries; ++k)
        if (current.InUse[k]) NetShareDel(nullptr, current.NetName[k], 0);
    for (DWORD k = 0; k < ShareTable::Entries; ++k) {
        if (!table.InUse[k]) continue;
        svrapi::share_info_50 record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.shi50_netname, table.NetName[k], sizeof record.shi50_netname);
        record.shi50_type = static_cast<unsigned char>(table.Type[k] & 0xFF);
        record.shi50_flags = static_cast<unsigned short>(table.Flags[k] & 0xFFFF);
        record.shi50_remark = const_cast<char*>(table.Remark[k]);
        record.shi50_path = const_cast<char*>(table.Path[k]);
        std::memcpy(record.shi50_rw_password, table.ReadWritePassword[k], sizeof record.shi50_rw_password);
        std::memcpy(record.shi50_ro_password, table.ReadOnlyPassword[k], sizeof record.shi50_ro_password);
        NetShareAdd(nullptr, 50, reinterpret_cast<const char*>(&record), sizeof record);
    }
    return 1;
}

// ---- Windows NT --------------------------------------------------------------------

CWinNTShares::CWinNTShares()
    : NetApiBufferFree("NetApiBufferFree"), NetShareAdd("NetShareAdd"), NetShareDel("NetShareDel"),
      NetShareEnum("NetShareEnum"), m_loaded(0), m_library("netapi32.dll") {
    m_loaded = m_library.Find(NetApiBufferFree, NetShareAdd, NetShareDel, NetShareEnum) ? 1 : 0;
}

int CWinNTShares::Enumerate(ShareTable& table) {
    if (!m_loaded) return 0;
    LPBYTE buffer = nullptr;
    DWORD read = 0, total = 0;
    const NET_API_STATUS status = NetShareEnum(nullptr, 2, &buffer, MAX_PREFERRED_LENGTH, &read, &total, nullptr);
    if (status != 0) {
        if (buffer) NetApiBufferFree(buffer);
        return 0;
    }
    const SHARE_INFO_2* records = reinterpret_cast<const SHARE_INFO_2*>(buffer);
    // The table as it would be, so that too many shares change nothing.
    ShareTable listed;
    ClearShareTable(listed);
    DWORD taken = 0;
    bool tooMany = false;
    for (DWORD i = 0; i < read && records; ++i) {
        const SHARE_INFO_2& r = records[i];
        // Administrative shares carry the special bit; IPC and printers have other types.
        if (r.shi2_type != STYPE_DISKTREE) continue;
        if (taken == ShareTable::Entries) {
            char name[sizeof listed.NetName[0]], path[sizeof listed.Path[0]], remark[sizeof listed.Remark[0]];
            if (StoreExactly(name, r.shi2_netname) && StoreExactly(path, r.shi2_path) &&
                StoreExactly(remark, r.shi2_remark)) {
                tooMany = true;
                break;
            }
            continue;
        }
        if (!StoreExactly(listed.NetName[taken], r.shi2_netname) || !StoreExactly(listed.Path[taken], r.shi2_path) ||
            !StoreExactly(listed.Remark[taken], r.shi2_remark)) {
            listed.NetName[taken][0] = listed.Path[taken][0] = listed.Remark[taken][0] = '\0';
            continue;
        }
        listed.InUse[taken++] = 1;
    }
    if (buffer) NetApiBufferFree(buffer);
    if (tooMany) return 0;
    for (DWORD k = 0; k < taken; ++k) {
        std::memcpy(table.NetName[k], listed.NetName[k], sizeof table.NetName[k]);
        std::memcpy(table.Path[k], listed.Path[k], sizeof table.Path[k]);
        std::memcpy(table.Remark[k], listed.Remark[k], sizeof table.Remark[k]);
        table.InUse[k] = 1;
    }
    return 1;
}

int CWinNTShares::Write(const ShareTable& table) {
    if (!m_loaded) return 0;
    ShareTable current;
    ClearShareTable(current);
    Enumerate(current);
    WCHAR name[sizeof table.NetName[0]];
    for (DWORD k = 0; k < ShareTable::Entries; ++k) {
        if (!current.InUse[k]) continue;
        Widen(name, current.NetName[k]);
        NetShareDel(nullptr, name, 0);
    }
    WCHAR remark[sizeof table.Remark[0]], path[sizeof table.Path[0]];
    for (DWORD k = 0; k < ShareTable::Entries; ++k) {
        if (!table.InUse[k]) continue;
        Widen(name, table.NetName[k]);
        Widen(remark, table.Remark[k]);
        Widen(path, table.Path[k]);
        SHARE_INFO_2 info;
        std::memset(&info, 0, sizeof info);
        info.shi2_netname = name;
        info.shi2_type = STYPE_DISKTREE;
        info.shi2_remark = remark;
        info.shi2_max_uses = SHI_USES_UNLIMITED;
        info.shi2_path = path;
        info.shi2_permissions = 0;
        info.shi2_current_uses = 0;
        info.shi2_passwd = nullptr;
        NetShareAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&info), nullptr);
    }
    return 1;
}
