// The domain CORP the tests join, as the scenario machines describe it too:
// its SID and its primary controller CORPDC with the administrator's
// password.
#pragma once

#include "sim/control.h"

constexpr char kCorpSid[] = "S-1-5-21-1004-2005-3006";

inline void AddCorpController() {
    sim::DomainController dc;
    dc.domain = "CORP";
    dc.name = "CORPDC";
    dc.sid = kCorpSid;
    dc.adminPassword = "Secret1";
    sim::AddDomainController(dc);
}
