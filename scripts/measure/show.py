#!/usr/bin/env python3
"""Measures the running desktop program on a private Xvfb display.

For the default picture and for a 4000 x 3000 one: the CPU time used per second
of show while idle (the flicker before the click), during the show and after
its last step; resident memory at start and after the whole run; when each
step ran against click + v step periods (worst error, drift); every flicker tick's
gap; start-up to the first painted frame. And, as "early", a click made as soon
as the window is painted, while the soundfont is still loading: how long the
click's handler takes and the longest gap between flicker ticks around it.

    scripts/measure/show.py [--minutes M] [--build DIR] [--pictures default,big,early]
                            [--short STEPS]

It runs build-bench's show_probe (scripts/bench.sh builds it), which is the
program itself with a timestamp on standard error as each handler ends. The
show's timing (the step period, the last step, the flicker's periods) is the
build's, from its window.json.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time

root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(root, "scripts", "helpers"))
sys.path.insert(0, os.path.join(root, "tests", "support"))
from e2e import Xvfb  # noqa: E402
from showfiles import picture_file, picture_middle, read_window, write_bmp  # noqa: E402

CLICK_AT = None  # the middle of the picture area, from the build's window.json
SCHEDULE = None  # the show's timing, from the same


def write_big_picture(path, width=4000, height=3000):
    row = bytes((x * 7) & 0xFF for x in range(width * 3))
    write_bmp(path, [row[y % 97:] + row[: y % 97] for y in range(height)])


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class Probe:
    """The running program and the timestamps it prints."""

    def __init__(self, exe, workdir, display):
        env = dict(os.environ, DISPLAY=display)
        self.started = time.monotonic() * 1e3
        self.proc = subprocess.Popen([exe], cwd=workdir, env=env, stderr=subprocess.PIPE, text=True)
        self.events = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stderr:
            parts = line.split()
            if len(parts) == 2:
                try:
                    stamp = float(parts[0])
                except ValueError:
                    continue
                with self.lock:
                    self.events.append((stamp, parts[1]))

    def times(self, name):
        with self.lock:
            return [t for t, n in self.events if n == name]

    def wait_for(self, name, timeout=10.0, count=1):
        """The time of the first `name`, once `count` of them have come."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            found = self.times(name)
            if len(found) >= count:
                return found[0]
            time.sleep(0.01)
        raise RuntimeError(f"no {name} {'' if count == 1 else f'number {count} '}within {timeout} s")

    def cpu_share(self, seconds):
        before = cpu_seconds(self.proc.pid)
        time.sleep(seconds)
        return (cpu_seconds(self.proc.pid) - before) / seconds

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def sleep_until(monotonic_ms):
    delay = monotonic_ms / 1e3 - time.monotonic()
    if delay > 0:
        time.sleep(delay)


def measure(name, exe, workdir, display, minutes, short_steps=None):
    """A run of `minutes` with the whole show; or, with `short_steps`, a short
    one: the show to that step, each CPU share over a second, and nothing of
    after the last step."""
    last_step, period = SCHEDULE["last_step"], SCHEDULE["step_ms"]
    flicker = SCHEDULE["flicker_ms"]
    run_steps = min(short_steps or last_step, last_step)
    shown_ms = period * run_steps
    sample = 10 if short_steps is None else 1
    probe = Probe(exe, workdir, display)
    try:
        painted = probe.wait_for("painted")
        time.sleep(1.0)
        rss_start = rss_kib(probe.proc.pid)
        idle = probe.cpu_share(sample)
        subprocess.run(["xdotool", "mousemove", *map(str, CLICK_AT), "click", "1"],
                       env=dict(os.environ, DISPLAY=display), check=True)
        click = probe.wait_for("Image1Click.start")
        click_end = probe.wait_for("Image1Click")
        sleep_until(click + min(20_000, shown_ms // 3))
        rss_show = rss_kib(probe.proc.pid)
        sleep_until(click + min(40_000, shown_ms // 2))
        show = probe.cpu_share(sample)
        probe.wait_for("Timer1Timer", timeout=(click + shown_ms) / 1e3 - time.monotonic() + 30,
                       count=run_steps)
        after = None
        if short_steps is None:
            sleep_until(click + shown_ms + 4_000)
            after = probe.cpu_share(sample)
            sleep_until(probe.started + minutes * 60_000)
        rss_end = rss_kib(probe.proc.pid)
        ended = time.monotonic() * 1e3
    finally:
        probe.stop()

    steps = probe.times("Timer1Timer.start")[:run_steps]
    errors = [t - (click + period * (v + 1)) for v, t in enumerate(steps)]
    ends = probe.times("Timer1Timer")[:run_steps]
    longest = max((b - a, v + 1) for v, (a, b) in enumerate(zip(steps, ends)))
    drift = (errors[-1] - errors[0]) / (len(errors) - 1) if len(errors) > 1 else 0.0
    ticks = [t for t in probe.times("Timer2Timer") if click < t < click + shown_ms]
    gaps = [b - a for a, b in zip(ticks, ticks[1:])]
    print(f"\n{name}")
    print(f"  start-up to first painted frame   {painted - probe.started:8.1f} ms")
    print(f"  CPU, idle ({flicker['before']} ms flicker)        {100 * idle:8.2f} % of a core")
    print(f"  CPU, show ({flicker['show']} ms flicker)         {100 * show:8.2f} % of a core")
    if after is not None:
        print(f"  CPU, after the last step ({flicker['after']} ms) {100 * after:8.2f} % of a core")
    print(f"  the click's handler (opens the tune) {click_end - click:5.1f} ms")
    print(f"  resident memory at start          {rss_start:8d} KiB")
    print(f"  resident memory, {min(20_000, shown_ms // 3) / 1e3:g} s into the show {rss_show:6d} KiB")
    print(f"  resident memory after {(ended - probe.started) / 60e3:.1f} min      {rss_end:8d} KiB")
    print(f"  steps run                         {len(steps):8d} of {last_step}")
    if errors:
        worst = max(range(len(errors)), key=lambda v: errors[v])
        print(f"  step lateness: worst {errors[worst]:.1f} ms (step {worst + 1}), "
              f"earliest {min(errors):.1f} ms, drift {drift:+.2f} ms a step")
        print(f"  longest step handler: {longest[0]:.1f} ms (step {longest[1]})")
    if gaps:
        due = (shown_ms - 1) // flicker["show"]  # the show's flicker runs from the click to the last step
        print(f"  flicker ticks during the show: {len(ticks)} of {due} due, "
              f"gaps {min(gaps):.1f} to {max(gaps):.1f} ms")
        late = sorted(range(len(gaps)), key=lambda i: -gaps[i])[:3]
        print("  longest gaps: " + ", ".join(
            f"{gaps[i]:.1f} ms at click + {ticks[i] - click:.0f} ms" for i in sorted(late)))
    slow = [(b - a, v + 1) for v, (a, b) in enumerate(zip(steps, ends)) if b - a > 5]
    if slow:
        print("  step handlers over 5 ms: " + ", ".join(f"step {v}: {d:.1f} ms" for d, v in slow))


def measure_early_click(exe, workdir, display, repeats=5):
    handler, gaps = [], []
    for _ in range(repeats):
        probe = Probe(exe, workdir, display)
        try:
            painted = probe.wait_for("painted")
            subprocess.run(["xdotool", "mousemove", *map(str, CLICK_AT), "click", "1"],
                           env=dict(os.environ, DISPLAY=display), check=True)
            click = probe.wait_for("Image1Click.start")
            handler.append(probe.wait_for("Image1Click") - click)
            sleep_until(click + 2000)
        finally:
            probe.stop()
        ticks = [t for t in probe.times("Timer2Timer") if painted < t < click + 2000]
        gaps.append(max(b - a for a, b in zip(ticks, ticks[1:])))
        time.sleep(0.5)
    print("\nclick as soon as the window is painted, the soundfont still loading "
          f"({repeats} runs)")
    print("  the click's handler: " + ", ".join(f"{h:.2f}" for h in handler) + " ms")
    print("  longest flicker gap from the first frame to click + 2 s: " +
          ", ".join(f"{g:.1f}" for g in gaps) + " ms")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--minutes", type=float, default=10, help="length of the default picture's run")
    parser.add_argument("--build", default="build-bench", help="the build with show_probe")
    parser.add_argument("--pictures", default="default,big",
                        help="which runs: default, big, early, as a list (default,big)")
    parser.add_argument("--short", type=int, metavar="STEPS",
                        help="short runs: each show only to step STEPS, each CPU share over a "
                             "second (the test command's check that the script still measures)")
    args = parser.parse_args()
    if args.short is not None and args.short < 1:
        parser.error("--short takes a step number of 1 or more")
    exe = os.path.abspath(os.path.join(args.build, "tools/show_probe"))
    run_dir = os.path.join(args.build, "run")
    global CLICK_AT, SCHEDULE
    window = read_window(os.path.join(args.build, "window.json"))
    SCHEDULE = window["schedule"]
    CLICK_AT = picture_middle(window)
    if not os.access(exe, os.X_OK):
        sys.exit(f"{exe} is missing: build it with scripts/bench.sh")
    xvfb = Xvfb()
    display = xvfb.start()
    work = tempfile.mkdtemp()
    try:
        runs = args.pictures.split(",")
        if any(r not in ("default", "big", "early") for r in runs):
            parser.error(f"unknown picture in --pictures {args.pictures}")
        if "default" in runs:
            shutil.copytree(run_dir, os.path.join(work, "default"), ignore=shutil.ignore_patterns("frames"))
            measure("default picture (400 x 400)", exe, os.path.join(work, "default"), display,
                    args.minutes, args.short)
        if "big" in runs:
            big = os.path.join(work, "big")
            shutil.copytree(run_dir, big, ignore=shutil.ignore_patterns("frames"))
            write_big_picture(os.path.join(big, picture_file(window)))
            os.sync()  # so writing the file back does not fall inside the show
            measure("4000 x 3000 picture", exe, big, display, 2.2, args.short)
        if "early" in runs:
            early = os.path.join(work, "early")
            shutil.copytree(run_dir, early, ignore=shutil.ignore_patterns("frames"))
            measure_early_click(exe, early, display)
    finally:
        shutil.rmtree(work, ignore_errors=True)
        xvfb.stop()


if __name__ == "__main__":
    main()
