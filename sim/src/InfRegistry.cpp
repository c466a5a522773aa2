// AddReg and DelReg lines of an INF file, carried out through the registry
// functions of the simulated machine:
//
//   root, [subkey], [value name], [flags], [value ...]
//
// The meaning of each flag, the value types and the data forms are those of
// the setup functions as measured under Wine (see the INF conformance
// checks).
#include <setupapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Inf.h"

namespace sim::inf {

namespace {

HKEY RootKey(const std::string& name, HKEY relativeRoot) {
    if (SameName(name, "HKR")) return relativeRoot;
    if (SameName(name, "HKLM")) return HKEY_LOCAL_MACHINE;
    if (SameName(name, "HKCU")) return HKEY_CURRENT_USER;
    if (SameName(name, "HKCR")) return HKEY_CLASSES_ROOT;
    if (SameName(name, "HKU")) return HKEY_USERS;
    return nullptr;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// The number at the start of `text` read as strtoul/strtol read it with base
// 0 (0x... hexadecimal, 0... octal, decimal otherwise). `used` tells how far
// the digits went; `overflow` whether the magnitude passed 32 bits.
struct Number {
    uint64_t magnitude = 0;
    bool negative = false;
    bool overflow = false;
    size_t digits = 0;
    size_t used = 0;
};

Number ReadNumber(const std::string& text) {
    Number n;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) n.negative = text[i++] == '-';
    int base = 10;
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        DigitValue(text[i + 2]) < 16) {
        base = 16;
        i += 2;
    } else if (i < text.size() && text[i] == '0') {
        base = 8;
    }
    for (; i < text.size() && DigitValue(text[i]) < base; ++i, ++n.digits) {
        n.magnitude = n.magnitude * unsigned(base) + unsigned(DigitValue(text[i]));
        if (n.magnitude > 0xFFFFFFFFull) {
            n.overflow = true;
            n.magnitude = 0xFFFFFFFFull;
        }
    }
    n.used = i;
    return n;
}

// SetupGetIntField: an empty field is 0; anything but one whole number
// fails.
bool ReadFlags(const std::string& text, DWORD* flags) {
    if (text.empty()) {
        *flags = 0;
        return true;
    }
    const Number n = ReadNumber(text);
    if (n.digits == 0 || n.used != text.size()) return false;
    int64_t v = n.negative ? -int64_t(n.magnitude) : int64_t(n.magnitude);
    if (n.overflow || v > 0x7FFFFFFF) v = n.negative ? INT32_MIN : INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    *flags = static_cast<DWORD>(static_cast<int32_t>(v));
    return true;
}

// A one-field REG_DWORD: strtoul with base 0; what follows the number is
// ignored, no number at all is 0.
DWORD ReadDword(const std::string& text) {
    const Number n = ReadNumber(text);
    if (n.overflow) return 0xFFFFFFFFu;
    const DWORD v = static_cast<DWORD>(n.magnitude);
    return n.negative ? DWORD(0u - v) : v;
}

// Binary data: one byte per field, written in hexadecimal. The hex digits at
// the start of a field count; a field whose value passes FF leaves that
// byte and all after it 0.
std::vector<BYTE> ReadBytes(const File& file, const Line& line, size_t first) {
    std::vector<BYTE> bytes;
    bool broken = false;
    for (size_t i = first; i <= line.fields.size(); ++i) {
        std::string text;
        file.Field(line, i, &text);
        unsigned value = 0;
        for (size_t k = 0; !broken && k < text.size() && DigitValue(text[k]) < 16; ++k) {
            value = value * 16 + unsigned(DigitValue(text[k]));
            if (value > 0xFF) broken = true;
        }
        bytes.push_back(broken ? 0 : static_cast<BYTE>(value));
    }
    return bytes;
}

// The strings of fields `first`... up to the first empty one, each with its
// NUL, and the closing NUL. False when the line has no such field.
bool ReadList(const File& file, const Line& line, size_t first, std::string* list) {
    if (first > line.fields.size()) return false;
    list->clear();
    for (size_t i = first; i <= line.fields.size(); ++i) {
        std::string text;
        file.Field(line, i, &text);
        if (text.empty()) break;
        *list += text;
        *list += '\0';
    }
    *list += '\0';
    return true;
}

std::vector<std::string> SplitList(const std::string& data) {
    std::vector<std::string> items;
    size_t i = 0;
    while (i < data.size() && data[i] != '\0') {
        const size_t end = data.find('\0', i);
        items.push_back(data.substr(i, end == std::string::npos ? std::string::npos : end - i));
        if (end == std::string::npos) break;
        i = end + 1;
    }
    return items;
}

bool ReadExistingList(HKEY key, const std::string& name, std::vector<std::string>* items) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ)
        return false;
    std::string data(size, '\0');
    if (size && RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &size) !=
                    ERROR_SUCCESS)
        return false;
    data.resize(size);
    *items = SplitList(data);
    return true;
}

void WriteList(HKEY key, const std::string& name, const std::vector<std::string>& items) {
    std::string data;
    for (const std::string& item : items) {
        data += item;
        data += '\0';
    }
    data += '\0';
    RegSetValueExA(key, name.c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
}

// FLG_ADDREG_APPEND: each string not yet in the existing list (compared
// without regard to case) goes to its end; a value that is missing or not a
// list is left alone.
void AppendToList(HKEY key, const std::string& name, const std::string& list) {
    std::vector<std::string> items;
    if (!ReadExistingList(key, name, &items)) return;
    bool changed = false;
    for (const std::string& add : SplitList(list)) {
        bool present = false;
        for (const std::string& have : items) present = present || SameName(have, add);
        if (!present) {
            items.push_back(add);
            changed = true;
        }
    }
    if (changed) WriteList(key, name, items);
}

// FLG_DELREG_MULTI_SZ_DELSTRING: every copy of the string leaves the list.
void RemoveFromList(HKEY key, const std::string& name, const std::string& remove) {
    std::vector<std::string> items;
    if (!ReadExistingList(key, name, &items)) return;
    std::vector<std::string> kept;
    for (const std::string& have : items)
        if (!SameName(have, remove)) kept.push_back(have);
    if (kept.size() != items.size()) WriteList(key, name, kept);
}

// The key `subkey` of `root` with everything below it; `key` is it, open.
void DeleteKeyTree(HKEY root, const std::string& subkey, HKEY key) {
    char child[MAX_PATH + 1];
    DWORD index = 0;
    while (RegEnumKeyA(key, index, child, sizeof child) == ERROR_SUCCESS) {
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, child, 0, KEY_ALL_ACCESS, &sub) != ERROR_SUCCESS) {
            ++index;
            continue;
        }
        DeleteKeyTree(key, child, sub);
        RegCloseKey(sub);
        // A child that stays (refused) is stepped over, not tried forever.
        HKEY probe = nullptr;
        if (RegOpenKeyExA(key, child, 0, KEY_READ, &probe) == ERROR_SUCCESS) {
            RegCloseKey(probe);
            ++index;
        }
    }
    RegDeleteKeyA(root, subkey.c_str());
}

DWORD ValueType(DWORD flags) {
    switch (flags & FLG_ADDREG_TYPE_MASK) {
        case FLG_ADDREG_TYPE_SZ: return REG_SZ;
        case FLG_ADDREG_TYPE_MULTI_SZ: return REG_MULTI_SZ;
        case FLG_ADDREG_TYPE_EXPAND_SZ: return REG_EXPAND_SZ;
        case FLG_ADDREG_TYPE_BINARY: return REG_BINARY;
        case FLG_ADDREG_TYPE_DWORD: return REG_DWORD;
        case FLG_ADDREG_TYPE_NONE: return REG_NONE;
        default: return flags >> 16;
    }
}

void SetValue(HKEY key, const std::string& name, DWORD type, const void* data, size_t size) {
    RegSetValueExA(key, name.c_str(), 0, type, size ? static_cast<const BYTE*>(data) : nullptr,
                   static_cast<DWORD>(size));
}

void Apply(const File& file, const Line& line, HKEY root, const std::string& subkey, HKEY key, DWORD flags) {
    std::string name;
    file.Field(line, 3, &name);

    if (flags & (FLG_ADDREG_DELREG_BIT | FLG_ADDREG_DELVAL)) {
        if (name.empty() || (flags & FLG_DELREG_KEYONLY_COMMON)) {
            DeleteKeyTree(root, subkey, key);
        } else if ((flags & FLG_DELREG_MULTI_SZ_DELSTRING) == FLG_DELREG_MULTI_SZ_DELSTRING) {
            std::string remove;
            if (file.Field(line, 5, &remove) && !remove.empty()) RemoveFromList(key, name, remove);
        } else {
            RegDeleteValueA(key, name.c_str());
        }
        return;
    }
    if (flags & (FLG_ADDREG_KEYONLY | FLG_ADDREG_KEYONLY_COMMON)) return;
    if (flags & (FLG_ADDREG_NOCLOBBER | FLG_ADDREG_OVERWRITEONLY)) {
        const bool exists = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        if (exists && (flags & FLG_ADDREG_NOCLOBBER)) return;
        if (!exists && (flags & FLG_ADDREG_OVERWRITEONLY)) return;
    }

    const DWORD type = ValueType(flags);
    const bool oneFieldDword = type == REG_DWORD && line.fields.size() == 5;
    if ((flags & FLG_ADDREG_BINVALUETYPE) && !oneFieldDword) {
        const std::vector<BYTE> bytes = ReadBytes(file, line, 5);
        SetValue(key, name, type, bytes.data(), bytes.size());
        return;
    }
    if (type == REG_MULTI_SZ) {
        std::string list;
        const bool given = ReadList(file, line, 5, &list);
        if (flags & FLG_ADDREG_APPEND) {
            if (given) AppendToList(key, name, list);
            return;
        }
        if (!given) list.assign(1, '\0');
        SetValue(key, name, type, list.data(), list.size());
        return;
    }
    std::string text;
    const bool given = file.Field(line, 5, &text);
    if (type == REG_DWORD) {
        const DWORD number = ReadDword(text);
        SetValue(key, name, type, &number, sizeof number);
        return;
    }
    // Texts are stored with their NUL (a link without one).
    if (!given || type != REG_LINK) text += '\0';
    SetValue(key, name, type, text.data(), text.size());
}

void ApplyLine(const File& file, const Line& line, HKEY relativeRoot, bool deleting) {
    std::string text;
    if (!file.Field(line, 1, &text)) return;
    const HKEY root = RootKey(text, relativeRoot);
    if (!root) return;
    std::string subkey;
    file.Field(line, 2, &subkey);
    DWORD flags = 0;
    if (file.Field(line, 4, &text) && !ReadFlags(text, &flags)) flags = 0;

    // A DelReg line without flags deletes; lines of the other kind are
    // passed over in each directive.
    if (deleting) {
        if (flags == 0) flags = FLG_ADDREG_DELREG_BIT;
        if (!(flags & FLG_ADDREG_DELREG_BIT)) return;
    } else if (flags & FLG_ADDREG_DELREG_BIT) {
        return;
    }

    HKEY key = nullptr;
    if (deleting || (flags & FLG_ADDREG_OVERWRITEONLY)) {
        if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    } else if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                               &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    Apply(file, line, root, subkey, key, flags);
    RegCloseKey(key);
}

}  // namespace

void ApplyRegistryDirectives(const File& file, const Section& install, HKEY relativeRoot) {
    for (const bool deleting : {true, false}) {
        const char* directive = deleting ? "DelReg" : "AddReg";
        for (const Line& line : install.lines) {
            if (!line.hasKey || !SameName(file.Substitute(line.key), directive)) continue;
            for (size_t i = 1; i <= line.fields.size(); ++i) {
                std::string name;
                file.Field(line, i, &name);
                const Section* lines = file.FindSection(name);
                if (!lines) continue;
                for (const Line& regLine : lines->lines) ApplyLine(file, regLine, relativeRoot, deleting);
            }
        }
    }
}

}  // namespace sim::inf
