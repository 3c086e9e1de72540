#!/usr/bin/env bash
# The one command that runs every test: installs what is missing, configures, builds, tests.
#   scripts/test.sh           everything, the 32-bit loader.exe in its VM included
#   scripts/test.sh --quick   everything but the VM check, for day-to-day work
set -euo pipefail
cd "$(dirname "$0")/.."
skip=()
if [ "${1:-}" = "--quick" ]; then
    skip=(-LE vm)
fi

bash scripts/setup.sh
bash scripts/check-format.sh
for preset in win32 win64 win64-tests host-asan host; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done
# The unit suite under AddressSanitizer and UndefinedBehaviorSanitizer, then everything.
ctest --preset host-asan -L unit
ctest --preset host "${skip[@]}"
