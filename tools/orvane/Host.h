// The orvane host: command families, their context and exit codes.
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

// Each family prints its result into `out` and returns an exit code; a
// library call that reports failure gives kExitFailed with a message on
// standard error.
struct CommandFamily {
    const char* name;
    const char* summary;
    const char* help;
    int (*run)(HostContext& ctx, const Args& args, Node& out);
};

extern const CommandFamily kDllFamily;
extern const CommandFamily kPlatformFamily;
extern const CommandFamily kRegFamily;
extern const CommandFamily kNicFamily;
extern const CommandFamily kTcpFamily;

// Helpers shared by the families.
unsigned long ParseNumber(const std::string& text, const char* what);
void Fail(const std::string& message);  // prints "orvane: message" to stderr
