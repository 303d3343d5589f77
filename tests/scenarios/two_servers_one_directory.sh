#!/bin/sh
# Two servers started from one game directory (on different ports) both find
# kestrin.acfg missing at their first map start and make it at once.  Each
# runs in its own hostsim process, held at two points: after it decided to
# make the file (before its temporary file exists) and while it measures
# (the temporary file made, not yet renamed into place).  Every order of the
# two servers' begin (a, b) and commit (A, B) is run.  Afterwards the file
# must be complete, both servers must have run a complete file, neither may
# report an error, and no temporary file may stay.
#
# Then two servers on one port, bound to different addresses (the engine's
# `ip`; nothing is sent to them), write their metrics into one directory at
# the same time: each must have its own file, told apart by its labels.
#
#   two_servers_one_directory.sh HOSTSIM PLUGIN SOURCE_DIR WORK_DIR [EMULATOR ...]
set -eu
HOSTSIM=$1 PLUGIN=$2 SOURCE=$3 WORK=$4
shift 4
WORK=$WORK/two_servers_one_directory
status=0
fail() { echo "FAIL ($order): $*"; status=1; }

# Waits until the file exists (60 s at most).
await() {
  i=0
  while [ ! -e "$1" ]; do
    i=$((i + 1))
    if [ $i -gt 600 ]; then echo "FAIL ($order): $1 never appeared"; return 1; fi
    sleep 0.1
  done
}

stop() { kill "$pid_a" "$pid_b" 2>/dev/null || true; status=1; }

run_order() {
  order=$1
  shift
  root=$WORK/$order
  rm -rf "$root"
  configs=$root/cstrike/addons/zeq_kestrin/configs
  mkdir -p "$configs" "$root/cstrike/addons/zeq_kestrin/logs" "$root/cstrike/events" "$root/a" "$root/b"
  cp "$SOURCE/fixtures/galil.sc" "$root/cstrike/events/"
  printf 'zeq_kestrin_autoconfig 1\n' > "$configs/kestrin.cfg"
  for server in a b; do
    "$@" "$HOSTSIM" --plugin "$PLUGIN" --root "$root" --hold-dir "$root/$server" \
      --hold "begin:Can't Open AutoConfiguration File. Creating new..." --hold "commit:AutoConfig measured" \
      "map de_dust2" "wait 2" "quit" > "$root/$server.out" 2>&1 &
    eval "pid_$server=\$!"
  done
  # Both have found the file missing.
  await "$root/a/begin.held" && await "$root/b/begin.held" || { stop; return; }
  steps=$order
  while [ -n "$steps" ]; do
    step=${steps%"${steps#?}"}
    steps=${steps#?}
    case $step in
      a|b) touch "$root/$step/begin.go"; await "$root/$step/commit.held" || { stop; return; } ;;
      A) touch "$root/a/commit.go"; wait "$pid_a" || fail "server a ended with $?" ;;
      B) touch "$root/b/commit.go"; wait "$pid_b" || fail "server b ended with $?" ;;
    esac
  done
  if [ "$(grep -c . "$configs/kestrin.acfg" 2>/dev/null)" != 19 ] ||
     [ "$(tail -n 1 "$configs/kestrin.acfg")" != "zeq_kestrin_hpk 0" ]; then
    fail "kestrin.acfg is not complete: $(wc -c < "$configs/kestrin.acfg" 2>/dev/null || echo missing) bytes"
  fi
  for server in a b; do
    grep -q '^> zeq_kestrin_hpk 0' "$root/$server.out" || fail "server $server did not run a complete file"
    # (Without kestrin.ini every map start says "Configuration file not found.")
    if grep -E 'ERROR|WARNING|disk full' "$root/$server.out" | grep -v '] ERROR: Configuration file not found\.$' |
       grep -v "WARNING: Can't Open AutoConfiguration File\. Creating new\.\.\.$" | grep -v '] WARNING: Slow frame '; then
      fail "server $server reported an error"
    fi
  done
  leftovers=$(ls "$configs" | grep -v '^kestrin\.cfg$' | grep -v '^kestrin\.acfg$' || true)
  [ -z "$leftovers" ] || fail "left in the configuration directory: $leftovers"
  [ $status -eq 0 ] || { echo "---- a"; cat "$root/a.out"; echo "---- b"; cat "$root/b.out"; }
}

for order in aAbB abAB abBA baAB baBA bBaA; do
  [ $status -eq 0 ] || break
  run_order "$order" "$@"
done
[ $status -eq 0 ] && echo "ok: every order of the two servers' begin and commit"

order=one-port
root=$WORK/one_port
metrics=$root/cstrike/addons/zeq_kestrin/metrics
rm -rf "$root"
mkdir -p "$root/cstrike/addons/zeq_kestrin/logs"
for address in 10.0.0.1 10.0.0.2; do
  "$@" "$HOSTSIM" --plugin "$PLUGIN" --root "$root" --port 27015 \
    "ip $address" "map de_dust2" "zeq_kestrin_metrics 1" "wait 9" "quit" > "$root/$address.out" 2>&1 &
  eval "pid_$(echo $address | tr . _)=\$!"
done
wait "$pid_10_0_0_1" || fail "server 10.0.0.1 ended with $?"
wait "$pid_10_0_0_2" || fail "server 10.0.0.2 ended with $?"
files=$(ls "$metrics" 2>/dev/null | tr '\n' ' ')
[ "$files" = "zeq_kestrin_10.0.0.1_27015.prom zeq_kestrin_10.0.0.2_27015.prom " ] ||
  fail "the metrics directory holds: $files"
for address in 10.0.0.1 10.0.0.2; do
  grep -q "^zeq_kestrin_players{port=\"27015\",address=\"$address\",game=\"cstrike\"} 0\$" \
    "$metrics/zeq_kestrin_${address}_27015.prom" 2>/dev/null || fail "no labels of $address in its file"
done
[ $status -eq 0 ] && echo "ok: two servers on one port have a metrics file each" ||
  { cat "$root/10.0.0.1.out" "$root/10.0.0.2.out"; }
exit $status
