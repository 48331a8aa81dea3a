#!/usr/bin/env bash
# Builds every preset and runs its tests: natively for linux, under Wine for
# the Windows presets. Exits non-zero when any preset fails to build or test.
set -uo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux windows-x86 windows-x64)

failed=()
for preset in "${presets[@]}"; do
  echo "=== $preset"
  if cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" &&
     ctest --preset "$preset"; then
    :
  else
    failed+=("$preset")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED presets: ${failed[*]}"
  exit 1
fi
echo "all presets passed: ${presets[*]}"
