#!/usr/bin/env bash
# Static analysis of the loader, the simulated Windows and the medium checker:
#   static-checks.sh {clang-tidy|cppcheck}
# clang-tidy reads its checks from .clang-tidy and the compile commands of the host build, which
# has every file but the checker's Windows observers (cppcheck reads those too).
set -euo pipefail
cd "$(dirname "$0")/.."
sources=(loader/*.cpp winsim/src/*.cpp)
for file in checker/*.cpp checker/*/*.cpp; do
    if [[ "$file" != *_windows.cpp ]]; then
        sources+=("$file")
    fi
done
case "${1:?usage: static-checks.sh clang-tidy|cppcheck}" in
clang-tidy)
    # One clang-tidy per core, each over a few files at a time.
    if ! report=$(printf '%s\0' "${sources[@]}" |
        xargs -0 -n 6 -P "$(nproc)" clang-tidy --quiet -p build/host 2>&1); then
        grep -v "warnings generated" <<<"$report"
        exit 1
    fi
    echo "clang-tidy: clean on ${#sources[@]} files"
    ;;
cppcheck)
    cppcheck --enable=warning,style,performance,portability --error-exitcode=1 --inline-suppr \
        --quiet -I winsim/include -I loader --std=c++17 --language=c++ loader winsim checker
    echo "cppcheck: clean"
    ;;
esac
