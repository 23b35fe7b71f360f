#!/usr/bin/env bash
# Cross-builds the Windows x86-64 DLLs of the audio library's dependencies (SDL2, libogg,
# libvorbis, FLAC, Opus, opusfile, mpg123, LAME, libsndfile, libsoxr, libopenmpt) from Debian's source
# packages with Debian's MinGW-w64, into a prefix outside the checkout, and prints that
# prefix's path as the last line of its output.
#
# The prefix lives in ${PELGRA_CACHE:-~/.cache/pelgra}/windows-deps/KEY, where KEY is a
# hash of this script, its patches, the compiler's version and each package's Debian
# version: a complete prefix of the same key is reused as it is. A prefix is complete
# once its stamp file is written, last; a build that was interrupted leaves no stamp and
# is made again from the start. One build runs at a time (a lock per key).
#
# Environment: JOBS (parallel compile jobs, default nproc).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
patch_dir=$here/windows-deps
triple=x86_64-w64-mingw32
cc=$triple-gcc-posix
cxx=$triple-g++-posix
toolchain=$here/../cmake/toolchains/mingw-w64-x86_64.cmake
jobs=${JOBS:-$(nproc)}
cache_root=${PELGRA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pelgra}/windows-deps

# In build order: each one finds those before it in the prefix.
packages=(libogg libvorbis flac opus opusfile mpg123 lame libsndfile libsoxr libsdl2 libopenmpt)

say() { echo "windows-deps: $*" >&2; }
die() {
    say "$*"
    exit 1
}

as_root() {
    if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# apt-get source needs deb-src entries; a fresh machine has only deb ones. Add deb-src
# entries for the very archives the deb entries name, in either of the forms Debian 12
# installs: deb822 stanzas (debian.sources) or one-line entries (sources.list).
ensure_source_entries() {
    if apt-get source --print-uris -qq libogg >/dev/null 2>&1; then
        return
    fi
    local stanzas=/etc/apt/sources.list.d/debian.sources lines=/etc/apt/sources.list
    if [[ -f $stanzas ]]; then
        say "adding deb-src entries beside $stanzas"
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             {
                 n = split($0, lines, "\n"); binary = 0; text = ""
                 for (i = 1; i <= n; i++) {
                     if (lines[i] ~ /^Types:/) {
                         m = split(lines[i], words, /[ \t]+/)
                         for (j = 2; j <= m; j++) if (words[j] == "deb") binary = 1
                         lines[i] = "Types: deb-src"
                     }
                     text = text (i > 1 ? "\n" : "") lines[i]
                 }
                 if (binary) print text
             }' "$stanzas" | as_root tee /etc/apt/sources.list.d/pelgra-deb-src.sources >/dev/null
    elif grep -qE '^deb[[:space:]]' "$lines" 2>/dev/null; then
        say "adding deb-src entries beside $lines"
        sed -n -E 's/^deb([[:space:]])/deb-src\1/p' "$lines" |
            as_root tee /etc/apt/sources.list.d/pelgra-deb-src.list >/dev/null
    else
        die "no deb-src entries, and neither $stanzas nor $lines to derive them from: add deb-src lines by hand"
    fi
    as_root apt-get update -qq >&2
}

# The newest source version the archive offers, which apt-get source fetches.
debian_version() {
    apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/ { print $2 }' |
        sort -V | tail -n 1
}

for tool in "$cc" "$cxx" cmake make patch; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/install-deps.sh installs it)"
done
ensure_source_entries

declare -A version
description="compiler: $($cc -dumpfullversion) ($(dpkg-query -W -f='${Version}' "g++-mingw-w64-x86-64-posix" 2>/dev/null))"$'\n'
for package in "${packages[@]}"; do
    version[$package]=$(debian_version "$package")
    [[ -n ${version[$package]} ]] || die "the archive offers no source of $package"
    description+="$package ${version[$package]}"$'\n'
done
key=$({
    cat "${BASH_SOURCE[0]}" "$patch_dir"/*.patch
    echo "$description"
} | sha256sum | cut -c1-16)
prefix=$cache_root/$key
stamp=$prefix/.complete

mkdir -p "$cache_root"
exec 9>"$cache_root/$key.lock"
flock 9
if [[ -f $stamp ]]; then
    echo "$prefix"
    exit 0
fi

say "building into $prefix (a few minutes; logs in $prefix.work/logs)"
work=$prefix.work
rm -rf "$prefix" "$work"
mkdir -p "$prefix" "$work/logs"
started=$SECONDS

# run PACKAGE STEP COMMAND...: runs one step, its output into the package's log.
run() {
    local package=$1 step=$2 log=$work/logs/$1.log
    shift 2
    echo "== $step: $*" >>"$log"
    if ! "$@" >>"$log" 2>&1; then
        tail -n 40 "$log" >&2
        die "$package: $step failed (whole log: $log)"
    fi
}

# unpack_without_signatures PACKAGE: unpacks a source package whose upstream signature
# (.asc) the mirror does not serve, which makes apt-get source give up. The .dsc less its
# .asc lines still has every other file's checksum checked by dpkg-source.
unpack_without_signatures() {
    local package=$1 dsc name
    dsc=$(find "$work" -maxdepth 1 -name "${package}_*.dsc" | head -n 1)
    [[ -n $dsc ]] || return 1
    while read -r name; do
        [[ -f $work/$name || $name == *.asc ]] || return 1
    done < <(awk '/^Files:/ { files = 1; next } /^[^ ]|^$/ { files = 0 } files { print $3 }' "$dsc")
    grep -v -E ' [^ ]+\.asc$' "$dsc" >"$dsc.unsigned"
    (cd "$work" && dpkg-source -x "$(basename "$dsc").unsigned")
}

fetch() {
    local package=$1
    if ! (cd "$work" && apt-get source -qq "$package=${version[$package]}" >>"$work/logs/$package.log" 2>&1); then
        unpack_without_signatures "$package" >>"$work/logs/$package.log" 2>&1 || {
            tail -n 20 "$work/logs/$package.log" >&2
            die "$package: apt-get source failed (whole log: $work/logs/$package.log)"
        }
        say "$package: the mirror lacks an upstream signature (.asc); unpacked with the .dsc's checksums"
    fi
    local dir
    dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
    [[ -n $dir ]] || die "$package: apt-get source left no source folder"
    if [[ -f $patch_dir/$package.patch ]]; then
        patch -d "$dir" -p1 --forward --batch --dry-run <"$patch_dir/$package.patch" >/dev/null ||
            die "$package: $patch_dir/$package.patch no longer applies to ${version[$package]}: update it"
        patch -d "$dir" -p1 --forward --batch --quiet <"$patch_dir/$package.patch" >&2
    fi
    # The licence texts travel with the DLLs.
    local licences=$prefix/share/licenses/$package
    mkdir -p "$licences"
    find "$dir" -maxdepth 1 -type f \( -iname 'copying*' -o -iname 'licen[cs]e*' \) -exec cp {} "$licences/" \;
    cp "$dir/debian/copyright" "$licences/debian-copyright"
    echo "$dir"
}

pkg_config_dirs=$prefix/lib/pkgconfig:$prefix/share/pkgconfig

cmake_build() {
    local package=$1 dir=$2
    shift 2
    run "$package" configure cmake -S "$dir" -B "$dir/build-windows" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DPELGRA_WINDOWS_DEPS="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON "$@"
    run "$package" build cmake --build "$dir/build-windows" -j "$jobs"
    run "$package" install cmake --install "$dir/build-windows"
}

autotools_build() {
    local package=$1 dir=$2
    shift 2
    mkdir -p "$dir/build-windows"
    (cd "$dir/build-windows" && run "$package" configure env PKG_CONFIG_LIBDIR="$pkg_config_dirs" \
        PKG_CONFIG_PATH= CC="$cc" CXX="$cxx" ../configure --host=$triple --prefix="$prefix" \
        --enable-shared --disable-static "$@")
    run "$package" build make -C "$dir/build-windows" -j "$jobs"
    run "$package" install make -C "$dir/build-windows" install
}

for package in "${packages[@]}"; do
    say "$package ${version[$package]}"
    dir=$(fetch "$package")
    case $package in
    libogg)
        cmake_build "$package" "$dir" -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
        ;;
    libvorbis)
        cmake_build "$package" "$dir" -DBUILD_TESTING=OFF
        ;;
    flac)
        cmake_build "$package" "$dir" -DBUILD_CXXLIBS=OFF -DWITH_OGG=ON -DBUILD_PROGRAMS=OFF \
            -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF \
            -DWITH_STACK_PROTECTOR=OFF -DWITH_FORTIFY_SOURCE=OFF
        ;;
    opus)
        autotools_build "$package" "$dir" --disable-doc --disable-extra-programs \
            --disable-stack-protector CPPFLAGS=-D_FORTIFY_SOURCE=0
        ;;
    opusfile)
        # No HTTP streams: they would need OpenSSL.
        autotools_build "$package" "$dir" --disable-http --disable-examples --disable-doc
        ;;
    mpg123)
        autotools_build "$package" "$dir" --with-cpu=x86-64 --with-audio=dummy \
            --enable-modules=no --enable-network=no
        ;;
    lame)
        # libsndfile encodes MP3 through it (and decodes through mpg123).
        autotools_build "$package" "$dir" --disable-frontend --disable-analyzer-hooks \
            --disable-gtktest
        ;;
    libsndfile)
        cmake_build "$package" "$dir" -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=ON \
            -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DENABLE_CPACK=OFF \
            -DINSTALL_MANPAGES=OFF
        ;;
    libsoxr)
        cmake_build "$package" "$dir" -DWITH_OPENMP=OFF -DWITH_LSR_BINDINGS=OFF \
            -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF
        ;;
    libsdl2)
        cmake_build "$package" "$dir" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
        ;;
    libopenmpt)
        autotools_build "$package" "$dir" --without-zlib --without-mpg123 --without-portaudio \
            --without-portaudiocpp --without-pulseaudio --without-sndfile --without-flac \
            --without-sdl2 --disable-openmpt123 --disable-examples --disable-tests \
            --disable-doxygen-doc
        ;;
    esac
done

rm -rf "$work"
echo -n "$description" >"$prefix/versions.txt"
touch "$stamp.new" && mv "$stamp.new" "$stamp"
say "done in $((SECONDS - started)) s: $(du -sh "$prefix" | cut -f1)"
echo "$prefix"
