#!/usr/bin/env bash
# Runs the Wine suite on the given build: run-suite.sh WINDOWS_BUILD_DIR SCRATCH_DIR PREFIX_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export LOADER_EXE=${LOADER_EXE:-$1/loader/loader.exe}
export PROBE_EXE=${PROBE_EXE:-$1/tests/wine/probe.exe}
export SUITE_DIR=$2
export PREFIX_DIR=$3
exec /usr/bin/python3 "$here/suite.py"
