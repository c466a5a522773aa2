#include "CodePage.h"

namespace sim::cp1252 {

namespace {
// 0x80..0x9F; the rest of the page equals Latin-1.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
}  // namespace

char16_t ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
    return byte;
}

int FromUnicode(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return unit;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == unit) return 0x80 + i;
    return -1;
}

namespace {

unsigned char LowerOf(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
    switch (c) {
        case 0x8A: return 0x9A;
        case 0x8C: return 0x9C;
        case 0x8E: return 0x9E;
        case 0x9F: return 0xFF;
        default: return c;
    }
}

unsigned char UpperOf(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    switch (c) {
        case 0x9A: return 0x8A;
        case 0x9C: return 0x8C;
        case 0x9E: return 0x8E;
        case 0xFF: return 0x9F;
        default: return c;
    }
}

// Every name comparison of the registry goes through these: one table
// look-up per character, the Unicode value of the folded byte.
struct Tables {
    unsigned char lower[256], upper[256];
    char16_t lowerKey[256], upperKey[256];
    Tables() {
        for (int c = 0; c < 256; ++c) {
            lower[c] = LowerOf(static_cast<unsigned char>(c));
            upper[c] = UpperOf(static_cast<unsigned char>(c));
            lowerKey[c] = ToUnicode(lower[c]);
            upperKey[c] = ToUnicode(upper[c]);
        }
    }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

int CompareFolded(std::string_view a, std::string_view b, const char16_t* key) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        const char16_t ca = key[static_cast<unsigned char>(a[i])];
        const char16_t cb = key[static_cast<unsigned char>(b[i])];
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace

unsigned char Lower(unsigned char c) { return T().lower[c]; }
unsigned char Upper(unsigned char c) { return T().upper[c]; }

int CompareNames(std::string_view a, std::string_view b) { return CompareFolded(a, b, T().lowerKey); }

int CompareNamesUpper(std::string_view a, std::string_view b) { return CompareFolded(a, b, T().upperKey); }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const unsigned char* lower = T().lower;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && lower[static_cast<unsigned char>(a[i])] != lower[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

std::u16string Widen(std::string_view ansi) {
    std::u16string out;
    out.reserve(ansi.size());
    for (char c : ansi) out.push_back(ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::string Narrow(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (char16_t u : wide) {
        const int b = FromUnicode(u);
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

}  // namespace sim::cp1252
