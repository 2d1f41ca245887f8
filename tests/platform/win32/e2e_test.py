#!/usr/bin/env python3
"""End-to-end run of Project1.exe under Wine in a real X server.

What the X server shows is read with its own tools (xwininfo, xprop, xwd,
xdotool); what only the window system knows (rects, the error box's text) is
read by win_probe.exe under the same Wine. Needs DISPLAY, WINEPREFIX and a
running wineserver; scripts/test-windows.sh sets them up. WINE names the
loader (default: wine), so that 64-bit builds run under 64-bit Wine.

usage: e2e_test.py EXE PROBE DATA_WRITER WORK_DIR
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

TITLE = "Project1"
OPEN_ERROR = "ファイル []\\,,,,;,,.bmp は開けません."
PICTURE = os.path.join("[]", ",,,,;,,.bmp")
STORED_POSITION = (272, 184)
WINE = os.environ.get("WINE", "wine")


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print(f"ok - {name}", flush=True)
        else:
            self.failed += 1
            print(f"not ok - {name}: {detail}", flush=True)
        return ok


def run_probe(probe, command, timeout=40):
    # NOTE: a Wine program may start the prefix's desktop process, which
    # inherits its output and outlives it: the output goes to a file, not a
    # pipe whose end would never come.
    with tempfile.TemporaryFile() as out:
        try:
            status = subprocess.run([WINE, probe, command], stdout=out,
                                    stderr=subprocess.DEVNULL, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return {"status": "timeout"}
        out.seek(0)
        text = out.read().decode("ascii", "replace")
    values = {}
    for line in text.splitlines():
        key, _, rest = line.strip().partition(" ")
        values[key] = rest
    values["status"] = status
    return values


def hex_text(value):
    return "" if value in (None, "-") else bytes.fromhex(value).decode("utf-8")


def ints(value):
    return [int(v) for v in value.split()] if value else []


# --- pictures -------------------------------------------------------------

def read_bmp(path):
    """A 24-bit BMP as rows of (b, g, r) tuples, top row first."""
    data = open(path, "rb").read()
    width, height = struct.unpack_from("<ii", data, 18)
    offset = struct.unpack_from("<I", data, 10)[0]
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for r in range(abs(height)):
        stored = r if height < 0 else abs(height) - 1 - r
        start = offset + stored * stride
        rows.append([tuple(data[start + 3 * x:start + 3 * x + 3]) for x in range(width)])
    return rows


def write_bmp(path, rows, top_down):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    body = b""
    for row in rows if top_down else reversed(rows):
        line = b"".join(bytes(p) for p in row)
        body += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, 24, 0,
                       len(body), 0, 0, 0, 0)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(header + info + body)


class Screen:
    """The X server's root window, taken with xwd."""

    def __init__(self):
        data = subprocess.run(["xwd", "-root", "-silent"], capture_output=True,
                              check=True).stdout
        fields = struct.unpack_from(">25I", data, 0)
        header_size, self.width, self.height = fields[0], fields[4], fields[5]
        byte_order, bits_per_pixel, self.stride = fields[7], fields[11], fields[12]
        masks, ncolors = fields[14:17], fields[19]
        if bits_per_pixel not in (24, 32):
            raise RuntimeError(f"xwd gave {bits_per_pixel} bits a pixel")
        self.masks = masks
        self.size = bits_per_pixel // 8
        self.order = "little" if byte_order == 0 else "big"
        self.pixels = data[header_size + 12 * ncolors:]

    def rgb(self, x, y):
        start = y * self.stride + self.size * x
        value = int.from_bytes(self.pixels[start:start + self.size], self.order)
        out = []
        for mask in self.masks:
            shift = (mask & -mask).bit_length() - 1
            out.append((value & mask) >> shift)
        return tuple(out)


def mismatches(screen, origin, size, expected, skip=None):
    """Pixels of the area whose colour `expected(x, y, (r, g, b))` refuses."""
    bad = []
    for y in range(size[1]):
        for x in range(size[0]):
            sx, sy = origin[0] + x, origin[1] + y
            if skip and skip[0] <= sx < skip[2] and skip[1] <= sy < skip[3]:
                continue
            if not expected(x, y, screen.rgb(sx, sy)):
                bad.append((x, y, screen.rgb(sx, sy)))
    return bad


def high_nibbles(rgb):
    return tuple(c >> 4 for c in rgb)


# --- the X side -----------------------------------------------------------

def x_window_at(origin):
    """The X window of the show's process whose top-left is at `origin`."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True,
                          text=True).stdout
    for line in tree.splitlines():
        m = re.match(r"\s*(0x[0-9a-f]+) .*\"project1\.exe\"\)\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+)",
                     line)
        if m and (int(m.group(4)), int(m.group(5))) == tuple(origin):
            return m.group(1), (int(m.group(2)), int(m.group(3)))
    return None, None


def x_title(window):
    out = subprocess.run(["xprop", "-id", window, "-f", "_NET_WM_NAME", "8x",
                          "_NET_WM_NAME"], capture_output=True, text=True).stdout
    if "not found" in out or "=" not in out:
        return ""
    values = out.split("=", 1)[1].strip()
    return bytes(int(v, 16) for v in values.split(",") if v.strip()).decode("utf-8")


# --- runs -----------------------------------------------------------------

class Show:
    def __init__(self, exe, work, *start):
        shutil.copy(exe, os.path.join(work, "Project1.exe"))
        self.log = open(os.path.join(work, "wine.log"), "wb")
        command = [WINE, "start", "/wait", *start, "Project1.exe"] if start else \
            [WINE, "Project1.exe"]
        self.process = subprocess.Popen(command, cwd=work, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def close(self, probe, checks):
        run_probe(probe, "close")
        try:
            code = self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            code = "still running"
        checks.check("closing the window ends the process with exit code 0", code == 0,
                     f"exit {code}")
        self.log.close()


def until(start, seconds):
    delay = start + seconds - time.monotonic()
    if delay > 0:
        time.sleep(delay)


def run_show(exe, probe, work, picture, checks):
    """Start-up, the picture, a click, the error box at step 8, the glitch
    and the negative behind it."""
    show = Show(exe, work)
    main = run_probe(probe, "main")
    if not checks.check("main window appears", main["status"] == 0, str(main)):
        show.close(probe, checks)
        return
    rect, client, origin = ints(main["rect"]), ints(main["client"]), ints(main["origin"])
    checks.check("window at 272, 184", rect[:2] == list(STORED_POSITION), main["rect"])
    checks.check("client area 400 x 400", client == [400, 400], main["client"])
    checks.check("title blank at start-up", hex_text(main["title"]) == "", main["title"])
    checks.check("application window carries the application title",
                 hex_text(main["owner"]) == TITLE, main["owner"])
    window, size = x_window_at(origin)
    checks.check("X server shows the 400 x 400 client area at its origin",
                 window is not None and size == (400, 400), f"{window} {size}")
    if window is not None:
        checks.check("X server shows a blank title", x_title(window) == "", x_title(window))

    first = Screen()
    bad = mismatches(first, origin, (400, 400),
                     lambda x, y, rgb: high_nibbles(rgb) == high_nibbles(picture[y][x][::-1]))
    checks.check("picture on screen (its noise flips only the four low bits)", not bad,
                 f"{len(bad)} pixels differ, first {bad[:3]}")
    time.sleep(1.0)
    second = Screen()
    changed = sum(1 for y in range(0, 400, 4) for x in range(0, 400, 4)
                  if first.rgb(origin[0] + x, origin[1] + y)
                  != second.rgb(origin[0] + x, origin[1] + y))
    checks.check("picture flickers before any click", changed > 100, f"{changed} changed")

    subprocess.run(["xdotool", "mousemove", str(origin[0] + 200), str(origin[1] + 200),
                    "click", "1"], check=True)
    clicked = time.monotonic()
    os.rename(os.path.join(work, PICTURE), os.path.join(work, "moved.bmp"))

    until(clicked, 26.0)  # step 8 at 24 s reloads the missing file
    box = run_probe(probe, "box")
    checks.check("step 8 opens the error box", box["status"] == 0, str(box))
    checks.check("error box caption is the application title",
                 hex_text(box.get("caption")) == TITLE, box.get("caption"))
    checks.check("error box text names the path and ends in '.'",
                 hex_text(box.get("text")) == OPEN_ERROR, hex_text(box.get("text")))
    checks.check("error box owned by the application window",
                 hex_text(box.get("owner")) == "ShowApplication", box.get("owner"))
    checks.check("main window disabled behind the box", box.get("main_enabled") == "0",
                 box.get("main_enabled"))

    until(clicked, 33.5)  # steps 10 (negative, title glitch) at 30 s, 12 at 36 s
    if window is not None:
        title = x_title(window)
        m = re.fullmatch(r"( {1,30})：\1；", title)
        checks.check("glitch title shown by the X server behind the box", m is not None,
                     repr(title))
    box_rect = ints(box.get("rect", ""))
    negative = Screen()

    def washed_negative(x, y, rgb):
        # Steps 1 to 7 set the bits of 62, step 8 failed, step 10 inverted.
        want = tuple(((c | 62) >> 4) ^ 0xF for c in picture[y][x][::-1])
        return high_nibbles(rgb) == want

    skip = [box_rect[0] - 2, box_rect[1] - 2, box_rect[2] + 2, box_rect[3] + 2] \
        if len(box_rect) == 4 else None
    bad = mismatches(negative, origin, (400, 400), washed_negative, skip)
    checks.check("steps go on behind the box: washed-out negative on screen", not bad,
                 f"{len(bad)} pixels differ, first {bad[:3]}")

    run_probe(probe, "dismiss")
    # NOTE: with no window manager, Wine waits up to 2 s for the box to be
    # withdrawn before the show's thread goes on.
    for _ in range(10):
        time.sleep(0.5)
        after = run_probe(probe, "main")
        if after.get("enabled") == "1":
            break
    checks.check("main window enabled again after the box", after.get("enabled") == "1",
                 after.get("enabled"))
    show.close(probe, checks)


def run_missing_picture(exe, probe, work, checks):
    """No picture: the box at start-up, then the window in button face."""
    show = Show(exe, work)
    box = run_probe(probe, "box")
    checks.check("missing picture opens the error box at start-up", box["status"] == 0,
                 str(box))
    checks.check("start-up box caption", hex_text(box.get("caption")) == TITLE,
                 box.get("caption"))
    checks.check("start-up box text", hex_text(box.get("text")) == OPEN_ERROR,
                 hex_text(box.get("text")))
    checks.check("window not shown until the box is dismissed", box.get("main_visible") == "0",
                 box.get("main_visible"))
    time.sleep(1.0)
    run_probe(probe, "dismiss")
    main = run_probe(probe, "main")
    checks.check("window opens after the box", main["status"] == 0, str(main))
    if main["status"] == 0:
        checks.check("client area 400 x 400 with no picture", ints(main["client"]) == [400, 400],
                     main["client"])
        face = tuple(ints(main["buttonface"]))
        time.sleep(0.5)
        bad = mismatches(Screen(), ints(main["origin"]), (400, 400),
                         lambda x, y, rgb: rgb == face)
        checks.check("picture area in the button-face colour", not bad,
                     f"{len(bad)} pixels differ, first {bad[:3]}")
    show.close(probe, checks)


def run_small_top_down(exe, probe, work, checks):
    """A 4 x 4 top-down picture stretched over the whole area, maximised."""
    colours = [[((16 * (4 * r + c)) | 8, (255 - 16 * r) & 0xF8, (16 * c) | 4) for c in range(4)]
               for r in range(4)]
    write_bmp(os.path.join(work, PICTURE), colours, top_down=True)
    show = Show(exe, work, "/max")
    main = run_probe(probe, "main")
    if checks.check("maximised start shows the window", main["status"] == 0, str(main)):
        checks.check("maximised window keeps the fitted client area",
                     ints(main["client"]) == [400, 400] and main["zoomed"] == "1",
                     f"{main['client']} zoomed {main['zoomed']}")
        time.sleep(0.5)
        origin = ints(main["origin"])

        def block(x, y, rgb):
            # Block edges may take either neighbour; the inside must be exact.
            if x % 100 < 10 or x % 100 >= 90 or y % 100 < 10 or y % 100 >= 90:
                return True
            return high_nibbles(rgb) == high_nibbles(colours[y // 100][x // 100][::-1])

        bad = mismatches(Screen(), origin, (400, 400), block)
        checks.check("4 x 4 top-down picture fills 400 x 400 top row first", not bad,
                     f"{len(bad)} pixels differ, first {bad[:3]}")
    show.close(probe, checks)


def main():
    exe, probe, data_writer, work = (os.path.abspath(a) for a in sys.argv[1:5])
    checks = Checks()
    shutil.rmtree(work, ignore_errors=True)
    runs = {name: os.path.join(work, name) for name in ("show", "missing", "small")}
    for path in runs.values():
        os.makedirs(path)
    subprocess.run([WINE, data_writer, "."], cwd=runs["show"], check=True,
                   stdout=subprocess.DEVNULL)
    picture = read_bmp(os.path.join(runs["show"], PICTURE))

    run_missing_picture(exe, probe, runs["missing"], checks)
    run_small_top_down(exe, probe, runs["small"], checks)
    run_show(exe, probe, runs["show"], picture, checks)

    print(f"{checks.passed} passed, {checks.failed} failed")
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
