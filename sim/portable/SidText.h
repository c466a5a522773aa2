// SIDs in their text form (S-1-5-21-...), as the simulated machine keeps
// them in the registry, and in their binary form, as the API hands them out.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sidtext {

// "S-R-A-S1-S2..." with revision 1, an authority below 2^48 and 0 to 15
// sub-authorities below 2^32. False (out untouched) for anything else.
bool Parse(const std::string& text, std::vector<BYTE>* sid);

// The text of a binary SID; empty when the bytes are no valid SID.
std::string Format(const BYTE* sid, size_t size);

// The size of a valid binary SID at `sid` reading at most `size` bytes, or 0.
size_t ValidSize(const BYTE* sid, size_t size);

}  // namespace sidtext
