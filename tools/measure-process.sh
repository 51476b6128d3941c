#!/usr/bin/env bash
# The whole program under Xvfb with an OpenRGB protocol peer on 127.0.0.1: CPU share of one core
# and resident memory, read from /proc, while animating at 30 frames per second with 10 key
# presses a second, then while idle, then through a flood of 1000 key presses in about a second
# (resident memory before, at its peak and once the rings are gone).
#     tools/measure-process.sh [ANIMATING_SECONDS [IDLE_SECONDS]]     (60 and 30 by default)
# With MEASURE_RINGS=invisible every ring's opacity is 0: the same clock, redraws and LED frames,
# with no ring to draw. What that run costs is what the rings cannot take away.
# With MEASURE_HIDDEN=1 Kelvara starts hidden (kelvara --hidden): only the keyboard gets frames.
# MEASURE_PROGRAM names another build of the program to measure, an older one for instance.
# The main thread's wake-ups are counted as its voluntary context switches: each one is the event
# loop going to sleep and waking again, or the thread waiting inside a call for an answer, such as
# the X server's. Where strace is installed, ten more seconds of typing are traced to tell the two
# apart: the event loop's passes are its polls with a timeout. Frames are counted by the peer. The
# pointer is kept off Kelvara's window, so the keys are typed into no window of its own, as into
# another program.
set -euo pipefail
cd "$(dirname "$0")/.."
animating="${1:-60}"
idle="${2:-30}"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARA_BUILD_TESTS=OFF -DKELVARA_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-release --target kelvara kelvara_openrgbpeer >/dev/null
config="$(mktemp -d)"
port=16742
mkdir -p "$config/Kelvara"
printf '[General]\nlightingServicePort=%s\n' "$port" > "$config/Kelvara/Kelvara.conf"
export XDG_CONFIG_HOME="$config" MEASURE_ANIMATING="$animating" MEASURE_IDLE="$idle"
export MEASURE_ARGS="" MEASURE_PEER_OUT="$config/peer.out"
export MEASURE_PROGRAM="$(realpath "${MEASURE_PROGRAM:-build-release/src/kelvara}")"
[ "${MEASURE_HIDDEN:-}" = 1 ] && MEASURE_ARGS="--hidden"
if [ "${MEASURE_RINGS:-}" = invisible ]; then
    # Kelvara writes its first-run settings itself; then every ring is made see-through.
    xvfb-run -a -s "-screen 0 640x360x24" bash -c \
        '"$MEASURE_PROGRAM" >/dev/null 2>&1 & app=$!; sleep 3; kill -TERM $app; wait $app'
    sed -i -e 's/^\(ring[1-5]viz\(Start\|End\)\)=.*/\1=0/' "$config/Kelvara/Kelvara.conf"
    grep -q '^prefsInited=true' "$config/Kelvara/Kelvara.conf" ||
        { echo "the first-run settings were not written"; exit 1; }
fi
build-release/kelvara_openrgbpeer "$port" > "$config/peer.out" & peer=$!
trap 'kill $peer 2>/dev/null || true' EXIT
sleep 0.5
export MEASURE_PEER=$peer
xvfb-run -a -s "-screen 0 640x360x24" bash -c '
    . tools/cpu-time.sh
    rss() { awk "/VmRSS/ {print \$2}" /proc/$1/status; }
    wakes() { awk "/^voluntary_ctxt_switches/ {print \$2}" /proc/$1/task/$1/status; }
    frames() { kill -USR1 $MEASURE_PEER; sleep 0.2; awk "/^frames/ {n = \$2} END {print n}" "$MEASURE_PEER_OUT"; }
    "$MEASURE_PROGRAM" $MEASURE_ARGS >/dev/null 2>&1 & app=$!
    sleep 2
    xdotool mousemove 639 359
    n0=$(frames)
    start=$(cpu_ns $app); rss0=$(rss $app); t0=$(date +%s.%N); w0=$(wakes $app)
    i=$(tools/type-keys.sh "$MEASURE_ANIMATING")
    mid=$(cpu_ns $app); rss1=$(rss $app); t1=$(date +%s.%N); w1=$(wakes $app)
    n1=$(frames)
    passes=-1
    if command -v strace >/dev/null; then
        trace="$(mktemp)"; p0=$(frames)
        strace -e trace=poll -o "$trace" -p $app 2>/dev/null & tracer=$!
        sleep 1; tools/type-keys.sh 10 >/dev/null; kill -INT $tracer; wait $tracer || true
        p1=$(frames)
        # poll(fds, count, timeout): while the clock runs, the event loop polls with a timeout.
        passes=$(grep -cE ", [1-9][0-9]*\) += " "$trace" || true)
        passes=$(awk -v p="$passes" -v f=$((p1 - p0)) "BEGIN { printf \"%.2f\", p / f }")
        rm -f "$trace"
    fi
    sleep 6   # the rings of the last presses end, the clock drops to its idle beat
    idle0=$(cpu_ns $app); t2=$(date +%s.%N); w2=$(wakes $app)
    sleep "$MEASURE_IDLE"
    idle1=$(cpu_ns $app); rss2=$(rss $app); t3=$(date +%s.%N); w3=$(wakes $app)
    f0=$(date +%s.%N); tools/type-keys.sh --flood 1000 & presser=$!
    peak=$rss2
    while kill -0 $presser 2>/dev/null; do
        r=$(rss $app); [ "$r" -gt "$peak" ] && peak=$r; sleep 0.05
    done
    f1=$(date +%s.%N)
    for _ in $(seq 40); do r=$(rss $app); [ "$r" -gt "$peak" ] && peak=$r; sleep 0.05; done
    sleep 4; rss3=$(rss $app)
    kill -0 $app || { echo "Kelvara did not survive the flood"; exit 1; }
    kill -TERM $app; wait $app || true
    awk -v a="$start" -v b="$mid" -v c="$idle0" -v d="$idle1" -v t0="$t0" -v t1="$t1" \
        -v t2="$t2" -v t3="$t3" -v ns=1e9 -v n="$i" -v r0="$rss0" -v r1="$rss1" -v r2="$rss2" \
        -v f0="$f0" -v f1="$f1" -v peak="$peak" -v r3="$rss3" \
        -v w0="$w0" -v w1="$w1" -v w2="$w2" -v w3="$w3" -v n0="$n0" -v n1="$n1" -v passes="$passes" \
        "BEGIN { printf \"animating: %.2f%% of one core, %d key presses, %.1f frames a second, %.2f wake-ups a frame\\n\", 100*(b-a)/ns/(t1-t0), n, (n1-n0)/(t1-t0), (w1-w0)/(n1-n0);
                 printf \"idle:      %.3f%% of one core, %.2f wake-ups a second\\n\", 100*(d-c)/ns/(t3-t2), (w3-w2)/(t3-t2);
                 printf \"resident:  %d kB at start, %d kB after animating, %d kB after idle\\n\", r0, r1, r2;
                 printf \"flood:     1000 presses in %.1f s; resident %d kB at the peak, %d kB once the rings were gone\\n\", f1-f0, peak, r3;
                 if (passes >= 0) printf \"wake-ups:  %.2f a frame for the event loop, %.2f waits inside calls\\n\", passes, (w1-w0)/(n1-n0) - passes }"
'
