#!/usr/bin/env bash
# Types letter and digit keys into the X server that DISPLAY names, for the measuring scripts:
#     tools/type-keys.sh SECONDS        10 presses a second for that long; prints how many
#     tools/type-keys.sh --flood COUNT  COUNT presses, 1 ms apart
set -euo pipefail
keys=(38 39 40 41 42 43 44 45 46 24 25 26 27 28 29 30) # X key codes: A to L, Q to U
if [ "${1:-}" = --flood ]; then
    presses=()
    for ((j = 0; j < $2; j++)); do presses+=("${keys[$((j % ${#keys[@]}))]}"); done
    xdotool key --delay 1 "${presses[@]}"
    exit
fi
end=$(($(date +%s) + $1))
i=0
while [ "$(date +%s)" -lt "$end" ]; do
    xdotool key "${keys[$((i % ${#keys[@]}))]}"
    i=$((i + 1))
    sleep 0.1
done
echo "$i"
