"""The findings the demo expects of medium-check on its media, and why each is there."""
import textwrap

from say import say

UNSIGNED = "MC501"
X64_PACKAGE = "MC608"
NOT_A_VERSION = "MC201"
VERSIONS_DISAGREE = "MC607"

WHY = {
    UNSIGNED: "{code} on {files}: unsigned. A publisher signs loader.exe and the package with its "
              "own code-signing certificate (scripts/sign.sh, docs/releases.md), which the demo "
              "does not have; on a signed medium the report names the signer instead.",
    X64_PACKAGE: "{code} on {files}: the sample installer is built for x64 to suit the 64-bit "
                 "twin, since this machine runs no 32-bit programs. The medium a publisher ships "
                 "carries the 32-bit loader.exe and a package for x86, as the quick start's "
                 "medium below does, and has no {code}.",
    NOT_A_VERSION: "{code} in {files}: the mistake this copy was made with.",
    VERSIONS_DISAGREE: "{code} on {files}: the same mistake seen from the package, whose own "
                       "version no longer orders alike the medium's.",
}
# Codes already explained: later reports refer back to the first explanation.
explained = set()


def judge(report, expected):
    """Says why each expected finding is in the report and names every other one; returns whether
    the findings are exactly the expected (code, file) pairs."""
    found = sorted((finding["code"], (finding["location"] or {}).get("file"))
                   for finding in report["findings"])
    say("  Expected, and why:")
    for code in sorted({code for code, _ in expected}):
        files = " and ".join(where for known, where in expected if known == code)
        why = WHY[code] if code not in explained else "{code} on {files}, as above."
        explained.add(code)
        say(textwrap.fill(why.format(code=code, files=files), width=96,
                          initial_indent="    ", subsequent_indent="      "))
    for finding in found:
        if finding not in expected:
            say("  NOT expected: %s on %s." % finding)
    for finding in expected:
        if finding not in found:
            say("  Expected but missing: %s on %s." % finding)
    say()
    return found == sorted(expected)
