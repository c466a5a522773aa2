// Wide (UTF-16) string literals for code that builds natively against the
// simulated platform (WCHAR is char16_t) and with mingw-w64 (WCHAR is
// wchar_t): WTEXT("Netlogon"). The same definition as the simulated
// platform's own (sim/portable/WideText.h), so both may be included.
#pragma once

#ifndef WTEXT
#ifdef _WIN32
#define WTEXT_CAT(s) L##s
#else
#define WTEXT_CAT(s) u##s
#endif
#define WTEXT(s) WTEXT_CAT(s)
#endif
