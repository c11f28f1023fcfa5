#!/usr/bin/env bash
# Sets up, builds and runs every test. ORVELLA_ASAN=1 runs the same suite under ASan+UBSan,
# ORVELLA_TSAN=1 under TSan, each in a build folder of its own.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup
build=build; flags=()
if [ "${ORVELLA_ASAN:-0}" = 1 ]; then build=build-asan; flags+=(-DORVELLA_ASAN=ON -DORVELLA_BENCH=OFF); fi
if [ "${ORVELLA_TSAN:-0}" = 1 ]; then build=build-tsan; flags+=(-DORVELLA_TSAN=ON -DORVELLA_BENCH=OFF); fi
jobs=$(nproc)
cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
ctest --test-dir "$build" -j "$jobs" --output-on-failure "$@"
