#!/usr/bin/env bash
# Runs a Windows test program under Wine, quietly, in a Wine prefix of its own.
set -euo pipefail
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/pelgra-wine-prefix}
# The MinGW runtime (libstdc++, libgcc, winpthread) that the programs were linked with.
runtime_dirs=("$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")" /usr/x86_64-w64-mingw32/lib)
export WINEPATH="Z:${runtime_dirs[0]};Z:${runtime_dirs[1]}"
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
exec "$wine" "$@"
