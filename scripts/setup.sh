#!/usr/bin/env bash
# Installs what the builds and tests need when it is missing (Debian, as
# root), then proves that every command the scripts call is on the PATH.
#   scripts/setup.sh native   compiler, CMake, GoogleTest, Google Benchmark
#   scripts/setup.sh all      the above, mingw-w64 (i686 and x86_64), Wine, and clang
#                             with libFuzzer for the fuzz targets
#   scripts/setup.sh check [native|all]   only the proof, nothing installed
set -euo pipefail

mode="${1:-native}"
check_only=0
if [[ "$mode" == check ]]; then
  check_only=1
  mode="${2:-all}"
fi

# Each command the scripts run, with the Debian package that brings it.
# Debian's wine64 package puts its binaries under /usr/lib/wine only: the
# `wine` and `wineserver` commands come with the `wine` package.
commands_native=(
  "g++ g++"
  "gcc gcc"
  "cmake cmake"
  "ctest cmake"
  "make make"
  "timeout coreutils"
  "cp coreutils"
  "rm coreutils"
  "mkdir coreutils"
  "date coreutils"
  "diff diffutils"
  "awk mawk"
  "sed sed"
  "find findutils"
  "grep grep"
  "nproc coreutils"
  "mktemp coreutils"
)
# The Windows builds name the -win32 compilers (Win32 thread model) in their
# toolchain files: the unsuffixed names are alternatives that may point at
# the -posix ones.
commands_all=(
  "i686-w64-mingw32-gcc-win32 gcc-mingw-w64-i686-win32"
  "i686-w64-mingw32-g++-win32 g++-mingw-w64-i686-win32"
  "i686-w64-mingw32-objdump binutils-mingw-w64-i686"
  "i686-w64-mingw32-windres binutils-mingw-w64-i686"
  "i686-w64-mingw32-dlltool binutils-mingw-w64-i686"
  "x86_64-w64-mingw32-gcc-win32 gcc-mingw-w64-x86-64-win32"
  "x86_64-w64-mingw32-g++-win32 g++-mingw-w64-x86-64-win32"
  "x86_64-w64-mingw32-objdump binutils-mingw-w64-x86-64"
  "x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64"
  "x86_64-w64-mingw32-dlltool binutils-mingw-w64-x86-64"
  "wine wine"
  "wineserver wine"
  "clang clang"
  "clang++ clang"
  "flock util-linux"
)
# Libraries found by CMake rather than on the PATH: a file each proves them.
libraries_native=(
  "/usr/include/gtest/gtest.h libgtest-dev"
  "/usr/include/gmock/gmock.h libgmock-dev"
  "/usr/include/benchmark/benchmark.h libbenchmark-dev"
  "/usr/lib/x86_64-linux-gnu/libtsan.so.2 libtsan2"
)
libraries_all=(
  "/usr/lib/wine/wine64 wine64"
  "/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a libclang-rt-14-dev"
)

wanted=("${commands_native[@]}")
files=("${libraries_native[@]}")
if [[ "$mode" == all ]]; then
  wanted+=("${commands_all[@]}")
  files+=("${libraries_all[@]}")
elif [[ "$mode" != native ]]; then
  echo "usage: scripts/setup.sh [native|all|check [native|all]]" >&2
  exit 2
fi

# Prints the packages whose command or file is missing, one per line.
missing_packages() {
  local entry
  for entry in "${wanted[@]}"; do
    command -v "${entry%% *}" >/dev/null 2>&1 || echo "${entry#* }"
  done
  for entry in "${files[@]}"; do
    [[ -e "${entry%% *}" ]] || echo "${entry#* }"
  done
}

if [[ $check_only -eq 0 ]]; then
  mapfile -t missing < <(missing_packages | sort -u)
  if [[ ${#missing[@]} -gt 0 ]]; then
    if [[ $(id -u) -ne 0 ]]; then
      echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
      exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    install() {
      apt-get update -qq &&
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    }
    # A mirror caught mid-sync fails now and then; one retry settles it.
    if ! install; then
      echo "setup: apt-get failed, retrying once" >&2
      sleep 5
      install
    fi
  fi
fi

# The proof: after installing, nothing the scripts call may be missing.
status=0
for entry in "${wanted[@]}"; do
  if ! command -v "${entry%% *}" >/dev/null 2>&1; then
    echo "setup: command '${entry%% *}' is not on the PATH (Debian package ${entry#* })" >&2
    status=1
  fi
done
for entry in "${files[@]}"; do
  if [[ ! -e "${entry%% *}" ]]; then
    echo "setup: ${entry%% *} is missing (Debian package ${entry#* })" >&2
    status=1
  fi
done
exit $status
