#!/usr/bin/env bash
# Runs every case of instruction_cases natively over one second (its counting window
# does nothing outside callgrind): each must load its input, mix or render, and report at
# least the frames asked for, so that the benchmark keeps working as the library changes.
#
#   check-cases.sh INSTRUCTION_CASES SOUNDFONT
set -euo pipefail
cases=$1
soundfont=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$(dirname "$0")/write-inputs.sh" "$cases" "$scratch" 4

check() {
    local out
    out=$("$cases" "$@") || { echo "instruction_cases $* failed" >&2; exit 1; }
    awk -v out="$out" -v what="$*" 'BEGIN {
        if (out !~ /^frames [0-9]+$/ || substr(out, 8) + 0 < 48000) {
            print "instruction_cases " what ": \"" out "\"" > "/dev/stderr"; exit 1 } }'
}

check song "$scratch/song.ogg" 1
check vorbis-soxr "$scratch/song.ogg" 1
check song "$scratch/song.flac" 1
check sndfile "$scratch/song.flac" 1
check song "$scratch/song.mod" 1
check song "$scratch/song.xm" 1
check openmpt "$scratch/song.xm" 1
check song "$scratch/song.mid" 1
check fluidsynth "$scratch/song.mid" "$soundfont" 1
check voices "$scratch/effect.wav" 64 1
check idle 1
echo "every case ran"
