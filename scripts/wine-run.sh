#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, in a Wine prefix of its own.
#
#   wine-run.sh [--dlls DIR]... [--bare] PROGRAM [ARGUMENTS...]
#
# Wine finds DLLs beside the program, in the MinGW runtime's folders (libstdc++, libgcc,
# winpthread, which the programs were linked with) and in each --dlls DIR. With --bare
# it searches beside the program only, as on a Windows machine without MinGW.
set -uo pipefail
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/pelgra-wine-prefix}
# No debugger on a crash: Wine's would print its report and then let the program's exit
# status be lost (0 where a test had crashed), so a crash must end the program as Windows
# ends it, with the exception's code as its status.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winedbg.exe=d"

dll_dirs=("$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")" /usr/x86_64-w64-mingw32/lib)
while [[ $# -gt 0 ]]; do
    case $1 in
    --dlls)
        dll_dirs+=("$2")
        shift 2
        ;;
    --bare)
        dll_dirs=()
        shift
        ;;
    *) break ;;
    esac
done
winepath=""
for dir in "${dll_dirs[@]}"; do
    winepath+="${winepath:+;}Z:$dir"
done
export WINEPATH=$winepath

wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
micros() { echo "${EPOCHREALTIME/./}"; }
started=$(micros)
"$wine" "$@"
status=$?
# Starting a Windows program takes Wine well over a tenth of a second (0.2 s at the
# least here), so a failure quicker than that is Wine's own start failing, which it did
# once, silently, on a fresh prefix: the program is run once more.
if [[ $status -ne 0 && $status -ne 53 && $(($(micros) - started)) -lt 100000 ]]; then
    echo "wine-run.sh: Wine exited with status $status before $1 could run; once more" >&2
    "$wine" "$@"
    status=$?
fi
if [[ $status -eq 53 ]]; then
    # Wine says nothing of its own when a program cannot start for a missing DLL.
    echo "wine-run.sh: $1 did not start (status 53): a DLL it needs was not found" \
        "beside it${winepath:+ nor in $winepath}" >&2
    echo "wine-run.sh: its imports: $(x86_64-w64-mingw32-objdump -p "$1" 2>/dev/null |
        sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')" >&2
fi
exit $status
