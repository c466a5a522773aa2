// A stand-in for the Windows 95/98 share library (svrapi.dll) for the Wine
// runs, where every export of Wine's own aborts the process. It lists no
// shares, accepts every change, and records each call to
// "orvane-doubles.log" in the current directory.
#include <windows.h>

#include <cstdio>

namespace {

void Log(const char* line) {
    if (FILE* log = std::fopen("orvane-doubles.log", "ab")) {
        std::fprintf(log, "%s\n", line);
        std::fclose(log);
    }
}

}  // namespace

extern "C" {

unsigned WINAPI NetShareEnum(const char* server, short level, char* buffer, unsigned short bufferSize,
                             unsigned short* entriesRead, unsigned short* totalAvailable) {
    (void)server;
    (void)buffer;
    char line[96];
    std::snprintf(line, sizeof line, "svrapi NetShareEnum level=%d size=%u", level, unsigned(bufferSize));
    Log(line);
    if (entriesRead) *entriesRead = 0;
    if (totalAvailable) *totalAvailable = 0;
    return 0;
}

unsigned WINAPI NetShareAdd(const char* server, short level, const char* buffer, unsigned short bufferSize) {
    (void)server;
    char line[128];
    // A share_info_50 record starts with its 13-byte name.
    char name[14] = "";
    if (buffer) {
        for (int i = 0; i < 13 && buffer[i]; ++i) name[i] = buffer[i];
    }
    std::snprintf(line, sizeof line, "svrapi NetShareAdd level=%d size=%u name=%s", level, unsigned(bufferSize), name);
    Log(line);
    return 0;
}

unsigned WINAPI NetShareDel(const char* server, const char* netName, unsigned short reserved) {
    (void)server;
    (void)reserved;
    char line[96];
    std::snprintf(line, sizeof line, "svrapi NetShareDel name=%s", netName ? netName : "");
    Log(line);
    return 0;
}

}  // extern "C"
