#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, as root. With the
# argument "linux", only what the native build needs; otherwise also the
# mingw-w64 cross compilers and Wine for the Windows builds, and Debian's
# curl source package in build/curl-source/, from which the Windows builds
# make their static libcurl. Does nothing when everything is there already.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ googletest libgtest-dev pkg-config libgmime-3.0-dev clang
  libclang-rt-14-dev clang-tidy cppcheck clang-format libcurl4-openssl-dev python3-aiosmtpd
  openssl nlohmann-json3-dev libssl-dev python3-cryptography)
windows=0
if [ "${1:-all}" != linux ]; then
  windows=1
  packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386
    dpkg-dev)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

export DEBIAN_FRONTEND=noninteractive
updated=0
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
    dpkg --add-architecture i386
  fi
  apt-get update -q
  updated=1
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

[ $windows -eq 1 ] || exit 0
[ -f build/curl-source/CMakeLists.txt ] && exit 0

# Source packages: the machine's own Debian entries again, as deb-src, in a
# file of ours. Whatever mirror the machine uses is the one copied.
sources=/etc/apt/sources.list.d/j6mailer-deb-src.sources
if [ ! -f "$sources" ] && [ ! -f "${sources%.sources}.list" ]; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$sources.tmp"
  elif [ -f /etc/apt/sources.list ]; then
    # Old-style lines become one-line entries of a .list file instead.
    sources=/etc/apt/sources.list.d/j6mailer-deb-src.list
    sed -n -E 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$sources.tmp"
  else
    echo "install-deps.sh: no Debian sources entry to copy for deb-src" >&2
    exit 1
  fi
  mv "$sources.tmp" "$sources"
  updated=0
fi
[ $updated -eq 1 ] || apt-get update -q

rm -rf build/curl-source.tmp
mkdir -p build/curl-source.tmp
(cd build/curl-source.tmp && apt-get source -q curl)
# apt-get source unpacks into curl-<version>/ beside the downloaded files.
unpacked=$(find build/curl-source.tmp -mindepth 1 -maxdepth 1 -type d -name 'curl-*' | head -n 1)
if [ -z "$unpacked" ] || [ ! -f "$unpacked/CMakeLists.txt" ]; then
  echo "install-deps.sh: apt-get source curl gave no source tree" >&2
  exit 1
fi
rm -rf build/curl-source
mv "$unpacked" build/curl-source
rm -rf build/curl-source.tmp
