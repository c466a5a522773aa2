// The host's options, declared once: the list below makes the fields of
// HostOptions, the parser's table and the option part of the usage text.
#pragma once

#include <set>
#include <string>
#include <vector>

enum class OptionKind {
    Flag,   // no value
    Value,  // one value; given again, the last one counts
    List,   // one value, may be given again
    Help,   // stops parsing; an optional family name follows
};

template <OptionKind K>
struct OptionField;
template <>
struct OptionField<OptionKind::Flag> {
    typedef bool Type;
};
template <>
struct OptionField<OptionKind::Value> {
    typedef std::string Type;
};
template <>
struct OptionField<OptionKind::List> {
    typedef std::vector<std::string> Type;
};
template <>
struct OptionField<OptionKind::Help> {
    typedef std::string Type;  // the family asked about; empty: all
};

// X(field, kind, name, alias, value name, offline only, help). Help lines
// are broken with '\n'; "offline only" is added by the usage text.
#define ORVANE_HOST_OPTIONS(X)                                                                                  \
    X(machineFiles, List, "--machine", nullptr, "FILE.reg", true,                                               \
      "the machine to run on (default: the bundled Windows 98\n"                                                \
      "sample); repeat to lay more .reg files over it")                                                         \
    X(platform, Value, "--platform", nullptr, "NAME", true,                                                     \
      "win98, nt4 or win2000 (default: what the machine file\nsays it is)")                                     \
    X(saveFile, Value, "--save", nullptr, "FILE.reg", true,                                                     \
      "write the whole resulting registry ('-': standard output,\nafter the commands' output)")                  \
    X(patchFile, Value, "--patch", nullptr, "FILE.reg", true,                                                   \
      "write only what changed, as an importable .reg file\n('-': standard output)")                            \
    X(undoFile, Value, "--undo", nullptr, "FILE.reg", true,                                                     \
      "write the .reg file that takes the changed machine back\nto the original exactly ('-': standard output)") \
    X(readOnlyKeys, List, "--readonly", nullptr, "KEY", true,                                                   \
      "make KEY and its subtree refuse every change, to see\nhow writes fail")                                  \
    X(deniedKeys, List, "--deny", nullptr, "KEY", true, "make KEY impossible to open")                          \
    X(recordFile, Value, "--record", nullptr, "FILE", true,                                                     \
      "write the DHCP client notifications, message boxes,\ncommand lines and network, security and service calls\n" \
      "the library produced")                                                                                   \
    X(domainControllers, List, "--dc", nullptr, "TEXT", true,                                                   \
      "describe a domain controller around the machine:\n"                                                      \
      "domain=CORP,dc=CORPDC,sid=S-1-5-21-...[,admin=NAME,\npassword=PW][,role=backup][,caller=user]")          \
    X(dunVersion, Value, "--dun-version", nullptr, "V", true,                                                   \
      "give the machine a dial-up networking library of file\nversion V (e.g. 4.10.0.1500)")                    \
    X(winsockVersion, Value, "--winsock-version", nullptr, "V", true,                                           \
      "the highest Windows Sockets version (e.g. 1.1; default\n2.2)")                                           \
    X(infDirectory, Value, "--inf-dir", nullptr, "DIR", true,                                                   \
      "the machine's INF folder, where protocol installs find\nNETTRANS.INF (default: the bundled inf/ folder)")  \
    X(rawTexts, Flag, "--raw", nullptr, "", false,                                                              \
      "pass address and mask texts to the library as they are\n(by default they must be dotted IPv4)")          \
    X(json, Flag, "--json", nullptr, "", false, "one JSON object per command instead of text")                  \
    X(scriptFile, Value, "-f", nullptr, "FILE", false, "read commands from FILE ('-': standard input)")         \
    X(helpFamily, Help, "--help", "-h", "[FAMILY]", false, "this text, or the commands of one family")

struct HostOptions {
#define ORVANE_OPTION_FIELD(field, kind, name, alias, value, offline, help) \
    OptionField<OptionKind::kind>::Type field{};
    ORVANE_HOST_OPTIONS(ORVANE_OPTION_FIELD)
#undef ORVANE_OPTION_FIELD

    std::set<std::string> given;  // the names of the options on the command line

    bool Given(const std::string& name) const { return given.count(name) != 0; }
    // The options given that need the simulated machine, comma-separated.
    std::string OfflineOptionsGiven() const;
};

struct OptionRow {
    const char* name;
    const char* alias;
    OptionKind kind;
    const char* valueName;
    bool offlineOnly;
    const char* help;
    // Stores a value (Value, List, Help) or sets the flag (Flag, value empty).
    void (*store)(HostOptions& options, const std::string& value);
};

extern const OptionRow kOptionRows[];
extern const size_t kOptionRowCount;
