#!/usr/bin/env bash
# Draws the keyboards the README shows (docs/keyboards/): three boards as Kelvara draws them from
# OpenRGB's descriptions, each in two themes.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DKELVARA_BUILD_TESTS=ON >/dev/null
cmake --build build --target kelvara_drawkeyboards
mkdir -p docs/keyboards
./build/tests/kelvara_drawkeyboards docs/keyboards
