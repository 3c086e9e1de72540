#!/usr/bin/env bash
# Builds the shipped loader.exe twice from copies of the same sources in different directories
# and requires byte-identical results, with neither build's path inside the image.
set -euo pipefail
source_dir=$(cd "$1" && pwd)
scratch=$(mktemp -d /tmp/loader-reproducible.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

build() {
    local copy=$1
    mkdir -p "$copy"
    tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf -
    # Only the loader is compared: the rest of the preset is not built.
    (cd "$copy" && cmake --preset win32 >/dev/null && cmake --build --preset win32 --target loader >/dev/null)
}

first="$scratch/a"
second="$scratch/second-copy/in/a/deeper/directory"
build "$first"
build "$second"

status=0
if cmp "$first/build/win32/loader/loader.exe" "$second/build/win32/loader/loader.exe"; then
    echo "ok   identical: $(stat -c %s "$first/build/win32/loader/loader.exe") bytes"
else
    echo "FAIL the two builds differ"
    status=1
fi
loader="$first/build/win32/loader/loader.exe"
# The legal notice is the licence's: the version block's UTF-16 text, as Windows shows it.
notice=$(printf 'Copyright (C) 2026 Corvane. MIT License.' | iconv -t UTF-16LE | od -An -tx1 | tr -d ' \n')
if od -An -tx1 -v "$loader" | tr -d ' \n' | grep -q "$notice"; then
    echo "ok   the notice agrees with LICENSE"
else
    echo "FAIL the version block's notice is not the MIT licence's"
    status=1
fi
if [ "$(stat -c %s "$loader")" -le 26112 ]; then
    echo "ok   at most 26,112 bytes"
else
    echo "FAIL over 26,112 bytes: $(stat -c %s "$loader") bytes"
    status=1
fi
for path in "$first" "$second" "$scratch"; do
    if grep -q -a -F "$path" "$first/build/win32/loader/loader.exe" "$second/build/win32/loader/loader.exe"; then
        echo "FAIL a build path is inside the image: $path"
        status=1
    fi
done
exit $status
