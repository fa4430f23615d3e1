#!/usr/bin/env bash
# Builds everything and runs the main job of the system as far as it stands.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev
cmake --build --preset dev -j "$(nproc)"
if [ -x build/dev/bin/veka ]; then
  exec build/dev/bin/veka "$@"
fi
# Each folder of tools/ builds one program of the same name.
tools=()
for dir in tools/*/; do
  name=$(basename "$dir")
  if [ -x "build/dev/bin/$name" ]; then tools+=("build/dev/bin/$name"); fi
done
echo "Built every module. The main program is not assembled yet; what runs today are the"
echo "module tests (scripts/test.sh), the benchmarks (build/dev/bin/bench_*) and the"
echo "simulators used by the tests: ${tools[*]:-none yet}"
