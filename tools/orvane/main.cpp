// orvane: a command-line host of Orvane.dll. It reaches the library the way
// any Windows host does (LoadLibraryA + GetProcAddress by export name);
// natively it runs on the simulated platform, on a machine's .reg export.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "Host.h"
#include "Machine.h"

namespace {

const CommandFamily* const kFamilies[] = {&kDllFamily, &kPlatformFamily, &kRegFamily, &kNicFamily, &kTcpFamily};

const char kUsage[] =
    "usage: orvane [options] COMMAND [ARGS...] [; COMMAND [ARGS...]]...\n"
    "\n"
    "Runs the commands in one process against one loaded Orvane.dll, so edits and\n"
    "the family's write happen on the same library. Separate commands with an\n"
    "argument ';' (or end an argument with ';'), or give them one per line with\n"
    "-f FILE ('-f -' or a piped standard input reads them from standard input).\n"
    "\n"
    "options:\n"
    "  --machine FILE.reg   the machine to run on (default: the bundled Windows 98\n"
    "                       sample); repeat to lay more .reg files over it;\n"
    "                       offline only\n"
    "  --platform NAME      win98, nt4 or win2000 (default: what the machine file\n"
    "                       says it is); offline only\n"
    "  --save FILE.reg      write the whole resulting registry; offline only\n"
    "  --patch FILE.reg     write only what changed, as an importable .reg file;\n"
    "                       offline only\n"
    "  --readonly KEY       make KEY and its subtree refuse every change, to see\n"
    "                       how writes fail; offline only\n"
    "  --deny KEY           make KEY impossible to open; offline only\n"
    "  --record FILE        write the DHCP client notifications, message boxes and\n"
    "                       command lines the library produced; offline only\n"
    "  --dun-version V      give the machine a dial-up networking library of file\n"
    "                       version V (e.g. 4.10.0.1500); offline only\n"
    "  --winsock-version V  the highest Windows Sockets version (e.g. 1.1; default\n"
    "                       2.2); offline only\n"
    "  --inf-dir DIR        the machine's INF folder, where protocol installs find\n"
    "                       NETTRANS.INF (default: the bundled inf/ folder);\n"
    "                       offline only\n"
    "  --json               one JSON object per command instead of text\n"
    "  -f FILE              read commands from FILE\n"
    "  --help [FAMILY]      this text, or the commands of one family\n"
    "\n"
    "exit status: 0 success, 1 a library call reported failure, 2 usage error.\n"
    "\n"
    "command families:\n";

void PrintUsage(FILE* to) {
    std::fputs(kUsage, to);
    for (auto* f : kFamilies) std::fprintf(to, "  %-10s %s\n", f->name, f->summary);
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
    std::fputs(f->help, stdout);
    return kExitOk;
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

int RunOne(HostContext& ctx, const Args& command, bool several, bool first) {
    const CommandFamily* family = FindFamily(command[0]);
    if (!family) throw UsageError("unknown command '" + command[0] + "' (see --help)");
    Args rest(command.begin() + 1, command.end());
    if (!rest.empty() && (rest[0] == "--help" || rest[0] == "help")) {
        std::fputs(family->help, stdout);
        return kExitOk;
    }
    Node out = Node::Object();
    if (ctx.json) {
        std::string line;
        for (auto& a : command) line += (line.empty() ? "" : " ") + a;
        out.Set("command", line);
    }
    const int rc = family->run(ctx, rest, out);
    if (ctx.json) {
        std::printf("%s\n", out.ToJson().c_str());
    } else {
        if (several && !first) std::printf("\n");
        std::fputs(out.ToText().c_str(), stdout);
    }
    return rc;
}

}  // namespace

void Fail(const std::string& message) { std::fprintf(stderr, "orvane: %s\n", message.c_str()); }

unsigned long ParseNumber(const std::string& text, const char* what) {
    try {
        size_t used = 0;
        const unsigned long long v = std::stoull(text, &used, 0);
        if (used != text.size() || v > 0xFFFFFFFFull || text[0] == '-') throw std::invalid_argument(text);
        return static_cast<unsigned long>(v);
    } catch (const std::exception&) {
        throw UsageError(std::string("bad ") + what + " '" + text + "'");
    }
}

int main(int argc, char** argv) {
    // Unbuffered, so nothing is lost if a library call takes the process down.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    HostContext ctx;
    MachineOptions machine;
    std::vector<Args> commands;
    std::string scriptFile;
    try {
        int i = 1;
        for (; i < argc; ++i) {
            const std::string a = argv[i];
            auto value = [&](const char* option) -> std::string {
                if (i + 1 >= argc) throw UsageError(std::string(option) + " needs a value");
                return argv[++i];
            };
            if (a == "--help" || a == "-h") {
                return PrintHelp(i + 1 < argc ? argv[i + 1] : "");
            } else if (a == "--machine") {
                machine.machineFiles.push_back(value("--machine"));
            } else if (a == "--readonly") {
                machine.readOnlyKeys.push_back(value("--readonly"));
            } else if (a == "--deny") {
                machine.deniedKeys.push_back(value("--deny"));
            } else if (a == "--record") {
                machine.recordFile = value("--record");
            } else if (a == "--dun-version") {
                machine.dunVersion = value("--dun-version");
            } else if (a == "--winsock-version") {
                machine.winsockVersion = value("--winsock-version");
            } else if (a == "--inf-dir") {
                machine.infDirectory = value("--inf-dir");
            } else if (a == "--platform") {
                machine.platform = value("--platform");
            } else if (a == "--save") {
                machine.saveFile = value("--save");
            } else if (a == "--patch") {
                machine.patchFile = value("--patch");
            } else if (a == "--json") {
                ctx.json = true;
            } else if (a == "-f") {
                scriptFile = value("-f");
            } else if (a.size() > 1 && a[0] == '-' && a != "-") {
                throw UsageError("unknown option '" + a + "'");
            } else {
                break;
            }
        }
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

        if (!scriptFile.empty()) {
            std::vector<Args> more;
            if (scriptFile == "-") {
                more = ReadScript(std::cin);
            } else {
                std::ifstream in(scriptFile, std::ios::binary);
                if (!in) throw UsageError("cannot read script " + scriptFile);
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
        for (auto& c : commands) {
            if (!FindFamily(c[0])) throw UsageError("unknown command '" + c[0] + "' (see --help)");
        }
    } catch (const UsageError& e) {
        Fail(e.what());
        return kExitUsage;
    }

    std::string error;
    int prepared = PrepareMachine(machine, &error);
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

    const int finished = FinishMachine(machine, &error);
    if (finished != kExitOk) {
        Fail(error);
        if (finished > result) result = finished;
    }
    return result;
}
