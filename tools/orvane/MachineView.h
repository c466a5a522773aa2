// What the host sees of the machine beside the library, to explain what a
// write did: the workgroup or domain the machine now believes it is in,
// asked of the system as the library asks it (so the host's own call shows
// in a call record after the write's), and the message boxes and domain
// calls the library made, which only the simulated platform records.
#pragma once

#include <string>
#include <vector>

struct Membership {
    bool known = false;
    bool domain = false;  // a domain with its SID, else a workgroup
    std::string name;
};

// Windows NT's primary domain (Windows 2000: the join information).
Membership MachineMembership();

// The message boxes shown and the domain calls made since the last call,
// one line each, the calls in words with the function and its answer.
// False where nothing can be observed (a live machine).
bool TakePlatformEvents(std::vector<std::string>* messages, std::vector<std::string>* calls);
