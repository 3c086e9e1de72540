#!/usr/bin/env bash
# Installs what is missing, builds the 64-bit twin and runs the demo under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 >/dev/null
exec /usr/bin/python3 demo/demo.py build/win64 build/demo
