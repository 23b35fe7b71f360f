#!/usr/bin/env bash
# Packs generated sound effects, a streamed recording and a module into one pack file,
# runs the pack-file example offline over it, and checks that every sound was heard.
set -euo pipefail
pack_file=$1
write_demo_module=$2
assets=$(mktemp -d)
trap 'rm -rf "$assets"' EXIT

mkdir "$assets/music"
sox -n -r 44100 -c 1 "$assets/step.wav" synth 0.3 sine 300
sox -n -r 22050 -c 2 "$assets/door.flac" synth 0.3 sine 500
sox -n -r 44100 -c 2 "$assets/music/theme.ogg" synth 2 sine 220
"$write_demo_module" "$assets/music/tune.mod"

"$pack_file" --make "$assets/game.pack" "$assets/step.wav" "$assets/door.flac" \
    "$assets/music/theme.ogg" "$assets/music/tune.mod"
rm "$assets/step.wav" "$assets/door.flac" "$assets/music/theme.ogg" "$assets/music/tune.mod"

output=$("$pack_file" --offline "$assets/game.pack")
echo "$output"
[[ $(wc -l <<<"$output") -eq 4 ]]
awk '{ if ($NF + 0 < 0.05) { print "not heard: " $1; bad = 1 } } END { exit bad }' <<<"$output"
