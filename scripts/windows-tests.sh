#!/usr/bin/env bash
# Cross-builds Valtyp for 64-bit Windows with Debian's MinGW-w64 compilers and runs its tests
# under Wine, in a Wine prefix made for this run. The parts without Qt are always built and
# tested; the programs and their installer too when Qt for Windows is in its cache folder
# (scripts/windows.sh builds it once). Called at the end of scripts/test.sh; runs on its own as
# well. Ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++-mingw-w64-x86-64-posix wine wine64 googletest python3 cmake ninja-build ccache
  xvfb x11-utils)
# setxkbmap: the typing tests set the X server's layout, which Wine takes as the keyboard's.
packages+=(x11-xkb-utils)
# The installer test packs the installer, as scripts/windows.sh does.
packages+=(nsis)
# The fonts Windows programs draw their text with under Wine.
packages+=(fonts-wine)
# The update check test's HTTPS server makes its certificate.
packages+=(openssl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

# Compiled objects are shared between checkouts at different paths.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
build=build/windows-tests
prefix=${VALTYP_MINGW_PREFIX:-$HOME/.cache/valtyp/qt-6.4.2-mingw}
with_qt=()
if [ -f "$prefix/.built-qtbase" ]; then
  with_qt=(-DVALTYP_MINGW_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix")
  echo "Qt for Windows found in $prefix: the programs and the installer are built and tested too."
else
  echo "SKIPPED: the Windows programs and their installer are not built or tested:" \
    "Qt for Windows is missing from $prefix (scripts/windows.sh builds it, once per machine)."
  # A build folder configured with Qt before would still find it through its cache.
  rm -f "$build/CMakeCache.txt"
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVALTYP_WERROR=ON -DVALTYP_BUILD_BENCH=OFF "${with_qt[@]}"
cmake --build "$build" -j"$(nproc)"

# shellcheck source=scripts/xvfb.sh
source scripts/xvfb.sh
start_xvfb

run=$(mktemp -d "${TMPDIR:-/tmp}/valtyp-windows-tests.XXXXXX")
export WINEPREFIX="$run/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
helper_pid=""
finish() {
  local status=$?
  [ -n "$helper_pid" ] && kill "$helper_pid" 2>/dev/null
  # Wine's helper processes hold on to whatever output they inherited until the server ends.
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${VALTYP_XVFB_PID:-}" ] && kill "$VALTYP_XVFB_PID" 2>/dev/null
  rm -rf "$run"
  exit "$status"
}
trap finish EXIT

# The server first, its output in a file: a server that took a pseudo-terminal as its
# controlling terminal writes a great deal when that terminal closes.
# Every wine command's output goes to a file too: the services the first one starts inherit it.
mkdir -p "$WINEPREFIX"
wineserver -p >"$run/wineserver.log" 2>&1 </dev/null &
wine wineboot.exe --init >"$run/wineboot.log" 2>&1 </dev/null
# Wine draws with its own fonts from its data folder only where a program asks for them by
# file; Qt lists the fonts folder of Windows, so they go there as an installed Windows has them.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# COM7 is a Linux pseudo-terminal, reached through a link the helper below points at each
# test's new terminal. Declared as a port, it is in the SERIALCOMM map as on Windows; Wine's
# device manager reads the declaration when the server starts, so the server starts again.
wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$run/com7" /f >"$run/reg.log" 2>&1 </dev/null
wineserver -k >/dev/null 2>&1 || true
wineserver -p >>"$run/wineserver.log" 2>&1 </dev/null &
wine wineboot.exe >>"$run/wineboot.log" 2>&1 </dev/null

# The Linux side of the COM ports the serial tests open.
python3 tests/win32/pty_helper.py --links "$run" \
  --port-file "$run/helper-port" >"$run/helper.log" 2>&1 </dev/null &
helper_pid=$!
for _ in $(seq 1 50); do
  [ -s "$run/helper-port" ] && break
  sleep 0.1
done
[ -s "$run/helper-port" ] || { echo "the pseudo-terminal helper did not start" >&2; exit 1; }
export VALTYP_PTY_HELPER
VALTYP_PTY_HELPER=$(cat "$run/helper-port")

status=0
ctest --test-dir "$build" --output-on-failure "$@" || status=$?
if [ ${#with_qt[@]} -eq 0 ]; then
  echo "SKIPPED: the Windows programs and their installer were not tested (no Qt for Windows in $prefix)."
fi
exit "$status"
