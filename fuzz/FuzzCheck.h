// What the fuzz targets share: the platform mode an input asks for, and a
// failed check that stops the run with a message libFuzzer keeps.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/control.h"

namespace fuzz {

[[noreturn]] inline void Finding(const std::string& what, std::string_view detail = {}) {
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    if (!detail.empty()) std::fprintf(stderr, "%.*s\n", int(detail.size() > 4000 ? 4000 : detail.size()), detail.data());
    std::abort();
}

// The first byte of an input chooses the platform mode, unless the
// environment pins one (ORVANE_FUZZ_MODE=win98, nt4 or win2000), so that a
// campaign can be given to one mode.
inline sim::Platform ModeOf(unsigned char byte) {
    static const sim::Platform modes[] = {sim::Platform::Win98, sim::Platform::NT4, sim::Platform::Win2000};
    static const char* pinned = std::getenv("ORVANE_FUZZ_MODE");
    sim::Platform mode = modes[byte % 3];
    if (pinned && !sim::ParsePlatform(pinned, &mode)) Finding(std::string("unknown ORVANE_FUZZ_MODE ") + pinned);
    return mode;
}

// The first place two texts differ, with some context, for a message.
inline std::string FirstDifference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    const size_t from = i > 200 ? i - 200 : 0;
    return "at byte " + std::to_string(i) + "\n--- first\n" + a.substr(from, 400) + "\n--- second\n" +
           b.substr(from, 400);
}

}  // namespace fuzz
