// The Windows 95/98 logon choices: the built-in "Windows Logon" and one per
// installed network client (a subkey of the NetClient class key), and the
// primary logon, kept as the client's provider name ("PrimaryProvider"),
// its device id ("preferredredir") and a "True" default value under its
// Ndi\Default key. Read and written through the registry functions
// themselves, with the access each step needs; no key is created except
// the chosen client's Ndi\Default.
#include <cstring>
#include <string>

#include "Shared/FieldText.h"
#include "Shared/RegistryPaths.h"
#include "UniqueHandle.h"
#include "WinNetwork.h"

using orvane::UniqueKey;

namespace {

const char kBuiltInLogon[] = "Windows Logon";
const char kDefaultMark[] = "True";

typedef char Text[260];

std::string ClientKey(const char* subkey) { return std::string(reg_paths::kNetClientClass) + "\\" + subkey; }

bool Open(const std::string& path, REGSAM access, UniqueKey& key) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, key.Receive()) == ERROR_SUCCESS;
}

// A REG_SZ of at most 259 characters, with its NUL; anything else fails and
// leaves `out` as it was.
bool QueryText(HKEY key, const char* name, Text& out) {
    Text data;
    DWORD type = 0, size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    // A text stored without its NUL needs room for one.
    if (size == 0 || data[size - 1] != '\0') {
        if (size >= sizeof data) return false;
        data[size] = '\0';
    }
    std::memcpy(out, data, std::strlen(data) + 1);
    return true;
}

bool SetText(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

// Subkeys of the class key; 0 when it cannot be opened.
DWORD ClientCount() {
    UniqueKey key;
    if (!Open(reg_paths::kNetClientClass, KEY_READ, key)) return 0;
    DWORD count = 0;
    for (;; ++count) {
        Text name;
        DWORD size = sizeof name;
        const LONG rc = RegEnumKeyExA(key.Get(), count, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) break;
    }
    return count;
}

}  // namespace

int CWinNetwork::LookupClient(DWORD k, ClientTexts& texts) {
    std::memset(&texts, 0, sizeof texts);
    {
        UniqueKey classKey;
        if (!Open(reg_paths::kNetClientClass, KEY_READ, classKey)) return 0;
        DWORD size = sizeof texts.subkey;
        if (RegEnumKeyExA(classKey.Get(), k, texts.subkey, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            texts.subkey[0] = '\0';
            return 0;
        }
    }
    UniqueKey client;
    if (!Open(ClientKey(texts.subkey), KEY_READ, client) || !QueryText(client.Get(), "DriverDesc", texts.description))
        return 0;
    texts.described = true;
    UniqueKey ndi;
    if (!Open(ClientKey(texts.subkey) + "\\Ndi", KEY_READ, ndi)) return 0;
    return QueryText(ndi.Get(), "DeviceID", texts.deviceId) && QueryText(ndi.Get(), "NetworkProvider", texts.provider)
               ? 1
               : 0;
}

DWORD CWinNetwork::GetLogonCount() const { return IsNT() ? 0 : 1 + ClientCount(); }

bool CWinNetwork::GetLogonName(DWORD index, char (&name)[LogonNameSize]) const {
    if (IsNT()) return false;
    if (index == 0) {
        std::memcpy(name, kBuiltInLogon, sizeof kBuiltInLogon);
        return true;
    }
    // The description names the choice, whatever the client's later values.
    ClientTexts client;
    LookupClient(index - 1, client);
    if (!client.described) return false;
    std::memcpy(name, client.description, std::strlen(client.description) + 1);
    return true;
}

int CWinNetwork::ReadPrimaryLogon(char (&out)[256]) {
    Text provider;
    {
        UniqueKey logon;
        if (!Open(reg_paths::kNetworkLogon, KEY_READ, logon) || !QueryText(logon.Get(), "PrimaryProvider", provider))
            return 0;
    }
    if (!provider[0]) {
        field_text::StoreCut(out, kBuiltInLogon);
        return 1;
    }
    const DWORD clients = ClientCount();
    for (DWORD k = 0; k < clients; ++k) {
        ClientTexts client;
        if (LookupClient(k, client) && std::strcmp(client.provider, provider) == 0) {
            field_text::StoreCut(out, client.description);
            return 1;
        }
    }
    return 0;
}

int CWinNetwork::WritePrimaryLogon(const char* displayName) {
    const bool builtIn = !displayName[0] || std::strcmp(displayName, kBuiltInLogon) == 0;
    ClientTexts chosen;
    std::memset(&chosen, 0, sizeof chosen);
    const DWORD clients = ClientCount();
    if (!builtIn) {
        bool found = false;
        for (DWORD k = 0; k < clients && !found; ++k)
            found = LookupClient(k, chosen) && std::strcmp(chosen.description, displayName) == 0;
        if (!found) return 0;
    }
    {
        UniqueKey redirector;
        if (!Open(reg_paths::kRealModeNet, KEY_WRITE, redirector) ||
            !SetText(redirector.Get(), "preferredredir", chosen.deviceId))
            return 0;
    }
    {
        UniqueKey logon;
        if (!Open(reg_paths::kNetworkLogon, KEY_WRITE, logon) ||
            !SetText(logon.Get(), "PrimaryProvider", chosen.provider))
            return 0;
    }
    // No client keeps the mark but the chosen one.
    for (DWORD k = 0; k < clients; ++k) {
        ClientTexts client;
        LookupClient(k, client);
        UniqueKey ndi;
        if (!client.subkey[0] || !Open(ClientKey(client.subkey) + "\\Ndi", KEY_ALL_ACCESS, ndi)) return 0;
        const LONG rc = RegDeleteKeyA(ndi.Get(), "Default");
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return 0;
    }
    if (builtIn) return 1;
    UniqueKey mark;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (ClientKey(chosen.subkey) + "\\Ndi\\Default").c_str(), 0,
                        const_cast<char*>(""), REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, mark.Receive(),
                        &disposition) != ERROR_SUCCESS)
        return 0;
    return SetText(mark.Get(), "", kDefaultMark) ? 1 : 0;
}
