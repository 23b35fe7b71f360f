#!/usr/bin/env bash
# Runs pelgra-play.exe under Wine as a user would (--info, --render, --demo --render)
# and, given the Linux build's player, checks that both render a module and an Ogg
# Vorbis effect alike.
#
#   check-player.sh BIN DEPS-BIN [LINUX-PLAYER]
#
# BIN holds pelgra-play.exe, write_demo_module.exe and compare_wav.exe; DEPS-BIN the
# dependencies' DLLs.
set -euo pipefail
bin=$1
deps_bin=$2
linux_player=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
wine=("$here/../../scripts/wine-run.sh" --dlls "$deps_bin")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

sox -n -r 44100 -c 2 effect.ogg synth 1.5 sine 440 sine 660 fade 0 1.5 0.3
"${wine[@]}" "$bin/write_demo_module.exe" demo.mod

info=$("${wine[@]}" "$bin/pelgra-play.exe" --info effect.ogg demo.mod)
echo "$info"
grep -q "Vorbis" <<<"$info"
grep -q "kind:     song" <<<"$info"

"${wine[@]}" "$bin/pelgra-play.exe" --demo --seconds 2 --render demo.wav
"${wine[@]}" "$bin/pelgra-play.exe" --render windows-effect.wav effect.ogg
"${wine[@]}" "$bin/pelgra-play.exe" --seconds 6 --render windows-module.wav demo.mod
for wav in demo.wav windows-effect.wav windows-module.wav; do
    # Non-silent: sox's maximum amplitude of the whole file.
    peak=$(sox "$wav" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
    echo "$wav: peak $peak"
    awk -v peak="$peak" 'BEGIN { exit !(peak > 0.05) }'
done

if [[ -n $linux_player ]]; then
    "$linux_player" --render linux-effect.wav effect.ogg >/dev/null
    "$linux_player" --seconds 6 --render linux-module.wav demo.mod >/dev/null
    echo -n "Ogg Vorbis effect, Linux against Windows: "
    "${wine[@]}" "$bin/compare_wav.exe" linux-effect.wav windows-effect.wav 0.999
    echo -n "module, Linux against Windows: "
    "${wine[@]}" "$bin/compare_wav.exe" linux-module.wav windows-module.wav 0.999
fi
