#!/usr/bin/env bash
# Runs the Wine suite on the 64-bit twin: run-suite.sh WIN64_BUILD_DIR SCRATCH_DIR PREFIX_DIR
# The twin reads the 64-bit registry view, so its MSI is the 64-bit one; the double-byte cases run
# in both locales (scripts/setup.sh generates them).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export LOADER_EXE=${LOADER_EXE:-$1/loader/loader.exe}
export PROBE_EXE=${PROBE_EXE:-$1/tests/wine/probe.exe}
export MSI_IN_VIEW=${MSI_IN_VIEW-$1/tests/wine/runtime-x64.msi}
export DOUBLE_BYTE_LOCALES=${DOUBLE_BYTE_LOCALES-ja_JP.UTF-8 zh_CN.UTF-8}
export SUITE_DIR=$2
export PREFIX_DIR=$3
exec /usr/bin/python3 "$here/suite.py" "${@:4}"
