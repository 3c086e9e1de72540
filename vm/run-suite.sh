#!/usr/bin/env bash
# Runs the Wine suite on the shipped 32-bit loader.exe inside a Debian VM with 32-bit Wine, under
# qemu's software emulation (this kernel cannot execute 32-bit programs itself).
#   vm/run-suite.sh WIN32_BUILD_DIR SCRATCH_DIR
# The image comes from vm/build-image.sh (cached). The programs under test and the suite go on a
# second disk; the root disk is never written (snapshot=on). A guest that does not power off
# within the time limit is killed, and that is a failure.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
scratch=$2
time_limit=${VM_TIME_LIMIT:-2400}
time_factor=${VM_TIME_FACTOR:-8}

started=$(date +%s)
image_dir=$(bash "$here/build-image.sh")
image_ready=$(date +%s)

rm -rf "$scratch"
mkdir -p "$scratch/disk"
cp "$build/loader/loader.exe" "$build/tests/wine/probe.exe" "$scratch/disk/"
cp "$here/../tests/wine/suite.py" "$here/../tests/wine/winehost.py" "$scratch/disk/"
cat >"$scratch/disk/run.sh" <<RUN
#!/bin/sh
# 32-bit Wine, a 32-bit prefix, and time limits stretched for the emulated machine.
export WINEARCH=win32 WINE=/usr/bin/wine WINESERVER=/usr/bin/wineserver TIME_FACTOR=$time_factor
export LOADER_EXE=/tmp/suite-disk/loader.exe PROBE_EXE=/tmp/suite-disk/probe.exe
export SUITE_DIR=/tmp/suite PREFIX_DIR=/tmp/prefix
python3 /tmp/suite-disk/suite.py 2>&1
RUN
mke2fs -q -t ext4 -d "$scratch/disk" -L suite "$scratch/suite.img" 64M

set +e
timeout --kill-after=10 "$time_limit" qemu-system-x86_64 \
    -accel tcg,thread=multi -cpu qemu64,+ssse3,+sse4.1,+sse4.2,+popcnt -smp 2 -m 4096 \
    -nographic -no-reboot \
    -kernel "$image_dir/vmlinuz" -initrd "$image_dir/initrd.img" \
    -append "root=/dev/vda rw console=ttyS0 init=/suite.sh quiet" \
    -drive file="$image_dir/disk.img",if=virtio,format=raw,snapshot=on \
    -drive file="$scratch/suite.img",if=virtio,format=raw \
    -net none </dev/null >"$scratch/console.log" 2>&1
qemu_status=$?
set -e
ended=$(date +%s)

# The console carries the suite's own output between the two markers (the firmware's screen
# control codes may come before the first).
tr -d '\r' <"$scratch/console.log" | sed -n 's/.*\(SUITE-BEGIN\)/\1/; /SUITE-BEGIN/,/^SUITE-EXIT/p'
exit_line=$(tr -d '\r' <"$scratch/console.log" | grep -a '^SUITE-EXIT' || true)
echo "image ready after $((image_ready - started)) s; VM boot to result $((ended - image_ready)) s"
if [ "$qemu_status" -eq 124 ] || [ "$qemu_status" -eq 137 ]; then
    echo "FAIL: the VM did not finish within $time_limit s"
    tail -n 30 "$scratch/console.log"
    exit 1
fi
if [ -z "$exit_line" ]; then
    echo "FAIL: the suite did not report (qemu exit $qemu_status)"
    tail -n 40 "$scratch/console.log"
    exit 1
fi
read -r _ code _ <<<"$exit_line"
[ "$code" -eq 0 ]
