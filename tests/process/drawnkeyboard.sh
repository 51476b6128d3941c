#!/usr/bin/env bash
# The user's own keyboard in the real program: an ISO TKL board as OpenRGB describes it, served by
# the protocol peer. Kelvara draws it (no number pad), a press of Z lights Z and, in the same
# frame, the ISO \ left of it and X right of it; started again without the server, the window
# draws the same board at once.
#     drawnkeyboard.sh KELVARA PEER
KELVARA="$1"
PEER="$2"
PEER_KEYBOARD=corsair-v2-protocol-k60-rgb-pro-tkl-b-iso
source "$(dirname "$0")/common.sh"
run=("${as_user[@]}" "$kelvara")

# Whether that Kelvara has a window on screen.
window_up() { xdotool search --onlyvisible --pid "$1" >/dev/null 2>&1; }
# The board the log says the window draws: name, size, layout, keys and size in points.
board_in() { grep -o 'The window draws .*' "$1" | tail -n 1; }

"${run[@]}" >"$work/kelvara.log" 2>&1 &
app=$!
pids+=("$app")
drawn() { grep -q "The window draws \"$PEER_KEYBOARD\" (tkl, ISO" "$work/kelvara.log"; }
wait_for 100 drawn || fail "the board was not drawn as an ISO TKL board"
wait_for 100 window_up "$app" || fail "no Kelvara window"
board="$(board_in "$work/kelvara.log")"

framed() { [ "$(peer_says frames)" -gt 0 ]; }
wait_for 100 framed || fail "no frame reached the keyboard"
xdotool key z
pressed() { [ "$(peer_says firstZ)" -ge 0 ]; }
wait_for 100 pressed || fail "a press of Z did not light Z"
z="$(peer_says firstZ)"
[ "$(peer_says firstIsoBackslash)" = "$z" ] || fail "the ISO \\ did not change in Z's frame $z"
[ "$(peer_says firstX)" = "$z" ] || fail "X did not change in Z's frame $z"

kill -TERM "$app"
wait "$app" || fail "Kelvara did not end cleanly"
kill -TERM "$peer_pid"
wait "$peer_pid" || true

# Again, with no server: the same board from the first frame the window shows.
"${run[@]}" >"$work/again.log" 2>&1 &
again=$!
pids+=("$again")
wait_for 100 window_up "$again" || fail "no Kelvara window the second time"
# With no server to ask, the board can only come from its file.
same_board() { [ "$(board_in "$work/again.log")" = "$board" ]; }
wait_for 100 same_board || fail "the window did not draw the same board"
kill -TERM "$again"
wait "$again" || fail "Kelvara did not end cleanly the second time"
echo "ok: $board; Z, \\ and X lit in frame $z; the same board again"
