// The INF engine of the simulated setup functions. An input is the text of
// an INF file in the INF folder: it is opened with SetupOpenInfFileA as a
// Windows 95/98 protocol install opens NETTRANS.INF, and each of its first
// sections is installed twice with registry directives only, below an
// instance key given as HKR.
//
// Checked on every input, besides the sanitizers:
// - the open succeeds exactly when the text parses and has a Windows 95/NT
//   signature, and a failed one names an error;
// - installing a section a second time leaves the registry as the first
//   time did (values and keys compared by name, whatever their order, as a
//   deleted value written again goes last), for sections whose registry
//   lines carry no FLG_ADDREG_OVERWRITEONLY: with it, a line that wrote
//   nothing the first time may write the second (an overwrite-only line
//   before a no-clobber one), nor FLG_ADDREG_APPEND beside
//   FLG_ADDREG_NOCLOBBER (an append to a value a later no-clobber line
//   creates);
// - no INF handle or key handle is left open.
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "Hive.h"
#include "Inf.h"

namespace {

constexpr size_t kMaxSections = 8;
constexpr char kInstanceKey[] = "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000";

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// The whole registry as text, keys and values in name order, so that two
// registries that differ only in order give the same text.
std::string Canonical() {
    std::string out;
    for (const sim::hive::Root& root : sim::hive::Roots()) {
        std::vector<std::pair<std::string, const sim::hive::Key*>> pending{{root.longName, root.key.get()}};
        std::vector<std::string> keys;
        while (!pending.empty()) {
            auto [path, key] = pending.back();
            pending.pop_back();
            std::vector<std::string> values;
            for (const sim::hive::Value& v : key->values) {
                const sim::hive::ByteView data = v.Data();
                values.push_back(Upper(v.Name()) + '\x01' + std::string(v.Name()) + '=' + std::to_string(v.type) + ':' +
                                 std::string(reinterpret_cast<const char*>(data.data()), data.size()));
            }
            std::sort(values.begin(), values.end());
            std::string text = Upper(path) + '\x01' + path + '\n';
            for (const std::string& v : values) text += "  " + v + '\n';
            keys.push_back(std::move(text));
            for (const sim::hive::Key& child : key->children) pending.emplace_back(path + '\\' + child.name, &child);
        }
        std::sort(keys.begin(), keys.end());
        for (const std::string& k : keys) out += k;
    }
    return out;
}

// Flags written plainly: a decimal number or 0x and hex digits. Other forms
// are left out of the comparison rather than read differently from the
// engine.
bool PlainFlags(const std::string& text, DWORD* flags) {
    if (text.empty()) {
        *flags = 0;
        return true;
    }
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > (hex ? 8u : 9u) || (!hex && digits.size() > 1 && digits[0] == '0'))
        return false;
    for (char c : digits)
        if (!(hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
            return false;
    *flags = static_cast<DWORD>(std::stoul(digits, nullptr, hex ? 16 : 10));
    return true;
}

// Whether installing the section twice must give what installing it once
// gave.
bool Idempotent(const sim::inf::File& file, const sim::inf::Section& install) {
    DWORD seen = 0;
    for (const sim::inf::Line& line : install.lines) {
        if (!line.hasKey) continue;
        const std::string directive = file.Substitute(line.key);
        if (!sim::inf::SameName(directive, "AddReg") && !sim::inf::SameName(directive, "DelReg")) continue;
        for (size_t i = 1; i <= line.fields.size(); ++i) {
            std::string name;
            file.Field(line, i, &name);
            const sim::inf::Section* lines = file.FindSection(name);
            if (!lines) continue;
            for (const sim::inf::Line& regLine : lines->lines) {
                std::string text;
                DWORD flags = 0;
                if (file.Field(regLine, 4, &text) && (!PlainFlags(text, &flags) || (flags & FLG_ADDREG_OVERWRITEONLY)))
                    return false;
                seen |= flags;
            }
        }
    }
    // An append to a value not there yet writes nothing, so it is the same
    // case: a no-clobber line after it writes the first time and the append
    // adds to that the second.
    return !((seen & FLG_ADDREG_APPEND) && (seen & FLG_ADDREG_NOCLOBBER));
}

// Section names as written between brackets at the start of a line; the
// engine decides which of them are sections.
std::vector<std::string> SectionNames(std::string_view text) {
    std::vector<std::string> names;
    size_t at = 0;
    while (at < text.size() && names.size() < kMaxSections) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        const size_t close = line.find(']');
        if (line.empty() || line.front() != '[' || close == std::string_view::npos) continue;
        names.emplace_back(line.substr(1, close - 1));
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    sim::Reset();
    sim::SetInfDirectory("");
    sim::AddInfFile("FUZZ.INF", std::string(text));

    UINT errorLine = 0;
    SetLastError(0);
    const HINF inf = SetupOpenInfFileA("FUZZ.INF", nullptr, INF_STYLE_WIN4, &errorLine);
    const DWORD openError = GetLastError();

    sim::inf::File file;
    UINT parseLine = 0;
    const DWORD parseError = file.Parse(text, &parseLine);
    const bool opens = parseError == 0 && file.HasWin4Signature();
    if ((inf != INVALID_HANDLE_VALUE) != opens)
        fuzz::Finding(std::string("SetupOpenInfFileA ") + (opens ? "refused" : "opened") + " a file the parser " +
                      (opens ? "reads" : "refuses") + " (error " + std::to_string(parseError) + ")");
    if (inf == INVALID_HANDLE_VALUE) {
        if (openError == 0) fuzz::Finding("SetupOpenInfFileA failed without an error");
        if (parseError != 0 && (openError != parseError || errorLine != parseLine))
            fuzz::Finding("SetupOpenInfFileA reported another error or line than the parser");
    } else {
        HKEY instance = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kInstanceKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &instance, nullptr) != ERROR_SUCCESS)
            fuzz::Finding("the instance key could not be made");
        for (const std::string& name : SectionNames(text)) {
            const sim::inf::Section* section = file.FindSection(name);
            const bool compared = section && Idempotent(file, *section);
            SetupInstallFromInfSectionA(nullptr, inf, name.c_str(), SPINST_REGISTRY, instance, nullptr, 0, nullptr,
                                        nullptr, nullptr, nullptr);
            const std::string once = compared ? Canonical() : std::string();
            SetupInstallFromInfSectionA(nullptr, inf, name.c_str(), SPINST_REGISTRY, instance, nullptr, 0, nullptr,
                                        nullptr, nullptr, nullptr);
            if (compared) {
                const std::string twice = Canonical();
                if (once != twice)
                    fuzz::Finding("installing [" + name + "] twice differs from once", fuzz::FirstDifference(once, twice));
            }
        }
        RegCloseKey(instance);
        SetupCloseInfFile(inf);
    }
    if (sim::OpenInfHandles() != 0) fuzz::Finding("INF handles left open");
    if (sim::OpenKeyHandles() != 0) fuzz::Finding("key handles left open");
    return 0;
}
