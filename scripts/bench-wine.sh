#!/usr/bin/env bash
# The adapter attach benchmark under Wine: the mingw-x64 build of
# bench/AdapterAttachWine.cpp, in Windows 98 mode, on the Wine prefix of
# scripts/wine-tests.sh (made here when missing). Prints the ratio and
# whether it meets its goal; builds the program when it is missing.
#   scripts/bench-wine.sh [ROUNDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
export WINEPREFIX="$root/build/wine/prefix"
export WINEDEBUG=-all
export LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEARCH=win64
unset DISPLAY
"$root/scripts/setup.sh" check all || { echo "bench-wine: run scripts/setup.sh all first" >&2; exit 1; }
wine="$(command -v wine)"

exe="$root/build/mingw-x64/bench/bench_adapter_attach_wine.exe"
if [[ ! -f "$exe" ]]; then
  cmake --preset mingw-x64 >/dev/null
  cmake --build --preset mingw-x64 --target bench_adapter_attach_wine
fi
if [[ ! -f "$WINEPREFIX/.orvane-settled" ]]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$root/build/wine"
  timeout 120 "$wine" wineboot --init >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
  touch "$WINEPREFIX/.orvane-settled"
fi
# The program reports Windows 98, so the table reads the Windows 98 layout.
settings="$root/build/wine/bench-appdefaults.reg"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\bench_adapter_attach_wine.exe]\r\n"Version"="win98"\r\n\r\n' >"$settings"
timeout 60 "$wine" regedit /S "$settings"
timeout 600 "$wine" "$exe" "${1:-31}"
timeout 60 wineserver -w || true
