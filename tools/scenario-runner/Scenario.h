// The scenario file format (tests/scenarios/README.md): reading a file,
// and writing it back with what a run produced (--bless).
#pragma once

#include <functional>
#include <string>
#include <vector>

struct Section {
    std::string name;      // seed, commands, output, registry, ...
    std::string argument;  // the key of a registry section, the name of a file section
    std::vector<std::string> lines;
};

struct Scenario {
    std::string path;
    std::string title;
    std::string platform;
    std::string machine;         // relative to the repository; empty: none
    std::string wineSkip;        // reason; empty: runs under Wine too
    std::string wineDiffers;     // what Wine does otherwise, for the wine- sections
    std::string dunVersion;      // the dial-up library's file version
    std::string winsockVersion;  // the highest Winsock version
    bool rawTexts = false;       // the host passes address texts as they are (--raw)
    std::vector<std::string> owns;  // registry keys the scenario owns, as written
    std::vector<Section> sections;

    const Section* Find(const std::string& name) const;
    // The section to compare: under Wine its wine- form when there is one.
    const Section* Expected(const std::string& name, const std::string& argument, bool wine) const;
    // The keys the [seed] section names.
    std::vector<std::string> SeededKeys() const;
    // The [seed] lines as one REGEDIT4 text.
    std::string SeedText() const;
};

bool ParseScenario(const std::string& path, Scenario* out, std::string* error);

// What a run produced, for --bless: the host's standard output, the text a
// [registry KEY] section should hold, the content of a [file NAME].
struct RunProducts {
    std::string output;
    std::function<std::string(const std::string& key)> registry;
    std::function<std::string(const std::string& name)> file;
};

// The scenario file with its [output], [registry] and [file] sections
// replaced by what the run produced; everything else stays as written.
std::string BlessedText(const Scenario& s, const std::string& fileText, const RunProducts& products);

// ---- Text helpers ----------------------------------------------------------------

std::string ReadFile(const std::string& path, bool* ok = nullptr);
bool WriteFile(const std::string& path, const std::string& text);
std::vector<std::string> SplitLines(const std::string& text);  // CR LF or LF
std::string Join(const std::vector<std::string>& lines);       // LF after each line
std::string Trim(const std::string& s);
std::string Replace(std::string s, const std::string& from, const std::string& to);
// The text without blank lines at its end, LF line ends.
std::string WithoutTrailingBlankLines(const std::string& text);
// Registry key names compare without regard to letter case.
bool KeyAtOrBelow(const std::string& key, const std::string& ancestor);
