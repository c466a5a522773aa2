#!/usr/bin/env bash
# Installs what the builds need when it is missing (Debian, as root).
#   scripts/setup.sh native   compiler, CMake, GoogleTest, Google Benchmark
#   scripts/setup.sh all      the above, mingw-w64 (i686 and x86_64) and Wine
set -euo pipefail

want=(g++ cmake make libgtest-dev libbenchmark-dev)
if [[ "${1:-native}" == "all" ]]; then
  want+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64)
fi

missing=()
for pkg in "${want[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

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
