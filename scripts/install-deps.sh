#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, as root. With the
# argument "linux", only what the native build needs; otherwise also the
# mingw-w64 cross compilers and Wine for the Windows builds. Does nothing when
# everything is there already.
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev pkg-config libgmime-3.0-dev clang
  libclang-rt-14-dev clang-tidy cppcheck clang-format)
if [ "${1:-all}" != linux ]; then
  packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
  dpkg --add-architecture i386
fi
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
