"""The demo's lines on the console, flushed at once so they interleave with Wine's in order."""


def say(text=""):
    print(text, flush=True)


def show(command, result, prompt="$"):
    """A command as typed after its prompt, its output indented, and its exit status."""
    say("  %s %s" % (prompt, command))
    for line in result.stdout.splitlines():
        say(("    " + line).rstrip())
    say("    (exit status %d)" % result.returncode)
