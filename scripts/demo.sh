#!/usr/bin/env bash
# Builds the plugin and the host simulator, then runs the plugin on a sample
# server: first a scripted session in game time (what an operator sees on the
# server console, then the log file), then half a minute in real time in which
# the governor pulls the sample server's frame rate toward zeq_kestrin_autofps
# (a CSV trace and an SVG plot are left in build/demo-server/).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --demo
cmake --preset dev >/dev/null
cmake --build --preset dev --target zk_plugin hostsim zk_stub_game

root=build/demo-server
rm -rf "$root"
mkdir -p "$root/cstrike/addons/zeq_kestrin/configs" "$root/cstrike/addons/zeq_kestrin/logs" "$root/cstrike/events"
cp samples/kestrin.cfg samples/kestrin.ini "$root/cstrike/addons/zeq_kestrin/configs/"
echo "galil" > "$root/cstrike/events/galil.sc"

echo
echo "================ a session in game time ================"
build/dev/hostsim --plugin build/dev/zeq_kestrin_mm.so --root "$root" --script samples/demo.script

echo
echo "================ the log file ================"
cat "$root"/cstrike/addons/zeq_kestrin/logs/*.log

echo
echo "================ 30 seconds in real time, target 300 fps ================"
build/dev/hostsim --plugin build/dev/zeq_kestrin_mm.so --root "$root" --realtime \
  --trace "$root/governor.csv" \
  "map de_dust2" "zeq_kestrin_autofps 300" "wait 30" "zeq_fps" "sys_ticrate" "quit" | grep -E '^"|sys_ticrate|zeq_fps' || true
echo
echo "governor checks (game time, zeq_fps, sys_ticrate, zeq_kestrin_sleepsm):"
cat "$root/governor.csv"
echo
echo "plot: $root/governor.csv.svg"
