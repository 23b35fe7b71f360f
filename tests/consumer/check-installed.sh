#!/usr/bin/env bash
# Installs the built project into a scratch prefix, then builds and runs a small
# consumer against it twice: through find_package and through pkg-config.
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

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
read -r -a flags <<<"$(pkg-config --cflags --libs PelgraSoundEngine)"
c++ -std=c++17 "$here/consumer.cpp" "${flags[@]}" -Wl,-rpath,"$prefix/lib" -o "$scratch/pc-consumer"
"$scratch/pc-consumer"
