#include "SidText.h"

#include <cstdio>
#include <cstdlib>

namespace sidtext {

namespace {

constexpr size_t kHeader = 8;  // revision, count, six authority bytes
constexpr BYTE kMaxSubAuthorities = 15;

bool ParseNumber(const std::string& text, size_t* pos, unsigned long long limit, unsigned long long* out) {
    const size_t start = *pos;
    unsigned long long v = 0;
    while (*pos < text.size() && text[*pos] >= '0' && text[*pos] <= '9') {
        v = v * 10 + unsigned(text[*pos] - '0');
        if (v > limit) return false;
        ++*pos;
    }
    if (*pos == start) return false;
    *out = v;
    return true;
}

}  // namespace

bool Parse(const std::string& text, std::vector<BYTE>* sid) {
    if (text.size() < 2 || (text[0] != 'S' && text[0] != 's') || text[1] != '-') return false;
    size_t pos = 2;
    unsigned long long revision = 0, authority = 0;
    if (!ParseNumber(text, &pos, 255, &revision) || revision != 1) return false;
    if (pos >= text.size() || text[pos] != '-') return false;
    ++pos;
    if (!ParseNumber(text, &pos, 0xFFFFFFFFFFFFull, &authority)) return false;
    DWORD subs[kMaxSubAuthorities];
    size_t count = 0;
    while (pos < text.size()) {
        if (text[pos] != '-' || count == kMaxSubAuthorities) return false;
        ++pos;
        unsigned long long v = 0;
        if (!ParseNumber(text, &pos, 0xFFFFFFFFull, &v)) return false;
        subs[count++] = static_cast<DWORD>(v);
    }
    std::vector<BYTE> out(kHeader + 4 * count);
    out[0] = 1;
    out[1] = static_cast<BYTE>(count);
    for (int i = 0; i < 6; ++i) out[2 + i] = static_cast<BYTE>(authority >> (8 * (5 - i)));
    for (size_t i = 0; i < count; ++i)
        for (int b = 0; b < 4; ++b) out[kHeader + 4 * i + b] = static_cast<BYTE>(subs[i] >> (8 * b));
    *sid = std::move(out);
    return true;
}

size_t ValidSize(const BYTE* sid, size_t size) {
    if (!sid || size < kHeader || sid[0] != 1 || sid[1] > kMaxSubAuthorities) return 0;
    const size_t need = kHeader + 4 * size_t(sid[1]);
    return need <= size ? need : 0;
}

std::string Format(const BYTE* sid, size_t size) {
    if (!ValidSize(sid, size)) return std::string();
    unsigned long long authority = 0;
    for (int i = 0; i < 6; ++i) authority = authority << 8 | sid[2 + i];
    char part[32];
    std::snprintf(part, sizeof part, "S-%u-%llu", unsigned(sid[0]), authority);
    std::string text = part;
    for (BYTE i = 0; i < sid[1]; ++i) {
        const BYTE* p = sid + kHeader + 4 * size_t(i);
        const DWORD v = DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
        std::snprintf(part, sizeof part, "-%lu", static_cast<unsigned long>(v));
        text += part;
    }
    return text;
}

}  // namespace sidtext
