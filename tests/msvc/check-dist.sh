#!/usr/bin/env bash
# Makes the shipped Microsoft-ABI folder as `make dist-windows` does, checks that it needs
# nothing from outside itself but Windows, and builds the playback test against it alone
# (its headers and .lib import libraries, with clang in MSVC mode and lld-link), which then
# runs under Wine with that folder alone on the DLL path.
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
mingw=/usr/x86_64-w64-mingw32
clang++ --target=x86_64-pc-windows-msvc -std=c++17 -O2 -fno-exceptions -fno-rtti \
    -fgnuc-version=4.2.1 -D_UCRT -D__USE_MINGW_ANSI_STDIO=0 -isystem "$mingw/include" \
    -isystem "$root/msvc-runtime/include" \
    -I "$folder/include" "$here/EnginePlaybackTest.cpp" "$here/Checks.cpp" \
    -fuse-ld=lld -nostdlib -Xlinker /nodefaultlib \
    "$folder/lib/PelgraSoundEngine.lib" "$folder/lib/PelgraAudio.lib" \
    "$build/lib/PelgraMsvcRuntime.lib" "$mingw/lib/libucrt.a" -Xlinker /debug:none \
    -o "$scratch/playback.exe"
cd "$scratch"
"$root/scripts/wine-run.sh" --bare --dlls "$folder/bin" "$scratch/playback.exe"
