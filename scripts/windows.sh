#!/usr/bin/env bash
# Builds Valtyp for Windows on a Debian 12 machine: installs the MinGW-w64 cross compiler, Wine and
# NSIS, builds (or reuses) the Windows libraries in ~/.cache/valtyp, cross-builds the programs into
# build/windows/install/ with every DLL and plug-in they load, and packs build/windows/valtyp-setup.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
prefix=${VALTYP_MINGW_PREFIX:-$HOME/.cache/valtyp/qt-6.4.2-mingw}
build=build/windows

timed() {
  local name=$1 start=$SECONDS
  shift
  "$@"
  printf '== %s: %d s\n' "$name" $((SECONDS - start))
}

packages() {
  local wanted=(g++-mingw-w64-x86-64-posix wine wine64 nsis fonts-wine dpkg-dev m4 python3
                cmake ninja-build ccache qt6-base-dev-tools) missing=() p
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

program() {
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DVALTYP_MINGW_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DVALTYP_BUILD_TESTS=OFF -DVALTYP_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)"
  rm -rf "$build/install"
  cmake --install "$build" --prefix "$build/install" --component programs --strip >/dev/null
}

installer() {
  scripts/make-installer.sh "$build/install" "$build/valtyp-setup.exe"
}

total=$SECONDS
timed "packages" packages
timed "Windows libraries (Qt, GMP, PCRE2)" scripts/windows-libs.sh "$prefix"
timed "programs" program
timed "installer" installer
printf '== all: %d s\n' $((SECONDS - total))
printf 'programs: %s/install/\ninstaller: %s/valtyp-setup.exe (%s)\n' "$build" "$build" \
  "$(du -h "$build/valtyp-setup.exe" | cut -f1)"
