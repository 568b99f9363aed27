"""lankit.exe, the Windows build, as an operator meets it: the zip that scripts/package.sh
--windows makes, run under Wine in a fresh prefix in the demonstration (Xvfb, eight
simulated cameras in the other namespace, a private CUPS queue that Wine's spooler
reaches). The same checks as the Linux window's, in an operator's order: the start-up
search through Winsock multicast, the table sorted by MAC, the colour bars of the live
stream, the layout at the minimum size and between, the Chinese language, one label
through Wine's spooler whose job matches the Linux program's for the same scan (the same
commands; text drawn by GDI, not FreeType), and the close with status 0. Leaves
build/windows-en.png and build/windows-cn.png. Runs when LANKIT_WINDOWS_ZIP names the zip
(scripts/test.sh --windows); needs root."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from demo_session import (BIN_DIR, QUEUE, DemoSession, Picture, read_rgb,  # noqa: E402
                          wait_until)
# The module, not its class: a test class bound here would run here too.
import mainwindow_test  # noqa: E402

ZIP = os.environ.get("LANKIT_WINDOWS_ZIP", "")


class WindowsTest(mainwindow_test.MainWindowTest):
    PROGRAM = "lankit.exe"
    WM_CLASS = "lankit.exe"
    KEPT = "windows"
    SEARCHES = 1

    @classmethod
    def setUpClass(cls):
        if not ZIP:
            raise unittest.SkipTest("no LANKIT_WINDOWS_ZIP: scripts/test.sh --windows with the SDK")
        super().setUpClass()

    def new_session(self):
        session = DemoSession(language="en", seconds=280, every=30, windows=ZIP)
        # Wine draws the table's text in a taller face than Linux: its rows are 54 high.
        session.row_y, session.row_pitch = 108, 54
        # A window that fills the screen Wine keeps 15 rows short of the X window (smaller
        # sizes it gives whole).
        session.bottom_gap = 15
        return session

    def check_time_runs(self):
        """The control bar's time label, right of the picture's lower edge, changes."""
        s = self.session
        box = (700, s.panel_top() - 25, 170, 20)
        first = Picture(self.shot("time-1"))
        time.sleep(2)
        self.assertGreater(mainwindow_test.differs(first, Picture(self.shot("time-2")), box), 0,
                           "the time label stands still")

    def check_minimum_size(self):
        """Wine gives X no size hints: the window must first appear at its minimum size,
        as the demo's helper saw it before it filled the screen."""
        with open(os.path.join(self.session.logs, "xwindow.log")) as log:
            self.assertIn("filled lankit.exe from 800x500", log.read())

    def jobs(self):
        """The jobs the demo's printer received, oldest first."""
        out = os.path.join(self.session.work, "cups", "out")
        names = sorted((f for f in os.listdir(out) if f.endswith(".prn")),
                       key=lambda f: int(f[len("job-"):-len(".prn")]))
        return [os.path.join(out, f) for f in names]

    def linux_job(self):
        """The Linux program's job for the scan check_printing made: lankitctl prints the
        label as the scan screen does, with the same configuration, to the same queue."""
        s = self.session
        app = tempfile.mkdtemp(prefix="lankit-linux-label-", dir=s.out)
        self.addCleanup(shutil.rmtree, app, ignore_errors=True)
        for name in os.listdir(BIN_DIR):
            if name == "lankitctl" or name.startswith("libkorval.so"):
                shutil.copy(os.path.join(BIN_DIR, name), app, follow_symlinks=False)
        shutil.copytree(os.path.join(BIN_DIR, "language"), os.path.join(app, "language"))
        shutil.copytree(os.path.join(s.work, "app", "configure"), os.path.join(app, "configure"))
        before = len(self.jobs())
        printed = s.in_a("env", "CUPS_SERVER=" + os.path.join(s.work, "cups", "cups.sock"),
                         os.path.join(app, "lankitctl"), "print-label", "--code", mainwindow_test.SCAN_CODE,
                         "--model", "KT4-DEMO", "--serial", "SN-00099", "--reprint",
                         "--printer", QUEUE, timeout=60)
        self.assertIn(printed.returncode, (0, 3), printed.stderr.decode())
        self.assertTrue(wait_until(lambda: len(self.jobs()) > before, 15), "no Linux job")
        with open(self.jobs()[-1], "rb") as f:
            return f.read()

    def rendered(self, job, name):
        """The label a job prints, as label-preview draws it: its picture and its code."""
        path = os.path.join(self.session.out, name + ".prn")
        with open(path, "wb") as f:
            f.write(job)
        prefix = os.path.join(self.session.out, name)
        subprocess.run([os.path.join(BIN_DIR, "label-preview"), "-o", prefix, path],
                       check=True, capture_output=True, timeout=60)
        png = prefix + "-1.png"
        code = subprocess.run(["zbarimg", "--nodbus", "--raw", "-q", png], capture_output=True,
                              text=True, timeout=30).stdout.strip()
        return read_rgb(png), code

    def check_job_equals_linux(self):
        """Every command of the two jobs is the same up to the text: Windows draws text with
        GDI and Linux with FreeType, whose rasters of the same face differ in a few dots.
        The labels they print read the same and differ in under 1 % of their dots."""
        with open(self.jobs()[0], "rb") as f:
            wine = f.read()
        linux = self.linux_job()
        text = linux.find(b"Str\"")
        self.assertGreater(text, 0, "no text graphic in the Linux job")
        self.assertEqual(wine[:text], linux[:text], "the commands before the text differ")
        (width, height, ours), code = self.rendered(wine, "wine-label")
        (width_l, height_l, theirs), code_l = self.rendered(linux, "linux-label")
        self.assertEqual((width, height), (width_l, height_l))
        self.assertEqual(code, mainwindow_test.SCAN_CODE)
        self.assertEqual(code_l, code)
        differing = sum(1 for a, b in zip(ours[::3], theirs[::3]) if a != b)
        print("Wine and Linux labels: %d of %d dots differ" % (differing, width * height))
        self.assertLess(differing, width * height // 100)

    def test_the_window_as_an_operator_uses_it(self):
        self.check_start()
        self.check_time_runs()
        self.check_geometry()
        self.check_language()
        self.check_printing()
        self.check_job_equals_linux()
        self.check_close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
