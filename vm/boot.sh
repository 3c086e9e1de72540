#!/usr/bin/env bash
# Boots the VM image under qemu's software emulation with a disk of commands as its second drive.
# The image's init runs run.sh from that disk, prints its exit code between the markers
# SUITE-BEGIN and SUITE-EXIT on the serial console, and powers the machine off.
#   vm/boot.sh IMAGE_DIR COMMANDS_DIR CONSOLE_LOG TIME_LIMIT [keep]
# The image is never written (snapshot=on) unless "keep" is given, which build-image.sh uses once
# to prepare it. Exit status: run.sh's own, as the guest reported it; 124 when the guest did not
# finish within TIME_LIMIT seconds and was killed; 125 when it ended without reporting.
set -euo pipefail
image_dir=$1
commands=$2
console=$3
time_limit=$4
snapshot=on
[ "${5:-}" = keep ] && snapshot=off

disk=$(mktemp "${TMPDIR:-/tmp}/corvane-vm-commands.XXXXXX")
trap 'rm -f "$disk"' EXIT
rm -f "$disk"
mke2fs -q -t ext4 -d "$commands" -L suite "$disk" 64M >/dev/null

status=0
timeout --kill-after=10 "$time_limit" qemu-system-x86_64 \
    -accel tcg,thread=multi -cpu qemu64,+ssse3,+sse4.1,+sse4.2,+popcnt -smp 2 -m 4096 \
    -nographic -no-reboot \
    -kernel "$image_dir/vmlinuz" -initrd "$image_dir/initrd.img" \
    -append "root=/dev/vda rw console=ttyS0 init=/suite.sh quiet" \
    -drive file="$image_dir/disk.img",if=virtio,format=raw,snapshot=$snapshot \
    -drive file="$disk",if=virtio,format=raw \
    -net none </dev/null >"$console" 2>&1 || status=$?
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    exit 124
fi
exit_line=$(tr -d '\r' <"$console" | grep -a '^SUITE-EXIT' || true)
[ -n "$exit_line" ] || exit 125
read -r _ code _ <<<"$exit_line"
exit "$code"
