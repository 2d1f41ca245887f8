#!/usr/bin/env python3
"""End-to-end runs of Project1 in a real window on the X display named by
DISPLAY (Xvfb, no window manager), driven with xdotool and read back with
xprop, xwininfo, xclip and ImageMagick.

Usage: desktop_e2e.py SCENARIO --exe PROJECT1 --replay REPLAY --data RUN_DIR
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

LEFT, TOP, SIDE = 272, 184, 400
TITLE = "Project1"
OPEN_ERROR = "ファイル []\\,,,,;,,.bmp は開けません."
GLITCH = re.compile(r"^( {1,30})：\1；$")
PICTURE = os.path.join("[]", ",,,,;,,.bmp")
# Steps whose effect on the four high bits of every byte is not random.
FIXED_STEPS = list(range(0, 12)) + list(range(25, 35))


SKIPPED = 77  # ctest's skip code for these tests


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(*command, **kwargs):
    env = dict(os.environ, LC_ALL="C.UTF-8")
    return subprocess.run(command, check=True, capture_output=True, env=env, **kwargs).stdout


def wait_for(what, probe, timeout=10.0):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(0.1)


class Show:
    """Project1 running in a directory of its own."""

    def __init__(self, exe, data, with_picture=True):
        self.dir = tempfile.mkdtemp(prefix="show-e2e-")
        shutil.copytree(os.path.join(data, "[]"), os.path.join(self.dir, "[]"))
        if not with_picture:
            os.remove(self.picture())
        env = dict(os.environ, XDG_RUNTIME_DIR=self.dir)
        self.log = open(os.path.join(self.dir, "log"), "wb")
        try:
            self.process = subprocess.Popen([exe], cwd=self.dir, env=env,
                                            stdout=self.log, stderr=subprocess.STDOUT)
        except OSError:
            self.log.close()
            shutil.rmtree(self.dir, ignore_errors=True)
            raise

    def picture(self):
        return os.path.join(self.dir, PICTURE)

    def alive(self):
        return self.process.poll() is None

    def windows(self):
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                              str(self.process.pid)], capture_output=True, text=True).stdout
        return [int(w) for w in out.split()]

    def main_window(self):
        return wait_for("the main window", lambda: next(
            (w for w in self.windows() if property_of(w, "_NET_WM_ICON_NAME") == TITLE), None))

    def boxes(self):
        return [w for w in self.windows() if property_of(w, "_NET_WM_ICON_NAME") != TITLE]

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


def geometry(window):
    out = run("xwininfo", "-id", str(window)).decode()
    value = {key: int(re.search(key + r":\s+(-?\d+)", out).group(1))
             for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")}
    return (value["Absolute upper-left X"], value["Absolute upper-left Y"],
            value["Width"], value["Height"])


def screenshot(left=LEFT, top=TOP, width=SIDE, height=SIDE):
    """The screen's pixels in the rectangle, as RGB bytes."""
    png = run("import", "-silent", "-window", "root", "png:-")
    rgb = run("convert", "png:-", "-crop", f"{width}x{height}+{left}+{top}", "+repage",
              "-depth", "8", "rgb:-", input=png)
    check(len(rgb) == width * height * 3, "short screenshot")
    return rgb


def image_rgb(file):
    return run("convert", file, "-depth", "8", "rgb:-")


def high_bits_differ(a, b):
    """How many bytes differ in their four high bits."""
    return sum(1 for x, y in zip(a, b) if (x ^ y) & 0xF0)


def stacking():
    """The root's children, bottom first (no window manager reparents them)."""
    out = run("xwininfo", "-root", "-children").decode()
    listed = [int(w, 16) for w in re.findall(r"^\s+(0x[0-9a-f]+)", out, re.M)]
    return list(reversed(listed))  # xwininfo lists the top one first


def click(window, x=200, y=200):
    run("xdotool", "mousemove", "--window", str(window), str(x), str(y), "click", "1")


def box_text(box):
    """The error box's caption and text, copied from it with Ctrl+C."""
    run("xdotool", "windowfocus", "--sync", str(box))
    run("xdotool", "key", "--clearmodifiers", "ctrl+c")
    time.sleep(0.3)
    text = run("xclip", "-selection", "clipboard", "-o").decode("utf-8")
    parts = [p.strip() for p in re.split(r"-{5,}", text) if p.strip()]
    return parts  # caption, text, button


def dismiss(box):
    run("xdotool", "windowfocus", "--sync", str(box))
    run("xdotool", "key", "Return")


def context_switches(pid):
    with open(f"/proc/{pid}/status") as status:
        return sum(int(line.split()[1]) for line in status
                   if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")))


def wakeups_in(show, seconds):
    before = context_switches(show.process.pid)
    time.sleep(seconds)
    return context_switches(show.process.pid) - before


# Scenarios -----------------------------------------------------------------


def scenario_window(args):
    """Position, client size, blank title, transparent icon; the default
    picture on screen, stretched; the flicker changes it over time."""
    show = Show(args.exe, args.data)
    try:
        window = show.main_window()
        time.sleep(1.0)
        check(geometry(window) == (LEFT, TOP, SIDE, SIDE), f"geometry {geometry(window)}")
        check(title_of(window) == "", f"title {title_of(window)!r}")
        check(property_of(window, "WM_NAME") in ("", None), "WM_NAME not empty")
        icon = run("xprop", "-id", str(window), "-notype", "32c", "_NET_WM_ICON").decode()
        values = [int(v) for v in re.findall(r"\d+", icon.split("=", 1)[1])]
        check(values[:2] == [16, 16] and len(values) == 2 + 256, f"icon {values[:4]}")
        check(not any(values[2:]), "the icon is not wholly transparent")

        first = screenshot()
        picture = image_rgb(show.picture() + "[400x400!]")  # the default is 400 x 400
        check(high_bits_differ(first, picture) == 0, "the screen is not the picture")
        changed = wait_for("a flicker", lambda: screenshot() != first, timeout=3)
        check(changed, "no flicker")

        # A size forced on the window from outside goes back to the fit.
        run("xdotool", "windowsize", str(window), "600", "500")
        wait_for("the fitted size", lambda: geometry(window)[2:] == (SIDE, SIDE), timeout=3)

        # Only the left button clicks: a click speeds the flicker from 300 ms
        # to 30 ms, which shows in how often the program wakes.
        for button in ("2", "3"):
            run("xdotool", "mousemove", "--window", str(window), "200", "200", "click", button)
        check(wakeups_in(show, 2.0) < 40, "another button started the show")
        run("xdotool", "mousemove", "--window", str(window), "200", "200", "mousedown", "1")
        run("xdotool", "mousemove", "--window", str(window), "500", "200", "mouseup", "1")
        check(wakeups_in(show, 2.0) < 40, "a release outside the picture clicked")
        click(window)
        check(wakeups_in(show, 2.0) > 60, "a left click did not start the show")
        check(show.alive(), "Project1 ended")
    finally:
        show.close()


def scenario_high_dpi(args):
    """At 120 pixels per inch the layout scales by 15 / 12: a 500 x 500
    picture area, the picture stretched over it by nearest pixel."""
    run("xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER",
        "Xft.dpi:\t120\n")
    show = Show(args.exe, args.data)
    try:
        window = show.main_window()
        time.sleep(1.0)
        check(geometry(window) == (LEFT, TOP, 500, 500), f"geometry {geometry(window)}")
        shot = screenshot(width=500, height=500)
        picture = image_rgb(show.picture())
        expected = bytearray()
        for y in range(500):
            row = picture[(y * SIDE // 500) * SIDE * 3:]
            for x in range(500):
                expected += row[(x * SIDE // 500) * 3:(x * SIDE // 500) * 3 + 3]
        check(high_bits_differ(shot, expected) == 0, "not a nearest-pixel stretch")
    finally:
        show.close()
        run("xprop", "-root", "-remove", "RESOURCE_MANAGER")


def scenario_missing_picture(args):
    """One error box, captioned with the application title, naming the
    stored path; ticks go on behind it; then the window opens blank."""
    show = Show(args.exe, args.data, with_picture=False)
    try:
        box = wait_for("the error box", lambda: next(iter(show.boxes()), None))
        time.sleep(0.5)
        check(len(show.boxes()) == 1, f"{len(show.boxes())} boxes")
        check(title_of(box) == TITLE, f"caption {title_of(box)!r}")
        caption, text, button = box_text(box)
        check((caption, text) == (TITLE, OPEN_ERROR), f"box says {caption!r} {text!r}")
        check(button == "OK", f"button {button!r}")
        # The 300 ms flicker timer still wakes the program while the box waits.
        check(wakeups_in(show, 3.0) >= 6, "no ticks behind the box")

        dismiss(box)
        window = show.main_window()
        time.sleep(0.5)
        check(geometry(window) == (LEFT, TOP, SIDE, SIDE), f"geometry {geometry(window)}")
        area = screenshot()
        check(len(set(area[i:i + 3] for i in range(0, len(area), 3))) == 1, "area not plain")
        check(area[:3] != b"\0\0\0", "area is black, not the button face")
        check(not show.boxes(), "another box")
        check(show.alive(), "Project1 ended")
    finally:
        show.close()


def scenario_glitch(args):
    """A click starts the show: the title stays blank until step 10, then
    glitches. The picture is deleted after the click, so steps 8 and 25 open
    the open-error box, the second on top of the first; the flicker and the
    steps go on behind them."""
    show = Show(args.exe, args.data)
    try:
        window = show.main_window()
        time.sleep(0.5)
        click(window)
        start = time.monotonic()
        os.remove(show.picture())
        time.sleep(21 - (time.monotonic() - start))
        check(title_of(window) == "", f"title {title_of(window)!r} before step 10")
        check(not show.boxes(), "a box before step 8")

        first = wait_for("the step 8 box", lambda: next(iter(show.boxes()), None), timeout=6)
        check(title_of(first) == TITLE, f"caption {title_of(first)!r}")
        # Above the box, the picture's top rows go on flickering.
        strip = screenshot(height=40)
        wait_for("a flicker behind the box", lambda: screenshot(height=40) != strip, timeout=3)
        check(title_of(window) == "", "title before step 10")

        time.sleep(max(0.0, 31.5 - (time.monotonic() - start)))
        title = title_of(window)
        check(title is not None and GLITCH.match(title), f"title {title!r} at step 10")
        wait_for("a new glitch", lambda: title_of(window) != title, timeout=2)
        later = title_of(window)
        check(later is not None and GLITCH.match(later), f"title {later!r}")
        check(show.boxes() == [first], f"{len(show.boxes())} boxes after step 10")

        time.sleep(max(0.0, 76.5 - (time.monotonic() - start)))
        boxes = show.boxes()
        check(len(boxes) == 2, f"{len(boxes)} boxes after step 25")
        second = next(b for b in boxes if b != first)
        caption, text, _ = box_text(second)
        check((caption, text) == (TITLE, OPEN_ERROR), f"second box says {caption!r} {text!r}")
        order = stacking()
        check(order.index(window) < order.index(first) < order.index(second),
              "the second box is not on top")
        dismiss(second)
        dismiss(first)
        wait_for("the boxes to close", lambda: not show.boxes(), timeout=3)
        click(window)
        time.sleep(0.5)
        check(show.alive(), "Project1 ended")
    finally:
        show.close()


def scenario_full_show(args):
    """The whole show: at every step whose effect is not random the screen
    matches what replay draws, in the four high bits of every byte."""
    frames = tempfile.mkdtemp(prefix="show-frames-")
    show = Show(args.exe, args.data)
    try:
        run(args.replay, "--dir", args.data, "--click", "0", "--until", "105000",
            "--frames", frames)
        expected = {}
        for name in os.listdir(frames):
            step = int(re.search(r"step(\d+)", name).group(1))
            expected.setdefault(step, os.path.join(frames, name))
        window = show.main_window()
        time.sleep(0.5)
        shots = {0: screenshot()}
        click(window)
        start = time.monotonic()
        for step in FIXED_STEPS[1:]:
            time.sleep(max(0.0, 3 * step + 1.5 - (time.monotonic() - start)))
            shots[step] = screenshot()
        for step, shot in shots.items():
            wrong = high_bits_differ(shot, image_rgb(expected[step]))
            check(wrong == 0, f"step {step}: {wrong} bytes differ from replay")
        check(GLITCH.match(title_of(window) or ""), "the last glitch title is not kept")
        time.sleep(max(0.0, 106 - (time.monotonic() - start)))
        click(window)
        time.sleep(1)
        check(show.alive() and not show.boxes(), "a click after the show failed")
    finally:
        show.close()
        shutil.rmtree(frames, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario")
    parser.add_argument("--exe", required=True)
    parser.add_argument("--replay", required=True)
    parser.add_argument("--data", required=True)
    args = parser.parse_args()
    args.exe, args.replay, args.data = (os.path.abspath(p) for p in (args.exe, args.replay, args.data))
    if not os.environ.get("DISPLAY"):
        print("skipped: no X display (scripts/test-desktop.sh starts Xvfb)")
        return SKIPPED
    try:
        globals()["scenario_" + args.scenario](args)
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    except subprocess.CalledProcessError as error:
        print(f"FAILED: {error.cmd[0]}: {error.stderr.decode(errors='replace')}")
        return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
