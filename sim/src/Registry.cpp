// The registry functions of ADVAPI32 over the in-memory hive, with the
// results, error codes and size rules of Win32.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "CodePage.h"
#include "Hive.h"
#include "State.h"
#include "Lock.h"
#include "Slots.h"

using sim::KeyAccess;
using sim::hive::Key;

namespace {

constexpr DWORD kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | WRITE_DAC | WRITE_OWNER;

struct OpenKey {
    std::shared_ptr<Key> key;  // null once closed
    REGSAM access = 0;
};

struct HandleTable {
    // Key handles are 0x1000, 0x1004, ... and the same with a generation above.
    sim::Slots<OpenKey> open{0x1000, 4};
    size_t openings = 0;
    std::vector<sim::RegWrite> writes;
    size_t failAt = 0;  // the index in `writes` of the change to fail, plus one
    LONG failWith = ERROR_ACCESS_DENIED;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

bool NtMode() { return sim::GetPlatform() != sim::Platform::Win98; }

// Windows 95/98 has no key security: the rights asked for are not checked.
bool Allowed(REGSAM granted, REGSAM needed) { return !NtMode() || (granted & needed) == needed; }

// What every Reg* function does first: the key behind the handle, open and
// not deleted, and opened with the rights the call needs (none for calls
// that check rights on another key).
struct Target {
    std::shared_ptr<Key> key;
    REGSAM granted = 0;
};

LONG Resolve(HKEY hKey, REGSAM needed, Target* out) {
    if (auto* root = sim::hive::FindRoot(hKey)) {
        out->key = root->key;
        out->granted = KEY_ALL_ACCESS;
    } else {
        const OpenKey* open = Handles().open.Find(reinterpret_cast<uint64_t>(hKey));
        if (!open) return ERROR_INVALID_HANDLE;
        if (open->key->deleted) return ERROR_KEY_DELETED;
        out->key = open->key;
        out->granted = open->access;
    }
    return Allowed(out->granted, needed) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

HKEY NewHandle(Key* key, REGSAM access) {
    auto& t = Handles();
    uint64_t handle = 0;
    OpenKey& open = t.open.Acquire(&handle);
    open.key = key->shared_from_this();
    open.access = access;
    ++t.openings;
    return reinterpret_cast<HKEY>(handle);
}

// Follows a path below `from`, checking the injected access of every key
// on the way. Returns the key or an error. A key that would lie more than
// kMaxDepth levels below its root is refused before anything is created,
// as Windows refuses it ("The parameter is incorrect").
LONG Walk(Key* from, std::string_view path, bool create, bool wantWrite, Key** out, bool* created) {
    if (created) *created = false;
    if (!path.empty() && path.front() == '\\') return ERROR_BAD_PATHNAME;
    if (create && from->depth + sim::hive::PathDepth(path) > sim::hive::kMaxDepth) return ERROR_INVALID_PARAMETER;
    const auto where = sim::hive::SubkeyPlacement();
    Key* k = from;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        if (sim::hive::EffectiveAccess(k) == KeyAccess::Denied) return ERROR_ACCESS_DENIED;
        Key* child = k->FindChild(part);
        if (!child) {
            if (!create) return ERROR_FILE_NOT_FOUND;
            if (sim::hive::EffectiveAccess(k) != KeyAccess::Normal) return ERROR_ACCESS_DENIED;
            child = k->AddChild(part, where);
            if (created) *created = true;
        }
        k = child;
    }
    KeyAccess a = sim::hive::EffectiveAccess(k);
    if (a == KeyAccess::Denied) return ERROR_ACCESS_DENIED;
    if (a == KeyAccess::ReadOnly && wantWrite) return ERROR_ACCESS_DENIED;
    *out = k;
    return ERROR_SUCCESS;
}

// Every change passes here just before it is made: it is recorded, and an
// armed failure stops it (non-zero: the error to answer, nothing changed).
LONG Change(sim::RegWrite::Kind kind, const Key* key, std::string_view value) {
    auto& t = Handles();
    sim::RegWrite w;
    w.kind = kind;
    w.key = sim::hive::FullName(key);
    w.value = std::string(value);
    w.failed = t.failAt != 0 && t.writes.size() + 1 == t.failAt;
    t.writes.push_back(std::move(w));
    return t.writes.back().failed ? t.failWith : ERROR_SUCCESS;
}

bool Writable(const Key* key) { return sim::hive::EffectiveAccess(key) == KeyAccess::Normal; }

bool SubtreeWritable(const Key* key) {
    if (!Writable(key)) return false;
    std::vector<const Key*> pending{key};
    while (!pending.empty()) {
        const Key* k = pending.back();
        pending.pop_back();
        for (const Key& child : k->children) {
            if (child.access != KeyAccess::Normal) return false;
            pending.push_back(&child);
        }
    }
    return true;
}

std::string_view Name(LPCSTR name) { return name ? std::string_view(name) : std::string_view(); }

// The bytes a value set through the ANSI function is stored with, as Wine
// measures them in each mode (registry conformance checks). Windows 95/98
// keeps a REG_SZ up to its first NUL and adds the NUL, whatever the count
// says (so an empty text is one NUL byte, which the key information counts
// like any other), and every other type as given; NT completes a text,
// expandable text or list whose last byte is not NUL. Neither reads past
// the count given. What is stored is what the queries hand out.
std::vector<BYTE> Stored(DWORD type, const BYTE* data, DWORD size) {
    if (!NtMode()) {
        if (type != REG_SZ) return std::vector<BYTE>(data, data + size);
        const void* nul = size ? std::memchr(data, 0, size) : nullptr;
        std::vector<BYTE> text(data, nul ? static_cast<const BYTE*>(nul) : data + size);
        text.push_back(0);
        return text;
    }
    std::vector<BYTE> bytes(data, data + size);
    if (sim::hive::IsStringType(type) && size > 0 && data[size - 1] != 0) bytes.push_back(0);
    return bytes;
}

// Copies a value's data into a caller's buffer of `capacity` bytes (room
// for the data checked already). A text stored without its terminator gets
// one after it when the buffer has room, not counted in the size, as
// Windows documents for both query functions and Wine does.
void CopyData(const sim::hive::Value& v, BYTE* out, DWORD capacity) {
    const sim::hive::ByteView data = v.Data();
    const size_t size = data.size();
    if (size) std::memcpy(out, data.data(), size);
    if (sim::hive::IsStringType(v.type) && size && data.back() != 0 && capacity > size) out[size] = 0;
}

}  // namespace

namespace sim {
size_t OpenKeyHandles() {
    const sim::Locked locked;
    return Handles().open.Live();
}
size_t KeyOpenCount() {
    const sim::Locked locked;
    return Handles().openings;
}
void ResetHandles() {
    Handles() = HandleTable{};
}
const std::vector<RegWrite>& RegistryWrites() {
    const sim::Locked locked;
    return Handles().writes;
}
void ClearRegistryWrites() {
    const sim::Locked locked;
    Handles().writes.clear();
    Handles().failAt = 0;
}
void FailRegistryWrite(size_t nth, LONG error) {
    const sim::Locked locked;
    auto& t = Handles();
    t.failAt = nth ? t.writes.size() + nth : 0;
    t.failWith = error;
}
}  // namespace sim

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
    const sim::Locked locked;
    (void)ulOptions;
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    Target base;
    if (LONG rc = Resolve(hKey, 0, &base)) return rc;
    Key* key = nullptr;
    if (LONG rc = Walk(base.key.get(), Name(lpSubKey), false, (samDesired & kWriteRights) != 0, &key, nullptr))
        return rc;
    *phkResult = NewHandle(key, samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                            REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                            LPDWORD lpdwDisposition) {
    const sim::Locked locked;
    (void)lpClass;
    (void)dwOptions;
    (void)lpSecurityAttributes;
    if (Reserved != 0 || !phkResult) return ERROR_INVALID_PARAMETER;
    Target base;
    if (LONG rc = Resolve(hKey, 0, &base)) return rc;
    Key* existing = nullptr;
    const bool exists = Walk(base.key.get(), Name(lpSubKey), false, false, &existing, nullptr) == ERROR_SUCCESS;
    if (!exists && !Allowed(base.granted, KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    Key* key = nullptr;
    bool created = false;
    if (LONG rc = Walk(base.key.get(), Name(lpSubKey), true, (samDesired & kWriteRights) != 0, &key, &created))
        return rc;
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = NewHandle(key, samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey) {
    const sim::Locked locked;
    if (sim::hive::FindRoot(hKey)) return ERROR_SUCCESS;
    const auto handle = reinterpret_cast<uint64_t>(hKey);
    OpenKey* open = Handles().open.Find(handle);
    if (!open) return ERROR_INVALID_HANDLE;
    open->key.reset();
    Handles().open.Release(handle);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
    const sim::Locked locked;
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    Target t;
    if (LONG rc = Resolve(hKey, KEY_QUERY_VALUE, &t)) return rc;
    const sim::hive::Value* v = t.key->FindValue(Name(lpValueName));
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (lpType) *lpType = v->type;
    const DWORD size = static_cast<DWORD>(v->Data().size());
    if (lpData) {
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        CopyData(*v, lpData, *lpcbData);
    }
    if (lpcbData) *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                           DWORD cbData) {
    const sim::Locked locked;
    (void)Reserved;
    // Windows 95/98 reads a REG_SZ up to its NUL and so wants one there.
    if (!lpData && (cbData || (!NtMode() && dwType == REG_SZ))) return ERROR_INVALID_PARAMETER;
    Target t;
    if (LONG rc = Resolve(hKey, KEY_SET_VALUE, &t)) return rc;
    if (!Writable(t.key.get())) return ERROR_ACCESS_DENIED;
    const std::vector<BYTE> bytes = Stored(dwType, lpData, cbData);
    if (LONG rc = Change(sim::RegWrite::SetValue, t.key.get(), Name(lpValueName))) return rc;
    t.key->SetValue(Name(lpValueName), dwType, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    const sim::Locked locked;
    Target t;
    if (LONG rc = Resolve(hKey, KEY_SET_VALUE, &t)) return rc;
    if (!t.key->FindValue(Name(lpValueName))) return ERROR_FILE_NOT_FOUND;
    if (!Writable(t.key.get())) return ERROR_ACCESS_DENIED;
    if (LONG rc = Change(sim::RegWrite::DeleteValue, t.key.get(), Name(lpValueName))) return rc;
    t.key->RemoveValue(Name(lpValueName));
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    const sim::Locked locked;
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    Target base;
    if (LONG rc = Resolve(hKey, 0, &base)) return rc;
    Key* key = nullptr;
    if (LONG rc = Walk(base.key.get(), lpSubKey, false, false, &key, nullptr)) return rc;
    if (!key->parent) return ERROR_ACCESS_DENIED;  // a root key
    if (NtMode()) {
        // NT deletes one key; one that still has subkeys is refused.
        if (!key->children.empty() || !Writable(key)) return ERROR_ACCESS_DENIED;
    } else if (!SubtreeWritable(key)) {
        return ERROR_ACCESS_DENIED;
    }
    if (LONG rc = Change(sim::RegWrite::DeleteKey, key, {})) return rc;
    key->parent->DetachChild(key);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                             LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                             LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                             PFILETIME lpftLastWriteTime) {
    const sim::Locked locked;
    if (lpReserved) return ERROR_INVALID_PARAMETER;
    Target t;
    if (LONG rc = Resolve(hKey, KEY_QUERY_VALUE, &t)) return rc;
    const Key& key = *t.key;
    if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = '\0';
    if (lpcchClass) *lpcchClass = 0;
    if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(key.children.size());
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = static_cast<DWORD>(key.children.LongestName());
    if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
    if (lpcValues) *lpcValues = static_cast<DWORD>(key.values.size());
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = static_cast<DWORD>(key.values.LongestName());
    if (lpcbMaxValueLen) *lpcbMaxValueLen = static_cast<DWORD>(t.key->LargestValue());
    if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                          LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    const sim::Locked locked;
    if (lpReserved || !lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
    Target t;
    if (LONG rc = Resolve(hKey, KEY_ENUMERATE_SUB_KEYS, &t)) return rc;
    const Key* child = t.key->children.At(dwIndex);
    if (!child) return ERROR_NO_MORE_ITEMS;
    const std::string& name = child->name;
    if (name.size() >= *lpcchName) return ERROR_MORE_DATA;
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = '\0';
    if (lpcchClass) *lpcchClass = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    const sim::Locked locked;
    DWORD size = cchName;
    return RegEnumKeyExA(hKey, dwIndex, lpName, &size, nullptr, nullptr, nullptr, nullptr);
}

LONG WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                          LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    const sim::Locked locked;
    if (lpReserved || !lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    Target t;
    if (LONG rc = Resolve(hKey, KEY_QUERY_VALUE, &t)) return rc;
    const sim::hive::Value* v = t.key->values.At(dwIndex);
    if (!v) return ERROR_NO_MORE_ITEMS;
    const DWORD size = static_cast<DWORD>(v->Data().size());
    const std::string_view name = v->Name();
    if (name.size() >= *lpcchValueName) {
        // As Wine does: the name cut to fit and the data size are handed out.
        if (*lpcchValueName > 0) {
            std::memcpy(lpValueName, name.data(), *lpcchValueName - 1);
            lpValueName[*lpcchValueName - 1] = '\0';
        }
        if (lpcbData) *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (lpData && *lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (!name.empty()) std::memcpy(lpValueName, name.data(), name.size());
    lpValueName[name.size()] = '\0';
    *lpcchValueName = static_cast<DWORD>(name.size());
    if (lpType) *lpType = v->type;
    if (lpData) CopyData(*v, lpData, *lpcbData);
    if (lpcbData) *lpcbData = size;
    return ERROR_SUCCESS;
}

}  // extern "C"
