#!/usr/bin/env bash
# Builds every preset and runs its tests: natively for linux, with the
# sanitizers for linux-asan, under Wine for the Windows presets, and each
# fuzzing harness for a bounded time for linux-fuzz; then the static checks
# (scripts/lint.sh). Exits non-zero when anything fails. Presets may be named
# as arguments to run only those, one after another (and no static checks).
#
# The whole run overlaps what waits with what computes: the tests under Wine
# spend most of their time waiting on Wine's server, and the fuzzers run for
# a fixed time whatever else runs, so the static checks run beside the
# builds, both Windows builds' tests run beside each other and the next
# build, and the fuzzers, two at a time, beside the tests under Wine. What runs beside tests runs at
# a lower priority, since some tests hold a server to a time limit of a few
# seconds. Each stage's output is printed whole once it ends.
set -uo pipefail
cd "$(dirname "$0")/.."

logs=build/test-all
mkdir -p "$logs"
failed=()
times=()
declare -A started

begin() { started[$1]=$SECONDS; }
finish() {  # stage, its exit status
  times+=("$(printf '%-20s %5d s (from %4d s)' "$1" $((SECONDS - started[$1])) "${started[$1]}")")
  [ "$2" -eq 0 ] || failed+=("$1")
}

# A stage that runs now, its output straight to this log.
now() {  # name, command...
  local name=$1
  shift
  echo "=== $name"
  begin "$name"
  "$@"
  finish "$name" $?
}

# A stage that runs beside the others; `collect` prints it and waits for it.
declare -A pids
beside() {  # name, command...
  local name=$1
  shift
  begin "$name"
  "$@" >"$logs/$name.log" 2>&1 &
  pids[$name]=$!
}
collect() {  # name
  local status=0
  wait "${pids[$1]}" || status=$?
  echo "=== $1"
  cat "$logs/$1.log"
  finish "$1" $status
}

build() { cmake --build --preset "$1"; }
run_tests() { ctest --preset "$1"; }

# Some machines' kernels start no 32-bit program (a sandbox without IA-32
# emulation: "Exec format error", status 126): there Wine's 32-bit loader
# cannot start, so the 32-bit build is built and checked but its tests are not
# run, and the summary says so. Any other failure of Wine stays a failure.
skipped=()
runs_32bit() {
  /lib/ld-linux.so.2 --help >/dev/null 2>&1
  [ $? -ne 126 ]
}
x86_tests() {
  if runs_32bit; then
    run_tests windows-x86
  else
    echo "SKIPPED: this machine's kernel runs no 32-bit program (IA-32 emulation is off)"
  fi
}
if ! runs_32bit && { [ $# -eq 0 ] || [[ " $* " == *" windows-x86 "* ]]; }; then
  skipped+=("windows-x86 tests (the kernel runs no 32-bit program)")
fi

if [ $# -gt 0 ]; then
  for preset in "$@"; do
    now "$preset" bash -c "cmake --preset '$preset' >/dev/null && cmake --build --preset '$preset'"
    if [ "$preset" = windows-x86 ]; then
      now "$preset tests" x86_tests
    else
      now "$preset tests" run_tests "$preset"
    fi
  done
else
  # Configured once, before anything reads the compile commands.
  for preset in linux linux-asan windows-x86 windows-x64 linux-fuzz; do
    cmake --preset "$preset" >/dev/null || failed+=("configure $preset")
  done
  beside lint env J6_LINT_CONFIGURED=1 nice -n 15 bash scripts/lint.sh
  now "linux build" build linux
  now "linux tests" run_tests linux
  now "linux-asan build" build linux-asan
  now "linux-asan tests" run_tests linux-asan
  now "windows-x86 build" build windows-x86
  beside "windows-x86 tests" x86_tests
  now "windows-x64 build" nice -n 5 cmake --build --preset windows-x64
  # Each Windows build has a Wine prefix, a wineserver and a test server of
  # its own, and its tests wait far more than they compute: both run at once.
  beside "windows-x64 tests" run_tests windows-x64
  now "linux-fuzz build" nice -n 5 cmake --build --preset linux-fuzz
  # Each harness runs its fixed time whatever runs beside it: two at once.
  beside "linux-fuzz tests" nice -n 10 ctest --preset linux-fuzz -j 2
  collect "windows-x86 tests"
  collect "windows-x64 tests"
  collect "linux-fuzz tests"
  # How far each harness got, for the record.
  grep -h -E '^fuzz_[a-z_]+: [0-9]+ runs' build/linux-fuzz/Testing/Temporary/LastTest.log
  collect lint
fi

echo "=== wall time of each stage"
printf '%s\n' "${times[@]}"
echo "all stages: $SECONDS s"

[ ${#skipped[@]} -eq 0 ] || echo "SKIPPED: ${skipped[*]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all passed: ${*:-linux linux-asan windows-x86 windows-x64 linux-fuzz, static checks}"
