#!/usr/bin/env bash
# Builds Release and the Debian package build/package/valtyp_<version>_amd64.deb.
# Install it with: sudo apt install ./build/package/valtyp_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# Compiled objects are shared between checkouts at different paths.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
# Debian's hardening flags (stack protector, fortified functions, full RELRO);
# no debugging information, since the package ships stripped programs.
export DEB_BUILD_MAINT_OPTIONS="hardening=+bindnow"
export DEB_CFLAGS_MAINT_STRIP="-g" DEB_CXXFLAGS_MAINT_STRIP="-g"
eval "$(dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"

out=build/package
build=$out/release
rm -f "$out"/valtyp_*.deb
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVALTYP_BUILD_TESTS=OFF -DVALTYP_BUILD_BENCH=OFF -DVALTYP_DESKTOP_FILES=ON
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB)

deb=$(basename "$build"/valtyp_*.deb)
mv -f "$build/$deb" "$out/$deb"
echo "$out/$deb"
