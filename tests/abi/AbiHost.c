/* A host program in plain C that knows the library only through its public
 * header and import library: it proves the declarations link against the
 * DLL's exports (on 32-bit Windows, the stdcall names _Name@N) and that the
 * copy-out rule holds across the binary interface. */
#include <stdio.h>
#include <string.h>

#include "Orvane.h"

static int failures = 0;

static void expect(int condition, const char* what) {
    if (!condition) {
        printf("FAIL %s\n", what);
        ++failures;
    }
}

int main(void) {
    char buffer[16];
    char version[16] = "";
    char copyright[256];
    DWORD reason = 0xdeadbeef;

    memset(buffer, 'X', sizeof buffer);
    expect(GetDLLVersion(buffer, 6) == 1, "GetDLLVersion with 6 bytes answers 1");
    expect(strcmp(buffer, "1.0.8") == 0, "the version is 1.0.8");
    expect(buffer[6] == 'X', "nothing is written after the terminator");
    memcpy(version, buffer, 6);

    memset(buffer, 'X', sizeof buffer);
    expect(GetDLLVersion(buffer, 5) == 0, "5 bytes are too few");
    expect(buffer[0] == 'X', "a refused copy leaves the buffer alone");
    expect(GetDLLVersion(NULL, 64) == 0, "a null buffer is refused");
    expect(GetDLLVersion(buffer, 0) == 0, "size 0 is refused");

    expect(GetDLLCopyright(copyright, sizeof copyright) == 1, "GetDLLCopyright answers 1");
    expect(strlen(copyright) > 0, "the copyright notice is not empty");

    /* A few calls across every family, with arguments out of range. */
    expect(GetNICName(0xFFFFFFFF, buffer, sizeof buffer) == 0, "no adapter 0xFFFFFFFF");
    expect(GetTCPSearchList(0xFFFFFFFF, buffer, sizeof buffer) == 0, "no search-list entry 0xFFFFFFFF");
    expect(GetWNETLogonName(0xFFFFFFFF, buffer, sizeof buffer) == 0, "no logon choice 0xFFFFFFFF");
    expect(GetNICRebootNeeded(NULL) == 0 || GetNICRebootNeeded(&reason) == 1, "GetNICRebootNeeded takes null");
    SetNICIpAddress(0xFFFFFFFF, 0xFFFFFFFF, NULL);
    SetTCPHostName(NULL);
    expect(GetProtocolServiceBinding(0xFFFFFFFF, 1, 1) == 0, "no binding on adapter 0xFFFFFFFF");

    printf("version %s\n", version);
    printf("%s\n", failures == 0 ? "abi: ok" : "abi: FAILED");
    return failures == 0 ? 0 : 1;
}
