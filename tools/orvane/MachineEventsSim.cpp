// The simulated machine's records of message boxes and calls, in words.
#include "MachineView.h"

#include "sim/control.h"

namespace {

size_t g_messagesSeen = 0;
size_t g_callsSeen = 0;

std::string Outcome(const sim::ApiCall& call) {
    return call.result == "0" || call.result == "1" || call.result == "0x00000000" ? "ok" : "failed (" + call.result + ")";
}

// What a call asked, or empty for calls that tell nothing of a domain move
// (handles, buffers, queries).
std::string Words(const sim::ApiCall& c) {
    const std::string& f = c.function;
    if (f == "NetJoinDomain") {
        const bool domain = c.Arg("options") != "0x20";
        return std::string(domain ? "join domain " : "join workgroup ") + c.Arg("domain") +
               (c.Arg("account") == "(null)" ? "" : " as " + c.Arg("account"));
    }
    if (f == "NetUnjoinDomain") return "leave the domain, disabling the machine account";
    if (f == "NetGetDCName") return "find a controller of " + c.Arg("domain");
    if (f == "NetUseAdd") return "connect to " + c.Arg("remote");
    if (f == "NetUseDel") return "disconnect " + c.Arg("use");
    if (f == "NetUserAdd") return "create account " + c.Arg("name") + " on " + c.Arg("server");
    if (f == "NetUserDel") return "delete account " + c.Arg("name") + " on " + c.Arg("server");
    if (f == "LsaSetInformationPolicy") {
        const std::string sid = c.Arg("sid");
        return "set the primary domain to " + c.Arg("name") + (sid.empty() || sid == "(null)" ? "" : " (" + sid + ")");
    }
    if (f == "LsaSetTrustedDomainInformation") return "store the trust of " + c.Arg("name");
    if (f == "LsaDeleteTrustedDomain") return "remove the trust " + c.Arg("sid");
    if (f == "LsaStorePrivateData") return "store the secret " + c.Arg("key");
    if (f == "ChangeServiceConfigW") {
        const std::string start = c.Arg("start");
        return start == "0x2" ? "set Netlogon to start automatically" : "set Netlogon to start " + start;
    }
    if (f == "StartServiceW") return "start Netlogon";
    if (f == "ControlService") return "stop Netlogon";
    return "";
}

}  // namespace

bool TakePlatformEvents(std::vector<std::string>* messages, std::vector<std::string>* calls) {
    const auto& boxes = sim::MessageBoxes();
    for (; g_messagesSeen < boxes.size(); ++g_messagesSeen) messages->push_back(boxes[g_messagesSeen].text);
    const auto& all = sim::ApiCalls();
    for (; g_callsSeen < all.size(); ++g_callsSeen) {
        const std::string words = Words(all[g_callsSeen]);
        if (!words.empty()) calls->push_back(words + ": " + Outcome(all[g_callsSeen]));
    }
    return true;
}
