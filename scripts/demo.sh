#!/usr/bin/env bash
# Installs what Valtyp needs, builds it and shows it at work: a simulated
# Kern MPS balance on a pseudo-terminal sends a weighing every 1.5 seconds,
# and valtyp, started on the simulator's port, types each weight into the
# application that has the keyboard focus. The demo's settings live in
# build/demo-config, apart from your own. Needs a desktop (X11) session.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVALTYP_BUILD_TESTS=OFF -DVALTYP_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)" --target valtyp valtyp-cli

# Everything is built; the rest needs a desktop to show the window and type into.
if [ -z "${DISPLAY:-}" ]; then
  echo "The demo opens a window and types into other windows: run it in a desktop session (DISPLAY is not set)." >&2
  exit 1
fi

config="$PWD/build/demo-config"
mkdir -p "$config/Belmaro"
# The balance's line settings, Enter after each value, started by hand.
cat > "$config/Belmaro/Valtyp.conf" <<'SETTINGS'
[com]
belmaro\Valtyp\instrument=KERN_MPS
belmaro\Valtyp\bitRate=7
belmaro\Valtyp\dataBits=3
belmaro\Valtyp\stopBits=0
belmaro\Valtyp\parity=0
belmaro\Valtyp\inputTerminator=10
belmaro\Valtyp\outputTerminator=ENTER
belmaro\Valtyp\connect=MANUAL
belmaro\Valtyp\minimizeToTray=false
belmaro\Valtyp\checkForUpdates=false
SETTINGS

simulator_out="$PWD/build/demo-simulator.out"
sim_pid=""
valtyp_pid=""
finish() {
  # valtyp closes like its window on SIGTERM: it saves its settings and ends.
  if [ -n "$valtyp_pid" ] && kill -0 "$valtyp_pid" 2>/dev/null; then
    kill -TERM "$valtyp_pid" 2>/dev/null || true
    wait "$valtyp_pid" 2>/dev/null || true
  fi
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap finish EXIT
trap 'exit 130' INT TERM

"$build/bin/valtyp-cli" simulate --instrument KERN_MPS --interval 1500 >"$simulator_out" 2>/dev/null &
sim_pid=$!
port=""
for _ in $(seq 1 50); do
  port=$(head -n 1 "$simulator_out" 2>/dev/null || true)
  [ -n "$port" ] && break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "The instrument simulator did not start." >&2
  exit 1
fi

XDG_CONFIG_HOME="$config" "$build/bin/valtyp" "$port" >/dev/null &
valtyp_pid=$!

cat <<INSTRUCTIONS

== Valtyp is running on the simulated balance at $port ==

  1. In the Valtyp window, press Start.
  2. Click into any text field: an editor, a spreadsheet, a terminal.
  3. Watch the readings arrive there, one per line, every 1.5 seconds.
     The Event log tab shows each record with the typed value in blue.

Press Stop in Valtyp to stop typing. Close the window or press Ctrl+C here to end the demo.
INSTRUCTIONS

wait "$valtyp_pid" || true
valtyp_pid=""
echo "Valtyp closed; the simulator stops too."
