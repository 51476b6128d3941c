#!/usr/bin/env bash
# Kelvara against the floor: beside it, in the same run under one Xvfb and against one OpenRGB
# protocol peer, a client that only wakes 30 times a second and sends a frame of the same size
# (kelvara_floorclient), and the same client sending from a timer on the event loop Kelvara runs
# on (--event-loop): what the toolkit adds to the least. Kelvara runs hidden, then on screen with
# the reference picture at its own size (274 by 100 points, the window as small as it goes), each
# time with 10 key presses a second typed into no window of its own; the CPU share of one core of
# each is read from /proc over the same seconds (tools/cpu-time.sh), and Kelvara's in each phase
# is given as a multiple of both floors' over that phase. Then twenty seconds of hidden typing are
# traced with strace -c: Kelvara's system calls per frame sent (each frame is one send).
#     tools/measure-floor.sh [SECONDS]       (60 by default)
# MEASURE_PROGRAM names another build of the program to measure; MEASURE_TRACE keeps the strace
# summary in that file.
set -euo pipefail
cd "$(dirname "$0")/.."
export MEASURE_SECONDS="${1:-60}"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARA_BUILD_TESTS=OFF -DKELVARA_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-release --target kelvara kelvara_openrgbpeer kelvara_floorclient >/dev/null
command -v strace >/dev/null || { echo "strace is needed: apt-get install strace" >&2; exit 2; }
config="$(mktemp -d)"
port=16748
mkdir -p "$config/Kelvara"
printf '[General]\nlightingServicePort=%s\n' "$port" > "$config/Kelvara/Kelvara.conf"
build-release/kelvara_openrgbpeer "$port" > "$config/peer.out" & peer=$!
trap 'kill $peer 2>/dev/null || true; [ -z "${MEASURE_TRACE:-}" ] || cp "$config/strace.out" "$MEASURE_TRACE"; rm -rf "$config"' EXIT
for _ in $(seq 50); do grep -q '^leds ' "$config/peer.out" && break; sleep 0.1; done
export LEDS="$(awk '/^leds / {print $2}' "$config/peer.out")" PORT="$port"
export XDG_CONFIG_HOME="$config" TRACE="$config/strace.out"
export MEASURE_PROGRAM="$(realpath "${MEASURE_PROGRAM:-build-release/src/kelvara}")"
xvfb-run -a -s "-screen 0 1280x720x24" bash -c '
    . tools/cpu-time.sh
    build-release/kelvara_floorclient $PORT $LEDS & floor=$!
    build-release/kelvara_floorclient --event-loop $PORT $LEDS & loop=$!
    # CPU of Kelvara and of both floors over the typing: "kelvara floor loop seconds", the CPU in
    # nanoseconds.
    measure() {
        local k0 f0 l0 t0 k1 f1 l1 t1
        k0=$(cpu_ns $1); f0=$(cpu_ns $floor); l0=$(cpu_ns $loop); t0=$(date +%s.%N)
        tools/type-keys.sh "$MEASURE_SECONDS" >/dev/null
        k1=$(cpu_ns $1); f1=$(cpu_ns $floor); l1=$(cpu_ns $loop); t1=$(date +%s.%N)
        echo $((k1 - k0)) $((f1 - f0)) $((l1 - l0)) $(awk -v a=$t0 -v b=$t1 "BEGIN {print b - a}")
    }
    "$MEASURE_PROGRAM" --hidden >/dev/null 2>&1 & app=$!
    sleep 3; xdotool mousemove 1270 710
    hidden=$(measure $app)
    (tools/type-keys.sh 22 >/dev/null) & typing=$!
    sleep 1
    timeout -s INT 20 strace -c -f -o "$TRACE" -p $app >/dev/null 2>&1 || true
    wait $typing
    kill $app; wait $app || true
    # The reference picture, not the keyboard the peer serves.
    printf "keyboard=Reference picture\n" >> "$XDG_CONFIG_HOME/Kelvara/Kelvara.conf"
    "$MEASURE_PROGRAM" >/dev/null 2>&1 & app=$!
    sleep 3
    for window in $(xdotool search --onlyvisible --pid $app --name "^Kelvara$" 2>/dev/null); do
        xdotool windowsize "$window" 1 1
    done
    sleep 1; xdotool mousemove 1270 710
    shown=$(measure $app)
    kill $app $floor $loop; wait $app $floor $loop || true
    calls=$(awk "\$NF == \"total\" {print \$4}" "$TRACE")
    sends=$(awk "\$NF == \"sendto\" {print \$4}" "$TRACE")
    awk -v hidden="$hidden" -v shown="$shown" -v calls="$calls" \
        -v sends="$sends" "BEGIN {
            split(hidden, h, \" \"); split(shown, s, \" \")
            # Each phase against the floors of its own seconds: what else the machine does
            # changes from one to the next.
            fh = 100 * h[2] / 1e9 / h[4]; fs = 100 * s[2] / 1e9 / s[4]
            lh = 100 * h[3] / 1e9 / h[4]; ls = 100 * s[3] / 1e9 / s[4]
            kh = 100 * h[1] / 1e9 / h[4]; ks = 100 * s[1] / 1e9 / s[4]
            printf \"floor:        %.2f%% of one core hidden, %.2f%% on screen\\n\", fh, fs
            printf \"event loop:   %.2f times the floor hidden, %.2f on screen\\n\", lh / fh, ls / fs
            printf \"hidden:       %.2f%% of one core, %.2f times the floor, %.2f times the event loop\\n\",
                kh, kh / fh, kh / lh
            printf \"on screen:    %.2f%% of one core, %.2f times the floor, %.2f times the event loop\\n\",
                ks, ks / fs, ks / ls
            printf \"system calls: %.2f a frame hidden (%d in %d frames)\\n\", calls / sends, calls, sends
        }"
'
