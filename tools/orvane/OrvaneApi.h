// The library as a host program sees it: loaded by name, every export
// looked up by name, exactly as a Windows host would.
#pragma once

#include <windows.h>

#include <string>

#include "Orvane.h"

struct OrvaneApi {
#define ORVANE_API_POINTER(family, result, name, argc, params) result(WINAPI* name) params = nullptr;
    ORVANE_EXPORTS(ORVANE_API_POINTER)
#undef ORVANE_API_POINTER

    HMODULE module = nullptr;

    // Loads the library and looks up all 87 exports. On failure `error`
    // says what was missing and nothing stays loaded.
    bool Load(const char* fileName, std::string* error);
    void Unload();
};
