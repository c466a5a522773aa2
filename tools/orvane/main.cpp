// orvane: a command-line host of Orvane.dll. It reaches the library the way
// any Windows host does (LoadLibraryA + GetProcAddress by export name);
// natively it runs on the simulated platform, on a machine's .reg export.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "Host.h"
#include "LoadAudit.h"
#include "Machine.h"
#include "Options.h"

namespace {

const CommandFamily* const kFamilies[] = {&kDllFamily, &kPlatformFamily, &kRegFamily, &kNicFamily,
                                           &kTcpFamily,  &kWnetFamily,     &kProtocolFamily};

const char kUsageHead[] =
    "usage: orvane [options] COMMAND [ARGS...] [; COMMAND [ARGS...]]...\n"
    "\n"
    "Runs the commands in one process against one loaded Orvane.dll, so edits and\n"
    "the family's write happen on the same library. Separate commands with an\n"
    "argument ';' (or end an argument with ';'), or give them one per line with\n"
    "-f FILE ('-f -' or a piped standard input reads them from standard input).\n"
    "\n"
    "options:\n";

const char kUsageTail[] =
    "\n"
    "exit status: 0 success, 1 a library call reported failure, 2 usage error.\n"
    "\n"
    "command families:\n";

std::string OptionsText() {
    std::string text;
    for (size_t r = 0; r < kOptionRowCount; ++r) {
        const OptionRow& row = kOptionRows[r];
        std::string left = std::string("  ") + row.name + (row.valueName[0] ? std::string(" ") + row.valueName : "");
        if (left.size() < 22) left.resize(22, ' ');
        std::string help = row.help;
        if (row.offlineOnly) {
            const size_t lastLine = help.rfind('\n') == std::string::npos ? 0 : help.rfind('\n') + 1;
            help += help.size() - lastLine + 23 + 14 > 79 ? "\noffline only" : "; offline only";
        }
        size_t at = 0;
        while ((at = help.find('\n', at)) != std::string::npos) {
            help.insert(at + 1, std::string(23, ' '));
            at += 24;
        }
        text += left + " " + help + "\n";
    }
    return text;
}

void PrintUsage(FILE* to) {
    std::fputs(kUsageHead, to);
    std::fputs(OptionsText().c_str(), to);
    std::fputs(kUsageTail, to);
    for (auto* f : kFamilies) std::fprintf(to, "  %-10s %s\n", f->name, f->summary);
}

// Families whose write stores lists the library may not have kept whole:
// checked once, before the family's first command.
struct FamilyAudit {
    const char* family;
    void (*audit)(HostContext& ctx);
    bool done;
};
FamilyAudit g_audits[] = {{"nic", AuditNicLists, false}, {"tcp", AuditTcpLists, false}};

void Audit(HostContext& ctx, const std::string& family) {
    for (FamilyAudit& a : g_audits) {
        if (a.done || family != a.family) continue;
        a.done = true;
        a.audit(ctx);
    }
}

const CommandFamily* FindFamily(const std::string& name) {
    for (auto* f : kFamilies)
        if (name == f->name) return f;
    return nullptr;
}

int PrintHelp(const std::string& family) {
    if (family.empty()) {
        PrintUsage(stdout);
        return kExitOk;
    }
    const CommandFamily* f = FindFamily(family);
    if (!f) {
        Fail("no command family '" + family + "'");
        return kExitUsage;
    }
    std::fputs(FamilyHelp(*f).c_str(), stdout);
    return kExitOk;
}

const OptionRow* FindOption(const std::string& name) {
    for (size_t r = 0; r < kOptionRowCount; ++r) {
        const OptionRow& row = kOptionRows[r];
        if (name == row.name || (row.alias && name == row.alias)) return &row;
    }
    return nullptr;
}

// Splits one script line into arguments: blanks separate, double quotes
// group (with \" and \\ inside), ';' ends a command, '#' starts a comment.
void TokenizeLine(const std::string& line, std::vector<Args>& commands, Args& current) {
    size_t i = 0;
    auto flush = [&] {
        if (!current.empty()) commands.push_back(current);
        current.clear();
    };
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == ';') {
            flush();
            ++i;
        } else {
            std::string token;
            bool quoted = false;
            while (i < line.size()) {
                const char d = line[i];
                if (quoted) {
                    if (d == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                        token += line[i + 1];
                        i += 2;
                        continue;
                    }
                    if (d == '"') quoted = false;
                    else token += d;
                    ++i;
                } else if (d == '"') {
                    quoted = true;
                    ++i;
                } else if (d == ' ' || d == '\t' || d == '\r' || d == ';') {
                    break;
                } else {
                    token += d;
                    ++i;
                }
            }
            if (quoted) throw UsageError("unterminated quote in: " + line);
            current.push_back(token);
        }
    }
    flush();
}

std::vector<Args> ReadScript(std::istream& in) {
    std::vector<Args> commands;
    std::string line;
    while (std::getline(in, line)) {
        Args current;
        TokenizeLine(line, commands, current);
    }
    return commands;
}

// A text as a message shows it: at most 40 characters.
std::string Shown(const std::string& text) { return text.size() > 40 ? text.substr(0, 40) + "..." : text; }

bool AsksHelp(const Args& command) { return command.size() > 1 && (command[1] == "--help" || command[1] == "help"); }

// Every command is checked before the first one runs, so a mistyped verb in
// a script never leaves the machine half changed.
void CheckCommand(const Args& command, bool raw) {
    const CommandFamily* family = FindFamily(command[0]);
    if (!family) throw UsageError("unknown command '" + Shown(command[0]) + "' (see --help)");
    if (!AsksHelp(command)) CheckArguments(*family, ResolveVerb(*family, command), command, raw);
}

int RunOne(HostContext& ctx, const Args& command, bool several, bool first) {
    const CommandFamily& family = *FindFamily(command[0]);
    if (AsksHelp(command)) {
        std::fputs(FamilyHelp(family).c_str(), stdout);
        return kExitOk;
    }
    const Verb& verb = ResolveVerb(family, command);
    Audit(ctx, family.name);
    Node out = Node::Object();
    if (ctx.json) {
        std::string line;
        for (auto& a : command) line += (line.empty() ? "" : " ") + a;
        out.Set("command", line);
    }
    if (verb.name[0]) out.Set("action", verb.name);
    const Args args(command.begin() + (verb.name[0] ? 1 : 0), command.end());
    const int rc = verb.run(ctx, args, out);
    if (ctx.json) {
        std::printf("%s\n", out.ToJson().c_str());
    } else {
        if (several && !first) std::printf("\n");
        std::fputs(out.ToText().c_str(), stdout);
    }
    return rc;
}

}  // namespace

// One line, of a length a terminal shows: a 70,000-character argument is
// named by its start.
void Fail(const std::string& message) {
    const size_t kLongest = 300;
    std::string line = message.size() > kLongest ? message.substr(0, kLongest) + "..." : message;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "orvane: %s\n", line.c_str());
}

unsigned long ParseNumber(const std::string& text, const char* what) {
    try {
        size_t used = 0;
        const unsigned long long v = std::stoull(text, &used, 0);
        if (used != text.size() || v > 0xFFFFFFFFull || text[0] == '-') throw std::invalid_argument(text);
        return static_cast<unsigned long>(v);
    } catch (const std::exception&) {
        throw UsageError(std::string("bad ") + what + " '" + Shown(text) + "'");
    }
}

int main(int argc, char** argv) {
    // Unbuffered, so nothing is lost if a library call takes the process down.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    HostContext ctx;
    HostOptions options;
    std::vector<Args> commands;
    try {
        int i = 1;
        for (; i < argc; ++i) {
            const std::string a = argv[i];
            if (a.size() < 2 || a[0] != '-') break;
            const OptionRow* row = FindOption(a);
            if (!row) throw UsageError("unknown option '" + Shown(a) + "' (see --help)");
            options.given.insert(row->name);
            if (row->kind == OptionKind::Help) return PrintHelp(i + 1 < argc ? argv[i + 1] : "");
            if (row->kind == OptionKind::Flag) {
                row->store(options, "");
                continue;
            }
            if (i + 1 >= argc) throw UsageError(std::string(row->name) + " needs a value (" + row->valueName + ")");
            row->store(options, argv[++i]);
        }
        int toStdout = 0;
        for (const std::string* file : {&options.saveFile, &options.patchFile, &options.undoFile}) toStdout += *file == "-";
        if (toStdout > 1) throw UsageError("only one of --save, --patch and --undo can write to standard output ('-')");
        ctx.json = options.json;

        Args current;
        for (; i < argc; ++i) {
            std::string a = argv[i];
            // ";" alone, or at the end of an argument, ends a command; an
            // empty argument ("") is a value like any other.
            const bool ends = a == ";" || (a.size() > 1 && a.back() == ';');
            if (a == ";") {
                a.clear();
            } else if (ends) {
                a.pop_back();
            }
            if (!ends || !a.empty()) current.push_back(a);
            if (ends && !current.empty()) {
                commands.push_back(current);
                current.clear();
            }
        }
        if (!current.empty()) commands.push_back(current);

        if (!options.scriptFile.empty()) {
            std::vector<Args> more;
            if (options.scriptFile == "-") {
                more = ReadScript(std::cin);
            } else {
                std::ifstream in(options.scriptFile, std::ios::binary);
                if (!in) throw UsageError("cannot read script " + options.scriptFile);
                more = ReadScript(in);
            }
            commands.insert(commands.end(), more.begin(), more.end());
        } else if (commands.empty() && !StandardInputIsTerminal()) {
            commands = ReadScript(std::cin);
        }
        if (commands.empty()) {
            PrintUsage(stderr);
            return kExitUsage;
        }
        for (auto& c : commands) CheckCommand(c, options.rawTexts);
    } catch (const UsageError& e) {
        Fail(e.what());
        return kExitUsage;
    }

    std::string error;
    int prepared = PrepareMachine(options, &error);
    if (prepared != kExitOk) {
        Fail(error);
        return prepared;
    }
    if (!ctx.api.Load("Orvane.dll", &error)) {
        Fail(error);
        return kExitFailed;
    }

    int result = kExitOk;
    for (size_t n = 0; n < commands.size(); ++n) {
        try {
            const int rc = RunOne(ctx, commands[n], commands.size() > 1, n == 0);
            for (const std::string& text : TakeMessageBoxes()) Fail("message box: " + text);
            if (rc > result) result = rc;
        } catch (const UsageError& e) {
            Fail(e.what());
            result = kExitUsage;
            break;
        } catch (const std::exception& e) {
            Fail(std::string("internal error: ") + e.what());
            result = kExitFailed;
            break;
        }
    }
    ctx.api.Unload();
    // A command line found wrong while running writes no --save, --patch or
    // --undo file: the machine is not what the whole command line asked for.
    if (result == kExitUsage) return result;

    const int finished = FinishMachine(options, &error);
    if (finished != kExitOk) {
        Fail(error);
        if (finished > result) result = finished;
    }
    // Everything is written; taking a big machine apart piece by piece
    // would only delay the exit.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(result);
}
