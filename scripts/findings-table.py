#!/usr/bin/python3
"""The publisher's guide's table of findings, made from the checker's catalog: the rows that
`medium-check --list-findings --format markdown` prints, between the guide's two markers.

usage: findings-table.py MEDIUM_CHECK [--check]
    writes the table into docs/publishing.md; with --check, writes nothing and fails (status 1,
    with the difference) when the guide's table is not the catalog's
"""
import difflib
import os
import subprocess
import sys

GUIDE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "docs", "publishing.md")
BEGIN = "<!-- The table of findings, made from checker/catalog/rules.def by " \
        "scripts/findings-table.py: edit the catalog, not this table. -->\n"
END = "<!-- End of the table of findings. -->\n"


def main():
    checker, check = sys.argv[1], sys.argv[2:] == ["--check"]
    table = subprocess.run([checker, "--list-findings", "--format", "markdown"],
                           capture_output=True, text=True, check=True).stdout
    with open(GUIDE, encoding="utf-8") as text:
        guide = text.read()
    start, end = guide.index(BEGIN) + len(BEGIN), guide.index(END)
    made = guide[:start] + table + guide[end:]
    if not check:
        if made != guide:
            with open(GUIDE, "w", encoding="utf-8") as out:
                out.write(made)
        return 0
    if made == guide:
        print("ok   docs/publishing.md's table of findings is the catalog's")
        return 0
    sys.stdout.writelines(difflib.unified_diff(guide[start:end].splitlines(True),
                                               table.splitlines(True), "docs/publishing.md",
                                               "the catalog"))
    print("FAIL docs/publishing.md's table of findings is not the catalog's: run "
          "scripts/findings-table.py %s" % checker)
    return 1


if __name__ == "__main__":
    sys.exit(main())
