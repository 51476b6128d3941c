#!/usr/bin/env bash
# The real program as a user runs it: an X server of its own, a lighting service on loopback, and
# text typed while another program has the keyboard. Checks that it runs without root (as
# "nobody" when started as root), lights the keyboard, shows the Caps Lock state on its key, opens
# no listening socket, writes none of the typed text anywhere and ends cleanly on SIGTERM.
#     wholeprocess.sh KELVARA PEER
KELVARA="$1"
PEER="$2"
source "$(dirname "$0")/common.sh"
run=("${as_user[@]}" "$kelvara")
# Caps Lock is on before Kelvara starts: its key is lit from the first frame.
xdotool key Caps_Lock
"${run[@]}" >"$work/kelvara.log" 2>&1 &
app=$!
pids+=("$app")

# The window comes up, then text is typed with the keyboard's focus elsewhere.
for _ in $(seq 100); do xdotool search --pid "$app" >/dev/null 2>&1 && break; sleep 0.1; done
xdotool search --pid "$app" >/dev/null 2>&1 || fail "no Kelvara window"

# The lock light: white from the first frame, kept through a wave beside it, gone with the lock.
framed() { [ "$(peer_says frames)" -gt 0 ]; }
wait_for 100 framed || fail "no frame reached the keyboard"
[ "$(peer_says firstCaps)" = ffffff ] || fail "Caps Lock was not lit in the first frame"
xdotool key a
lit() { [ "$(peer_says keyA)" -gt 0 ]; }
wait_for 100 lit || fail "a key press did not light its key"
[ "$(peer_says caps)" = ffffff ] || fail "the wave beside Caps Lock took its light"
xdotool key Caps_Lock
unlit() { [ "$(peer_says caps)" != ffffff ]; }
wait_for 100 unlit || fail "Caps Lock turned off left its key lit"
xdotool key Caps_Lock
relit() { [ "$(peer_says caps)" = ffffff ]; }
wait_for 100 relit || fail "Caps Lock turned on did not light its key"
xdotool key Caps_Lock
secret="zebrafishquartz"
xdotool type --delay 30 "$secret"
sleep 1
kill -0 "$app" 2>/dev/null || fail "Kelvara ended while typing"

uid="$(awk '/^Uid:/ {print $2}' "/proc/$app/status")"
[ "$uid" -ne 0 ] || fail "Kelvara runs as root"

# Every socket the process holds, by inode, against the kernel's tables of listening sockets:
# TCP state 0A is LISTEN, a Unix socket with flag 00010000 accepts connections, and any UDP
# socket at all would be one that could be sent to.
inodes="$(for fd in /proc/"$app"/fd/*; do readlink "$fd"; done 2>/dev/null |
    sed -n 's/^socket:\[\([0-9]*\)\]$/\1/p' | sort -u)"
[ -n "$inodes" ] || fail "no socket: the lighting service and the X server were not reached"
listening="$(
    awk 'FNR > 1 && $4 == "0A" {print $10}' /proc/"$app"/net/tcp /proc/"$app"/net/tcp6
    awk 'FNR > 1 {print $10}' /proc/"$app"/net/udp /proc/"$app"/net/udp6
    awk 'FNR > 1 && $4 == "00010000" {print $7}' /proc/"$app"/net/unix
)"
for inode in $inodes; do
    if grep -qx "$inode" <<<"$listening"; then fail "Kelvara listens on socket $inode"; fi
done

kill -TERM "$app"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "Kelvara ended with status $status on SIGTERM"
kill -TERM "$peer_pid"
wait "$peer_pid" || true
frames="$(awk '/^frames / {n = $2} END {print n}' "$work/peer.out")"
[ "${frames:-0}" -gt 0 ] || fail "the keyboard got no frame"

# Nothing typed is kept: not in the output, not in any file the program wrote.
if grep -rqa "$secret" "$work/kelvara.log" "$user"; then fail "typed text was written down"; fi
echo "ok: uid $uid, $frames frames, no listening socket, nothing typed written down"
