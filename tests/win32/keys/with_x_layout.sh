#!/bin/sh
# Runs a Windows test program under Wine with the X server's keyboard layout
# set first: Wine reads the key map only when its server starts, so the
# server of the run's prefix is restarted around the test.
# Usage: with_x_layout.sh <setxkbmap arguments...> -- <test.exe> [arguments...]
set -u
layout=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  layout="$layout $1"
  shift
done
shift

restart_wine() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  # Wine's services start with the first program: give them a file for
  # output, or they hold the test's output open after it ends.
  log="${WINEPREFIX:-$HOME/.wine}/valtyp-wineserver.log"
  wineserver -p >>"$log" 2>&1 </dev/null &
  wine wineboot.exe >>"$log" 2>&1 </dev/null
}

# shellcheck disable=SC2086
setxkbmap $layout || exit 1
restart_wine
wine "$@"
status=$?
setxkbmap us
restart_wine
exit $status
