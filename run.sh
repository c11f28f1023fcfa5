#!/usr/bin/env bash
# Sets up, builds and runs the game program quillomer-lorvane (the walking skeleton when the
# program is not built): in a real window when a display exists, headless otherwise. Extra
# arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}"
fi
if [ -x build/bin/quillomer-lorvane ]; then
  exec build/bin/quillomer-lorvane "$@"
fi
exec build/bin/walking-skeleton "$@"
