"""The commands the README shows: every line of its ```sh blocks, continuation lines joined,
comments and blank lines dropped. The demo runs the publisher's quick start from here, so the
README's example is what runs; the demo's test holds every other command to what is run."""
import shlex

README = "README.md"


def commands(path):
    """Each command as its arguments, in the README's order."""
    found = []
    in_block = False
    pending = ""
    with open(path, encoding="utf-8") as readme:
        for line in readme:
            text = line.rstrip("\n")
            if not in_block:
                in_block = text.strip() == "```sh"
                continue
            if text.strip() == "```":
                in_block = False
                continue
            if text.endswith("\\"):
                pending += text[:-1] + " "
                continue
            arguments = shlex.split(pending + text, comments=True)
            pending = ""
            if arguments:
                found.append(arguments)
    return found


def text(arguments):
    """A command as the demo prints it and the test looks for it."""
    return shlex.join(arguments)


def quick_start(path):
    """The publisher's quick start: the commands that run medium-check."""
    return [arguments for arguments in commands(path)
            if arguments[0].endswith("/medium-check")]
