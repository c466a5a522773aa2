#!/usr/bin/env bash
# Mutation testing: do the tests notice when the code is wrong?
#
#   scripts/mutate.sh [options] LIST...
#
# Each LIST (see scripts/mutations/) names source files and, for each, small
# deliberate faults ("mutants"): an exact piece of text and what to put in its
# place. The script applies one mutant at a time, builds the native unit tests
# (that target only), runs them, and puts the file back. A mutant the tests
# fail on is killed; one they pass is a survivor, a fault the tests let
# through. The tree is never left modified: every file is restored after its
# mutant, on any exit (trap), and at the next start if a run was cut short.
#
# List format, one statement a line ('#' starts a comment line):
#   file PATH                 the file (from the repository root) the mutants below change
#   mutant ID: DESCRIPTION    starts a mutant
#   from TEXT                 text that occurs exactly once in the file (leading and
#                             trailing blanks of the line are not part of it)
#   to TEXT                   its replacement; "to" alone deletes the text
#   equivalent REASON         the mutant cannot change behaviour: listed, not run
#
# Options:
#   --check           only check that every mutant applies (no build)
#   --only ID         run the mutants whose id is ID (may be repeated)
#   --scenarios       a mutant the unit tests miss also meets the native scenarios
#   --ctest REGEX     a mutant the unit tests miss also meets the ctest entries REGEX
#                     matches (the conformance programs, say); builds every target
#   --build-dir DIR   where to build (default build/mutate, a Debug build of its own)
#   --target NAME     the test target to build and run (default orvane_unit_tests)
#   --keep-going      do not stop when the unmutated tree fails its tests
#   --matrix FILE     also write, per mutant, the unit tests that failed on it
#                     ("ID: Suite.Test ..."); a test that appears on no line, or only
#                     beside others, is one to question
#
# Output: one line per mutant (KILLED, SURVIVED, INVALID when it does not
# build, EQUIVALENT), then the score killed / (killed + survived) and the
# survivors. Exit status 0 when the run completed, 2 on a bad list or usage.
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true
cd "$(dirname "$0")/.."
root=$PWD

usage() {
  echo "usage: scripts/mutate.sh [--check] [--only ID]... [--scenarios] [--ctest REGEX] [--build-dir DIR] [--target NAME] [--matrix FILE] LIST..." >&2
  exit 2
}

check_only=0
scenarios=0
keep_going=0
matrix=""
ctest_regex=""
build=build/mutate
target=orvane_unit_tests
only=()
lists=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --check) check_only=1 ;;
    --scenarios) scenarios=1 ;;
    --keep-going) keep_going=1 ;;
    --only) [[ $# -ge 2 ]] || usage; only+=("$2"); shift ;;
    --build-dir) [[ $# -ge 2 ]] || usage; build=$2; shift ;;
    --matrix) [[ $# -ge 2 ]] || usage; matrix=$2; shift ;;
    --ctest) [[ $# -ge 2 ]] || usage; ctest_regex=$2; shift ;;
    --target) [[ $# -ge 2 ]] || usage; target=$2; shift ;;
    -*) usage ;;
    *) lists+=("$1") ;;
  esac
  shift
done
[[ ${#lists[@]} -gt 0 ]] || usage

# ---- Reading the lists -----------------------------------------------------------

ids=() descs=() files=() froms=() tos=() equivs=()

trim() {
  local s=$1
  s=${s#"${s%%[![:space:]]*}"}
  s=${s%"${s##*[![:space:]]}"}
  printf '%s' "$s"
}

fail_list() {
  echo "mutate: $1:$2: $3" >&2
  exit 2
}

for list in "${lists[@]}"; do
  [[ -f "$list" ]] || { echo "mutate: no such list: $list" >&2; exit 2; }
  current_file=""
  n=-1
  lineno=0
  while IFS= read -r line || [[ -n "$line" ]]; do
    lineno=$((lineno + 1))
    stripped=$(trim "$line")
    [[ -z "$stripped" || "$stripped" == \#* ]] && continue
    keyword=${stripped%%[[:space:]]*}
    rest=""
    [[ "$stripped" == *[[:space:]]* ]] && rest=$(trim "${stripped#*[[:space:]]}")
    case "$keyword" in
      file)
        [[ -f "$root/$rest" ]] || fail_list "$list" "$lineno" "no such file: $rest"
        current_file=$rest
        ;;
      mutant)
        [[ -n "$current_file" ]] || fail_list "$list" "$lineno" "mutant before any file line"
        [[ "$rest" == *:* ]] || fail_list "$list" "$lineno" "mutant needs 'ID: description'"
        n=${#ids[@]}
        ids+=("$(trim "${rest%%:*}")")
        descs+=("$(trim "${rest#*:}")")
        files+=("$current_file")
        froms+=("")
        tos+=("")
        equivs+=("")
        ;;
      from | to | equivalent)
        [[ $n -ge 0 ]] || fail_list "$list" "$lineno" "'$keyword' outside a mutant"
        case "$keyword" in
          from) froms[n]=$rest ;;
          to) tos[n]=$rest ;;
          equivalent) equivs[n]=${rest:-"(no reason given)"} ;;
        esac
        ;;
      *) fail_list "$list" "$lineno" "unknown statement '$keyword'" ;;
    esac
  done <"$list"
done

read_file() {
  # The whole file, trailing newlines included.
  IFS= read -r -d '' "$2" <"$1" || true
}

# Every mutant must name text that stands exactly once in its file.
declare -A seen=()
for i in "${!ids[@]}"; do
  id=${ids[i]}
  [[ -z "${seen[$id]:-}" ]] || { echo "mutate: mutant id used twice: $id" >&2; exit 2; }
  seen[$id]=1
  from=${froms[i]}
  [[ -n "$from" ]] || { echo "mutate: $id: no 'from' text" >&2; exit 2; }
  [[ "$from" != "${tos[i]}" ]] || { echo "mutate: $id: 'to' equals 'from'" >&2; exit 2; }
  read_file "$root/${files[i]}" content
  after=${content#*"$from"}
  if [[ "$after" == "$content" ]]; then
    echo "mutate: $id: text not found in ${files[i]}: $from" >&2
    exit 2
  fi
  if [[ "$after" == *"$from"* ]]; then
    echo "mutate: $id: text stands more than once in ${files[i]}: $from" >&2
    exit 2
  fi
done
echo "mutate: ${#ids[@]} mutants in ${#lists[@]} list(s), all apply"
[[ $check_only -eq 1 ]] && exit 0

selected() {
  [[ ${#only[@]} -eq 0 ]] && return 0
  local o
  for o in "${only[@]}"; do [[ "$o" == "$1" ]] && return 0; done
  return 1
}

# ---- Keeping the tree intact ------------------------------------------------------

mkdir -p "$build"
state=$build/mutate-state
# The file being mutated and its original, kept beside the build so that a
# run killed outright is repaired by the next one.
restore() {
  if [[ -f "$state/path" ]]; then
    local path
    IFS= read -r path <"$state/path" || true
    if [[ -n "$path" && -f "$state/original" ]]; then
      # A plain copy, so the file is newer than the mutant's objects and
      # the next build compiles it again.
      cp "$state/original" "$root/$path"
    fi
    rm -f "$state/path" "$state/original"
  fi
}
mkdir -p "$state"
if [[ -f "$state/path" ]]; then
  echo "mutate: restoring a file left mutated by an interrupted run"
  restore
fi
trap restore EXIT
trap 'restore; exit 130' INT TERM

apply() {
  local i=$1 content
  read_file "$root/${files[i]}" content
  cp "$root/${files[i]}" "$state/original"
  printf '%s\n' "${files[i]}" >"$state/path"
  printf '%s' "${content/"${froms[i]}"/"${tos[i]}"}" >"$root/${files[i]}"
}

# ---- Build and test --------------------------------------------------------------

log=$build/mutate-last.log
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  echo "mutate: configuring $build"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DORVANE_BUILD_BENCH=OFF >"$log" 2>&1 ||
    { echo "mutate: configure failed, see $log" >&2; exit 1; }
fi

build_targets() {
  local t=("$target")
  [[ $scenarios -eq 1 ]] && t+=(orvane scenario_runner)
  [[ -n "$ctest_regex" ]] && t=(all)
  timeout 900 cmake --build "$build" -j2 --target "${t[@]}" >"$log" 2>&1
}

test_binary() {
  local found=""
  found=$(find "$build" -name "$target" -type f -perm -u+x -print -quit)
  printf '%s' "$found"
}

run_tests() {
  local binary
  binary=$(test_binary)
  [[ -n "$binary" ]] || { echo "mutate: test program $target not found below $build" >&2; exit 1; }
  : >"$build/unit-output"
  if ! timeout 300 "$binary" --gtest_brief=1 >"$build/unit-output" 2>&1; then
    cat "$build/unit-output" >>"$log"
    return 1
  fi
  cat "$build/unit-output" >>"$log"
  if [[ $scenarios -eq 1 ]]; then
    timeout 600 ctest --test-dir "$build" -R '^scenario\.' >>"$log" 2>&1 || return 1
  fi
  if [[ -n "$ctest_regex" ]]; then
    timeout 600 ctest --test-dir "$build" -R "$ctest_regex" >>"$log" 2>&1 || return 1
  fi
  return 0
}

echo "mutate: building and testing the unmutated tree"
if ! build_targets; then
  echo "mutate: the unmutated tree does not build, see $log" >&2
  exit 1
fi
if ! run_tests; then
  echo "mutate: the unmutated tree fails its tests, see $log" >&2
  [[ $keep_going -eq 1 ]] || exit 1
fi

killed=0 survived=0 invalid=0 equivalent=0
[[ -z "$matrix" ]] || : >"$matrix"
survivors=()
started=$(date +%s)
for i in "${!ids[@]}"; do
  selected "${ids[i]}" || continue
  label="${ids[i]}: ${descs[i]}"
  if [[ -n "${equivs[i]}" ]]; then
    equivalent=$((equivalent + 1))
    echo "EQUIVALENT $label -- ${equivs[i]}"
    continue
  fi
  apply "$i"
  if ! build_targets; then
    invalid=$((invalid + 1))
    echo "INVALID    $label (does not build)"
  elif run_tests; then
    survived=$((survived + 1))
    survivors+=("$label [${files[i]}]")
    echo "SURVIVED   $label"
  else
    killed=$((killed + 1))
    echo "KILLED     $label"
    if [[ -n "$matrix" ]]; then
      # gtest names each failed test on a line of its own ("[  FAILED  ] Suite.Test (3 ms)");
      # a kill by the scenarios or the --ctest entries alone leaves the list empty.
      printf '%s:%s\n' "${ids[i]}" "$(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_/.]*\).*/ \1/p' "$build/unit-output" | sort -u | tr -d '\n')" >>"$matrix"
    fi
  fi
  restore
done

counted=$((killed + survived))
echo
echo "mutate: $((killed + survived + invalid + equivalent)) mutants in $(($(date +%s) - started)) s:" \
  "$killed killed, $survived survived, $equivalent equivalent, $invalid invalid"
if [[ $counted -gt 0 ]]; then
  echo "mutate: score $killed/$counted = $((killed * 100 / counted))% of the non-equivalent mutants killed"
fi
if [[ ${#survivors[@]} -gt 0 ]]; then
  echo "mutate: survivors:"
  printf '  %s\n' "${survivors[@]}"
fi
