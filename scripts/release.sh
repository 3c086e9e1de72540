#!/usr/bin/env bash
# Makes the release archives from the committed tree (HEAD): copies it into a scratch directory,
# builds the win32 preset and the host checker there, and writes into dist/ (or OUTPUT_DIR):
#   corvane-loader-<version>-win32.zip            the loader, the checker, the sample
#                                                 autorun.inf, the publisher's guide, the licence
#   corvane-loader-<version>-linux-x86_64.tar.gz  the checker for Linux, the loader it lays out
#                                                 media with, the guide, the licence
#   SHA256SUMS                                    over the two archives
# Each archive holds one folder (corvane-loader-<version>/, and ...-linux-x86_64/ so that both
# can be unpacked side by side) with a SHA256SUMS over its other files. The version is the version block's (resources/loader.rc). Every file carries the time
# of the commit, so two runs on the same commit give the same bytes wherever they run.
#   usage: scripts/release.sh [OUTPUT_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/archive.sh
source "$root/scripts/archive.sh"
output=${1:-$root/dist}
mkdir -p "$output"
output=$(cd "$output" && pwd)

# What the archives hold: archive, mode, file in the built copy, name in the archive's folder.
packed_files() {
    cat <<'EOF'
win32 0755 build/win32/loader/loader.exe        loader.exe
win32 0755 build/win32/checker/medium-check.exe medium-check.exe
win32 0644 release/sample/autorun.inf           sample/autorun.inf
win32 0644 docs/publishing.md                   docs/publishing.md
win32 0644 LICENSE                              LICENSE
linux 0755 build/host/checker/medium-check      medium-check
linux 0755 build/win32/loader/loader.exe        loader.exe
linux 0644 docs/publishing.md                   docs/publishing.md
linux 0644 LICENSE                              LICENSE
EOF
}

if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    echo "release: the tree has uncommitted changes; the release is built from HEAD without them" >&2
fi
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct HEAD)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/corvane-release.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
source_copy="$scratch/source"
mkdir -p "$source_copy"
git -C "$root" archive --format=tar HEAD | tar -C "$source_copy" -xf -

version=$(sed -n 's/^FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\) *$/\1.\2.\3.\4/p' \
    "$source_copy/resources/loader.rc")
if [ -z "$version" ]; then
    echo "release: no FILEVERSION line in resources/loader.rc" >&2
    exit 1
fi
name="corvane-loader-$version"

# The host preset is a debug build for the tests; the shipped checker is optimised, stripped
# and free of the scratch directory's path.
(
    cd "$source_copy"
    cmake --preset win32 >/dev/null
    cmake --build --preset win32 >/dev/null
    cmake --preset host -DCMAKE_BUILD_TYPE=Release -DLOADER_PLATFORM_CHECKS=OFF \
        "-DCMAKE_CXX_FLAGS=-ffile-prefix-map=$source_copy=." -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
    cmake --build --preset host --target medium-check >/dev/null
)

stage() {
    local archive=$1 folder=$2
    local kind mode source destination
    while read -r kind mode source destination; do
        if [ "$kind" = "$archive" ]; then
            install -D -m "$mode" "$source_copy/$source" "$folder/$destination"
        fi
    done < <(packed_files)
    write_sums "$folder"
    find "$folder" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

stage win32 "$scratch/win32/$name"
pack_zip "$scratch/win32" "$output/$name-win32.zip"

stage linux "$scratch/linux/$name-linux-x86_64"
normalize_modes "$scratch/linux"
tar -C "$scratch/linux" --sort=name --format=gnu --owner=0 --group=0 --numeric-owner \
    --mtime="@$SOURCE_DATE_EPOCH" -cf - "$name-linux-x86_64" |
    gzip -9 -n >"$output/$name-linux-x86_64.tar.gz"

(cd "$output" && sha256sum -- "$name-win32.zip" "$name-linux-x86_64.tar.gz" >SHA256SUMS)
echo "release: $version in $output"
(cd "$output" && cat SHA256SUMS)
