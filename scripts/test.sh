#!/usr/bin/env bash
# Builds every configuration and runs every test:
#   native        unit tests, registry conformance, scenarios on the simulated platform
#   native-asan   the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   native-tsan   the exports from several threads at once under ThreadSanitizer
#   fuzz          each libFuzzer target for 20 s on its corpus (clang)
#   mingw-i686    the product Orvane.dll, checked statically (exports, imports,
#                 headers, version resource) and linked by a C host
#   mingw-x64     the Windows build run under wine64: conformance, C host, scenarios
set -euo pipefail
cd "$(dirname "$0")/.."
# Installs what is missing and proves every command the steps below call is
# there, so a fresh machine fails here, naming the package, not deep in a step.
scripts/setup.sh all
started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }

for preset in native native-asan; do
  echo "== $preset ($(elapsed))"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" --output-on-failure
done

# Only the thread test is built with ThreadSanitizer; a race reported
# anywhere fails it at once. It runs in its build folder, where the adapter
# dumps it provokes are written.
echo "== native-tsan ($(elapsed))"
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan
(cd build/native-tsan/tests &&
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ./thread_test)

# Each fuzz target for a short bounded time on its corpus (a campaign is
# scripts/fuzz.sh TARGET MINUTES).
echo "== fuzz smoke ($(elapsed))"
scripts/fuzz.sh --smoke 20

for preset in mingw-i686 mingw-x64; do
  echo "== $preset ($(elapsed))"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

echo "== static checks ($(elapsed))"
scripts/check-dll.sh build/mingw-i686/library/Orvane.dll
scripts/check-dll.sh --arch x64 build/mingw-x64/library/Orvane.dll
scripts/check-dll.sh --self-test
# The C host of the public header links against the 32-bit import library
# and imports the decorated names.
# (The dump is read whole first: under pipefail, a grep that quits at its
# first match can kill objdump with SIGPIPE and fail the step at random.)
abi_imports="$(i686-w64-mingw32-objdump -p build/mingw-i686/tests/windows/abi_host.exe)"
grep -qE '^\s+[0-9a-f]+\s+[0-9]+\s+_GetDLLVersion@8$' <<<"$abi_imports" ||
  { echo "test: the 32-bit C host does not import _GetDLLVersion@8" >&2; exit 1; }
echo "check: the 32-bit C host links against libOrvane.a and imports _GetDLLVersion@8"

echo "== wine ($(elapsed))"
scripts/wine-tests.sh

echo "== all tests passed ($(elapsed))"
