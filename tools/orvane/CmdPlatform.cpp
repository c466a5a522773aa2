#include "Host.h"
#include "PlatformInfo.h"

namespace {

int RunPlatform(HostContext&, const Args& args, Node& out) {
    if (!args.empty()) throw UsageError("platform takes no arguments");
    CPlatformInfo probe;
    const bool nt = probe.IsNT();
    const DWORD major = probe.GetNTMajorVersion();
    out.SetFlag("nt", nt);
    out.Set("nt-major-version", static_cast<long long>(major));
    // The dial-up and Winsock probes matter on Windows 95/98 only, where
    // the Winsock probe is asked when the dial-up text does not decide.
    const std::string ras = probe.GetRasVersion();
    out.Set("ras-version", ras);
    const std::string winsock = probe.GetWinsockVersion();
    out.Set("winsock-version", winsock);

    Node derived = Node::Object();
    const bool rasDecides = RasVersionKeepsWinsPerAdapter(ras);
    const bool perAdapterWins = nt || rasDecides || WinsockVersionKeepsWinsPerAdapter(winsock);
    derived.Set("wins-decided-by", nt ? "nt" : (rasDecides ? "ras-version" : "winsock-version"));
    derived.SetFlag("wins-per-adapter", perAdapterWins);
    derived.SetFlag("adapter-dns", nt && major >= 5);
    derived.SetFlag("global-dns", !nt || major < 5);
    derived.SetFlag("global-wins", !nt && !perAdapterWins);
    out.Set("derived", derived);
    return kExitOk;
}

}  // namespace

const CommandFamily kPlatformFamily = {
    "platform", "the platform probes and what follows from them",
    "usage: platform\n"
    "  Prints the four platform probes (NT or not, NT major version, dial-up\n"
    "  networking version, Windows Sockets version) and what the library derives\n"
    "  from them: whether WINS servers are kept per adapter, whether adapters have\n"
    "  their own DNS servers, and which global DNS and WINS settings apply.\n",
    RunPlatform};
