// Verb lookup, argument counts and --help text, all from the families'
// verb tables.
#include <algorithm>
#include <cstdint>
#include <sstream>

#include "Host.h"

namespace {

struct Arity {
    size_t min = 0;
    size_t max = 0;  // SIZE_MAX: no limit
};

Arity ArityOf(const char* synopsis) {
    Arity a;
    std::istringstream words(synopsis ? synopsis : "");
    std::string word;
    while (words >> word) {
        const bool optional = word[0] == '[';
        const bool many = word.find("...") != std::string::npos;
        if (!optional) ++a.min;
        if (many) {
            a.max = SIZE_MAX;
        } else if (a.max != SIZE_MAX) {
            ++a.max;
        }
    }
    return a;
}

std::string VerbNames(const CommandFamily& family) {
    std::string names;
    for (size_t i = 0; i < family.verbCount; ++i) names += (i ? ", " : "") + std::string(family.verbs[i].name);
    return names;
}

std::string Plural(size_t n) { return std::to_string(n) + (n == 1 ? " argument" : " arguments"); }

std::string CommandName(const CommandFamily& family, const Verb& verb) {
    return verb.name[0] ? std::string(family.name) + " " + verb.name : std::string(family.name);
}

std::string Usage(const CommandFamily& family, const Verb& verb) {
    return CommandName(family, verb) + (verb.synopsis[0] ? std::string(" ") + verb.synopsis : std::string());
}

}  // namespace

const Verb& ResolveVerb(const CommandFamily& family, const Args& command) {
    const std::string see = " (see --help " + std::string(family.name) + ")";
    const Verb* verb = nullptr;
    size_t given = 0;
    if (family.verbCount == 1 && !family.verbs[0].name[0]) {
        verb = &family.verbs[0];
        given = command.size() - 1;
    } else {
        if (command.size() < 2)
            throw UsageError(std::string(family.name) + ": which command? " + VerbNames(family) + see);
        for (size_t i = 0; i < family.verbCount && !verb; ++i) {
            if (command[1] == family.verbs[i].name) verb = &family.verbs[i];
        }
        if (!verb) throw UsageError(std::string(family.name) + ": unknown command '" + command[1] + "'" + see);
        given = command.size() - 2;
    }
    const Arity arity = ArityOf(verb->synopsis);
    if (given < arity.min || given > arity.max) {
        const std::string name = CommandName(family, *verb);
        if (arity.max == 0) throw UsageError(name + ": takes no arguments, " + std::to_string(given) + " given");
        throw UsageError(name + ": " + Plural(given) + " given, wants " + verb->synopsis);
    }
    return *verb;
}

namespace {

// Address texts: four decimal numbers of 0 to 255 joined by dots, without
// leading zeros (which some parsers of the system read as octal).
bool ParseDotted(const std::string& text, DWORD* value) {
    DWORD result = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') return false;
            ++pos;
        }
        const size_t start = pos;
        unsigned number = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3)
            number = number * 10 + unsigned(text[pos++] - '0');
        if (pos == start || number > 255 || (text[start] == '0' && pos - start > 1)) return false;
        result = result << 8 | number;
    }
    if (pos != text.size()) return false;
    *value = result;
    return true;
}

// Checks of one argument, by the word that stands for it in the synopsis.
// A family names its arguments with these words and gets the checks.
struct ArgumentRule {
    const char* word;
    void (*check)(const std::string& text, const std::string& word, bool raw);
};

void Number(const std::string& text, const std::string& word, unsigned long max) {
    const unsigned long n = ParseNumber(text, word.c_str());
    if (n > max) throw UsageError(word + " " + text + " is out of range (0 to " + std::to_string(max) + ")");
}

const unsigned long kAnyNumber = 0xFFFFFFFFul;

void Address(const std::string& text, const std::string& word, bool raw, bool mask) {
    if (raw || text.empty()) return;
    DWORD value = 0;
    const std::string shown = text.size() > 40 ? text.substr(0, 40) + "..." : text;
    if (!ParseDotted(text, &value))
        throw UsageError(word + " '" + shown + "' is not a dotted IPv4 address (--raw passes it as it is)");
    // A mask is a run of ones followed by zeros.
    if (mask && ((~value + 1) & ~value) != 0)
        throw UsageError(word + " '" + shown + "' is not a contiguous subnet mask (--raw passes it as it is)");
}

// No text the library keeps is longer than 259 characters; far longer ones
// are refused here rather than quietly ignored there.
const size_t kLongestText = 1024;

void Text(const std::string& text, const std::string& word) {
    if (text.size() > kLongestText)
        throw UsageError(word + " has " + std::to_string(text.size()) + " characters (at most " +
                         std::to_string(kLongestText) + ")");
}

const ArgumentRule kArgumentRules[] = {
    {"N", [](const std::string& t, const std::string& w, bool) { Number(t, w, kAnyNumber); }},
    {"INDEX", [](const std::string& t, const std::string& w, bool) { Number(t, w, kAnyNumber); }},
    {"VALUE", [](const std::string& t, const std::string& w, bool) { Number(t, w, kAnyNumber); }},
    {"FLAG", [](const std::string& t, const std::string& w, bool) { Number(t, w, kAnyNumber); }},
    {"0|1", [](const std::string& t, const std::string& w, bool) { Number(t, w, kAnyNumber); }},
    {"SLOT", [](const std::string& t, const std::string& w, bool) { Number(t, w, 9); }},
    {"ENTRY", [](const std::string& t, const std::string& w, bool) { Number(t, w, 31); }},
    {"IP", [](const std::string& t, const std::string& w, bool raw) { Address(t, w, raw, false); }},
    {"GATEWAY", [](const std::string& t, const std::string& w, bool raw) { Address(t, w, raw, false); }},
    {"ADDRESS", [](const std::string& t, const std::string& w, bool raw) { Address(t, w, raw, false); }},
    {"MASK", [](const std::string& t, const std::string& w, bool raw) { Address(t, w, raw, true); }},
    {"TEXT", [](const std::string& t, const std::string& w, bool) { Text(t, w); }},
    {"PATH", [](const std::string& t, const std::string& w, bool) { Text(t, w); }},
};

}  // namespace

void CheckArguments(const CommandFamily& family, const Verb& verb, const Args& command, bool raw) {
    std::istringstream words(verb.synopsis ? verb.synopsis : "");
    std::string word;
    size_t at = verb.name[0] ? 2 : 1;
    while (words >> word && at < command.size()) {
        std::string bare = word;
        bare.erase(std::remove(bare.begin(), bare.end(), '['), bare.end());
        bare.erase(std::remove(bare.begin(), bare.end(), ']'), bare.end());
        if (bare.find("...") != std::string::npos) break;
        for (const ArgumentRule& rule : kArgumentRules) {
            if (bare != rule.word) continue;
            try {
                rule.check(command[at], bare, raw);
            } catch (const UsageError& e) {
                throw UsageError(CommandName(family, verb) + ": " + e.what());
            }
        }
        ++at;
    }
}

std::string FamilyHelp(const CommandFamily& family) {
    std::string text;
    auto helpLines = [](const char* help, const std::string& indent) {
        std::string out;
        std::istringstream lines(help);
        std::string line;
        bool first = true;
        while (std::getline(lines, line)) {
            out += (first ? "" : indent) + line + "\n";
            first = false;
        }
        return out;
    };
    if (family.verbCount == 1 && !family.verbs[0].name[0]) {
        text = "usage: " + Usage(family, family.verbs[0]) + "\n  " + helpLines(family.verbs[0].help, "  ");
    } else {
        size_t width = 0;
        for (size_t i = 0; i < family.verbCount; ++i) width = std::max(width, Usage(family, family.verbs[i]).size());
        width += 2;
        const std::string indent(7 + width, ' ');
        for (size_t i = 0; i < family.verbCount; ++i) {
            const Verb& verb = family.verbs[i];
            if (verb.heading) text += std::string("\n  ") + verb.heading + "\n";
            std::string left = Usage(family, verb);
            left.resize(width, ' ');
            text += (i == 0 ? "usage: " : "       ") + left + helpLines(verb.help, indent);
        }
    }
    if (family.notes) text += std::string("\n") + family.notes;
    return text;
}
