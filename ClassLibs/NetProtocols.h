// Protocol installs and service bindings of the Windows 95/98 network
// component layout. Not built yet: every operation reports failure and
// changes nothing.
#pragma once

#include <windows.h>

class CNetProtocols {
public:
    CNetProtocols() {}
    virtual ~CNetProtocols() {}

    int Install(DWORD, DWORD) { return 0; }
    int Uninstall(DWORD, DWORD) { return 0; }
    int BindServices(DWORD, DWORD, DWORD) { return 0; }
    int UnbindServices(DWORD, DWORD, DWORD) { return 0; }
    int GetServiceBinding(DWORD, DWORD, DWORD) { return 0; }
};
