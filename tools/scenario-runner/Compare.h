// Comparing what a run left with what the scenario expects, and --bless.
#pragma once

#include <string>

#include "Backend.h"

// The subtree of `key` in the simulated registry as the scenario files
// write it (REGEDIT4 body, LF line ends); empty when the key does not exist.
std::string RegistryText(const std::string& key);

// The same .reg body with every key's values, and sibling keys, in sorted
// order (names compared without regard to case).
std::string SortedRegistryText(const std::string& text);

void Compare(const Scenario& s, const std::string& dir, const Backend& backend, const RunResult& r, Verdict& v);

// Writes what the run produced into the scenario file (native runs only).
void Bless(const Scenario& s, const RunResult& r, const std::string& dir);
