#!/usr/bin/env bash
# The benchmark tables: bash bench/run.sh [PAIRS]   (pairs for the start cost, default 150)
set -euo pipefail
cd "$(dirname "$0")/.."
# 150 pairs keep the CPU-time intervals within ±3 % on a 2-core machine, even a busy one.
pairs=${1:-150}
bash scripts/setup.sh
for preset in win32 win64 host; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
done
# The product's objects again with their call graphs and frame sizes, for the stack figure.
cmake --preset win32 -B build/bench-stack -DCMAKE_CXX_FLAGS=-fcallgraph-info=su >/dev/null
cmake --build build/bench-stack --target loader >/dev/null
/usr/bin/python3 bench/package_bench.py build/host/checker/medium-check \
    build/host/checker-packages/program-x86.exe tests/checker/package.wxs build/bench-package
exec /usr/bin/python3 bench/bench.py build build/bench "$pairs"
