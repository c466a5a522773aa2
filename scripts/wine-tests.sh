#!/usr/bin/env bash
# The end-to-end proof on a real Win32 implementation: the 64-bit Windows
# build under wine64 runs the DLL start-up probe, the registry and INF
# conformance checks in the three platform modes, the security conformance
# checks and the domain classes in the two NT modes (each with Wine's own
# netapi32 and with the netapi32 double), the C host of the public header,
# and every scenario of
# tests/scenarios (the same files the native suite runs on the simulated
# platform).
#
# One Wine prefix, settled once and kept in build/wine; a persistent
# wineserver for the run; the Windows version per program through
# AppDefaults (three copies of each program); timeouts on every step and
# on the whole run.
#
# Needs: the mingw-x64 and native builds (scripts/test.sh makes them), wine64.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

x64="$root/build/mingw-x64"
native="$root/build/native"
work="$root/build/wine"
bin="$work/bin"

export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEARCH=win64
unset DISPLAY

"$root/scripts/setup.sh" check all || { echo "wine-tests: run scripts/setup.sh all first" >&2; exit 1; }
wine="$(command -v wine)"
programs="$x64/tests/windows"
doubles="$x64/sim/wine-doubles"
for f in "$x64/library/Orvane.dll" "$x64/tools/orvane/orvane.exe" "$programs/registry_conformance.exe" \
         "$programs/inf_conformance.exe" "$programs/security_conformance.exe" "$programs/domain_probe.exe" \
         "$programs/abi_host.exe" "$programs/startup_probe.dll" "$programs/startup_host.exe" \
         "$doubles/dhcpcsvc.dll" "$doubles/svrapi.dll" "$doubles/netapi32.dll" "$doubles/wsock32.dll" \
         "$doubles/rasapi32_template.dll" \
         "$native/tests/scenario_runner"; do
  [[ -f "$f" ]] || { echo "wine-tests: $f is missing; build mingw-x64 and native first" >&2; exit 1; }
done

# The whole run is bounded: a hung Wine must not hang CI. Unloaded it takes
# about two minutes; a loaded machine has needed 270 s.
if [[ -z "${ORVANE_WINE_BOUNDED:-}" ]]; then
  export ORVANE_WINE_BOUNDED=1
  exec timeout --kill-after=10 480 "$0" "$@"
fi

started=$(date +%s)
step() { echo "== wine: $* ($(($(date +%s) - started)) s)"; }

# A settled prefix, made once (about 10 s) and reused.
if [[ ! -f "$WINEPREFIX/.orvane-settled" ]]; then
  step "creating the Wine prefix"
  rm -rf "$WINEPREFIX"
  mkdir -p "$work"
  timeout 120 "$wine" wineboot --init >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
  touch "$WINEPREFIX/.orvane-settled"
fi

cleanup() { wineserver -k >/dev/null 2>&1 || true; }
trap cleanup EXIT
wineserver -p

# The machine's INF folder, where Wine's setupapi finds a bare INF name: the
# project's NETTRANS.INF and the test INF of the INF conformance checks.
cp "$root/inf/NETTRANS.INF" "$root/tests/conformance/inf/ORVCONF.INF" "$WINEPREFIX/drive_c/windows/inf/"

# The programs, three copies of each so every platform mode has its own
# Windows version, and the doubles beside them. Wine loads dhcpcsvc.dll and
# svrapi.dll from the program's folder as they are; for wsock32.dll and
# netapi32.dll it maps its own builtin under the copy's path unless the
# program has a DllOverride native,builtin, and the dial-up probe reads the
# version of C:\windows\System\rasapi32.dll only with such an override for
# rasapi32.
rm -rf "$bin"
mkdir -p "$bin"
cp "$x64/library/Orvane.dll" "$doubles/dhcpcsvc.dll" "$doubles/svrapi.dll" "$doubles/wsock32.dll" \
   "$doubles/netapi32.dll" "$programs/abi_host.exe" "$programs/startup_probe.dll" "$programs/startup_host.exe" "$bin/"
# Where the runner puts a scenario's dial-up library (and removes it when
# the scenario has none).
dunfile="$WINEPREFIX/drive_c/windows/system/rasapi32.dll"
declare -A version=([98]=win98 [nt4]=nt40 [2k]=win2k)
appdefaults="$work/appdefaults.reg"
printf 'REGEDIT4\r\n\r\n' >"$appdefaults"
for mode in 98 nt4 2k; do
  cp "$x64/tools/orvane/orvane.exe" "$bin/orvane$mode.exe"
  cp "$programs/registry_conformance.exe" "$bin/conformance$mode.exe"
  cp "$programs/inf_conformance.exe" "$bin/infconformance$mode.exe"
  for exe in "orvane$mode.exe" "conformance$mode.exe" "infconformance$mode.exe"; do
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\r\n"Version"="%s"\r\n\r\n' \
      "$exe" "${version[$mode]}" >>"$appdefaults"
  done
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\DllOverrides]\r\n' "orvane$mode.exe" >>"$appdefaults"
  printf '"wsock32"="native,builtin"\r\n"rasapi32"="native,builtin"\r\n"netapi32"="native,builtin"\r\n\r\n' >>"$appdefaults"
  [[ "$mode" == 98 ]] && continue
  cp "$programs/security_conformance.exe" "$bin/security$mode.exe"
  cp "$programs/security_conformance.exe" "$bin/security${mode}d.exe"
  for exe in "security$mode.exe" "security${mode}d.exe"; do
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\r\n"Version"="%s"\r\n\r\n' \
      "$exe" "${version[$mode]}" >>"$appdefaults"
  done
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\security%sd.exe\\DllOverrides]\r\n"netapi32"="native,builtin"\r\n\r\n' \
    "$mode" >>"$appdefaults"
  # The domain classes, likewise with Wine's netapi32 and with the double.
  cp "$programs/domain_probe.exe" "$bin/domain$mode.exe"
  cp "$programs/domain_probe.exe" "$bin/domain${mode}d.exe"
  for exe in "domain$mode.exe" "domain${mode}d.exe"; do
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\r\n"Version"="%s"\r\n\r\n' \
      "$exe" "${version[$mode]}" >>"$appdefaults"
  done
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\domain%sd.exe\\DllOverrides]\r\n"netapi32"="native,builtin"\r\n\r\n' \
    "$mode" >>"$appdefaults"
done
printf '[HKEY_CURRENT_USER\\Software\\OrvaneScenario]\r\n"Sentinel"="appdefaults-%s"\r\n\r\n' "$$" >>"$appdefaults"
step "setting the Windows version and DLL overrides per program"
timeout 30 "$wine" reg import "$appdefaults" >/dev/null 2>&1
sentinel="$(timeout 30 "$wine" reg query 'HKCU\Software\OrvaneScenario' /v Sentinel 2>/dev/null || true)"
[[ "$sentinel" == *"appdefaults-$$"* ]] || { echo "wine-tests: seeding AppDefaults failed" >&2; exit 1; }

# A Netlogon service, as NT 4.0 and Windows 2000 have (Wine has none), made
# afresh for every run through Wine's service manager (which reads its
# database only when it starts; Wine's sc has no "config"): started on
# demand, in a shared process, with an image Wine cannot run.
step "registering the Netlogon service"
timeout 30 "$wine" sc delete Netlogon >/dev/null 2>&1 || true
timeout 30 "$wine" sc create Netlogon 'binPath=' '%SystemRoot%\System32\lsass.exe' 'type=' share 'start=' demand \
  'DisplayName=' 'Net Logon' >/dev/null 2>&1 || true
netlogon="$(timeout 30 "$wine" reg query 'HKLM\System\CurrentControlSet\Services\Netlogon' /v Start 2>/dev/null || true)"
[[ "$netlogon" == *"0x3"* ]] || { echo "wine-tests: registering Netlogon failed" >&2; exit 1; }

failed=0
cd "$bin"
# The product's start-up (no TLS directory, thread-key destructors from the
# entry point, semaphores through the ANSI binding) on a DLL built the same
# way: constructors, DllMain reasons, thread_local destructors, exceptions.
step "DLL start-up"
if ! timeout 60 "$wine" startup_host.exe; then
  echo "wine-tests: the DLL start-up probe failed" >&2
  failed=1
fi

for mode in 98 nt4 2k; do
  step "registry conformance, ${version[$mode]}"
  if ! timeout 60 "$wine" "conformance$mode.exe"; then
    echo "wine-tests: registry conformance failed in ${version[$mode]} mode" >&2
    failed=1
  fi
done

for mode in 98 nt4 2k; do
  step "INF conformance, ${version[$mode]}"
  if ! timeout 60 "$wine" "infconformance$mode.exe"; then
    echo "wine-tests: INF conformance failed in ${version[$mode]} mode" >&2
    failed=1
  fi
done

for mode in nt4 2k; do
  for variant in "" d; do
    step "security conformance, ${version[$mode]}${variant:+, netapi32 double}"
    rm -f orvane-doubles.log
    if ! timeout 60 "$wine" "security$mode$variant.exe"; then
      echo "wine-tests: security conformance failed in ${version[$mode]} mode${variant:+ with the double}" >&2
      failed=1
    fi
    if [[ -n "$variant" ]]; then
      log=""
      if [[ -f orvane-doubles.log ]]; then log="$(<orvane-doubles.log)"; fi
      if [[ "$log" != *"netapi32 NetJoinDomain"* || "$log" == *"leaked-buffers"* ]]; then
        echo "wine-tests: the netapi32 double did not log its calls, or leaked buffers" >&2
        failed=1
      fi
    fi
  done
done
rm -f orvane-doubles.log

for mode in nt4 2k; do
  for variant in "" d; do
    step "domain classes, ${version[$mode]}${variant:+, netapi32 double}"
    rm -f orvane-doubles.log
    if ! timeout 60 "$wine" "domain$mode$variant.exe"; then
      echo "wine-tests: the domain classes failed in ${version[$mode]} mode${variant:+ with the double}" >&2
      failed=1
    fi
    if [[ -n "$variant" ]]; then
      log=""
      if [[ -f orvane-doubles.log ]]; then log="$(<orvane-doubles.log)"; fi
      if [[ "$log" != *"netapi32 NetJoinDomain"* || "$log" == *"leaked-buffers"* || "$log" == *"open-sessions"* ]]; then
        echo "wine-tests: the netapi32 double did not see the domain classes, or they left a buffer or session" >&2
        failed=1
      fi
    fi
  done
done
rm -f orvane-doubles.log

step "C host of the public header"
if ! timeout 60 "$wine" abi_host.exe; then
  echo "wine-tests: the C host failed" >&2
  failed=1
fi

step "scenarios"
mapfile -t scenarios < <(find "$root/tests/scenarios" -name '*.scn' | sort)
if ! "$native/tests/scenario_runner" --wine "$wine" --wine-bin "$bin" --dun-template "$doubles/rasapi32_template.dll" \
     --dun-file "$dunfile" --repo "$root" --timeout 60 "${scenarios[@]}"; then
  failed=1
fi
rm -f "$dunfile"

step "done"
exit $failed
