#!/usr/bin/python3
"""medium-check's prediction against what the loader then does, under Wine: for each case a
medium and a registry state in both views, the checker's JSON report, then the loader run on the
same medium and machine with the probe as the package. For every case the predicted decision
(and where the package runs from) must be what the loader did, and the findings exactly those
expected; with --records, the loader's second start must be the predicted next start. Cases with
--installed or --not-installed give the checker the version the registry holds, as a publisher
would type it.

The MSI cases install a package made from tests/checker/package.wxs, or payload.wxs with a file
to install (wixl, then msibuild), through the loader, with what it needs beside it on the medium, and the next start predicted from what the package records, without --records, must
be what the loader's second start does. Where HOST_CHECKER names the build machine's
medium-check, it reads the same media, and its reading of each package (the report's
packageContents) must be the Windows build's.

Parameters (environment): LOADER_EXE, PROBE_EXE, CHECKER_EXE, CHECK_VIEW (the registry view of
that loader and probe: 64 for the twins here, 32 for the shipped programs in a WoW64 prefix),
SUITE_DIR (scratch space), PREFIX_DIR, HOST_CHECKER and PACKAGES_DIR (the checker table's
programs; both optional), MSI_DIR (the MSI cases' packages, made beforehand by
`checker_compare.py make-msis` where the machine that runs the cases has no wixl; optional), and
those of winehost (WINE, WINESERVER, TIME_FACTOR).
"""
import json
import ntpath
import os
import re
import shutil
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import winehost  # noqa: E402

LOADER_EXE = os.environ["LOADER_EXE"]
PROBE_EXE = os.environ["PROBE_EXE"]
CHECKER_EXE = os.environ["CHECKER_EXE"]
VIEW = os.environ.get("CHECK_VIEW", "64")
OTHER = "32" if VIEW == "64" else "64"
SUITE_DIR = os.path.abspath(os.environ["SUITE_DIR"])
PREFIX_DIR = os.path.abspath(os.environ["PREFIX_DIR"])
ROOT_KEY = "HKLM\\Software\\CorvaneCheck"
# The anti-AutoRun mapping of every autorun.inf, which hardened machines carry.
MAPPING_KEY = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf"
HOST_CHECKER = os.environ.get("HOST_CHECKER")
PACKAGES_DIR = os.environ.get("PACKAGES_DIR")
MSI_DIR = os.environ.get("MSI_DIR")
CHECKER_TESTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "checker")
# The probe is built for the loader's architecture: a 64-bit one is a package for x64.
PROBE_CODES = ["MC608"] if VIEW == "64" else []
# An MSI whose component writes the loader's view, and one whose component writes the other; a
# 64-bit component belongs in a package for x64.
IN_VIEW = ["UPDATE `Component` SET `Attributes` = 260"] if VIEW == "64" else []
OTHER_VIEW = [] if VIEW == "64" else ["UPDATE `Component` SET `Attributes` = 260"]
IN_VIEW_CODES = ["MC608"] if VIEW == "64" else []
OTHER_VIEW_CODES = ["MC601"] + ([] if VIEW == "64" else ["MC608"])


class Case:
    def __init__(self, name, version="2.1.0.5", package="setup.exe", reg_path=None,
                 same=None, other=None, records=None, codes=(), descriptor=None,
                 from_medium=False, given=(), msi=None, x64=False, known=None, mapped=(),
                 wxs="package.wxs", scope=None, beside=None):
        self.name = name
        self.version = version
        self.package = package
        self.reg_path = reg_path or "CorvaneCheck\\" + name
        self.same = same      # reg add arguments for the loader's view
        self.other = other    # reg add arguments for the other view
        self.records = records
        self.codes = codes    # finding codes the report must hold
        self.descriptor = descriptor  # autorun.inf's text or bytes, instead of the sound one
        self.given = list(given)  # --installed TEXT or --not-installed
        self.from_medium = from_medium  # the checker sits on the medium, run without arguments
        self.msi = msi  # SQL queries that make the sound MSI this case's package
        self.x64 = x64  # the MSI's summary names x64
        # Where Wine's msiexec installs otherwise than Windows Installer: the next start
        # Windows gives, which the prediction must be, and the one Wine gives, which the loader's
        # second start under Wine is (docs/windows-behaviour.md).
        self.known = known
        self.mapped = mapped  # the registry views ("32", "64") that map every autorun.inf
        self.wxs = wxs  # the MSI's source in tests/checker
        self.scope = scope  # its InstallScope, where not perMachine
        # What the medium carries beside the MSI: its cabinet, taken out of it ("cabinet"), or
        # its file as it is ("file").
        self.beside = beside
        if msi is not None and package == "setup.exe":
            self.package = "runtime.msi"


CASES = [
    Case("fresh", from_medium=True),
    Case("older", same=["/d", "2.1.0.4"]),
    Case("equal", same=["/d", "2.1.0.5"]),
    Case("newer", same=["/d", "10.0.0.0"]),
    Case("equal-undotted", version="21000005", same=["/d", "2.1.0.5"], codes=["MC203"]),
    Case("short-over-installed", version="1.0", same=["/d", "1.0.0.0"], codes=["MC201"]),
    Case("short-fresh", version="1.0", codes=["MC201"]),
    Case("installed-not-version", same=["/d", "2.1.5"], codes=["MC305"]),
    Case("installed-40", same=["/d", "2.1.0.5" + "-" * 33], codes=["MC305"]),
    Case("installed-dword", same=["/t", "REG_DWORD", "/d", "5"], codes=["MC305"]),
    Case("only-other-view", other=["/d", "2.1.0.5"], codes=["MC304"]),
    Case("both-views", same=["/d", "2.1.0.5"], other=["/d", "1.0.0.0"], codes=["MC307"]),
    Case("sub-directory", package="redist\\setup.exe", codes=["MC402"]),
    Case("climbs-out", package="..\\checker-climb.exe", codes=["MC403"]),
    Case("wide-field", version="1.10000.0.0", same=["/d", "2.0.0.0"], codes=["MC202"]),
    Case("regpath-software", reg_path="Software\\CorvaneCheck\\software", codes=["MC302"]),
    Case("records-short", version="2.1.5.0", records="2.1.5", codes=["MC306"]),
    Case("records-same", records="2.1.0.5"),
    Case("no-version", descriptor="[autorun]\r\nRuntimePackage=setup.exe\r\n"
                                  "RegPath=CorvaneCheck\\no-version\r\n", codes=["MC103"]),
    Case("given-older", same=["/d", "2.1.0.4"], given=["--installed", "2.1.0.4"]),
    Case("given-equal", same=["/d", "2.1.0.5"], given=["--installed", "2.1.0.5"]),
    Case("given-not-installed", records="2.1.0.5", given=["--not-installed"]),
    Case("given-records-short", version="2.1.5.0", records="2.1.5", given=["--not-installed"],
         codes=["MC306"]),
    # Software\<RegPath> does not fit the loader's 260 characters: it installs on every start,
    # whatever the checker is told is installed.
    Case("regpath-252", reg_path="CorvaneCheck\\" + "k" * 239, same=["/d", "2.1.0.5"],
         given=["--installed", "2.1.0.5"], codes=["MC303"]),
    Case("regpath-252-records", reg_path="CorvaneCheck\\" + "r" * 239, records="2.1.0.5",
         given=["--not-installed"], codes=["MC303", "MC306"]),
    Case("utf16-le", descriptor=b"\xff\xfe" + winehost.autorun(
        "setup.exe", "CorvaneCheck\\utf16-le", "2.1.0.5").encode("utf-16-le"), codes=["MC109"]),
    # Values past a comment, another section, blanks and quotes, on lines ended by CR alone: the
    # places the checker gives must hold what Windows' reader returned.
    Case("placed", descriptor="; by hand\r[Other]\rVersion=9.9.9.9\r  [ AutoRun ]\r"
                              "\tRuntimePackage = 'setup.exe'\rRegPath= CorvaneCheck\\placed\r"
                              "Version\t=\t2.1.0.5\r"),
    # A hardened machine: the profile functions read nothing of autorun.inf, the loader and the
    # checker read it themselves, and the checker says so. A mapping in the 32-bit view alone
    # is one the profile functions do not read.
    Case("hardened-fresh", mapped=("64", "32"), codes=["MC110"]),
    Case("hardened-equal", mapped=("64", "32"), same=["/d", "2.1.0.5"], codes=["MC110"]),
    Case("hardened-placed", mapped=("64", "32"), codes=["MC110", "MC111"],
         descriptor="; by hand\r[Other]\rVersion=9.9.9.9\r  [ AutoRun ]\r"
                    "\tRuntimePackage = 'setup.exe'\rRegPath= CorvaneCheck\\hardened-placed\r"
                    "Version\t=\t2.1.0.5\r[autorun]\rVersion=1.0.0.0\r"),
    Case("mapped-32-only", mapped=("32",), codes=["MC110"]),
]
# Every medium whose descriptor the loader reads whole carries the probe as its package.
for case in CASES:
    if case.name != "no-version":
        case.codes = list(case.codes) + PROBE_CODES

CASES += [
    Case("msi-sound", msi=IN_VIEW, x64=VIEW == "64", codes=IN_VIEW_CODES),
    Case("msi-other-view", msi=OTHER_VIEW, x64=VIEW != "64", codes=OTHER_VIEW_CODES),
    Case("msi-other-key", msi=IN_VIEW + ["UPDATE `Registry` SET `Key` = "
                                         "'Software\\CorvaneCheck\\elsewhere'"],
         x64=VIEW == "64", codes=IN_VIEW_CODES + ["MC602"]),
    Case("msi-hkcu", msi=IN_VIEW + ["UPDATE `Registry` SET `Root` = 1"], x64=VIEW == "64",
         codes=IN_VIEW_CODES + ["MC602"]),
    Case("msi-three-fields", msi=IN_VIEW + ["UPDATE `Registry` SET `Value` = '2.1.5'"],
         x64=VIEW == "64", codes=IN_VIEW_CODES + ["MC603"]),
    Case("msi-per-machine-root", msi=IN_VIEW + ["UPDATE `Registry` SET `Root` = -1"],
         x64=VIEW == "64", codes=IN_VIEW_CODES),
    Case("msi-bytes", msi=IN_VIEW + ["UPDATE `Registry` SET `Value` = '#x322E312E302E3500'"],
         x64=VIEW == "64", codes=IN_VIEW_CODES),
    Case("msi-list-led-by-another", msi=IN_VIEW + [
        "UPDATE `Registry` SET `Value` = 'a[~][ProductVersion]'"], x64=VIEW == "64",
         codes=IN_VIEW_CODES + ["MC603"]),
    # A 64-bit row below Software\WOW6432Node writes the 32-bit view.
    Case("msi-wow6432node", msi=["UPDATE `Component` SET `Attributes` = 260",
                                 "UPDATE `Registry` SET `Key` = "
                                 "'Software\\WOW6432Node\\CorvaneCheck\\msi-wow6432node'"],
         x64=True, codes=["MC608"] + (["MC601"] if VIEW == "64" else [])),
    # A 32-bit row that names Software\WOW6432Node itself: the redirector sends it to the 32-bit
    # view's Software, the shipped loader's. Wine's msiexec writes it elsewhere, though Wine's
    # registry passes the conformance test of that redirection: the 32-bit loader installs again.
    Case("msi-32-bit-wow6432node", msi=["UPDATE `Registry` SET `Key` = "
                                        "'Software\\WOW6432Node\\CorvaneCheck\\msi-32-bit-wow6432node'"],
         codes=["MC614"] + (["MC601"] if VIEW == "64" else []),
         known=("nothing", "install") if VIEW == "32" else None),
    # Windows Installer 5.0 installs these per user and per machine; Wine's msiexec the other
    # way round.
    Case("msi-either-per-user", msi=IN_VIEW + [
        "UPDATE `Registry` SET `Root` = -1",
        "UPDATE `Property` SET `Value` = '2' WHERE `Property` = 'ALLUSERS'",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('MSIINSTALLPERUSER', '1')"],
         x64=VIEW == "64", codes=IN_VIEW_CODES + ["MC602", "MC611"],
         known=("install", "nothing")),
    # Files beside the package: its staged copy finds no source and installs nothing; run in
    # place, beside them, it installs.
    Case("msi-external-cabinet", msi=IN_VIEW, x64=VIEW == "64", wxs="payload.wxs",
         beside="cabinet", codes=IN_VIEW_CODES + ["MC615"]),
    Case("msi-external-cabinet-in-place", msi=IN_VIEW, x64=VIEW == "64", wxs="payload.wxs",
         beside="cabinet", package="redist\\runtime.msi", codes=IN_VIEW_CODES + ["MC402"]),
    Case("msi-uncompressed-file", msi=IN_VIEW + ["UPDATE `File` SET `Attributes` = 8704"],
         x64=VIEW == "64", wxs="payload.wxs", beside="file", codes=IN_VIEW_CODES + ["MC615"]),
    # Per user without elevation, Windows Installer cannot write HKLM and rolls back; Wine's
    # msiexec, which has no elevation, writes it.
    Case("msi-per-user-unelevated", msi=IN_VIEW, x64=VIEW == "64", scope="perUser",
         codes=IN_VIEW_CODES + ["MC616"], known=("install", "nothing")),
    Case("msi-allusers-0", msi=IN_VIEW + [
        "UPDATE `Registry` SET `Root` = -1",
        "UPDATE `Property` SET `Value` = '0' WHERE `Property` = 'ALLUSERS'"],
         x64=VIEW == "64", codes=IN_VIEW_CODES, known=("nothing", "install")),
]


def make_msi(case, directory):
    """The sound MSI with this case's own codes and key, changed by the case's queries, in the
    directory as runtime.msi, with what the case carries beside it."""
    tag = "%012X" % zlib.crc32(case.name.encode())
    path = os.path.join(directory, "runtime.msi")
    os.makedirs(directory, exist_ok=True)
    source = os.path.join(CHECKER_TESTS, case.wxs)
    if case.scope:
        with open(source) as text:
            scoped = text.read().replace('InstallScope="perMachine"',
                                         'InstallScope="%s"' % case.scope)
        source = os.path.join(directory, "package.wxs")
        with open(source, "w") as out:
            out.write(scoped)
    subprocess.run(["wixl", "-a", "x86", "-o", path, source], check=True)
    if case.scope:
        os.remove(source)
    queries = ["UPDATE `Property` SET `Value` = '{6A1B7C2D-3E4F-4A5B-8C6D-%s}' "
               "WHERE `Property` = 'ProductCode'" % tag,
               "UPDATE `Property` SET `Value` = '{1F2E3D4C-5B6A-4798-8A9B-%s}' "
               "WHERE `Property` = 'UpgradeCode'" % tag,
               "UPDATE `Registry` SET `Key` = 'Software\\%s'" % case.reg_path] + case.msi
    if case.wxs == "payload.wxs":
        # A file of its own, which no case before installed: one already there needs no source.
        queries += ["UPDATE `Component` SET `ComponentId` = '{0A1B2C3D-4E5F-4A6B-9C7D-%s}' "
                    "WHERE `Component` = 'Payload'" % tag,
                    "UPDATE `Directory` SET `DefaultDir` = '%s' "
                    "WHERE `Directory` = 'INSTALLDIR'" % tag[:8]]
    if case.beside == "cabinet":
        subprocess.run(["msidump", "-s", "-d", directory, path], check=True, capture_output=True)
        shutil.move(os.path.join(directory, "_Streams", "runtime.cab"),
                    os.path.join(directory, "runtime.cab"))
        shutil.rmtree(os.path.join(directory, "_Streams"))
        queries += ["UPDATE `Media` SET `Cabinet` = 'runtime.cab'",
                    "DELETE FROM `_Streams` WHERE `Name` = 'runtime.cab'"]
    elif case.beside == "file":
        # The file's source is payload.wxs itself; a compressed package's uncompressed files lie
        # at the root of its source.
        shutil.copy(os.path.join(CHECKER_TESTS, "payload.wxs"),
                    os.path.join(directory, "readme.txt"))
    for query in queries:
        subprocess.run(["msibuild", path, "-q", query], check=True)
    if case.x64:
        subprocess.run(["msibuild", path, "-s", "Maker Runtime", "Maker", "x64;1033"], check=True)


def lay_out(case):
    media = os.path.join(SUITE_DIR, "media")
    medium = os.path.join(media, case.name)
    shutil.rmtree(medium, ignore_errors=True)
    os.makedirs(medium)
    shutil.copy(LOADER_EXE, os.path.join(medium, "loader.exe"))
    package = os.path.normpath(os.path.join(medium, case.package.replace("\\", "/")))
    os.makedirs(os.path.dirname(package), exist_ok=True)
    if case.msi is None:
        shutil.copy(PROBE_EXE, package)
    else:
        made = os.path.join(MSI_DIR or os.path.join(SUITE_DIR, "msis"), case.name)
        if not MSI_DIR:
            shutil.rmtree(made, ignore_errors=True)
            make_msi(case, made)
        for name in os.listdir(made):
            shutil.copy(os.path.join(made, name), os.path.join(os.path.dirname(package),
                                                               os.path.basename(package)
                                                               if name == "runtime.msi" else name))
    text = case.descriptor or winehost.autorun(case.package, case.reg_path, case.version)
    with open(os.path.join(medium, "autorun.inf"), "wb") as out:
        out.write(text if isinstance(text, bytes) else text.encode("latin-1"))
    return medium


def set_registry(prefix, case):
    key = "HKLM\\Software\\" + case.reg_path
    for view, args in ((VIEW, case.same), (OTHER, case.other)):
        if args is not None:
            prefix.reg(["add", key, "/v", "Version"] + args + ["/f", "/reg:" + view])


def predict(prefix, case, medium):
    args = ["--view", VIEW, "--json"] + (["--records", case.records] if case.records else [])
    args += case.given
    if case.from_medium:
        checker = os.path.join(medium, "medium-check.exe")
        shutil.copy(CHECKER_EXE, checker)
    else:
        checker = CHECKER_EXE
        args.append(winehost.to_windows(medium))
    result = prefix.run([winehost.to_windows(checker)] + args, capture=True)
    try:
        report = json.loads(result.stdout)
    except ValueError:
        raise RuntimeError("no report (exit status %#x): %s" % (result.returncode & 0xFFFFFFFF,
                                                                 result.stderr[-2000:]))
    if result.returncode != report["exitStatus"]:
        raise RuntimeError("exit status %d, report says %d" % (result.returncode,
                                                                report["exitStatus"]))
    return report


def run_loader(prefix, case, medium, log):
    """The loader's decision as seen from outside: what the probe says was launched."""
    before = len(winehost.probe_runs(log))
    env = {"PROBE_LOG": winehost.to_windows(log), "PROBE_SLEEP_MS": "0"}
    if case.records:
        env.update(PROBE_REGPATH=case.reg_path, PROBE_VERSION=case.records)
    msiexec = winehost.ProcessWatcher("msiexec") if case.msi is not None else None
    started = winehost.now_ms()
    result = prefix.run([winehost.to_windows(os.path.join(medium, "loader.exe"))], cwd=medium,
                        env=env, capture=True, timeout=300)
    if msiexec is not None:
        msiexec.stop()
    if result.returncode != 0:
        # How long the run took and whether msiexec came tell a loader that never reached the
        # launch from one that ended after it.
        launched = "" if msiexec is None else ", msiexec %s" % (
            "never seen" if msiexec.last_seen is None else
            "seen from %d ms to %d ms" % (msiexec.first_seen - started,
                                          msiexec.last_seen - started))
        raise RuntimeError("loader exit status %d after %d ms%s: %s" % (
            result.returncode, winehost.now_ms() - started, launched, result.stderr))
    if msiexec is not None:
        return ("nothing", None) if msiexec.last_seen is None else ("install", None)
    runs = winehost.probe_runs(log)[before:]
    if not runs:
        return "nothing", None
    if len(runs) > 1:
        raise RuntimeError("%d launches" % len(runs))
    return "install", runs[0]["module"]


# The staging directory's digits are new on each start; the prediction's are the checker's own.
STAGING_DIRECTORY = re.compile(r"\\CL[0-9A-F]{8}\\", re.IGNORECASE)


def same_path(first, second):
    def plain(path):
        return STAGING_DIRECTORY.sub(r"\\CL\\", ntpath.normpath(path)).lower()
    return plain(first) == plain(second)


def misplaced(medium, report):
    """Each value the platform's reader returned must stand where the report places it."""
    with open(os.path.join(medium, "autorun.inf"), "rb") as data:
        raw = data.read()
    text = raw[2:].decode("utf-16-le") if raw[:2] == b"\xff\xfe" else raw.decode("latin-1")
    lines = re.split(r"\r\n|\r|\n", text)
    problems = []
    for key in ("RuntimePackage", "RegPath", "Version"):
        place, value = report["descriptor"]["places"][key], report["descriptor"][key]
        at = lines[place["line"] - 1][place["column"] - 1:] if place else ""
        if value and not at.lstrip("'\"").startswith(value):
            problems.append("%s %r placed at %r" % (key, value, at))
    return problems
def reading(report):
    """What a report says was read of the package. The rows' landings are left out: they are
    judged against the view of the loader each build predicts for, 32 on the build machine."""
    contents = json.loads(json.dumps(report.get("packageContents")))
    if contents and "msi" in contents:
        del contents["msi"]["writes"]
    return contents


def host_reading_problems(case, medium, report):
    """The build machine's reading of the package against the Windows build's."""
    if not HOST_CHECKER or case.descriptor is not None or ".." in case.package:
        return []
    host = reading(json.loads(subprocess.run([HOST_CHECKER, medium, "--json"],
                                             capture_output=True, check=False).stdout))
    windows = reading(report)
    if host == windows:
        return []
    return ["package read on the build machine as %r, on Windows as %r" % (host, windows)]


def reading_failures(prefix):
    """The checker table's programs, and an empty, a truncated and a non-program one, each read
    by both builds: the version resource through GetFileVersionInfoA on Windows and through the
    build machine's own reader must give the same packageContents."""
    if not HOST_CHECKER or not PACKAGES_DIR:
        return []
    programs = {name: os.path.join(PACKAGES_DIR, name) for name in sorted(
        os.listdir(PACKAGES_DIR)) if name.endswith(".exe")}
    with open(programs["program-x86.exe"], "rb") as image:
        whole = image.read()
    programs.update({"empty.exe": b"", "truncated.exe": whole[:1024],
                     "not-a-program.exe": b"#!/bin/sh\n"})
    failures = []
    for name, content in programs.items():
        medium = os.path.join(SUITE_DIR, "media", "reading-" + name)
        shutil.rmtree(medium, ignore_errors=True)
        os.makedirs(medium)
        package = os.path.join(medium, "setup.exe")
        if isinstance(content, bytes):
            with open(package, "wb") as out:
                out.write(content)
        else:
            shutil.copy(content, package)
        with open(os.path.join(medium, "autorun.inf"), "w", newline="") as out:
            out.write(winehost.autorun("setup.exe", "CorvaneCheck\\reading", "2.1.0.5"))
        result = prefix.run([winehost.to_windows(CHECKER_EXE), "--json", "--not-installed",
                             winehost.to_windows(medium)], capture=True)
        windows = json.loads(result.stdout).get("packageContents")
        host = json.loads(subprocess.run([HOST_CHECKER, medium, "--json"], capture_output=True,
                                         check=False).stdout).get("packageContents")
        print(("ok   " if host == windows else "FAIL ") + "both builds read " + name)
        if host != windows:
            failures.append("%s read on the build machine as %r, on Windows as %r" % (
                name, host, windows))
    return failures


def set_mapping(prefix, views, present):
    for view in views:
        if present:
            prefix.reg(["add", MAPPING_KEY, "/ve", "/d", "@SYS:DoesNotExist", "/f",
                        "/reg:" + view])
        else:
            prefix.run(["reg", "delete", MAPPING_KEY, "/f", "/reg:" + view])


def image_failures(prefix):
    """A disc image, given as a file: the Windows build says that it reads a directory and that
    a mounted image is a drive, and ends with status 2; the build machine's reads the image by
    the names Windows reads, as it reads the directory the image was made from."""
    if not HOST_CHECKER:
        return []
    medium = os.path.join(SUITE_DIR, "media", "image-source")
    shutil.rmtree(medium, ignore_errors=True)
    os.makedirs(medium)
    shutil.copy(PROBE_EXE, os.path.join(medium, "setup.exe"))
    with open(os.path.join(medium, "autorun.inf"), "w", newline="") as out:
        out.write(winehost.autorun("setup.exe", "CorvaneCheck\\image", "2.1.0.5"))
    image = medium + ".iso"
    subprocess.run(["xorriso", "-report_about", "SORRY", "-as", "mkisofs", "-quiet", "-J", "-R",
                    "-o", image, medium], check=True, capture_output=True)
    result = prefix.run([winehost.to_windows(CHECKER_EXE), winehost.to_windows(image)],
                        capture=True)
    problems = [] if result.returncode == 2 and "a file, not a directory: mount a disc image" \
        in result.stderr and not result.stdout else ["Windows build: exit %d, %r" % (
            result.returncode, result.stderr[-300:])]
    reports = [json.loads(subprocess.run([HOST_CHECKER, path, "--json"], capture_output=True,
                                         check=False).stdout) for path in (image, medium)]
    if reports[0].get("image", {}).get("read") != "joliet" or \
            reports[0]["decision"] != reports[1]["decision"]:
        problems.append("build machine: %r against %r" % (reports[0].get("image"),
                                                          reports[1]["decision"]))
    print(("ok   " if not problems else "FAIL ") + "a disc image given as a file")
    return ["disc image: " + problem for problem in problems]


def compare(prefix, case):
    set_mapping(prefix, case.mapped, True)
    try:
        return compare_on_this_machine(prefix, case)
    finally:
        set_mapping(prefix, case.mapped, False)


def compare_on_this_machine(prefix, case):
    medium = lay_out(case)
    log = os.path.join(medium, "probe.log")
    set_registry(prefix, case)
    report = predict(prefix, case, medium)
    predicted = report["decision"]["action"]
    package = report["package"]
    if predicted == "install":
        predicted += " from " + package["path"]
    action, module = run_loader(prefix, case, medium, log)
    observed = action if module is None else action + " from " + module
    problems = []
    if not same_path(report["programDirectory"], winehost.to_windows(medium)):
        problems.append("checked " + report["programDirectory"])
    if report["decision"]["action"] != action or (
            module is not None and not same_path(package["path"], module)):
        problems.append("predicted %s, observed %s" % (predicted, observed))
    # The test builds are unsigned, which Wine's WinVerifyTrust answers as Windows does; the
    # signing test covers signed ones.
    signatures = {s["file"].lower(): s["state"] for s in report["signatures"]}
    if signatures.get("loader.exe") != "unsigned":
        problems.append("loader.exe's signature %r" % signatures)
    problems += misplaced(medium, report)
    codes = [finding["code"] for finding in report["findings"]
             if not finding["code"].startswith("MC5")]
    # The probe records nothing the check can read: where the loader ran it and the case gives
    # no --records, the next start is not known.
    expected = list(case.codes)
    if action == "install" and case.records is None and case.msi is None:
        expected.append("MC617")
        if (report["nextStart"] or {}).get("action") != "unknown":
            problems.append("next start %r, expected unknown" % report["nextStart"])
    if sorted(codes) != sorted(expected):
        problems.append("findings %s, expected %s" % (codes, expected))
    problems += host_reading_problems(case, medium, report)
    if case.records or case.msi is not None:
        next_action = report["nextStart"]["action"]
        second, _ = run_loader(prefix, case, medium, log)
        predicted += "; next start " + next_action
        observed += "; next start " + second
        windows, wine = case.known or (second, second)
        if next_action != windows or second != wine:
            problems.append("next start predicted %s, observed %s" % (next_action, second))
            if case.known:
                problems.append("known difference: Windows %s, Wine %s" % case.known)
    return predicted, observed, codes, problems


def main():
    prefix = winehost.Prefix(PREFIX_DIR)
    prefix.start()
    failures = []
    rows = []
    try:
        for case in CASES:
            if case.msi is not None:
                msi = lay_out(case)
                prefix.run(["msiexec", "/x", winehost.to_windows(
                    os.path.join(msi, case.package)), "/qn"], timeout=300)
        for view in (VIEW, OTHER):
            prefix.run(["reg", "delete", ROOT_KEY, "/f", "/reg:" + view])
        set_mapping(prefix, (VIEW, OTHER), False)
        for case in CASES:
            try:
                predicted, observed, codes, problems = compare(prefix, case)
            except (RuntimeError, ValueError, KeyError, TypeError) as error:
                predicted, observed, codes, problems = "?", "?", [], [repr(error)]
            rows.append((case.name, predicted, observed, " ".join(codes),
                         "ok" if not problems else "FAIL"))
            failures += ["%s: %s" % (case.name, problem) for problem in problems]
        failures += reading_failures(prefix)
        failures += image_failures(prefix)
    finally:
        prefix.stop()

    temp = prefix.temp_windows or ""
    media = winehost.to_windows(os.path.join(SUITE_DIR, "media"))
    header = ("case", "predicted (medium-check --view %s)" % VIEW, "observed (loader.exe)",
              "findings", "")
    shown = [tuple(text.replace(media, "<media>").replace(temp, "%TEMP%") for text in row)
             for row in [header] + rows]
    widths = [max(len(row[i]) for row in shown) for i in range(len(header))]
    for row in shown:
        print("  ".join(text.ljust(width) for text, width in zip(row, widths)).rstrip())
    for failure in failures:
        print("FAIL " + failure)
    print("%d cases, %d failures" % (len(CASES), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    if sys.argv[1:] == ["make-msis"]:
        os.makedirs(MSI_DIR, exist_ok=True)
        for msi_case in CASES:
            if msi_case.msi is not None:
                make_msi(msi_case, os.path.join(MSI_DIR, msi_case.name))
        sys.exit(0)
    sys.exit(main())
