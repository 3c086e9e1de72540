"""The loader at work: the 64-bit twin of loader.exe on a sample medium under 64-bit Wine,
started twice and told in plain lines; then the 64-bit medium-check.exe on the same machine,
whose prediction must be what the second start did."""
import glob
import json
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "wine"))
import winehost  # noqa: E402

import expected  # noqa: E402
from say import say, show  # noqa: E402

REG_PATH = "ExampleMaker\\ExampleRuntime"
VERSION = "2.1.0.5"
INSTALL_SECONDS = 1.5
DESCRIPTOR = winehost.autorun("setup.exe", REG_PATH, VERSION)
FINDINGS = [(expected.X64_PACKAGE, "setup.exe"), (expected.UNSIGNED, "loader.exe"),
            (expected.UNSIGNED, "setup.exe")]


def lay_out(build, medium):
    shutil.rmtree(medium, ignore_errors=True)
    os.makedirs(medium)
    shutil.copy(os.path.join(build, "loader", "loader.exe"), medium)
    shutil.copy(os.path.join(build, "tests", "wine", "probe.exe"),
                os.path.join(medium, "setup.exe"))
    with open(os.path.join(medium, "autorun.inf"), "w", newline="") as out:
        out.write(DESCRIPTOR)
    # Every file on a CD is read-only, and a copy of one is read-only too.
    for name in os.listdir(medium):
        path = os.path.join(medium, name)
        os.chmod(path, os.stat(path).st_mode & ~0o222)
    say("The medium, in %s, its files read-only as on a CD:" % medium)
    say("  loader.exe    the 64-bit twin of the loader: the same sources, built for x64, since")
    say("                this machine's Wine runs no 32-bit programs")
    say("  setup.exe     a sample runtime installer: it works for %.1f s, then records" %
        INSTALL_SECONDS)
    say("                HKLM\\Software\\%s Version = %s, as a real one would" % (REG_PATH, VERSION))
    say("  autorun.inf:")
    for line in DESCRIPTOR.splitlines():
        say("    " + line)
    say()


def run_loader(prefix, medium, log, number):
    say("Run %d: starting loader.exe from the medium." % number)
    # The copy goes alone into a new directory of the temporary directory, CL and eight
    # hexadecimal digits.
    staging = os.path.join(prefix.temp_unix, "CL" + "[0-9A-F]" * 8, "setup.exe")
    before = prefix.installed_version(REG_PATH)
    if before:
        say("  The registry says the runtime %s is installed; the medium carries %s."
            % (before, VERSION))
    else:
        say("  Nothing is installed: HKLM\\Software\\%s has no Version." % REG_PATH)
    runs_before = len(winehost.probe_runs(log))
    watcher = winehost.Watcher(staging)
    started = winehost.now_ms()
    env = {"PROBE_LOG": winehost.to_windows(log), "PROBE_SLEEP_MS": str(int(INSTALL_SECONDS * 1000)),
           "PROBE_REGPATH": REG_PATH, "PROBE_VERSION": VERSION}
    result = prefix.run([winehost.to_windows(os.path.join(medium, "loader.exe"))], cwd=medium,
                        env=env, timeout=120)
    ended = winehost.now_ms()
    watcher.stop()
    runs = winehost.probe_runs(log)[runs_before:]

    def at(moment):
        return "%.2f s" % ((moment - started) / 1000.0)

    if watcher.seen:
        directory = os.path.basename(os.path.dirname(watcher.found))
        say("  It copied setup.exe alone into a new directory of the temporary directory:")
        say("    %s\\%s\\setup.exe." % (prefix.temp_windows, directory))
    for run in runs:
        say("  The installer started at %s from %s," % (at(run["started"]), run["module"]))
        say("    in the loader's working directory %s." % run["cwd"])
        say("  The installer worked for %.2f s and recorded its version; the loader waited for it."
            % ((run["ended"] - run["started"]) / 1000.0))
        if watcher.gone_at:
            say("  The loader paused, then removed the copy and its directory at %s, %.2f s after "
                "the installer ended." % (at(watcher.gone_at),
                                         (watcher.gone_at - run["ended"]) / 1000.0))
    left = glob.glob(os.path.dirname(staging))
    if left:
        say("  The copy or its directory was NOT removed: it is still in the temporary directory.")
    if not runs:
        say("  The runtime is up to date: the loader copied nothing and started nothing.")
    after = prefix.installed_version(REG_PATH)
    if after != before:
        say("  The registry now says %s is installed." % after)
    say("  The loader ended after %s with exit code %d." % (at(ended), result.returncode))
    say()
    return result.returncode == 0 and (len(runs) == 1) == (number == 1) and not left


def check(prefix, build, medium):
    """The 64-bit medium-check on the medium, in the 64-bit registry view the twin reads: it must
    find the runtime up to date, as the second start did, with only the expected findings."""
    say("medium-check on the same machine tells what the next start will do, and why:")
    checker = winehost.to_windows(os.path.join(build, "checker", "medium-check.exe"))
    args = [checker, "--view", "64", winehost.to_windows(medium)]
    result = prefix.run(args, capture=True)
    show("medium-check --view 64 " + winehost.to_windows(medium), result, prompt=">")
    report = json.loads(prefix.run(args + ["--json"], capture=True).stdout)
    as_found = expected.judge(report, FINDINGS)
    return result.returncode == 0 and report["decision"]["end"] == "up-to-date" and as_found


def demo(build, work):
    """build: the win64 build. Returns whether everything went as it should."""
    medium = os.path.join(work, "medium")
    log = os.path.join(work, "installer.log")
    if os.path.exists(log):
        os.remove(log)
    say("1. The loader at work, under Wine")
    say()
    lay_out(build, medium)
    prefix = winehost.Prefix(os.path.join(work, "prefix"))
    say("Preparing a Wine prefix (the first time takes a few seconds)...")
    prefix.start()
    try:
        prefix.run(["reg", "delete", "HKLM\\Software\\ExampleMaker", "/f"])
        say()
        ok = run_loader(prefix, medium, log, 1) and run_loader(prefix, medium, log, 2)
        return check(prefix, build, medium) and ok
    finally:
        prefix.stop()
