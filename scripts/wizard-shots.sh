#!/usr/bin/env bash
# Pictures of the add-device wizard, page by page, on a virtual display (Xvfb) of their own and
# in a machine root of their own: scripts/wizard-shots.sh OUTDIR [TYPE] [BUILD_DIR].
# Writes OUTDIR/<page>.png (the page's dialog id); the README's come from here.
set -euo pipefail

out=${1:?usage: scripts/wizard-shots.sh OUTDIR [TYPE] [BUILD_DIR]}
type=${2:-Printer (ATB2)}
build=${3:-build/ci}
tool="$build/bin/wizardshot"
[ -x "$tool" ] || { echo "no $tool: build the target wizardshot first" >&2; exit 1; }
command -v Xvfb >/dev/null || { echo "Xvfb is missing (scripts/deps.sh installs it)" >&2; exit 1; }

home=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT

# The server picks a free display number and writes it to the pipe once it listens.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >"$home/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 20 -u "$fd" display || { echo "Xvfb did not start" >&2; cat "$home/xvfb.log" >&2; exit 1; }
exec {fd}<&-

mkdir -p "$out"
# A sanitizer build: what the platform libraries keep at exit is not the tool's to report.
DISPLAY=":$display" QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 TREVO_HOME="$home" \
  TREVO_PORTMAP="COM1=/dev/null;COM2=/dev/null;LPT1=/dev/null" "$tool" "$out" "$type"
