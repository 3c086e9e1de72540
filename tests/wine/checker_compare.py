#!/usr/bin/python3
"""medium-check's prediction against what the loader then does, under Wine: for each case a
medium and a registry state in both views, the checker's JSON report, then the loader run on the
same medium and machine with the probe as the package. For every case the predicted decision
(and where the package runs from) must be what the loader did, and the findings exactly those
expected; with --records, the loader's second start must be the predicted next start. Cases with
--installed or --not-installed give the checker the version the registry holds, as a publisher
would type it.

Parameters (environment): LOADER_EXE, PROBE_EXE, CHECKER_EXE, CHECK_VIEW (the registry view of
that loader and probe: 64 for the twins here, 32 for the shipped programs in a WoW64 prefix),
SUITE_DIR (scratch space), PREFIX_DIR, and those of winehost (WINE, WINESERVER, TIME_FACTOR).
"""
import json
import ntpath
import os
import shutil
import sys

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


class Case:
    def __init__(self, name, version="2.1.0.5", package="setup.exe", reg_path=None,
                 same=None, other=None, records=None, codes=(), descriptor=None,
                 from_medium=False, given=()):
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
]


def lay_out(case):
    media = os.path.join(SUITE_DIR, "media")
    medium = os.path.join(media, case.name)
    shutil.rmtree(medium, ignore_errors=True)
    os.makedirs(medium)
    shutil.copy(LOADER_EXE, os.path.join(medium, "loader.exe"))
    package = os.path.normpath(os.path.join(medium, case.package.replace("\\", "/")))
    os.makedirs(os.path.dirname(package), exist_ok=True)
    shutil.copy(PROBE_EXE, package)
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
    report = json.loads(result.stdout)
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
    result = prefix.run([winehost.to_windows(os.path.join(medium, "loader.exe"))], cwd=medium,
                        env=env, capture=True, timeout=120)
    if result.returncode != 0:
        raise RuntimeError("loader exit %d: %s" % (result.returncode, result.stderr))
    runs = winehost.probe_runs(log)[before:]
    if not runs:
        return "nothing", None
    if len(runs) > 1:
        raise RuntimeError("%d launches" % len(runs))
    return "install", runs[0]["module"]


def same_path(first, second):
    return ntpath.normpath(first).lower() == ntpath.normpath(second).lower()


def compare(prefix, case):
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
    codes = [finding["code"] for finding in report["findings"]]
    if sorted(codes) != sorted(case.codes):
        problems.append("findings %s, expected %s" % (codes, list(case.codes)))
    if case.records:
        next_action = report["nextStart"]["action"]
        second, _ = run_loader(prefix, case, medium, log)
        predicted += "; next start " + next_action
        observed += "; next start " + second
        if next_action != second:
            problems.append("next start predicted %s, observed %s" % (next_action, second))
    return predicted, observed, codes, problems


def main():
    prefix = winehost.Prefix(PREFIX_DIR)
    prefix.start()
    failures = []
    rows = []
    try:
        for view in (VIEW, OTHER):
            prefix.run(["reg", "delete", ROOT_KEY, "/f", "/reg:" + view])
        for case in CASES:
            try:
                predicted, observed, codes, problems = compare(prefix, case)
            except (RuntimeError, ValueError, KeyError, TypeError) as error:
                predicted, observed, codes, problems = "?", "?", [], [repr(error)]
            rows.append((case.name, predicted, observed, " ".join(codes),
                         "ok" if not problems else "FAIL"))
            failures += ["%s: %s" % (case.name, problem) for problem in problems]
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
    sys.exit(main())
