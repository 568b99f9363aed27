"""lankitctl end to end: run through scripts/netns-run.sh, so that lankitctl runs in
namespace A and the simulated cameras in namespace B. Uploads are also read back with
Python's own MIME parser, independently of the simulator's."""
import email.parser
import email.policy
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

BIN_DIR = os.environ.get("LANKIT_BIN_DIR", "")
LANKITCTL = os.path.join(BIN_DIR, "lankitctl")
MACS = ["02:56:4C:00:00:0%d" % n for n in range(1, 5)]


class Simulator:
    """velto-sim in the peer namespace; its event lines are read back on demand."""

    def __init__(self, *args):
        self.upload_dir = tempfile.mkdtemp(prefix="velto-sim-uploads-")
        self.log = tempfile.TemporaryFile()
        command = ["ip", "netns", "exec", os.environ["NETNS_B"],
                   os.path.join(BIN_DIR, "velto-sim"), "--interface", os.environ["NETNS_IF_B"],
                   "--upload-dir", self.upload_dir, "--delay-max", "100", *args]
        self.process = subprocess.Popen(command, stdout=self.log)
        if not self.wait_for("ready"):
            self.stop()
            raise RuntimeError("the simulator did not start")

    def events(self, kind):
        self.log.seek(0)
        found = [json.loads(line) for line in self.log.read().splitlines() if line.strip()]
        return [event for event in found if event["event"] == kind]

    def wait_for(self, kind, seconds=10):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            found = self.events(kind)
            if found:
                return found[-1]
            time.sleep(0.05)
        return None

    def stop(self):
        self.process.kill()
        self.process.wait()
        self.log.close()
        shutil.rmtree(self.upload_dir, ignore_errors=True)


def lankitctl(*args, program=LANKITCTL, seconds="1"):
    options = ["--interface", os.environ["NETNS_IF_A"], "--seconds", seconds]
    if program != LANKITCTL:
        options = ["--seconds", seconds]  # the copy reads its own configuration
    result = subprocess.run([program, *options, *args], capture_output=True, timeout=60)
    output = json.loads(result.stdout) if result.stdout.strip() else None
    return result.returncode, output, result.stderr.decode(errors="replace")


class Lankitctl(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.environ.get("NETNS_B"):
            raise unittest.SkipTest("run me through scripts/netns-run.sh")
        # Camera 1 answers every setting with a failure, camera 3 answers twice.
        cls.sim = Simulator("--count", "4", "--keep-requests", "--misbehave", "fail",
                            "--misbehaving", "1")

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def search(self):
        code, devices, err = lankitctl("search")
        self.assertEqual(code, 0, err)
        return {device["mac"]: device for device in devices}

    def test_help_documents_every_command_and_option(self):
        result = subprocess.run([LANKITCTL, "--help"], capture_output=True, timeout=30)
        self.assertEqual(result.returncode, 0)
        text = result.stdout.decode()
        for word in ("search", "set-ip", "set-dhcp", "set-name", "reset", "upgrade",
                     "--interface", "--ip", "--seconds", "--address", "--netmask", "--gateway",
                     "--dns1", "--dns2", "--name", "--file", "--verbose", "Exit status"):
            self.assertIn(word, text)

    def test_usage_errors(self):
        for args in ([], ["frobnicate"], ["set-name", MACS[1]], ["set-ip"],
                     ["upgrade", MACS[1], "--file", "/nonexistent/fw.bin"],
                     ["set-ip", MACS[1], MACS[2], "--address", "1.2.3.4"]):
            code, _, err = lankitctl(*args)
            self.assertEqual(code, 2, args)
            self.assertIn("lankitctl:", err)

    def test_search_time_must_be_finite_and_sane(self):
        # "nan" and "inf" parse as numbers; a search of either never ended.
        for seconds in ("nan", "inf", "-inf", "0", "-1", "1e9", "3600.5", "soon", ""):
            started = time.monotonic()
            result = subprocess.run([LANKITCTL, "--interface", os.environ["NETNS_IF_A"],
                                     "--seconds", seconds, "search"],
                                    capture_output=True, timeout=20)
            self.assertEqual(result.returncode, 2, seconds)
            self.assertIn(b"--seconds", result.stderr, seconds)
            self.assertLess(time.monotonic() - started, 5, seconds)
        code, devices, err = lankitctl("search", seconds="0.6")
        self.assertEqual(code, 0, err)

    def test_upgrade_refuses_what_is_not_a_regular_file(self):
        folder = tempfile.mkdtemp(prefix="lankitctl-special-")
        try:
            fifo = os.path.join(folder, "fw.fifo")
            os.mkfifo(fifo)
            for path in (fifo, "/dev/zero", folder):
                started = time.monotonic()
                code, out, err = lankitctl("upgrade", MACS[1], "--file", path)
                self.assertEqual((code, out), (2, None), path)
                self.assertIn("not a regular file", err)
                self.assertLess(time.monotonic() - started, 5)
        finally:
            shutil.rmtree(folder)
        with tempfile.NamedTemporaryFile(suffix=".bin") as f:
            f.write(b"firmware")
            f.flush()
            for seconds in ("nan", "inf", "0", "-1", "x", "3601"):
                code, _, err = lankitctl("upgrade", MACS[1], "--file", f.name,
                                         "--stall-seconds", seconds)
                self.assertEqual(code, 2, seconds)
                self.assertIn("--stall-seconds", err)

    def test_refusals_exit_2_and_send_nothing(self):
        """What lankit's dialogs refuse: the simulator's log shows no request of the command
        (and, for checks that need no search, no request at all)."""
        with tempfile.NamedTemporaryFile(suffix=".bin") as empty:
            static = ["--netmask", "255.255.255.0", "--gateway", "10.77.0.1"]
            refusals = [
                (["set-name", MACS[1], "--name", "n" * 1025], "1025 bytes", "SetName", True),
                (["set-name", MACS[1], "--name", "\u95e8" * 342], "1026 bytes", "SetName", True),
                (["set-name", MACS[1], "--name", "Gate\n7"], "control characters", "SetName",
                 True),
                (["set-ip", MACS[1], "--address", "10.77.0.42", "--netmask", "255.0.255.0",
                  "--gateway", "10.77.0.1"], "netmask", "SetIp", True),
                (["set-ip", MACS[1], "--address", "10.77.0.42", *static, "--dns1", "dns"],
                 "DNS", "SetIp", True),
                (["set-ip", MACS[1], "--address", "10.77.0.42", "--netmask", "255.255.255.0",
                  "--gateway", "10.77.5.1"], "--force", "SetIp", True),
                # Every simulated camera shares the peer's address: it is another's.
                (["set-ip", MACS[1], "--address", os.environ["NETNS_IP_B"], *static],
                 "already has this address", "SetIp", False),
                (["upgrade", MACS[1], "--file", empty.name], "empty firmware file", None, True),
            ]
            for args, message, method, silent in refusals:
                before = len(self.sim.events("request"))
                code, out, err = lankitctl(*args)
                self.assertEqual((code, out), (2, None), args)
                self.assertIn(message, err, args)
                time.sleep(0.3)
                sent = self.sim.events("request")[before:]
                if silent:
                    self.assertEqual(sent, [], args)
                self.assertNotIn(method, [event["method"] for event in sent], args)
        self.assertEqual(self.sim.events("upload"), [])

    def test_a_name_at_the_limit_keeps_the_device_listed(self):
        name = "\u95e8" * 340 + "\"\\"  # 1020 bytes, then 2 + 2 escaped: 1024 in the reply
        code, out, err = lankitctl("set-name", MACS[1], "--name", name)
        self.assertEqual((code, out["result"]), (0, 0), err)
        self.assertEqual(self.search()[MACS[1]]["name"], name)
        code, out, err = lankitctl("set-name", MACS[1], "--name", "Camera 2")
        self.assertEqual(code, 0, err)

    def test_search_prints_devices_sorted_by_mac(self):
        code, devices, err = lankitctl("search", seconds="1.5")
        self.assertEqual(code, 0, err)
        self.assertEqual([device["mac"] for device in devices], MACS)
        for device in devices:
            self.assertEqual(device["ip"], os.environ["NETNS_IP_B"])
            self.assertTrue(all(isinstance(value, str) for value in device.values()))

    def test_static_address_then_dhcp(self):
        code, out, err = lankitctl("set-ip", MACS[1].lower(), "--address", "10.77.0.42",
                                   "--netmask", "255.255.255.0", "--gateway", "10.77.0.1",
                                   "--dns1", "10.77.0.1")
        self.assertEqual((code, out["result"]), (0, 0), err)
        self.assertEqual(out["devices"], [MACS[1]])
        device = self.search()[MACS[1]]
        self.assertEqual((device["ip"], device["IpMode"], device["dns1"], device["dns2"]),
                         ("10.77.0.42", "static", "10.77.0.1", ""))
        code, out, err = lankitctl("set-dhcp", MACS[1])
        self.assertEqual((code, out["result"]), (0, 0), err)
        device = self.search()[MACS[1]]
        self.assertEqual((device["ip"], device["IpMode"]), (os.environ["NETNS_IP_B"], "dhcp"))

    def test_name_and_reset(self):
        code, out, err = lankitctl("set-name", MACS[2], MACS[3], "--name", "Gate 7")
        self.assertEqual((code, out["result"]), (0, 0), err)
        devices = self.search()
        self.assertEqual([devices[mac]["name"] for mac in MACS[2:]], ["Gate 7", "Gate 7"])
        code, out, err = lankitctl("reset", MACS[3])
        self.assertEqual((code, out["result"]), (0, 0), err)
        self.assertEqual(self.search()[MACS[3]]["name"], "Camera 4")

    def test_failures_exit_non_zero(self):
        code, out, _ = lankitctl("set-name", MACS[0], "--name", "x")
        self.assertEqual((code, out["result"]), (1, -1))
        code, out, _ = lankitctl("reset", "02:56:4C:00:00:99")
        self.assertEqual(code, 1)
        self.assertEqual((out["error"], out["missing"]), ("device not found", ["02:56:4C:00:00:99"]))

    def test_upgrade_delivers_the_file_as_multipart(self):
        folder = tempfile.mkdtemp(prefix="lankitctl-fw-")
        try:
            os.makedirs(os.path.join(folder, "release 2.1"))
            path = os.path.join(folder, "release 2.1", "ipc-v2.1.7.bin")
            firmware = random.Random(7).randbytes(300 * 1024)
            with open(path, "wb") as f:
                f.write(firmware)
            code, out, err = lankitctl("upgrade", MACS[2], "--file", path, "--verbose")
            self.assertEqual((code, out["result"]), (0, 0), err)
            reports = re.findall(r"^upload (\d+)/(\d+)$", err, re.MULTILINE)
            self.assertTrue(reports, err)
            sent, total = map(int, reports[-1])
            self.assertEqual(sent, total)
            self.assertGreater(total, len(firmware))  # the multipart framing adds a little
        finally:
            shutil.rmtree(folder)

        event = self.sim.wait_for("upload")
        self.assertEqual((event["srcid"], event["file"]), ("02564C000003", "ipc-v2.1.7.bin"))
        with open(event["path"], "rb") as f:
            self.assertEqual(f.read(), firmware)

        with open(event["path"] + ".request", "rb") as f:
            raw = f.read()
        head, body = raw.split(b"\r\n\r\n", 1)
        request_line, *header_lines = head.decode().split("\r\n")
        self.assertTrue(request_line.startswith("POST /update.cgi HTTP/1.1"))
        self.assertIn("Host: %s:8082" % os.environ["NETNS_IP_B"], header_lines)
        content_type = [h for h in header_lines if h.lower().startswith("content-type:")][0]
        self.assertEqual(content_type.split(":", 1)[1].strip(),
                         "multipart/form-data; boundary=window-lankit-upload")
        message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
            content_type.encode() + b"\r\n\r\n" + body)
        self.assertTrue(message.is_multipart())
        parts = list(message.iter_parts())
        self.assertEqual(len(parts), 1)
        part = parts[0]
        self.assertEqual(part.get_content_disposition(), "form-data")
        self.assertEqual(part.get_param("name", header="content-disposition"), "file")
        self.assertEqual(part.get_filename(), "ipc-v2.1.7.bin")
        self.assertEqual(part.get_content_type(), "application/octet-stream")
        self.assertEqual(part.get_payload(decode=True), firmware)

    def test_configured_network_without_options(self):
        folder = tempfile.mkdtemp(prefix="lankitctl-config-")
        try:
            program = os.path.join(folder, "lankitctl")
            shutil.copy2(LANKITCTL, program)
            os.makedirs(os.path.join(folder, "configure"))
            for name, ip in (("nosuch0", "192.168.200.1"), (os.environ["NETNS_IF_A"], "")):
                with open(os.path.join(folder, "configure", "configure.ini"), "w") as f:
                    f.write("[General]\nnetwork%%20name=%s\nnetwork%%20ip=%s\n" % (name, ip))
                code, devices, err = lankitctl("search", program=program)
                self.assertEqual(code, 0, err)
                self.assertEqual([device["mac"] for device in devices], MACS)
        finally:
            shutil.rmtree(folder)


class LankitctlAgainstDevicesAnsweringTwice(unittest.TestCase):
    def test_search_lists_each_device_once(self):
        if not os.environ.get("NETNS_B"):
            raise unittest.SkipTest("run me through scripts/netns-run.sh")
        sim = Simulator("--count", "3", "--misbehave", "twice", "--upload-result", "5")
        try:
            code, devices, err = lankitctl("search")
            self.assertEqual(code, 0, err)
            self.assertEqual([device["mac"] for device in devices], MACS[:3])
            with tempfile.NamedTemporaryFile(suffix=".bin") as f:
                f.write(b"\x7fELF firmware")
                f.flush()
                code, out, err = lankitctl("upgrade", MACS[0], "--file", f.name)
                self.assertEqual((code, out["result"]), (1, 5), err)
                # A refused upload is not a device that went away, however long the wait.
                code, out, err = lankitctl("upgrade", MACS[1], "--file", f.name, "--verify", "1")
            self.assertEqual(code, 1, err)
            self.assertEqual([(d["verdict"], d["result"]) for d in out["devices"]],
                             [("upload failed", 5)])
        finally:
            sim.stop()


class LankitctlUpgradeVerify(unittest.TestCase):
    """Four cameras upgraded in one run: after the upload the first reports a new version at
    once; the second answers on its old firmware for 3 s, restarts for 3 s and comes back
    new; the third keeps its version; the fourth answers on its old firmware for 3 s and
    never again."""

    def test_verdicts_per_device(self):
        if not os.environ.get("NETNS_B"):
            raise unittest.SkipTest("run me through scripts/netns-run.sh")
        sim = Simulator("--count", "4", "--after-upload",
                        "new,reboot:3000:3000,same,reboot:3000:600000")
        try:
            with tempfile.NamedTemporaryFile(suffix=".bin") as f:
                f.write(random.Random(3).randbytes(64 * 1024))
                f.flush()
                started = time.monotonic()
                code, out, err = lankitctl("upgrade", *MACS, "--file", f.name, "--verify", "12",
                                           "--verbose")
                took = time.monotonic() - started
            self.assertEqual(code, 1, err)
            self.assertEqual(out["command"], "upgrade")
            self.assertEqual([(d["mac"], d["before"], d["after"], d["verdict"], d["result"])
                              for d in out["devices"]],
                             [(MACS[0], "V2.1.7.240315", "V2.1.8.261208", "upgraded", 0),
                              (MACS[1], "V2.1.7.240315", "V2.1.8.261208", "upgraded", 0),
                              (MACS[2], "V2.1.7.240315", "V2.1.7.240315", "same version", 0),
                              (MACS[3], "V2.1.7.240315", "", "did not come back", 0)])
            # One after another, each told on standard error.
            self.assertEqual(re.findall(r"^device (\d)/4 (\S+)$", err, re.MULTILINE),
                             [(str(n + 1), mac) for n, mac in enumerate(MACS)])
            self.assertEqual(sorted(e["srcid"] for e in sim.events("upload")),
                             [mac.replace(":", "") for mac in MACS])
            # Searches at 0, 5 and 10 s for the devices still awaited; no longer.
            self.assertLess(took, 12 + 2 + 5)
            self.assertGreater(took, 10)
        finally:
            sim.stop()

    def test_all_upgraded_exits_zero(self):
        if not os.environ.get("NETNS_B"):
            raise unittest.SkipTest("run me through scripts/netns-run.sh")
        sim = Simulator("--count", "2", "--after-upload", "new,back:1500")
        try:
            with tempfile.NamedTemporaryFile(suffix=".bin") as f:
                f.write(b"firmware")
                f.flush()
                code, out, err = lankitctl("upgrade", *MACS[:2], "--file", f.name, "--verify",
                                           "30")
            self.assertEqual(code, 0, err)
            self.assertEqual([d["verdict"] for d in out["devices"]], ["upgraded", "upgraded"])
            code, out, err = lankitctl("upgrade", MACS[0], "--file", "/etc/hostname",
                                       "--verify", "x")
            self.assertEqual(code, 2)
        finally:
            sim.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)
