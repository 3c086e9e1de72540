#!/usr/bin/python3
"""medium-check on the build machine, over a table of media: each publisher's mistake and sound
media, with the decision, the finding codes and the exit status each must give. Every JSON
report is parsed back and validated against docs/medium-check.schema.json; the text report must
give the same exit status and name the same codes. The publisher's guide beside the schema must
list exactly the checker's findings, with their severities and titles.

usage: host_table.py MEDIUM_CHECK SCHEMA SCRATCH_DIR
"""
import json
import os
import re
import shutil
import subprocess
import sys

import jsonschema

CHECKER, SCHEMA, SCRATCH = sys.argv[1], sys.argv[2], os.path.abspath(sys.argv[3])
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
     "install", "install", ["MC201"], 1, {}),
    ("Version=2.1.5, older installed", descriptor(Version="2.1.5"), ["setup.exe"],
     ["--installed", "1.0.0.0"], "nothing", "up-to-date", ["MC201"], 1, {}),
    ("records 2.1.5 for 2.1.5.0", descriptor(Version="2.1.5.0"), ["setup.exe"],
     ["--not-installed", "--records", "2.1.5"], "install", "install", ["MC306"], 1,
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
     ["--installed", "2.0.0.0"], "install", "install", ["MC202"], 0, {}),
    ("no autorun.inf", NO_FILE, ["setup.exe"], [],
     "nothing", "incomplete-descriptor", ["MC101"], 1, {"installed": None, "package": None}),
    ("no section autorun", descriptor().replace("[autorun]", "[AutoPlay]"), ["setup.exe"], [],
     "nothing", "incomplete-descriptor", ["MC102"], 1, {}),
    ("no RegPath", descriptor(RegPath=None), ["setup.exe"], [],
     "nothing", "incomplete-descriptor", ["MC103"], 1, {"descriptor.Version": ""}),
    ("empty Version", descriptor(Version=""), ["setup.exe"], [],
     "nothing", "incomplete-descriptor", ["MC103"], 1, {}),
    ("not plain ASCII", descriptor(RuntimePackage="s\u00e9tup.exe").encode("latin-1"),
     ["s\u00e9tup.exe"], [], "install", "install", ["MC105"], 0, {"package.found": True}),
    ("RegPath with a leading backslash", descriptor(RegPath="\\Maker\\Runtime"), ["setup.exe"],
     ["--installed", "2.1.0.5"], "nothing", "up-to-date", ["MC301"], 0, {}),
    ("RegPath starting with Software", descriptor(RegPath="Software\\Maker\\Runtime"),
     ["setup.exe"], [], "install", "install", ["MC302"], 0, {}),
    ("RegPath too long for the sub-key", descriptor(RegPath="k" * 252), ["setup.exe"],
     ["--installed", "2.1.0.5"], "install", "install", ["MC303"], 1,
     {"installed.state": "key-too-long"}),
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

USAGE_CASES = [
    ("no medium", []),
    ("both installed options", ["MEDIUM", "--installed", "1.0.0.0", "--not-installed"]),
    ("unknown option", ["MEDIUM", "--view", "64"]),
    ("no such directory", [os.path.join(SCRATCH, "no-such-medium")]),
]


def lay_out(index, inf, files):
    medium = os.path.join(SCRATCH, "medium%02d" % index)
    shutil.rmtree(medium, ignore_errors=True)
    os.makedirs(medium)
    if inf is not NO_FILE:
        name = next((f for f in files if f.lower() == "autorun.inf"), "autorun.inf")
        with open(os.path.join(medium, name), "wb") as out:
            out.write(inf if isinstance(inf, bytes) else inf.encode("ascii"))
    for name in files:
        if name.lower() != "autorun.inf":
            path = os.path.join(os.fsencode(medium), name.encode("latin-1"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            open(path, "wb").close()
    return medium


def field(report, dotted, expected):
    """A field of the report by its dotted name; "messages contain" gives the expected text when
    a finding's message holds it, and the messages otherwise."""
    if dotted == "messages contain":
        messages = [finding["message"] for finding in report["findings"]]
        return expected if any(expected in text for text in messages) else messages
    for name in dotted.split("."):
        report = report[name]
    return report


def guide_failures():
    """The guide's findings table against the checker's own: the same codes, severities and
    titles (the guide's code spans aside), each row with its anchor."""
    listing = subprocess.run([CHECKER, "--list-findings"], capture_output=True, text=True,
                             check=True).stdout
    table = [tuple(line.split("\t")) for line in listing.splitlines()]
    guide = os.path.join(os.path.dirname(os.path.abspath(SCHEMA)), "publishing.md")
    rows = []
    with open(guide, encoding="utf-8") as text:
        for line in text:
            match = re.match(r'\| <a id="(mc\d+)"></a>(MC\d+) \| (\w+) \| ([^|]+) \|', line)
            if match:
                anchor, code, severity, title = match.groups()
                rows.append((code, severity, title.strip().replace("`", "")))
                if anchor != code.lower():
                    rows.append(("anchor " + anchor, "of", code))
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
    for index, (name, inf, files, options, action, end, codes, status, more) in enumerate(CASES):
        medium = lay_out(index, inf, files)
        run = subprocess.run([CHECKER, medium, "--json"] + options, capture_output=True)
        text = subprocess.run([CHECKER, medium] + options, capture_output=True)
        problems = []
        try:
            report = json.loads(run.stdout.decode("utf-8"))
            problems += ["schema: " + error.message for error in validator.iter_errors(report)]
            found = [finding["code"] for finding in report["findings"]]
            got = {"action": report["decision"]["action"], "end": report["decision"]["end"],
                   "codes": sorted(found), "exit": run.returncode, "reported exit":
                   report["exitStatus"]}
            expected = {"action": action, "end": end, "codes": sorted(codes), "exit": status,
                        "reported exit": status}
            got.update({key: field(report, key, value) for key, value in more.items()})
            expected.update(more)
            problems += ["%s: %r, expected %r" % (key, got[key], expected[key])
                         for key in expected if got[key] != expected[key]]
        except (ValueError, KeyError, TypeError) as error:
            problems.append("no report: %r %s" % (error, run.stderr.decode(errors="replace")))
        if text.returncode != status:
            problems.append("text exit status %d" % text.returncode)
        problems += ["text lacks " + code for code in codes if ("[%s]" % code).encode()
                     not in text.stdout]
        print(("ok   " if not problems else "FAIL ") + name)
        failures += ["%s: %s" % (name, problem) for problem in problems]

    medium = lay_out(len(CASES), descriptor(), ["setup.exe"])
    for name, args in USAGE_CASES:
        run = subprocess.run([CHECKER] + [medium if a == "MEDIUM" else a for a in args],
                             capture_output=True)
        ok = run.returncode == 2 and run.stderr.startswith(b"medium-check: ") and not run.stdout
        print(("ok   " if ok else "FAIL ") + "usage: " + name)
        if not ok:
            failures.append("usage %s: exit %d, %r" % (name, run.returncode, run.stderr))

    failures += guide_failures()
    for failure in failures:
        print("FAIL " + failure)
    print("%d media, %d usage errors, %d failures" % (len(CASES), len(USAGE_CASES), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
