#!/usr/bin/env bash
# Draws the keyboard pictures and the caution picture into resources/ again.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target kelvara_drawbackgrounds
./build/src/kelvara_drawbackgrounds resources/backgrounds
