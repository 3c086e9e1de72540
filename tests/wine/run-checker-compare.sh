#!/usr/bin/env bash
# Runs the checker's predictions against the loader under Wine:
#   run-checker-compare.sh WINDOWS_BUILD_DIR SCRATCH_DIR PREFIX_DIR [VIEW]
# VIEW is the registry view of the build's loader: 64 for the win64 twins (the default here),
# 32 for the shipped win32 programs in a WoW64 prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export LOADER_EXE=${LOADER_EXE:-$1/loader/loader.exe}
export PROBE_EXE=${PROBE_EXE:-$1/tests/wine/probe.exe}
export CHECKER_EXE=${CHECKER_EXE:-$1/checker/medium-check.exe}
export CHECK_VIEW=${CHECK_VIEW:-${4:-64}}
export SUITE_DIR=$2
export PREFIX_DIR=$3
exec /usr/bin/python3 "$here/checker_compare.py"
