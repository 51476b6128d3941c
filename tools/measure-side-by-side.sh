#!/usr/bin/env bash
# Two builds of Kelvara at once under one Xvfb, each lighting an OpenRGB protocol peer of its own,
# seeing the same 10 key presses a second: the CPU share of one core each took. Runs of the same build one
# after another differ by up to 0.1 point on a small virtual machine; two builds that share every
# condition differ by what they do.
#     tools/measure-side-by-side.sh PROGRAM_A PROGRAM_B [SECONDS [KELVARA_ARGUMENTS...]]
#     tools/measure-side-by-side.sh /tmp/before/build/src/kelvara build-release/src/kelvara 120 --hidden
# Windows on screen are put side by side and the pointer off both: the keys are typed into no
# window of either, as when one types into another program. SIZE_A and SIZE_B (WIDTHxHEIGHT) size
# a main window other than it opens, to compare one build at two window sizes.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || { echo "usage: $0 PROGRAM_A PROGRAM_B [SECONDS [KELVARA_ARGUMENTS...]]" >&2; exit 2; }
export PROGRAM_A="$(realpath "$1")" PROGRAM_B="$(realpath "$2")"
export MEASURE_SECONDS="${3:-120}" SIZE_A="${SIZE_A:-}" SIZE_B="${SIZE_B:-}"
shift $(( $# >= 3 ? 3 : 2 ))
export KELVARA_ARGUMENTS="$*"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARA_BUILD_TESTS=OFF -DKELVARA_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-release --target kelvara_openrgbpeer >/dev/null
# Each build lights a peer of its own: on one keyboard, each would read the other's frames back
# and take them for another program's, as neither would on a user's machine.
export CONFIG_A="$(mktemp -d)" CONFIG_B="$(mktemp -d)"
peers=()
trap 'kill "${peers[@]}" 2>/dev/null || true' EXIT
port=16746
for config in "$CONFIG_A" "$CONFIG_B"; do
    mkdir -p "$config/Kelvara"
    printf '[General]\nlightingServicePort=%s\n' "$port" > "$config/Kelvara/Kelvara.conf"
    build-release/kelvara_openrgbpeer "$port" > "$config/peer.out" & peers+=($!)
    for _ in $(seq 50); do grep -q '^leds ' "$config/peer.out" && break; sleep 0.1; done
    port=$((port + 1))
done
xvfb-run -a -s "-screen 0 1280x720x24" bash -c '
    . tools/cpu-time.sh
    XDG_CONFIG_HOME=$CONFIG_A "$PROGRAM_A" $KELVARA_ARGUMENTS >/dev/null 2>&1 & a=$!
    XDG_CONFIG_HOME=$CONFIG_B "$PROGRAM_B" $KELVARA_ARGUMENTS >/dev/null 2>&1 & b=$!
    sleep 3
    for window in $(xdotool search --onlyvisible --pid $b 2>/dev/null); do
        xdotool windowmove "$window" 640 0
    done
    for side in a b; do
        size=SIZE_${side^^}; pid=${!side}
        [ -n "${!size:-}" ] || continue
        window=$(xdotool search --onlyvisible --name "^Kelvara$" 2>/dev/null |
            while read -r w; do [ "$(xdotool getwindowpid "$w")" = "$pid" ] && echo "$w"; done | head -n 1)
        xdotool windowsize "$window" ${!size/x/ }
    done
    xdotool mousemove 1270 710
    sleep 1
    a0=$(cpu_ns $a); b0=$(cpu_ns $b); t0=$(date +%s.%N)
    i=$(tools/type-keys.sh "$MEASURE_SECONDS")
    a1=$(cpu_ns $a); b1=$(cpu_ns $b); t1=$(date +%s.%N)
    kill $a $b; wait $a $b || true
    awk -v a=$((a1 - a0)) -v b=$((b1 - b0)) -v t0="$t0" -v t1="$t1" -v ns=1e9 \
        -v presses=$i "BEGIN {
            s = t1 - t0
            printf \"A: %.2f%% of one core\nB: %.2f%% of one core\n%d key presses in %.0f s\n\",
                100 * a / ns / s, 100 * b / ns / s, presses, s
        }"
'
