#!/usr/bin/python3
"""Shows a publisher what the loader does and what medium-check says of a medium: the loader
under Wine on a sample medium, started twice, and medium-check on that machine; then the
publisher's quick start exactly as the README gives it, and a broken copy of its medium.
Every finding the checker reports must be one the demo expects and explains.

usage: demo.py BUILD_ROOT WORK_DIR   (BUILD_ROOT holds the win64, win32 and host builds)
"""
import os
import sys

import quick_start
import under_wine
from say import say

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CLOSING = {True: "The demo went as expected.", False: "The demo did NOT go as expected."}


def main():
    root, work = sys.argv[1], os.path.abspath(sys.argv[2])
    os.makedirs(work, exist_ok=True)
    say("Corvane Loader demo")
    say()
    ok = under_wine.demo(os.path.join(root, "win64"), work)
    ok = quick_start.demo(SOURCE, root, work) and ok
    say(CLOSING[ok])
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
