#!/usr/bin/env bash
# Prints the path of the SARIF Multitool, the SARIF validator from the npm registry, installing
# the pinned version into build/sarif-multitool first when it is not there.
# usage: sarif-validator.sh [BUILD_DIR]
set -euo pipefail
version=5.7.0
build_dir=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
folder="$build_dir/sarif-multitool"
tool="$folder/node_modules/@microsoft/sarif-multitool-linux/Sarif.Multitool"
if [ ! -x "$tool" ] || ! grep -q "\"version\": \"$version\"" "$(dirname "$tool")/package.json"; then
    mkdir -p "$folder"
    npm install --prefix "$folder" --no-audit --no-fund --no-save \
        "@microsoft/sarif-multitool-linux@$version" >&2
    # npm leaves the program without its execute bit when install scripts are not run.
    chmod u+x "$tool"
fi
echo "$tool"
