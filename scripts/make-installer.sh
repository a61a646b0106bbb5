#!/usr/bin/env bash
# Packs a Windows program folder (cmake --install … --component programs) into the installer
# with Debian's makensis. Usage: make-installer.sh <program folder> <setup.exe>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source_dir=$(cd "$1" && pwd)
outfile=$(realpath -m "$2")
version=$(sed -n 's/^project(Valtyp VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
size_kb=$(du -sk "$source_dir" | cut -f1)

# The uninstaller removes exactly what was installed: the folder chosen may hold other files.
file_list=$(mktemp "${TMPDIR:-/tmp}/valtyp-installed.XXXXXX.nsh")
trap 'rm -f "$file_list"' EXIT
(
  cd "$source_dir"
  find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'
  find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|'
) >"$file_list"

makensis -V2 -DVERSION="$version" -DSOURCE="$source_dir" -DSIZE_KB="$size_kb" \
  -DINSTALLED_FILES="$file_list" -DOUTFILE="$outfile" "$root/resources/windows/valtyp.nsi"
