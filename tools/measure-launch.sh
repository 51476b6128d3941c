#!/usr/bin/env bash
# How soon the main window answers after launch: the time from starting Kelvara until Ctrl+comma
# on its window opens the settings window, with no lighting service at all and against an
# endpoint that accepts connections and never answers (as an OpenRGB server still finding its
# devices at login does), in one run under one Xvfb, each RUNS times.
#     tools/measure-launch.sh [RUNS]        (5 by default)
# MEASURE_PROGRAM names another build of the program to measure.
set -euo pipefail
cd "$(dirname "$0")/.."
export RUNS="${1:-5}"
if [ -z "${MEASURE_PROGRAM:-}" ]; then
    cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARA_BUILD_TESTS=OFF -DKELVARA_BUILD_BENCHMARKS=OFF >/dev/null
    cmake --build build-release --target kelvara >/dev/null
fi
export MEASURE_PROGRAM="$(realpath "${MEASURE_PROGRAM:-build-release/src/kelvara}")"
work="$(mktemp -d)"
export WORK="$work"
silent_port=16750 closed_port=16751
# Accepts every connection and never says a word.
python3 -c '
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(16)
held = []
while True:
    held.append(s.accept()[0])
' "$silent_port" & silent=$!
trap 'kill $silent 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 0.3
xvfb-run -a -s "-screen 0 1280x720x24" bash -c '
    now() { date +%s%N; }
    # Milliseconds from launch until Ctrl+comma has opened the settings window.
    answer() {
        local config="$WORK/config-$1-$2" start app window
        rm -rf "$config"; mkdir -p "$config/Kelvara"
        printf "[General]\nlightingServicePort=%s\n" "$1" > "$config/Kelvara/Kelvara.conf"
        start=$(now)
        XDG_CONFIG_HOME="$config" "$MEASURE_PROGRAM" >/dev/null 2>&1 & app=$!
        while :; do
            window=$(xdotool search --onlyvisible --pid $app --name "^Kelvara$" 2>/dev/null | head -1 || true)
            if [ -n "$window" ]; then
                xdotool windowfocus --sync "$window" key ctrl+comma 2>/dev/null || true
                if xdotool search --onlyvisible --name "^Kelvara Settings$" >/dev/null 2>&1; then
                    break
                fi
            fi
            # A build that never answers is not waited for all day.
            [ $((($(now) - start) / 1000000)) -lt 30000 ] || break
            sleep 0.01
        done
        echo $((($(now) - start) / 1000000))
        kill $app; wait $app 2>/dev/null || true
    }
    for run in $(seq "$RUNS"); do
        printf "none %s\n" "$(answer '"$closed_port"' $run)"
        printf "silent %s\n" "$(answer '"$silent_port"' $run)"
    done
' | awk '{ sum[$1] += $2; n[$1]++; all[$1] = all[$1] " " $2 }
    END { for (k in sum) printf "%-7s %4.0f ms on average (%s )\n", k ":", sum[k] / n[k], all[k]
          printf "silent is %.0f ms later\n", sum["silent"] / n["silent"] - sum["none"] / n["none"] }'
