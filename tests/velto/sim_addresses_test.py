"""velto-sim with an address per camera (--addresses) and its status page (--web-port).
Run through scripts/netns-run.sh: this test runs in namespace A, the cameras in B, where
the test adds their addresses to the far end of the veth."""
import html.parser
import json
import os
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request

sys.path.insert(0, os.path.dirname(__file__))
import lankitctl_test as harness  # noqa: E402

GROUP = "239.255.255.250"
ADDRESSES = ["10.77.0.%d" % n for n in range(10, 14)]
MACS = ["02:56:4C:00:00:0%d" % n for n in range(1, 5)]
OWN_SRCID = "0A0B0C0D0E0F"


class StatusPage(html.parser.HTMLParser):
    """The text of every element with an id, and the title."""

    def __init__(self):
        super().__init__()
        self.fields = {}
        self.current = None

    def handle_starttag(self, tag, attrs):
        self.current = dict(attrs).get("id") or (tag if tag == "title" else None)

    def handle_endtag(self, tag):
        self.current = None

    def handle_data(self, data):
        if self.current:
            self.fields[self.current] = self.fields.get(self.current, "") + data


def page_of(address, port=80):
    with urllib.request.urlopen("http://%s:%d/" % (address, port), timeout=5) as answer:
        body = answer.read().decode("utf-8")
        content_type = answer.headers["Content-Type"]
    parser = StatusPage()
    parser.feed(body)
    return body, parser.fields, content_type


def raw_exchange(address, request, port=80):
    """Sends request bytes and returns everything the camera answers before it closes."""
    with socket.create_connection((address, port), timeout=15) as conn:
        try:
            conn.sendall(request)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the camera may close before it has read everything
        chunks = []
        while True:
            try:
                chunk = conn.recv(65536)
            except ConnectionResetError:
                break
            if not chunk:
                break
            chunks.append(chunk)
    return b"".join(chunks)


def search_datagrams(seconds=1.0):
    """Multicasts one search as the program frames it; returns (source, datagram) pairs."""
    local = os.environ["NETNS_IP_A"]
    listener = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("0.0.0.0", 5999))
    listener.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                        socket.inet_aton(GROUP) + socket.inet_aton(local))
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.bind((local, 0))
    sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(local))
    body = json.dumps({"destarray": ["all"], "id": 7, "method": "search", "srcid": OWN_SRCID,
                       "user": "Windows LanKit"}, separators=(",", ":")).encode()
    sender.sendto(struct.pack(">II", len(body) + 8, 0) + body, (GROUP, 5888))
    received = []
    deadline = time.monotonic() + seconds
    try:
        while time.monotonic() < deadline:
            listener.settimeout(max(0.01, deadline - time.monotonic()))
            try:
                datagram, (source, _) = listener.recvfrom(4096)
            except socket.timeout:
                break
            received.append((source, datagram))
    finally:
        listener.close()
        sender.close()
    return received


class OwnAddresses(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.environ.get("NETNS_B"):
            raise unittest.SkipTest("run me through scripts/netns-run.sh")
        for address in ADDRESSES:
            subprocess.run(["ip", "-n", os.environ["NETNS_B"], "addr", "add", address + "/24",
                            "dev", os.environ["NETNS_IF_B"]], check=True)
        cls.sim = harness.Simulator("--count", "4", "--addresses", "10.77.0.10-13",
                                    "--web-port", "80", "--rtsp", "rtsp://%1:8554/cam%2")

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def test_ready_event_lists_the_addresses(self):
        ready = self.sim.events("ready")[0]
        self.assertEqual(ready["addresses"], ADDRESSES)
        self.assertEqual(ready["webPort"], 80)

    def test_each_camera_answers_from_its_own_address(self):
        replies = {}
        for source, datagram in search_datagrams():
            length, zero = struct.unpack(">II", datagram[:8])
            self.assertEqual((length, zero), (len(datagram), 0))
            reply = json.loads(datagram[8:])
            self.assertEqual(reply["destid"], OWN_SRCID)
            replies[source] = reply
        self.assertEqual(sorted(replies), ADDRESSES)
        for number, address in enumerate(ADDRESSES, start=1):
            reply = replies[address]
            self.assertEqual(reply["ip"], address)
            self.assertEqual(reply["mac"], MACS[number - 1])
            self.assertEqual(reply["rtsppath1"], "rtsp://%s:8554/cam%d" % (address, number))
            self.assertEqual(reply["httpport"], str(8079 + number))
        # The simulator reports each reply it sent, as a demonstration watches for.
        reported = [event for event in self.sim.events("reply") if event["id"] == 7]
        self.assertEqual(sorted(event["ip"] for event in reported), ADDRESSES)
        self.assertEqual({event["method"] for event in reported}, {"search"})

    def test_lankitctl_lists_four_distinct_addresses(self):
        code, devices, err = harness.lankitctl("search")
        self.assertEqual(code, 0, err)
        self.assertEqual([(d["mac"], d["ip"]) for d in devices], list(zip(MACS, ADDRESSES)))

    def test_status_page_of_each_camera(self):
        for number, address in enumerate(ADDRESSES, start=1):
            body, fields, content_type = page_of(address)
            self.assertEqual(content_type, "text/html; charset=utf-8")
            self.assertTrue(body.startswith("<!DOCTYPE html>"), body)
            self.assertEqual(fields, {"title": "Camera %d" % number, "name": "Camera %d" % number,
                                      "mac": MACS[number - 1], "ip": address,
                                      "version": "V2.1.7.240315"})

    def test_servers_listen_on_the_camera_address_only(self):
        for port in (80, 8080):
            with self.assertRaises(OSError):
                socket.create_connection((os.environ["NETNS_IP_B"], port), timeout=3).close()
        # Camera 2's upload port answers on camera 2's address, not on camera 1's.
        with self.assertRaises(OSError):
            socket.create_connection((ADDRESSES[0], 8081), timeout=3).close()
        socket.create_connection((ADDRESSES[1], 8081), timeout=3).close()

    def test_status_page_escapes_a_hostile_name(self):
        name = "<script>alert('x')</script> & \"quoted\" %1"
        code, out, err = harness.lankitctl("set-name", MACS[3], "--name", name)
        self.assertEqual((code, out["result"]), (0, 0), err)
        try:
            body, fields, _ = page_of(ADDRESSES[3])
            self.assertNotIn("<script>", body)
            self.assertIn("&lt;script&gt;", body)
            self.assertEqual((fields["name"], fields["title"]), (name, name))
        finally:
            harness.lankitctl("reset", MACS[3])

    def test_upload_reaches_the_camera_at_its_address(self):
        with tempfile.NamedTemporaryFile(suffix=".bin") as firmware:
            firmware.write(os.urandom(3000))
            firmware.flush()
            code, out, err = harness.lankitctl("upgrade", MACS[2], "--file", firmware.name)
            self.assertEqual((code, out["result"]), (0, 0), err)
            name = os.path.basename(firmware.name)
            stored = os.path.join(self.sim.upload_dir, MACS[2].replace(":", ""), name)
            with open(stored, "rb") as f, open(firmware.name, "rb") as original:
                self.assertEqual(f.read(), original.read())

    def test_hostile_requests(self):
        cases = [
            (b"GET / HTTP/1.1\r\nX-Filler: " + b"a" * 20000, b"HTTP/1.1 431 "),
            (b"GET /" + b"b" * 17000 + b" HTTP/1.1\r\n\r\n", b"HTTP/1.1 431 "),
            (b"GET /admin HTTP/1.1\r\nHost: x\r\n\r\n", b"HTTP/1.1 404 "),
            (b"POST /update.cgi HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello",
             b"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"),
        ]
        for request, expected in cases:
            answer = raw_exchange(ADDRESSES[0], request)
            self.assertTrue(answer.startswith(expected), (request[:40], answer[:80]))
        # The camera still serves its page afterwards.
        self.assertEqual(page_of(ADDRESSES[0])[1]["name"], "Camera 1")


class AddressOptions(unittest.TestCase):
    def run_sim(self, *args):
        command = ["ip", "netns", "exec", os.environ["NETNS_B"],
                   os.path.join(harness.BIN_DIR, "velto-sim"), "--interface",
                   os.environ["NETNS_IF_B"], "--http-port", "0", *args]
        return subprocess.run(command, capture_output=True, timeout=30)

    def setUp(self):
        if not os.environ.get("NETNS_B"):
            self.skipTest("run me through scripts/netns-run.sh")

    def test_rejected_address_lists(self):
        cases = [
            (["--count", "3", "--addresses", "10.77.0.10-11"], "2 addresses for 3 cameras"),
            (["--addresses", "10.77.0.20-10"], "bad --addresses"),
            (["--addresses", "17"], "bad --addresses"),
            (["--addresses", "10.77.0.10-300"], "bad --addresses"),
            (["--addresses", "10.0.0.0-10.255.255.255"], "bad --addresses"),
            (["--addresses", "10.77.0.99"], "10.77.0.99 is not an address of"),
            (["--web-port", "70000"], "ports must be"),
        ]
        for args, message in cases:
            result = self.run_sim(*args)
            self.assertEqual(result.returncode, 2, (args, result.stderr))
            self.assertIn(message, result.stderr.decode(), args)


if __name__ == "__main__":
    unittest.main(verbosity=2)
