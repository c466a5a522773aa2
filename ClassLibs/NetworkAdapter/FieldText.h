// Storing texts into the adapter table's fixed fields. Two rules, chosen by
// what a field means:
//  - texts that name or address something (addresses, node types, key
//    paths, service names, firewall codes) are stored whole or not at all,
//    because a cut one would name something else;
//  - display texts (adapter names, titles) are cut to the field.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace adapter_text {

// Copies the text with its NUL when it fits; otherwise leaves the field
// as it was and returns false.
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

// Stores as much of the text as the field holds.
template <size_t N>
void StoreCut(char (&field)[N], const char* text) {
    size_t length = std::strlen(text);
    if (length >= N) length = N - 1;
    std::memcpy(field, text, length);
    field[length] = '\0';
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

// The first entries of a list into slots, whole or as an empty slot; the
// slots beyond the list are left as they were.
template <typename List, size_t Slots, size_t N>
void StoreSlots(char (&slots)[Slots][N], const List& list) {
    for (size_t k = 0; k < Slots && k < list.size(); ++k) {
        if (!StoreWhole(slots[k], list[k])) slots[k][0] = '\0';
    }
}

// True when `name` is longer than `prefix` and begins with it (case-sensitive).
inline bool HasPrefix(const char* name, const char* prefix) {
    const size_t length = std::strlen(prefix);
    return std::strncmp(name, prefix, length) == 0 && name[length] != '\0';
}

}  // namespace adapter_text
