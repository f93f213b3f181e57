#!/usr/bin/env bash
# Sets up, builds and starts Sorvik on the built-in demo network.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVIK_TESTS=OFF >/dev/null
cmake --build build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display available: run build/sorvik under a desktop session, or use the headless commands" \
         "'build/sorvik profile', 'build/sorvik servers', 'build/sorvik scan --all' and 'build/sorvik send --disk DIR' (see 'build/sorvik --help')."
    exit 0
fi
exec build/sorvik "$@"
