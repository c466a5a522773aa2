#include <iterator>

#include "Host.h"

namespace {

int RunDll(HostContext& ctx, const Args&, Node& out) {
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

const Verb kDllVerbs[] = {
    {"", "", "Prints the version (GetDLLVersion) and the copyright notice (GetDLLCopyright).", RunDll},
};

}  // namespace

const CommandFamily kDllFamily = {"dll", "version and copyright of the library", kDllVerbs, std::size(kDllVerbs), nullptr};
