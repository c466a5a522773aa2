#!/usr/bin/env bash
# Static check of a built Orvane.dll against what hosts and the target
# systems rely on:
#   - exactly the exports the build's module definition file names
#     (Orvane.def beside the DLL, written by cmake/OrvaneExports.cmake from
#     include/Orvane.h; the linker proved each _Name@N against the compiler's
#     own stdcall decoration), and no other export;
#   - no compiler runtime DLL among the imports and, for the 32-bit product,
#     only the functions listed in scripts/allowed-imports.txt (present in
#     Windows 95 and NT 4.0);
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

  # Imports.
  local allowed imports
  allowed="$(grep -vE '^\s*(#|$)' "$root/scripts/allowed-imports.txt" | tr 'A-Z' 'a-z' | sort -u)"
  imports="$(sed -n '/The Import Tables/,/The Export Tables/p' <<<"$dump" |
    awk '/DLL Name:/ {dll=$3; next} dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]/ {print dll "!" $3}' |
    sort -u)"
  [[ -n "$imports" ]] || problem "no import table found"
  local line lower
  while read -r line; do
    [[ -z "$line" ]] && continue
    lower="$(tr 'A-Z' 'a-z' <<<"$line")"
    case "$lower" in
      libgcc*|libstdc++*|libwinpthread*|*mingw*) problem "imports a compiler runtime DLL: $line" ;;
    esac
    # The 64-bit build exists to run under Wine; only the 32-bit product has
    # to load on Windows 95 and NT 4.0.
    if [[ "$arch" == i686 ]]; then
      grep -qxF "$lower" <<<"$allowed" || problem "import not known in Windows 95 and NT 4.0: $line"
    fi
  done <<<"$imports"

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

# Builds small DLLs that are wrong in one way each and makes sure the check
# rejects every one, and accepts the same DLL made right.
self_test() {
  arch=i686
  tools_for i686
  local dir
  dir="$(mktemp -d)"
  trap 'rm -rf "$dir"' RETURN
  local cc=i686-w64-mingw32-gcc-win32
  # A stand-in with every export of the list, the version resource and the
  # 4.0 subsystem.
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
  # The module definition file as the build writes it.
  local good_def="$dir/good.def"
  printf 'include("%s")\norvane_write_def_files("%s" "%s" "%s" TRUE)\n' "$root/cmake/OrvaneExports.cmake" \
    "$root/include/Orvane.h" "$good_def" "$dir/good-import.def" >"$dir/write-def.cmake"
  cmake -P "$dir/write-def.cmake"
  i686-w64-mingw32-windres "$root/library/Orvane.rc" -O coff -o "$dir/res.o"
  local link=(-shared -s -static-libgcc -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0)
  $cc "${link[@]}" -o "$dir/good.dll" "$dir/stand.c" "$dir/res.o" "$good_def"
  # A stray extra export.
  { cat "$good_def"; echo "    _Stray@0 = Stray@0"; } >"$dir/stray.def"
  $cc "${link[@]}" -o "$dir/stray.dll" "$dir/stand.c" "$dir/res.o" "$dir/stray.def"
  # A broken export name (the size part wrong).
  sed 's/_GetNICIpAddress@16 = GetNICIpAddress@16/_GetNICIpAddress@12 = GetNICIpAddress@16/' "$good_def" >"$dir/broken.def"
  $cc "${link[@]}" -o "$dir/broken.dll" "$dir/stand.c" "$dir/res.o" "$dir/broken.def"
  # An import Windows 95 does not have.
  sed 's/int WINAPI Stray(void) { return 0; }/int WINAPI Stray(void) { InitializeCriticalSectionAndSpinCount(0, 0); return 0; }/' \
    "$dir/stand.c" >"$dir/newapi.c"
  $cc "${link[@]}" -o "$dir/newapi.dll" "$dir/newapi.c" "$dir/res.o" "$good_def"
  # No version resource, and a subsystem version NT 4.0 refuses.
  $cc -shared -s -static-libgcc -Wl,--major-subsystem-version,6 -o "$dir/bare.dll" "$dir/stand.c" "$good_def"

  local ok=1
  fail=0
  check "$dir/good.dll" "$good_def"
  if [[ $fail -ne 0 ]]; then
    echo "self-test: the correct stand-in was rejected" >&2
    ok=0
  fi
  for bad in stray broken newapi bare; do
    fail=0
    check "$dir/$bad.dll" "$good_def" 2>"$dir/$bad.log"
    if [[ $fail -eq 0 ]]; then
      echo "self-test: $bad.dll was accepted" >&2
      ok=0
    else
      echo "self-test: $bad.dll rejected: $(head -1 "$dir/$bad.log")"
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
echo "check-dll: $1 ($arch): 87 exports, imports, headers and version resource as required"
