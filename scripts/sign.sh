#!/usr/bin/env bash
# Signs Windows executables and release archives with the publisher's code-signing certificate
# (Authenticode, SHA-256 digests, with osslsigncode). The inputs are never changed: the signed
# copy of DIR/NAME is DIR/signed/NAME (or OUT_DIR/NAME with --out).
#
#   usage: scripts/sign.sh (--pkcs12 FILE | --certs CHAIN.pem --key KEY.pem)
#                          [--pass-file FILE] [--timestamp URL] [--time UNIX_TIME]
#                          [--out OUT_DIR] FILE...
#
#   FILE            a Windows executable or .msi package, or a release .zip: its .exe files are signed inside a
#                   copy of it and its SHA256SUMS rewritten; names and times stay as they were
#   --pkcs12 FILE   the key and certificate chain in one PKCS#12 file
#   --certs, --key  the certificate chain and the key as PEM files
#   --pass-file     the file holding the key's password; without it, the password comes from
#                   the environment variable SIGN_PASSWORD; with neither, the key has none
#   --timestamp URL an RFC 3161 time-stamping service, so the signature outlives the certificate
#   --time          the signing time recorded in the signature (default: now); with it fixed,
#                   the same input and key give the same bytes
#
# The password never reaches a command line: osslsigncode reads it from the given file, or
# from a pipe that this script fills from the environment.
set -euo pipefail
# The password is taken out of the environment before anything runs, so that no program started
# below inherits it.
password=
have_password=0
if [ -n "${SIGN_PASSWORD+set}" ]; then
    password=$SIGN_PASSWORD
    have_password=1
    unset SIGN_PASSWORD
fi

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/archive.sh
source "$root/scripts/archive.sh"

fail() {
    echo "sign: $*" >&2
    exit 2
}

pkcs12=
certs=
key_file=
pass_file=
timestamp=()
signing_time=()
out_dir=
inputs=()
while [ $# -gt 0 ]; do
    case $1 in
    --pkcs12) pkcs12=${2:?--pkcs12 needs a file} && shift 2 ;;
    --certs) certs=${2:?--certs needs a file} && shift 2 ;;
    --key) key_file=${2:?--key needs a file} && shift 2 ;;
    --pass-file) pass_file=${2:?--pass-file needs a file} && shift 2 ;;
    --timestamp) timestamp=(-ts "${2:?--timestamp needs an address}") && shift 2 ;;
    --time) signing_time=(-time "${2:?--time needs a Unix time}") && shift 2 ;;
    --out) out_dir=${2:?--out needs a directory} && shift 2 ;;
    -*) fail "unknown option $1 (see the comment at the top of scripts/sign.sh)" ;;
    *) inputs+=("$1") && shift ;;
    esac
done
if [ -n "$pkcs12" ] && [ -z "$certs$key_file" ]; then
    key=(-pkcs12 "$pkcs12")
elif [ -z "$pkcs12" ] && [ -n "$certs" ] && [ -n "$key_file" ]; then
    key=(-certs "$certs" -key "$key_file")
else
    fail "give the certificate: --pkcs12 FILE, or --certs CHAIN.pem with --key KEY.pem"
fi
[ ${#inputs[@]} -gt 0 ] || fail "nothing to sign"

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-sign.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Signs one executable into a new file; the time and permissions of the input are kept.
sign_file() {
    local input=$1 output=$2
    local common=(sign "${key[@]}" -h sha256 "${timestamp[@]}" "${signing_time[@]}"
        -in "$input" -out "$output")
    if [ -n "$pass_file" ]; then
        osslsigncode "${common[@]}" -readpass "$pass_file" >/dev/null
    elif [ "$have_password" = 1 ]; then
        # printf is a shell builtin: the password goes into the pipe without a command line.
        osslsigncode "${common[@]}" -readpass /dev/fd/3 3< <(printf '%s' "$password") >/dev/null
    else
        osslsigncode "${common[@]}" >/dev/null
    fi
    touch -r "$input" "$output"
    chmod --reference="$input" "$output"
}

# Signs the executables inside a copy of a release archive, rewrites its checksums and packs
# it again with the same names and times.
sign_archive() {
    local input=$1 output=$2
    local unpacked="$work/archive" executable sums
    rm -rf "$unpacked"
    mkdir -p "$unpacked"
    TZ=UTC unzip -q "$input" -d "$unpacked"
    while IFS= read -r -d '' executable; do
        sign_file "$executable" "$work/signed-member"
        mv "$work/signed-member" "$executable"
    done < <(find "$unpacked" -type f -iname '*.exe' -print0)
    while IFS= read -r -d '' sums; do
        touch -r "$sums" "$work/sums-time"
        write_sums "$(dirname "$sums")"
        touch -r "$work/sums-time" "$sums"
    done < <(find "$unpacked" -type f -name SHA256SUMS -print0)
    pack_zip "$unpacked" "$output"
}

for input in "${inputs[@]}"; do
    [ -f "$input" ] || fail "no file $input"
    destination_dir=${out_dir:-$(dirname "$input")/signed}
    mkdir -p "$destination_dir"
    destination="$(cd "$destination_dir" && pwd)/$(basename "$input")"
    if [ "$destination" -ef "$input" ]; then
        fail "$input would be overwritten; choose another --out"
    fi
    # zip adds .zip to a name without it, so the signed file is made under its own name.
    signed="$work/out/$(basename "$input")"
    mkdir -p "$work/out"
    case $input in
    *.zip | *.ZIP) sign_archive "$input" "$signed" ;;
    *) sign_file "$input" "$signed" ;;
    esac
    mv -f "$signed" "$destination"
    echo "signed: $destination"
done
