// The machine's disk shares: listed into a fixed table when the networking
// identity loads, and made again from it whenever the identity is written.
// The share functions belong to the platform and are looked up at run time:
// svrapi.dll on Windows 95/98 (CWin9xShares), netapi32.dll on Windows NT
// (CWinNTShares). Each object lives for one listing or one write.
//
// A write deletes the disk shares it finds and adds those of the table, so
// a listing takes only shares that can come back exactly as they were
// (names, paths and remarks that fit their fields, and on NT that survive
// the trip through the ANSI code page); a share that cannot is left alone
// by both listing and write. On NT a machine with more disk shares of that
// kind than the table holds fails the listing, as the Windows 95/98 buffer
// does.
#pragma once

#include <windows.h>
#include <lm.h>

#include "RuntimeLibrary.h"
#include "UndeclaredApi.h"

// Up to 16 disk shares as parallel arrays; a text holds at most its width
// less one.
struct ShareTable {
    enum : DWORD { Entries = 16 };
    char NetName[Entries][13];
    char Path[Entries][260];
    char Remark[Entries][49];
    char ReadOnlyPassword[Entries][9];   // Windows 95/98 only
    char ReadWritePassword[Entries][9];  // Windows 95/98 only
    DWORD Flags[Entries];                // Windows 95/98 share flags, as the platform gives them
    DWORD Type[Entries];                 // always 0, a disk share
    DWORD InUse[Entries];
};

// Every text empty, every number 0.
void ClearShareTable(ShareTable& table);

class CWin9xShares {
public:
    CWin9xShares();
    virtual ~CWin9xShares() {}

    CWin9xShares(const CWin9xShares&) = delete;
    CWin9xShares& operator=(const CWin9xShares&) = delete;

    int IsLoaded() const { return m_loaded; }
    // Fills a cleared table from entry 0 with the disk shares; 1 on success,
    // 0 when not loaded or when the listing fails (the table is then as it
    // was).
    int Enumerate(ShareTable& table);
    // Deletes the disk shares the machine has and adds those of the table;
    // 1 when loaded. The platform's answers are not looked at.
    int Write(const ShareTable& table);

private:
    ORVANE_RUNTIME_FUNCTION_IN(svrapi, NetShareAdd);
    ORVANE_RUNTIME_FUNCTION_IN(svrapi, NetShareDel);
    ORVANE_RUNTIME_FUNCTION_IN(svrapi, NetShareEnum);
    orvane::RuntimeLibrary m_library;
    int m_loaded;
};

class CWinNTShares {
public:
    CWinNTShares();
    virtual ~CWinNTShares() {}

    CWinNTShares(const CWinNTShares&) = delete;
    CWinNTShares& operator=(const CWinNTShares&) = delete;

    int IsLoaded() const { return m_loaded; }
    int Enumerate(ShareTable& table);
    // As on Windows 95/98; shares come back without a user limit and
    // without a password.
    int Write(const ShareTable& table);

private:
    ORVANE_RUNTIME_FUNCTION(NetApiBufferFree);
    ORVANE_RUNTIME_FUNCTION(NetShareAdd);
    ORVANE_RUNTIME_FUNCTION(NetShareDel);
    ORVANE_RUNTIME_FUNCTION(NetShareEnum);
    int m_loaded;
    orvane::RuntimeLibrary m_library;
};
