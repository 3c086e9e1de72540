#!/usr/bin/env bash
# Makes the release twice with scripts/release.sh, each time from a fresh commit of this tree in
# a different directory with a different temporary directory, and requires byte-identical
# archives that hold exactly the release's files, whose checksums hold and which carry no path
# of either build. The first run's archives are kept in KEEP_DIR for the signing tests.
#   usage: reproducible.sh SOURCE_DIR KEEP_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
keep=$2
# The version block's version (resources/loader.rc), which names the archives.
version=1.1.22.712
name=corvane-loader-$version
scratch=$(mktemp -d /tmp/loader-release.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
# Both copies are committed at the time of the tree's last commit, as a release of it would be.
epoch=$(git -C "$source_dir" log -1 --format=%ct HEAD)

release() {
    local copy=$1 temporary=$2
    mkdir -p "$copy" "$temporary"
    tar -C "$source_dir" --exclude=./build --exclude=./.git --exclude=./dist -cf - . |
        tar -C "$copy" -xf -
    git -C "$copy" init -q
    git -C "$copy" add -A
    GIT_COMMITTER_DATE="@$epoch" git -C "$copy" -c user.name=release-test \
        -c user.email=release-test@localhost commit -q --date="@$epoch" -m "the tree under test"
    TMPDIR=$temporary bash "$copy/scripts/release.sh" "$copy/dist" >/dev/null
}

failures=0
check() {
    local label=$1
    shift
    if "$@"; then
        echo "ok   $label"
    else
        echo "FAIL $label"
        failures=$((failures + 1))
    fi
}

started=$SECONDS
first="$scratch/a"
second="$scratch/second-copy/in/a/deeper/directory"
release "$first" "$scratch/tmp-a"
release "$second" "$scratch/other/tmp-b"
echo "two releases in $((SECONDS - started)) s"

zip="$name-win32.zip"
tarball="$name-linux-x86_64.tar.gz"
for file in "$zip" "$tarball" SHA256SUMS; do
    check "identical $file ($(stat -c %s "$first/dist/$file") bytes)" \
        cmp "$first/dist/$file" "$second/dist/$file"
done
check "SHA256SUMS beside the archives holds" \
    bash -c "cd '$first/dist' && sha256sum --quiet -c SHA256SUMS"

unpacked="$scratch/unpacked"
mkdir -p "$unpacked"
unzip -q "$first/dist/$zip" -d "$unpacked"
tar -C "$unpacked" -xzf "$first/dist/$tarball"
expected="$name/LICENSE
$name/SHA256SUMS
$name/docs/publishing.md
$name/loader.exe
$name/medium-check.exe
$name/sample/autorun.inf"
check "the zip holds exactly the release's files" \
    test "$(unzip -Z1 "$first/dist/$zip")" = "$expected"
expected="$name-linux-x86_64/
$name-linux-x86_64/LICENSE
$name-linux-x86_64/SHA256SUMS
$name-linux-x86_64/docs/
$name-linux-x86_64/docs/publishing.md
$name-linux-x86_64/loader.exe
$name-linux-x86_64/medium-check"
check "the tar.gz holds exactly the release's files" \
    test "$(tar -tzf "$first/dist/$tarball")" = "$expected"
check "the tar.gz names no owner" \
    test "$(tar -tvzf "$first/dist/$tarball" | awk '{print $2}' | sort -u)" = "0/0"
for folder in "$name" "$name-linux-x86_64"; do
    check "$folder/SHA256SUMS holds and covers every other file" bash -c "
        cd '$unpacked/$folder' && sha256sum --quiet -c SHA256SUMS &&
        test \$(wc -l <SHA256SUMS) = \$((\$(find . -type f | wc -l) - 1))"
done
check "loader.exe is the build the image checks ran on" \
    cmp "$unpacked/$name/loader.exe" "$source_dir/build/win32/loader/loader.exe"
check "the sample is release/sample/autorun.inf, line ends included" \
    cmp "$unpacked/$name/sample/autorun.inf" "$source_dir/release/sample/autorun.inf"
check "the Linux checker is stripped" \
    bash -c "! readelf -S '$unpacked/$name-linux-x86_64/medium-check' | grep -q '\.symtab'"
# The Debian packages docs/releases.md names for the Linux checker; each library it
# links must come from one of them, and ldd must find them all.
runtime_packages=" libmsi0 libglib2.0-0 libiso9660-11 libudfread0 libcdio19 libstdc++6 libgcc-s1 libc6 "
linux_checker="$unpacked/$name-linux-x86_64/medium-check"
check "the Linux checker starts: ldd finds every library, and it lists its findings" \
    bash -c "! ldd '$linux_checker' | grep -q 'not found' &&
        '$linux_checker' --list-findings >/dev/null"
libraries_from_named_packages() {
    local library path package
    for library in $(readelf -d "$linux_checker" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        path=$(ldd "$linux_checker" | awk -v name="$library" '$1 == name { print $3 }')
        # dpkg knows a library by the path it installed, which ldd's path or its target is.
        package=$( (dpkg -S "$path" || dpkg -S "$(readlink -f "$path")") 2>/dev/null |
            head -1 | cut -d: -f1)
        case "$runtime_packages" in
        *" $package "*) ;;
        *)
            echo "$library comes from $package, which docs/releases.md does not name" >&2
            return 1
            ;;
        esac
    done
}
check "the Linux checker's libraries come from the packages docs/releases.md names" \
    libraries_from_named_packages
check "no build's path is inside any file" \
    bash -c "! grep -r -l -a -F '$scratch' '$unpacked'"

mkdir -p "$keep"
cp "$first/dist/$zip" "$first/dist/$tarball" "$first/dist/SHA256SUMS" "$keep/"
exit $((failures > 0))
