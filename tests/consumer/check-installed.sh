#!/usr/bin/env bash
# Installs the built project into a scratch prefix, then builds and runs a small
# consumer against it twice, through find_package and through the README's pkg-config
# recipe, and the examples on their own.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null

cmake -S "$here" -B "$scratch/cmake-consumer" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/cmake-consumer" >/dev/null
"$scratch/cmake-consumer/consumer"

# The README's pkg-config recipe, run as it stands there but for the prefix, on the
# consumer as game.cpp: the program it builds must find the libraries with no
# LD_LIBRARY_PATH.
recipe=$(awk '/<!-- pkg-config recipe -->/ { found = 1; next }
              found && /^```sh/ { inside = 1; next }
              inside && /^```/ { exit }
              inside' "$here/../../README.md")
[[ -n $recipe ]]
mkdir "$scratch/pc-consumer"
cp "$here/consumer.cpp" "$scratch/pc-consumer/game.cpp"
(cd "$scratch/pc-consumer" && env -u LD_LIBRARY_PATH bash -euo pipefail -c "${recipe//\/opt\/pelgra/$prefix}")

# examples/ builds on its own against the installed copy, and runs.
cmake -S "$here/../../examples" -B "$scratch/examples" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/examples" >/dev/null
sox -n -r 48000 -c 1 "$scratch/beep.wav" synth 0.1 sine 880
"$scratch/examples/sound_bank" --offline "$scratch/beep.wav"
