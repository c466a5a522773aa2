// The registry functions of ADVAPI32 over the in-memory hive, with the
// results, error codes and size rules of Win32.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "CodePage.h"
#include "Hive.h"
#include "State.h"

namespace sim::hive {

namespace {

bool NameLess(const std::shared_ptr<Key>& k, std::string_view name) {
    return cp1252::CompareNames(k->name, name) < 0;
}

bool ValueLess(const Value& v, std::string_view name) { return cp1252::CompareNames(v.name, name) < 0; }

void MarkDeleted(Key* key) {
    key->deleted = true;
    for (auto& c : key->children) MarkDeleted(c.get());
}

template <typename Fn>
void ForEachPart(std::string_view path, Fn fn) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) {
            if (!fn(path.substr(start, end - start))) return;
        }
        start = end + 1;
    }
}

}  // namespace

Key* Key::FindChild(std::string_view childName) const {
    auto it = std::lower_bound(children.begin(), children.end(), childName, NameLess);
    if (it != children.end() && cp1252::CompareNames((*it)->name, childName) == 0) return it->get();
    return nullptr;
}

Key* Key::AddChild(std::string_view childName) {
    auto it = std::lower_bound(children.begin(), children.end(), childName, NameLess);
    if (it != children.end() && cp1252::CompareNames((*it)->name, childName) == 0) return it->get();
    auto child = std::make_shared<Key>();
    child->name = std::string(childName);
    child->parent = this;
    return children.insert(it, std::move(child))->get();
}

bool Key::RemoveChild(std::string_view childName) {
    auto it = std::lower_bound(children.begin(), children.end(), childName, NameLess);
    if (it == children.end() || cp1252::CompareNames((*it)->name, childName) != 0) return false;
    MarkDeleted(it->get());
    (*it)->parent = nullptr;
    children.erase(it);
    return true;
}

Value* Key::FindValue(std::string_view valueName) {
    auto it = std::lower_bound(values.begin(), values.end(), valueName, ValueLess);
    return it != values.end() && cp1252::CompareNames(it->name, valueName) == 0 ? &*it : nullptr;
}

const Value* Key::FindValue(std::string_view valueName) const {
    auto it = std::lower_bound(values.begin(), values.end(), valueName, ValueLess);
    return it != values.end() && cp1252::CompareNames(it->name, valueName) == 0 ? &*it : nullptr;
}

void Key::SetValue(std::string_view valueName, DWORD type, const BYTE* data, size_t size) {
    auto it = std::lower_bound(values.begin(), values.end(), valueName, ValueLess);
    if (it == values.end() || cp1252::CompareNames(it->name, valueName) != 0)
        it = values.insert(it, Value{std::string(valueName), type, {}});
    it->type = type;
    it->data.assign(data, data + size);
}

bool Key::RemoveValue(std::string_view valueName) {
    auto it = std::lower_bound(values.begin(), values.end(), valueName, ValueLess);
    if (it == values.end() || cp1252::CompareNames(it->name, valueName) != 0) return false;
    values.erase(it);
    return true;
}

std::vector<Root>& Roots() {
    static std::vector<Root> roots = [] {
        std::vector<Root> r;
        r.push_back({"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE, nullptr});
        r.push_back({"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER, nullptr});
        r.push_back({"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG, nullptr});
        r.push_back({"HKEY_USERS", "HKU", HKEY_USERS, nullptr});
        r.push_back({"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT, nullptr});
        for (auto& root : r) {
            root.key = std::make_shared<Key>();
            root.key->name = root.longName;
        }
        return r;
    }();
    return roots;
}

Root* FindRoot(HKEY handle) {
    for (auto& r : Roots())
        if (r.handle == handle) return &r;
    return nullptr;
}

Root* FindRootByName(std::string_view name) {
    for (auto& r : Roots())
        if (cp1252::CompareNames(r.longName, name) == 0 || cp1252::CompareNames(r.shortName, name) == 0) return &r;
    return nullptr;
}

Root* SplitFullPath(std::string_view fullPath, std::string_view* rest) {
    size_t sep = fullPath.find('\\');
    std::string_view rootName = fullPath.substr(0, sep);
    Root* root = FindRootByName(rootName);
    if (rest) *rest = sep == std::string_view::npos ? std::string_view() : fullPath.substr(sep + 1);
    return root;
}

Key* Find(Key* from, std::string_view path) {
    Key* k = from;
    ForEachPart(path, [&](std::string_view part) {
        k = k->FindChild(part);
        return k != nullptr;
    });
    return k;
}

Key* Create(Key* from, std::string_view path) {
    Key* k = from;
    ForEachPart(path, [&](std::string_view part) {
        k = k->AddChild(part);
        return true;
    });
    return k;
}

std::string FullName(const Key* key) {
    std::vector<const Key*> chain;
    for (const Key* k = key; k; k = k->parent) chain.push_back(k);
    std::string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!out.empty()) out += '\\';
        out += (*it)->name;
    }
    return out;
}

KeyAccess EffectiveAccess(const Key* key) {
    for (const Key* k = key; k; k = k->parent)
        if (k->access != KeyAccess::Normal) return k->access;
    return KeyAccess::Normal;
}

void ResetAll() {
    for (auto& r : Roots()) {
        if (r.key) MarkDeleted(r.key.get());
        r.key = std::make_shared<Key>();
        r.key->name = r.longName;
    }
}

}  // namespace sim::hive

// ---------------------------------------------------------------------------
// Handles and the Reg* functions.

using sim::KeyAccess;
using sim::hive::Key;

namespace {

constexpr DWORD kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | WRITE_DAC | WRITE_OWNER;

struct OpenKey {
    std::shared_ptr<Key> key;
    REGSAM access = 0;
};

struct HandleTable {
    std::unordered_map<ULONG_PTR, OpenKey> open;
    ULONG_PTR next = 0x1000;
    size_t openings = 0;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

bool NtMode() { return sim::GetPlatform() != sim::Platform::Win98; }

// Resolves a handle to its key and the rights it was opened with.
LONG Resolve(HKEY hKey, std::shared_ptr<Key>* key, REGSAM* access) {
    if (auto* root = sim::hive::FindRoot(hKey)) {
        *key = root->key;
        *access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    auto& open = Handles().open;
    auto it = open.find(reinterpret_cast<ULONG_PTR>(hKey));
    if (it == open.end()) return ERROR_INVALID_HANDLE;
    if (it->second.key->deleted) return ERROR_KEY_DELETED;
    *key = it->second.key;
    *access = it->second.access;
    return ERROR_SUCCESS;
}

// Windows 95/98 has no key security: the rights asked for are not checked.
bool Allowed(REGSAM granted, REGSAM needed) { return !NtMode() || (granted & needed) == needed; }

HKEY NewHandle(const std::shared_ptr<Key>& key, REGSAM access) {
    auto& t = Handles();
    ULONG_PTR value = t.next;
    t.next += 4;
    t.open[value] = OpenKey{key, access};
    ++t.openings;
    return reinterpret_cast<HKEY>(value);
}

std::shared_ptr<Key> Shared(Key* key) {
    if (!key) return nullptr;
    if (!key->parent) {
        for (auto& r : sim::hive::Roots())
            if (r.key.get() == key) return r.key;
        return nullptr;
    }
    for (auto& c : key->parent->children)
        if (c.get() == key) return c;
    return nullptr;
}

// Follows a path below `from`, checking the injected access of every key
// on the way. Returns the key or an error.
LONG Walk(Key* from, std::string_view path, bool create, bool wantWrite, Key** out, bool* created) {
    if (created) *created = false;
    if (!path.empty() && path.front() == '\\') return ERROR_BAD_PATHNAME;
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
            child = k->AddChild(part);
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

bool Writable(const Key* key) { return sim::hive::EffectiveAccess(key) == KeyAccess::Normal; }

bool SubtreeWritable(const Key* key) {
    if (!Writable(key)) return false;
    for (auto& c : key->children)
        if (!SubtreeWritable(c.get())) return false;
    return true;
}

std::string_view Name(LPCSTR name) { return name ? std::string_view(name) : std::string_view(); }

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// String values as the ANSI functions see them, following Wine in every
// mode (measured with the registry conformance checks): a text stored
// without its terminator gets one (on Windows 95/98 single texts only, not
// lists), and the key information counts the longest value as UTF-16.
bool GetsTerminator(DWORD type) {
    return NtMode() ? IsStringType(type) : (type == REG_SZ || type == REG_EXPAND_SZ);
}

size_t InfoSize(const sim::hive::Value& v) { return IsStringType(v.type) ? v.data.size() * 2 : v.data.size(); }

// Windows 95/98 hands out an empty text as one NUL byte.
const BYTE kEmptyText[1] = {0};
void DataOf(const sim::hive::Value& v, const BYTE** data, DWORD* size) {
    if (!NtMode() && v.type == REG_SZ && v.data.empty()) {
        *data = kEmptyText;
        *size = 1;
        return;
    }
    *data = v.data.data();
    *size = static_cast<DWORD>(v.data.size());
}

}  // namespace

namespace sim {
size_t OpenKeyHandles() { return Handles().open.size(); }
size_t KeyOpenCount() { return Handles().openings; }
void ResetHandles() {
    Handles().open.clear();
    Handles().openings = 0;
}
}  // namespace sim

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
    (void)ulOptions;
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> base;
    REGSAM granted = 0;
    LONG rc = Resolve(hKey, &base, &granted);
    if (rc != ERROR_SUCCESS) return rc;
    Key* key = nullptr;
    rc = Walk(base.get(), Name(lpSubKey), false, (samDesired & kWriteRights) != 0, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    *phkResult = NewHandle(Shared(key), samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                            REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                            LPDWORD lpdwDisposition) {
    (void)lpClass;
    (void)dwOptions;
    (void)lpSecurityAttributes;
    if (Reserved != 0 || !phkResult) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> base;
    REGSAM granted = 0;
    LONG rc = Resolve(hKey, &base, &granted);
    if (rc != ERROR_SUCCESS) return rc;
    Key* existing = nullptr;
    const bool exists = Walk(base.get(), Name(lpSubKey), false, false, &existing, nullptr) == ERROR_SUCCESS;
    if (!exists && !Allowed(granted, KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    Key* key = nullptr;
    bool created = false;
    rc = Walk(base.get(), Name(lpSubKey), true, (samDesired & kWriteRights) != 0, &key, &created);
    if (rc != ERROR_SUCCESS) return rc;
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = NewHandle(Shared(key), samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey) {
    if (sim::hive::FindRoot(hKey)) return ERROR_SUCCESS;
    auto& open = Handles().open;
    auto it = open.find(reinterpret_cast<ULONG_PTR>(hKey));
    if (it == open.end()) return ERROR_INVALID_HANDLE;
    open.erase(it);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    REGSAM granted = 0;
    LONG rc = Resolve(hKey, &key, &granted);
    if (rc != ERROR_SUCCESS) return rc;
    if (!Allowed(granted, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    const sim::hive::Value* v = key->FindValue(Name(lpValueName));
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (lpType) *lpType = v->type;
    const BYTE* bytes = nullptr;
    DWORD size = 0;
    DataOf(*v, &bytes, &size);
    if (lpData) {
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        if (size) std::memcpy(lpData, bytes, size);
    }
    if (lpcbData) *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                           DWORD cbData) {
    (void)Reserved;
    if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    REGSAM granted = 0;
    LONG rc = Resolve(hKey, &key, &granted);
    if (rc != ERROR_SUCCESS) return rc;
    if (!Allowed(granted, KEY_SET_VALUE) || !Writable(key.get())) return ERROR_ACCESS_DENIED;
    if (GetsTerminator(dwType) && cbData > 0 && lpData[cbData - 1] != 0) {
        std::vector<BYTE> terminated(lpData, lpData + cbData);
        terminated.push_back(0);
        key->SetValue(Name(lpValueName), dwType, terminated.data(), terminated.size());
        return ERROR_SUCCESS;
    }
    key->SetValue(Name(lpValueName), dwType, lpData, cbData);
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    std::shared_ptr<Key> key;
    REGSAM granted = 0;
    LONG rc = Resolve(hKey, &key, &granted);
    if (rc != ERROR_SUCCESS) return rc;
    if (!Allowed(granted, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (!key->FindValue(Name(lpValueName))) return ERROR_FILE_NOT_FOUND;
    if (!Writable(key.get())) return ERROR_ACCESS_DENIED;
    key->RemoveValue(Name(lpValueName));
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> base;
    REGSAM granted = 0;
    LONG rc = Resolve(hKey, &base, &granted);
    if (rc != ERROR_SUCCESS) return rc;
    Key* key = nullptr;
    rc = Walk(base.get(), lpSubKey, false, false, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    if (!key->parent) return ERROR_ACCESS_DENIED;  // a root key
    if (NtMode()) {
        // NT deletes one key; one that still has subkeys is refused.
        if (!key->children.empty() || !Writable(key)) return ERROR_ACCESS_DENIED;
    } else if (!SubtreeWritable(key)) {
        return ERROR_ACCESS_DENIED;
    }
    key->parent->RemoveChild(key->name);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                             LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                             LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                             PFILETIME lpftLastWriteTime) {
    if (lpReserved) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    REGSAM granted = 0;
    LONG rc = Resolve(hKey, &key, &granted);
    if (rc != ERROR_SUCCESS) return rc;
    if (!Allowed(granted, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    DWORD maxSub = 0, maxName = 0, maxData = 0;
    for (auto& c : key->children) maxSub = std::max<DWORD>(maxSub, static_cast<DWORD>(c->name.size()));
    for (auto& v : key->values) {
        maxName = std::max<DWORD>(maxName, static_cast<DWORD>(v.name.size()));
        maxData = std::max<DWORD>(maxData, static_cast<DWORD>(InfoSize(v)));
    }
    if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = '\0';
    if (lpcchClass) *lpcchClass = 0;
    if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(key->children.size());
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = maxSub;
    if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
    if (lpcValues) *lpcValues = static_cast<DWORD>(key->values.size());
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = maxName;
    if (lpcbMaxValueLen) *lpcbMaxValueLen = maxData;
    if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                          LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    if (lpReserved || !lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    REGSAM granted = 0;
    LONG rc = Resolve(hKey, &key, &granted);
    if (rc != ERROR_SUCCESS) return rc;
    if (!Allowed(granted, KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    if (dwIndex >= key->children.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& name = key->children[dwIndex]->name;
    if (name.size() >= *lpcchName) return ERROR_MORE_DATA;
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = '\0';
    if (lpcchClass) *lpcchClass = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    DWORD size = cchName;
    return RegEnumKeyExA(hKey, dwIndex, lpName, &size, nullptr, nullptr, nullptr, nullptr);
}

LONG WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                          LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved || !lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    REGSAM granted = 0;
    LONG rc = Resolve(hKey, &key, &granted);
    if (rc != ERROR_SUCCESS) return rc;
    if (!Allowed(granted, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (dwIndex >= key->values.size()) return ERROR_NO_MORE_ITEMS;
    const sim::hive::Value& v = key->values[dwIndex];
    const BYTE* bytes = nullptr;
    DWORD size = 0;
    DataOf(v, &bytes, &size);
    if (v.name.size() >= *lpcchValueName) {
        // As Wine does: the name cut to fit and the data size are handed out.
        if (*lpcchValueName > 0) {
            std::memcpy(lpValueName, v.name.data(), *lpcchValueName - 1);
            lpValueName[*lpcchValueName - 1] = '\0';
        }
        if (lpcbData) *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (lpData && *lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpValueName, v.name.c_str(), v.name.size() + 1);
    *lpcchValueName = static_cast<DWORD>(v.name.size());
    if (lpType) *lpType = v.type;
    if (lpData && size) std::memcpy(lpData, bytes, size);
    if (lpcbData) *lpcbData = size;
    return ERROR_SUCCESS;
}

}  // extern "C"
