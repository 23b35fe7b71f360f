#!/usr/bin/env bash
# Compares the symbols that a shared library exports with a checked-in list of demangled
# signatures: a missing export, a stray one, a const member or a bare C name shows as a
# difference. Reads ELF libraries with nm and Windows DLLs with MinGW's objdump. A DLL's
# names must all be of its C++ ABI: GCC's (MinGW-w64, the default) or, with the third
# argument "msvc", Microsoft's, demangled with llvm-undname into the same form as nm's.
set -euo pipefail
library=$1
expected=$2
abi=${3:-gnu}

dll_export_names() {
    # The name pointer table lists one "[ordinal] name" row per export.
    x86_64-w64-mingw32-objdump -p "$library" |
        sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^\s*\[ *[0-9]*\] //p'
}

# "public: class CSong & __cdecl CSong::operator=(class CSong const &)" becomes
# "CSong::operator=(CSong const&)", as nm -C prints it.
msvc_demangle() {
    # llvm-undname prints each name, its demangled form (none when it cannot) and an
    # empty line; an undemangled name stays as it is, and so shows as unexpected.
    { xargs llvm-undname 2>/dev/null || true; } | awk -v RS= -F'\n' '{ print (NF >= 2 ? $2 : $1) }' |
        sed -E 's/^(public|protected|private): //; s/^(static |virtual )//; s/^.*__cdecl //' |
        sed -E 's/\(void\)/()/; s/\b(class|struct|union|enum) //g; s/ ([*&])/\1/g'
}

reject_names_of_other_abi() {
    local pattern=$1 names=$2 stray
    stray=$(grep -E "$pattern" <<<"$names" || true)
    if [[ -n $stray ]]; then
        echo "$library exports names of the other C++ ABI than $abi:" >&2
        echo "$stray" >&2
        exit 1
    fi
}

exported_symbols() {
    if [[ $library == *.dll ]]; then
        local names
        names=$(dll_export_names)
        if [[ $abi == msvc ]]; then
            reject_names_of_other_abi '^_Z' "$names"
            msvc_demangle <<<"$names"
        else
            reject_names_of_other_abi '^\?' "$names"
            x86_64-w64-mingw32-c++filt <<<"$names"
        fi
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
