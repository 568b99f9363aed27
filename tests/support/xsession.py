"""A private X server (Xvfb) for tests that need real top-level windows, and helpers to
find a program's window and close it the way a window manager's close button does."""
import contextlib
import os
import subprocess
import time

from Xlib import X, display, protocol


class Xvfb:
    def __init__(self, size="1280x800x24"):
        self.size = size
        self.proc = None
        self.display_name = None

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            # -noreset: without it the server resets when its last client leaves, and a
            # helper connecting just then (a repeated close) is refused.
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.size, "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display_name = ":" + number
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait(timeout=10)


@contextlib.contextmanager
def killed_if_running(proc):
    """Kills proc when the block ends with it still running (a failed test), so that no
    program outlives its test."""
    try:
        yield proc
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def find_window(display_name, wm_class, timeout=30.0):
    """Waits until a mapped top-level window whose WM_CLASS contains wm_class exists."""
    d = display.Display(display_name)
    deadline = time.monotonic() + timeout
    try:
        while time.monotonic() < deadline:
            for w in d.screen().root.query_tree().children:
                try:
                    cls = w.get_wm_class() or ()
                    mapped = w.get_attributes().map_state == X.IsViewable
                except Exception:
                    continue
                if wm_class in cls and mapped:
                    return w.id
            time.sleep(0.05)
    finally:
        d.close()
    return None


def program_window(display_name, wm_class, proc, timeout=30.0):
    """find_window for a program started with stderr=PIPE. When the window never appears the
    program is killed and the test fails with its exit status and the end of its stderr."""
    window = find_window(display_name, wm_class, timeout)
    if window is None:
        proc.kill()
        _, err = proc.communicate(timeout=30)
        raise AssertionError("the window never appeared (exit %s):\n%s"
                             % (proc.returncode, err.decode(errors="replace")[-4000:]))
    return window


def close_window(display_name, window_id):
    """Sends WM_DELETE_WINDOW, as a window manager does when its close button is pressed."""
    d = display.Display(display_name)
    # The window may be gone by the time a repeated close is sent; that is not an error.
    d.set_error_handler(lambda *args: None)
    try:
        w = d.create_resource_object("window", window_id)
        protocols = d.intern_atom("WM_PROTOCOLS")
        delete = d.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=w, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        w.send_event(event, event_mask=X.NoEventMask)
        d.flush()
    finally:
        d.close()


def close_until_exit(display_name, window_id, proc, timeout=60.0):
    """Closes the program's window until the program has ended, and returns its stderr.

    A close that reaches the window while it is still being mapped can be dropped by the
    toolkit, so close is pressed again every 2 s, as an operator would."""
    deadline = time.monotonic() + timeout
    while proc.poll() is None and time.monotonic() < deadline:
        close_window(display_name, window_id)
        try:
            proc.wait(timeout=2)
        except subprocess.TimeoutExpired:
            pass
    _, err = proc.communicate(timeout=30)
    return err
