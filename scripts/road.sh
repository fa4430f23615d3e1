# Shared by run.sh and soak.sh (sourced): the programs, a demo machine root, the host
# simulators and the configuration store of a road from host simulators to veka's devices.
# Expects: bin (the programs' folder), out (where the programs' output goes).

pids=()

# Builds the release programs unless a folder of built programs was given; sets bin.
build_programs() {
  if [ -z "$bin" ]; then
    scripts/deps.sh
    cmake --preset release >/dev/null
    cmake --build --preset release -j "$(nproc)" --target veka quilhost pipereader registrar \
      BRXAPI QUILSP VekaUtil $(grep -q VekaWindow build/release/build.ninja && echo VekaWindow)
    bin=build/release/bin
  fi
  bin=$(cd "$bin" && pwd)
}

# Makes the machine root afresh (TREVO_HOME, else the folder given); a folder that holds
# state that is not a demo's is never emptied (it may be someone's real state).
make_root() {
  root=${TREVO_HOME:-$1}
  if [ -e "$root" ] && [ -n "$(ls -A "$root" 2>/dev/null)" ] && [ ! -e "$root/.trevo-demo" ]; then
    echo "$(basename "$0"): $root holds state that is not a demo's; name an empty folder in TREVO_HOME" >&2
    exit 2
  fi
  rm -rf "$root"
  mkdir -p "$root/registry" "$root/drive_c/OUT" "$root/demo"
  touch "$root/.trevo-demo"
  export TREVO_HOME=$root
  out=$root/demo
}

stop_all() {
  local pid
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do timeout 60 tail --pid="$pid" -f /dev/null 2>/dev/null || true; done
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  pids=()
}

# Waits until a line of the file matches the pattern; false after the given seconds.
wait_for() {
  local file=$1 pattern=$2 deadline=$((SECONDS + $3))
  until grep -qE -- "$pattern" "$file" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# Starts a host simulator on a script (name.qhs in $out); its port goes into host_port (not
# echoed: in a command substitution the simulator's pid would not reach stop_all). Once the
# script has run, the host goes on serving and takes more commands from a pipe of its own
# (name.in).
start_host() {
  local name=$1 address=$2 port=$3
  mkfifo "$out/$name.in"
  setsid "$bin/quilhost" --keep --address "$address" --port "$port" "$out/$name.qhs" \
    <>"$out/$name.in" >"$out/$name.log" 2>&1 &
  pids+=($!)
  wait_for "$out/$name.log" "listening on $address:[0-9]+" 30 || {
    echo "the host simulator $name did not start:" >&2
    cat "$out/$name.log" >&2
    exit 1
  }
  host_port=$(sed -nE "s/.*listening on $address:([0-9]+).*/\1/p" "$out/$name.log" | head -n 1)
}

# The configuration store, as the configuration wizard writes it.
store_api='HKEY_LOCAL_MACHINE\Software\The TREVO Group\Common TREVO API'
store_app="$store_api"'\Applications\TREVO VEKA'
dword() { printf 'dword:%08x' "$1"; }
store_header() {
  printf 'Windows Registry Editor Version 5.00\n\n'
  printf '[%s\\Service Providers\\QUIL]\n"DLL Name"="QUILSP.DLL"\n\n' "$store_api"
  printf '[%s]\n"Default Session"="PRN1"\n\n' "$store_app"
}
# session device port lniata [url queue]: a QUILSP printer route, named after its device,
# and the session that leads to it.
store_route() {
  printf '[%s\\Routes\\%s]\n"Service Provider"="QUIL"\n"Device"="PRINTER"\n' "$store_api" "$2"
  printf '"Remote IP Address"="127.0.0.1"\n"Remote Port"=%s\n"LNIATA"="%s"\n' "$(dword "$3")" "$4"
  printf '"URL Queue"="%s"\n\n' "${5:-.}"
  printf '[%s\\Sessions\\%s]\n"Default EndSystem"="HOST"\n\n' "$store_api" "$1"
  printf '[%s\\Sessions\\%s\\HOST]\n"Route Name"="%s"\n\n' "$store_api" "$1" "$2"
}
store_device() {  # key type session
  printf '[%s\\%s]\n"Device Type"="%s"\n"Enabled"=%s\n"Device Name"="%s"\n' \
    "$store_app" "$1" "$2" "$(dword 1)" "$1"
  printf '"Host"="HOST"\n"Device Session"="%s"\n"Insert Line Feed"=%s\n' "$3" "$(dword 0)"
  printf '"Terminator Data"=""\n'
}
# key session file-name: a File device writing each message into a file of its own in C:\OUT.
store_file_device() {
  store_device "$1" File "$2"
  printf '"File Location"="C:\\\\OUT"\n"File Name"="%s"\n"Multiple Files"=%s\n' "$3" "$(dword 1)"
  printf '"Multiple File Limit"=%s\n"Single File Append"=%s\n' "$(dword 999)" "$(dword 0)"
  printf '"Single File Type"="TXT"\n"Maximum File Size"=%s\n"Extn. Type"=%s\n\n' \
    "$(dword 100000)" "$(dword "${4:-0}")"
}
store_pipe_device() {  # key session pipe-name
  store_device "$1" "Named Pipe" "$2"
  printf '"Pipe Name"="%s"\n\n' "$3"
}

start_veka() {
  setsid "$bin/veka" >"$out/veka.log" 2>&1 &
  veka_pid=$!
  pids+=("$veka_pid")
}
