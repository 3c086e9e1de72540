#!/usr/bin/env bash
# The one command that runs every test: installs what is missing, configures, builds, tests.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/check-format.sh
cmake --preset host
cmake --build --preset host
ctest --preset host
