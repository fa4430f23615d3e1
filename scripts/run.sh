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
echo "Built every module. The main program is not assembled yet; what runs today are the"
echo "module tests (scripts/test.sh) and the tools in build/dev/bin:"
ls build/dev/bin 2>/dev/null | grep -v '_test$' || true
