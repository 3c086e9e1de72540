#!/usr/bin/python3
"""The README's first command, run as a newcomer runs it: `bash scripts/demo.sh` must exit 0 and
end with the demo's closing line. Every command the README shows must be run: by this test (the
demo), by the demo itself (which prints each command it runs as "$ command": the publisher's quick
start, taken from the README), or be the test command, which runs this test.

usage: demo_test.py SOURCE_DIR
"""
import os
import subprocess
import sys
import unittest

SOURCE = sys.argv.pop(1)
sys.path.insert(0, os.path.join(SOURCE, "demo"))
import readme  # noqa: E402

DEMO = ["bash", "scripts/demo.sh"]
# The test command and its quick form run this test, so they cannot be run from it.
TEST_COMMANDS = [["bash", "scripts/test.sh"], ["bash", "scripts/test.sh", "--quick"]]
CLOSING = "The demo went as expected."


class Demo(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.result = subprocess.run(DEMO, cwd=SOURCE, stdout=subprocess.PIPE,
                                    stderr=subprocess.STDOUT, text=True, errors="replace")
        print(cls.result.stdout, flush=True)
        cls.lines = cls.result.stdout.splitlines()

    def test_ends_as_expected(self):
        self.assertEqual(self.result.returncode, 0)
        self.assertEqual(self.lines[-1] if self.lines else "", CLOSING)

    def test_every_readme_command_is_run(self):
        ran = {line.strip()[2:] for line in self.lines if line.strip().startswith("$ ")}
        commands = readme.commands(os.path.join(SOURCE, readme.README))
        self.assertIn(DEMO, commands)
        self.assertTrue(readme.quick_start(os.path.join(SOURCE, readme.README)))
        for arguments in commands:
            with self.subTest(command=readme.text(arguments)):
                self.assertTrue(arguments == DEMO or arguments in TEST_COMMANDS or
                                readme.text(arguments) in ran,
                                "no test and not the demo runs this README command")


if __name__ == "__main__":
    unittest.main(verbosity=2)
