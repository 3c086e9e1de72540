#!/usr/bin/env bash
# The benchmark table: bash bench/run.sh [PAIRS]   (A/B pairs for the start cost, default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-30}
bash scripts/setup.sh
for preset in win32 win64 host; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
done
# The product's objects again with their call graphs and frame sizes, for the stack figure.
cmake --preset win32 -B build/bench-stack -DCMAKE_CXX_FLAGS=-fcallgraph-info=su >/dev/null
cmake --build build/bench-stack --target loader >/dev/null
exec /usr/bin/python3 bench/bench.py build build/bench "$pairs"
