// Disk shares of a small simulated world, kept where the systems keep them
// so that a machine export loads with its shares and every change shows in
// a patch:
//  - Windows 95/98 (svrapi.dll): one key per share below kLanManKey with
//    "Flags", "Type", "Path", "Remark" and the two passwords, encoded as
//    the system encodes them ("Parm1enc" full access, "Parm2enc" read only);
//  - Windows NT (netapi32.dll): one REG_MULTI_SZ value per share below
//    kSharesKey, lines "Name=value" ("MaxUses", "Path", "Permissions",
//    "Remark", "Type"; "CSCFlags" first on Windows 2000). The
//    administrative shares (ADMIN$, C$, IPC$) are made by the server at
//    start and are listed without being kept there.
// Written against Win32 only: the simulated platform and the Wine runs'
// svrapi.dll and netapi32.dll doubles are built from these files, each
// supplying the hooks of NetApiHooks.h. The NT functions are those of
// <lm.h> (ShareModelNT.cpp); the Windows 95/98 ones, whose names collide
// with them, are declared here.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sharemodel {

constexpr char kLanManKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan";
constexpr char kSharesKey[] = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares";

// The share record of svrapi.h, byte-packed: 42 bytes in 32-bit code, 50 in
// 64-bit code.
#pragma pack(push, 1)
struct ShareInfo50 {
    char shi50_netname[13];
    unsigned char shi50_type;
    unsigned short shi50_flags;
    char* shi50_remark;
    char* shi50_path;
    char shi50_rw_password[9];
    char shi50_ro_password[9];
};
#pragma pack(pop)

// svrapi.dll's NetShareEnum, NetShareAdd and NetShareDel, level 50 only.
// The listing fills the caller's buffer with the records from its start and
// their texts from its end; when not all fit it answers ERROR_MORE_DATA
// with the records that did.
unsigned WINAPI Enum50(const char* server, short level, char* buffer, unsigned short bufferSize,
                       unsigned short* entriesRead, unsigned short* totalAvailable);
unsigned WINAPI Add50(const char* server, short level, const char* buffer, unsigned short bufferSize);
unsigned WINAPI Del50(const char* server, const char* netName, unsigned short reserved);

// A share password as the LanMan key keeps it: each byte XORed with a key
// byte that starts at 0x35 and turns right by one bit per character.
std::vector<BYTE> EncodePassword(const std::string& password);
std::string DecodePassword(const std::vector<BYTE>& bytes);

}  // namespace sharemodel
