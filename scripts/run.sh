#!/usr/bin/env bash
# Installs what is missing, builds Kelvara and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARA_BUILD_TESTS=OFF \
    -DKELVARA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build --target kelvara
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # No desktop here: run on a virtual X display.
    exec xvfb-run -a build/src/kelvara "$@"
fi
exec build/src/kelvara "$@"
