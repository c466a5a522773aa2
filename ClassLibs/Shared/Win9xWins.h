// Whether Windows 95/98 takes WINS from DHCP, and the switch between DHCP
// and manual WINS. The system asks DHCP for WINS when none of the values a
// manual configuration leaves behind exists: the machine's NetBIOS scope
// ("ScopeID" of the MSTCP key) and the WINS values "NameServer1",
// "NameServer2" and "NodeType" of one key, `winsKey`: the MSTCP key itself
// for the machine-wide settings, an adapter's TCP/IP class key for that
// adapter. Both the adapter table and the machine-wide settings use these,
// so what one writes the other reads the same way.
#pragma once

#include <string>

#include "Registry.h"
#include "Shared/RegistryPaths.h"

namespace win9x_wins {

// True when none of the four values can be read as text; the reads stop at
// the first that can, in the order scope, NameServer1, NameServer2, NodeType.
inline bool FromDhcp(CRegistry& reg, const char* winsKey) {
    std::string text;
    if (reg.GetString(reg_paths::kMstcp, "ScopeID", text)) return false;
    for (const char* name : {"NameServer1", "NameServer2", "NodeType"}) {
        if (reg.GetString(winsKey, name, text)) return false;
    }
    return true;
}

// Hands WINS to DHCP by deleting all four values, or takes it back by
// making sure a scope (empty) and a node type ("1") exist, so that FromDhcp
// reads the new state back. Outcomes are not reported: the caller's result
// does not depend on them.
inline void Switch(CRegistry& reg, const char* winsKey, bool toDhcp) {
    if (toDhcp) {
        reg.Delete(reg_paths::kMstcp, "ScopeID");
        for (const char* name : {"NameServer1", "NameServer2", "NodeType"}) reg.Delete(winsKey, name);
        return;
    }
    std::string text;
    if (!reg.GetString(reg_paths::kMstcp, "ScopeID", text)) reg.SetString(reg_paths::kMstcp, "ScopeID", "");
    if (!reg.GetString(winsKey, "NodeType", text)) reg.SetString(winsKey, "NodeType", "1");
}

}  // namespace win9x_wins
