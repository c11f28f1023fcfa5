#!/usr/bin/env bash
# Sets up, builds and runs every test, with a short run of each fuzz target. ORVELLA_ASAN=1
# runs the same suite under ASan+UBSan, ORVELLA_TSAN=1 under TSan, each in a build folder of
# its own (CTest brings the suppression files of tests/sanitizers). ORVELLA_JOBS limits the
# parallel jobs.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup
build=build; flags=()
if [ "${ORVELLA_ASAN:-0}" = 1 ]; then build=build-asan; flags+=(-DORVELLA_ASAN=ON -DORVELLA_BENCH=OFF); fi
if [ "${ORVELLA_TSAN:-0}" = 1 ]; then build=build-tsan; flags+=(-DORVELLA_TSAN=ON -DORVELLA_BENCH=OFF); fi
jobs=${ORVELLA_JOBS:-$(nproc)}
cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
# A short run of every fuzz target first (ORVELLA_FUZZ_SECONDS=0 skips it), so that CTest's
# summary closes the output.
fuzz_seconds=${ORVELLA_FUZZ_SECONDS:-10}
if [ "$fuzz_seconds" != 0 ] && [ "$build" = build ]; then
  scripts/fuzz-smoke "$fuzz_seconds"
fi
ctest --test-dir "$build" -j "$jobs" --output-on-failure "$@"
