#!/usr/bin/env bash
# Static check of a built Orvane.dll against what hosts and the target
# systems rely on, read from the file as the Windows 95 and NT 4.0 loaders
# read it:
#   - exactly the exports the build's module definition file names
#     (Orvane.def beside the DLL, written by cmake/OrvaneExports.cmake from
#     include/Orvane.h; the linker proved each _Name@N against the compiler's
#     own stdcall decoration), and no other export;
#   - no TLS directory and no .tls section: Windows 95 refuses LoadLibrary of
#     such a DLL, Windows 98, NT 4.0 and 2000 load it without setting static
#     TLS up (Microsoft KB 118816);
#   - every import by name, none by ordinal;
#   - no compiler runtime DLL among the imports and, for the 32-bit product,
#     only the functions listed in scripts/allowed-imports.txt (present in
#     Windows 95 and NT 4.0), none of those Windows 95/98 export only as a
#     stub (scripts/win9x-stubbed-imports.txt);
#   - a PE header those loaders accept (subsystem version 4.0, a DLL image);
#   - the version resource (1.0.0.1, file type DLL, names).
# Usage: scripts/check-dll.sh [--arch i686|x64] [--def FILE.def] Orvane.dll
#        scripts/check-dll.sh --self-test     (the check must reject broken DLLs)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
arch=i686

fail=0
problem() {
  echo "check-dll: $*" >&2
  fail=1
}

tools_for() {
  if [[ "$1" == i686 ]]; then
    prefix=i686-w64-mingw32
  else
    prefix=x86_64-w64-mingw32
  fi
  objdump=$prefix-objdump
  windres=$prefix-windres
}

# The names of ORVANE_EXPORTS in include/Orvane.h, sorted.
header_names() {
  grep -oE 'X\([A-Za-z]+, *[A-Za-z]+, *[A-Za-z0-9_]+, *[0-9]+' "$root/include/Orvane.h" |
    sed -E 's/X\([A-Za-z]+, *[A-Za-z]+, *([A-Za-z0-9_]+), *[0-9]+/\1/' | sort
}

# The export names a module definition file gives, sorted.
def_exports() {
  sed -n '/^EXPORTS/,$p' "$1" | sed -E '1d; s/^\s+//; s/[ =].*$//' | grep -v '^$' | sort
}

# The first field of the entries of a list file, lower case.
list_entries() {
  grep -vE '^\s*(#|$)' "$1" | awk '{print tolower($1)}' | sort -u
}

check() {
  local dll="$1" def="$2"
  [[ -f "$dll" ]] || { problem "no such file: $dll"; return; }
  [[ -f "$def" ]] || { problem "no module definition file: $def"; return; }
  local dump
  dump="$($objdump -p "$dll")"

  # Exports: those of the .def, which must name each entry of
  # include/Orvane.h once (its names without the decoration are the
  # header's names).
  local actual expected names undecorated
  actual="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | grep -E '^\s+\[ *[0-9]+\] ' |
    sed -E 's/^\s+\[ *[0-9]+\] //' | sort)"
  expected="$(def_exports "$def")"
  names="$(header_names)"
  undecorated="$(sed -E 's/^_?([A-Za-z0-9_]+)(@[0-9]+)?$/\1/' <<<"$expected" | sort)"
  if [[ "$(grep -c . <<<"$names")" -ne 87 ]]; then
    problem "include/Orvane.h lists $(grep -c . <<<"$names") exports, not 87"
  fi
  if [[ "$undecorated" != "$names" ]]; then
    problem "$def does not name the exports of include/Orvane.h (< header, > .def):"
    diff <(echo "$names") <(echo "$undecorated") | grep -E '^[<>]' >&2 || true
  fi
  if [[ "$actual" != "$expected" ]]; then
    problem "export table differs from $def (< expected, > in the DLL):"
    diff <(echo "$expected") <(echo "$actual") | grep -E '^[<>]' >&2 || true
  fi

  # Static TLS: the data directory entry 9 and the section that holds the
  # TLS template.
  local tls sections
  tls="$(grep -E '^Entry 9 ' <<<"$dump" || true)"
  if [[ -z "$tls" ]]; then
    problem "no data directory entry 9 (TLS) in the dump"
  elif ! grep -qE '^Entry 9 0+ 0+ ' <<<"$tls"; then
    problem "has a TLS directory (${tls#Entry 9 }): Windows 95 refuses to load it"
  fi
  sections="$($objdump -h "$dll")"
  if grep -qE '^\s+[0-9]+ \.tls\b' <<<"$sections"; then
    problem "has a .tls section (static TLS)"
  fi

  # Imports: DLL!Function, or DLL!#ordinal for an import by ordinal.
  local allowed stubbed imports
  allowed="$(list_entries "$root/scripts/allowed-imports.txt")"
  stubbed="$(list_entries "$root/scripts/win9x-stubbed-imports.txt")"
  imports="$(sed -n '/The Import Tables/,/The Export Tables/p' <<<"$dump" |
    awk '/DLL Name:/ {dll=$3; next}
         dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]/ {
           if ($3 == "<none>") print dll "!#" $2; else print dll "!" $3
         }' |
    sort -u)"
  [[ -n "$imports" ]] || problem "no import table found"
  local line lower
  while read -r line; do
    [[ -z "$line" ]] && continue
    lower="$(tr 'A-Z' 'a-z' <<<"$line")"
    case "$lower" in
      libgcc*|libstdc++*|libwinpthread*|*mingw*) problem "imports a compiler runtime DLL: $line" ;;
    esac
    if [[ "$line" == *'!#'* ]]; then
      problem "imports by ordinal: $line (ordinals differ between Windows versions)"
      continue
    fi
    # The 64-bit build exists to run under Wine; only the 32-bit product has
    # to load and work on Windows 95, 98 and NT 4.0.
    [[ "$arch" == i686 ]] || continue
    if grep -qxF "$lower" <<<"$stubbed"; then
      problem "imports $line, which Windows 95/98 export only as a stub (scripts/win9x-stubbed-imports.txt)"
    elif ! grep -qxF "$lower" <<<"$allowed"; then
      problem "import not known in Windows 95 and NT 4.0: $line"
    fi
  done <<<"$imports"
  if [[ "$arch" == i686 ]]; then
    local both
    both="$(comm -12 <(echo "$allowed") <(echo "$stubbed"))"
    [[ -z "$both" ]] || problem "scripts/allowed-imports.txt allows functions Windows 95/98 only stub: $both"
  fi

  # Headers.
  local want_magic
  [[ "$arch" == i686 ]] && want_magic='PE32' || want_magic='PE32\+'
  grep -qE "^Magic\s+[0-9a-f]+\s+\(${want_magic}\)" <<<"$dump" || problem "not a ${want_magic//\\/} image"
  grep -qE '^MajorSubsystemVersion\s+4$' <<<"$dump" || problem "subsystem major version is not 4"
  grep -qE '^MinorSubsystemVersion\s+0$' <<<"$dump" || problem "subsystem minor version is not 0"
  grep -qE '^Characteristics\s.*' <<<"$dump" && grep -q 'DLL' <<<"$(sed -n '/^Characteristics/,/^$/p' <<<"$dump")" ||
    problem "image is not marked as a DLL"

  # Version resource.
  local rc
  rc="$($windres -i "$dll" -O rc 2>/dev/null || true)"
  grep -qE 'FILEVERSION 1, 0, 0, 1$' <<<"$rc" || problem "file version is not 1.0.0.1"
  grep -qE 'PRODUCTVERSION 1, 0, 0, 1$' <<<"$rc" || problem "product version is not 1.0.0.1"
  grep -qE 'FILETYPE 0x2$' <<<"$rc" || problem "file type is not DLL"
  grep -qF 'VALUE "FileDescription", "Orvane"' <<<"$rc" || problem "file description is not Orvane"
  grep -qF 'VALUE "InternalName", "Orvane"' <<<"$rc" || problem "internal name is not Orvane"
  grep -qF 'VALUE "OriginalFilename", "Orvane.dll"' <<<"$rc" || problem "original file name is not Orvane.dll"
  grep -qF 'VALUE "FileVersion", "1.0.0.1"' <<<"$rc" || problem "FileVersion string is not 1.0.0.1"
  grep -qF 'VALUE "ProductVersion", "1.0.0.1"' <<<"$rc" || problem "ProductVersion string is not 1.0.0.1"
}

# Builds small 32-bit DLLs with the product's start-up and runtime
# (cmake/OrvaneWindowsRuntime.cmake) that are wrong in one way each, and
# makes sure the check rejects every one for that reason, and accepts the
# same DLL made right.
self_test() {
  arch=i686
  tools_for i686
  local dir
  dir="$(mktemp -d)"
  trap 'rm -rf "$dir"' RETURN
  # A stand-in with every export of the list and one more, not exported
  # unless a .def names it.
  {
    echo '#include <windows.h>'
    grep -oE 'X\([A-Za-z]+, *[A-Za-z]+, *[A-Za-z0-9_]+, *[0-9]+' "$root/include/Orvane.h" |
      sed -E 's/X\([A-Za-z]+, *[A-Za-z]+, *([A-Za-z0-9_]+), *([0-9]+)/\1 \2/' |
      while read -r name argc; do
        params=""
        for ((i = 0; i < argc; i++)); do params+="${params:+, }DWORD a$i"; done
        echo "int WINAPI ${name}(${params:-void}) { return 0; }"
      done
    echo 'int WINAPI Stray(void) { return 0; }'
  } >"$dir/stand.c"
  # What the wrong ones add.
  cat >"$dir/newapi.c" <<'EOF'
#include <windows.h>
BOOL WINAPI UsesNewApi(CRITICAL_SECTION* section) { return InitializeCriticalSectionAndSpinCount(section, 0); }
EOF
  cat >"$dir/wide.c" <<'EOF'
#include <windows.h>
HANDLE WINAPI UsesWideCall(void) { return CreateSemaphoreW(NULL, 0, 1, NULL); }
EOF
  cat >"$dir/ordinal.c" <<'EOF'
#include <windows.h>
DWORD WINAPI UsesOrdinal(void) { return GetTickCount(); }
EOF
  printf 'LIBRARY KERNEL32.dll\nEXPORTS\nGetTickCount@0 @1 NONAME\n' >"$dir/ordinal-import.def"
  cat >"$dir/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.20)
project(CheckDllSelfTest C RC)
include("$root/cmake/OrvaneExports.cmake")
include("$root/cmake/OrvaneWindowsRuntime.cmake")
# The module definition files: as the build writes it, with a stray export,
# and with one name's size wrong.
set(good \${CMAKE_BINARY_DIR}/good.def)
orvane_write_def_files("$root/include/Orvane.h" \${good} \${CMAKE_BINARY_DIR}/good-import.def TRUE)
file(READ \${good} text)
file(WRITE \${CMAKE_BINARY_DIR}/stray.def "\${text}    _Stray@0 = Stray@0\n")
string(REPLACE "_GetNICIpAddress@16 =" "_GetNICIpAddress@12 =" text "\${text}")
file(WRITE \${CMAKE_BINARY_DIR}/broken.def "\${text}")
function(stand_in name def)
  add_library(\${name} SHARED stand.c "$root/library/Orvane.rc" \${def} \${ARGN})
  set_target_properties(\${name} PROPERTIES PREFIX "")
  target_link_options(\${name} PRIVATE -s)
endfunction()
stand_in(good \${good})
orvane_windows_dll_runtime(good)
stand_in(stray \${CMAKE_BINARY_DIR}/stray.def)
orvane_windows_dll_runtime(stray)
stand_in(broken \${CMAKE_BINARY_DIR}/broken.def)
orvane_windows_dll_runtime(broken)
stand_in(newapi \${good} newapi.c)
orvane_windows_dll_runtime(newapi)
# No version resource, and a subsystem version NT 4.0 refuses.
add_library(bare SHARED stand.c \${good})
set_target_properties(bare PROPERTIES PREFIX "")
orvane_windows_dll_runtime(bare)
target_link_options(bare PRIVATE -Wl,--major-subsystem-version,6)
# Static TLS: the compiler's own start-up, whose TLS support adds it.
stand_in(tls \${good})
orvane_windows_image(tls)
orvane_ansi_runtime_calls(tls)
orvane_c_runtime(tls)
# A wide-character function Windows 95/98 only stub, called without the
# ANSI binding.
stand_in(wide \${good} wide.c)
orvane_windows_image(wide)
orvane_tls_free_startup(wide)
orvane_c_runtime(wide)
# An import by ordinal.
add_custom_command(OUTPUT libordinal.a
  COMMAND \${CMAKE_DLLTOOL} -d "$dir/ordinal-import.def" -l libordinal.a
  DEPENDS "$dir/ordinal-import.def")
add_custom_target(ordinal-import DEPENDS libordinal.a)
stand_in(ordinal \${good} ordinal.c)
add_dependencies(ordinal ordinal-import)
target_link_libraries(ordinal PRIVATE \${CMAKE_BINARY_DIR}/libordinal.a)
orvane_windows_dll_runtime(ordinal)
EOF
  if ! cmake -S "$dir" -B "$dir/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel >"$dir/build.log" 2>&1 ||
     ! cmake --build "$dir/build" -j2 >>"$dir/build.log" 2>&1; then
    cat "$dir/build.log" >&2
    echo "self-test: the stand-ins did not build" >&2
    return 1
  fi

  local ok=1
  fail=0
  check "$dir/build/good.dll" "$dir/build/good.def"
  if [[ $fail -ne 0 ]]; then
    echo "self-test: the correct stand-in was rejected" >&2
    ok=0
  else
    echo "self-test: good.dll accepted"
  fi
  # Each wrong DLL and the reason it must be rejected for.
  local -A reason=(
    [stray]='export table differs'
    [broken]='export table differs'
    [newapi]='import not known in Windows 95 and NT 4.0: KERNEL32.dll!InitializeCriticalSectionAndSpinCount'
    [bare]='subsystem major version is not 4'
    [tls]='has a TLS directory'
    [wide]='imports KERNEL32.dll!CreateSemaphoreW, which Windows 95/98 export only as a stub'
    [ordinal]='imports by ordinal: KERNEL32.dll!#1'
  )
  local bad log
  for bad in stray broken newapi bare tls wide ordinal; do
    fail=0
    check "$dir/build/$bad.dll" "$dir/build/good.def" 2>"$dir/$bad.log"
    log="$(cat "$dir/$bad.log")"
    if [[ $fail -eq 0 ]]; then
      echo "self-test: $bad.dll was accepted" >&2
      ok=0
    elif ! grep -qF "${reason[$bad]}" <<<"$log"; then
      echo "self-test: $bad.dll rejected, but not because: ${reason[$bad]}" >&2
      cat "$dir/$bad.log" >&2
      ok=0
    else
      echo "self-test: $bad.dll rejected: $(grep -F "${reason[$bad]}" <<<"$log")"
    fi
  done
  [[ $ok -eq 1 ]] && echo "self-test: passed"
  return $((1 - ok))
}

if [[ "${1:-}" == "--self-test" ]]; then
  self_test
  exit $?
fi
def=""
while [[ $# -gt 1 ]]; do
  case "$1" in
    --arch) arch="$2"; shift 2 ;;
    --def) def="$2"; shift 2 ;;
    *) break ;;
  esac
done
[[ $# -eq 1 ]] || { echo "usage: $0 [--arch i686|x64] [--def FILE.def] Orvane.dll | --self-test" >&2; exit 2; }
tools_for "$arch"
check "$1" "${def:-$(dirname "$1")/Orvane.def}"
if [[ $fail -ne 0 ]]; then
  echo "check-dll: $1 FAILED" >&2
  exit 1
fi
echo "check-dll: $1 ($arch): 87 exports, no TLS, imports, headers and version resource as required"
