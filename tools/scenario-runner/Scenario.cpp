#include "Scenario.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "sim/control.h"

namespace {

const char* const kSectionNames[] = {"seed",     "access",       "commands",    "output",    "exit",
                                     "dhcp",     "messages",     "commands-run", "netapi32", "advapi32",
                                     "svrapi",   "registry",     "file",        "wine-output", "wine-exit",
                                     "wine-registry"};
// Sections that take an argument: [registry KEY], [wine-registry KEY], [file NAME].
bool TakesArgument(const std::string& name) { return name == "registry" || name == "wine-registry" || name == "file"; }

// Section headers are the known names only, so the .reg key lines of
// [seed] and [registry] sections are never taken for one.
bool SectionHeader(const std::string& line, std::string* name, std::string* argument) {
    if (line.size() < 3 || line[0] != '[' || line.back() != ']') return false;
    const std::string inner = line.substr(1, line.size() - 2);
    const size_t space = inner.find(' ');
    const std::string head = inner.substr(0, space);
    for (const char* known : kSectionNames) {
        if (head != known || TakesArgument(head) != (space != std::string::npos)) continue;
        *name = head;
        *argument = space == std::string::npos ? std::string() : Trim(inner.substr(space + 1));
        return true;
    }
    return false;
}

void TrimTrailingBlank(std::vector<std::string>& lines) {
    while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
}

const char* const kRoots[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CURRENT_CONFIG"};

// Keys the Wine prefix itself lives on: a scenario may own keys below
// them, never one of them or a key above them.
const char* const kPrefixKeys[] = {
    "HKEY_CURRENT_USER\\Software\\Wine",
    "HKEY_CURRENT_USER\\Software\\OrvaneScenario",
    "HKEY_LOCAL_MACHINE\\Software\\Wine",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services",
};

std::string CheckOwned(const std::string& key) {
    bool rooted = false;
    for (const char* root : kRoots) rooted = rooted || (KeyAtOrBelow(key, root) && key.size() > std::string(root).size());
    if (!rooted) return "'owns:' takes a key below HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_CURRENT_CONFIG";
    for (const char* prefixKey : kPrefixKeys) {
        if (KeyAtOrBelow(prefixKey, key)) return "'owns: " + key + "' would take " + prefixKey + " from Wine";
    }
    return "";
}

}  // namespace

const Section* Scenario::Find(const std::string& name) const {
    for (auto& s : sections)
        if (s.name == name) return &s;
    return nullptr;
}

const Section* Scenario::Expected(const std::string& name, const std::string& argument, bool wine) const {
    const Section* found = nullptr;
    for (auto& sec : sections) {
        if (wine && sec.name == "wine-" + name && sec.argument == argument) return &sec;
        if (!found && sec.name == name && sec.argument == argument) found = &sec;
    }
    return found;
}

std::vector<std::string> Scenario::SeededKeys() const {
    std::vector<std::string> keys;
    if (const Section* seed = Find("seed")) {
        for (const std::string& line : seed->lines) {
            const std::string t = Trim(line);
            if (t.size() < 3 || t[0] != '[' || t.back() != ']') continue;
            keys.push_back(t.substr(t[1] == '-' ? 2 : 1, t.size() - (t[1] == '-' ? 3 : 2)));
        }
    }
    return keys;
}

std::string Scenario::SeedText() const {
    std::string text = "REGEDIT4\n\n";
    if (const Section* seed = Find("seed")) {
        for (auto& l : seed->lines) {
            if (Trim(l) == "REGEDIT4" || Trim(l) == "Windows Registry Editor Version 5.00") continue;
            text += l + "\n";
        }
    }
    return text + "\n";
}

bool ParseScenario(const std::string& path, Scenario* out, std::string* error) {
    bool ok = false;
    const std::string text = ReadFile(path, &ok);
    if (!ok) {
        *error = "cannot read " + path;
        return false;
    }
    Scenario s;
    s.path = path;
    Section* current = nullptr;
    int number = 0;
    auto fail = [&](const std::string& message) {
        *error = path + (number ? ":" + std::to_string(number) : std::string()) + ": " + message;
        return false;
    };
    for (const std::string& line : SplitLines(text)) {
        ++number;
        Section header;
        if (SectionHeader(line, &header.name, &header.argument)) {
            if (current && current->name != "file") TrimTrailingBlank(current->lines);
            s.sections.push_back(header);
            current = &s.sections.back();
            continue;
        }
        if (current) {
            current->lines.push_back(line);
            continue;
        }
        const std::string t = Trim(line);
        if (t.empty()) continue;
        if (t[0] == '#') {
            if (s.title.empty()) s.title = Trim(t.substr(1));
            continue;
        }
        const size_t colon = t.find(':');
        if (colon == std::string::npos) return fail("expected 'name: value' or a [section]");
        const std::string key = Trim(t.substr(0, colon));
        const std::string value = Trim(t.substr(colon + 1));
        if (key == "platform") {
            s.platform = value;
        } else if (key == "machine") {
            s.machine = value == "none" ? std::string() : value;
        } else if (key == "owns") {
            const std::string problem = CheckOwned(value);
            if (!problem.empty()) return fail(problem);
            s.owns.push_back(value);
        } else if (key == "dun-version") {
            s.dunVersion = value;
        } else if (key == "winsock-version") {
            s.winsockVersion = value;
        } else if (key == "raw-texts") {
            if (value != "yes") return fail("'raw-texts:' takes 'yes'");
            s.rawTexts = true;
        } else if (key == "wine-differs") {
            s.wineDiffers += (s.wineDiffers.empty() ? "" : " ") + value;
        } else if (key == "wine") {
            if (value.rfind("skip", 0) != 0) return fail("'wine:' takes 'skip because ...'");
            s.wineSkip = Trim(value.substr(4));
            if (s.wineSkip.empty()) s.wineSkip = "no reason given";
        } else {
            return fail("unknown setting '" + key + "'");
        }
    }
    // A [file] section is compared exactly, blank lines at its end included:
    // it runs to the next section or to the end of the scenario file.
    if (current && current->name != "file") TrimTrailingBlank(current->lines);
    number = 0;
    sim::Platform p;
    if (!sim::ParsePlatform(s.platform, &p)) return fail("'platform:' must be win98, nt4 or win2000");
    if (!s.Find("commands")) return fail("no [commands] section");
    if (s.Find("access") && s.wineSkip.empty())
        return fail("[access] failure injection works natively only; say 'wine: skip because ...'");
    // What the scenario seeds and compares must be its own, or a run under
    // Wine would see what an earlier scenario left there.
    std::vector<std::string> mine = s.SeededKeys();
    bool wineSections = false;
    for (const Section& sec : s.sections) {
        if (sec.name == "registry" || sec.name == "wine-registry") mine.push_back(sec.argument);
        wineSections = wineSections || sec.name.rfind("wine-", 0) == 0;
        if (sec.name == "wine-registry" && !s.Expected("registry", sec.argument, false))
            return fail("[wine-registry " + sec.argument + "] has no [registry " + sec.argument + "] to stand for");
    }
    // A difference of Wine is named, never silently expected.
    if (wineSections && s.wineDiffers.empty())
        return fail("wine- sections need 'wine-differs: ...' saying what Wine does otherwise and why");
    for (const std::string& key : mine) {
        bool owned = false;
        for (const std::string& o : s.owns) owned = owned || KeyAtOrBelow(key, o);
        if (!owned) return fail(key + " is seeded or compared but not below any 'owns:' key");
    }
    *out = std::move(s);
    return true;
}

std::string BlessedText(const Scenario& s, const std::string& fileText, const RunProducts& products) {
    std::string text;
    bool skipping = false;
    size_t index = 0;
    for (const std::string& line : SplitLines(fileText)) {
        std::string name, argument;
        // Only the headers the parser saw, in their order, start a section.
        const bool header = index < s.sections.size() && SectionHeader(line, &name, &argument) &&
                            name == s.sections[index].name && argument == s.sections[index].argument;
        if (header) {
            const Section& section = s.sections[index++];
            skipping = section.name == "output" || section.name == "registry" || section.name == "file";
            text += line + "\n";
            if (section.name == "output") text += WithoutTrailingBlankLines(products.output) + "\n";
            if (section.name == "registry") text += WithoutTrailingBlankLines(products.registry(section.argument)) + "\n";
            if (section.name == "file") text += Join(SplitLines(products.file(section.argument)));
            continue;
        }
        if (!skipping) text += line + "\n";
    }
    if (s.sections.empty() || s.sections.back().name != "file") {
        while (text.size() > 1 && text[text.size() - 1] == '\n' && text[text.size() - 2] == '\n') text.pop_back();
    }
    return text;
}

// ---- Text helpers ----------------------------------------------------------------

std::string ReadFile(const std::string& path, bool* ok) {
    std::ifstream in(path, std::ios::binary);
    if (ok) *ok = static_cast<bool>(in);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (auto& l : lines) out += l + "\n";
    return out;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t");
    const size_t b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    size_t at = 0;
    while ((at = s.find(from, at)) != std::string::npos) {
        s.replace(at, from.size(), to);
        at += to.size();
    }
    return s;
}

std::string WithoutTrailingBlankLines(const std::string& text) {
    std::vector<std::string> lines = SplitLines(text);
    TrimTrailingBlank(lines);
    return Join(lines);
}

bool KeyAtOrBelow(const std::string& key, const std::string& ancestor) {
    if (key.size() < ancestor.size()) return false;
    for (size_t i = 0; i < ancestor.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(key[i])) != std::tolower(static_cast<unsigned char>(ancestor[i])))
            return false;
    }
    return key.size() == ancestor.size() || key[ancestor.size()] == '\\';
}
