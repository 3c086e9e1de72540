#!/usr/bin/python3
"""Shows a publisher what the loader does: lays out a sample medium, runs the loader under Wine
twice and says in plain lines what happened each time; then checks the medium, and a broken copy
of it, with medium-check on the same machine.

usage: demo.py WINDOWS_BUILD_DIR WORK_DIR
"""
import json
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "wine"))
import winehost  # noqa: E402

REG_PATH = "ExampleMaker\\ExampleRuntime"
VERSION = "2.1.0.5"
INSTALL_SECONDS = 1.5
DESCRIPTOR = winehost.autorun("setup.exe", REG_PATH, VERSION)


def say(text=""):
    print(text, flush=True)


def run_loader(prefix, medium, log, number):
    say("Run %d: starting loader.exe from the medium." % number)
    staging = os.path.join(prefix.temp_unix, "setup.exe")
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
        say("  It copied setup.exe into the temporary directory: %s\\setup.exe."
            % prefix.temp_windows)
    for run in runs:
        say("  The installer started at %s from %s," % (at(run["started"]), run["module"]))
        say("    in the loader's working directory %s." % run["cwd"])
        say("  The installer worked for %.2f s and recorded its version; the loader waited for it."
            % ((run["ended"] - run["started"]) / 1000.0))
        if watcher.gone_at:
            say("  The loader paused, then removed the copy at %s, %.2f s after the installer "
                "ended." % (at(watcher.gone_at), (watcher.gone_at - run["ended"]) / 1000.0))
    left = os.path.exists(staging)
    if left:
        say("  The copy was NOT removed: it is still in the temporary directory.")
    if not runs:
        say("  The runtime is up to date: the loader copied nothing and started nothing.")
    after = prefix.installed_version(REG_PATH)
    if after != before:
        say("  The registry now says %s is installed." % after)
    say("  The loader ended after %s with exit code %d." % (at(ended), result.returncode))
    say()
    return result.returncode == 0 and (len(runs) == 1) == (number == 1) and not left


def check(prefix, build, medium, title):
    """Runs the 64-bit medium-check on a medium, in the 64-bit registry view the twin loader reads;
    returns its exit status and its report's finding codes."""
    say(title)
    checker = winehost.to_windows(os.path.join(build, "checker", "medium-check.exe"))
    args = [checker, "--view", "64", winehost.to_windows(medium)]
    say("  > medium-check --view 64 " + winehost.to_windows(medium))
    result = prefix.run(args, capture=True)
    for line in result.stdout.splitlines():
        say(("  " + line).rstrip())
    say("  (exit status %d)" % result.returncode)
    say()
    report = json.loads(prefix.run(args + ["--json"], capture=True).stdout)
    return result.returncode, [finding["code"] for finding in report["findings"]]


def main():
    build, work = sys.argv[1], os.path.abspath(sys.argv[2])
    medium = os.path.join(work, "medium")
    log = os.path.join(work, "installer.log")
    shutil.rmtree(medium, ignore_errors=True)
    os.makedirs(medium)
    if os.path.exists(log):
        os.remove(log)
    shutil.copy(os.path.join(build, "loader", "loader.exe"), medium)
    shutil.copy(os.path.join(build, "tests", "wine", "probe.exe"),
                os.path.join(medium, "setup.exe"))
    with open(os.path.join(medium, "autorun.inf"), "w", newline="") as out:
        out.write(DESCRIPTOR)
    # Every file on a CD is read-only, and a copy of one is read-only too.
    for name in os.listdir(medium):
        path = os.path.join(medium, name)
        os.chmod(path, os.stat(path).st_mode & ~0o222)

    say("Corvane Loader demo (the 64-bit twin of loader.exe, under Wine)")
    say()
    say("The medium, in %s, its files read-only as on a CD:" % medium)
    say("  loader.exe    the loader")
    say("  setup.exe     a sample runtime installer: it works for %.1f s, then records" %
        INSTALL_SECONDS)
    say("                HKLM\\Software\\%s Version = %s, as a real one would" % (REG_PATH, VERSION))
    say("  autorun.inf:")
    for line in DESCRIPTOR.splitlines():
        say("    " + line)
    say()

    prefix = winehost.Prefix(os.path.join(work, "prefix"))
    say("Preparing a Wine prefix (the first time takes a few seconds)...")
    prefix.start()
    try:
        prefix.run(["reg", "delete", "HKLM\\Software\\ExampleMaker", "/f"])
        say()
        ok = run_loader(prefix, medium, log, 1) and run_loader(prefix, medium, log, 2)
        status, codes = check(prefix, build, medium,
                              "medium-check tells a publisher what the loader will do, and why:")
        ok = ok and status == 0 and codes == []
        broken = os.path.join(work, "broken-medium")
        shutil.rmtree(broken, ignore_errors=True)
        shutil.copytree(medium, broken)
        os.remove(os.path.join(broken, "autorun.inf"))
        with open(os.path.join(broken, "autorun.inf"), "w", newline="") as out:
            out.write(DESCRIPTOR.replace("Version=" + VERSION, "Version=1.0"))
        status, codes = check(prefix, build, broken,
                              "A broken copy, with Version=1.0 in autorun.inf:")
        ok = ok and status == 1 and "MC201" in codes
    finally:
        prefix.stop()
    say("The demo went as expected." if ok else "The demo did NOT go as expected.")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
