#!/usr/bin/env bash
# The Debian package as an operator gets it: lintian finds no errors, the menu
# entries and the metadata validate, the files lie where contents.txt says;
# installed with dpkg -i, the programs work from /usr/bin with no variables
# set, the manual pages render without warnings, valtyp shows its window with
# the themed icon on an X server, and dpkg -r takes every file away again.
# Installs into this machine (as root) and removes the package at the end,
# also when a check fails.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
deb=$(realpath "$1")

passed=0
failed=0
check() {  # check NAME COMMAND...: runs the command, counts and reports it
  local name=$1
  shift
  local output
  if output=$("$@" 2>&1); then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
    [ -n "$output" ] && sed 's/^/     /' <<<"$output"
  fi
}

work=$(mktemp -d)
valtyp_pid=
xvfb_pid=
cleanup() {
  [ -n "$valtyp_pid" ] && kill "$valtyp_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if dpkg-query -W -f='${Status}' valtyp 2>/dev/null | grep -q 'install ok'; then
    dpkg --purge valtyp >/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

if [ "$(id -u)" -ne 0 ]; then
  echo "installing the package needs root"
  exit 1
fi
if dpkg-query -W -f='${Status}' valtyp 2>/dev/null | grep -q 'install ok'; then
  echo "a valtyp package is installed already; remove it first (dpkg -r valtyp)"
  exit 1
fi

# --- the package file -------------------------------------------------------
lintian_clean() {
  lintian --fail-on error --tag-display-limit 0 --display-info "$deb" >"$work/lintian.txt" 2>&1
  local status=$?
  cat "$work/lintian.txt"
  [ "$status" -eq 0 ] && ! grep -q '^E: ' "$work/lintian.txt"
}
check "lintian: no errors" lintian_clean
grep '^[WI]: ' "$work/lintian.txt" | sed 's/^/     /'

dpkg-deb -x "$deb" "$work/root"
check "desktop entries validate" \
  desktop-file-validate "$work"/root/usr/share/applications/*.desktop
check "AppStream metadata validates" \
  appstreamcli validate --no-net "$work/root/usr/share/metainfo/com.belmaro.Valtyp.metainfo.xml"

contents_match() {
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | LC_ALL=C sort \
    | diff -u "$here/contents.txt" -
}
check "contents list" contents_match

depends_right() {
  local depends recommends
  depends=$(dpkg-deb -f "$deb" Depends)
  recommends=$(dpkg-deb -f "$deb" Recommends)
  echo "Depends: $depends"
  echo "Recommends: $recommends"
  # computed from the binaries: Qt, the udev library of the driver, the C library
  grep -q 'libqt6widgets6' <<<"$depends" && grep -q 'libudev1' <<<"$depends" \
    && grep -q 'libc6' <<<"$depends" && grep -q 'timgm6mb-soundfont' <<<"$recommends"
}
check "dependencies from the binaries, sound font recommended" depends_right

# --- installed --------------------------------------------------------------
if ! dpkg -i "$deb" >"$work/dpkg-i.txt" 2>&1; then
  cat "$work/dpkg-i.txt"
  echo "dpkg -i failed"
  exit 1
fi
dpkg -L valtyp | while read -r path; do [ -d "$path" ] || echo "$path"; done >"$work/installed.txt"

hub_folder() {
  [ "$(stat -c %a /var/lib/Belmaro/ValtypHUB)" = 777 ]
}
check "postinst created the HUB folder" hub_folder

# No variables at all: the programs must find their driver by themselves.
bare() { env -i "$@"; }
version_answers() {
  local version
  version=$(dpkg-deb -f "$deb" Version)
  [ "$(bare /usr/bin/valtyp-cli --version)" = "valtyp-cli (Valtyp) $version" ] \
    && [ "$(bare /usr/bin/valtyp --version)" = "valtyp (Valtyp) $version" ]
}
check "valtyp-cli --version, valtyp --version" version_answers
help_answers() {
  bare /usr/bin/valtyp-cli --help | grep -q '^Usage: valtyp-cli COMMAND' \
    && bare /usr/bin/valtyp --help | grep -q '^Usage: valtyp \[OPTION\]... \[PORT\]'
}
check "valtyp-cli --help, valtyp --help" help_answers
samples_pass() {
  bare /usr/bin/valtyp-cli samples >"$work/samples.txt" && tail -n1 "$work/samples.txt" | grep -qx '0 failed'
}
check "valtyp-cli samples" samples_pass
ports_listed() {
  # Exit status 2 would mean the serial driver was not found.
  bare /usr/bin/valtyp-cli ports --verbose >"$work/ports.txt" 2>&1 \
    && grep -q 'SerialPort class loaded: valtypserial-posix' "$work/ports.txt"
}
check "valtyp-cli ports (driver from /usr/lib/x86_64-linux-gnu/valtyp)" ports_listed

manual_clean() {
  local page=$1 warnings text
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$warnings"; return 1; }
  text=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
  for section in NAME SYNOPSIS ENVIRONMENT FILES "EXIT STATUS"; do
    grep -q "^$section" <<<"$text" || { echo "no section $section"; return 1; }
  done
}
check "man valtyp renders without warnings" manual_clean /usr/share/man/man1/valtyp.1.gz
check "man valtyp-cli renders without warnings" manual_clean /usr/share/man/man1/valtyp-cli.1.gz
commands_documented() {
  # Every command the program's usage lists has its entry in the manual page.
  local text commands missing=0
  text=$(MANWIDTH=80 man -l /usr/share/man/man1/valtyp-cli.1.gz 2>/dev/null)
  commands=$(bare /usr/bin/valtyp-cli 2>&1 | awk '/^  [a-z]/ { print $1 }')
  [ -n "$commands" ] || return 1
  for c in $commands; do
    grep -Eq "^ {7}$c( |$)" <<<"$text" || { echo "not in the manual page: $c"; missing=1; }
  done
  return $missing
}
check "every valtyp-cli command in its manual page" commands_documented

# valtyp on its own X server, from the menu entry's command line.
for n in $(seq 130 160); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  display=":$n"
  break
done
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
mkdir -p "$work/home"
env -i DISPLAY="$display" HOME="$work/home" /usr/bin/valtyp /dev/ttyS0 >"$work/valtyp.txt" 2>&1 &
valtyp_pid=$!
window=
for _ in $(seq 1 100); do
  window=$(xwininfo -display "$display" -root -tree 2>/dev/null \
    | awk '/"Belmaro Valtyp"/ { print $1; exit }')
  [ -n "$window" ] && xprop -display "$display" -id "$window" _NET_WM_ICON 2>/dev/null \
    | grep -q 'Icon (' && break
  sleep 0.1
done
window_shown() {
  [ -n "$window" ] || { cat "$work/valtyp.txt"; return 1; }
  xwininfo -display "$display" -id "$window" | grep -q 'Map State: IsViewable'
}
check "valtyp shows its window on Xvfb" window_shown
themed_icon() {
  # The built-in icon has 16 to 32 pixels; the themed one all the theme's sizes.
  local sizes
  sizes=$(xprop -display "$display" -len 100000000 -id "$window" _NET_WM_ICON \
    | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u)
  echo "$sizes"
  grep -q 'Icon (48 x 48)' <<<"$sizes" && grep -q 'Icon (256 x 256)' <<<"$sizes"
}
check "the window has the themed icon" themed_icon
# SIGTERM closes the window as its close box does.
kill -TERM "$valtyp_pid"
wait "$valtyp_pid"
valtyp_status=$?
valtyp_pid=
closes_cleanly() {
  [ "$valtyp_status" -eq 0 ] || { echo "exit status $valtyp_status"; cat "$work/valtyp.txt"; return 1; }
}
check "valtyp closes with status 0" closes_cleanly

# --- removed ----------------------------------------------------------------
dpkg -r valtyp >/dev/null
all_gone() {
  local left=0
  while read -r path; do
    [ -e "$path" ] || [ -L "$path" ] && { echo "left behind: $path"; left=1; }
  done <"$work/installed.txt"
  [ -s "$work/installed.txt" ] && [ "$left" -eq 0 ]
}
check "dpkg -r removes every file it installed" all_gone
dpkg --purge valtyp >/dev/null

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
