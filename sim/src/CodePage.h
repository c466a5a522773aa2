// Windows-1252, the ANSI code page of the simulated machine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim::cp1252 {

// Unicode code point of one 1252 byte (undefined bytes map to themselves,
// as Windows' best-fit table does).
char16_t ToUnicode(unsigned char byte);

// The 1252 byte of a code point, or -1 when the page has none.
int FromUnicode(char16_t unit);

// Lower- and upper-case of one 1252 byte, by the rules the registry uses
// to compare key and value names (each the other's inverse).
unsigned char Lower(unsigned char byte);
unsigned char Upper(unsigned char byte);

// Case-insensitive comparison of two names: <0, 0, >0, ordered by the
// Unicode values of the lower-cased characters. Equal names are the same
// key or value. The order is the one Wine enumerates subkeys and values in
// ("_x" before "A"), measured with the registry conformance checks.
int CompareNames(std::string_view a, std::string_view b);

// Whether two names are the same key or value (CompareNames(a, b) == 0),
// answered without ordering them.
bool SameName(std::string_view a, std::string_view b);

// The same comparison on upper-cased characters: the order in which NT
// keeps a key's subkeys ("A" before "_x"). Zero for the same names.
int CompareNamesUpper(std::string_view a, std::string_view b);

std::u16string Widen(std::string_view ansi);
// Unmappable characters become '?'.
std::string Narrow(std::u16string_view wide);

}  // namespace sim::cp1252
