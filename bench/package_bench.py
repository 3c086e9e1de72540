#!/usr/bin/python3
"""medium-check on media whose package is large: a 1 GiB MSI (its cabinet a 1 GiB stream) and a
1 GiB program (a payload after its image, as a self-extracting installer carries one), then the
same program signed, then a 4 GiB disc image (xorriso, Joliet and Rock Ridge) whose package is a
program with a 4 GiB payload, streamed out of the image to be read, and the same medium as a 4 GiB
UDF image (mkudffs and udfclient), streamed out through libudfread. Prints peak resident memory
(the checker's and any verifier's it starts) and wall time of each check beside the time of
`cat FILE > /dev/null` on the same file in the same run, the file's pages having been read once
before either. A signature's digest covers the whole file: checking it reads all of it, and
osslsigncode maps the file to do so.

usage: package_bench.py MEDIUM_CHECK PROGRAM WXS WORK_DIR
"""
import os
import shutil
import subprocess
import sys
import time

CHECKER, PROGRAM, WXS, WORK = sys.argv[1], sys.argv[2], sys.argv[3], os.path.abspath(sys.argv[4])
SIZE = 1 << 30
CHUNK = 1 << 24


def payload(out):
    for _ in range(SIZE // CHUNK):
        out.write(os.urandom(CHUNK))


def medium(name, package):
    directory = os.path.join(WORK, name)
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    with open(os.path.join(directory, "autorun.inf"), "w", newline="") as out:
        out.write("[autorun]\r\nRuntimePackage=%s\r\nRegPath=Maker\\Runtime\r\n"
                  "Version=2.1.0.5\r\n" % package)
    return directory, os.path.join(directory, package)


def timed(args, stdout):
    """Wall seconds and peak resident KiB of one run."""
    started = time.perf_counter()
    child = subprocess.Popen(args, stdout=stdout, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    return time.perf_counter() - started, usage.ru_maxrss, status


def udf_image(directory, image):
    """The medium as a UDF 2.01 volume for a hard disk, 64 MiB larger than its files: mkudffs
    lays it out, udfclient writes the files into it."""
    files = sum(os.path.getsize(os.path.join(directory, name)) for name in os.listdir(directory))
    if os.path.exists(image):
        os.remove(image)
    subprocess.run(["mkudffs", "--media-type=hd", "--udfrev=2.01", "--blocksize=2048",
                    "--uuid=0123456789abcdef", "--vsid=M", "--lvid=M", "--vid=M", "--fsid=M",
                    "--new-file", image, str((files >> 11) + 32768)], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    names = " ".join(sorted(os.listdir(directory)))
    subprocess.run(["udfclient", "-b", "2048", "-W", image], check=True,
                   input=("cd 0123456789abcdefM:M:M:M\nlcd %s\nmput %s\nquit\n" % (
                       directory, names)).encode(), stdout=subprocess.DEVNULL)


def measure(label, directory, package):
    """directory is the medium given to the checker: a directory, or a disc image whose package
    is package."""
    with open(os.devnull, "wb") as null:
        timed(["cat", package], null)
        cat_seconds, _, _ = timed(["cat", package], null)
        check_seconds, peak, status = timed([CHECKER, directory], null)
    print("| %-34s | %8.0f MiB | %6.1f MiB | %7.3f s | %7.3f s | %s |" % (
        label, os.path.getsize(package) / (1 << 20), peak / 1024, check_seconds, cat_seconds,
        "exit %d" % os.waitstatus_to_exitcode(status)))


def main():
    os.makedirs(WORK, exist_ok=True)
    msi_dir, msi = medium("large-msi", "runtime.msi")
    subprocess.run(["wixl", "-a", "x86", "-o", msi, WXS], check=True)
    cabinet = os.path.join(WORK, "runtime.cab")
    with open(cabinet, "wb") as out:
        payload(out)
    subprocess.run(["msibuild", msi, "-a", "runtime.cab", cabinet], check=True)
    os.remove(cabinet)
    exe_dir, exe = medium("large-exe", "setup.exe")
    with open(exe, "wb") as out, open(PROGRAM, "rb") as image:
        out.write(image.read())
        payload(out)
    signed_dir, signed = medium("large-signed-exe", "setup.exe")
    key, certificate = os.path.join(WORK, "key.pem"), os.path.join(WORK, "certificate.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", certificate, "-days", "30", "-subj", "/CN=Bench"], check=True,
                   stderr=subprocess.DEVNULL)
    subprocess.run(["osslsigncode", "sign", "-certs", certificate, "-key", key, "-in", exe,
                    "-out", signed], check=True, stdout=subprocess.DEVNULL)
    print("| %-34s | %12s | %10s | %9s | %9s | %s |" % (
        "medium-check on a medium with", "package", "peak RSS", "wall", "cat", ""))
    print("|%s|%s|%s|%s|%s|---|" % ("-" * 36, "-" * 14, "-" * 12, "-" * 11, "-" * 11))
    measure("a 1 GiB MSI (a 1 GiB cabinet)", msi_dir, msi)
    measure("a 1 GiB program (a 1 GiB payload)", exe_dir, exe)
    measure("the same program, signed", signed_dir, signed)
    for directory in (msi_dir, signed_dir):
        shutil.rmtree(directory)
    # Just under 4 GiB in all: a file of 4 GiB or more needs ISO 9660 level 3's extents.
    with open(exe, "ab") as out:
        for _ in range(3):
            payload(out)
        out.truncate(4 * SIZE - 2 * CHUNK)
    image = os.path.join(WORK, "large.iso")
    subprocess.run(["xorriso", "-report_about", "SORRY", "-as", "mkisofs", "-quiet", "-J", "-R",
                    "-o", image, exe_dir], check=True)
    measure("a 4 GiB image (a 4 GiB program)", image, image)
    os.remove(image)
    udf = os.path.join(WORK, "large-udf.img")
    udf_image(exe_dir, udf)
    measure("a 4 GiB UDF image (a 4 GiB program)", udf, udf)
    print("targets: peak RSS under 64 MiB, wall time well under cat's, for the unsigned packages;")
    print("an image's package is streamed out whole, so its wall time is a copy's")
    shutil.rmtree(exe_dir)
    os.remove(udf)
    os.remove(key)
    os.remove(certificate)


if __name__ == "__main__":
    main()
