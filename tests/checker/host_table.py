#!/usr/bin/python3
"""medium-check on the build machine, over a table of media: each publisher's mistake and sound
media, with the decision, the finding codes and the exit status each must give. Every JSON
report is parsed back and validated against docs/medium-check.schema.json; the text report must
give the same exit status and name the same codes, each at its place in the compilers' form, and
the text at each value's place must be the value the reader returned. Every SARIF report must
pass the SARIF Multitool's validation without errors. The publisher's guide beside the schema must
list exactly the checker's rules, every column to the letter, help included.

A file named *.exe on a medium is the sound package program unless a row gives its bytes or
package; the MSIs are the sound one (package.wxs, or payload.wxs with a file to install, built
with wixl) changed with msibuild, their summary's Word Count through libmsi. A row
with an image maker checks the medium as a disc image made from it by genisoimage or xorriso in
their usual modes, or by mkudffs and udfclient at a UDF revision; the report must say which file
systems the image carries and which it was read by, as the maker wrote them.

usage: host_table.py MEDIUM_CHECK SCHEMA SCRATCH_DIR PACKAGES_DIR
"""
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import urllib.parse

import jsonschema

CHECKER, SCHEMA, SCRATCH, PACKAGES = sys.argv[1], sys.argv[2], os.path.abspath(sys.argv[3]), \
    sys.argv[4]
SARIF_VALIDATOR = os.path.join(os.path.dirname(os.path.abspath(SCHEMA)), "..", "scripts",
                               "sarif-validator.sh")
SOUND = {"RuntimePackage": "setup.exe", "RegPath": "Maker\\Runtime", "Version": "2.1.0.5"}
NO_FILE = object()


def descriptor(**values):
    """autorun.inf text: the sound values changed by `values`; a value of None leaves its line out."""
    merged = dict(SOUND, **values)
    lines = ["[autorun]", "open=loader.exe"]
    lines += ["%s=%s" % (key, value) for key, value in merged.items() if value is not None]
    return "\r\n".join(lines) + "\r\n"


# name, autorun.inf (text, bytes or NO_FILE), files on the medium, options,
# expected: action, end, finding codes, exit status, and further fields of the report.
CASES = [
    ("sound, nothing installed", descriptor(), ["setup.exe"], [],
     "install", "install", [], 0, {"package.runsFrom": "staging"}),
    ("sound, up to date", descriptor(), ["setup.exe"], ["--installed", "2.1.0.5"],
     "nothing", "up-to-date", [], 0, {}),
    ("sound, older installed, records its version", descriptor(), ["setup.exe"],
     ["--installed", "2.0.0.0", "--records", "2.1.0.5"],
     "install", "install", [], 0, {"nextStart.action": "nothing"}),
    ("sound, names in other case", descriptor(RuntimePackage="Setup.exe"),
     ["SETUP.EXE", "AUTORUN.INF"], [], "install", "install", [], 0,
     {"package.runsFrom": "staging"}),
    ("sound, digits without full stops", descriptor(Version="21000005"), ["setup.exe"],
     ["--installed", "2.1.0.5"], "nothing", "up-to-date", ["MC203"], 0, {}),
    ("Version=1.0, nothing installed", descriptor(Version="1.0"), ["setup.exe"], [],
     "install", "install", ["MC201", "MC609"], 1, {}),
    ("Version=2.1.5, older installed", descriptor(Version="2.1.5"), ["setup.exe"],
     ["--installed", "1.0.0.0"], "nothing", "up-to-date", ["MC201", "MC609"], 1, {}),
    ("records 2.1.5 for 2.1.5.0", descriptor(Version="2.1.5.0"), ["setup.exe"],
     ["--not-installed", "--records", "2.1.5"], "install", "install", ["MC306", "MC609"], 1,
     {"nextStart.action": "install", "nextStart.recorded.isVersion": False}),
    ("records v2", descriptor(), ["setup.exe"], ["--records", "v2"],
     "install", "install", ["MC306"], 1, {"nextStart.action": "install"}),
    ("records 40 characters", descriptor(), ["setup.exe"], ["--records", "2.1.0.5" + "-" * 33],
     "install", "install", ["MC306"], 1, {"nextStart.recorded.version": ""}),
    ("installed value not a version", descriptor(), ["setup.exe"], ["--installed", "2.1.5"],
     "install", "install", ["MC305"], 0, {}),
    ("installed value not a version, strict", descriptor(), ["setup.exe"],
     ["--installed", "2.1.5", "--strict"], "install", "install", ["MC305"], 1, {}),
    ("installed value over 260 bytes", descriptor(), ["setup.exe"], ["--installed", "9" * 300],
     "install", "install", [], 0, {"installed.state": "too-long", "installed.read": False}),
    ("package in a sub-directory", descriptor(RuntimePackage="redist\\setup.exe"),
     ["redist/setup.exe"], [], "install", "install", ["MC402"], 0,
     {"package.runsFrom": "medium", "package.found": True}),
    ("package above the medium", descriptor(RuntimePackage="..\\setup.exe"), [], [],
     "install", "install", ["MC403"], 0, {"package.runsFrom": "medium", "package.found": None}),
    ("package on another drive", descriptor(RuntimePackage="D:\\setup.exe"), [], [],
     "install", "install", ["MC403"], 0, {"package.stagingPath": None}),
    ("package not on the medium", descriptor(), [], [],
     "install", "install", ["MC401"], 1, {"package.runsFrom": "nowhere"}),
    ("package needing an associated program", descriptor(RuntimePackage="setup.bat"),
     ["setup.bat"], [], "install", "install", ["MC404"], 0, {}),
    ("Version cut to 31", descriptor(Version="2.1.0.5-build-20240101-abcdefghijklm"),
     ["setup.exe"], [], "install", "install", ["MC104"], 0,
     {"descriptor.Version": "2.1.0.5-build-20240101-abcdefgh"}),
    ("field of five digits", descriptor(Version="1.10000.0.0"), ["setup.exe"],
     ["--installed", "2.0.0.0"], "install", "install", ["MC202", "MC609"], 0, {}),
    ("no autorun.inf", NO_FILE, ["setup.exe"], [],
     "nothing", "incomplete-descriptor", ["MC101"], 1, {"installed": None, "package": None}),
    ("no section autorun", descriptor().replace("[autorun]", "[AutoPlay]"), ["setup.exe"], [],
     "nothing", "incomplete-descriptor", ["MC102"], 1, {}),
    ("values in a second section autorun", "[autorun]\r\nopen=loader.exe\r\n[AutoRun]\r\n" +
     descriptor().split("\r\n", 1)[1], ["setup.exe"], [], "nothing", "incomplete-descriptor",
     ["MC103", "MC111"], 1, {"messages contain": "second section [autorun]"}),
    ("no RegPath", descriptor(RegPath=None), ["setup.exe"], [],
     "nothing", "incomplete-descriptor", ["MC103"], 1, {"descriptor.Version": ""}),
    ("empty Version", descriptor(Version=""), ["setup.exe"], [],
     "nothing", "incomplete-descriptor", ["MC103"], 1, {}),
    # The medium's names are Unicode (UTF-8 here); autorun.inf's bytes are read in the machine's
    # ANSI code page and turned into them by it.
    ("not plain ASCII", descriptor(RuntimePackage="s\u00e9tup.exe").encode("latin-1"),
     ["s\u00e9tup.exe"], [], "install", "install", ["MC105", "MC406"], 0,
     {"package.found": True,
      "messages contain": "where the ANSI code page is 1251, 1253, 1255, 874, 932, 936, 949 and 950"}),
    ("a name in code page 1252 on a machine of 932", descriptor(
        RuntimePackage="Laufzeit-\u00fc.exe").encode("latin-1"), ["Laufzeit-\u00fc.exe"],
     ["--code-page", "932"], "install", "install", ["MC105", "MC401", "MC407"], 1,
     {"package.found": False, "messages contain": "it names 'Laufzeit-\u00fc.exe'"}),
    ("a name in UTF-8, which no ANSI code page reads", descriptor(
        RuntimePackage="Laufzeit-\u00fc.exe").encode("utf-8"), ["Laufzeit-\u00fc.exe"], [],
     "install", "install", ["MC105", "MC401"], 1, {"package.found": False}),
    ("a name in UTF-16, converted to each code page", b"\xff\xfe" + descriptor(
        RuntimePackage="Laufzeit-\u00fc.exe").encode("utf-16-le"), ["Laufzeit-\u00fc.exe"],
     ["--code-page", "1250"], "install", "install", ["MC105", "MC109", "MC406"], 0,
     {"package.found": True}),
    ("RegPath with a leading backslash", descriptor(RegPath="\\Maker\\Runtime"), ["setup.exe"],
     ["--installed", "2.1.0.5"], "nothing", "up-to-date", ["MC301"], 0, {}),
    ("RegPath starting with Software", descriptor(RegPath="Software\\Maker\\Runtime"),
     ["setup.exe"], [], "install", "install", ["MC302"], 0, {}),
    ("RegPath too long for the sub-key", descriptor(RegPath="k" * 252), ["setup.exe"],
     ["--installed", "2.1.0.5"], "install", "install", ["MC303"], 1,
     {"installed.state": "key-too-long"}),
]

MSIS = {}


def set_word_count(path, value):
    """The summary's Word Count, which msibuild does not set, written through libmsi."""
    import gi
    gi.require_version("Libmsi", "1.0")
    from gi.repository import Libmsi
    database = Libmsi.Database.new(path, Libmsi.DbFlags.TRANSACT, None)
    summary = Libmsi.SummaryInfo.new(database, 1)
    summary.set_int(Libmsi.Property.SOURCE, value)
    summary.persist()
    database.commit()


def msi(name, *queries, template=None, wxs="package.wxs", scope=None, word_count=None):
    """The sound MSI (package.wxs, or payload.wxs with a file), as wixl writes it for an
    InstallScope of scope, its tables changed by SQL queries, its summary's Template by template
    and its Word Count by word_count; made once under each name."""
    path = os.path.join(SCRATCH, "packages", name + ".msi")
    if name in MSIS:
        return path
    MSIS[name] = path
    os.makedirs(os.path.dirname(path), exist_ok=True)
    source = os.path.join(os.path.dirname(os.path.abspath(__file__)), wxs)
    if scope:
        with open(source) as text:
            scoped = text.read().replace('InstallScope="perMachine"', 'InstallScope="%s"' % scope)
        source = os.path.join(SCRATCH, "packages", name + ".wxs")
        with open(source, "w") as out:
            out.write(scoped)
    subprocess.run(["wixl", "-a", "x86", "-o", path, source], check=True)
    for query in queries:
        subprocess.run(["msibuild", path, "-q", query], check=True)
    if template:
        subprocess.run(["msibuild", path, "-s", "Maker Runtime", "Maker", template], check=True)
    if word_count is not None:
        set_word_count(path, word_count)
    return path


def cabinet_beside(name):
    """payload.wxs's MSI with its cabinet taken out of it and named without '#', an external
    cabinet: the MSI and the cabinet, which the medium carries beside it."""
    path = msi(name + "-embedded", wxs="payload.wxs")
    directory = os.path.join(SCRATCH, "packages", name)
    outside = os.path.join(directory, "runtime.msi")
    if not os.path.exists(outside):
        os.makedirs(directory, exist_ok=True)
        shutil.copyfile(path, outside)
        subprocess.run(["msidump", "-s", "-d", directory, outside], check=True,
                       capture_output=True)
        for query in ("UPDATE `Media` SET `Cabinet` = 'runtime.cab'",
                      "DELETE FROM `_Streams` WHERE `Name` = 'runtime.cab'"):
            subprocess.run(["msibuild", outside, "-q", query], check=True)
    return outside, os.path.join(directory, "_Streams", "runtime.cab")


def program(name):
    return os.path.join(PACKAGES, "program-%s.exe" % name)


MSI_TEXT = descriptor(RuntimePackage="setup.msi")


def msi_case(name, path, options, codes, status, more=None, action="nothing"):
    """A medium whose package is an MSI, nothing installed; action is the next start's."""
    expected = {"nextStart.action": action} if action else {}
    expected.update(more or {})
    return (name, MSI_TEXT, [("setup.msi", path)], options, "install", "install", codes, status,
            expected)


def registry(assignment):
    return "UPDATE `Registry` SET " + assignment


def exe_case(name, package, codes, status, more=None):
    return (name, descriptor(), [("setup.exe", package)], [], "install", "install", codes, status,
            more or {})


CASES += [
    msi_case("MSI, sound", msi("sound"), [], [], 0, {"nextStart.recorded.source": "package",
                                                   "nextStart.recorded.stored": "2.1.0.5"}),
    msi_case("MSI, 64-bit component", msi("win64", "UPDATE `Component` SET `Attributes` = 260"),
             [], ["MC601", "MC613"], 1, action="install"),
    msi_case("MSI, 64-bit component below WOW6432Node", msi(
        "wow64node", "UPDATE `Component` SET `Attributes` = 260",
        registry("`Key` = 'Software\\WOW6432Node\\Maker\\Runtime'"), template="x64;1033"),
        [], ["MC608"], 0),
    msi_case("MSI, 32-bit component below WOW6432Node", msi(
        "wow64node32", registry("`Key` = 'Software\\WOW6432Node\\Maker\\Runtime'")), [],
        ["MC614"], 0, {"nextStart.recorded.stored": "2.1.0.5"}),
    msi_case("MSI, 32-bit component below WOW6432Node, on 32-bit Windows", msi("wow64node32"),
             ["--bits", "32"], ["MC602"], 1, action="install"),
    msi_case("MSI, another key", msi("key", registry("`Key` = 'Software\\Maker\\Runtime2'")),
             [], ["MC602"], 1, {"nextStart.recorded.state": "no-key"}, "install"),
    msi_case("MSI, another value name", msi("name", registry("`Name` = 'ProductVersion'")), [],
             ["MC602"], 1, {"nextStart.recorded.state": "no-value"}, "install"),
    msi_case("MSI, names in other case", msi("case", registry(
        "`Key` = 'SOFTWARE\\maker\\runtime', `Name` = 'VERSION'")), [], [], 0),
    msi_case("MSI, HKCU", msi("hkcu", registry("`Root` = 1")), [], ["MC602"], 1,
             action="install"),
    msi_case("MSI, per-user root -1", msi("peruser", registry("`Root` = -1"),
                                         "DELETE FROM `Property` WHERE `Property` = 'ALLUSERS'"),
             [], ["MC602"], 1, action="install"),
    msi_case("MSI, per-machine root -1", msi("permachine", registry("`Root` = -1")), [], [], 0),
    msi_case("MSI, ALLUSERS 2", msi("allusers2", registry("`Root` = -1"),
                                    "UPDATE `Property` SET `Value` = '2' "
                                    "WHERE `Property` = 'ALLUSERS'"), [], ["MC611"], 0,
             {"packageContents.msi.installContext": "per-machine"}),
    msi_case("MSI, ALLUSERS 2 and MSIINSTALLPERUSER 1", msi(
        "peruser2", registry("`Root` = -1"),
        "UPDATE `Property` SET `Value` = '2' WHERE `Property` = 'ALLUSERS'",
        "INSERT INTO `Property` (`Property`, `Value`) VALUES ('MSIINSTALLPERUSER', '1')"), [],
        ["MC602", "MC611"], 1, {"packageContents.msi.installContext": "per-user"}, "install"),
    msi_case("MSI, ALLUSERS 0", msi("allusers0", registry("`Root` = -1"),
                                    "UPDATE `Property` SET `Value` = '0' "
                                    "WHERE `Property` = 'ALLUSERS'"), [], [], 0),
    msi_case("MSI, three fields", msi("fields", registry("`Value` = '2.1.5'")), [],
             ["MC603"], 1, action="install"),
    msi_case("MSI, an older version", msi("older", registry("`Value` = '2.0.0.0'")), [],
             ["MC603"], 1, action="install"),
    msi_case("MSI, a DWORD", msi("dword", registry("`Value` = '#2'")), [], ["MC603"], 1,
             action="install"),
    msi_case("MSI, a multi-string", msi("multi", registry("`Value` = '[~]2.1.0.5[~]'")), [],
             [], 0),
    msi_case("MSI, a multi-string led by another text", msi(
        "multifirst", registry("`Value` = 'a[~][ProductVersion]'")), [], ["MC603"], 1,
        {"nextStart.recorded.stored": "a"}, "install"),
    msi_case("MSI, the version's bytes", msi("binary", registry("`Value` = '#x322E312E302E3500'")),
             [], [], 0, {"nextStart.recorded.stored": "2.1.0.5"}),
    msi_case("MSI, expandable text", msi("expand", registry("`Value` = '#%[ProductVersion]'")),
             [], [], 0),
    msi_case("MSI, no Registry row", msi("none", "DELETE FROM `Registry`"), [], ["MC604"], 1,
             action="install"),
    msi_case("MSI, a custom action might record", msi(
        "action", "DELETE FROM `Registry`", "INSERT INTO `CustomAction` (`Action`, `Type`, "
        "`Source`, `Target`) VALUES ('WriteVersion', 34, 'TARGETDIR', 'reg.exe')"), [],
        ["MC605"], 0, action="install"),
    msi_case("MSI, a component condition", msi(
        "condition", "UPDATE `Component` SET `Condition` = 'VersionNT >= 600'"), [], ["MC606"],
        0),
    msi_case("MSI, ProductVersion of three fields", msi(
        "product", registry("`Value` = '2.1.0.5'"),
        "UPDATE `Property` SET `Value` = '2.1.5' WHERE `Property` = 'ProductVersion'"), [],
        ["MC607"], 0),
    msi_case("MSI, x64 template", msi("x64", template="x64;1033"), [], ["MC608"], 0),
    msi_case("MSI, --records differs", msi("sound"), ["--records", "2.1.0.6"], ["MC612"], 0,
             {"nextStart.recorded.source": "given"}),
    msi_case("MSI, not an MSI", b"MZ not a database", [], ["MC610"], 1,
             {"nextStart": None}, None),
    msi_case("MSI, a file in its own cabinet", msi("payload", wxs="payload.wxs"), [], [], 0,
             {"packageContents.msi.external": [], "nextStart.installFails": []}),
    msi_case("MSI, a file marked uncompressed", msi(
        "noncompressed", "UPDATE `File` SET `Attributes` = 8704", wxs="payload.wxs"), [],
        ["MC615"], 1, {"packageContents.msi.external": [{"kind": "file", "name": "readme.txt"}],
                       "nextStart.installFails": ["source-missing"]}, "install"),
    msi_case("MSI, an uncompressed source", msi(
        "uncompressed", wxs="payload.wxs", word_count=0), [], ["MC615"], 1,
        {"messages contain": "finds no source (error 1308)"}, "install"),
    msi_case("MSI, an uncompressed source, its file marked compressed", msi(
        "compressed", "UPDATE `File` SET `Attributes` = 16896", wxs="payload.wxs",
        word_count=0), [], [], 0, {"packageContents.msi.wordCount": 0}),
    msi_case("MSI, per user without elevation, writing HKLM", msi("limited", scope="perUser"), [],
             ["MC616"], 1, {"packageContents.msi.unelevated": True,
                            "packageContents.msi.wordCount": 10,
                            "nextStart.installFails": ["cannot-write-hklm"],
                            "nextStart.recorded.state": "not-installed"}, "install"),
    msi_case("MSI, per user asking for elevation, writing HKLM", msi(
        "elevated", "DELETE FROM `Property` WHERE `Property` = 'ALLUSERS'"), [], [], 0,
        {"packageContents.msi.installContext": "per-user",
         "packageContents.msi.unelevated": False}),
    ("MSI, an external cabinet beside it", MSI_TEXT,
     [("setup.msi", cabinet_beside("external")[0]), ("runtime.cab", cabinet_beside("external")[1])],
     [], "install", "install", ["MC615"], 1,
     {"nextStart.action": "install", "nextStart.installFails": ["source-missing"],
      "packageContents.msi.external": [{"kind": "cabinet", "name": "runtime.cab"}],
      "messages contain": "from an external cabinet 'runtime.cab' beside it"}),
    ("MSI, an external cabinet beside it, run in place",
     descriptor(RuntimePackage="redist\\setup.msi"),
     [("redist/setup.msi", cabinet_beside("external")[0]),
      ("redist/runtime.cab", cabinet_beside("external")[1])], [], "install", "install", ["MC402"],
     0, {"package.runsFrom": "medium", "nextStart.action": "nothing",
         "nextStart.installFails": []}),
    exe_case("EXE, x64", program("x64"), ["MC608"], 0, {
        "packageContents.exe.machine": 0x8664,
        "packageContents.exe.executionLevel": "requireAdministrator",
        "packageContents.exe.fileVersion": "2.1.0.5"}),
    exe_case("EXE, another version", program("old"), ["MC609"], 0,
             {"messages contain": "the program's product version is 1.0.0.0"}),
    # An installer system numbers its own builds in the file version; the runtime's is the product
    # version, and the file version stands in only where there is none.
    exe_case("EXE, its build's file version beside the runtime's product version",
             program("build"), [], 0, {"packageContents.exe.fileVersion": "1.0.0.17"}),
    exe_case("EXE, no product version", program("no-product"), ["MC609"], 0,
             {"messages contain": "the program's file version is 1.0.0.0"}),
    exe_case("EXE, what it records not known", program("x86"), ["MC617"], 0,
             {"nextStart.action": "unknown", "messages contain": "--records"}),
    # NSIS writes the fixed versions from VIProductVersion and VIFileVersion; what its script
    # records (here HKCU, in the 64-bit view) the check cannot read.
    exe_case("EXE, NSIS: VIProductVersion 2.1.0.5, VIFileVersion 1.0.0.17, writing HKCU",
             os.path.join(PACKAGES, "nsis-hkcu-64.exe"), ["MC617"], 0,
             {"nextStart.action": "unknown",
              "packageContents.exe.fixedProductVersion": "2.1.0.5"}),
    ("EXE, what it records given", descriptor(), ["setup.exe"], ["--records", "2.1.0.5"],
     "install", "install", [], 0, {"nextStart.action": "nothing"}),
    exe_case("EXE, empty", b"", ["MC610"], 1),
    exe_case("EXE, truncated", ("truncated", 1024), ["MC610"], 1),
    exe_case("EXE, no PE headers", b"#!/bin/sh\n", ["MC610"], 1),
]

MEDIUM_TEXT = descriptor(RegPath="Acme\\Rt")
LONG_REG_PATH = "k" * 252
CASES += [
    ("RegPath too long, nothing given", descriptor(RegPath=LONG_REG_PATH), ["setup.exe"], [],
     "install", "install", ["MC303"], 1, {"installed.state": "key-too-long"}),
    ("RegPath too long, not installed", descriptor(RegPath=LONG_REG_PATH), ["setup.exe"],
     ["--not-installed"], "install", "install", ["MC303"], 1, {}),
    ("RegPath too long, records given", descriptor(RegPath=LONG_REG_PATH), ["setup.exe"],
     ["--records", "2.1.0.5"], "install", "install", ["MC303", "MC306"], 1,
     {"messages contain": "recorded '2.1.0.5'"}),
    ("UTF-8 mark on the line of [autorun]", b"\xef\xbb\xbf" + MEDIUM_TEXT.encode(), ["setup.exe"],
     [], "nothing", "incomplete-descriptor", ["MC107"], 1, {}),
    ("UTF-8 mark, [autorun] later", b"\xef\xbb\xbf; saved by an editor\r\n" +
     MEDIUM_TEXT.encode(), ["setup.exe"], [], "install", "install", [], 0, {}),
    ("UTF-16 LE", b"\xff\xfe" + MEDIUM_TEXT.encode("utf-16-le"), ["setup.exe"], [],
     "install", "install", ["MC109"], 0, {}),
    ("UTF-16 BE", b"\xfe\xff" + MEDIUM_TEXT.encode("utf-16-be"), ["setup.exe"], [],
     "nothing", "incomplete-descriptor", ["MC108"], 1, {}),
]

# The places of values the reader finds past other sections, comments, blanks, quotes and lines
# ended by CR alone; the text at each must be the value read.
PLACED = ("; a comment\r[Other]\rVersion=9.9.9.9\r\r  [ AutoRun ]  \r;Version=0.0.0.0\r"
          "\tRuntimePackage =  'setup.exe'\rRegPath= Maker\\Runtime\rversion\t=\t1.0\r"
          "Version=2.1.0.5\r")
CASES += [
    ("values placed past sections and comments", PLACED, ["setup.exe"], [],
     "install", "install", ["MC201", "MC609"], 1,
     {"descriptor.places.section": {"line": 5, "column": 3},
                                          "descriptor.places.Version": {"line": 9, "column": 11}}),
]


# Disc images: the medium laid out as above, then made into an image by the command given (the
# directory and the image's path follow it), or by a function of the two. A patch writes bytes
# into the image at an offset.
GENISOIMAGE = ["genisoimage", "-quiet"]
XORRISO = ["xorriso", "-report_about", "SORRY", "-as", "mkisofs", "-quiet"]
# udfclient names a volume by its volume set, primary volume, logical volume and file set.
UDF_LABELS = ["--uuid=0123456789abcdef", "--vsid=M", "--lvid=M", "--vid=M", "--fsid=M"]
UDF_VOLUME = "0123456789abcdefM:M:M:M"


def udf_image(revision, removed=()):
    """A maker: mkudffs lays out an empty UDF volume of this revision for a hard disk, the plain
    kind (24 MiB, as little as udfclient writes into), and udfclient writes the medium's files
    into it, a file small enough inside its file entry, then deletes the files named removed."""
    def make(medium, image):
        if os.path.exists(image):
            os.remove(image)
        subprocess.run(["mkudffs", "--media-type=hd", "--udfrev=" + revision, "--blocksize=2048",
                        "--new-file"] + UDF_LABELS + [image, "12000"], check=True,
                       capture_output=True)
        names = " ".join('"%s"' % name for name in sorted(os.listdir(medium)))
        commands = "cd %s\nlcd %s\nmput %s\n" % (UDF_VOLUME, medium, names)
        commands += "".join('rm "%s"\n' % name for name in removed) + "quit\n"
        run = subprocess.run(["udfclient", "-b", "2048", "-W", image], input=commands.encode(),
                             capture_output=True, check=True)
        # udfclient ends with 0 whatever it could not write.
        if re.search(rb"couldn't|No space|Can't", run.stdout + run.stderr):
            raise RuntimeError("udfclient: %r" % run.stdout[-2000:])
    return make


UDF_MEDIUM = ["setup.exe", "docs/Read Me First.txt"]
UDF_READ = {"image.read": "udf", "image.fileSystems": ["udf"], "package.runsFrom": "staging"}
LONG_NAME = "runtime-installer-for-the-example-maker-runtime-version-2-1-0-5-x86.exe"
DEEP = "d1/d2/d3/d4/d5/d6/d7/d8/d9/readme.txt"
CASES += [
    ("image, xorriso Joliet and Rock Ridge", descriptor(), ["setup.exe"], [], "install",
     "install", [], 0, {"image.read": "joliet", "package.runsFrom": "staging",
                        "image.fileSystems": ["joliet", "iso9660", "rock-ridge"]},
     XORRISO + ["-J", "-R"]),
    ("image, genisoimage Rock Ridge only", descriptor(RuntimePackage="runtime-installer.exe"),
     ["runtime-installer.exe"], [], "install", "install", ["MC401", "MC702"], 1,
     {"image.read": "iso9660", "package.runsFrom": "nowhere",
      "messages contain": "where it is 'RUNTIME_.EXE'"}, GENISOIMAGE + ["-R"]),
    ("image, genisoimage UDF bridge", descriptor(), ["setup.exe", "docs/Read Me First.txt"],
     [], "install", "install", [], 0,
     {"image.read": "udf", "image.fileSystems": ["udf", "joliet", "iso9660", "rock-ridge"]},
     GENISOIMAGE + ["-J", "-R", "-udf"]),
    ("image, Joliet cuts a long name", descriptor(RuntimePackage=LONG_NAME), [LONG_NAME], [],
     "install", "install", ["MC401", "MC702"], 1,
     {"image.read": "joliet", "messages contain": "where it is '%s'" % LONG_NAME[:64]},
     GENISOIMAGE + ["-J", "-R"]),
    ("image, xorriso keeps the Joliet name's type", descriptor(RuntimePackage=LONG_NAME),
     [LONG_NAME], [], "install", "install", ["MC401", "MC702"], 1,
     {"messages contain": "where it is '%s.exe'" % LONG_NAME[:61]}, XORRISO + ["-J", "-R"]),
    ("image, Rock Ridge moves a deep directory", descriptor(), ["setup.exe", DEEP], [],
     "install", "install", ["MC705"], 0,
     {"messages contain": "'D1/D2/D3/D4/D5/D6/D7/D8' is at level 9"},
     GENISOIMAGE + ["-R"]),
    ("image, a file hidden from Joliet", descriptor(), ["setup.exe", ("data1.cab", b"MSCF")], [],
     "install", "install", ["MC704"], 0, {"messages contain": "'data1.cab' is in the image's"},
     GENISOIMAGE + ["-J", "-R", "-hide-joliet", "data1.cab"]),
    ("image, other names of a file the loader does not open", descriptor(),
     ["setup.exe", ("redistributable-notes.txt", b"notes")], [], "install", "install", ["MC703"],
     0,
     {"image.read": "iso9660"}, GENISOIMAGE + ["-R"]),
    ("image without a primary volume descriptor", descriptor(), ["setup.exe"], [], "nothing",
     "incomplete-descriptor", ["MC101", "MC701"], 1, {"image.read": None},
     XORRISO + ["-J", "-R"], (16 * 2048, b"\x00")),
    # udfclient writes autorun.inf and the notes inside their file entries.
    ("image, mkudffs and udfclient UDF 1.02", descriptor(), UDF_MEDIUM, [], "install", "install",
     [], 0, UDF_READ, udf_image("1.02")),
    ("image, mkudffs and udfclient UDF 1.50", descriptor(), UDF_MEDIUM, [], "install", "install",
     [], 0, UDF_READ, udf_image("1.50")),
    ("image, mkudffs and udfclient UDF 2.01, extended file entries", descriptor(), UDF_MEDIUM, [],
     "install", "install", [], 0, UDF_READ, udf_image("2.01")),
    # Deleting leaves the file's identifier, marked deleted, which Windows passes over.
    ("image, udfclient deletes the package", descriptor(), UDF_MEDIUM, [], "install", "install",
     ["MC401"], 1, {"image.read": "udf", "package.runsFrom": "nowhere"},
     udf_image("2.01", removed=["setup.exe"])),
]

USAGE_CASES = [
    ("no medium", []),
    ("both installed options", ["MEDIUM", "--installed", "1.0.0.0", "--not-installed"]),
    ("unknown option", ["MEDIUM", "--view", "64"]),
    ("unknown format", ["MEDIUM", "--format", "xml"]),
    ("no such directory", [os.path.join(SCRATCH, "no-such-medium")]),
    ("neither a directory nor a disc image", ["RANDOM"]),
    ("an image cut short", ["TRUNCATED"]),
    # A stick's image, a volume or a disk of partitions: what to check instead.
    ("a FAT12 image", ["FAT"], "check the stick where it is mounted"),
    ("a disk image whose first partition is FAT32", ["FAT_DISK"], "@@1048576 ::/ DIR"),
    # A UDF reader that follows these reads past its buffers, allocates what they claim, searches
    # for ever or drops the rest of a directory without a word; Windows reads none of them. Each
    # row gives what the message must say.
    ("a UDF root whose allocation lies outside its entry", ["UDF_ROOT"],
     "allocation lies outside it"),
    ("a UDF file entry whose allocation lies outside it", ["UDF_ENTRY"],
     "allocation lies outside it (the UDF file entry of /"),
    ("a UDF file identifier running past its directory", ["UDF_IDENTIFIER"],
     "runs past its directory"),
    ("a UDF file identifier naming a 1 GiB file entry", ["UDF_ICB"], "longer than 64 blocks"),
    ("a UDF file set sequence searched past the image's end", ["UDF_FILE_SET"],
     "takes more than 9216 blocks"),
    # What libudfread reads otherwise than Windows, or not at all: the check says it cannot.
    ("a UDF directory in two pieces", ["UDF_PIECES"], "recorded in several pieces"),
    ("a UDF file entry recorded with strategy 4096", ["UDF_STRATEGY"], "strategy 4096"),
    ("a UDF file name ending in a backslash", ["UDF_NAME"], "does not show as it is"),
    # mkudffs writes UDF 2.50 and 2.60 only for write-once media, with a virtual allocation table,
    # and 2.01 for CD-RW with sparing tables; Windows reads both, libudfread neither.
    ("a UDF 2.60 volume for BD-R", ["UDF_BD-R"], "a virtual allocation table"),
    ("a UDF 2.01 volume for CD-RW", ["UDF_CD-RW"], "sparing tables"),
]


def fat_images():
    """A FAT12 volume as mkfs.fat makes a floppy's, and a disk whose first partition, at 1 MiB,
    holds a FAT32 volume, as a USB stick is formatted."""
    volume, disk = os.path.join(SCRATCH, "stick.img"), os.path.join(SCRATCH, "disk.img")
    for name in (volume, disk):
        if os.path.exists(name):
            os.remove(name)
    subprocess.run(["mkfs.fat", "-C", volume, "1440"], check=True, capture_output=True)
    sectors = 40 * 2048
    with open(disk, "wb") as out:
        out.truncate(sectors * 512)
        entry = struct.pack("<8BII", 0, 0, 0, 0, 0x0C, 0, 0, 0, 2048, sectors - 2048)
        out.write(bytes(446) + entry + bytes(48) + b"\x55\xaa")
    subprocess.run(["mkfs.fat", "-F", "32", "--offset", "2048", disk, str((sectors - 2048) // 2)],
                   check=True, capture_output=True)
    return volume, disk


def udf_blocks(image, tag):
    """The blocks of an image holding a UDF descriptor of this tag, as libudfread accepts a
    tag."""
    for block in range(0, len(image), 2048):
        head = image[block:block + 16]
        if head[:2] == struct.pack("<H", tag) and (sum(head[:15]) - head[4]) % 256 == head[4]:
            yield block


def hostile_udf(medium, path, part):
    """A UDF bridge image with one field bent: the root's or the last file entry's extended
    attributes' length, the root's first named identifier's implementation use or the length of
    the file entry it names, or the last character of its name (a backslash); the file set
    sequence moved past the image's end, its length 0 (which a reader takes as 2^32 bytes); the
    root's allocation descriptors' length doubled (the directory in two pieces), or its entry's
    strategy (4096)."""
    with open(make_image(medium, GENISOIMAGE + ["-J", "-R", "-udf"], None), "rb") as f:
        image = bytearray(f.read())
    root = next(udf_blocks(image, 261))
    identifier = next(udf_blocks(image, 257)) + 40
    name = identifier + 38 + struct.unpack_from("<H", image, identifier + 36)[0]
    last = name + image[identifier + 19] - (1 if image[name] == 8 else 2)
    at, bent = {
        "root": (root + 168, b"\xff" * 4),
        "entry": (list(udf_blocks(image, 261))[-1] + 168, b"\xff" * 4),
        "identifier": (identifier + 36, b"\xff" * 2),
        "icb": (identifier + 20, struct.pack("<I", (1 << 30) - 1)),
        "name": (last, b"\\" if image[name] == 8 else b"\0\\"),
        "file_set": (next(udf_blocks(image, 6)) + 248, struct.pack("<II", 0, 1 << 30)),
        "pieces": (root + 172, struct.pack("<I", 2 * image[root + 172])),
        "strategy": (root + 20, struct.pack("<H", 4096))}[part]
    image[at:at + len(bent)] = bent
    with open(path, "wb") as out:
        out.write(image)
    return path


# init: name, package, further options, whether DIR holds an autorun.inf before, exit status,
# the files DIR must then hold and what its autorun.inf must say, and what init must say.
INIT_CASES = [
    ("MSI", msi("sound"), [], False, 0, ["autorun.inf", "loader.exe", "runtime.msi"],
     "RegPath=Maker\\Runtime\r\nVersion=2.1.0.5\r\n"),
    ("MSI, 64-bit component: nothing written", msi("win64"), [], False, 1, None, None),
    # A value that is no version is refused as what the package records, not checked as Version.
    ("MSI recording a REG_DWORD: nothing written", msi("dword"), [], False, 2, None, None,
     "records a REG_DWORD the loader reads as '\x02'"),
    ("MSI recording a REG_DWORD, --version: the check's error", msi("dword"),
     ["--version", "2.1.0.5"], False, 1, None, None),
    ("MSI, autorun.inf there", msi("sound"), [], True, 2, ["autorun.inf"], "[other]"),
    ("MSI, autorun.inf there, --force", msi("sound"), ["--force"], True, 0,
     ["autorun.inf", "loader.exe", "runtime.msi"], "Version=2.1.0.5"),
    ("EXE without --version", program("x86"), ["--reg-path", "Maker\\Runtime"], False, 2, None,
     None),
    ("EXE", program("x86"), ["--reg-path", "Maker\\Runtime", "--version", "2.1.0.5"], False, 0,
     ["autorun.inf", "loader.exe", "runtime.exe"], "RuntimePackage=runtime.exe\r\n",
     "not known: the check cannot read what the package records"),
    ("MSI, --iso", msi("sound"), ["--iso", "IMAGE"], False, 0,
     ["autorun.inf", "loader.exe", "runtime.msi"], "RegPath=Maker\\Runtime\r\n"),
    ("MSI, 64-bit component, --iso: no image", msi("win64"), ["--iso", "IMAGE"], False, 1, None,
     None),
    ("MSI, an external cabinet: refused", cabinet_beside("external")[0], [], False, 2, None,
     None, "it installs from an external cabinet 'runtime.cab' beside it"),
]


def image_problems(command, image, run):
    """init --iso keeps the image only when its check passes; the check is of the image, by the
    name it is kept under; the same inputs give the same bytes, and the image is read by its
    Joliet names, which hold the medium's names as they are."""
    if run.returncode != 0:
        return ["image kept"] if os.path.exists(image) or os.path.exists(image + ".partial") \
            else []
    if not os.path.isfile(image):
        return ["no image"]
    problems = [] if run.stdout.startswith(b"Medium          " + image.encode()) else \
        ["report not of the image: %r" % run.stdout[:200]]
    report = json.loads(subprocess.run([CHECKER, image, "--json"], capture_output=True).stdout)
    # The table's programs are unsigned: MC501 is the signing tests' matter.
    found = [finding["code"] for finding in report["findings"] if finding["code"] != "MC501"]
    problems += [] if report["image"]["read"] == "joliet" and not found else \
        ["image read as %r with %r" % (report["image"], found)]
    again = image[:-len(".iso")] + "-again"
    shutil.rmtree(again, ignore_errors=True)
    twice = again + ".iso"
    subprocess.run([again if part == command[2] else twice if part == image else part
                    for part in command], capture_output=True, check=True)
    with open(image, "rb") as first, open(twice, "rb") as second:
        problems += [] if first.read() == second.read() else ["not the same bytes twice"]
    return problems


def init_failures():
    failures = []
    loader = os.path.join(SCRATCH, "loader.exe")
    shutil.copyfile(program("x86"), loader)
    for index, (name, package, options, present, status, files, text, *said) in \
            enumerate(INIT_CASES):
        directory = os.path.join(SCRATCH, "init%02d" % index)
        shutil.rmtree(directory, ignore_errors=True)
        if present:
            os.makedirs(directory)
            with open(os.path.join(directory, "autorun.inf"), "w") as out:
                out.write("[other]\n")
        copy = os.path.join(SCRATCH, "runtime" + os.path.splitext(package)[1])
        shutil.copyfile(package, copy)
        image = directory + ".iso"
        if os.path.exists(image):
            os.remove(image)
        command = [CHECKER, "init", directory, "--package", copy, "--loader", loader] + \
            [image if option == "IMAGE" else option for option in options]
        run = subprocess.run(command, capture_output=True)
        held = sorted(os.listdir(directory)) if os.path.isdir(directory) else None
        problems = [] if run.returncode == status else ["exit %d" % run.returncode]
        problems += ["says %r" % run.stderr for text_said in said if text_said.encode() not in
                     run.stderr + run.stdout]
        problems += image_problems(command, image, run) if "IMAGE" in options else []
        problems += [] if held == files else ["DIR holds %r" % held]
        # The report is of DIR: the scratch directory it was checked in is gone.
        problems += ["report names %r" % line for line in run.stdout.splitlines()
                     if b".medium-check-init" in line]
        if text is not None and files is not None:
            with open(os.path.join(directory, "autorun.inf"), "rb") as inf:
                problems += [] if text.encode() in inf.read() else ["autorun.inf lacks %r" % text]
        print(("ok   " if not problems else "FAIL ") + "init: " + name)
        failures += ["init %s: %s %r" % (name, problem, run.stderr) for problem in problems]
    return failures


def lay_out(index, inf, files):
    medium = os.path.join(SCRATCH, "medium%02d" % index)
    shutil.rmtree(medium, ignore_errors=True)
    os.makedirs(medium)
    if inf is not NO_FILE:
        name = next((f for f in files if isinstance(f, str) and f.lower() == "autorun.inf"),
                    "autorun.inf")
        with open(os.path.join(medium, name), "wb") as out:
            out.write(inf if isinstance(inf, bytes) else inf.encode("ascii"))
    for name in files:
        name, content = name if isinstance(name, tuple) else (name, None)
        if name.lower() != "autorun.inf":
            path = os.path.join(os.fsencode(medium), name.encode("utf-8"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            if content is None and name.lower().endswith(".exe"):
                content = program("x86")
            if isinstance(content, tuple):
                with open(program("x86"), "rb") as whole:
                    content = whole.read()[:content[1]]
            if isinstance(content, str):
                shutil.copyfile(content, path)
            else:
                with open(path, "wb") as out:
                    out.write(content or b"")
    return medium


def make_image(medium, maker, patch):
    image = medium + ".iso"
    if callable(maker):
        maker(medium, image)
    else:
        subprocess.run(maker + ["-o", image, medium], check=True, capture_output=True)
    if patch:
        with open(image, "r+b") as out:
            out.seek(patch[0])
            out.write(patch[1])
    return image


def field(report, dotted, expected):
    """A field of the report by its dotted name; "messages contain" gives the expected text when
    a finding's message holds it, and the messages otherwise."""
    if dotted == "messages contain":
        messages = [finding["message"] for finding in report["findings"]]
        return expected if any(expected in text for text in messages) else messages
    for name in dotted.split("."):
        report = report[name]
    return report


def text_at(medium, report, key):
    """The text of autorun.inf where the report places a value, as far as the value reaches."""
    place = report["descriptor"]["places"][key]
    name = next(name for name in os.listdir(medium) if name.lower() == "autorun.inf")
    with open(os.path.join(medium, name), "rb") as f:
        data = f.read()
    # The report's texts are the bytes turned into Unicode by the machine's ANSI code page.
    code_page = "cp%d" % report["machine"]["codePage"]
    text = data[2:].decode("utf-16-le") if data[:2] == b"\xff\xfe" else data.decode(
        code_page, "replace")
    line = re.split(r"\r\n|\r|\n", text)[place["line"] - 1]
    return line[place["column"] - 1:]


def place_problems(medium, report, text, shown):
    """Each value read must start at its place (its quotes aside); each finding with a place is
    printed at it, relative to the current directory: a directory's file after a '/', an
    image's after a ':'."""
    problems = []
    values = [key for key in ("RuntimePackage", "RegPath", "Version")
              if report["descriptor"][key]]
    for key in values if report["descriptor"]["found"] else []:
        # Bytes that are no character of the code page: Windows and Python put other characters
        # in their place.
        if "\ufffd" in report["descriptor"][key] or "\u30fb" in report["descriptor"][key]:
            continue
        at = text_at(medium, report, key).lstrip("'\"")
        if not at.startswith(report["descriptor"][key]):
            problems.append("%s placed at %r" % (key, at))
    separator = ":" if os.path.isfile(shown) else "/"
    shown = os.path.relpath(shown)
    for finding in report["findings"]:
        location = finding["location"]
        if location and location["line"]:
            place = "%s%s%s:%d:%d: " % (shown, separator, location["file"], location["line"],
                                         location["column"])
        elif location:
            place = "%s%s%s: " % (shown, separator, location["file"])
        else:
            continue
        if "\ufffd" in place:
            continue  # a name whose bytes are not UTF-8 reaches the JSON as U+FFFD
        if ("\n" + place + finding["severity"]).encode() not in b"\n" + text:
            problems.append("text lacks %s%s" % (place, finding["code"]))
    return problems


def sarif_region_problems(medium, sarif):
    """A finding about a whole file spans its bytes; only a file that is not there has no
    region."""
    with open(sarif, "rb") as data:
        results = json.load(data)["runs"][0]["results"]
    problems = []
    for result in results:
        for location in result["locations"]:
            physical = location.get("physicalLocation")
            if physical is None:
                continue
            path = os.path.join(os.fsencode(medium), urllib.parse.unquote_to_bytes(
                physical["artifactLocation"]["uri"]))
            # An image's ISO 9660 names are the medium's in capitals.
            there = os.listdir(os.path.dirname(path)) if os.path.isdir(os.path.dirname(path)) \
                else []
            path = next((os.path.join(os.path.dirname(path), name) for name in there
                         if name.lower() == os.path.basename(path).lower()), path)
            region = physical.get("region", {})
            length = os.path.getsize(path) if os.path.isfile(path) else None
            if "startLine" not in region and region.get("byteLength") != length:
                problems.append("SARIF %s region %r for %d bytes" % (
                    result["ruleId"], region, -1 if length is None else length))
    return problems


def sarif_failures(paths):
    """The SARIF Multitool's verdict on every report: no errors."""
    tool = subprocess.run(["bash", SARIF_VALIDATOR, os.path.join(SCRATCH, "..")],
                          capture_output=True, text=True)
    if tool.returncode != 0:
        return ["SARIF validator not installed: " + tool.stderr[-500:]]
    log = os.path.join(SCRATCH, "validation.sarif")
    run = subprocess.run([tool.stdout.strip(), "validate", "--log", "ForceOverwrite", "-o", log] + paths,
                         capture_output=True, text=True)
    errors = [line for line in run.stdout.splitlines() if ": error " in line]
    ok = run.returncode == 0 and not errors
    print(("ok   " if ok else "FAIL ") + "SARIF of %d media valid" % len(paths))
    return [] if ok else errors or [run.stdout[-2000:]]


def guide_failures():
    """The guide's findings table against the checker's rules, every column: the same codes in
    order, each row with the rule's anchor, severity, title and help, to the letter."""
    listing = subprocess.run([CHECKER, "--list-findings", "--format", "json"], capture_output=True,
                             text=True, check=True).stdout
    table = [(rule["code"], rule["anchor"], rule["severity"], rule["title"], rule["help"])
             for rule in json.loads(listing)]
    guide = os.path.join(os.path.dirname(os.path.abspath(SCHEMA)), "publishing.md")
    rows = []
    with open(guide, encoding="utf-8") as text:
        for line in text:
            match = re.match(r'\| <a id="(mc\d+)"></a>(MC\d+) \| (\w+) \| (.+?) \| (.+) \|$', line)
            if match:
                anchor, code, severity, title, help_text = match.groups()
                rows.append((code, anchor, severity, title, help_text))
    ok = rows == table
    print(("ok   " if ok else "FAIL ") + "the guide lists the checker's %d findings" % len(table))
    if ok:
        return []
    return ["guide: %r, checker: %r" % (row, listed) for row, listed in
            zip(rows + [None] * len(table), table + [None] * len(rows)) if row != listed]


def main():
    with open(SCHEMA) as schema_file:
        validator = jsonschema.Draft202012Validator(json.load(schema_file))
    failures = []
    sarifs = []
    for index, (name, inf, files, options, action, end, codes, status, more, *image) in \
            enumerate(CASES):
        medium = lay_out(index, inf, files)
        checked = make_image(medium, image[0], image[1] if len(image) > 1 else None) \
            if image else medium
        run = subprocess.run([CHECKER, checked, "--json"] + options, capture_output=True)
        text = subprocess.run([CHECKER, checked] + options, capture_output=True)
        sarif = os.path.join(SCRATCH, "medium%02d.sarif" % index)
        with open(sarif, "wb") as out:
            out.write(subprocess.run([CHECKER, checked, "--format", "sarif"] + options,
                                     capture_output=True).stdout)
        sarifs.append(sarif)
        # An image's files are not on this machine by the names Windows reads of it.
        problems = [] if image else sarif_region_problems(medium, sarif)
        try:
            report = json.loads(run.stdout.decode("utf-8"))
            problems += ["schema: " + error.message for error in validator.iter_errors(report)]
            # The table's packages are unsigned programs whose records the check cannot read:
            # MC501 for them is the signing tests' matter, MC617 its own rows', and each counts
            # here only where a row names it.
            found = [finding["code"] for finding in report["findings"]
                     if finding["code"] not in ("MC501", "MC617") or finding["code"] in codes]
            got = {"action": report["decision"]["action"], "end": report["decision"]["end"],
                   "codes": sorted(found), "exit": run.returncode, "reported exit":
                   report["exitStatus"]}
            expected = {"action": action, "end": end, "codes": sorted(codes), "exit": status,
                        "reported exit": status}
            got.update({key: field(report, key, value) for key, value in more.items()})
            expected.update(more)
            problems += ["%s: %r, expected %r" % (key, got[key], expected[key])
                         for key in expected if got[key] != expected[key]]
            problems += place_problems(medium, report, text.stdout, checked)
        except (ValueError, KeyError, TypeError) as error:
            problems.append("no report: %r %s" % (error, run.stderr.decode(errors="replace")))
        if text.returncode != status:
            problems.append("text exit status %d" % text.returncode)
        if run.stderr or text.stderr:
            problems.append("standard error: %r" % (run.stderr + text.stderr))
        problems += ["text lacks " + code for code in codes if ("[%s]" % code).encode()
                     not in text.stdout]
        print(("ok   " if not problems else "FAIL ") + name)
        failures += ["%s: %s" % (name, problem) for problem in problems]

    medium = lay_out(len(CASES), descriptor(), ["setup.exe"])
    files = {"MEDIUM": medium, "RANDOM": os.path.join(SCRATCH, "random.iso"),
             "TRUNCATED": os.path.join(SCRATCH, "truncated.iso")}
    for part in ("root", "entry", "identifier", "icb", "name", "file_set", "pieces", "strategy"):
        files["UDF_" + part.upper()] = hostile_udf(medium, os.path.join(SCRATCH, part + ".iso"),
                                                   part)
    for media, revision in (("bd-r", "2.60"), ("cd-rw", "2.01")):
        files["UDF_" + media.upper()] = os.path.join(SCRATCH, media + ".iso")
        if os.path.exists(files["UDF_" + media.upper()]):
            os.remove(files["UDF_" + media.upper()])
        subprocess.run(["mkudffs", "--media-type=" + media.replace("-", ""), "--udfrev=" + revision]
                       + UDF_LABELS + ["--new-file", files["UDF_" + media.upper()], "12000"],
                       check=True, capture_output=True)
    with open(files["RANDOM"], "wb") as out:
        out.write(bytes(range(256)) * 256)
    files["FAT"], files["FAT_DISK"] = fat_images()
    with open(make_image(medium, XORRISO + ["-J", "-R"], None), "rb") as whole:
        with open(files["TRUNCATED"], "wb") as out:
            out.write(whole.read()[:18 * 2048])
    for name, args, *said in USAGE_CASES:
        run = subprocess.run([CHECKER] + [files.get(a, a) for a in args], capture_output=True)
        ok = run.returncode == 2 and run.stderr.startswith(b"medium-check: ") and not run.stdout \
            and all(text.encode() in run.stderr for text in said)
        print(("ok   " if ok else "FAIL ") + "usage: " + name)
        if not ok:
            failures.append("usage %s: exit %d, %r" % (name, run.returncode, run.stderr))

    failures += sarif_failures(sarifs)
    failures += init_failures()
    failures += guide_failures()
    for failure in failures:
        print("FAIL " + failure)
    print("%d media, %d usage errors, %d failures" % (len(CASES), len(USAGE_CASES), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
