#!/usr/bin/env bash
# Cross-builds the libraries Valtyp links on Windows (PCRE2, GMP, Qt 6 base) from Debian's own source
# packages of the versions the Linux build uses, with the MinGW-w64 POSIX-threads compilers, into a
# cache folder outside the build tree. Each library is built once and reused while its stamp exists.
# Usage: scripts/windows-libs.sh [prefix]   (default ~/.cache/valtyp/qt-6.4.2-mingw)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:-${VALTYP_MINGW_PREFIX:-$HOME/.cache/valtyp/qt-6.4.2-mingw}}
work=${VALTYP_MINGW_WORK:-$HOME/.cache/valtyp/work}
toolchain=$here/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)
triplet=x86_64-w64-mingw32
mkdir -p "$prefix" "$work"

stage() { printf '== %s\n' "$*"; }
built() { [ -e "$prefix/.built-$1" ]; }
mark() { touch "$prefix/.built-$1"; }

# Debian's source packages, fetched through a private apt state that adds a deb-src entry for the
# archive the machine already uses; the machine's own apt sources stay untouched.
fetch_source() {
  local package=$1 aptdir=$work/apt
  if ! compgen -G "$work/src/$package-[0-9]*/" >/dev/null; then
    if [ ! -d "$aptdir/lists" ]; then
      mkdir -p "$aptdir/lists/partial" "$aptdir/sources"
      local uri
      uri=$(archive_uri)
      cat >"$aptdir/sources/debian-src.sources" <<SRC
Types: deb-src
URIs: $uri
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
      apt-get -qq "${aptopts[@]}" update
    fi
    mkdir -p "$work/src"
    (cd "$work/src" && apt-get -qq "${aptopts[@]}" source "$package" >/dev/null)
  fi
  compgen -G "$work/src/$package-[0-9]*/" | head -n 1
}
aptopts=(-o APT::Sandbox::User=root -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt/sources"
         -o "Dir::State::Lists=$work/apt/lists" -o Dir::State::Status=/var/lib/dpkg/status)

# The Debian archive (not the security one) as configured on this machine.
archive_uri() {
  local uri
  uri=$(grep -h -A3 -E '^Types:.*\bdeb\b' /etc/apt/sources.list.d/*.sources 2>/dev/null |
        sed -n 's/^URIs:[[:space:]]*//p' | grep -v -- '-security' | grep -i debian | head -n 1)
  [ -n "$uri" ] || uri=$(sed -n 's/^deb[[:space:]]\+\([^[:space:]]*debian\)[[:space:]]\+bookworm[[:space:]].*/\1/p' \
                           /etc/apt/sources.list 2>/dev/null | head -n 1)
  [ -n "$uri" ] || { echo "no Debian archive found in the apt sources" >&2; return 1; }
  echo "$uri"
}

build_pcre2() {
  built pcre2 && return 0
  stage "PCRE2 (static, JIT)"
  local src
  src=$(fetch_source pcre2)
  cmake -S "$src" -B "$work/build-pcre2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DPCRE2_SUPPORT_JIT=ON -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF \
    -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF >/dev/null
  cmake --build "$work/build-pcre2" -j"$jobs" >/dev/null
  cmake --install "$work/build-pcre2" >/dev/null
  mark pcre2
}

build_gmp() {
  built gmp && return 0
  stage "GMP with its C++ classes (static)"
  local src
  src=$(fetch_source gmp)
  # Debian's tarball has no doc/ (its Makefile.am no longer descends into it, but the generated
  # Makefile.in still does); neither configure nor make may look for it.
  sed -i 's| doc/Makefile||' "$src/configure"
  sed -i 's|^\(SUBDIRS = .*\) doc$|\1|' "$src/Makefile.in"
  rm -rf "$work/build-gmp" && mkdir -p "$work/build-gmp"
  (cd "$work/build-gmp" &&
    "$src/configure" --host=$triplet --prefix="$prefix" --enable-cxx --enable-static --disable-shared \
      CC=$triplet-gcc-posix CXX=$triplet-g++-posix >/dev/null &&
    make -j"$jobs" >/dev/null && make install >/dev/null)
  mark gmp
}

build_qt() {
  built qtbase && return 0
  stage "Qt $(dpkg-query -W -f='${Version}' qt6-base-dev-tools) base for Windows (about 35-45 min on two cores)"
  local src
  src=$(fetch_source qt6-base)
  # Only what Valtyp uses. The host tools come from qt6-base-dev-tools, whose version must match.
  # direct2d stays on: without it 6.4.2's windows plugin fails to link its DirectWrite font database.
  cmake -S "$src" -B "$work/build-qtbase" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF \
    -DFEATURE_testlib=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_icu=OFF \
    -DFEATURE_glib=OFF -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF -DFEATURE_jpeg=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=ON \
    -DFEATURE_system_pcre2=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_doubleconversion=OFF \
    >"$work/qtbase-configure.log"
  cmake --build "$work/build-qtbase" -j"$jobs" >"$work/qtbase-build.log"
  cmake --install "$work/build-qtbase" >/dev/null
  mark qtbase
}

build_pcre2
build_gmp
build_qt
echo "libraries for Windows in $prefix"
