#!/usr/bin/env bash
# Runs the crossfade example offline over two unrelated tones, and checks that the level
# of the mix holds steady through both crossfades while the songs hand over.
set -euo pipefail
crossfade=$1
assets=$(mktemp -d)
trap 'rm -rf "$assets"' EXIT

# A whole number of periods each, so that their loops are seamless.
sox -n -r 44100 -c 2 "$assets/first.wav" synth 4 sine 330 vol 0.4
sox -n -r 48000 -c 1 "$assets/second.wav" synth 4 sine 523 vol 0.4

output=$("$crossfade" --offline "$assets/first.wav" "$assets/second.wav")
echo "$output"
# From the second step on (the first holds the start's fade-in): within 1.5 dB of it;
# both songs heard during the crossfades, and one alone at the end.
awk '
    { level[NR] = $4; songs[NR] = $NF }
    END {
        if (NR != 90) { print "steps: " NR; exit 1 }
        for (i = 2; i <= NR; ++i) {
            if (level[i] - level[2] > 1.5 || level[2] - level[i] > 1.5) {
                print "level off at step " i; bad = 1
            }
            if (songs[i] == 2) { both++ }
        }
        if (both < 38 || songs[30] != 1 || songs[55] != 1 || songs[NR] != 1) { print "songs did not hand over"; bad = 1 }
        exit bad
    }' <<<"$output"
