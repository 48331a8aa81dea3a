#!/usr/bin/env bash
# Checks formatting (clang-format), then runs clang-tidy over every source but
# the tests': the Linux build's, the fuzzing harnesses' (linux-fuzz) and the
# Windows sources (the windows-x86 build's commands, read by clang for the
# mingw target with mingw's headers); then cppcheck over the same. The files
# are checked side by side, one per core. Quiet when all is well.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
mapfile -t sources < <(git ls-files '*.cpp' '*.h')

clang-format --dry-run --Werror "${sources[@]}" || status=1

# test-all.sh configures every preset before it starts this beside the builds
# (J6_LINT_CONFIGURED=1): configuring again would rewrite the compile commands
# while a build reads them.
if [ "${J6_LINT_CONFIGURED:-0}" != 1 ]; then
  for preset in linux linux-fuzz windows-x86; do
    cmake --preset "$preset" >/dev/null || exit 1
  done
fi

# clang reads the mingw build's commands as for its own target; the C++
# headers are the mingw compiler's. Two things the mingw compiler takes and
# clang warns of stay allowed: a COM method of mingw's headers overridden
# without the throw() its declaration carries, and a test MAPI32 that exports the
# functions those headers declare.
mingw_args=(--extra-arg-before=--target=i686-w64-mingw32 --extra-arg-before=-nostdinc++
  --extra-arg=-Wno-microsoft-exception-spec --extra-arg=-Wno-dll-attribute-on-redeclaration)
while read -r folder; do
  mingw_args+=("--extra-arg-before=-isystem$folder")
done < <(echo | i686-w64-mingw32-g++-posix -E -x c++ - -v 2>&1 |
  sed -n '/#include <...> search starts here/,/End of search list/p' | grep '^ /.*c++')

tidy() {
  local build=$1 file=$2
  local args=()
  [ "$build" = build/windows-x86 ] && args=("${mingw_args[@]}")
  # clang-tidy fails when it finds something; its findings are what counts.
  local findings
  findings=$(clang-tidy -p "$build" --quiet "${args[@]}" "$file" 2>/dev/null |
    grep -E ': (warning|error):')
  if [ -n "$findings" ]; then
    echo "$findings"
    return 1
  fi
}
export -f tidy
export mingw_args_text="${mingw_args[*]}"

# Largest first, so that the last files to finish are short ones and no
# core waits long for the other at the end.
mapfile -t by_size < <(for file in "${sources[@]}"; do
  printf '%s %s\n' "$(stat -c %s "$file")" "$file"
done | sort -rn | cut -d' ' -f2-)
jobs=()
for file in "${by_size[@]}"; do
  case $file in
    # The tests are left to the compilers' warnings (-Wall -Wextra -Werror),
    # as cppcheck leaves them: half of clang-tidy's time went to parsing
    # GoogleTest for them.
    *.h | tests/*) continue ;;
    fuzz/*) jobs+=(build/linux-fuzz "$file") ;;
    *_win32.cpp | *_win32_x86.cpp) jobs+=(build/windows-x86 "$file") ;;
    *) jobs+=(build/linux "$file") ;;
  esac
done
printf '%s\n' "${jobs[@]}" |
  xargs -d '\n' -n 2 -P "$(nproc)" bash -c 'read -r -a mingw_args <<<"$mingw_args_text"; tidy "$@"' _ ||
  status=1

# The test files are left to the compilers: without GoogleTest's macro
# definitions cppcheck cannot parse them.
mapfile -t checked < <(git ls-files '*.cpp' | grep -v -E '^tests/(unit|e2e|standins|mapiex)/')
cppcheck --quiet --error-exitcode=1 --enable=warning,performance,portability --language=c++ \
  --std=c++17 --inline-suppr -j "$(nproc)" -I . "${checked[@]}" || status=1

exit $status
