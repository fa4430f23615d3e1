#!/usr/bin/env bash
# Soak: sixteen devices (fifteen File devices and a named pipe device) on sixteen QUILSP
# routes, each with a host simulator of its own sending protected messages in steady batches
# for the time given. At the end: no descriptor or thread leaked, every message was written
# once and acknowledged, and (in runs of two minutes or more) veka's resident memory grew by
# at most 1 % after the first minute; a termination signal then ends veka, leaving no
# process, socket or lock file behind.
#
#   scripts/soak.sh [SECONDS] [--bin DIR]      (30 seconds by default; a person runs 3600)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=30
bin=""
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=${2:?--bin needs a folder}; shift ;;
    [0-9]*) seconds=$1 ;;
    *) echo "usage: scripts/soak.sh [SECONDS] [--bin DIR]" >&2; exit 2 ;;
  esac
  shift
done

. scripts/road.sh
build_programs
make_root "$(dirname "$bin")/soak"
trap stop_all EXIT
devices=16
declare -A port
batch=8 # messages a host sends before it waits for their acknowledgements

for n in $(seq -w 1 $devices); do
  cat >"$out/host-$n.qhs" <<'EOF'
wait session 1 60000
wait acks 1 30000
send 1 "CR" 4E
wait acks 2 30000
EOF
  start_host "host-$n" 127.0.0.1 0
  port[$n]=$host_port
done
{
  store_header
  for n in $(seq -w 1 $devices); do
    store_route "PRN$n" "Device $n" "${port[$n]}" "1A2B$n"
    if [ "$n" = "$devices" ]; then
      store_pipe_device "Device $n" "PRN$n" SOAKPIPE
    else
      store_file_device "Device $n" "PRN$n" "D$n" 1
    fi
  done
} >"$root/registry/HKEY_LOCAL_MACHINE.reg"
"$bin/registrar" BRXAPI >/dev/null
setsid "$bin/pipereader" SOAKPIPE >"$out/pipe.log" 2>&1 &
pids+=($!)
start_veka

for n in $(seq -w 1 $devices); do
  wait_for "$out/host-$n.log" 'script ended \((ok|failed)\)' 120 || true
  grep -q 'script ended (ok)' "$out/host-$n.log" || {
    echo "soak: device $n did not begin"
    exit 1
  }
done

acks() { grep -c 'ack tsn=' "$out/host-$1.log" || true; }
wait_for_count() { # device count seconds
  local deadline=$((SECONDS + $3))
  until [ "$(acks "$1")" -ge "$2" ]; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
# The messages in a File device's files go to its list of written messages, and the files
# away: the folder stays small however long the run.
harvest() {
  local files=("$root"/drive_c/OUT/D"$1"*)
  [ -e "${files[0]}" ] || return 0
  cat "${files[@]}" | grep -o "SOAK $1 [0-9]* END" >>"$out/written-$1" || true
  rm -f "${files[@]}"
}
# Steady traffic: a batch of protected messages, their acknowledgements, a pause.
letters=(A B C D E F G H I J K L M N O P)
traffic() { # device end-time
  local n=$1 sent=0 expected i
  expected=$(acks "$n")
  while [ "$SECONDS" -lt "$2" ]; do
    for ((i = 0; i < batch; i++)); do
      echo "send 1 \"B${letters[sent % 16]}\" \"SOAK $n $sent END\" 4E"
      sent=$((sent + 1))
      expected=$((expected + 1))
      echo "wait acks $expected 30000"
    done >"$out/host-$n.in"
    wait_for_count "$n" "$expected" 60 || break
    [ "$n" = "$devices" ] || harvest "$n"
    sleep 0.5
  done
  echo "$sent" >"$out/host-$n.sent"
}

sample() { # resident kB, descriptors, threads of veka
  echo "$(awk '/^VmRSS/ {print $2}' "/proc/$veka_pid/status")" \
    "$(ls "/proc/$veka_pid/fd" | wc -l)" "$(ls "/proc/$veka_pid/task" | wc -l)"
}
read -r _ fd0 thr0 < <(sample)
end=$((SECONDS + seconds))
warm=$((seconds >= 120 ? 60 : seconds / 3))
traffic_pids=()
for n in $(seq -w 1 $devices); do
  traffic "$n" "$end" &
  traffic_pids+=($!)
done
sleep "$warm" # the warm-up's length, not a synchronisation
read -r rss0 _ _ < <(sample)
for p in "${traffic_pids[@]}"; do wait "$p"; done
read -r rss1 fd1 thr1 < <(sample)

failed=0
total=0
for n in $(seq -w 1 $devices); do
  sent=$(cat "$out/host-$n.sent")
  total=$((total + sent))
  good=$(grep -c "ack tsn=. 2 status=0" "$out/host-$n.log" || true)
  # Two more: the status the device reports as its session begins, and the reset's.
  if [ "$good" -ne $((sent + 2)) ] || grep -q '^quilhost: ' "$out/host-$n.log"; then
    echo "device $n: $sent sent, $((good - 2)) acknowledged as written"
    failed=1
  fi
  if [ "$n" = "$devices" ]; then
    grep -o "^SOAKPIPE: SOAK $n [0-9]* END" "$out/pipe.log" | sed 's/^SOAKPIPE: //' \
      >"$out/written-$n" || true
  fi
  written=$(sort -u "$out/written-$n" 2>/dev/null | wc -l)
  dup=$(sort "$out/written-$n" 2>/dev/null | uniq -d | wc -l)
  [ "$dup" -eq 0 ] || { echo "device $n: $dup messages written twice"; failed=1; }
  [ "$written" -eq "$sent" ] || { echo "device $n: $sent sent, $written written"; failed=1; }
done
echo "soak: $seconds s, $devices devices, $total messages; descriptors $fd0 -> $fd1," \
  "threads $thr0 -> $thr1, resident ${rss0} kB after $warm s -> ${rss1} kB at the end"
if [ "$seconds" -ge 120 ] && [ "$rss1" -gt $((rss0 + rss0 / 100)) ]; then
  echo "soak: memory grew more than 1 %"
  failed=1
fi
if [ "$fd1" -gt "$fd0" ]; then echo "soak: descriptors leaked"; failed=1; fi
if [ "$thr1" -gt "$thr0" ]; then echo "soak: threads leaked"; failed=1; fi

# A termination signal ends veka with nothing left behind.
kill -TERM "$veka_pid"
if ! timeout 90 tail --pid="$veka_pid" -f /dev/null; then
  echo "soak: veka did not end on a termination signal"
  failed=1
fi
if pgrep -g "$veka_pid" >/dev/null; then
  echo "soak: processes left: $(pgrep -g "$veka_pid" | tr '\n' ' ')"
  failed=1
fi
left=$(find "$root/run" \( -type s -o -type f \) 2>/dev/null | head -n 5)
if [ -n "$left" ]; then
  echo "soak: left behind: $left"
  failed=1
fi
stop_all
trap - EXIT
if [ "$failed" -ne 0 ]; then
  echo "soak FAILED: see $out and $root/log/veka.log"
  exit 1
fi
echo "soak passed"
