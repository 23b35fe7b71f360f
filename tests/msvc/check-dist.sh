#!/usr/bin/env bash
# Makes the shipped Microsoft-ABI folder as `make dist-windows` does, checks that it needs
# nothing from outside itself but Windows, and builds the playback test against it alone
# (through its CMake package, with clang in MSVC mode and lld-link), which then runs under
# Wine with that folder alone on the DLL path.
#
#   check-dist.sh MSVC-BUILD MINGW-BUILD DEPS
set -euo pipefail
build=$1
mingw_build=$2
deps=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

folder=$("$root/scripts/dist-windows.sh" msvc "$build" "$mingw_build" "$deps" "$scratch/dist")
"$root/scripts/dist-windows.sh" check "$folder/bin"
for name in PelgraSoundEngine PelgraAudio PelgraSDK; do
    [[ -f $folder/lib/$name.lib ]] || { echo "no import library of $name"; exit 1; }
done

# What a program built with Microsoft's tools gets from them comes from msvc-runtime/ here.
cmake -S "$here/dist-consumer" -B "$scratch/consumer" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/clang-msvc-x86_64.cmake" \
    -DPelgraSoundEngine_DIR="$folder/lib/cmake/PelgraSoundEngine" \
    -DPELGRA_APP_RUNTIME_INCLUDE="$root/msvc-runtime/include" \
    -DPELGRA_APP_RUNTIME="$build/lib/PelgraMsvcRuntime.lib;/usr/x86_64-w64-mingw32/lib/libucrt.a" \
    >/dev/null
cmake --build "$scratch/consumer" >/dev/null
cd "$scratch"
"$root/scripts/wine-run.sh" --bare --dlls "$folder/bin" "$scratch/consumer/playback.exe"
