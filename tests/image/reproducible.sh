#!/usr/bin/env bash
# Builds the shipped programs twice from copies of the same sources in different directories and
# requires byte-identical results, with neither build's path inside: loader.exe, and the
# medium-check programs that go into the release archive (win32 and host).
set -euo pipefail
source_dir=$(cd "$1" && pwd)
scratch=$(mktemp -d /tmp/loader-reproducible.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

build() {
    local copy=$1
    mkdir -p "$copy"
    tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf -
    (cd "$copy" && cmake --preset win32 >/dev/null && cmake --build --preset win32 >/dev/null &&
        cmake --preset host >/dev/null && cmake --build --preset host --target medium-check >/dev/null)
}

first="$scratch/a"
second="$scratch/second-copy/in/a/deeper/directory"
build "$first"
build "$second"

status=0
for product in build/win32/loader/loader.exe build/win32/checker/medium-check.exe \
    build/host/checker/medium-check; do
    if cmp "$first/$product" "$second/$product"; then
        echo "ok   identical: $product, $(stat -c %s "$first/$product") bytes"
    else
        echo "FAIL the two builds of $product differ"
        status=1
    fi
    for path in "$first" "$second" "$scratch"; do
        if grep -q -a -F "$path" "$first/$product" "$second/$product"; then
            echo "FAIL a build path is inside $product: $path"
            status=1
        fi
    done
done
exit $status
