#!/usr/bin/env bash
# Lays out the folder a Windows application links against and ships, one variant (one
# compiler's build) per subfolder:
#
#   dist-windows.sh mingw BUILD DEPS OUT   makes OUT/mingw from the MinGW-w64 build tree
#                                          BUILD and the prefix DEPS of windows-deps.sh
#   dist-windows.sh msvc BUILD MINGW-BUILD DEPS OUT
#                                          makes OUT/msvc from the Microsoft-ABI build
#                                          tree BUILD, with the audio DLL of MINGW-BUILD
#   dist-windows.sh check FOLDER           checks that every DLL and program in FOLDER
#                                          imports only DLLs in FOLDER or Windows' own
#
# A variant folder is complete on its own: bin/ (the three DLLs, every DLL they need,
# the compiler's runtime DLLs; pelgra-play.exe in mingw/, the .pdb files in msvc/), lib/
# (import libraries: .dll.a with the CMake package and the pkg-config file in mingw/,
# Microsoft's .lib in msvc/), include/, and licenses/ (the licence text of every library
# shipped).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
objdump=x86_64-w64-mingw32-objdump

die() {
    echo "dist-windows: $*" >&2
    exit 1
}

# The DLLs that Windows itself provides, in lower case: a shipped file may import these
# and no others from outside its folder.
system_dlls=$(grep -v -E '^(#|$)' "$here/windows-system-dlls.txt")

is_system_dll() {
    local name=${1,,}
    [[ $name == api-ms-win-* ]] || grep -qx -F "$name" <<<"$system_dlls"
}

imports_of() {
    "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'
}

# Whether FOLDER holds NAME, in any case, as Windows would find it.
folder_has() {
    [[ -n $(find "$1" -maxdepth 1 -iname "$2" -print -quit) ]]
}

# Copies into FOLDER every DLL that its files import, and those DLLs import, from the
# search folders given; fails on one found nowhere.
copy_needed_dlls() {
    local folder=$1
    shift
    local changed=1 file name dir
    while [[ $changed -eq 1 ]]; do
        changed=0
        for file in "$folder"/*.dll "$folder"/*.exe; do
            [[ -e $file ]] || continue
            while read -r name; do
                if is_system_dll "$name" || folder_has "$folder" "$name"; then
                    continue
                fi
                for dir in "$@"; do
                    if [[ -f $dir/$name ]]; then
                        cp "$dir/$name" "$folder/"
                        changed=1
                        continue 2
                    fi
                done
                die "$(basename "$file") needs $name, found neither in the build nor in: $*"
            done < <(imports_of "$file")
        done
    done
}

check_folder() {
    local folder=$1 file name bad=0 count=0
    for file in "$folder"/*.dll "$folder"/*.exe; do
        [[ -e $file ]] || continue
        count=$((count + 1))
        while read -r name; do
            if ! is_system_dll "$name" && ! folder_has "$folder" "$name"; then
                echo "$(basename "$file") imports $name, which is neither in $folder nor part of Windows"
                bad=1
            fi
        done < <(imports_of "$file")
    done
    [[ $count -gt 0 ]] || die "no DLL or program in $folder"
    [[ $bad -eq 0 ]] || exit 1
    echo "$count DLLs and programs in $folder import only each other and Windows' own DLLs"
}

# Copies the Debian copyright file of the package that installed each file given.
copy_package_licences() {
    local licences=$1 file package
    shift
    for file in "$@"; do
        package=$(dpkg -S "$file" 2>/dev/null | head -n 1 | cut -d: -f1) ||
            die "no Debian package owns $file"
        [[ -n $package ]] || die "no Debian package owns $file"
        mkdir -p "$licences/$package"
        cp "/usr/share/doc/$package/copyright" "$licences/$package/copyright"
    done
}

# Completes the variant folder OUT, whose bin/ holds the project's DLLs: every DLL they
# need from the prefix DEPS and the MinGW runtime, and the licence of each.
complete_variant() {
    local out=$1 deps=$2
    local runtime_dirs=(
        "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"
        /usr/x86_64-w64-mingw32/lib
    )
    copy_needed_dlls "$out/bin" "$deps/bin" "${runtime_dirs[@]}"
    # Debugging information is most of the builds' size; a shipped folder goes without.
    find "$out/bin" -maxdepth 1 \( -name '*.dll' -o -name '*.exe' \) \
        -exec x86_64-w64-mingw32-strip --strip-debug {} +

    mkdir -p "$out/licenses"
    cp -r "$deps/share/licenses/." "$out/licenses/"
    local runtime=() dll dir
    for dll in "$out"/bin/*.dll; do
        [[ -f $deps/bin/$(basename "$dll") ]] && continue
        for dir in "${runtime_dirs[@]}"; do
            [[ -f $dir/$(basename "$dll") ]] && runtime+=("$dir/$(basename "$dll")")
        done
    done
    copy_package_licences "$out/licenses" "${runtime[@]}"
}

layout_mingw() {
    local build=$1 deps=$2 out=$3/mingw
    [[ -f $deps/.complete ]] || die "$deps is not a complete prefix of windows-deps.sh"
    rm -rf "$out"
    cmake --install "$build" --prefix "$out" >/dev/null
    complete_variant "$out" "$deps"
    echo "$out"
}

# The Microsoft-ABI variant: its own engine and utility DLLs with .pdb files and .lib
# import libraries, beside the MinGW build's audio DLL, whose interface is plain C.
layout_msvc() {
    local build=$1 mingw_build=$2 deps=$3 out=$4/msvc
    [[ -f $deps/.complete ]] || die "$deps is not a complete prefix of windows-deps.sh"
    rm -rf "$out"
    mkdir -p "$out/bin"
    cp "$mingw_build/bin/libPelgraAudio.dll" "$out/bin/"
    complete_variant "$out" "$deps"
    # Installed after the MinGW-built DLLs are stripped: these keep their .pdb files.
    cmake --install "$build" --prefix "$out" >/dev/null
    echo "$out"
}

case ${1:-} in
mingw)
    [[ $# -eq 4 ]] || die "usage: dist-windows.sh mingw BUILD DEPS OUT"
    layout_mingw "$2" "$3" "$4"
    ;;
msvc)
    [[ $# -eq 5 ]] || die "usage: dist-windows.sh msvc BUILD MINGW-BUILD DEPS OUT"
    layout_msvc "$2" "$3" "$4" "$5"
    ;;
check)
    [[ $# -eq 2 ]] || die "usage: dist-windows.sh check FOLDER"
    check_folder "$2"
    ;;
*)
    die "usage: dist-windows.sh mingw BUILD DEPS OUT | msvc BUILD MINGW-BUILD DEPS OUT | check FOLDER"
    ;;
esac
