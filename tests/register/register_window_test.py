"""Two stations of one line on a shared register, as their operators meet it: the real
program's scan screen in the demonstration (scripts/run.sh --register under Xvfb, its private
PostgreSQL server and CUPS queue), driven by X keys, and lankitctl in a folder of its own
configured as a second station. What was recorded is read back with psql. Needs root."""
import json
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))
from demo_session import BIN_DIR, DemoSession, wait_until  # noqa: E402

# Header buttons in their order on the strip; the scan screen's is the last.
SCAN = 4
# The scan screen's tab order: scan, model, serial, left padding, top padding, scan again.
SERIAL_BACK = 3
# The reprint question is at least this wide; tool tips are narrower.
QUESTION_MIN_WIDTH = 300
MODEL = "KT4-DEMO"
# Codes as a scanner types them: printed first at the other station, then one of its own.
ELSEWHERE = "HXKT4R-001122-LINE2"
OWN = "HXKT4R-001122-LINE1"


class RegisterWindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise unittest.SkipTest("the demonstration needs root (network namespaces)")

    def setUp(self):
        self.session = DemoSession(language="en", seconds=200, every=60, register=True)
        self.addCleanup(self.cleanup)
        self.session.start()
        self.labels = os.path.join(self.session.out, "labels")

    def cleanup(self):
        self.session.interrupt()
        shutil.rmtree(self.session.out, ignore_errors=True)

    def environment(self):
        work = self.session.work
        return ["env", "PGPASSFILE=" + os.path.join(work, "pgpass"),
                "CUPS_SERVER=" + os.path.join(work, "cups", "cups.sock")]

    def other_station(self, name):
        """lankitctl in a folder of its own, configured as the program is but for the
        station's name."""
        folder = os.path.join(self.session.work, name)
        os.makedirs(os.path.join(folder, "configure"))
        shutil.copy(os.path.join(BIN_DIR, "lankitctl"), folder)
        for library in os.listdir(BIN_DIR):
            if library.startswith("libkorval.so"):
                shutil.copy(os.path.join(BIN_DIR, library), folder, follow_symlinks=False)
        config = os.path.join(folder, "configure", "configure.ini")
        shutil.copy(os.path.join(self.session.work, "app", "configure", "configure.ini"), config)
        with open(config, "a") as f:
            f.write("station=%s\n" % name)
        return os.path.join(folder, "lankitctl")

    def sql(self, statement):
        socket = os.path.join(self.session.work, "register", "socket")
        result = self.session.in_a(*self.environment(), "psql", "-h", socket, "-U", "lankit",
                                   "-d", "labels", "-At", "-c", statement, check=True)
        return result.stdout.decode().strip()

    def copy_serial(self, dialog, expected):
        """The serial field's text once it reads expected (or after 10 s), copied as an
        operator copies it; the focus goes from the scan field and back to it. A loaded
        machine may hand the copy to the clipboard late, so it is read until it matches."""
        s = self.session
        s.key(dialog, *(["shift+Tab"] * SERIAL_BACK), "ctrl+a", "ctrl+c")
        text = wait_until(lambda: s.clipboard() == expected and expected, 10, step=0.3)
        s.key(dialog, *(["Tab"] * SERIAL_BACK))
        return text or s.clipboard()

    def scan(self, dialog, code):
        self.session.type(dialog, "SCN://" + code)
        self.session.key(dialog, "Return")

    def pngs(self):
        return sorted(f for f in os.listdir(self.labels) if f.endswith(".png"))

    def test_screen_numbers_from_the_register_and_asks_about_another_station(self):
        s = self.session
        station = self.other_station("line2")
        printed = s.in_a(*self.environment(), station, "print-label", "--code", ELSEWHERE,
                         "--model", MODEL, timeout=60)
        self.assertEqual(printed.returncode, 0, printed.stdout.decode())
        self.assertEqual(json.loads(printed.stdout)["serial"], "SN-00001")
        self.assertTrue(wait_until(lambda: len(self.pngs()) == 1, 30), "line2's label")

        buttons = s.find_header_buttons(os.path.join(s.out, "header.png"))
        self.assertEqual(len(buttons), 5, buttons)
        s.click(s.window, buttons[SCAN], 14)
        dialog = s.dialog()
        self.assertTrue(dialog, "no scan dialog")
        # Opened, the serial field shows what the register gives next.
        self.assertEqual(self.copy_serial(dialog, "SN-00002"), "SN-00002")
        s.key(dialog, "Tab")
        s.type(dialog, MODEL)
        s.key(dialog, "Tab", "Tab", "Tab", "Tab")

        # The code line2 printed: the screen asks, and its default answer prints nothing.
        before = set(s.visible_windows())
        self.scan(dialog, ELSEWHERE)
        def questions():
            return [window for window, where in s.window_geometries()
                    if window not in before and where and where[2] >= QUESTION_MIN_WIDTH]
        question = wait_until(questions, 15, step=0.2)
        self.assertEqual(len(question), 1, "no question about line2's label")
        shutil.copy(s.shot(os.path.join(s.out, "question.png")),
                    os.path.join(os.path.dirname(BIN_DIR), "register-question.png"))
        s.key(question[0], "Return")
        self.assertTrue(wait_until(lambda: question[0] not in s.visible_windows(), 15),
                        "the question stayed open")
        # A code of its own prints with the register's number; the field moves on.
        self.scan(dialog, OWN)
        self.assertTrue(wait_until(lambda: len(self.pngs()) == 2, 30), "the screen's label")
        self.assertEqual(self.copy_serial(dialog, "SN-00003"), "SN-00003")
        self.assertEqual(
            self.sql("SELECT station = 'line2', code, serial, state FROM lankit_labels "
                     "ORDER BY id"),
            "t|%s|SN-00001|printed\nf|%s||skipped\nf|%s|SN-00002|printed"
            % (ELSEWHERE, ELSEWHERE, OWN))


if __name__ == "__main__":
    unittest.main(verbosity=2)
