// The current user's persistent drive connections of the Microsoft network
// provider: one key per drive letter below HKEY_CURRENT_USER, loaded into
// the connection table and made again from it by every write. Drives of
// other providers, or whose "ProviderName" differs even in letter case, are
// never touched; neither is a drive whose path or user name does not fit
// the table, since the write could not make it again as it was.
#include <cstdio>
#include <cstring>
#include <string>

#include "Registry.h"
#include "Shared/FieldText.h"
#include "Shared/RegistryPaths.h"
#include "WinNetwork.h"

namespace {

const char kProvider9x[] = "Microsoft Network";
const char kProviderNT[] = "Microsoft Windows Network";
// WNNC_NET_LANMAN and RESOURCETYPE_DISK, which NT keeps with each connection.
const DWORD kLanManProvider = 0x20000;
const DWORD kDiskConnection = 1;

struct DriveKey {
    char name[32];
};

DriveKey KeyOf(bool nt, char letter) {
    DriveKey key;
    std::snprintf(key.name, sizeof key.name, "%s%c", nt ? reg_paths::kPersistentNT : reg_paths::kPersistentWin9x,
                  letter);
    return key;
}

// The drive's connection when it is ours and fits the table: its path and
// user name (each empty when unreadable).
bool ReadOurs(CRegistry& reg, bool nt, const DriveKey& key, PersistentConnection& out) {
    std::string provider, path, user;
    if (!reg.GetString(key.name, "ProviderName", provider) || provider != (nt ? kProviderNT : kProvider9x))
        return false;
    reg.GetString(key.name, "RemotePath", path);
    reg.GetString(key.name, "UserName", user);
    return field_text::StoreWhole(out.RemotePath, path) && field_text::StoreWhole(out.UserName, user);
}

}  // namespace

void CWinNetwork::LoadConnections() {
    CRegistry reg(HKEY_CURRENT_USER);
    DWORD next = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        PersistentConnection& entry = m_fields.Connections[next];
        std::memset(&entry, 0, sizeof entry);
        if (!ReadOurs(reg, IsNT(), KeyOf(IsNT(), letter), entry)) {
            std::memset(&entry, 0, sizeof entry);
            continue;
        }
        std::snprintf(entry.LocalName, sizeof entry.LocalName, "%c:", letter);
        entry.InUse = 1;
        ++next;
    }
}

void CWinNetwork::RewriteConnections() {
    CRegistry reg(HKEY_CURRENT_USER);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const DriveKey key = KeyOf(IsNT(), letter);
        PersistentConnection probe;
        if (ReadOurs(reg, IsNT(), key, probe)) reg.Delete(key.name);
    }
    for (const PersistentConnection& entry : m_fields.Connections) {
        if (!entry.InUse) continue;
        const DriveKey key = KeyOf(IsNT(), entry.LocalName[0]);
        reg.SetString(key.name, "RemotePath", entry.RemotePath);
        reg.SetString(key.name, "UserName", entry.UserName);
        reg.SetString(key.name, "ProviderName", IsNT() ? kProviderNT : kProvider9x);
        if (IsNT()) {
            reg.SetDword(key.name, "ProviderType", kLanManProvider);
            reg.SetDword(key.name, "ConnectionType", kDiskConnection);
        }
    }
}
