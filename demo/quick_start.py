"""The publisher's quick start, run exactly as the README prints it: medium-check lays out a
medium from a sample 32-bit runtime MSI and the shipped 32-bit loader.exe, and checks it; then a
broken copy of that medium.

The commands run in a folder of their own, where the README's relative paths lead to the builds
(build/host, build/win32) and runtime.msi is the sample package (demo/runtime.wxs)."""
import json
import os
import re
import shutil
import subprocess

import expected
import readme
from say import say, show

PACKAGE = "runtime.msi"
BROKEN = "broken-medium"


def run(arguments, folder):
    return subprocess.run(arguments, cwd=folder, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, errors="replace")


def prepare(root, folder, source):
    """The folder the commands run in, with the builds where the README's paths say and the
    sample package built here."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, "build"))
    for preset in ("host", "win32"):
        os.symlink(os.path.abspath(os.path.join(root, preset)),
                   os.path.join(folder, "build", preset))
    subprocess.run(["wixl", "-a", "x86", "-o", os.path.join(folder, PACKAGE),
                    os.path.join(source, "demo", "runtime.wxs")], check=True)


def medium_of(commands):
    """The directory the quick start's init lays out; None when it has no init."""
    for arguments in commands:
        if "init" in arguments[1:]:
            rest = arguments[arguments.index("init") + 1:]
            return next((word for word in rest if not word.startswith("-")), None)
    return None


def report(checker, medium, folder, extra=()):
    result = run([checker, medium, "--json"] + list(extra), folder)
    return json.loads(result.stdout)


def break_copy(folder, medium):
    """A copy of the medium with Version=1.0 in its autorun.inf."""
    broken = os.path.join(folder, BROKEN)
    shutil.copytree(os.path.join(folder, medium), broken)
    path = os.path.join(broken, "autorun.inf")
    with open(path, "rb") as source:
        text = source.read()
    with open(path, "wb") as out:
        out.write(re.sub(rb"(?m)^Version=[^\r\n]*", b"Version=1.0", text))


def demo(source, root, work):
    """source: the repository; root: where the presets build. Returns whether everything went as
    it should."""
    folder = os.path.join(work, "publisher")
    commands = readme.quick_start(os.path.join(source, readme.README))
    say("2. The publisher's quick start, as the README gives it")
    say()
    say("In %s, where build/ leads to the builds and %s is the sample runtime:" %
        (folder, PACKAGE))
    say("a 32-bit MSI that records HKLM\\Software\\ExampleMaker\\ExampleRuntime Version 2.1.0.5.")
    prepare(root, folder, source)
    ok = True
    for arguments in commands:
        result = run(arguments, folder)
        show(readme.text(arguments), result)
        ok = ok and result.returncode == 0
    medium = medium_of(commands)
    if not medium or not ok:
        say("  The README's quick start %s." % ("failed" if medium else "lays out no medium"))
        say()
        return False
    checker = commands[0][0]
    say()
    say("The medium as a publisher ships it: %s; its autorun.inf:" %
        ", ".join(sorted(os.listdir(os.path.join(folder, medium)))))
    with open(os.path.join(folder, medium, "autorun.inf"), encoding="ascii",
              errors="replace") as descriptor:
        for line in descriptor.read().splitlines():
            say("    " + line)
    ok = expected.judge(report(checker, medium, folder),
                        [(expected.UNSIGNED, "loader.exe"), (expected.UNSIGNED, PACKAGE)])

    say("A broken copy, with Version=1.0 in autorun.inf:")
    break_copy(folder, medium)
    command = [checker, BROKEN, "--installed", "2.0.0.0"]
    result = run(command, folder)
    show(readme.text(command), result)
    as_found = expected.judge(report(checker, BROKEN, folder, ["--installed", "2.0.0.0"]),
                              [(expected.NOT_A_VERSION, "autorun.inf"),
                               (expected.VERSIONS_DISAGREE, PACKAGE),
                               (expected.UNSIGNED, "loader.exe"), (expected.UNSIGNED, PACKAGE)])
    return ok and result.returncode == 1 and as_found
