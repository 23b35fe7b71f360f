#!/usr/bin/env bash
# Instructions per mixed 48 kHz stereo frame, counted by callgrind over every thread of
# the process (the song worker decodes, the render mixes) inside a window that opens
# after loading and warm-up: the library's songs, effect voices and idle, each song
# beside its floor - the library it decodes or renders with, alone, counted the same way
# in the same run. Counts repeat to a tenth of a percent from run to run, where timings
# on a shared machine swing by half; they cannot see the kernel (sleeps, wake-ups).
#
#   bench/instructions/run.sh [BUILD_DIR]   (instruction_cases built there)
set -euo pipefail

build=${1:-build}
cases=$build/bin/instruction_cases
soundfont=/usr/share/sounds/sf2/TimGM6mb.sf2
seconds=10     # the window of each song case, and of the floors
voiceSeconds=1 # 1024 voices take 115 M instructions a second of mixing; one second shows them

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$(dirname "$0")/write-inputs.sh" "$cases" "$scratch" 20

# count ARGS...: instructions per frame of one case, to two decimals.
count() {
    local out="$scratch/callgrind.out" frames total
    rm -f "$out"
    frames=$(valgrind --tool=callgrind --instr-atstart=no --separate-threads=no \
        --callgrind-out-file="$out" "$cases" "$@" 2>"$scratch/valgrind.log" |
        sed -n 's/^frames //p') || {
        echo "run.sh: instruction_cases $* failed:" >&2
        cat "$scratch/valgrind.log" >&2
        exit 1
    }
    total=$(sed -n 's/^totals: \([0-9]*\).*/\1/p' "$out")
    awk -v total="$total" -v frames="$frames" 'BEGIN { printf "%.2f", total / frames }'
}

# row CASE FIGURE FLOOR-NAME FLOOR-FIGURE
row() {
    awk -v name="$1" -v figure="$2" -v floorName="$3" -v floor="$4" 'BEGIN {
        shown = (floor > 0) ? sprintf("%.2f", floor) : "-"
        ratio = (floor > 0) ? sprintf("%.3fx", figure / floor) : "-"
        printf "| %-37s | %9.2f | %-26s | %9s | %7s |\n", name, figure, floorName, shown, ratio
    }'
}

# Counted first, printed after: a case that fails stops the run with its log.
ogg=$(count song "$scratch/song.ogg" $seconds)
oggFloor=$(count vorbis-soxr "$scratch/song.ogg" $seconds)
flac=$(count song "$scratch/song.flac" $seconds)
flacFloor=$(count sndfile "$scratch/song.flac" $seconds)
mod=$(count song "$scratch/song.mod" $seconds)
modFloor=$(count openmpt "$scratch/song.mod" $seconds)
xm=$(count song "$scratch/song.xm" $seconds)
xmFloor=$(count openmpt "$scratch/song.xm" $seconds)
midi=$(count song "$scratch/song.mid" $seconds)
midiFloor=$(count fluidsynth "$scratch/song.mid" "$soundfont" $seconds)
voices64=$(count voices "$scratch/effect.wav" 64 $voiceSeconds)
voices1024=$(count voices "$scratch/effect.wav" 1024 $voiceSeconds)
idle=$(count idle $seconds)

perVoice() { awk -v f="$1" -v v="$2" 'BEGIN { printf "%.2f per voice-frame", f / v }'; }

echo "Instructions per mixed 48 kHz stereo frame (callgrind, all threads, ${seconds} s window)"
echo
echo "| case                                  |  Ir/frame | floor                      |     floor |   ratio |"
echo "|---------------------------------------|-----------|----------------------------|-----------|---------|"
row "streamed Ogg Vorbis, 44.1 -> 48 kHz" "$ogg" "libvorbisfile + libsoxr HQ" "$oggFloor"
row "streamed FLAC, 48 kHz" "$flac" "libsndfile" "$flacFloor"
row "module, 4-channel MOD" "$mod" "libopenmpt" "$modFloor"
row "module, 26-channel XM" "$xm" "libopenmpt" "$xmFloor"
row "MIDI song" "$midi" "FluidSynth" "$midiFloor"
row "effects, 64 voices" "$voices64" "$(perVoice "$voices64" 64)" 0
row "effects, 1024 voices" "$voices1024" "$(perVoice "$voices1024" 1024)" 0
row "idle (started, nothing plays)" "$idle" "-" 0
