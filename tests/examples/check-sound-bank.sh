#!/usr/bin/env bash
# Runs the sound-bank example offline over more effects than its vector first holds, and
# checks that every effect is heard after the vector has grown.
set -euo pipefail
sound_bank=$1
assets=$(mktemp -d)
trap 'rm -rf "$assets"' EXIT

effects=()
for i in 1 2 3 4 5 6; do
    sox -n -r 44100 -c 1 "$assets/effect$i.wav" synth 0.2 sine $((200 * i))
    effects+=("$assets/effect$i.wav")
done

output=$("$sound_bank" --offline "${effects[@]}")
echo "$output"
[[ $(wc -l <<<"$output") -eq 6 ]]
awk '{ if ($NF + 0 < 0.05) { print "not heard: " $1; bad = 1 } } END { exit bad }' <<<"$output"
