#!/usr/bin/env bash
# Kelvara's desktop life with the real program, under an X server and a session bus of its own:
# a hidden start that lights the keyboard, one instance per session, the tray icon through a
# minimal StatusNotifierItem host.
#     desktop.sh KELVARA PEER SNIHOST
KELVARA="$1"
PEER="$2"
SNIHOST="$3"
source "$(dirname "$0")/common.sh"
snihost="$(runnable_copy "$SNIHOST")"

# A private session bus, run as Kelvara's user: a session bus admits its own user only.
bus="$user/run/bus"
"${as_user[@]}" dbus-daemon --session --nofork --address="unix:path=$bus" \
    >"$work/bus.log" 2>&1 &
pids+=($!)
wait_for 100 test -S "$bus" || fail "no session bus"
as_user+=(DBUS_SESSION_BUS_ADDRESS="unix:path=$bus")
"${as_user[@]}" "$snihost" >"$work/tray.out" 2>"$work/tray.log" &
pids+=($!)
wait_for 100 grep -q '^ready' "$work/tray.out" || fail "the tray host did not start"

visible() { xdotool search --onlyvisible --pid "$1" >/dev/null 2>&1; }
not_visible() { ! visible "$1"; }
conf="$user/config/Kelvara/Kelvara.conf"

# A hidden start: no window, but the keyboard takes the picture and the key presses.
"${as_user[@]}" "$kelvara" --hidden >"$work/kelvara.log" 2>&1 &
app=$!
pids+=("$app")
wait_for 100 grep -q 'Reading key presses' "$work/kelvara.log" || fail "Kelvara did not start"
framed() { [ "$(peer_says frames)" -gt 0 ]; }
wait_for 100 framed || fail "no frame reached the keyboard"
[ "$(peer_says modes)" -eq 1 ] || fail "the keyboard was not taken over"
not_visible "$app" || fail "the hidden start put a window on screen"
[ "$(peer_says keyA)" -eq 0 ] || fail "the A key changed colour with no key pressed"
xdotool key a
lit() { [ "$(peer_says keyA)" -gt 0 ]; }
wait_for 100 lit || fail "a key press did not light its key"

# The tray icon registered with the host.
wait_for 100 grep -q '^item ' "$work/tray.out" || fail "no tray icon registered"
item="$(awk '/^item / {print $2; exit}' "$work/tray.out")"
dbus_call() { "${as_user[@]}" gdbus call --session --dest "$item" "$@"; }
tooltip="$(dbus_call --object-path /StatusNotifierItem \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem ToolTip)"
grep -q 'Connected to LGS.' <<<"$tooltip" || fail "the tray tooltip is not the status: $tooltip"
# Clicks the tray menu's item with that label.
click() {
    local layout id
    layout="$(dbus_call --object-path /MenuBar --method com.canonical.dbusmenu.GetLayout \
        -- 0 -1 '["label"]')"
    id="$(grep -o "([0-9]*, {[^}]*'label': <'$1'>" <<<"$layout" | grep -o '^([0-9]*' | tr -d '(')"
    [ -n "$id" ] || fail "no tray menu item \"$1\" in $layout"
    dbus_call --object-path /MenuBar --method com.canonical.dbusmenu.Event \
        -- "$id" clicked '<0>' 0 >/dev/null
}

# A second launch shows the first instance's window and ends at once; it never reaches the
# keyboard.
start="$(date +%s%N)"
status=0
timeout 10 "${as_user[@]}" "$kelvara" >"$work/second.log" 2>&1 || status=$?
elapsed=$((($(date +%s%N) - start) / 1000000))
[ "$status" -eq 0 ] || fail "the second launch ended with status $status"
# It only hands over to the first; a busy machine may still take its while over that.
[ "$elapsed" -lt 8000 ] || fail "the second launch took $elapsed ms"
wait_for 100 visible "$app" || fail "the first instance's window did not come up"
[ "$(peer_says clients)" -eq 1 ] || fail "the keyboard got frames from more than one Kelvara"

# Paused from the command line, the keyboard gets its own mode back and no frame while keys are
# typed; resumed, it is taken over again with a frame.
"${as_user[@]}" "$kelvara" --pause || fail "kelvara --pause did not reach the running Kelvara"
modes_are() { [ "$(peer_says modes)" -eq "$1" ]; }
wait_for 100 modes_are 2 || fail "pausing did not hand the keyboard back"
paused_at="$(peer_says frames)"
tooltip="$(dbus_call --object-path /StatusNotifierItem \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem ToolTip)"
grep -q 'Paused: ' <<<"$tooltip" || fail "the tray tooltip does not say paused: $tooltip"
for _ in $(seq 20); do
    xdotool key a
    sleep 0.25 # typing's pace, for five seconds
done
# The hand-back's own colours may be counted after the moment above; nothing more may be.
[ $(($(peer_says frames) - paused_at)) -le 1 ] || fail "frames went out while paused"
"${as_user[@]}" "$kelvara" --resume || fail "kelvara --resume did not reach the running Kelvara"
wait_for 100 modes_are 3 || fail "resuming did not take the keyboard over again"
resumed() { [ "$(peer_says frames)" -gt "$((paused_at + 1))" ]; }
wait_for 100 resumed || fail "no frame after resuming"

click "Hide Kelvara"
wait_for 100 not_visible "$app" || fail "Hide Kelvara left the window on screen"
click "Show Kelvara"
wait_for 100 visible "$app" || fail "Show Kelvara did not bring the window back"
click "Quit"
wait_for 100 sh -c "! kill -0 $app 2>/dev/null" || fail "Quit did not end Kelvara"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "Quit ended Kelvara with status $status"
[ "$(peer_says modes)" -eq 4 ] || fail "the keyboard was not handed back"
grep -q '^windowPosition=' "$conf" || fail "the window position was not saved"

# With no Kelvara running, the command line says so and starts none.
status=0
"${as_user[@]}" "$kelvara" --toggle >"$work/toggle.out" 2>"$work/toggle.err" || status=$?
[ "$status" -eq 1 ] || fail "kelvara --toggle with none running ended with status $status"
grep -q 'Kelvara is not running' "$work/toggle.err" || fail "kelvara --toggle said: $(cat "$work/toggle.err")"
[ "$(peer_says clients)" -eq 1 ] || fail "kelvara --toggle started a Kelvara"

echo "ok: hidden start, one instance, tray menu, pause and resume"
