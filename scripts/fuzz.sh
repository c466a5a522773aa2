#!/usr/bin/env bash
# A fuzzing campaign on all cores, or the short smoke run of every target.
#   scripts/fuzz.sh TARGET MINUTES [MODE]   TARGET: fuzz_reg_import, fuzz_reg_patch, fuzz_library,
#                                           fuzz_inf; MODE (win98, nt4, win2000) pins the platform
#                                           mode; ORVANE_FUZZ_JOBS processes (default: one per core)
#   scripts/fuzz.sh --smoke [SECONDS]       every target for SECONDS (default 20) on its corpus,
#                                           and the library target's big machines once
# ORVANE_FUZZ_BIG=1 lets the library target build big machines (see
# fuzz/HostileMachine.cpp), a campaign of its own.
# Builds the fuzz preset (clang, AddressSanitizer, UndefinedBehaviorSanitizer).
# libFuzzer's own -jobs/-workers start processes with system(), which the
# simulated platform replaces with its recorder: one process per core is
# started here instead, all sharing one work corpus. New inputs go to
# build/fuzz/work/TARGET, never into the tree's seed corpus fuzz/corpus/TARGET;
# a finding stops its process and is left in build/fuzz/findings/TARGET.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
targets=(fuzz_reg_import fuzz_reg_patch fuzz_library fuzz_inf)
# A smaller quarantine, shorter allocation stacks and no filling of new
# blocks: the library target makes and drops a machine and four objects of
# fixed storage per input, and ASan's defaults spend a third of the time on
# that bookkeeping. Leaks are checked once, at exit, not per input.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=4:malloc_context_size=2:max_malloc_fill_size=0}"

# Campaigns started side by side share the build folder: one builds while
# the others wait for it (three makes in one folder overwrote each other's
# objects).
build() {
  mkdir -p build
  (
    flock 9
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz --target "${targets[@]}"
  ) 9>build/fuzz.lock
}

# scratch_dir NAME: a new empty folder for the processes' working directory.
# The library rewrites its adapter dump there on every DumpAdapter call; on
# ext4 a file truncated and written again is flushed to the disk at close,
# which made the slowest inputs ten times dearer and the rates of two
# processes differ by a fifth. Memory-backed /dev/shm when there is one.
scratch_dir() {
  local base=$root/build/fuzz/scratch
  [[ -d /dev/shm && -w /dev/shm ]] && base=/dev/shm
  mkdir -p "$base"
  mktemp -d "$base/orvane-fuzz-$1.XXXXXX"
}

# run TARGET SECONDS PROCESSES: prints the executions done, fails on a finding.
run() {
  local target=$1 seconds=$2 processes=$3
  # Campaigns of one target in different modes may run at once: each mode
  # has its own work corpus, logs and scratch folder.
  local name=$target${ORVANE_FUZZ_MODE:+-$ORVANE_FUZZ_MODE}
  local work=$root/build/fuzz/work/$name findings=$root/build/fuzz/findings/$name
  local logs=$root/build/fuzz/logs/$name scratch
  scratch=$(scratch_dir "$name")
  mkdir -p "$work" "$findings" "$logs"
  local pids=() p
  for ((p = 0; p < processes; p++)); do
    # The library writes its adapter dump into the working directory.
    (cd "$scratch" && exec "$root/build/fuzz/fuzz/$target" -detect_leaks=0 -max_total_time="$seconds" \
      -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$root/fuzz/corpus/$target" \
      >"$logs/$p.log" 2>&1) &
    pids+=($!)
  done
  local status=0
  for p in "${pids[@]}"; do wait "$p" || status=1; done
  rm -rf "$scratch"
  local runs=0 log done_line
  for log in "$logs"/*.log; do
    done_line=$(awk '/^Done [0-9]+ runs/{print $2}' "$log")
    runs=$((runs + ${done_line:-0}))
  done
  echo "fuzz: $target: $runs executions in $seconds s on $processes process(es)${ORVANE_FUZZ_MODE:+ (mode $ORVANE_FUZZ_MODE)}"
  if [[ $status -ne 0 ]]; then
    for log in "$logs"/*.log; do
      grep -E "finding:|ERROR:|SUMMARY:|Test unit written" "$log" >&2 || true
    done
    echo "fuzz: $target found a problem; inputs in $findings" >&2
    return 1
  fi
  rm -rf "$logs"
}

if [[ "${1:-}" == --smoke ]]; then
  seconds=${2:-20}
  build
  failed=0
  for target in "${targets[@]}"; do run "$target" "$seconds" 1 || failed=1; done
  # The library target's big machines (deep, wide, thousands of adapters)
  # are seeds of their own: each runs once.
  big=$(scratch_dir big)
  (cd "$big" &&
    ORVANE_FUZZ_BIG=1 "$root/build/fuzz/fuzz/fuzz_library" -detect_leaks=0 -runs=0 \
      "$root/fuzz/corpus/fuzz_library" >"$root/build/fuzz/big.log" 2>&1) ||
    { grep -E "finding:|ERROR:|SUMMARY:" build/fuzz/big.log >&2 || true; failed=1; }
  rm -rf "$big"
  echo "fuzz: fuzz_library: the big machines of the seed corpus ran once each"
  exit $failed
fi

if [[ $# -lt 2 ]]; then
  echo "usage: scripts/fuzz.sh TARGET MINUTES [win98|nt4|win2000] | --smoke [SECONDS]" >&2
  exit 2
fi
target=$1 minutes=$2
[[ " ${targets[*]} " == *" $target "* ]] || { echo "fuzz: no target $target (${targets[*]})" >&2; exit 2; }
[[ -n "${3:-}" ]] && export ORVANE_FUZZ_MODE=$3
build
run "$target" $((minutes * 60)) "${ORVANE_FUZZ_JOBS:-$(nproc)}"
