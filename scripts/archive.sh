# Shared by release.sh and sign.sh (sourced): checksums and the zip packer. An archive's bytes
# depend only on the files' names, contents, executable bits and times, so the same files give
# the same archive on any machine, in any directory, under any umask.

# Writes SHA256SUMS in a folder, over every other file below it, sorted by name, with the names
# relative to the folder (so "sha256sum -c SHA256SUMS" checks them from inside it).
write_sums() {
    local folder=$1 sums
    sums=$(cd "$folder" && find . -type f ! -path ./SHA256SUMS -printf '%P\n' | LC_ALL=C sort |
        xargs -r -d '\n' sha256sum --)
    printf '%s\n' "$sums" >"$folder/SHA256SUMS"
}

# Owner and permission bits are whatever the umask left: only "executable or not" is kept.
normalize_modes() {
    local base=$1
    find "$base" -type d -exec chmod 0755 {} +
    find "$base" -type f -perm -u=x -exec chmod 0755 {} +
    find "$base" -type f ! -perm -u=x -exec chmod 0644 {} +
}

# Packs every file below BASE into the zip OUT, named relative to BASE, in byte order of the
# names, without directory entries or extra attributes (-X: no owner, no extended times). The
# files' own times are kept, in UTC: the caller sets them.
pack_zip() {
    local base=$1 out=$2
    normalize_modes "$base"
    rm -f "$out"
    (cd "$base" && find . -type f -printf '%P\n' | LC_ALL=C sort | TZ=UTC zip -q -X -D -@ "$out")
}
