#!/usr/bin/env bash
# Takes a screenshot of Kelvara's main window under Xvfb, with a wave on the keyboard picture:
#     tools/screenshot.sh [OUTPUT.png]
# Needs a build (scripts/run.sh makes one) and ImageMagick's import (installed when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/kelvara-screenshot.png}"
if ! command -v import >/dev/null; then
    sudo=""; [ "$(id -u)" != 0 ] && sudo=sudo
    $sudo apt-get install -y -qq imagemagick >/dev/null
fi
[ -x build/src/kelvara ] || { cmake -S . -B build -G Ninja >/dev/null; cmake --build build --target kelvara; }
export XDG_CONFIG_HOME="$(mktemp -d)" # the user's own settings stay untouched
xvfb-run -a -s "-screen 0 1280x720x24" bash -c '
    build/src/kelvara >/dev/null 2>&1 & app=$!
    for _ in $(seq 50); do xdotool search --name "^Kelvara$" >/dev/null 2>&1 && break; sleep 0.1; done
    window=$(xdotool search --name "^Kelvara$" | head -1)
    xdotool mousemove --window "$window" 300 140 click 1
    xdotool key 38   # A, seen through the X server
    sleep 0.2
    import -window "$window" "'"$out"'"
    kill -TERM $app; wait $app
'
echo "$out"
