#include <iterator>

#include "Host.h"
#include "PlatformInfo.h"

namespace {

int RunPlatform(HostContext& ctx, const Args&, Node& out) {
    CPlatformInfo probe;
    out.SetFlag("nt", probe.IsNT());
    out.Set("nt-major-version", static_cast<long long>(probe.GetNTMajorVersion()));
    out.Set("ras-version", probe.GetRasVersion());
    out.Set("winsock-version", probe.GetWinsockVersion());

    // What the library made of the probes when it loaded.
    Node library = Node::Object();
    library.SetFlag("adapter-wins", ctx.api.GetNICAdapterWINS() != 0);
    library.SetFlag("adapter-dns", ctx.api.GetNICAdapterDNS() != 0);
    library.SetFlag("global-dns", ctx.api.GetTCPProtocolDNS() != 0);
    library.SetFlag("global-wins", ctx.api.GetTCPProtocolWINS() != 0);
    out.Set("library", library);
    return kExitOk;
}

const Verb kPlatformVerbs[] = {
    {"", "",
     "Prints the four platform probes (NT or not, NT major version, dial-up\n"
     "networking version, Windows Sockets version) and what the library made of\n"
     "them: whether WINS servers are kept per adapter (GetNICAdapterWINS), whether\n"
     "adapters have their own DNS servers (GetNICAdapterDNS), and whether the\n"
     "global DNS and WINS settings apply (GetTCPProtocolDNS, GetTCPProtocolWINS).",
     RunPlatform},
};

}  // namespace

const CommandFamily kPlatformFamily = {"platform", "the platform probes and what follows from them", kPlatformVerbs,
                                       std::size(kPlatformVerbs), nullptr};
