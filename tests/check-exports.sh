#!/usr/bin/env bash
# Compares the symbols that a shared library exports with a checked-in list of demangled
# signatures: a missing export, a stray one, a const member or a bare C name shows as a
# difference. Reads ELF libraries with nm and Windows DLLs with MinGW's objdump.
set -euo pipefail
library=$1
expected=$2

exported_symbols() {
    if [[ $library == *.dll ]]; then
        # The name pointer table lists one "[ordinal] name" row per export.
        x86_64-w64-mingw32-objdump -p "$library" |
            sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
            sed -n 's/^\s*\[ *[0-9]*\] //p' | x86_64-w64-mingw32-c++filt
    else
        # The linker's own markers are not part of the interface.
        nm -DC --defined-only "$library" | awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }' |
            grep -v -x -E '_init|_fini|_edata|_end|__bss_start'
    fi
}

actual=$(exported_symbols | LC_ALL=C sort -u)
wanted=$(grep -v -E '^(#|$)' "$expected" | LC_ALL=C sort -u)

if ! diff <(echo "$wanted") <(echo "$actual") >/dev/null; then
    echo "exports of $library differ from $expected ('<' missing, '>' unexpected):"
    diff <(echo "$wanted") <(echo "$actual") | grep -E '^[<>]' || true
    exit 1
fi
echo "exports of $(basename "$library") match ($(echo "$actual" | wc -l) symbols)"
