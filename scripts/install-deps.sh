#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is missing.
# Works as root on a fresh Debian 12 machine, and through sudo otherwise.
set -euo pipefail

packages=(
    # toolchain
    build-essential cmake pkg-config binutils
    # the audio library: device, decoding, resampling, modules, MIDI
    libsdl2-dev libsndfile1-dev libvorbis-dev libopusfile-dev libsoxr-dev libopenmpt-dev
    libfluidsynth-dev timgm6mb-soundfont
    # tests and benchmarks
    googletest libgtest-dev libgmock-dev libbenchmark-dev sox
    # the instruction-count benchmark: callgrind and its client requests
    valgrind
    # the tests with a real sound server: a private PulseAudio and its pactl
    pulseaudio pulseaudio-utils
    # the benchmarks' peer: SDL_mixer (streamed music, idle cost)
    libsdl2-mixer-dev
    # the Windows builds and their tests: MinGW-w64, and for Microsoft's C++ ABI clang
    # (below) with lld-link, llvm-ar and llvm-undname
    g++-mingw-w64-x86-64 wine64 lld llvm
    # the Windows builds of the dependencies (from Debian's sources) and the shipped zip
    dpkg-dev patch zip
    # fuzzing: clang with libFuzzer and the sanitizer runtimes
    clang libclang-rt-14-dev
    # make lint
    clang-format clang-tidy git
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$package")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
