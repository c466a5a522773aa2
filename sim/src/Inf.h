// INF files as the setup functions read them: sections of lines, each line
// an optional key and comma-separated fields, with %strings% substituted
// when a field is read. The syntax rules (quotes, continuations, comments,
// the errors and their line numbers) follow what Wine's setupapi does, which
// its own tests show Windows doing too.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace sim::inf {

// A field longer than this is cut, and a text after substitution is never
// longer than kMaxText characters, as Windows has it.
constexpr size_t kMaxField = 511;
constexpr size_t kMaxText = 4097;
constexpr size_t kMaxSectionName = 255;

struct Line {
    bool hasKey = false;
    std::string key;                  // as written, before substitution
    std::vector<std::string> fields;  // as written; field 1 is fields[0]
};

struct Section {
    std::string name;
    std::vector<Line> lines;
};

// The directories behind %10% (Windows), %11% (system) and %17% (INF); %24%
// is the root of the Windows directory's drive.
struct Directories {
    std::string windows;
    std::string system;
    std::string inf;
};

class File {
public:
    // Reads INF text (8-bit code page 1252, or UTF-8 or UTF-16LE with a
    // byte-order mark). Returns 0, or the setup error with the line it was
    // found on.
    DWORD Parse(std::string_view bytes, UINT* errorLine);

    // Whether [Version] has a Signature of $Chicago$, $Windows NT$ or
    // $Windows 95$ (any case, as written: not substituted).
    bool HasWin4Signature() const;

    // Sections compare by name without regard to case; a name used twice
    // is one section.
    const Section* FindSection(std::string_view name) const;
    // The first line of a section whose key, substituted, is `key`.
    const Line* FindLine(const Section& section, std::string_view key) const;

    // Field `index` (1-based; keys are not fields) substituted, or false
    // when the line has no such field.
    bool Field(const Line& line, size_t index, std::string* text) const;
    std::string Substitute(std::string_view raw) const;

    void SetDirectories(Directories directories) { directories_ = std::move(directories); }

private:
    bool LookUpString(std::string_view name, std::string* value) const;
    bool LookUpDirectory(std::string_view name, std::string* value) const;

    std::vector<Section> sections_;
    int strings_ = -1;  // index of [Strings]
    Directories directories_;
};

// Case-insensitive comparison of INF names (sections, keys, roots).
bool SameName(std::string_view a, std::string_view b);

// Carries out the registry directives of an install section through the
// Reg* functions: every DelReg line first, then every AddReg line, each
// naming sections of registry lines. HKR lines work below `relativeRoot`
// and are skipped without one. A line that cannot be carried out (unknown
// root, key that cannot be opened, refused write) is passed over.
void ApplyRegistryDirectives(const File& file, const Section& install, HKEY relativeRoot);

}  // namespace sim::inf
