#!/usr/bin/env bash
# Checks that every source is formatted as .clang-format says (clang-format -i mends one),
# builds the project with the ci preset (AddressSanitizer, UndefinedBehaviorSanitizer,
# warnings as errors) and runs every test; then once more optimised and without sanitizers
# (the release preset), where a race that the slower debug build hides shows.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 -n 64 -P "$(nproc)" clang-format --dry-run --Werror
jobs=$(nproc)
cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"
cmake --preset release
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs"
