#!/usr/bin/env python3
"""End-to-end run of Project1.exe under Wine in a real X server.

What the X server shows is read with its own tools (xwininfo, xprop, xwd,
xdotool); what only the window system knows (rects, the error box's text) is
read by win_probe.exe under the same Wine. Needs DISPLAY, WINEPREFIX and a
running wineserver; scripts/test/windows.sh sets them up. WINE names the
loader (default: wine), so that 64-bit builds run under 64-bit Wine.

usage: e2e_test.py EXE PROBE DATA_WRITER WORK_DIR WINDOW_JSON
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "helpers"))
from e2e import Checks  # noqa: E402
from showfiles import open_error, picture_file, read_bmp, read_window, write_bmp  # noqa: E402

TITLE = "Project1"
# An executable named with letters of the ANSI code page that code page 932
# lacks; "é" would start a double-byte character there. Its title, "Café",
# keeps the ANSI code page (1252 in the C.UTF-8 locale) to the screen.
ACCENTED_NAME = "Café.Crème.exe"
ACCENTED_TITLE = "Café"
ACCENTED_ENV = {"LC_ALL": "C.UTF-8", "WINEDEBUG": "-all,trace+mci"}
# As the build's form_values wrote them (WINDOW_JSON): the window's stored
# corner and client size, the picture's path and the box's text when it is
# missing.
STORED_POSITION = CLIENT = PICTURE = OPEN_ERROR = None
WINE = os.environ.get("WINE", "wine")


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

def x_windows(name):
    """The X windows of the show's process started as `name`: id, size, origin."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True).stdout
    pattern = (r"\s*(0x[0-9a-f]+) .*\"" + re.escape(name.lower()) +
               r"\"\)\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+)")
    found = []
    for line in tree.decode("utf-8", "replace").splitlines():
        m = re.match(pattern, line)
        if m:
            found.append((m.group(1), (int(m.group(2)), int(m.group(3))),
                          (int(m.group(4)), int(m.group(5)))))
    return found


def x_window_at(origin, name=TITLE + ".exe"):
    """The X window of the show's process whose top-left is at `origin`."""
    for window, size, corner in x_windows(name):
        if corner == tuple(origin):
            return window, size
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
    """Project1.exe copied into `work` as `name` and started there, through
    the Windows program `start` (with its arguments) if given."""

    def __init__(self, exe, work, start=(), name=TITLE + ".exe", env=None):
        shutil.copy(exe, os.path.join(work, name))
        self.log_path = os.path.join(work, "wine.log")
        self.log = open(self.log_path, "wb")
        self.process = subprocess.Popen([WINE, *start, name], cwd=work, stdout=self.log,
                                        stderr=subprocess.STDOUT,
                                        env={**os.environ, **(env or {})})

    def music_opens(self):
        """How many "open" commands the show sent, as Wine's trace tells."""
        with open(self.log_path, "rb") as log:
            return log.read().count(b'mciSendStringW (L"open ')

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


def poll(probe, seconds):
    """`probe()` once it gives a true value, asked again every 0.3 s; its
    last value after `seconds`, a bound that means failure."""
    deadline = time.monotonic() + seconds
    while True:
        value = probe()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(0.3)


def wait_for_main(probe, ready, seconds=5.0):
    """The main window's state once `ready` takes it, or the last one seen."""
    deadline = time.monotonic() + seconds
    while True:
        main = run_probe(probe, "main")
        if ready(main) or time.monotonic() > deadline:
            return main
        time.sleep(0.3)


def run_show(exe, probe, work, picture, checks):
    """Start-up under an accented name, the picture, a right click and a
    double click, the error box at step 8, the glitch and the negative behind
    it, and a second box stacked on it at step 25."""
    show = Show(exe, work, name=ACCENTED_NAME, env=ACCENTED_ENV)
    main = run_probe(probe, "main")
    if not checks.check("main window appears", main["status"] == 0, str(main)):
        show.close(probe, checks)
        return
    rect, client, origin = ints(main["rect"]), ints(main["client"]), ints(main["origin"])
    checks.check("window at 272, 184", rect[:2] == list(STORED_POSITION), main["rect"])
    checks.check("client area 400 x 400", client == CLIENT, main["client"])
    checks.check("title blank at start-up", hex_text(main["title"]) == "", main["title"])
    checks.check("application window carries the accented application title",
                 hex_text(main["owner"]) == ACCENTED_TITLE, hex_text(main["owner"]))
    checks.check("X server shows the accented application title (the taskbar's label)",
                 any(x_title(w) == ACCENTED_TITLE for w, _, _ in x_windows(ACCENTED_NAME)),
                 [x_title(w) for w, _, _ in x_windows(ACCENTED_NAME)])
    window, size = x_window_at(origin, ACCENTED_NAME)
    checks.check("X server shows the 400 x 400 client area at its origin",
                 window is not None and size == tuple(CLIENT), f"{window} {size}")
    if window is not None:
        checks.check("X server shows a blank title", x_title(window) == "", x_title(window))

    first = Screen()
    bad = mismatches(first, origin, tuple(CLIENT),
                     lambda x, y, rgb: high_nibbles(rgb) == high_nibbles(picture[y][x][::-1]))
    checks.check("picture on screen (its noise flips only the four low bits)", not bad,
                 f"{len(bad)} pixels differ, first {bad[:3]}")
    centre = [str(origin[0] + 200), str(origin[1] + 200)]
    subprocess.run(["xdotool", "mousemove", *centre, "click", "3"], check=True)

    def changed():
        second = Screen()
        return sum(1 for y in range(0, CLIENT[1], 4) for x in range(0, CLIENT[0], 4)
                   if first.rgb(origin[0] + x, origin[1] + y)
                   != second.rgb(origin[0] + x, origin[1] + y))
    flickered = poll(lambda: changed() > 100, 10)
    checks.check("picture flickers before any click", flickered)

    subprocess.run(["xdotool", "click", "--repeat", "2", "--delay", "80", "1"], check=True)
    os.rename(os.path.join(work, PICTURE), os.path.join(work, "moved.bmp"))

    # Step 8, 24 s after the click, reloads the missing file: its box comes
    # long after the clicks were handled, and only the double click's first
    # has sent the music commands.
    box = poll(lambda: (lambda b: b if b["status"] == 0 else None)(run_probe(probe, "box")), 60)
    box = box or {"status": "no box"}
    checks.check("a right click starts nothing, and a double click is one click: the show "
                 "sends its music commands once", show.music_opens() == 1,
                 f"{show.music_opens()} opens")
    checks.check("step 8 opens the error box", box["status"] == 0, str(box))
    checks.check("error box caption is the accented application title",
                 hex_text(box.get("caption")) == ACCENTED_TITLE, hex_text(box.get("caption")))
    checks.check("error box text names the path and ends in '.'",
                 hex_text(box.get("text")) == OPEN_ERROR, hex_text(box.get("text")))
    checks.check("error box owned by the application window",
                 hex_text(box.get("owner")) == "ShowApplication", box.get("owner"))
    checks.check("main window disabled behind the box", box.get("main_enabled") == "0",
                 box.get("main_enabled"))

    # Steps 10 (negative, title glitch) at 30 s, 12 at 36 s: read once the
    # glitch's title is there.
    if window is not None:
        title = poll(lambda: (lambda t: t if re.fullmatch(r"( {1,30})：\1；", t) else None)(
            x_title(window)), 30) or x_title(window)
        m = re.fullmatch(r"( {1,30})：\1；", title)
        checks.check("glitch title shown by the X server behind the box", m is not None,
                     repr(title))
    box_rect = ints(box.get("rect", ""))

    def washed_negative(x, y, rgb):
        # Steps 1 to 7 set the bits of 62, step 8 failed, step 10 inverted.
        want = tuple(((c | 62) >> 4) ^ 0xF for c in picture[y][x][::-1])
        return high_nibbles(rgb) == want

    skip = [box_rect[0] - 2, box_rect[1] - 2, box_rect[2] + 2, box_rect[3] + 2] \
        if len(box_rect) == 4 else None
    bad = []

    def negative():
        bad[:] = mismatches(Screen(), origin, tuple(CLIENT), washed_negative, skip)
        return not bad
    checks.check("steps go on behind the box: washed-out negative on screen", poll(negative, 5),
                 f"{len(bad)} pixels differ, first {bad[:3]}")

    # Step 25 at 75 s reloads the still missing file.
    boxes = poll(lambda: (lambda b: b if b.get("boxes") == "2" else None)(
        run_probe(probe, "boxes")), 60) or run_probe(probe, "boxes")
    listed = [boxes.get(f"box{i}", "").split() for i in range(int(boxes.get("boxes", 0)))]
    checks.check("step 25 stacks a second box on the first", len(listed) == 2, str(boxes))
    if len(listed) == 2 and all(len(b) == 3 for b in listed):
        checks.check("the front box takes the input, the one behind it does not",
                     [b[0] for b in listed] == ["1", "0"], str(listed))
        checks.check("both boxes: accented caption, the open error",
                     all(hex_text(b[1]) == ACCENTED_TITLE and hex_text(b[2]) == OPEN_ERROR
                         for b in listed), str(listed))

    # NOTE: with no window manager, Wine waits up to 2 s for a box to be
    # withdrawn before the show's thread goes on.
    run_probe(probe, "dismiss")
    for _ in range(10):
        time.sleep(0.5)
        boxes = run_probe(probe, "boxes")
        if boxes.get("boxes") == "1" and boxes.get("box0", "").startswith("1 "):
            break
    checks.check("dismissing the front box gives the input back to the one behind",
                 boxes.get("boxes") == "1" and boxes.get("box0", "").startswith("1 "),
                 str(boxes))
    main = run_probe(probe, "main")
    checks.check("main window still disabled while a box is open", main.get("enabled") == "0",
                 main.get("enabled"))
    run_probe(probe, "dismiss")
    after = wait_for_main(probe, lambda m: m.get("enabled") == "1")
    checks.check("main window enabled again after the last box", after.get("enabled") == "1",
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
        checks.check("client area 400 x 400 with no picture", ints(main["client"]) == CLIENT,
                     main["client"])
        face = tuple(ints(main["buttonface"]))
        bad = []

        def plain():
            bad[:] = mismatches(Screen(), ints(main["origin"]), tuple(CLIENT),
                                lambda x, y, rgb: rgb == face)
            return not bad
        checks.check("picture area in the button-face colour", poll(plain, 10),
                     f"{len(bad)} pixels differ, first {bad[:3]}")
    show.close(probe, checks)


def run_small_top_down(exe, probe, work, checks):
    """A 4 x 4 top-down picture stretched over the whole area, maximised."""
    colours = [[((16 * (4 * r + c)) | 8, (255 - 16 * r) & 0xF8, (16 * c) | 4) for c in range(4)]
               for r in range(4)]
    write_bmp(os.path.join(work, PICTURE), colours, top_down=True)
    show = Show(exe, work, start=("start", "/wait", "/max"))
    main = run_probe(probe, "main")
    if checks.check("maximised start shows the window", main["status"] == 0, str(main)):
        checks.check("maximised window keeps the fitted client area",
                     ints(main["client"]) == CLIENT and main["zoomed"] == "1",
                     f"{main['client']} zoomed {main['zoomed']}")
        time.sleep(0.5)
        origin = ints(main["origin"])

        def block(x, y, rgb):
            # Block edges may take either neighbour; the inside must be exact.
            if x % 100 < 10 or x % 100 >= 90 or y % 100 < 10 or y % 100 >= 90:
                return True
            return high_nibbles(rgb) == high_nibbles(colours[y // 100][x // 100][::-1])

        screen = Screen()
        bad = mismatches(screen, origin, tuple(CLIENT), block)
        where = "where Windows places it"
        if bad:
            # With no window manager to confirm the maximised state, some Wine
            # versions (10) keep the X window where it was before, with its
            # earlier size, while Windows' side has it maximised: the picture
            # is then looked for in that X window, the part of it shown.
            moved = [(size, corner) for _, size, corner in x_windows(TITLE + ".exe")
                     if size[0] > 1 and size[1] > 1 and corner != tuple(origin)]
            if len(moved) == 1:
                (width, height), corner = moved[0]
                shown = (min(width, CLIENT[0]), min(height, CLIENT[1]))
                bad = mismatches(screen, corner, shown, block)
                where = (f"where X shows it, {shown[0]} x {shown[1]} at {corner[0]}, "
                         f"{corner[1]}: this Wine did not move the X window to Windows' "
                         f"{origin[0]}, {origin[1]}")
        checks.check(f"4 x 4 top-down picture fills 400 x 400 top row first ({where})", not bad,
                     f"{len(bad)} pixels differ, first {bad[:3]}")
    show.close(probe, checks)


def run_minimised(exe, probe, work, checks):
    """Show command 7: minimised without taking the focus; restored and then
    maximised by the user, the window keeps its fitted size."""
    show = Show(exe, work, start=(probe, "start-minimised"))
    app = run_probe(probe, "application")
    if checks.check("show command 7 starts minimised, the window hidden",
                    app.get("iconic") == "1" and app.get("main_visible") == "0", str(app)):
        checks.check("show command 7 leaves the focus where it was",
                     hex_text(app.get("active")) == "ProbeHolder", hex_text(app.get("active")))
    # Each waits for the whole state its check reads: the system changes a
    # window's state (shown, zoomed) and its place in separate steps, which
    # another process can see between.
    def restored(m):
        return (m["status"] == 0 and ints(m.get("rect"))[:2] == list(STORED_POSITION)
                and ints(m.get("client")) == CLIENT)

    run_probe(probe, "restore")
    main = wait_for_main(probe, restored)
    if checks.check("restoring shows the window", main["status"] == 0, str(main)):
        checks.check("restored at 272, 184 with the fitted client area", restored(main),
                     f"{main['rect']} client {main['client']}")
        run_probe(probe, "maximise")
        main = wait_for_main(probe, lambda m: m.get("zoomed") == "1"
                             and ints(m.get("client")) == CLIENT)
        checks.check("maximising after start-up keeps the fitted client area",
                     main.get("zoomed") == "1" and ints(main.get("client")) == CLIENT,
                     f"zoomed {main.get('zoomed')} client {main.get('client')}")
        run_probe(probe, "unmaximise")
        main = wait_for_main(probe, lambda m: m.get("zoomed") == "0" and restored(m))
        checks.check("undoing the maximise: back at 272, 184, client area 400 x 400",
                     main.get("zoomed") == "0" and restored(main),
                     f"{main.get('rect')} client {main.get('client')}")
    show.close(probe, checks)


DISPLAY_SETTING_KEY = r"HKCU\Control Panel\Desktop"


def set_display_setting(dpi):
    """The prefix's display setting in pixels per inch; None: Wine's 96. As on
    Windows, where a new setting needs the user to sign in again, the Wine
    session starts anew when the setting changed: Wine 10's desktop keeps the
    setting it started with, and a program started after the change would
    lay itself out for the new one on a desktop scaled for the old."""
    command = ["add", DISPLAY_SETTING_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d",
               str(dpi), "/f"] if dpi else ["delete", DISPLAY_SETTING_KEY, "/v", "LogPixels", "/f"]
    changed = subprocess.run([WINE, "reg", *command], stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                             check=dpi is not None).returncode == 0
    if changed:
        quiet = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL,
                 "stderr": subprocess.DEVNULL}
        subprocess.run(["wineserver", "-k"], **quiet)
        subprocess.run(["wineserver", "-w"], **quiet)
        # NOTE: as in scripts/test/windows.sh, the session's services start on
        # no pipe of ours.
        subprocess.run(["wineserver", "-p"], **quiet)
        subprocess.run([WINE, "cmd", "/c", "exit"], **quiet)


def run_at_120_dpi(exe, probe, work, picture, checks):
    """The display set to 120 pixels per inch (125 %): the layout grows to a
    500 x 500 picture area, the picture stretched by nearest pixel."""
    # NOTE: Wine takes the display setting from the user's LogPixels; the
    # value is removed again so that the prefix stays at 96 for later runs.
    set_display_setting(120)
    try:
        show = Show(exe, work)
        main = run_probe(probe, "main")
        if checks.check("at 120 dpi the main window appears", main["status"] == 0, str(main)):
            checks.check("at 120 dpi the system reports 120 pixels per inch",
                         main.get("ppi") == "120", main.get("ppi"))
            checks.check("at 120 dpi the client area is 500 x 500",
                         ints(main["client"]) == [500, 500], main["client"])
            time.sleep(0.5)
            origin = ints(main["origin"])

            def nearest(x, y, rgb):
                # Each screen pixel repeats one picture pixel: the one under it
                # or, where two meet, its neighbour. Smoothing would mix them.
                near = {high_nibbles(picture[sy][sx][::-1])
                        for sy in {y * 4 // 5, min(399, (y * 4 + 4) // 5)}
                        for sx in {x * 4 // 5, min(399, (x * 4 + 4) // 5)}}
                return high_nibbles(rgb) in near

            bad = mismatches(Screen(), origin, (500, 500), nearest)
            checks.check("at 120 dpi the screen is the picture stretched to 500 x 500 "
                         "by nearest pixel", not bad,
                         f"{len(bad)} pixels differ, first {bad[:3]}")
        show.close(probe, checks)
    finally:
        set_display_setting(None)


def main():
    global STORED_POSITION, CLIENT, PICTURE, OPEN_ERROR
    exe, probe, data_writer, work, window_json = (os.path.abspath(a) for a in sys.argv[1:6])
    window = read_window(window_json)
    STORED_POSITION, CLIENT = (window["left"], window["top"]), window["client"]
    PICTURE, OPEN_ERROR = picture_file(window), open_error(window)
    checks = Checks()
    shutil.rmtree(work, ignore_errors=True)
    runs = {name: os.path.join(work, name)
            for name in ("show", "missing", "small", "minimised", "dpi120")}
    for path in runs.values():
        os.makedirs(path)
    subprocess.run([WINE, data_writer, "."], cwd=runs["show"], check=True,
                   stdout=subprocess.DEVNULL)
    picture = read_bmp(os.path.join(runs["show"], PICTURE))
    set_display_setting(None)  # left by a run that was cut short
    for name in ("minimised", "dpi120"):
        folder = os.path.dirname(PICTURE)
        shutil.copytree(os.path.join(runs["show"], folder), os.path.join(runs[name], folder))

    run_missing_picture(exe, probe, runs["missing"], checks)
    run_small_top_down(exe, probe, runs["small"], checks)
    run_minimised(exe, probe, runs["minimised"], checks)
    run_at_120_dpi(exe, probe, runs["dpi120"], picture, checks)
    run_show(exe, probe, runs["show"], picture, checks)

    return checks.status()


if __name__ == "__main__":
    sys.exit(main())
