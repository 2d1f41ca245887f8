#!/usr/bin/env python3
"""End-to-end runs of Project1 in a real window, driven with xdotool and
wmctrl and read back with xprop, xwininfo, xclip and ImageMagick: on the bare X
server named by DISPLAY (Xvfb, no window manager), or with --wm under openbox
on the one named by SHOW_WM_DISPLAY (scripts/test/desktop.sh starts both).

Results that depend on the window manager, and what each run expects:
- Position: the frame's outer corner is at 272, 184. Openbox draws a frame
  (_NET_FRAME_EXTENTS 1, 1, 20, 1), so the client area sits at 273, 204; on
  the bare server the window has no frame and the client area is at 272, 184.
- Size: a size forced from outside (xdotool windowsize) is refused by openbox
  by the size hints, and taken then undone by the program on the bare server.
  Maximising and full screen need a window manager (wmctrl), so only the
  openbox run tries them: openbox offers no maximise for a window of fixed
  size and fills the screen's corner at the fitted size for full screen.
- Activation: a click activates an inactive window only where a window manager
  does it; the bare server has no active window, only an input focus, so the
  openbox run checks _NET_ACTIVE_WINDOW and the bare run the focus.
- Stacking: read from _NET_CLIENT_LIST_STACKING under openbox, which puts each
  window in a frame of its own, and from the root's children on the bare one.
- Empty title: openbox shows a placeholder of its own in the frame; the
  window's name properties stay empty under both, and only those are checked.

Usage: desktop_e2e.py SCENARIO [--wm] --exe PROJECT1 --probe SHOW_PROBE
    --replay REPLAY --data RUN_DIR
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "helpers"))
from e2e import (SKIPPED, Failure, check, geometry, image_rgb, outcome, run, screen_area,  # noqa: E402
                 wait_for, windows_of)
from showfiles import open_error, picture_file, read_window  # noqa: E402

# From the build's window.json (--window): the window's stored corner and its
# client area's side, the picture's path and the box's text when it is missing.
LEFT = TOP = SIDE = PICTURE = OPEN_ERROR = None
TITLE = "Project1"
GLITCH = re.compile(r"^( {1,30})：\1；$")
# Steps whose effect on the four high bits of every byte is not random.
FIXED_STEPS = list(range(0, 12)) + list(range(25, 35))


class Show:
    """Project1 running in a directory of its own."""

    def __init__(self, exe, data, with_picture=True, env=None, name=TITLE, title=TITLE, options=()):
        self.dir = tempfile.mkdtemp(prefix="show-e2e-")
        self.title = title
        folder = os.path.dirname(PICTURE)
        shutil.copytree(os.path.join(data, folder), os.path.join(self.dir, folder))
        if not with_picture:
            os.remove(self.picture())
        env = dict(env or os.environ, XDG_RUNTIME_DIR=self.dir)
        if os.path.basename(exe) != name:
            # The title comes from the executable's name: the probe runs as
            # Project1 too.
            shutil.copy(exe, os.path.join(self.dir, name))
            exe = os.path.join(self.dir, name)
        self.log = open(os.path.join(self.dir, "log"), "wb")
        try:
            self.process = subprocess.Popen([exe, *options], cwd=self.dir, env=env,
                                            stdout=self.log, stderr=subprocess.STDOUT)
        except OSError:
            self.log.close()
            shutil.rmtree(self.dir, ignore_errors=True)
            raise

    def stamps(self, what):
        """When the probe logged `what` (a handler's name, "NAME.start", or
        "painted"): its times in ms on the monotonic clock, oldest first."""
        with open(os.path.join(self.dir, "log"), errors="replace") as log:
            return [float(line.split()[0]) for line in log if line.split()[1:] == [what]]

    def clicks(self):
        """How many clicks reached the show (the probe's log)."""
        return len(self.stamps("Image1Click.start"))

    def wait_stamps(self, what, count, after=0.0, timeout=30.0):
        """The probe's times of `what` once it has logged `count` of them
        later than `after` (ms on the monotonic clock)."""
        return wait_for(f"{count} x {what} in the probe's log", lambda: (
            lambda seen: seen if len(seen) >= count else None)(
                [t for t in self.stamps(what) if t > after]), timeout=timeout)

    def picture(self):
        return os.path.join(self.dir, PICTURE)

    def alive(self):
        return self.process.poll() is None

    def windows(self):
        return windows_of(self.process.pid)

    def main_window(self):
        return wait_for("the main window", lambda: next(
            (w for w in self.windows() if property_of(w, "_NET_WM_ICON_NAME") == self.title), None))

    def boxes(self):
        return [w for w in self.windows() if property_of(w, "_NET_WM_ICON_NAME") != self.title]

    def close(self):
        if self.alive():
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()
        shutil.rmtree(self.dir, ignore_errors=True)


def property_of(window, name):
    """The property as text; "" when empty, None when not set."""
    out = run("xprop", "-id", str(window), "-notype", name).decode("utf-8", "replace")
    match = re.match(re.escape(name) + r" = (.*)$", out.rstrip("\n"), re.S)
    if match is None:
        return None
    value = match.group(1)
    if value.startswith('"') and value.endswith('"'):
        return value[1:-1].replace('\\"', '"').replace("\\\\", "\\")
    return value


def title_of(window):
    return property_of(window, "_NET_WM_NAME")


def outer_geometry(window):
    """The frame's outer corner and the client area's size; a window without
    a frame is its own."""
    x, y, width, height = geometry(window)
    extents = property_of(window, "_NET_FRAME_EXTENTS")
    left, _, top, _ = (int(v) for v in extents.split(",")) if extents else (0, 0, 0, 0)
    return (x - left, y - top, width, height)


def screenshot(window=None, width=None, height=None):
    """The screen's pixels from the client area's corner, as RGB bytes."""
    left, top = geometry(window)[:2] if window is not None else (LEFT, TOP)
    return screen_area(left, top, width or SIDE, height or SIDE)


HIGH_BITS = bytes(i & 0xF0 for i in range(256))


def high_bits_differ(a, b):
    """How many bytes differ in their four high bits."""
    a, b = a.translate(HIGH_BITS), b.translate(HIGH_BITS)
    if len(a) == len(b) and a == b:
        return 0
    return sum(1 for x, y in zip(a, b) if x != y) + abs(len(a) - len(b))


def root_windows(name):
    """The windows a property of the root lists."""
    out = run("xprop", "-root", "-notype", name).decode()
    return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", out.partition(":")[2])]


def stacking():
    """The top-level windows, bottom first."""
    if WM:
        return root_windows("_NET_CLIENT_LIST_STACKING")
    out = run("xwininfo", "-root", "-children").decode()
    listed = [int(w, 16) for w in re.findall(r"^\s+(0x[0-9a-f]+)", out, re.M)]
    return list(reversed(listed))  # xwininfo lists the top one first


def active_window():
    """The window manager's active window; the focus on the bare server."""
    if WM:
        ids = root_windows("_NET_ACTIVE_WINDOW")
        return ids[0] if ids else None
    return int(run("xdotool", "getwindowfocus").decode())


def activate(window):
    if WM:
        run("xdotool", "windowactivate", "--sync", str(window))
    else:
        run("xdotool", "windowfocus", "--sync", str(window))


def window_manager_caught_up(window):
    """Returns once the window manager has handled every request made before:
    it handles them in order, and has answered a later one: the window kept
    above the others, and then no more."""
    for change, present in (("add", True), ("remove", False)):
        run("wmctrl", "-i", "-r", str(window), "-b", f"{change},above")
        wait_for("the window manager's answer", lambda: present == (
            "_NET_WM_STATE_ABOVE" in (property_of(window, "_NET_WM_STATE") or "")))


class OtherWindow:
    """Another program's window, at the screen's top left, holding the focus."""

    def __init__(self):
        self.process = subprocess.Popen(["xmessage", "-geometry", "+0+0", "another window"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = int(run("xdotool", "search", "--sync", "--onlyvisible", "--classname",
                              "xmessage").split()[0])

    def take_focus(self):
        activate(self.window)
        wait_for("the other window to be active", lambda: active_window() == self.window)

    def close(self):
        self.process.terminate()
        self.process.wait()


def click(window, x=200, y=200):
    run("xdotool", "mousemove", "--window", str(window), str(x), str(y), "click", "1")


def settles(what, probe, expected, timeout=10.0):
    """Waits for `probe()` to give `expected`; a Failure names what it gave
    last."""
    last = []

    def same():
        last[:] = [probe()]
        return last[0] == expected

    try:
        wait_for(what, same, timeout)
    except Failure:
        raise Failure(f"{what}: {last[0]!r}, not {expected!r}") from None


def shows(window, expected, what, width=None, height=None, drawn_over=None):
    """Waits for the client area to show `expected` in the four high bits of
    every byte (a window just mapped may not be drawn yet). `drawn_over()`,
    where given, says that what comes next has begun: a read made after it
    that does not show `expected` fails at once, as none later can."""
    wrong = []

    def same():
        over = drawn_over is not None and drawn_over()
        wrong[:] = [high_bits_differ(screenshot(window, width, height), expected)]
        return "shown" if wrong[0] == 0 else "drawn over" if over else None

    try:
        seen = wait_for(what, same)
    except Failure:
        raise Failure(f"{what}: {wrong[0]} bytes differ") from None
    check(seen == "shown", f"{what}: {wrong[0]} bytes differ in the last read before it was drawn over")


def monotonic_ms():
    """Now on the probe's clock (CLOCK_MONOTONIC), in ms."""
    return time.monotonic() * 1e3


def counted_click(show, window, x=200, y=200):
    """A left click as the barrier for what came before it on the display:
    once the probe has logged its handler, every earlier event has been
    handled. The clicks the show has counted then."""
    sent = monotonic_ms()
    click(window, x, y)
    show.wait_stamps("Image1Click.start", 1, after=sent, timeout=10)
    return show.clicks()


def box_text(box):
    """The error box's caption and text, copied from it with Ctrl+C."""
    run("xdotool", "windowfocus", "--sync", str(box))
    # (emptied first, so that only the box's copy can fill it)
    subprocess.run(["xclip", "-selection", "clipboard", "-i", "/dev/null"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run("xdotool", "key", "--clearmodifiers", "ctrl+c")

    def copied():
        got = subprocess.run(["xclip", "-selection", "clipboard", "-o"], capture_output=True)
        parts = [p.strip() for p in re.split(r"-{5,}", got.stdout.decode("utf-8", "replace"))
                 if p.strip()]
        return parts if got.returncode == 0 and len(parts) >= 3 else None

    return wait_for("the box's text on the clipboard", copied)  # caption, text, button


def dismiss(box):
    run("xdotool", "windowfocus", "--sync", str(box))
    run("xdotool", "key", "Return")


# Scenarios -----------------------------------------------------------------


def scenario_window(args):
    """Position, client size, blank title, transparent icon; the default
    picture on screen, stretched; the flicker changes it over time."""
    show = Show(args.exe, args.data)
    try:
        window = show.main_window()
        settles("the outer corner and size", lambda: outer_geometry(window), (LEFT, TOP, SIDE, SIDE))
        check(property_of(window, "WM_NAME") in ("", None), "WM_NAME not empty")
        icon = run("xprop", "-id", str(window), "-notype", "32c", "_NET_WM_ICON").decode()
        values = [int(v) for v in re.findall(r"\d+", icon.split("=", 1)[1])]
        check(values[:2] == [16, 16] and len(values) == 2 + 256, f"icon {values[:4]}")
        check(not any(values[2:]), "the icon is not wholly transparent")

        picture = image_rgb(show.picture() + "[400x400!]")  # the default is 400 x 400
        shows(window, picture, "the picture on the screen")
        first = screenshot(window)
        changed = wait_for("a flicker", lambda: screenshot(window) != first, timeout=3)
        check(changed, "no flicker")

        def held(what):
            # (the bare server has applied a request once its client has
            # gone; a window manager, once it has answered a later one)
            if WM:
                window_manager_caught_up(window)
            wait_for(f"the fitted size after {what}",
                     lambda: geometry(window)[2:] == (SIDE, SIDE), timeout=3)

        # A size forced on the window from outside goes back to the fit.
        run("xdotool", "windowsize", str(window), "600", "500")
        held("a forced size")
        if WM:
            wid = str(window)
            run("wmctrl", "-i", "-r", wid, "-b", "add,maximized_vert,maximized_horz")
            held("maximising")
            run("wmctrl", "-i", "-r", wid, "-b", "remove,maximized_vert,maximized_horz")
            held("undoing the maximise")
            check(outer_geometry(window) == (LEFT, TOP, SIDE, SIDE),
                  f"after the maximise is undone: {outer_geometry(window)}")
            run("wmctrl", "-i", "-r", wid, "-b", "add,fullscreen")
            held("full screen")
            run("wmctrl", "-i", "-r", wid, "-b", "remove,fullscreen")
            held("leaving full screen")
            run("wmctrl", "-i", "-r", wid, "-e", "0,100,80,700,600")
            held("a resize through the window manager")
            check(outer_geometry(window)[:2] == (100, 80), "not moved by the window manager")
        check(show.alive(), "Project1 ended")
    finally:
        show.close()


def scenario_clicks(args):
    """With another window holding the focus: a right and a middle click, and
    a left press released outside the picture, never start the show; a left
    click activates the window and starts it (its first step 3 s later, the
    flicker at 30 ms); a double click is one click. What must not have
    counted is read once a later left click has been handled."""
    show = Show(args.probe, args.data)
    other = None
    try:
        window = show.main_window()
        show.wait_stamps("painted", 1)
        other = OtherWindow()
        other.take_focus()
        for button in ("3", "2"):
            run("xdotool", "mousemove", "--window", str(window), "200", "200", "click", button)
            other.take_focus()
        run("xdotool", "mousemove", "--window", str(window), "200", "200", "mousedown", "1")
        run("xdotool", "mousemove", "--window", str(window), "500", "200", "mouseup", "1")
        other.take_focus()
        clicked = counted_click(show, window)
        check(clicked == 1, f"a right click, a middle click and a release outside the picture "
                            f"made {clicked - 1} clicks")
        if WM:
            wait_for("the window to be active", lambda: active_window() == window, timeout=3)
        # The show started at that click: its first step 3 s on, the flicker
        # at 30 ms (from 300 ms) until then, by the probe's clock.
        started = show.stamps("Image1Click.start")[0]
        step = show.wait_stamps("Timer1Timer.start", 1, timeout=30)[0]
        check(step - started >= 2990, f"the first step {step - started:.0f} ms after the click")
        flicker = [t for t in show.stamps("Timer2Timer") if started < t < step]
        gaps = sorted(b - a for a, b in zip(flicker, flicker[1:]))
        check(len(gaps) >= 10 and gaps[len(gaps) // 2] < 100,
              f"the flicker after the click: {len(flicker)} ticks in the first step, "
              f"{gaps[len(gaps) // 2] if gaps else 0:.0f} ms apart")

        other.take_focus()
        run("xdotool", "mousemove", "--window", str(window), "200", "200",
            "click", "--repeat", "2", "--delay", "80", "1")
        # (the barrier's click far from the double click's place, so that it
        # is not a third click of it)
        clicked = counted_click(show, window, 40, 40)
        check(clicked == 3, f"a double click made {clicked - 2} clicks")
        check(show.alive(), "Project1 ended")
    finally:
        if other is not None:
            other.close()
        show.close()


def scenario_high_dpi(args):
    """At 120 pixels per inch the layout scales by 15 / 12: a 500 x 500
    picture area, the picture stretched over it by nearest pixel."""
    run("xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER",
        "Xft.dpi:\t120\n")
    show = Show(args.exe, args.data)
    try:
        window = show.main_window()
        settles("the geometry", lambda: geometry(window), (LEFT, TOP, 500, 500))
        picture = image_rgb(show.picture())
        expected = bytearray()
        for y in range(500):
            row = picture[(y * SIDE // 500) * SIDE * 3:]
            for x in range(500):
                expected += row[(x * SIDE // 500) * 3:(x * SIDE // 500) * 3 + 3]
        shows(window, expected, "a nearest-pixel stretch", width=500, height=500)
    finally:
        show.close()
        run("xprop", "-root", "-remove", "RESOURCE_MANAGER")


def scenario_missing_picture(args):
    """One error box, captioned with the application title, naming the
    stored path; ticks go on behind it; then the window opens blank."""
    show = Show(args.probe, args.data, with_picture=False)
    try:
        box = wait_for("the error box", lambda: next(iter(show.boxes()), None))
        # The 300 ms flicker timer still ticks while the box waits; by its
        # third tick a second box would be there.
        show.wait_stamps("Timer2Timer", 3, after=monotonic_ms(), timeout=10)
        check(len(show.boxes()) == 1, f"{len(show.boxes())} boxes")
        check(title_of(box) == TITLE, f"caption {title_of(box)!r}")
        caption, text, button = box_text(box)
        check((caption, text) == (TITLE, OPEN_ERROR), f"box says {caption!r} {text!r}")
        check(button == "OK", f"button {button!r}")

        dismiss(box)
        window = show.main_window()
        settles("the outer corner and size", lambda: outer_geometry(window), (LEFT, TOP, SIDE, SIDE))
        painted = show.wait_stamps("painted", 1)[0]

        def plain():
            area = screenshot(window)
            return area if len(set(area[i:i + 3] for i in range(0, len(area), 3))) == 1 else None

        area = wait_for("a plain area", plain, timeout=5)
        check(area[:3] != b"\0\0\0", "area is black, not the button face")
        show.wait_stamps("Timer2Timer", 3, after=painted, timeout=10)
        check(not show.boxes(), "another box")
        check(show.alive(), "Project1 ended")
    finally:
        show.close()


def scenario_renamed(args):
    """A program renamed with letters beyond ASCII: its title is cut from the
    file name as the file system spells it (UTF-8), so the error box's caption
    and the window's icon name read "Café" for "Café.Crème"."""
    show = Show(args.exe, args.data, with_picture=False, name="Café.Crème", title="Café")
    try:
        box = wait_for("the error box", lambda: next(iter(show.boxes()), None))
        check(title_of(box) == "Café", f"box caption {title_of(box)!r}")
        dismiss(box)
        window = show.main_window()
        check(property_of(window, "_NET_WM_ICON_NAME") == "Café", "icon name")
        check(show.alive(), "Project1 ended")
    finally:
        show.close()


def scenario_glitch(args):
    """A click starts the show: the title stays blank until step 10, then
    glitches. The picture is deleted after the click, so steps 8 and 25 open
    the open-error box, the second on top of the first; the flicker and the
    steps go on behind them, the window takes no clicks, and each box gives
    the activation back to the window that had it."""
    show = Show(args.probe, args.data)
    try:
        window = show.main_window()
        show.wait_stamps("painted", 1)
        check(counted_click(show, window) == 1, "the click")
        os.remove(show.picture())
        # (a step's box opens within its handler: steps are counted as they start)
        show.wait_stamps("Timer1Timer.start", 7, timeout=60)
        check(title_of(window) == "", f"title {title_of(window)!r} before step 10")
        check(not show.boxes(), "a box before step 8")

        first = wait_for("the step 8 box", lambda: next(iter(show.boxes()), None), timeout=10)
        check(title_of(first) == TITLE, f"caption {title_of(first)!r}")
        wait_for("the box to be active", lambda: active_window() == first, timeout=3)
        # Above the box, the picture's top rows go on flickering.
        strip = screenshot(window, height=40)
        wait_for("a flicker behind the box",
                 lambda: screenshot(window, height=40) != strip, timeout=3)
        # (read before the steps are counted: it must be blank where step 10
        # had not started by the end of the read)
        title = title_of(window)
        if len(show.stamps("Timer1Timer.start")) < 10:
            check(title == "", f"title {title!r} before step 10")
        # A click on the window behind the box: five flicker ticks after it
        # the box's loop has handled it, and it must not have counted.
        sent = monotonic_ms()
        click(window, y=20)
        show.wait_stamps("Timer2Timer", 5, after=sent, timeout=10)
        check(show.clicks() == 1, "the window behind the box took a click")

        show.wait_stamps("Timer1Timer.start", 10, timeout=30)
        wait_for("the glitch's title at step 10", lambda: GLITCH.match(title_of(window) or ""),
                 timeout=5)
        title = title_of(window)
        wait_for("a new glitch", lambda: title_of(window) != title, timeout=5)
        later = title_of(window)
        check(later is not None and GLITCH.match(later), f"title {later!r}")
        check(show.boxes() == [first], f"{len(show.boxes())} boxes after step 10")

        show.wait_stamps("Timer1Timer.start", 25, timeout=60)
        wait_for("the step 25 box", lambda: len(show.boxes()) >= 2, timeout=10)
        boxes = show.boxes()
        check(len(boxes) == 2, f"{len(boxes)} boxes after step 25")
        second = next(b for b in boxes if b != first)
        caption, text, _ = box_text(second)
        check((caption, text) == (TITLE, OPEN_ERROR), f"second box says {caption!r} {text!r}")
        order = stacking()
        check(order.index(window) < order.index(first) < order.index(second),
              "the second box is not on top")
        dismiss(second)
        wait_for("the first box to be active again", lambda: active_window() == first, timeout=3)
        dismiss(first)
        wait_for("the boxes to close", lambda: not show.boxes(), timeout=3)
        wait_for("the window to be active again", lambda: active_window() == window, timeout=3)
        click(window)
        wait_for("a click after the boxes", lambda: show.clicks() == 2, timeout=3)
        check(show.alive(), "Project1 ended")
    finally:
        show.close()


def scenario_full_show(args):
    """The whole show: at every step whose effect is not random the screen
    matches what replay draws, in the four high bits of every byte, read
    once the step's handler has run (the probe's log)."""
    frames = tempfile.mkdtemp(prefix="show-frames-")
    show = Show(args.probe, args.data)
    try:
        run(args.replay, "--dir", args.data, "--click", "0", "--until", "105000",
            "--frames", frames)
        expected = {}
        for name in os.listdir(frames):
            step = int(re.search(r"step(\d+)", name).group(1))
            expected.setdefault(step, os.path.join(frames, name))
        expected = {step: image_rgb(expected[step]) for step in FIXED_STEPS}
        window = show.main_window()
        show.wait_stamps("painted", 1)
        shows(window, expected[0], "step 0")
        check(counted_click(show, window) == 1, "the click")
        for step in FIXED_STEPS[1:]:
            show.wait_stamps("Timer1Timer", step, timeout=3 * step + 30)
            # (until the next step's handler has run, which draws over it)
            shows(window, expected[step], f"step {step} as replay draws it",
                  drawn_over=lambda step=step: len(show.stamps("Timer1Timer")) > step)
        check(GLITCH.match(title_of(window) or ""), "the last glitch title is not kept")
        # A click once the show is over (the step timer's 35th tick does
        # nothing): handled with neither a box nor an end by the third
        # flicker tick after it.
        show.wait_stamps("Timer1Timer", 35, timeout=60)
        check(counted_click(show, window) == 2, "the click after the show was not counted once")
        show.wait_stamps("Timer2Timer", 3, after=show.stamps("Image1Click.start")[1], timeout=10)
        check(show.alive() and not show.boxes(), "a click after the show failed")
    finally:
        show.close()
        shutil.rmtree(frames, ignore_errors=True)


def scenario_options(args):
    """The program takes no command line: with options that Qt would take
    for its own (another window system, another place and size, right to
    left) the window opens on the display as without them, at its place and
    size, and a click starts the show."""
    show = Show(args.probe, args.data, options=["-platform", "offscreen", "-qwindowgeometry",
                                                "100x80+5+5", "-reverse", "-style", "none"])
    try:
        window = show.main_window()
        show.wait_stamps("painted", 1)
        check(show.alive(), f"Project1 ended with status {show.process.returncode}")
        settles("the geometry", lambda: geometry(window), (LEFT, TOP, SIDE, SIDE))
        check(counted_click(show, window) == 1, "the click was not counted once")
        # Handled with neither a box nor an end: by the third flicker tick
        # after it either would be seen.
        show.wait_stamps("Timer2Timer", 3, after=show.stamps("Image1Click.start")[0], timeout=10)
        check(show.alive() and not show.boxes(), "the click failed")
    finally:
        show.close()


# The line is kept in one file, which the program is built with.
NO_DESKTOP = open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                               "programs", "desktop", "no-display.txt"), encoding="utf-8").read()


def scenario_no_display(args):
    """With neither an X nor a Wayland display: the one line on standard
    error, nothing on standard output, exit status 1."""
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    with tempfile.TemporaryDirectory() as runtime:
        env["XDG_RUNTIME_DIR"] = runtime
        done = subprocess.run([args.exe], env=env, capture_output=True, timeout=30)
    check(done.returncode == 1, f"exit status {done.returncode}")
    check(done.stderr.decode() == NO_DESKTOP, f"said {done.stderr.decode()!r}")
    check(done.stdout == b"", f"printed {done.stdout!r}")


class Weston:
    """Weston's headless compositor with XWayland, in a runtime folder of its own."""

    def __init__(self):
        self.runtime = tempfile.mkdtemp(prefix="show-wayland-")
        os.chmod(self.runtime, 0o700)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["XDG_RUNTIME_DIR"] = self.runtime
        self.log = os.path.join(self.runtime, "weston.log")
        self.process = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--socket=show", "--xwayland",
             "--idle-time=0", f"--log={self.log}"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.x_display = wait_for("XWayland's display", self._x_display)

    def _x_display(self):
        check(self.process.poll() is None, "weston ended")
        try:
            with open(self.log, errors="replace") as log:
                match = re.search(r"xserver listening on display (:\d+)", log.read())
        except FileNotFoundError:
            return None
        return match.group(1) if match else None

    def env(self, x11):
        # The full path: the program runs with a runtime folder of its own.
        env = dict(os.environ, WAYLAND_DISPLAY=os.path.join(self.runtime, "show"))
        if x11:
            env["DISPLAY"] = self.x_display
        else:
            env.pop("DISPLAY", None)
        return env

    def close(self):
        self.process.terminate()
        self.process.wait()
        shutil.rmtree(self.runtime, ignore_errors=True)


def scenario_wayland(args):
    """On a Wayland compositor that also offers XWayland the show runs on X11:
    its window, blank title and icon name are on XWayland's display. Where
    only Wayland is offered it runs natively and stays up. Weston places the
    window itself; its position is not checked."""
    if shutil.which("weston") is None or shutil.which("Xwayland") is None:
        print("skipped: weston or Xwayland is not installed")
        sys.exit(SKIPPED)
    weston = Weston()
    try:
        os.environ["DISPLAY"] = weston.x_display
        show = Show(args.exe, args.data, env=weston.env(x11=True))
        try:
            window = show.main_window()
            check(geometry(window)[2:] == (SIDE, SIDE), f"size {geometry(window)[2:]}")
        finally:
            show.close()
        show = Show(args.exe, args.data, env=weston.env(x11=False))
        try:
            time.sleep(3)
            with open(os.path.join(show.dir, "log"), errors="replace") as log:
                said = log.read()
            check(show.alive(), f"Project1 ended natively on Wayland: {said!r}")
            check(said == "", f"said {said!r}")
        finally:
            show.close()
    finally:
        weston.close()


WM = False  # whether a window manager runs on the display


def main():
    global WM
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario")
    parser.add_argument("--wm", action="store_true",
                        help="run on SHOW_WM_DISPLAY, under a window manager")
    parser.add_argument("--exe", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--replay", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--window", required=True, help="the build's window.json")
    args = parser.parse_args()
    global LEFT, TOP, SIDE, PICTURE, OPEN_ERROR
    window = read_window(args.window)
    LEFT, TOP, SIDE = window["left"], window["top"], window["client"][0]
    PICTURE, OPEN_ERROR = picture_file(window), open_error(window)
    args.exe, args.probe, args.replay, args.data = (
        os.path.abspath(p) for p in (args.exe, args.probe, args.replay, args.data))
    WM = args.wm
    if WM:
        if not os.environ.get("SHOW_WM_DISPLAY"):
            print("skipped: no display with a window manager (scripts/test/desktop.sh starts one)")
            return SKIPPED
        os.environ["DISPLAY"] = os.environ["SHOW_WM_DISPLAY"]
    elif args.scenario not in ("no_display", "wayland") and not os.environ.get("DISPLAY"):
        print("skipped: no X display (scripts/test/desktop.sh starts Xvfb)")
        return SKIPPED
    return outcome(globals()["scenario_" + args.scenario], args)


if __name__ == "__main__":
    sys.exit(main())
