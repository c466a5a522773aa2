#!/usr/bin/env bash
# The main job: build the native host and show what the library sees on the
# bundled Windows 98 sample machine. Extra arguments go to orvane instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh native
cmake --preset native >/dev/null
cmake --build --preset native --target orvane >/dev/null
host=build/native/tools/orvane/orvane
if [[ $# -gt 0 ]]; then
  exec "$host" "$@"
fi
exec "$host" --machine examples/win98.reg dll \; platform \; nic list \; tcp show
