"""Report boxes against the game's locks, on a display of their own: runs the
report_box_test program (GoogleTest, Windows) under Wine on a private Xvfb
server, since a message box needs a real desktop."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402


class ReportBoxTest(unittest.TestCase):
    def test_report_boxes(self):
        program = os.environ["ONDRELL_REPORT_BOX_TEST"]
        display = harness.Display()
        try:
            env = harness.wine_env(display)
            harness.restart_wine(env)
            # Output goes to a file, not a pipe: a Wine service the program
            # starts would inherit a pipe and keep it open after the program ends.
            with tempfile.TemporaryFile("w+") as out:
                run = subprocess.run([harness.WINE, program, "--gtest_color=no"], env=env, stdin=subprocess.DEVNULL,
                                     stdout=out, stderr=subprocess.STDOUT, timeout=180)
                out.seek(0)
                text = out.read()
            self.assertEqual(run.returncode, 0, text)
            self.assertIn("[  PASSED  ] 4 tests", text)
        finally:
            harness.restart_wine(harness.wine_env(display))
            display.close()


if __name__ == "__main__":
    unittest.main()
