#!/usr/bin/env bash
# Runs the Wine suite on the shipped 32-bit loader.exe inside a Debian VM, under qemu's software
# emulation (this kernel cannot execute 32-bit programs itself), in two prefixes:
#   - a 64-bit prefix, where the loader runs under WoW64 as on 64-bit Windows, the machine nearly
#     every user has: the whole suite, the registry views, 32- and 64-bit packages (probes and
#     MSIs), the double-byte code pages 932 and 936, the machine hardened against AutoRun (every
#     autorun.inf mapped to the registry, in both views), the package staged alone in a new
#     directory (DLLs and a file named as the package in the temporary directory, nothing left
#     there after) and media in folders named in Thai and Lodz with its Polish letters; then the
#     shipped medium-check.exe's predictions against what loader.exe does, in both views and on
#     the hardened machine;
#   - a 32-bit prefix, as on 32-bit Windows: the whole suite, the hardened machine, the staging
#     cases and both folders included, and the 32-bit MSI. The views and
#     64-bit packages do not exist there, and the code pages are handled by the same 32-bit system
#     libraries as in the WoW64 prefix, so those cases run once, in the WoW64 prefix.
#   - in both prefixes, the medium as a disc image made by the build machine's medium-check init
#     --iso (MEDIUM_CHECK, by default the host build's), mounted read-only from a loop device: the
#     loader runs from it as from a CD.
#   vm/run-suite.sh WIN32_BUILD_DIR WIN64_BUILD_DIR SCRATCH_DIR
# The image comes from vm/build-image.sh (cached), with both prefixes made once in it: each run
# starts from them unchanged. The programs under test and the suite go on a second disk; the root
# disk is never written (snapshot=on). A guest that does not power off
# within the time limit is killed, and that is a failure.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
build64=$(cd "$2" && pwd)
scratch=$3
time_limit=${VM_TIME_LIMIT:-2400}
time_factor=${VM_TIME_FACTOR:-8}

started=$(date +%s)
image_dir=$(bash "$here/build-image.sh")
image_ready=$(date +%s)

rm -rf "$scratch"
mkdir -p "$scratch/disk"
cp "$build/loader/loader.exe" "$build/checker/medium-check.exe" "$build/tests/wine/probe.exe" \
    "$build/tests/wine/runtime-x86.msi" "$build/tests/wine/runtime-x64.msi" "$scratch/disk/"
cp "$build64/tests/wine/probe.exe" "$scratch/disk/probe64.exe"
cp "$here/../tests/wine/suite.py" "$here/../tests/wine/winehost.py" \
    "$here/../tests/wine/checker_compare.py" "$scratch/disk/"
# The guest has no xorriso: the image is made here, by init, with the probe as the package.
host_checker=${MEDIUM_CHECK:-$here/../build/host/checker/medium-check}
cp "$build/tests/wine/probe.exe" "$scratch/setup.exe"
"$host_checker" init "$scratch/image-medium" --package "$scratch/setup.exe" \
    --loader "$build/loader/loader.exe" --reg-path 'CorvaneSuite\DiscImage' --version 2.1.0.5 \
    --iso "$scratch/disk/medium.iso" >"$scratch/init.log" 2>&1 || { cat "$scratch/init.log"; exit 1; }
# The guest has no wixl: the MSI cases' packages, for the 32-bit loader, are made here.
LOADER_EXE= PROBE_EXE= CHECKER_EXE= SUITE_DIR="$scratch" PREFIX_DIR="$scratch" CHECK_VIEW=32 \
    MSI_DIR="$scratch/disk/msis" python3 "$here/../tests/wine/checker_compare.py" make-msis
cat >"$scratch/disk/run.sh" <<RUN
#!/bin/sh
# Time limits stretched for the emulated machine; each prefix with its own Wine loader and server.
disk=/tmp/suite-disk
export TIME_FACTOR=$time_factor LOADER_EXE=\$disk/loader.exe PROBE_EXE=\$disk/probe.exe
wow64="env WINEARCH=win64 WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64"
status=0
# The image as Linux mounts a disc: read-only, from a loop device.
modprobe loop 2>/dev/null || true
mkdir -p /tmp/medium-image
mount -t iso9660 -o loop,ro \$disk/medium.iso /tmp/medium-image || status=1
export MEDIUM_IMAGE_DIR=/tmp/medium-image
echo "=== WoW64: the 32-bit loader.exe in a 64-bit prefix"
\$wow64 WOW64=1 WINE32=/usr/lib/wine/wine \\
    PROBE64_EXE=\$disk/probe64.exe MSI_IN_VIEW=\$disk/runtime-x86.msi \\
    MSI_OTHER_VIEW=\$disk/runtime-x64.msi DOUBLE_BYTE_LOCALES="ja_JP.UTF-8 zh_CN.UTF-8" \\
    SUITE_DIR=/tmp/suite64 PREFIX_DIR=/var/lib/corvane-loader/prefix64 python3 \$disk/suite.py 2>&1 || status=1
echo "=== WoW64: medium-check.exe's predictions against loader.exe"
\$wow64 CHECKER_EXE=\$disk/medium-check.exe CHECK_VIEW=32 SUITE_DIR=/tmp/check64 MSI_DIR=\$disk/msis \\
    PREFIX_DIR=/var/lib/corvane-loader/prefix64 python3 \$disk/checker_compare.py 2>&1 || status=1
echo "=== 32-bit: loader.exe in a 32-bit prefix"
WINEARCH=win32 WINE=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 \\
    MSI_IN_VIEW=\$disk/runtime-x86.msi \\
    SUITE_DIR=/tmp/suite32 PREFIX_DIR=/var/lib/corvane-loader/prefix32 python3 \$disk/suite.py 2>&1 || status=1
umount /tmp/medium-image || true
exit \$status
RUN
status=0
bash "$here/boot.sh" "$image_dir" "$scratch/disk" "$scratch/console.log" "$time_limit" ||
    status=$?
ended=$(date +%s)

# The console carries the suite's own output between the two markers (the firmware's screen
# control codes may come before the first).
tr -d '\r' <"$scratch/console.log" | sed -n 's/.*\(SUITE-BEGIN\)/\1/; /SUITE-BEGIN/,/^SUITE-EXIT/p'
echo "image ready after $((image_ready - started)) s; VM boot to result $((ended - image_ready)) s"
case $status in
124) echo "FAIL: the VM did not finish within $time_limit s" ;;
125) echo "FAIL: the suite did not report" ;;
esac
if [ "$status" -ge 124 ]; then
    tail -n 40 "$scratch/console.log"
fi
[ "$status" -eq 0 ]
