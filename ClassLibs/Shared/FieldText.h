// Texts in the fixed fields and slot lists of the configuration objects.
// A field of width N holds at most N - 1 characters and its NUL; nothing
// here ever writes past a field, whatever the text.
//
// Two rules for a text longer than its field, chosen by what the field
// means:
//  - StoreWhole: texts that name or address something (addresses, node
//    types, key paths, service names) are stored whole or not at all,
//    because a cut one would name something else;
//  - StoreCut: display texts, and registry texts loaded as they come, are
//    cut to the field.
//
// Slot lists are fixed arrays of such fields whose count is the number of
// leading non-empty slots.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace field_text {

// Copies the text with its NUL when it fits; otherwise leaves the field as
// it was and returns false.
template <size_t N>
bool StoreWhole(char (&field)[N], const char* text) {
    const size_t length = std::strlen(text);
    if (length >= N) return false;
    std::memcpy(field, text, length + 1);
    return true;
}
template <size_t N>
bool StoreWhole(char (&field)[N], const std::string& text) {
    return StoreWhole(field, text.c_str());
}

// Stores the first `length` characters of the text, as many as the field
// holds.
template <size_t N>
void StoreCut(char (&field)[N], const char* text, size_t length) {
    if (length > N - 1) length = N - 1;
    std::memcpy(field, text, length);
    field[length] = '\0';
}
// Stores as much of the text as the field holds. Reads no further into the
// text than the field is wide.
template <size_t N>
void StoreCut(char (&field)[N], const char* text) {
    size_t length = 0;
    while (length < N - 1 && text[length] != '\0') ++length;
    StoreCut(field, text, length);
}

// Appends as much of the text as still fits behind the field's text.
template <size_t N>
void AppendCut(char (&field)[N], const char* text) {
    const size_t used = std::strlen(field);
    size_t length = std::strlen(text);
    if (used + length >= N) length = N - 1 - used;
    std::memcpy(field + used, text, length);
    field[used + length] = '\0';
}

// True when `name` is longer than `prefix` and begins with it (case-sensitive).
inline bool HasPrefix(const char* name, const char* prefix) {
    const size_t length = std::strlen(prefix);
    return std::strncmp(name, prefix, length) == 0 && name[length] != '\0';
}

// ---- Slot lists -------------------------------------------------------------------

// Number of leading non-empty slots: an empty slot ends the list.
template <size_t Slots, size_t N>
DWORD CountSlots(const char (&slots)[Slots][N]) {
    DWORD count = 0;
    while (count < Slots && slots[count][0] != '\0') ++count;
    return count;
}

// Slots 0 to count - 1 joined by the separator; empty for a count of 0.
// The count is the caller's: a mask list is joined with its address count.
template <size_t Slots, size_t N>
std::string JoinSlots(const char (&slots)[Slots][N], DWORD count, char separator) {
    std::string joined;
    for (DWORD k = 0; k < count && k < Slots; ++k) {
        if (k > 0) joined += separator;
        joined += slots[k];
    }
    return joined;
}
// The counted slots joined by the separator.
template <size_t Slots, size_t N>
std::string JoinSlots(const char (&slots)[Slots][N], char separator) {
    return JoinSlots(slots, CountSlots(slots), separator);
}

// Slots 0 to count - 1 as a list of texts (for a multi-string value).
template <size_t Slots, size_t N>
std::vector<std::string> ListSlots(const char (&slots)[Slots][N], DWORD count) {
    std::vector<std::string> list;
    for (DWORD k = 0; k < count && k < Slots; ++k) list.emplace_back(slots[k]);
    return list;
}

// The first entries of a list into slots, whole or as an empty slot (which
// keeps every later entry in its place); slots beyond the list are left as
// they were.
template <size_t Slots, size_t N>
void StoreSlots(char (&slots)[Slots][N], const std::vector<std::string>& list) {
    for (size_t k = 0; k < Slots && k < list.size(); ++k) {
        if (!StoreWhole(slots[k], list[k])) slots[k][0] = '\0';
    }
}

// ---- List texts -------------------------------------------------------------------

// One step through a list text such as "a,b,c". `rest` points into the text
// still to be split (start it at the whole text): the item is the part
// before the first separator, or all of it when there is none, and `rest`
// moves past it. False, with no item, once nothing is left. Nothing is
// trimmed; two separators in a row give an empty item, a trailing one
// gives none, an empty text none at all. The item is `length` characters
// at `item`, inside the text.
inline bool NextListItem(const char*& rest, char separator, const char*& item, size_t& length) {
    if (!rest || *rest == '\0') return false;
    const char* end = rest;
    while (*end != '\0' && *end != separator) ++end;
    item = rest;
    length = static_cast<size_t>(end - rest);
    rest = *end == '\0' ? end : end + 1;
    return true;
}

// Both splitters fill slots 0, 1, ... with the items of a list text, at most
// one per slot, and return how many items they took; an empty item gives an
// empty slot (which ends the count there). They differ in what an item too
// long for its slot becomes; either way it keeps its place, so item k of
// one list stays paired with item k of another (address k with mask k).

namespace detail {
template <size_t Slots, size_t N>
DWORD SplitList(const std::string& text, char separator, char (&slots)[Slots][N], bool cutLongItems) {
    const char* rest = text.c_str();
    const char* item = nullptr;
    size_t length = 0;
    DWORD taken = 0;
    while (taken < Slots && NextListItem(rest, separator, item, length)) {
        if (length < N || cutLongItems) {
            StoreCut(slots[taken], item, length);
        } else {
            slots[taken][0] = '\0';
        }
        ++taken;
    }
    return taken;
}
}  // namespace detail

// An over-long item leaves its slot empty: the item names an address, and a
// cut one would name another.
template <size_t Slots, size_t N>
DWORD SplitListEmptyingLongItems(const std::string& text, char separator, char (&slots)[Slots][N]) {
    return detail::SplitList(text, separator, slots, false);
}

// An over-long item is cut to the slot's width.
template <size_t Slots, size_t N>
DWORD SplitListCuttingLongItems(const std::string& text, char separator, char (&slots)[Slots][N]) {
    return detail::SplitList(text, separator, slots, true);
}

}  // namespace field_text
