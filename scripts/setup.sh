#!/usr/bin/env bash
# Installs what building and testing need on Debian 12. Packages already present are skipped,
# so a warm machine pays nothing.
set -euo pipefail

packages=(
    cmake ninja-build g++ googletest libgtest-dev clang-format
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine64 python3-pefile python3-jsonschema wixl msitools locales python3-gi gir1.2-libmsi-1.0
    libcli11-dev nlohmann-json3-dev libmsi-dev libglib2.0-dev
    clang libclang-rt-14-dev clang-tidy cppcheck
    qemu-system-x86 debootstrap e2fsprogs
    zip unzip osslsigncode openssl strace
    libiso9660-dev libcdio-dev libudfread-dev xorriso genisoimage udftools udfclient
    nsis dosfstools
)

# npm installs the SARIF validator. A machine whose Node.js comes with its own npm keeps it: Debian's
# npm would conflict with that Node.js.
if ! command -v npm >/dev/null; then
    packages+=(npm)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Chinese and Japanese locales, which give Wine the double-byte ANSI code pages 936 and 932.
for locale in zh_CN ja_JP; do
    if ! locale -a | grep -qx "${locale}.utf8"; then
        localedef -i "$locale" -f UTF-8 "${locale}.UTF-8"
    fi
done
