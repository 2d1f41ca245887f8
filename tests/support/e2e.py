"""The Python end-to-end tests' shared harness: checks, waiting, programs, a
private X server, and windows and the screen as the X server shows them."""

import os
import re
import subprocess
import time

SKIPPED = 77  # ctest's code for a skipped test


class Failure(Exception):
    """A failed check, in a test that stops at its first."""


def check(condition, message):
    if not condition:
        raise Failure(message)


class Checks:
    """Checks that go on after a failure, one line each; with `details`, a
    passed check says its detail too (a measured figure)."""

    def __init__(self, details=False):
        self.details, self.passed, self.failed = details, 0, []

    def check(self, name, ok, detail=""):
        self.passed += 1 if ok else 0
        self.failed += [] if ok else [name]
        said = f": {detail}" if detail != "" and (self.details or not ok) else ""
        print(f"{'ok' if ok else 'not ok'} - {name}{said}", flush=True)
        return ok

    def status(self):
        """Says how many passed and which failed; the exit status."""
        print(f"{self.passed} passed, {len(self.failed)} failed", *self.failed, sep="; ")
        return 1 if self.failed else 0


def outcome(test, *args):
    """Runs a test that stops at its first failure; the exit status."""
    try:
        test(*args)
    except Failure as failure:
        print(f"FAILED: {failure}", flush=True)
        return 1
    except subprocess.CalledProcessError as error:
        said = error.stderr.decode(errors="replace") if error.stderr else ""
        print(f"FAILED: {' '.join(map(str, error.cmd))} (exit status {error.returncode}): {said}")
        return 1
    print("passed")
    return 0


def run(*command, **kwargs):
    """A program's standard output, in the C.UTF-8 locale unless `env` is
    given; its failure raises."""
    kwargs.setdefault("env", dict(os.environ, LC_ALL="C.UTF-8"))
    return subprocess.run(command, check=True, capture_output=True, **kwargs).stdout


def wait_for(what, probe, timeout=10.0):
    """`probe()` once it gives a true value; Failure after `timeout` s."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(0.1)


class Xvfb:
    """A private X server, 1024 x 768: `display` names it, and so does DISPLAY
    while it runs (in a `with` block, or from start() to stop()). It keeps
    running as it is when its last client leaves (-noreset): a program
    started next finds the same server, not one in the middle of its reset.
    The tests' and the measuring scripts' one launcher of it in Python."""

    def start(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.process.kill()
            self.process.wait()
        check(number, "Xvfb did not start")
        self.display = ":" + number
        os.environ["DISPLAY"] = self.display
        return self.display

    def stop(self):
        self.process.terminate()
        self.process.wait()

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()


def windows_of(pid):
    """The visible X windows of a process."""
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                         capture_output=True, text=True).stdout
    return [int(w) for w in out.split()]


def geometry(window):
    """An X window's client area: its place on the screen and its size."""
    out = run("xwininfo", "-id", str(window)).decode()
    value = {key: int(re.search(key + r":\s+(-?\d+)", out).group(1))
             for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")}
    return (value["Absolute upper-left X"], value["Absolute upper-left Y"],
            value["Width"], value["Height"])


def screen():
    """The whole screen as (width, height, RGB bytes, top row first)."""
    ppm = run("import", "-silent", "-window", "root", "-depth", "8", "ppm:-")
    magic, width, height, _maxval = ppm.split(maxsplit=4)[:4]
    check(magic == b"P6", "no screenshot")
    width, height = int(width), int(height)
    return width, height, ppm[len(ppm) - width * height * 3:]


def screen_area(left, top, width, height):
    """A part of the screen as RGB bytes, top row first (cut by ImageMagick:
    a loaded machine reads a small area several times in a step's 3 s)."""
    rgb = run("import", "-silent", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
              "+repage", "-depth", "8", "rgb:-")
    check(len(rgb) == width * height * 3, "short screenshot")
    return rgb


def image_rgb(file):
    """A picture's pixels as RGB bytes, top row first (ImageMagick)."""
    return run("convert", file, "-depth", "8", "rgb:-")
