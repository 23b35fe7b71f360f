#!/usr/bin/env bash
# Runs the example game loop offline over generated sounds and a generated song, and
# checks that it mixed something audible.
set -euo pipefail
game_loop=$1
write_demo_module=$2
assets=$(mktemp -d)
trap 'rm -rf "$assets"' EXIT

sox -n -r 48000 -c 1 "$assets/shot.wav" synth 0.15 sine 1500-300 fade 0 0.15 0.1
sox -n -r 44100 -c 2 "$assets/explosion.wav" synth 0.6 brownnoise fade 0 0.6 0.5
"$write_demo_module" "$assets/music.mod"

output=$("$game_loop" --offline "$assets/shot.wav" "$assets/explosion.wav" "$assets/music.mod")
echo "$output"
peak=$(sed -n 's/.*peak \([0-9.]*\).*/\1/p' <<<"$output")
awk -v peak="$peak" 'BEGIN { exit !(peak > 0.05) }'
