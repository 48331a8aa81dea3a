#!/usr/bin/env bash
# Checks formatting (clang-format), then runs clang-tidy over the Linux build's
# sources and cppcheck over every source. Quiet when all is well.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
mapfile -t sources < <(git ls-files '*.cpp' '*.h')

clang-format --dry-run --Werror "${sources[@]}" || status=1

# The fuzzing harnesses are built by their own preset, with clang.
cmake --preset linux >/dev/null || exit 1
cmake --preset linux-fuzz >/dev/null || exit 1
for file in "${sources[@]}"; do
  case $file in *_win32.cpp | *.h) continue ;; esac
  build=build/linux
  case $file in fuzz/*) build=build/linux-fuzz ;; esac
  # clang-tidy fails when it finds something; its findings are what counts.
  findings=$(clang-tidy -p "$build" --quiet "$file" 2>/dev/null | grep -E ': (warning|error):')
  if [ -n "$findings" ]; then
    echo "$findings"
    status=1
  fi
done

# The test files are left to the compilers: without GoogleTest's macro
# definitions cppcheck cannot parse them.
mapfile -t checked < <(git ls-files '*.cpp' | grep -v -E '^tests/(unit|e2e|standins|mapiex)/')
cppcheck --quiet --error-exitcode=1 --enable=warning,performance,portability --language=c++ \
  --std=c++17 --inline-suppr -I . "${checked[@]}" || status=1

exit $status
