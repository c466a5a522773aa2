// The INF reader: text into sections, lines and fields; %strings% and
// directory ids substituted when a field is read.
#include "Inf.h"

#include <setupapi.h>

#include <cstdint>

#include "CodePage.h"

namespace sim::inf {

bool SameName(std::string_view a, std::string_view b) { return cp1252::CompareNames(a, b) == 0; }

namespace {

constexpr char kEndOfFile = '\x1a';  // Ctrl-Z ends an INF file wherever it stands

// NUL counts as a blank (and is kept as a space inside a field), as Windows
// reads it.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\0'; }

std::u16string DecodeUtf8(std::string_view s) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char lead = static_cast<unsigned char>(s[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        size_t extra = 0;
        uint32_t cp = 0;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07u;
        }
        bool valid = extra > 0 && i + extra < s.size();
        for (size_t k = 1; valid && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if (!valid) {
            out.push_back(0xFFFD);  // no 1252 byte: becomes '?'
            ++i;
            continue;
        }
        out.push_back(cp > 0xFFFF ? char16_t(0xFFFD) : char16_t(cp));
        i += extra + 1;
    }
    return out;
}

// The text of a file as the ANSI functions see it, cut at Ctrl-Z.
std::string Decode(std::string_view bytes) {
    std::string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string wide;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            wide.push_back(char16_t(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8));
        text = cp1252::Narrow(wide);
    } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        text = cp1252::Narrow(DecodeUtf8(bytes.substr(3)));
    } else {
        text.assign(bytes);
    }
    const size_t stop = text.find(kEndOfFile);
    if (stop != std::string::npos) text.resize(stop);
    return text;
}

class Parser {
public:
    Parser(std::string_view text, std::vector<Section>& sections) : text_(text), sections_(sections) {}

    DWORD Run(UINT* errorLine, UINT* firstStrayLine);

private:
    enum class End { Equals, Comma, Line };

    bool AtEnd() const { return pos_ >= text_.size(); }
    bool AtLineEnd() const { return AtEnd() || text_[pos_] == '\n'; }
    void SkipToLineEnd() {
        while (!AtLineEnd()) ++pos_;
    }
    void Append(char c) {
        if (token_.size() < kMaxField) token_ += c == '\0' ? ' ' : c;
    }

    DWORD ReadSectionName();
    void ReadEntry();
    End ReadItem(bool keyAllowed);
    void SkipLeadingBlanks();
    size_t ContinuationEnd(size_t from, bool* continues) const;

    std::string_view text_;
    std::vector<Section>& sections_;
    size_t pos_ = 0;
    UINT line_ = 1;
    int current_ = -1;
    UINT firstStray_ = 0;
    std::string token_;
};

DWORD Parser::Run(UINT* errorLine, UINT* firstStrayLine) {
    for (;;) {
        while (!AtEnd() && (text_[pos_] == '\n' || IsBlank(text_[pos_]))) {
            if (text_[pos_] == '\n') ++line_;
            ++pos_;
        }
        if (AtEnd()) break;
        if (text_[pos_] == ';') {
            SkipToLineEnd();
        } else if (text_[pos_] == '[') {
            if (const DWORD error = ReadSectionName()) {
                *errorLine = line_;
                return error;
            }
            SkipToLineEnd();  // anything after the closing bracket is ignored
        } else {
            ReadEntry();
        }
    }
    *firstStrayLine = firstStray_;
    return 0;
}

DWORD Parser::ReadSectionName() {
    const size_t start = ++pos_;
    while (!AtLineEnd() && text_[pos_] != ']') ++pos_;
    if (AtLineEnd()) return ERROR_BAD_SECTION_NAME_LINE;
    token_.clear();
    for (size_t i = start; i < pos_; ++i) Append(text_[i]);
    ++pos_;
    if (token_.size() > kMaxSectionName) return ERROR_SECTION_NAME_TOO_LONG;
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (SameName(sections_[i].name, token_)) {
            current_ = static_cast<int>(i);
            return 0;
        }
    }
    sections_.push_back(Section{token_, {}});
    current_ = static_cast<int>(sections_.size() - 1);
    return 0;
}

// Looks at a run of backslashes and blanks starting at `from`: a run that
// reaches the end of the line (a comment may stand in between) continues the
// line on the next one. Returns where the run stops.
size_t Parser::ContinuationEnd(size_t from, bool* continues) const {
    size_t j = from;
    while (j < text_.size()) {
        const char c = text_[j];
        if (c == '\\' || IsBlank(c)) {
            ++j;
        } else if (c == ';') {
            while (j < text_.size() && text_[j] != '\n') ++j;
        } else {
            break;
        }
    }
    *continues = j >= text_.size() || text_[j] == '\n';
    return j;
}

void Parser::SkipLeadingBlanks() {
    for (;;) {
        while (!AtLineEnd() && IsBlank(text_[pos_])) ++pos_;
        if (AtLineEnd() || text_[pos_] != '\\') return;
        bool continues = false;
        const size_t end = ContinuationEnd(pos_, &continues);
        if (!continues) return;
        pos_ = end;
        if (!AtEnd()) {
            ++pos_;
            ++line_;
        }
    }
}

// One key or field: leading and trailing blanks dropped, blanks inside kept,
// quoted runs taken as they are ("" inside quotes is one quote), a comment
// or the end of the line ending it.
Parser::End Parser::ReadItem(bool keyAllowed) {
    token_.clear();
    std::string blanks;  // blanks seen and not yet known to be inside the item
    auto keepBlanks = [&] {
        for (char b : blanks) Append(b);
        blanks.clear();
    };
    for (;;) {
        if (AtLineEnd()) return End::Line;
        const char c = text_[pos_];
        if (c == '"') {
            keepBlanks();
            ++pos_;
            while (!AtLineEnd()) {
                if (text_[pos_] == '"') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                        Append('"');
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                Append(text_[pos_++]);
            }
        } else if (c == ';') {
            SkipToLineEnd();
            return End::Line;
        } else if (c == '=' && keyAllowed) {
            ++pos_;
            return End::Equals;
        } else if (c == ',') {
            ++pos_;
            return End::Comma;
        } else if (c == '\\') {
            bool continues = false;
            const size_t end = ContinuationEnd(pos_, &continues);
            if (continues) {
                blanks.clear();
                pos_ = end;
                if (!AtEnd()) {
                    ++pos_;
                    ++line_;
                }
                SkipLeadingBlanks();
            } else {
                // Backslashes followed by more text are part of the item.
                keepBlanks();
                while (pos_ < end) Append(text_[pos_++]);
            }
        } else if (IsBlank(c)) {
            blanks += c;
            ++pos_;
        } else {
            keepBlanks();
            Append(c);
            ++pos_;
        }
    }
}

void Parser::ReadEntry() {
    const UINT startLine = line_;
    Line line;
    End end = ReadItem(true);
    if (end == End::Equals) {
        line.hasKey = true;
        line.key = token_;
        do {
            SkipLeadingBlanks();
            end = ReadItem(false);
            line.fields.push_back(token_);
        } while (end == End::Comma);
    } else {
        line.fields.push_back(token_);
        while (end == End::Comma) {
            SkipLeadingBlanks();
            end = ReadItem(false);
            line.fields.push_back(token_);
        }
        // A line of one field is also a line with that key.
        if (line.fields.size() == 1) {
            line.hasKey = true;
            line.key = line.fields[0];
        }
    }
    if (current_ < 0) {
        if (firstStray_ == 0) firstStray_ = startLine;
        return;
    }
    sections_[current_].lines.push_back(std::move(line));
}

// strtol(text, &end, 10) consuming the whole text.
bool ParseDecimal(std::string_view text, long long* value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        if (v < 0x100000000LL) v = v * 10 + (text[i] - '0');
    }
    *value = negative ? -v : v;
    return true;
}

}  // namespace

DWORD File::Parse(std::string_view bytes, UINT* errorLine) {
    sections_.clear();
    strings_ = -1;
    const std::string text = Decode(bytes);
    Parser parser(text, sections_);
    UINT line = 0, stray = 0;
    if (const DWORD error = parser.Run(&line, &stray)) {
        if (errorLine) *errorLine = line;
        return error;
    }
    for (size_t i = 0; i < sections_.size(); ++i)
        if (SameName(sections_[i].name, "Strings")) strings_ = static_cast<int>(i);
    // Lines before the first section are tolerated only in a file that has
    // [Strings], as Windows does.
    if (stray && strings_ < 0) {
        if (errorLine) *errorLine = stray;
        return ERROR_EXPECTED_SECTION_NAME;
    }
    return 0;
}

bool File::HasWin4Signature() const {
    const Section* version = FindSection("Version");
    if (!version) return false;
    for (const Line& line : version->lines) {
        if (!line.hasKey || !SameName(line.key, "Signature")) continue;
        if (line.fields.empty()) return false;
        const std::string& s = line.fields[0];
        return SameName(s, "$Chicago$") || SameName(s, "$Windows NT$") || SameName(s, "$Windows 95$");
    }
    return false;
}

const Section* File::FindSection(std::string_view name) const {
    for (const Section& s : sections_)
        if (SameName(s.name, name)) return &s;
    return nullptr;
}

const Line* File::FindLine(const Section& section, std::string_view key) const {
    for (const Line& line : section.lines)
        if (line.hasKey && SameName(Substitute(line.key), key)) return &line;
    return nullptr;
}

bool File::Field(const Line& line, size_t index, std::string* text) const {
    if (index == 0 || index > line.fields.size()) return false;
    *text = Substitute(line.fields[index - 1]);
    return true;
}

bool File::LookUpString(std::string_view name, std::string* value) const {
    if (strings_ < 0) return false;
    for (const Line& line : sections_[strings_].lines) {
        if (!line.hasKey || !SameName(line.key, name)) continue;
        if (line.fields.empty()) return false;
        *value = line.fields[0];  // taken as written: no substitution inside
        return true;
    }
    return false;
}

bool File::LookUpDirectory(std::string_view name, std::string* value) const {
    long long id = 0;
    if (!ParseDecimal(name, &id)) return false;
    switch (id) {
        case 10: *value = directories_.windows; break;
        case 11: *value = directories_.system; break;
        case 17: *value = directories_.inf; break;
        case 24:
            if (directories_.windows.size() < 3 || directories_.windows[1] != ':') return false;
            *value = directories_.windows.substr(0, 2) + "\\";
            break;
        default: return false;
    }
    return true;
}

std::string File::Substitute(std::string_view raw) const {
    std::string out;
    size_t i = 0;
    while (i < raw.size() && out.size() < kMaxText) {
        const size_t open = raw.find('%', i);
        if (open == std::string_view::npos) {
            out.append(raw.substr(i));
            break;
        }
        out.append(raw.substr(i, open - i));
        const size_t close = raw.find('%', open + 1);
        if (close == std::string_view::npos) {  // a lone percent sign stays
            out.append(raw.substr(open));
            break;
        }
        const std::string_view name = raw.substr(open + 1, close - open - 1);
        std::string value;
        if (name.empty()) {
            out += '%';
        } else if (LookUpString(name, &value)) {
            out += value;
        } else if (LookUpDirectory(name, &value)) {
            // A directory followed by a backslash does not bring its own.
            if (close + 1 < raw.size() && raw[close + 1] == '\\' && !value.empty() && value.back() == '\\')
                value.pop_back();
            out += value;
        } else {
            out.append(raw.substr(open, close - open + 1));  // unknown: left as written
        }
        i = close + 1;
    }
    if (out.size() > kMaxText) out.resize(kMaxText);
    return out;
}

}  // namespace sim::inf
