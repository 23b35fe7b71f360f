#!/usr/bin/env bash
# Runs a Windows test program under Wine, quietly, in a Wine prefix of its own.
set -euo pipefail
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/pelgra-wine-prefix}
# The MinGW runtime (libstdc++, libgcc, winpthread) that the programs were linked with.
runtime_dirs=("$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")" /usr/x86_64-w64-mingw32/lib)
# PELGRA_WINE_DLL_PATH (folders separated by ':') adds the folders of the project's own DLLs.
IFS=: read -r -a dll_dirs <<<"${PELGRA_WINE_DLL_PATH:-}"
WINEPATH=""
for dir in "${dll_dirs[@]}" "${runtime_dirs[@]}"; do
    WINEPATH+="${WINEPATH:+;}Z:$dir"
done
export WINEPATH
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
exec "$wine" "$@"
