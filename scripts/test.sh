#!/usr/bin/env bash
# Builds the project with the ci preset (AddressSanitizer, UndefinedBehaviorSanitizer,
# warnings as errors) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"
