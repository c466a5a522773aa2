// .reg text over the in-memory hive: import, export, snapshots and the
// patch between two states. Everything here sees names and data the way the
// ANSI functions do (8-bit, code page 1252); only hex(2)/hex(7) data in 5.00
// files and the file encoding itself are converted.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>

#include "CodePage.h"
#include "Hive.h"
#include "Lock.h"

namespace sim {

using hive::Key;
using hive::Value;

struct RegSnapshot::Data {
    // Copies of the roots, in the order of hive::Roots().
    std::vector<std::shared_ptr<Key>> roots;
};

RegSnapshot::RegSnapshot() = default;
// A copy's values come from the registry's own allocator: released under
// the machine's lock.
RegSnapshot::~RegSnapshot() {
    const Locked locked;
    data.reset();
}
RegSnapshot::RegSnapshot(RegSnapshot&&) noexcept = default;
RegSnapshot& RegSnapshot::operator=(RegSnapshot&& other) noexcept {
    const Locked locked;
    data = std::move(other.data);
    return *this;
}

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kNewLine = "\r\n";
// A hex list is broken after the comma that brings its line to this many
// characters or more, so a broken line is 78 to 80 characters long with its
// backslash, as regedit writes them.
constexpr size_t kWrapColumn = 77;
constexpr char16_t kReplacement = 0xFFFD;  // no 1252 byte: becomes '?'

// ---- Text encodings ------------------------------------------------------------

std::string FromUtf16Le(std::string_view bytes) {
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    // A dangling last byte cannot form a character and is dropped.
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                    static_cast<unsigned char>(bytes[i + 1]) << 8);
        const bool pairEnd = unit >= 0xDC00 && unit <= 0xDFFF && !wide.empty() && wide.back() >= 0xD800 &&
                             wide.back() <= 0xDBFF;
        // One replacement per character outside the BMP, not one per half.
        if (pairEnd)
            wide.back() = kReplacement;
        else
            wide.push_back(unit);
    }
    return cp1252::Narrow(wide);
}

std::string FromUtf8(std::string_view s) {
    std::u16string wide;
    wide.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char lead = static_cast<unsigned char>(s[i]);
        if (lead < 0x80) {
            wide.push_back(lead);
            ++i;
            continue;
        }
        size_t extra = 0;
        uint32_t cp = 0;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
        }
        bool valid = extra != 0 && i + extra < s.size();
        for (size_t k = 1; valid && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            cp = cp << 6 | (next & 0x3F);
        }
        static constexpr uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
        if (valid && (cp < kMinimum[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0xFFFF)) {
            // Overlong forms, surrogates and characters outside the BMP
            // have no 1252 byte either.
            wide.push_back(kReplacement);
            i += extra + 1;
        } else if (valid) {
            wide.push_back(static_cast<char16_t>(cp));
            i += extra + 1;
        } else {
            wide.push_back(kReplacement);
            ++i;
        }
    }
    return cp1252::Narrow(wide);
}

bool IsUtf16Le(std::string_view raw) { return raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE'; }

// The file as 1252 text, by its byte-order mark.
std::string DecodeFile(std::string_view raw) {
    if (IsUtf16Le(raw)) return FromUtf16Le(raw.substr(2));
    if (raw.size() >= 3 && raw.substr(0, 3) == "\xEF\xBB\xBF") return FromUtf8(raw.substr(3));
    return std::string(raw);
}

// ---- Small text helpers --------------------------------------------------------

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (cp1252::Lower(static_cast<unsigned char>(s[i])) != cp1252::Lower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 to 8 hex digits.
bool ParseHexNumber(std::string_view s, DWORD* out) {
    if (s.empty() || s.size() > 8) return false;
    DWORD v = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        v = v << 4 | static_cast<DWORD>(d);
    }
    *out = v;
    return true;
}

// For messages: the offending text, shortened.
std::string Quoted(std::string_view s) {
    constexpr size_t kMax = 60;
    std::string out = "\"";
    out += s.substr(0, kMax);
    if (s.size() > kMax) out += "...";
    out += '"';
    return out;
}

// Reads a quoted string starting at s[*pos] == '"'; \\ and \" are escapes,
// any other backslash stands for itself.
bool ParseQuoted(std::string_view s, size_t* pos, std::string* out) {
    for (size_t i = *pos + 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            *pos = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) ++i;
        out->push_back(s[i]);
    }
    return false;
}

// ---- Import --------------------------------------------------------------------

// The lines of a text, one at a time, CR LF or LF, with their numbers.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : m_text(text) {}
    bool Next(std::string_view* line, int* number) {
        if (m_pos >= m_text.size()) return false;
        size_t end = m_text.find('\n', m_pos);
        if (end == std::string_view::npos) end = m_text.size();
        *line = m_text.substr(m_pos, end - m_pos);
        if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
        *number = ++m_number;
        m_pos = end + 1;
        return true;
    }
    int LastNumber() const { return m_number; }

private:
    std::string_view m_text;
    size_t m_pos = 0;
    int m_number = 0;
};

// A value line with its continuations joined, remembering where each
// physical line starts so that errors in long hex lists name the right line.
struct Logical {
    std::string text;
    std::vector<std::pair<size_t, int>> starts;  // offset in text, line number

    int LineAt(const char* where) const {
        const size_t offset = static_cast<size_t>(where - text.data());
        int line = starts.front().second;
        for (auto& s : starts)
            if (s.first <= offset) line = s.second;
        return line;
    }
};

// The file is read twice: first every line is checked and nothing is
// changed, then, when all of it is right, read again and applied as it is
// read. So a wrong line changes nothing, and a big file never exists as a
// second, parsed copy in memory.
class Parser {
public:
    Parser(RegFormat format, bool apply) : format_(format), apply_(apply) {}

    bool KeyLine(std::string_view line, int number);
    bool ValueLine(const Logical& logical);
    int errorLine = 0;
    std::string error;

private:
    bool Fail(int line, std::string message) {
        errorLine = line;
        error = std::move(message);
        return false;
    }
    bool HexList(const Logical& logical, std::string_view list, std::vector<BYTE>* out);

    RegFormat format_;
    bool apply_;
    enum class Open { kNone, kKey, kDeleted } open_ = Open::kNone;
    Key* current_ = nullptr;  // the key lines apply to (applying only)
    // Reused from line to line.
    std::string name_;
    std::string text_;
    std::vector<BYTE> data_;
};

bool Parser::KeyLine(std::string_view line, int number) {
    if (line.size() < 2 || line.back() != ']') return Fail(number, "malformed key line " + Quoted(line));
    std::string_view inner = line.substr(1, line.size() - 2);
    const bool remove = !inner.empty() && inner.front() == '-';
    if (remove) inner.remove_prefix(1);
    if (inner.empty() || inner.front() == '\\') return Fail(number, "malformed key line " + Quoted(line));
    std::string_view rest;
    hive::Root* root = hive::SplitFullPath(inner, &rest);
    if (!root) return Fail(number, "unknown root key " + Quoted(inner.substr(0, inner.find('\\'))));
    if (remove && rest.find_first_not_of('\\') == std::string_view::npos)
        return Fail(number, "a root key cannot be deleted: " + Quoted(line));
    if (!remove && hive::PathDepth(rest) > hive::kMaxDepth)
        return Fail(number, "key more than " + std::to_string(hive::kMaxDepth) + " levels deep " + Quoted(line));
    open_ = remove ? Open::kDeleted : Open::kKey;
    if (!apply_) return true;
    if (remove) {
        if (Key* key = hive::Find(root->key.get(), rest); key && key->parent) key->parent->RemoveChild(key->name);
        current_ = nullptr;
    } else {
        // Never null: keys too deep to create were refused above.
        current_ = hive::Create(root->key.get(), rest);
    }
    return true;
}

bool Parser::HexList(const Logical& logical, std::string_view list, std::vector<BYTE>* out) {
    if (Trim(list).empty()) return true;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string_view::npos) end = list.size();
        const std::string_view raw = list.substr(start, end - start);
        const std::string_view token = Trim(raw);
        // A comma ending the list is what a continuation followed by
        // nothing leaves behind: accepted.
        const bool trailing = end == list.size() && start > 0 && token.empty();
        if (!trailing) {
            DWORD b = 0;
            if (token.size() > 2 || !ParseHexNumber(token, &b))
                return Fail(logical.LineAt(raw.data()), "bad hex byte " + Quoted(token));
            out->push_back(static_cast<BYTE>(b));
        }
        start = end + 1;
    }
    return true;
}

bool Parser::ValueLine(const Logical& logical) {
    const std::string_view line = logical.text;
    const int number = logical.starts.front().second;
    if (open_ == Open::kNone) return Fail(number, "value line before any key line");
    if (open_ == Open::kDeleted) return Fail(number, "value line under a deleted key");

    std::string& name = name_;
    std::vector<BYTE>& data = data_;
    name.clear();
    data.clear();
    DWORD type = REG_NONE;
    size_t pos = 0;
    if (line.front() == '@') {
        pos = 1;
    } else if (!ParseQuoted(line, &pos, &name)) {
        return Fail(number, "malformed value line (unterminated name) " + Quoted(line));
    }
    std::string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != '=') return Fail(number, "malformed value line (no '=') " + Quoted(line));
    rest = Trim(rest.substr(1));

    bool remove = false;
    if (rest == "-") {
        remove = true;
    } else if (!rest.empty() && rest.front() == '"') {
        size_t end = 0;
        std::string& text = text_;
        text.clear();
        if (!ParseQuoted(rest, &end, &text) || end != rest.size())
            return Fail(number, "malformed value line (bad string) " + Quoted(line));
        type = REG_SZ;
        data.assign(text.begin(), text.end());
        data.push_back(0);
    } else if (StartsWithNoCase(rest, "dword:")) {
        DWORD v = 0;
        if (!ParseHexNumber(rest.substr(6), &v)) return Fail(number, "bad dword " + Quoted(rest));
        type = REG_DWORD;
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<BYTE>(v >> (8 * i)));
    } else if (StartsWithNoCase(rest, "hex:")) {
        type = REG_BINARY;
        if (!HexList(logical, rest.substr(4), &data)) return false;
    } else if (StartsWithNoCase(rest, "hex(")) {
        const size_t close = rest.find(')');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':' ||
            !ParseHexNumber(rest.substr(4, close - 4), &type))
            return Fail(number, "malformed value type " + Quoted(rest.substr(0, close == rest.npos ? 8 : close + 2)));
        if (!HexList(logical, rest.substr(close + 2), &data)) return false;
        if (format_ == RegFormat::Regedit5 && (type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
            if (data.size() % 2 != 0)
                return Fail(number, "bad hex: UTF-16 text with an odd number of bytes in " + Quoted(name));
            std::u16string wide;
            for (size_t i = 0; i < data.size(); i += 2) wide.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
            const std::string narrow = cp1252::Narrow(wide);
            data.assign(narrow.begin(), narrow.end());
        }
    } else {
        return Fail(number, "malformed value line (unknown data) " + Quoted(line));
    }
    if (!apply_) return true;
    if (remove) {
        current_->RemoveValue(name);
    } else {
        current_->SetValue(name, type, data.data(), data.size());
    }
    return true;
}

// ---- Export --------------------------------------------------------------------

std::string Escape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

std::string NameField(std::string_view name) { return name.empty() ? "@" : '"' + Escape(name) + '"'; }

// REG_SZ data that reads back identically from a "text" field.
bool IsPlainString(const Value& v) {
    const hive::ByteView data = v.Data();
    if (v.type != REG_SZ || data.empty() || data.back() != 0) return false;
    for (size_t i = 0; i + 1 < data.size(); ++i) {
        const BYTE b = data[i];
        if (b == 0 || b == '\r' || b == '\n') return false;
    }
    return true;
}

class Writer {
public:
    explicit Writer(RegFormat format) : format_(format) {
        out_ = format == RegFormat::Regedit4 ? kHeader4 : kHeader5;
        out_ += kNewLine;
        out_ += kNewLine;
    }

    void KeyLine(const Key& key, bool remove) {
        out_ += remove ? "[-" : "[";
        out_ += hive::FullName(&key);
        out_ += ']';
        out_ += kNewLine;
        Next();
    }
    void EndKey() {
        out_ += kNewLine;
        Next();
    }

    void DeleteValue(std::string_view name) {
        out_ += NameField(name);
        out_ += "=-";
        out_ += kNewLine;
        Next();
    }

    void SetValue(const Value& v) {
        static constexpr char kDigits[] = "0123456789abcdef";
        const hive::ByteView data = v.Data();
        std::string line = NameField(v.Name()) + '=';
        if (IsPlainString(v)) {
            line += '"';
            line += Escape(std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1));
            line += '"';
        } else if (v.type == REG_DWORD && data.size() == 4) {
            const DWORD d = data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24;
            line += "dword:";
            for (int shift = 28; shift >= 0; shift -= 4) line += kDigits[(d >> shift) & 0xF];
        } else {
            if (v.type == REG_BINARY) {
                line += "hex:";
            } else {
                std::string type;
                for (DWORD t = v.type; t || type.empty(); t >>= 4) type.insert(type.begin(), kDigits[t & 0xF]);
                line += "hex(" + type + "):";
            }
            std::vector<BYTE> bytes(data.begin(), data.end());
            if (format_ == RegFormat::Regedit5 && (v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ)) {
                bytes.clear();
                for (BYTE b : data) {
                    const char16_t unit = cp1252::ToUnicode(b);
                    bytes.push_back(static_cast<BYTE>(unit & 0xFF));
                    bytes.push_back(static_cast<BYTE>(unit >> 8));
                }
            }
            size_t lineStart = 0;
            for (size_t i = 0; i < bytes.size(); ++i) {
                line += kDigits[bytes[i] >> 4];
                line += kDigits[bytes[i] & 0xF];
                if (i + 1 == bytes.size()) break;
                line += ',';
                if (line.size() - lineStart >= kWrapColumn) {
                    line += "\\\r\n  ";
                    lineStart = line.size() - 2;
                }
            }
        }
        out_ += line;
        out_ += kNewLine;
        Next();
    }

    // The text is gathered in pieces and joined once at the end: a single
    // growing buffer would be copied at every doubling, and each doubling
    // past the allocator's mapping threshold is fresh memory faulted in.
    std::string Take() {
        if (done_.empty()) return std::move(out_);
        size_t total = out_.size();
        for (const std::string& piece : done_) total += piece.size();
        std::string text;
        text.reserve(total);
        for (const std::string& piece : done_) text += piece;
        text += out_;
        done_.clear();
        out_.clear();
        return text;
    }

private:
    static constexpr size_t kPiece = 60 * 1024;  // below the usual mapping threshold

    // Called after each line: a full piece is put aside.
    void Next() {
        if (out_.size() < kPiece) return;
        done_.push_back(std::move(out_));
        out_ = std::string();
        out_.reserve(kPiece + 256);
    }

    RegFormat format_;
    std::string out_;
    std::vector<std::string> done_;
};

// A key with its values and its whole subtree, depth first in enumeration
// order. A root is written only when it holds values of its own: regedit
// has no way to create one.
void WriteTree(Writer& w, const Key& top) {
    std::vector<const Key*> pending{&top};
    std::vector<const Key*> children;
    while (!pending.empty()) {
        const Key* key = pending.back();
        pending.pop_back();
        if (key->parent || !key->values.empty()) {
            w.KeyLine(*key, false);
            for (const Value& v : key->values) w.SetValue(v);
            w.EndKey();
        }
        children.clear();
        for (const Key& child : key->children) children.push_back(&child);
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
}

std::shared_ptr<Key> CopyOne(const Key& key, Key* parent) {
    auto copy = std::make_shared<Key>();
    copy->name = key.name;
    copy->parent = parent;
    copy->depth = key.depth;
    copy->access = key.access;
    // The names are known to be distinct: each value goes last, unsearched.
    copy->values.IndexOnDemand();
    for (const Value& v : key.values)
        copy->values.Add(Value::Make(v.Name(), v.type, v.Data().data(), v.Data().size()), hive::Placement::Append);
    copy->valueSizes = key.valueSizes;
    return copy;
}

// A copy of a whole tree, in the same order.
std::shared_ptr<Key> Clone(const Key& top) {
    std::shared_ptr<Key> root = CopyOne(top, nullptr);
    std::vector<std::pair<const Key*, Key*>> pending{{&top, root.get()}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        to->children.IndexOnDemand();
        for (const Key& child : from->children)
            pending.push_back({&child, to->children.Add(CopyOne(child, to), hive::Placement::Append)});
    }
    return root;
}

// ---- Diff ----------------------------------------------------------------------
//
// A patch holds only what changed, and importing it onto the state it was
// taken from gives the new state exactly, order included. The import keeps
// what it does not touch in place, appends a new value, and places a new
// key as the platform mode does; the diff plans its lines for that.

bool SameData(const Value& a, const Value& b) { return a.type == b.type && a.Data() == b.Data(); }

// Whether two lists hold the same names, spelled alike, in the same order:
// then each entry keeps its place, and nothing needs looking up by name.
template <typename List>
bool SameNames(const List& before, const List& after) {
    if (before.size() != after.size()) return false;
    auto b = before.begin();
    for (const auto& a : after) {
        if (hive::ItemName(*b) != hive::ItemName(a)) return false;
        ++b;
    }
    return true;
}

// The value lines that turn `before` into `after`. Values of `after` can
// stay in place only while they form a prefix of it in the same relative
// order as in `before`, with the same spelling; every later one that
// already existed is deleted and written again to move it to the end.
void DiffValues(Writer& w, const Key& before, const Key& after) {
    if (SameNames(before.values, after.values)) {
        // The usual case: every value kept in its place, some changed.
        bool keyLineWritten = false;
        auto b = before.values.begin();
        for (const Value& v : after.values) {
            if (!SameData(*b, v)) {
                if (!keyLineWritten) w.KeyLine(after, false);
                keyLineWritten = true;
                w.SetValue(v);
            }
            ++b;
        }
        if (keyLineWritten) w.EndKey();
        return;
    }
    std::unordered_map<const Value*, size_t> position;
    size_t n = 0;
    for (const Value& v : before.values) position[&v] = n++;
    std::vector<bool> matched(n, false);
    bool inPlace = true;
    bool anyKept = false;
    size_t lastKept = 0;
    bool keyLineWritten = false;
    auto keyLine = [&] {
        if (!keyLineWritten) w.KeyLine(after, false);
        keyLineWritten = true;
    };
    for (const Value& v : after.values) {
        const Value* old = before.FindValue(v.Name());
        if (!old) {
            inPlace = false;
            keyLine();
            w.SetValue(v);
            continue;
        }
        const size_t index = position[old];
        matched[index] = true;
        if (inPlace && old->Name() == v.Name() && (!anyKept || index > lastKept)) {
            lastKept = index;
            anyKept = true;
            if (!SameData(*old, v)) {
                keyLine();
                w.SetValue(v);
            }
            continue;
        }
        inPlace = false;
        keyLine();
        w.DeleteValue(old->Name());
        w.SetValue(v);
    }
    size_t i = 0;
    for (const Value& v : before.values) {
        if (!matched[i++]) {
            keyLine();
            w.DeleteValue(v.Name());
        }
    }
    if (keyLineWritten) w.EndKey();
}

// One step at a parent: a child deleted with its subtree, written whole,
// or kept and compared.
struct ChildStep {
    enum Kind { kDelete, kCreate, kCompare } kind;
    const Key* before;
    const Key* after;
};

bool SortedAsNt(const std::vector<const Key*>& keys) {
    for (size_t i = 1; i < keys.size(); ++i)
        if (cp1252::CompareNamesUpper(keys[i - 1]->name, keys[i]->name) >= 0) return false;
    return true;
}

// The longest run of `indexes` (in order) that increases: the children of
// `after` that can keep their place because the others move around them.
std::vector<bool> LongestIncreasing(const std::vector<size_t>& indexes) {
    std::vector<size_t> tails;                       // positions in `indexes`
    std::vector<size_t> previous(indexes.size(), SIZE_MAX);
    for (size_t i = 0; i < indexes.size(); ++i) {
        size_t lo = 0, hi = tails.size();
        while (lo < hi) {
            const size_t mid = (lo + hi) / 2;
            if (indexes[tails[mid]] < indexes[i]) lo = mid + 1;
            else hi = mid;
        }
        if (lo > 0) previous[i] = tails[lo - 1];
        if (lo == tails.size()) tails.push_back(i);
        else tails[lo] = i;
    }
    std::vector<bool> keep(indexes.size(), false);
    for (size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = previous[i]) keep[i] = true;
    return keep;
}

struct Entry {
    std::string name;
    const void* place = nullptr;
};

// Runs the steps on the names of `before`, the way an import places keys,
// and says whether the children of `after` come out in their order.
bool Reproduces(const std::vector<ChildStep>& steps, const std::vector<const Key*>& before,
                const std::vector<const Key*>& after, hive::Placement where) {
    hive::NamedList<std::unique_ptr<Entry>> list;
    for (const Key* k : before) list.Add(std::make_unique<Entry>(Entry{k->name}), hive::Placement::Append);
    for (const ChildStep& s : steps) {
        if (s.kind == ChildStep::kDelete) list.Remove(list.Find(s.before->name));
        if (s.kind == ChildStep::kCreate) list.Add(std::make_unique<Entry>(Entry{s.after->name}), where);
    }
    if (list.size() != after.size()) return false;
    size_t i = 0;
    for (const Entry& e : list)
        if (e.name != after[i++]->name) return false;
    return true;
}

// The steps that turn the children of `before` into those of `after`.
// Children present in both with the same spelling keep their place where
// the order allows; the others are deleted and written whole. Appending
// (Windows 95/98) lets the kept ones be a leading run of `after` only, so a
// key restored to its old place moves every later sibling too. Sorting (NT)
// places a written key by its name: when `after` is in NT's order any
// kept set works; otherwise (a machine file loaded in another order) a few
// plans are tried on the names and the first that reproduces `after` wins.
std::vector<ChildStep> PlanChildren(const Key& before, const Key& after, hive::Placement where) {
    if (SameNames(before.children, after.children)) {
        std::vector<ChildStep> steps;
        steps.reserve(after.children.size());
        auto b = before.children.begin();
        for (const Key& a : after.children) {
            steps.push_back({ChildStep::kCompare, &*b, &a});
            ++b;
        }
        return steps;
    }
    std::vector<const Key*> b, a;
    std::unordered_map<const Key*, size_t> position;
    for (const Key& k : before.children) {
        position[&k] = b.size();
        b.push_back(&k);
    }
    for (const Key& k : after.children) a.push_back(&k);

    // The child of `before` each child of `after` could be kept as.
    std::vector<const Key*> same(a.size(), nullptr);
    std::vector<size_t> indexes;
    std::vector<size_t> sameAt;  // positions in `a` of the candidates
    for (size_t i = 0; i < a.size(); ++i) {
        const Key* old = before.FindChild(a[i]->name);
        if (old && old->name == a[i]->name) {
            same[i] = old;
            indexes.push_back(position[old]);
            sameAt.push_back(i);
        }
    }

    auto plan = [&](const std::vector<bool>& kept, bool deleteFirst) {
        std::vector<bool> keptBefore(b.size(), false);
        for (size_t i = 0; i < a.size(); ++i)
            if (kept[i]) keptBefore[position[same[i]]] = true;
        std::vector<bool> deleted(b.size(), false);
        std::vector<ChildStep> steps;
        auto remove = [&](size_t j) {
            if (keptBefore[j] || deleted[j]) return;
            deleted[j] = true;
            steps.push_back({ChildStep::kDelete, b[j], nullptr});
        };
        if (deleteFirst)
            for (size_t j = 0; j < b.size(); ++j) remove(j);
        for (size_t i = 0; i < a.size(); ++i) {
            if (kept[i]) {
                steps.push_back({ChildStep::kCompare, same[i], a[i]});
                continue;
            }
            // A key of the same name must go before its successor comes.
            if (const Key* old = before.FindChild(a[i]->name)) remove(position[old]);
            steps.push_back({ChildStep::kCreate, nullptr, a[i]});
        }
        for (size_t j = 0; j < b.size(); ++j) remove(j);
        return steps;
    };

    std::vector<bool> kept(a.size(), false);
    if (where == hive::Placement::Append) {
        size_t last = 0;
        for (size_t i = 0; i < a.size() && same[i] && (i == 0 || position[same[i]] > last); ++i) {
            kept[i] = true;
            last = position[same[i]];
        }
        return plan(kept, true);
    }
    const std::vector<bool> increasing = LongestIncreasing(indexes);
    for (size_t k = 0; k < sameAt.size(); ++k) kept[sameAt[k]] = increasing[k];
    std::vector<ChildStep> first = plan(kept, true);
    if (SortedAsNt(a)) return first;
    if (Reproduces(first, b, a, where)) return first;
    std::vector<ChildStep> createFirst = plan(kept, false);
    if (Reproduces(createFirst, b, a, where)) return createFirst;
    std::vector<ChildStep> all = plan(std::vector<bool>(a.size(), false), true);
    if (Reproduces(all, b, a, where)) return all;
    return first;  // no import can rebuild this order; the names are right
}

void DiffTree(Writer& w, const Key& before, const Key& after, hive::Placement where) {
    struct Frame {
        std::vector<ChildStep> steps;
        size_t next = 0;
    };
    std::vector<Frame> stack;
    auto open = [&](const Key& b, const Key& a) {
        DiffValues(w, b, a);
        stack.push_back({PlanChildren(b, a, where)});
    };
    open(before, after);
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.steps.size()) {
            stack.pop_back();
            continue;
        }
        const ChildStep step = top.steps[top.next++];
        switch (step.kind) {
            case ChildStep::kDelete:
                w.KeyLine(*step.before, true);
                w.EndKey();
                break;
            case ChildStep::kCreate: WriteTree(w, *step.after); break;
            case ChildStep::kCompare: open(*step.before, *step.after); break;
        }
    }
}

Key* FindFull(std::string_view fullKeyPath) {
    std::string_view rest;
    hive::Root* root = hive::SplitFullPath(fullKeyPath, &rest);
    return root ? hive::Find(root->key.get(), rest) : nullptr;
}

}  // namespace

namespace {

// Pages of a file the import has read and will not read again, given back
// to the system as it goes (a mapped file), so that a big machine file and
// the machine built from it are not both held whole.
struct Release {
    virtual void Upto(const char* position) = 0;
    virtual ~Release() = default;
};

RegImportResult Import(std::string_view raw, Release* release);

}  // namespace

RegImportResult ImportReg(std::string_view raw) {
    const sim::Locked locked;
    return Import(raw, nullptr);
}

namespace {

// Empties every root, as a wrong file imported into an empty registry must
// leave it.
void ClearRoots() {
    for (auto& root : hive::Roots()) {
        std::vector<std::shared_ptr<Key>> children;
        root.key->children.TakeAll(&children);
        for (auto& child : children) {
            hive::MarkDeleted(child.get());
            child->parent = nullptr;
        }
        std::vector<hive::ValuePtr> values;
        root.key->values.TakeAll(&values);
        root.key->valueSizes = hive::Largest();
    }
}

RegImportResult Import(std::string_view raw, Release* release) {
    RegImportResult result;
    result.encoding = IsUtf16Le(raw) ? RegEncoding::Utf16Le : RegEncoding::Ansi;
    // 8-bit text is read where it lies; only other encodings are converted.
    std::string decoded;
    std::string_view text = raw;
    if (result.encoding == RegEncoding::Utf16Le || (raw.size() >= 3 && raw.substr(0, 3) == "\xEF\xBB\xBF")) {
        decoded = DecodeFile(raw);
        text = decoded;
        if (release) release->Upto(raw.data() + raw.size());
        release = nullptr;
    }

    LineCursor header(text);
    std::string_view line;
    int number = 0;
    bool found = false;
    while (header.Next(&line, &number)) {
        if (!Trim(line).empty()) {
            found = true;
            break;
        }
    }
    if (!found) {
        result.line = header.LastNumber() > 0 ? header.LastNumber() : 1;
        result.error = "missing header: the file is empty";
        return result;
    }
    const std::string_view head = Trim(line);
    if (head == kHeader4) {
        result.format = RegFormat::Regedit4;
    } else if (head == kHeader5) {
        result.format = RegFormat::Regedit5;
    } else {
        result.line = number;
        result.error = "unknown header " + Quoted(head) + "; expected REGEDIT4 or Windows Registry Editor Version 5.00";
        return result;
    }

    // Into an empty registry (a machine file loaded), one pass applies as it
    // checks, and a wrong line empties the registry again; over an existing
    // machine the file is checked whole before anything is applied.
    bool empty = true;
    for (auto& root : hive::Roots()) empty = empty && root.key->children.empty() && root.key->values.empty();
    const std::vector<bool> passes = empty ? std::vector<bool>{true} : std::vector<bool>{false, true};
    for (const bool apply : passes) {
        Parser parser(result.format, apply);
        LineCursor lines = header;
        Logical logical;
        const char* released = text.data();
        while (lines.Next(&line, &number)) {
            if (release && line.data() - released > (4 << 20)) {
                released = line.data();
                release->Upto(released);
            }
            line = Trim(line);
            if (line.empty() || line.front() == ';') continue;
            bool ok = true;
            if (line.front() == '[') {
                ok = parser.KeyLine(line, number);
            } else if (line.front() == '"' || line.front() == '@') {
                logical.text.assign(line.data(), line.size());
                logical.starts.assign(1, {0, number});
                std::string_view next;
                int nextNumber = 0;
                while (!logical.text.empty() && logical.text.back() == '\\') {
                    logical.text.pop_back();
                    if (!lines.Next(&next, &nextNumber)) break;
                    logical.starts.push_back({logical.text.size(), nextNumber});
                    const std::string_view piece = Trim(next);
                    logical.text.append(piece.data(), piece.size());
                }
                ok = parser.ValueLine(logical);
            } else {
                result.line = number;
                result.error = "unrecognized line " + Quoted(line);
                if (apply) ClearRoots();
                return result;
            }
            if (!ok) {
                result.line = parser.errorLine;
                result.error = parser.error;
                if (apply) ClearRoots();
                return result;
            }
        }
        if (release) release->Upto(text.data() + text.size());
    }
    result.ok = true;
    return result;
}

}  // namespace

RegImportResult ImportRegFile(const std::string& path) {
    const sim::Locked locked;
    RegImportResult result;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = "cannot open " + path + ": " + std::strerror(errno);
        return result;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd);
        result.error = "cannot read " + path + ": " + std::strerror(EISDIR);
        return result;
    }
    // A regular file is mapped and read in place; its pages go back to the
    // system as the import passes them (they are the file's, read again from
    // the page cache if needed).
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        void* map = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED) {
            close(fd);
            struct Pages : Release {
                const char* start;
                void Upto(const char* position) override {
                    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
                    const uintptr_t from = uintptr_t(start), to = uintptr_t(position) & ~(page - 1);
                    if (to > from) madvise(const_cast<char*>(start), to - from, MADV_DONTNEED);
                }
            } pages;
            pages.start = static_cast<const char*>(map);
            result = Import(std::string_view(pages.start, size_t(info.st_size)), &pages);
            munmap(map, size_t(info.st_size));
            return result;
        }
    }
    std::string raw;
    char block[1 << 16];
    ssize_t got = 0;
    while ((got = read(fd, block, sizeof block)) > 0) raw.append(block, size_t(got));
    const int error = errno;
    close(fd);
    if (got < 0) {
        result.error = "cannot read " + path + ": " + std::strerror(error);
        return result;
    }
    return ImportReg(raw);
}

std::string ExportReg(RegFormat format) {
    const sim::Locked locked;
    Writer w(format);
    for (auto& root : hive::Roots()) WriteTree(w, *root.key);
    return w.Take();
}

std::string ExportRegKey(RegFormat format, std::string_view fullKeyPath) {
    const sim::Locked locked;
    Writer w(format);
    if (const Key* key = FindFull(fullKeyPath)) WriteTree(w, *key);
    return w.Take();
}

RegSnapshot TakeSnapshot() {
    const sim::Locked locked;
    RegSnapshot snapshot;
    snapshot.data = std::make_unique<RegSnapshot::Data>();
    for (auto& root : hive::Roots()) snapshot.data->roots.push_back(Clone(*root.key));
    return snapshot;
}

namespace {

// The roots of a snapshot, or of the live registry for none; a snapshot
// never taken counts as an empty registry.
const Key* RootOf(const RegSnapshot* snapshot, size_t i, Key& empty) {
    if (!snapshot) return hive::Roots()[i].key.get();
    if (snapshot->data && i < snapshot->data->roots.size()) return snapshot->data->roots[i].get();
    empty.name = hive::Roots()[i].longName;
    return &empty;
}

std::string Diff(const RegSnapshot* from, const RegSnapshot* to, RegFormat format) {
    Writer w(format);
    for (size_t i = 0; i < hive::Roots().size(); ++i) {
        Key emptyFrom, emptyTo;
        DiffTree(w, *RootOf(from, i, emptyFrom), *RootOf(to, i, emptyTo), hive::SubkeyPlacement());
    }
    return w.Take();
}

}  // namespace

std::string DiffReg(const RegSnapshot& before, RegFormat format) {
    const sim::Locked locked;
    return Diff(&before, nullptr, format);
}

std::string DiffReg(const RegSnapshot& from, const RegSnapshot& to, RegFormat format) {
    const sim::Locked locked;
    return Diff(&from, &to, format);
}

std::string EncodeRegText(std::string_view text, RegEncoding encoding) {
    if (encoding == RegEncoding::Ansi) return std::string(text);
    std::string out = "\xFF\xFE";
    out.reserve(2 + text.size() * 2);
    for (char c : text) {
        const char16_t unit = cp1252::ToUnicode(static_cast<unsigned char>(c));
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    }
    return out;
}

bool KeyExists(std::string_view fullKeyPath) {
    const sim::Locked locked;
    return FindFull(fullKeyPath) != nullptr;
}

bool SetKeyAccess(std::string_view fullKeyPath, KeyAccess access) {
    const sim::Locked locked;
    Key* key = FindFull(fullKeyPath);
    if (!key) return false;
    key->access = access;
    return true;
}

}  // namespace sim
