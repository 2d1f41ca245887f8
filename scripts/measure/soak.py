#!/usr/bin/env python3
"""A long run of the show, desktop program and web page side by side.

Each runs for MINUTES (30 by default) with a click on the picture at once and
then every minute. The desktop program (build-desktop's show_probe: the
program with a timestamp as each handler ends) runs on a private Xvfb display
with its resident memory read every 10 s; the page runs in headless Chromium
(scripts/measure/soak-page.mjs) with its heap read every 10 s after a forced
collection. For each it reports the memory at the start and the end, the
slope in bytes a flicker tick, the flicker ticks handled against those due,
and the worst lateness of a step against the first click + n step periods. The
samples go to OUT/desktop.csv and OUT/page.csv ("seconds,bytes,ticks"), the
report to OUT/report.txt, and a plot of memory over the run to OUT/soak.png
(scripts/measure/soak-plot.py).

    scripts/measure/soak.py [--minutes M] [--only desktop|page] [--out DIR]
                            [--build DIR] [--site DIR]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.normpath(os.path.join(here, "..", ".."))
sys.path.insert(0, os.path.join(root, "scripts", "helpers"))
sys.path.insert(0, os.path.join(root, "tests", "support"))
from e2e import Xvfb  # noqa: E402
from showfiles import picture_middle, read_window  # noqa: E402



def rss_bytes(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    return 0


def slope(samples):
    """Least squares of bytes against ticks."""
    n = len(samples)
    mx = sum(s[2] for s in samples) / n
    my = sum(s[1] for s in samples) / n
    sxx = sum((s[2] - mx) ** 2 for s in samples)
    return sum((s[2] - mx) * (s[1] - my) for s in samples) / sxx if sxx else 0.0


def flicker_due(schedule, clicks, last_step, end):
    """Flicker ticks due from the first click to `end` (ms): at the show's
    period from a click, at the slower one from the last step until the next
    click (the step timer runs on; a later click before the last step leaves
    both timers as they are). The periods are the build's (window.json)."""
    show, after = schedule["flicker_ms"]["show"], schedule["flicker_ms"]["after"]
    due = 0
    changes = [(clicks[0], show)]
    if last_step is not None:
        changes.append((last_step, after))
        later = [c for c in clicks if c > last_step]
        if later:
            changes.append((later[0], show))
    changes.append((end, None))
    for (at, interval), (until, _) in zip(changes, changes[1:]):
        due += int((until - at) // interval)
    return due


def soak_desktop(args, out, report):
    exe = os.path.abspath(os.path.join(args.build, "tools", "show_probe"))
    if not os.access(exe, os.X_OK):
        sys.exit(f"soak: {exe} is missing: cmake --build {args.build} --target show_probe")
    window = read_window(os.path.join(args.build, "window.json"))
    click_at = [str(v) for v in picture_middle(window)]
    xvfb = Xvfb()
    display = xvfb.start()
    work = tempfile.mkdtemp(prefix="show-soak-")
    shutil.copytree(os.path.join(args.build, "run", "[]"), os.path.join(work, "[]"))
    # The title comes from the executable's name: the probe runs as Project1.
    shutil.copy(exe, os.path.join(work, "Project1"))
    env = dict(os.environ, DISPLAY=display, XDG_RUNTIME_DIR=work)
    proc = subprocess.Popen([os.path.join(work, "Project1")], cwd=work, env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    ticks, steps, clicks = [0], [], []
    painted = threading.Event()

    def read():
        for line in proc.stderr:
            parts = line.split()
            if len(parts) != 2:
                continue
            if parts[1] == "Timer2Timer":
                ticks[0] += 1
            elif parts[1] == "Timer1Timer.start":
                steps.append(float(parts[0]))
            elif parts[1] == "Image1Click.start":
                clicks.append(float(parts[0]))
            elif parts[1] == "painted":
                painted.set()

    threading.Thread(target=read, daemon=True).start()
    samples = []
    try:
        if not painted.wait(30):
            sys.exit("soak: the desktop program painted no window within 30 s")
        time.sleep(1)
        started = time.monotonic()
        end = started + args.minutes * 60
        next_click = next_sample = started
        ticks_at_click = None
        while time.monotonic() < end and proc.poll() is None:
            now = time.monotonic()
            if now >= next_click:
                subprocess.run(["xdotool", "mousemove", *click_at, "click", "1"], env=env, check=True)
                next_click += 60
            if now >= next_sample:
                if ticks_at_click is None:
                    time.sleep(0.5)
                    ticks_at_click = ticks[0]
                samples.append((time.monotonic() - started, rss_bytes(proc.pid), ticks[0] - ticks_at_click))
                next_sample += 10
            time.sleep(max(0.0, min(next_click, next_sample, end) - time.monotonic()))
        if proc.poll() is not None:
            sys.exit(f"soak: the desktop program ended with status {proc.returncode}")
        samples.append((time.monotonic() - started, rss_bytes(proc.pid), ticks[0] - ticks_at_click))
        end_ms = time.clock_gettime(time.CLOCK_MONOTONIC) * 1e3
    finally:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
        xvfb.stop()
        shutil.rmtree(work, ignore_errors=True)

    with open(os.path.join(out, "desktop.csv"), "w") as f:
        f.write("seconds,bytes,ticks\n")
        f.writelines(f"{s:.1f},{b},{t}\n" for s, b, t in samples)
    first, last = samples[0], samples[-1]
    run = last[2] - first[2]
    shown = [t for t in steps if t >= clicks[0]]
    schedule = window["schedule"]
    period, steps = schedule["step_ms"], schedule["last_step"]
    late = [(t - (clicks[0] + period * (n + 1)), n + 1) for n, t in enumerate(shown)]
    worst = max(late) if late else (float("nan"), 0)
    last_step = shown[steps - 1] if len(shown) >= steps else None
    due = flicker_due(schedule, clicks, last_step, end_ms)
    lines = [
        f"desktop: {args.minutes:g} min, {len(clicks)} clicks, {len(samples)} samples",
        f"  resident memory: start {first[1]} bytes, end {last[1]} bytes ({last[1] - first[1]:+d})",
        f"  slope: {(last[1] - first[1]) / max(run, 1):.3f} bytes a tick end to end, "
        f"{slope(samples):.3f} least squares, over {run} flicker ticks",
        f"  flicker ticks: {ticks[0]} handled of about {due} due (from the first click)",
        f"  steps: {len(shown)} run; worst lateness {worst[0]:.1f} ms (step {worst[1]})",
    ]
    report.extend(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--minutes", type=float, default=30, help="length of each run (30)")
    parser.add_argument("--only", choices=["desktop", "page"], help="run only one of the two")
    parser.add_argument("--out", default="build-soak", help="where the samples, report and plot go")
    parser.add_argument("--build", default=os.path.join(root, "build-desktop"),
                        help="the desktop build with tools/show_probe (build-desktop)")
    parser.add_argument("--site", default=os.path.join(root, "build-web", "site"),
                        help="the built site (build-web/site)")
    args = parser.parse_args()
    if args.minutes <= 0:
        parser.error("--minutes takes a number above 0")
    os.makedirs(args.out, exist_ok=True)
    report = []
    page = None
    if args.only != "desktop":
        page = subprocess.Popen(["node", os.path.join(here, "soak-page.mjs"), args.site,
                                 "--minutes", str(args.minutes), "--csv", os.path.join(args.out, "page.csv")],
                                stdout=subprocess.PIPE, text=True)
    if args.only != "page":
        soak_desktop(args, args.out, report)
    status = 0
    if page is not None:
        report.extend(page.stdout.read().rstrip("\n").split("\n"))
        status = page.wait()
    # Past the first minutes, in which code is compiled and caches fill.
    if args.minutes >= 10:
        for name in ("desktop", "page"):
            path = os.path.join(args.out, f"{name}.csv")
            if args.only not in (None, name) or not os.path.exists(path):
                continue
            with open(path) as f:
                rows = [tuple(float(v) for v in line.split(",")) for line in f.readlines()[1:]]
            later = [r for r in rows if r[0] >= 300]
            report.append(f"{name}: from minute 5 on, {later[-1][1] - later[0][1]:+.0f} bytes, "
                          f"{slope(later):.3f} bytes a tick (least squares) over "
                          f"{later[-1][2] - later[0][2]:.0f} ticks")
    text = "\n".join(report) + "\n"
    sys.stdout.write(text)
    with open(os.path.join(args.out, "report.txt"), "w") as f:
        f.write(text)
    # (Debian's python3, whose matplotlib is python3-matplotlib, where another
    # python3 comes first on the PATH)
    python = "/usr/bin/python3" if os.access("/usr/bin/python3", os.X_OK) else sys.executable
    plotted = subprocess.run([python, os.path.join(here, "soak-plot.py"), args.out,
                              os.path.join(args.out, "soak.png")], check=False)
    return status or plotted.returncode


if __name__ == "__main__":
    sys.exit(main())
