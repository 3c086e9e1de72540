#!/usr/bin/env bash
# The one command that runs every test: installs what is missing, configures, builds, tests.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/check-format.sh
for preset in win32 win64 win64-tests host-asan host; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done
# The unit suite under AddressSanitizer and UndefinedBehaviorSanitizer, then everything.
ctest --preset host-asan -L unit
ctest --preset host
