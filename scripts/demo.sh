#!/usr/bin/env bash
# Installs what is missing, builds what the demo runs and runs it: the 64-bit twin under Wine,
# the shipped 32-bit loader.exe and the build machine's medium-check for the quick start.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# A preset is configured once and then only built, so that a test run's trees stay as they are.
build() { # PRESET [TARGET]
    [ -f "build/$1/build.ninja" ] || cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" ${2:+--target "$2"} >/dev/null
}
build win64
build win32 loader
build host medium-check
exec /usr/bin/python3 demo/demo.py build build/demo
