#!/usr/bin/python3
"""Plots the flicker's tick gaps over a full show of the desktop program.

    scripts/measure/plot-tick-gaps.py [--build DIR] [--pictures default,big] [--steps N] OUT.png
    scripts/measure/plot-tick-gaps.py --replot OUT.png

Runs the program with a timestamp per handler (the build's tools/show_probe) on
a private Xvfb display, as scripts/measure/show.py does, once for each picture
(the default one; "big", a 4000 x 3000 one): clicks the picture, and keeps every
flicker tick and step from the click to the end of the show (about 110 s of
real time each). The ticks go to OUT.csv (picture, ms after the click, kind;
and the machine's 1-minute load average before and after the run, as "load"),
the show's end and its flicker period, from the build's window.json, as "end"
and "period"), the plot to OUT.png: each gap between two flicker ticks at its
time, the steps marked. --steps N stops each run at step N (a short run). --replot draws
OUT.png again from OUT.csv without running anything.
Needs a desktop build (cmake -S . -B build-desktop -G Ninja -DSHOW_BUILD_QT=ON;
cmake --build build-desktop --target show_probe default_data_files window_json),
Xvfb and xdotool, and Debian's python3-matplotlib
(sh scripts/helpers/install-deps.sh python3-matplotlib).
"""
import argparse
import csv
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import show  # noqa: E402  scripts/measure/show.py: the probe, Xvfb, the big picture

NAMES = {"default": "default picture (400 x 400)", "big": "4000 x 3000 picture"}


def run_show(exe, workdir, display, click_at, schedule, steps):
    """The flicker ticks' and the steps' times after the click, in ms, to step
    `steps`."""
    show_ms = schedule["step_ms"] * steps
    probe = show.Probe(exe, workdir, display)
    try:
        probe.wait_for("painted")
        time.sleep(1.0)
        subprocess.run(["xdotool", "mousemove", *map(str, click_at), "click", "1"],
                       env=dict(os.environ, DISPLAY=display), check=True)
        click = probe.wait_for("Image1Click.start")
        probe.wait_for("Timer1Timer", timeout=show_ms / 1e3 + 30, count=steps)
    finally:
        probe.stop()
    ticks = [t - click for t in probe.times("Timer2Timer") if click < t < click + show_ms]
    return ticks, [t - click for t in probe.times("Timer1Timer.start")][:steps]


def measure(build, pictures, steps, data_path):
    exe = os.path.abspath(os.path.join(build, "tools/show_probe"))
    if not os.access(exe, os.X_OK):
        sys.exit(f"plot-tick-gaps: {exe} is missing: build the show_probe target")
    window = show.read_window(os.path.join(build, "window.json"))
    click_at = show.picture_middle(window)
    schedule = window["schedule"]
    steps = min(steps or schedule["last_step"], schedule["last_step"])
    seconds = (schedule["step_ms"] * steps + 8000) / 1000
    xvfb = show.Xvfb()
    display = xvfb.start()
    work = tempfile.mkdtemp()
    rows = []
    try:
        for name in pictures:
            folder = os.path.join(work, name)
            shutil.copytree(os.path.join(build, "run"), folder, ignore=shutil.ignore_patterns("frames"))
            if name == "big":
                show.write_big_picture(os.path.join(folder, show.picture_file(window)))
                os.sync()  # so writing the file back does not fall inside the show
            print(f"plot-tick-gaps: the show to step {steps}, {NAMES[name]} (about {seconds:.0f} s)",
                  file=sys.stderr)
            load = os.getloadavg()[0]
            ticks, step_times = run_show(exe, folder, display, click_at, schedule, steps)
            # How busy the machine was: the 1-minute load average before and after.
            rows += [(name, f"{value:.2f}", "load") for value in (load, os.getloadavg()[0])]
            rows += [(name, f"{t:.2f}", "tick") for t in ticks]
            rows += [(name, f"{t:.2f}", "step") for t in step_times]
            rows += [(name, f"{schedule['step_ms'] * steps:.2f}", "end"),
                     (name, f"{schedule['flicker_ms']['show']:.2f}", "period")]
    finally:
        shutil.rmtree(work, ignore_errors=True)
        xvfb.stop()
    with open(data_path, "w", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(["picture", "ms_after_click", "kind"])
        writer.writerows(rows)
    print(f"wrote {data_path}")


def read_data(path):
    runs = {}
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            run = runs.setdefault(row["picture"],
                                  {"tick": [], "step": [], "load": [], "end": [], "period": []})
            run[row["kind"]].append(float(row["ms_after_click"]))
    return runs


def plot(runs, out):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, axes = plt.subplots(len(runs), 1, figsize=(9, 0.6 + 2.6 * len(runs)), sharex=True,
                             squeeze=False)
    for ax, (name, run) in zip(axes[:, 0], runs.items()):
        ticks = sorted(run["tick"])
        gaps = [b - a for a, b in zip(ticks, ticks[1:])]
        end, period = run["end"][0], run["period"][0]
        due = int((end - 1) // period)
        for step in run["step"]:
            ax.axvline(step / 1000, color="#cccccc", linewidth=0.6, zorder=0)
        ax.axhline(period, color="#55a868", linewidth=1, label=f"the period, {period:g} ms")
        ax.plot([t / 1000 for t in ticks[1:]], gaps, ".", markersize=2.5, color="#4c72b0",
                label="gap before each tick")
        worst = max(range(len(gaps)), key=gaps.__getitem__)
        at = ticks[worst + 1] / 1000
        ax.annotate(f"{gaps[worst]:.1f} ms", (at, gaps[worst]), xytext=(6 if at < 80 else -6, -3),
                    textcoords="offset points", fontsize=8, ha="left" if at < 80 else "right")
        load = run["load"]
        busy = f"; load average {min(load):.1f}–{max(load):.1f}" if load else ""
        ax.set_title(f"{NAMES.get(name, name)}: {len(ticks)} of {due} ticks, gaps "
                     f"{min(gaps):.1f} to {max(gaps):.1f} ms{busy}", fontsize=9, loc="left")
        ax.set_ylabel("gap (ms)")
        ax.set_ylim(0, max(60, max(gaps) * 1.15))
    steps = max(len(run["step"]) for run in runs.values())
    axes[-1, 0].set_xlabel(f"seconds after the click (grey lines: the {steps} steps)")
    axes[-1, 0].set_xlim(0, max(run["end"][0] for run in runs.values()) / 1000 + 1)
    handles, labels = axes[0, 0].get_legend_handles_labels()
    fig.suptitle(f"The desktop program's flicker from the click to step {steps} (Xvfb, no sound device)",
                 fontsize=10, x=0.01, ha="left")
    fig.tight_layout(rect=(0, 0, 1, 0.97))
    fig.legend(handles, labels, loc="upper right", ncol=2, fontsize=8, frameon=False)
    fig.savefig(out, dpi=110)
    print(f"wrote {out}")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out", metavar="OUT.png")
    parser.add_argument("--build", default="build-desktop", help="the build with show_probe")
    parser.add_argument("--pictures", default="default,big",
                        help="which runs: default, big, as a list (default,big)")
    parser.add_argument("--steps", type=int, metavar="N",
                        help="each run only to step N (a short run); the whole show by default")
    parser.add_argument("--replot", action="store_true", help="draw again from OUT.csv")
    args = parser.parse_args()
    data_path = os.path.splitext(args.out)[0] + ".csv"
    if not args.replot:
        pictures = args.pictures.split(",")
        if any(p not in NAMES for p in pictures):
            parser.error(f"unknown picture in --pictures {args.pictures}")
        if args.steps is not None and args.steps < 1:
            parser.error("--steps takes a step number of 1 or more")
        measure(args.build, pictures, args.steps, data_path)
    elif not os.path.isfile(data_path):
        parser.error(f"--replot needs {data_path}")
    plot(read_data(data_path), args.out)


if __name__ == "__main__":
    main()
