#!/usr/bin/env bash
# Makes the shipped Windows folder as `make dist-windows` does, checks that it needs
# nothing from outside itself but Windows, and builds a program against it (through its
# CMake package and through its pkg-config file) that runs under Wine with that folder
# alone on the DLL path, playing an Ogg Vorbis effect and a module.
#
#   check-dist.sh BUILD DEPS WRITE-DEMO-MODULE.exe
set -euo pipefail
build=$1
deps=$2
write_demo_module=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

folder=$("$root/scripts/dist-windows.sh" mingw "$build" "$deps" "$scratch/dist")
"$root/scripts/dist-windows.sh" check "$folder/bin"
for name in PelgraSoundEngine PelgraAudio PelgraSDK; do
    [[ -f $folder/lib/lib$name.dll.a ]] || { echo "no import library of $name"; exit 1; }
done
[[ -f $folder/include/PelgraSoundEngine.h && -f $folder/bin/pelgra-play.exe ]]
for package in libsdl2 libsndfile libsoxr libopenmpt libogg libvorbis flac opus opusfile mpg123 lame; do
    [[ -n $(ls -A "$folder/licenses/$package") ]] || { echo "no licence of $package"; exit 1; }
done

sox -n -r 44100 -c 2 "$scratch/effect.ogg" synth 1 sine 440 gain -6
"$root/scripts/wine-run.sh" "$write_demo_module" "$scratch/demo.mod"
bare=("$root/scripts/wine-run.sh" --bare --dlls "$folder/bin")

cmake -S "$here/dist-consumer" -B "$scratch/cmake-consumer" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DPelgraSoundEngine_DIR="$folder/lib/cmake/PelgraSoundEngine" >/dev/null
cmake --build "$scratch/cmake-consumer" >/dev/null
"${bare[@]}" "$scratch/cmake-consumer/dist_consumer.exe" "$scratch/effect.ogg" 440 "$scratch/demo.mod"

read -r -a flags <<<"$(PKG_CONFIG_LIBDIR=$folder/lib/pkgconfig pkg-config --cflags --libs PelgraSoundEngine)"
x86_64-w64-mingw32-g++-posix -std=c++17 "$here/dist-consumer/dist_consumer.cpp" "${flags[@]}" \
    -o "$scratch/pc-consumer.exe"
"${bare[@]}" "$scratch/pc-consumer.exe" "$scratch/effect.ogg" 440 "$scratch/demo.mod" >/dev/null
echo "the pkg-config build of the consumer runs too"

"${bare[@]}" "$folder/bin/pelgra-play.exe" --info "$scratch/effect.ogg" "$scratch/demo.mod"
