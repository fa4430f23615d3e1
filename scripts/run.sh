#!/usr/bin/env bash
# The main job of the system, on this machine alone: a reservation host played by the host
# simulator (quilhost) on loopback ports chosen at run time, veka tying two devices to it over
# the QUILSP provider (a File device writing one file per message, and a named pipe device
# read by a pipe client), and a short script of host messages: unprotected, a reset,
# protected, one message in two segments, and a change-change that moves the file device to a
# second host. Prints the devices' status lines, where the output went and the
# acknowledgements the hosts received; exits non-zero when a message was not delivered or not
# acknowledged.
#
#   scripts/run.sh [--keep] [--bin DIR]
#     --keep     leave veka, the hosts and the pipe client running to try things by hand
#     --bin DIR  use the programs already built in DIR (such as build/ci/bin) instead of
#                building the release preset
# The demo machine root is build/<preset>/demo, or the one TREVO_HOME names.
set -euo pipefail
cd "$(dirname "$0")/.."

keep=0
bin=""
while [ $# -gt 0 ]; do
  case "$1" in
    --keep) keep=1 ;;
    --bin) bin=${2:?--bin needs a folder}; shift ;;
    *) echo "usage: scripts/run.sh [--keep] [--bin DIR]" >&2; exit 2 ;;
  esac
  shift
done

. scripts/road.sh
build_programs
make_root "$(dirname "$bin")/demo"
trap stop_all EXIT

# The host scripts. Each waits for its device's session, then sends and waits for every
# acknowledgement before going on.
cat >"$out/host-a.qhs" <<'EOF'
# Device 01, a File device writing each message into a file of its own. Its first
# acknowledgement is the status it reports when its session begins.
wait session 1 60000
wait acks 1 30000
send 1 "CR" 4E
wait acks 2 30000
send 1 "BA" "A PROTECTED MESSAGE" 4E
wait acks 3 30000
# One message in two segments, each acknowledged before the next goes.
send 1 "AB" "ONE MESSAGE IN TWO SEGMENTS, THE FIRST " 6D
wait acks 4 30000
send 1 "BC" "AND THE LAST" 4E
wait acks 5 30000
# Change-change: the device moves to the second host (host-c) and goes on there.
send 1 "CS" 4E
EOF
cat >"$out/host-c.qhs" <<'EOF'
# The second host of Device 01's route, reached by the change-change.
wait session 1 90000
wait acks 1 30000
send 1 "BD" "A MESSAGE FROM THE SECOND HOST" 4E
wait acks 2 30000
EOF
cat >"$out/host-b.qhs" <<'EOF'
# Device 02, a named pipe device read by the pipe client.
wait session 1 60000
wait acks 1 30000
send 1 "CR" 4E
wait acks 2 30000
send 1 "BA" "A MESSAGE FOR THE PIPE CLIENT" 4E
wait acks 3 30000
send 1 "BB" "AND ONE MORE" 4E
wait acks 4 30000
# Protected mode off ("CE"), then an unprotected message, which nothing acknowledges. (It
# comes last: the acknowledgement a device sends after a write describes the last message it
# was given, so a message written after an unprotected one would be acknowledged early.)
send 1 "CE" 4E
wait acks 5 30000
send 1 "DA" "AN UNPROTECTED NOTICE" 4E
EOF

start_host host-a 127.0.0.1 0
port_a=$host_port
start_host host-c 127.0.0.2 "$port_a"
port_c=$host_port
start_host host-b 127.0.0.1 0
port_b=$host_port

# The configuration store: the provider, one route and session per device, and the devices.
{
  store_header
  store_route PRN1 "Device 01" "$port_a" 1A2B01 127.0.0.2/
  store_route PRN2 "Device 02" "$port_b" 1A2B02
  store_file_device "Device 01" PRN1 MSG
  store_pipe_device "Device 02" PRN2 DEMOPIPE
} >"$root/registry/HKEY_LOCAL_MACHINE.reg"
"$bin/registrar" BRXAPI >/dev/null

setsid "$bin/pipereader" DEMOPIPE >"$out/pipe.log" 2>&1 &
pids+=($!)
start_veka
echo "veka runs ($([ -n "${DISPLAY:-}" ] && echo "windowed on $DISPLAY" || echo headless))," \
  "machine root $root"
echo "hosts: 127.0.0.1:$port_a (Device 01), 127.0.0.2:$port_a (its second host)," \
  "127.0.0.1:$port_b (Device 02)"

# Each host's script ends (or fails) on its own.
failed=0
for host in host-c host-b host-a; do
  wait_for "$out/$host.log" 'script ended \((ok|failed)\)' 180 || true
  grep -q 'script ended (ok)' "$out/$host.log" || failed=1
done
# The unprotected message has no acknowledgement to wait for: its output is waited for.
wait_for "$out/pipe.log" "AN UNPROTECTED NOTICE" 30 || true

echo
echo "== Status lines (as the main view shows them)"
grep -E '^Device 0' "$out/veka.log" | awk -F ' [|] ' '{last[$1]=$0} END {for (d in last) print last[d]}' | sort
echo
echo "== Delivered"
for f in "$root"/drive_c/OUT/*; do
  [ -e "$f" ] || continue
  printf '%s: %s\n' "${f#"$root"/}" "$(tr -d '\r' <"$f" | tr '\n' ' ')"
done
grep -E '^DEMOPIPE: ' "$out/pipe.log" | sed 's/^/named pipe /' || true
echo
echo "== Acknowledgements the hosts received"
for host in host-a host-c host-b; do
  grep -hE 'ack tsn=' "$out/$host.log" | sed "s/^/$host /" || true
done
for host in host-a host-c host-b; do
  if grep -q '^quilhost: ' "$out/$host.log"; then
    failed=1
    grep -h '^quilhost: ' "$out/$host.log" | sed "s/^/$host: /"
  fi
done

# What had to arrive.
expect() {
  grep -rqF -- "$2" "$1" 2>/dev/null || { echo "NOT DELIVERED: \"$2\""; failed=1; }
}
expect "$root/drive_c/OUT" "A PROTECTED MESSAGE"
expect "$root/drive_c/OUT" "ONE MESSAGE IN TWO SEGMENTS, THE FIRST AND THE LAST"
expect "$root/drive_c/OUT" "A MESSAGE FROM THE SECOND HOST"
expect "$out/pipe.log" "A MESSAGE FOR THE PIPE CLIENT"
expect "$out/pipe.log" "AND ONE MORE"
expect "$out/pipe.log" "AN UNPROTECTED NOTICE"

echo
if [ "$keep" -eq 1 ]; then
  trap - EXIT
  echo "Still running (process ids ${pids[*]}); the trace log is $root/log/veka.log."
  echo "More host messages (Device 01 is on its second host now):"
  echo "  echo 'send 1 \"BE\" \"HELLO\" 4E' >$out/host-c.in"
  echo "Stop everything: kill ${pids[*]}"
else
  stop_all
  trap - EXIT
fi
if [ "$failed" -ne 0 ]; then
  echo "The demo FAILED: see $out and $root/log/veka.log"
  exit 1
fi
echo "Every message was delivered and acknowledged."
