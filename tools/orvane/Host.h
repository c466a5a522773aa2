// The orvane host: command families, their verbs, and exit codes.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "OrvaneApi.h"
#include "Output.h"

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// A command line that makes no sense: reported with exit code 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct HostContext {
    OrvaneApi api;
    bool json = false;
};

typedef std::vector<std::string> Args;

// One command of a family. The dispatcher finds the verb, checks the
// argument count against the synopsis and prints the family's --help from
// these rows, so a verb is declared exactly once.
//
// Synopsis words: NAME is one argument, [NAME] an optional one, a word
// ending in "..." any number (NAME... at least one, [NAME...] none or more).
struct Verb {
    const char* name;      // "" for a family that is a single command (dll, platform)
    const char* synopsis;  // the arguments after the verb
    const char* help;      // what it does; '\n' continues on the next line of --help
    // Receives the verb and its arguments (args[0] is the verb; for a
    // nameless verb, the family name); prints into `out`; returns an exit code.
    int (*run)(HostContext& ctx, const Args& args, Node& out);
    const char* heading = nullptr;  // a paragraph --help prints before this verb
};

struct CommandFamily {
    const char* name;
    const char* summary;  // one line for the family list of --help
    const Verb* verbs;
    size_t verbCount;
    const char* notes;  // paragraphs --help prints after the verbs; may be null
};

extern const CommandFamily kDllFamily;
extern const CommandFamily kPlatformFamily;
extern const CommandFamily kRegFamily;
extern const CommandFamily kNicFamily;
extern const CommandFamily kTcpFamily;
extern const CommandFamily kWnetFamily;
extern const CommandFamily kProtocolFamily;

// The verb a command names, its argument count checked; throws UsageError
// with a one-line message otherwise. `command` starts with the family name.
const Verb& ResolveVerb(const CommandFamily& family, const Args& command);
std::string FamilyHelp(const CommandFamily& family);
// Checks each argument by the word the synopsis gives it (numbers and their
// ranges, dotted IPv4 addresses and masks unless `raw`, text lengths);
// throws UsageError naming the command and the argument.
void CheckArguments(const CommandFamily& family, const Verb& verb, const Args& command, bool raw);

// Helpers shared by the families.
unsigned long ParseNumber(const std::string& text, const char* what);
void Fail(const std::string& message);  // prints "orvane: message" to stderr
