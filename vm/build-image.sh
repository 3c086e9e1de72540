#!/usr/bin/env bash
# Builds the virtual machine that runs the shipped 32-bit loader.exe under Wine: Debian 12 with its
# own kernel (which executes 32-bit programs), wine32 and wine64 (so that a 64-bit prefix runs 32-bit
# programs under WoW64, as 64-bit Windows does), and the Chinese and Japanese locales that give Wine
# the double-byte ANSI code pages 936 and 932. The image is an ext4 disk made without loop mounts,
# cached per machine, keyed by this script's content, and rebuilt when missing.
# Prints the directory holding vmlinuz, initrd.img and disk.img on standard output, and nothing else
# there: every diagnostic of the build goes to standard error.
set -euo pipefail
exec 3>&1 1>&2

here=$(cd "$(dirname "$0")" && pwd)
cache_root=${LOADER_VM_CACHE:-/var/cache/corvane-loader-vm}
key=$(cat "$here/build-image.sh" "$here/boot.sh" | sha256sum | cut -c1-16)
image_dir=$cache_root/$key
if [ -f "$image_dir/ready" ]; then
    echo "$image_dir" >&3
    exit 0
fi

# The package archive is this machine's own, as its apt configuration names it.
mirror_of_this_machine() {
    local sources
    for sources in /etc/apt/sources.list.d/*.sources; do
        [ -f "$sources" ] || continue
        awk '
            /^URIs:/ { uri = $2 }
            /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == "bookworm") found = 1 }
            /^$/ { if (found && uri != "") { print uri; exit } uri = ""; found = 0 }
            END { if (found && uri != "") print uri }
        ' "$sources" | head -n 1
    done
    if [ -f /etc/apt/sources.list ]; then
        awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' /etc/apt/sources.list
    fi
}
mirror=$(mirror_of_this_machine | head -n 1)
if [ -z "$mirror" ]; then
    echo "build-image: no bookworm archive found in this machine's apt configuration" >&2
    exit 1
fi

mkdir -p "$cache_root"
work=$(mktemp -d "$cache_root/build.XXXXXX")
root=$work/root
cleanup() {
    umount "$root/proc" 2>/dev/null || true
    umount "$root/dev" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

echo "build-image: debootstrap from $mirror" >&2
debootstrap --arch=amd64 --variant=minbase --include=systemd-sysv,udev,kmod bookworm "$root" \
    "$mirror" >"$work/debootstrap.log" 2>&1 || { tail -n 30 "$work/debootstrap.log" >&2; exit 1; }

mount --bind /proc "$root/proc"
mount --bind /dev "$root/dev"
chroot "$root" dpkg --add-architecture i386
chroot "$root" apt-get update -qq
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    linux-image-amd64 initramfs-tools wine wine32:i386 wine64 python3 procps locales \
    >"$work/apt.log" 2>&1 || { tail -n 30 "$work/apt.log" >&2; exit 1; }
chroot "$root" apt-get clean
chroot "$root" localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
chroot "$root" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
umount "$root/proc" "$root/dev"

# The guest's init: mounts what Wine needs, runs run.sh from the second disk (the runner makes it
# each time with the programs under test), prints its exit code and powers the machine off.
cat >"$root/suite.sh" <<'INIT'
#!/bin/sh
# The initramfs may have mounted some of these already.
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
mkdir -p /dev/shm
mount -t tmpfs shm /dev/shm
mount -t tmpfs tmp /tmp
export PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root LANG=C.UTF-8
mkdir -p /tmp/suite-disk
mount /dev/vdb /tmp/suite-disk
echo "SUITE-BEGIN $(cut -d' ' -f1 /proc/uptime)"
sh /tmp/suite-disk/run.sh
echo "SUITE-EXIT $? $(cut -d' ' -f1 /proc/uptime)"
sync
umount /tmp/suite-disk
echo o >/proc/sysrq-trigger
sleep 30
INIT
chmod 755 "$root/suite.sh"

mkdir -p "$image_dir"
cp "$root"/boot/vmlinuz-* "$image_dir/vmlinuz"
cp "$root"/boot/initrd.img-* "$image_dir/initrd.img"
mke2fs -q -t ext4 -d "$root" -L root "$image_dir/disk.img" 6G

# The Wine prefixes the suite runs in, made once in the guest itself (only its kernel runs 32-bit
# Wine), so that every run starts from a pristine prefix instead of paying for its creation.
mkdir "$work/prepare"
cat >"$work/prepare/run.sh" <<'RUN'
#!/bin/sh
set -e
export WINEDEBUG=-all
mkdir -p /var/lib/corvane-loader
WINEARCH=win64 WINEPREFIX=/var/lib/corvane-loader/prefix64 /usr/lib/wine/wine64 wineboot -i
WINEPREFIX=/var/lib/corvane-loader/prefix64 /usr/lib/wine/wineserver64 -w
WINEARCH=win32 WINEPREFIX=/var/lib/corvane-loader/prefix32 /usr/lib/wine/wine wineboot -i
WINEPREFIX=/var/lib/corvane-loader/prefix32 /usr/lib/wine/wineserver32 -w
test -s /var/lib/corvane-loader/prefix64/system.reg
test -s /var/lib/corvane-loader/prefix32/system.reg
RUN
echo "build-image: making the Wine prefixes in the guest" >&2
if ! bash "$here/boot.sh" "$image_dir" "$work/prepare" "$work/prepare.log" 3600 keep; then
    echo "build-image: the prefixes could not be made" >&2
    tail -n 40 "$work/prepare.log" >&2
    rm -rf "$image_dir"
    exit 1
fi
touch "$image_dir/ready"
echo "$image_dir" >&3
