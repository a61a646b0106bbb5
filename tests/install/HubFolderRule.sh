#!/bin/sh
# cmake --install puts the HUB edition's folder rule where systemd-tmpfiles reads
# it, and the rule makes a shared settings folder every user can write, without
# the sticky bit (a save renames a new copy over another user's file).
set -eu
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage/usr" --component hub >/dev/null
rule="$stage/usr/lib/tmpfiles.d/valtyp-hub.conf"
if [ ! -f "$rule" ]; then
  echo "cmake --install did not install $rule"
  echo "0 passed, 1 failed"
  exit 1
fi
if ! command -v systemd-tmpfiles >/dev/null; then
  echo "systemd-tmpfiles is not installed; the rule was not applied"
  exit 77
fi
systemd-tmpfiles --root="$stage/root" --create "$rule"
mode=$(stat -c %a "$stage/root/var/lib/Belmaro/ValtypHUB")
if [ "$mode" != 777 ]; then
  echo "the shared folder has mode $mode, not 777"
  echo "0 passed, 1 failed"
  exit 1
fi
echo "1 passed, 0 failed"
