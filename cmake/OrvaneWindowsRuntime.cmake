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

# Everything above, for a DLL of the product's kind.
function(orvane_windows_dll_runtime target)
  orvane_tls_free_startup(${target})
  orvane_ansi_runtime_calls(${target})
endfunction()
