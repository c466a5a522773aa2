// What the host sees of the machine beside the library, to explain what a
// write did: the workgroup or domain the machine now believes it is in, and
// the message boxes and domain calls the library made. Natively these come
// from the simulated platform's own records (not through calls of its
// functions, so no record gains the host's own calls); on Windows the
// membership is asked of the system and the rest cannot be observed.
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
