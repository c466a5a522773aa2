/*
 * The 32-bit DLL's C runtime is crtdll.dll (cmake/OrvaneWindowsRuntime.cmake
 * says why). Against it the compiler's runtime misses three names, all used
 * by libstdc++'s std::random_device only: its object comes in because the
 * std::string compatibility code names it. The library never makes a
 * random_device; these give the names their meaning on crtdll.dll.
 */
#include <errno.h>
#include <io.h>

/* msvcrt's rand_s, called through its import slot. On every target system
 * neither msvcrt.dll's rand_s nor RtlGenRandom exists (both came after
 * Windows 2000), where mingw-w64's own rand_s answers EINVAL; so does this
 * one, and std::random_device reports that it has no source. */
static int __cdecl RandSUnavailable(unsigned int* value) {
    (void)value;
    return EINVAL;
}

extern int(__cdecl* const orvaneRandSSlot)(unsigned int*) __asm__("__imp__rand_s");
int(__cdecl* const orvaneRandSSlot)(unsigned int*) = RandSUnavailable;

/* The POSIX names of crtdll.dll's _close and _read, as libmoldname gives
 * them for msvcrt.dll. */
int close(int fd) { return _close(fd); }

int read(int fd, void* buffer, unsigned int count) { return _read(fd, buffer, count); }
