# How a Windows DLL of this project starts and what of the compiler's
# runtime it carries, so that the 32-bit product loads on Windows 95, 98,
# NT 4.0 and 2000 (scripts/check-dll.sh proves the result from the file).
# The 64-bit build gets the same start-up, so the Wine runs exercise it.
set(ORVANE_RUNTIME_SOURCES ${CMAKE_CURRENT_LIST_DIR}/../library/runtime)

# The runtime's start-up without its TLS support object: no TLS directory
# (library/runtime/DllStartup.c says what it takes over).
function(orvane_tls_free_startup target)
  target_sources(${target} PRIVATE ${ORVANE_RUNTIME_SOURCES}/DllStartup.c)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--entry,_OrvaneDllStartup@12)
  else()
    target_link_options(${target} PRIVATE -Wl,--entry,OrvaneDllStartup)
  endif()
endfunction()

# The runtime's calls of wide-character functions that Windows 95/98 only
# stub, bound to the ANSI functions (library/runtime/WideCalls.c).
function(orvane_ansi_runtime_calls target)
  target_sources(${target} PRIVATE ${ORVANE_RUNTIME_SOURCES}/WideCalls.c)
endfunction()

# The C runtime DLL. 64-bit: msvcrt.dll, the compiler's default. 32-bit:
# crtdll.dll, the C runtime every Windows 95, 98, NT 4.0 and 2000 ships;
# msvcrt.dll came with Visual C++ 4.2 in 1996 and is missing from the first
# Windows 95 releases (docs/decisions.md has the sources). The compiler's
# default libraries end in -lmsvcrt, so they are named here instead: the
# same list, with mingw-w64's crtdll.dll import library and compatibility
# objects in its place, and library/runtime/CrtdllNames.c for the three
# names libstdc++ wants that crtdll.dll lacks.
function(orvane_c_runtime target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_sources(${target} PRIVATE ${ORVANE_RUNTIME_SOURCES}/CrtdllNames.c)
    target_link_options(${target} PRIVATE -nodefaultlibs)
    target_link_libraries(${target} PRIVATE
      -Wl,--start-group stdc++ mingw32 gcc gcc_eh mingwex crtdll kernel32 -Wl,--end-group)
  endif()
endfunction()

# The image: the C and C++ runtimes linked in (no compiler runtime DLL), and
# the subsystem and OS version 4.0 that the Windows 95 and NT 4.0 loaders
# accept.
function(orvane_windows_image target)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--subsystem,windows
    -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
    -Wl,--major-os-version,4 -Wl,--minor-os-version,0)
endfunction()

# Everything above, for a DLL of the product's kind. Call it after the
# target's own libraries, so the runtime libraries come after them.
function(orvane_windows_dll_runtime target)
  orvane_windows_image(${target})
  orvane_tls_free_startup(${target})
  orvane_ansi_runtime_calls(${target})
  orvane_c_runtime(${target})
endfunction()
