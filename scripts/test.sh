#!/usr/bin/env bash
# Installs what the project needs, builds every target with the sanitizers
# and runs the whole test suite. Starts its own X server for the typing tests.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# Compiled objects are shared between checkouts at different paths.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

build=build/test
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVALTYP_SANITIZE=ON -DVALTYP_WERROR=ON
cmake --build "$build" -j"$(nproc)"

# shellcheck source=scripts/xvfb.sh
source scripts/xvfb.sh
start_xvfb
# The programs under test type into X windows, even when run from a Wayland desktop.
export VALTYP_KEYS=x11

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
# LeakSanitizer's own tracer now and then crashes ("Tracer caught signal 11")
# while a Qt test process exits, after every test in it passed. A suite gets a
# second and third try so that this alone does not fail the run; a real leak
# or a failing test fails every try.
linux_status=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --repeat until-pass:3 "$@" ||
  linux_status=$?

# The Windows build of the parts without Qt, its tests under Wine on this X server.
windows_status=0
scripts/windows-tests.sh || windows_status=$?
[ "$linux_status" -eq 0 ] && [ "$windows_status" -eq 0 ]
