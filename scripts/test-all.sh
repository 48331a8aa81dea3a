#!/usr/bin/env bash
# Builds every preset and runs its tests: natively for linux, with the
# sanitizers for linux-asan, under Wine for the Windows presets, and each
# fuzzing harness for a bounded time for linux-fuzz; then the static checks
# (scripts/lint.sh). Exits non-zero when anything fails. Presets may be named
# as arguments to run only those (and no static checks).
set -uo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
lint=0
if [ ${#presets[@]} -eq 0 ]; then
  presets=(linux linux-asan windows-x86 windows-x64 linux-fuzz)
  lint=1
fi

failed=()
times=()
for preset in "${presets[@]}"; do
  echo "=== $preset"
  started=$SECONDS
  if cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" &&
     ctest --preset "$preset"; then
    :
  else
    failed+=("$preset")
  fi
  times+=("$(printf '%-12s %5d s' "$preset" $((SECONDS - started)))")
  if [ "$preset" = linux-fuzz ]; then
    # How far each harness got, for the record.
    grep -h -E '^fuzz_[a-z_]+: [0-9]+ runs' build/linux-fuzz/Testing/Temporary/LastTest.log
  fi
done
if [ $lint -eq 1 ]; then
  echo "=== static checks"
  started=$SECONDS
  bash scripts/lint.sh || failed+=(lint)
  times+=("$(printf '%-12s %5d s' "lint" $((SECONDS - started)))")
fi

echo "=== wall time of each stage"
printf '%s\n' "${times[@]}"

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all passed: ${presets[*]}$([ $lint -eq 1 ] && echo ', static checks')"
