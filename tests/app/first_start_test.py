"""First start of the real program: run inside a private network namespace (see
scripts/netns-run.sh) under Xvfb, from a fresh application folder. Checks the files a new
installation gets and that closing the window ends the process with the loop's code."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
import xsession  # noqa: E402

BIN_DIR = os.environ.get("LANKIT_BIN_DIR", "")


class FirstStart(unittest.TestCase):
    def setUp(self):
        if not os.environ.get("NETNS_A"):
            self.fail("run me through scripts/netns-run.sh: the program multicasts on start")
        self.app_dir = tempfile.mkdtemp(prefix="lankit-first-")
        self.program = os.path.join(self.app_dir, "lankit")
        shutil.copy2(os.path.join(BIN_DIR, "lankit"), self.program)
        if os.path.isdir(os.path.join(BIN_DIR, "language")):
            shutil.copytree(os.path.join(BIN_DIR, "language"), os.path.join(self.app_dir, "language"))
        for lib in ("libkorval.so",):
            if os.path.exists(os.path.join(BIN_DIR, lib)):
                shutil.copy2(os.path.join(BIN_DIR, lib), self.app_dir)

    def tearDown(self):
        shutil.rmtree(self.app_dir, ignore_errors=True)

    def run_until_closed(self):
        with xsession.Xvfb() as x:
            env = dict(os.environ, DISPLAY=x.display_name)
            env.pop("QT_QPA_PLATFORM", None)
            proc = subprocess.Popen([self.program], env=env, cwd=self.app_dir,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            with xsession.killed_if_running(proc):
                window = xsession.program_window(x.display_name, "lankit", proc, timeout=90)
                err = xsession.close_until_exit(x.display_name, window, proc)
            return proc.returncode, err.decode(errors="replace")

    def test_fresh_install(self):
        code, err = self.run_until_closed()
        self.assertEqual(code, 0, err)

        with open(os.path.join(self.app_dir, "configure", "configure.ini")) as f:
            ini = f.read()
        self.assertEqual(ini, "[General]\nhardware=1\nlangage=cn\nsearch%20seconds=3\n")

        logs = sorted(os.listdir(os.path.join(self.app_dir, "log")))
        self.assertEqual(len(logs), 1)
        self.assertRegex(logs[0], r"^\d{14}\.clog$")
        with open(os.path.join(self.app_dir, "log", logs[0]), encoding="utf-8") as f:
            lines = f.read().splitlines()
        prefix = r"^\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3}\]  [^ /\\]+:\d+  "
        for line in lines:
            self.assertRegex(line, prefix)
        messages = [re.sub(prefix, "", line) for line in lines]
        self.assertIn("install cn language", messages)
        self.assertIn("WSA(514, 514) = 0", messages)
        self.assertLess(messages.index("install cn language"), messages.index("WSA(514, 514) = 0"))
        wsa_line = lines[messages.index("WSA(514, 514) = 0")]
        self.assertRegex(wsa_line, r"  main\.cpp:\d+  ")

    def test_english_is_chosen_by_the_stored_language(self):
        os.makedirs(os.path.join(self.app_dir, "configure"))
        with open(os.path.join(self.app_dir, "configure", "configure.ini"), "w") as f:
            f.write("[General]\nlangage=En\n")
        code, err = self.run_until_closed()
        self.assertEqual(code, 0, err)
        log_dir = os.path.join(self.app_dir, "log")
        with open(os.path.join(log_dir, os.listdir(log_dir)[0]), encoding="utf-8") as f:
            text = f.read()
        self.assertIn("  install en language\n", text)
        with open(os.path.join(self.app_dir, "configure", "configure.ini")) as f:
            self.assertEqual(f.read(), "[General]\nhardware=1\nlangage=En\nsearch%20seconds=3\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
