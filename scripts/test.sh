#!/usr/bin/env bash
# Checks that every source is formatted as .clang-format says (clang-format -i mends one),
# builds the project with the ci preset (AddressSanitizer, UndefinedBehaviorSanitizer,
# warnings as errors), runs clang-tidy with .clang-tidy over the sources recent commits
# changed (below) and runs every test; then once more optimised and without sanitizers (the
# release preset), where a race that the slower debug build hides shows; last, the unit tests
# of the threaded cores under ThreadSanitizer (the tsan preset, whose clang build also checks
# the lock annotations, every warning an error): the host link and the devices' threads, the
# platform's locks, event loop and named pipes, the trace log's writer, and the host
# simulator; and the fault road briefly (veka, its QUIL provider, the host simulator and the
# fault proxy in one process, with its hundred faults of every kind). Only those are built and
# run there, with the other annotated code (the QUILSP provider's library and module)
# compiled beside them, to keep the whole within the time CI has.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --clang
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 -n 64 -P "$(nproc)" clang-format --dry-run --Werror
jobs=$(nproc)
cmake --preset ci
cmake --build --preset ci -j "$jobs"
# clang-tidy over the project's own sources (no tests or benchmarks) that the last 30 commits
# changed, or those changed since TIDY_BASE (a revision), or all of them with TIDY_BASE=all.
tidy_base=${TIDY_BASE:-HEAD~30}
git rev-parse -q --verify "$tidy_base^{commit}" > /dev/null || tidy_base=all
sources=$(sed -n "s|^ *\"file\": \"$PWD/\(.*\)\",\{0,1\}\$|\1|p" build/ci/compile_commands.json |
          grep -v -e '^build/' -e '/test/' -e '^tests/' -e '^bench/' | sort -u)
if [ "$tidy_base" != all ]; then
  sources=$(comm -12 <(echo "$sources") <(git diff --name-only "$tidy_base" -- '*.cpp' | sort -u))
fi
if [ -n "$sources" ]; then
  echo "$sources" | xargs -n 4 -P "$jobs" clang-tidy -p build/ci --quiet 2>&1 |
    { grep -v ' warnings\{0,1\} generated\.$' || true; }
fi
ctest --preset ci -j "$jobs"
cmake --preset release
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs"
cmake --preset tsan
tsan_programs=(veka_core_test platform_test notify_test quilhost_test faults_integration_test)
# Code with lock annotations that those programs do not link: compiled (not run), so that
# clang checks its annotations too.
annotated=(quilsp_core QUILSP)
cmake --build --preset tsan -j "$jobs" --target "${tsan_programs[@]}" "${annotated[@]}"
# Only the tests of those programs (the others are not built): their suites, from the programs.
suites=$(for p in "${tsan_programs[@]}"; do build/tsan/bin/"$p" --gtest_list_tests; done |
         sed -n 's/^\([A-Za-z0-9_/]*\)\.$/\1/p' | sort -u | paste -sd'|')
ctest --preset tsan -j "$jobs" -R "^($suites)\\."
