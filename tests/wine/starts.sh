#!/usr/bin/env bash
# The win64 twin starts under 64-bit Wine and exits 0, here from a folder with no autorun.inf.
set -euo pipefail
loader=$1
prefix=$2
export WINEPREFIX=$prefix WINEDEBUG=-all
wine=/usr/lib/wine/wine64
if [ ! -f "$prefix/system.reg" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
fi
medium=$(mktemp -d /tmp/loader-starts.XXXXXX)
trap 'rm -rf "$medium"' EXIT
cp "$loader" "$medium/loader.exe"
cd "$medium"
set +e
"$wine" ./loader.exe </dev/null >/dev/null 2>&1
code=$?
set -e
echo "loader.exe under wine64 ended with exit code $code"
[ "$code" -eq 0 ]
