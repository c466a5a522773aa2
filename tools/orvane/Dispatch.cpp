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
