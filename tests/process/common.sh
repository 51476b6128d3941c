# Shared by the whole-process tests: a work folder, an X server of their own, an OpenRGB protocol
# peer on loopback, and a user folder for Kelvara. Sourced with KELVARA and PEER set, and
# PEER_KEYBOARD for a peer that serves one of OpenRGB's own keyboard descriptions.
set -euo pipefail
work="$(mktemp -d)"
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log "$work"/*.out; do
        [ -e "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
}
# Polls a command every tenth of a second, for up to $1 tenths.
wait_for() {
    local tries="$1"
    shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
    return 1
}

# Xvfb picks a free display itself and writes its number. Two servers started at the same moment
# can still pick one number, and the loser ends: then another is started.
display=""
for _ in $(seq 5); do
    rm -f "$work/display"
    Xvfb -displayfd 3 -ac -noreset -nolisten tcp -screen 0 640x360x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    pids+=("$xvfb")
    wait_for 100 grep -qs '[0-9]' "$work/display" || true
    number="$(head -n 1 "$work/display" 2>/dev/null | tr -d '[:space:]')"
    if [ -n "$number" ] && sleep 0.3 && kill -0 "$xvfb" 2>/dev/null &&
        DISPLAY=":$number" xdotool getdisplaygeometry >/dev/null 2>&1; then
        display=":$number"
        break
    fi
    kill "$xvfb" 2>/dev/null || true
done
[ -n "$display" ] || fail "the X server did not start"
export DISPLAY="$display"

"$PEER" 0 ${PEER_KEYBOARD:+"$PEER_KEYBOARD"} >"$work/peer.out" 2>"$work/peer.log" &
peer_pid=$!
pids+=("$peer_pid")
wait_for 50 grep -q '^port ' "$work/peer.out" || true
port="$(awk '/^port / {print $2}' "$work/peer.out")"
[ -n "$port" ] || fail "the protocol peer did not start"
# One of the peer's latest figures: frames, clients, keyA (changes of the A key), modes, firstCaps
# or caps (the Caps Lock key's colour in the first and the newest frame), firstZ, firstX or
# firstIsoBackslash (the frame that key first changed in). The peer is asked again when a report
# is slow to come, as on a loaded machine.
peer_says() {
    local lines
    lines="$(wc -l <"$work/peer.out")"
    for _ in $(seq 5); do
        kill -USR1 "$peer_pid"
        if wait_for 20 test "$(wc -l <"$work/peer.out")" -ge $((lines + 9)); then
            awk -v what="$1" '$1 == what {value = $2} END {print value}' "$work/peer.out"
            return 0
        fi
    done
    echo "FAIL: the peer did not report" >&2
    echo "none"
}

# The build may sit in a folder that only its owner can enter (a home folder of mode 0700, or one
# from mktemp -d): the unprivileged run gets a copy of the program in the work folder instead.
install -m 755 "$KELVARA" "$work/kelvara"
kelvara="$work/kelvara"
# Copies another program that runs as Kelvara's user into the work folder; prints its new path.
runnable_copy() {
    install -m 755 "$1" "$work/$(basename "$1")"
    echo "$work/$(basename "$1")"
}
# The same for a sanitizer build's leak suppressions.
if [[ "${LSAN_OPTIONS:-}" == *suppressions=* ]]; then
    suppressions="$(sed -n 's/.*suppressions=\([^:]*\).*/\1/p' <<<"$LSAN_OPTIONS")"
    install -m 644 "$suppressions" "$work/lsan.supp"
    export LSAN_OPTIONS="${LSAN_OPTIONS/"$suppressions"/"$work/lsan.supp"}"
fi

user="$work/user"
mkdir -p "$user/config/Kelvara" "$user/cache" "$user/run"
printf '[General]\nlightingServicePort=%s\n' "$port" >"$user/config/Kelvara/Kelvara.conf"
chmod 700 "$user/run"
# Runs a command as the user Kelvara runs as: "nobody" when the tests run as root.
as_user=(env HOME="$user" XDG_CONFIG_HOME="$user/config" XDG_CACHE_HOME="$user/cache"
    XDG_RUNTIME_DIR="$user/run" DISPLAY="$display")
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$user"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups "${as_user[@]}")
fi
