#!/usr/bin/env bash
# Compares the dynamic symbols that a shared library defines with a checked-in list of
# demangled signatures: a missing export, a stray one, a const member or a bare C name
# shows as a difference.
set -euo pipefail
library=$1
expected=$2

# The linker's own markers are not part of the interface.
actual=$(nm -DC --defined-only "$library" |
    awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }' |
    grep -v -x -E '_init|_fini|_edata|_end|__bss_start' | LC_ALL=C sort -u)
wanted=$(grep -v -E '^(#|$)' "$expected" | LC_ALL=C sort -u)

if ! diff <(echo "$wanted") <(echo "$actual") >/dev/null; then
    echo "exports of $library differ from $expected ('<' missing, '>' unexpected):"
    diff <(echo "$wanted") <(echo "$actual") | grep -E '^[<>]' || true
    exit 1
fi
echo "exports of $(basename "$library") match ($(echo "$actual" | wc -l) symbols)"
