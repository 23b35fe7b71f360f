#!/usr/bin/env bash
# Configures the project as others meet it, without building anything:
#   check-configure.sh game                the tree of a game that adds it with
#                                          add_subdirectory: the libraries alone, and no
#                                          install rules
#   check-configure.sh missing-dependency  PELGRA_REQUIRE_DEPS with every pkg-config
#                                          package hidden: the project's own error,
#                                          naming the Debian package
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$here/../..
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

case $1 in
game)
    cmake -S "$here/game" -B "$scratch/game" -DPELGRA_SOURCE_DIR="$source_dir" >/dev/null
    if grep -l "file(INSTALL" -r "$scratch/game" --include=cmake_install.cmake; then
        echo "install rules in a game's tree"
        exit 1
    fi
    ;;
missing-dependency)
    mkdir "$scratch/no-packages"
    if PKG_CONFIG_LIBDIR=$scratch/no-packages PKG_CONFIG_PATH="" \
        cmake -S "$source_dir" -B "$scratch/build" -DPELGRA_REQUIRE_DEPS=ON \
        >"$scratch/out" 2>&1; then
        echo "configured with every package hidden"
        exit 1
    fi
    for expected in "Pelgra: sdl2 not found" "apt-get install libsdl2-dev"; do
        grep -q "$expected" "$scratch/out" || {
            cat "$scratch/out"
            echo "no \"$expected\" in the error"
            exit 1
        }
    done
    ;;
*)
    echo "usage: $0 game|missing-dependency" >&2
    exit 2
    ;;
esac
