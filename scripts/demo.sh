#!/usr/bin/env bash
# Installs what Valtyp needs, builds it and shows it at work: catalogue
# records run through the same processing an acquisition uses.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVALTYP_BUILD_TESTS=OFF -DVALTYP_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
cli="$build/bin/valtyp-cli"

echo
echo "== Sample records of every instrument through its extraction =="
"$cli" samples | tail -n 5
echo
echo "== An A&D balance's records, rounded to one decimal, shown with a comma =="
printf 'ST, +00012.34 kg\r\nUS, -00012,45 g\r\nST, +00000101 PC\r\nOL, 12345,67 kg\r\n' |
  "$cli" extract --instrument AND --set decimalPlaces=1 --set decimalSeparator=COMMA
