// Nothing but a version resource (DialUpLibrary.rc): the probe only reads
// the file's version, yet Wine maps the file as a module to read it.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
