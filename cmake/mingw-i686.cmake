# The 32-bit product: Orvane.dll with the Debian mingw-w64 i686 compiler.
# The -win32 compilers by name: the DLL's start-up is built for the Win32
# thread model of libgcc and libstdc++ (cmake/OrvaneWindowsRuntime.cmake).
# The unsuffixed names are Debian alternatives that may point at the -posix
# compilers, whose runtime needs libwinpthread and its TLS callbacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_DLLTOOL i686-w64-mingw32-dlltool)
set(CMAKE_OBJDUMP i686-w64-mingw32-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
