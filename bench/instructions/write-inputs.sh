#!/usr/bin/env bash
# Writes the benchmark's inputs into a folder, afresh: pink noise (as hard on a decoder
# as dense music) as an Ogg Vorbis song at 44.1 kHz and a FLAC song at 48 kHz, a tone as
# an effect, and the demo module, a 26-channel XM and the demo MIDI tune.
#
#   write-inputs.sh INSTRUCTION_CASES FOLDER SONG_SECONDS
set -euo pipefail
cases=$1
folder=$2
seconds=$3

sox -V1 -n -r 44100 -c 2 -C 6 "$folder/song.ogg" synth "$seconds" pinknoise vol 0.3
sox -V1 -n -r 48000 -c 2 -b 16 "$folder/song.flac" synth "$seconds" pinknoise vol 0.3
sox -V1 -n -r 48000 -c 1 -b 16 "$folder/effect.wav" synth 1 sine 440 vol 0.5
"$cases" write-module "$folder/song.mod"
"$cases" write-xm "$folder/song.xm"
"$cases" write-midi "$folder/song.mid"
