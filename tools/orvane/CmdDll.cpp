#include "Host.h"

namespace {

int RunDll(HostContext& ctx, const Args& args, Node& out) {
    if (!args.empty()) throw UsageError("dll takes no arguments");
    char version[64] = "";
    char copyright[256] = "";
    int rc = kExitOk;
    if (ctx.api.GetDLLVersion(version, sizeof version) != 1) {
        Fail("GetDLLVersion failed");
        rc = kExitFailed;
    }
    if (ctx.api.GetDLLCopyright(copyright, sizeof copyright) != 1) {
        Fail("GetDLLCopyright failed");
        rc = kExitFailed;
    }
    out.Set("version", version);
    out.Set("copyright", copyright);
    return rc;
}

}  // namespace

const CommandFamily kDllFamily = {
    "dll", "version and copyright of the library",
    "usage: dll\n"
    "  Prints the version (GetDLLVersion) and the copyright notice (GetDLLCopyright).\n",
    RunDll};
