#!/usr/bin/env python3
"""Plots memory over a soak run (scripts/measure/soak.py): the desktop
program's resident memory and the page's heap after a forced collection,
each against the minutes of its run, from OUT/desktop.csv and OUT/page.csv.

    scripts/measure/soak-plot.py OUT PNG

Needs matplotlib (Debian's python3-matplotlib).
"""
import csv
import os
import sys


def read(path):
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f))
    return [float(r["seconds"]) / 60 for r in rows], [int(r["bytes"]) for r in rows]


def main():
    if len(sys.argv) != 3 or sys.argv[1] in ("-h", "--help"):
        print(__doc__.split("\n\n")[1].strip(), file=sys.stderr if len(sys.argv) != 2 else sys.stdout)
        return 0 if len(sys.argv) == 2 else 2
    out, png = sys.argv[1:]
    try:
        import matplotlib

        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("soak-plot: matplotlib is missing (apt-get install python3-matplotlib): no plot", file=sys.stderr)
        return 1
    runs = [(name, os.path.join(out, f"{key}.csv")) for key, name in
            (("desktop", "desktop program: resident memory"), ("page", "page: heap after a forced collection"))]
    runs = [(name, path) for name, path in runs if os.path.exists(path)]
    if not runs:
        print(f"soak-plot: no desktop.csv or page.csv in {out}", file=sys.stderr)
        return 1
    figure, axes = plt.subplots(len(runs), 1, figsize=(7, 2.6 * len(runs)), squeeze=False)
    for axis, (name, path) in zip(axes[:, 0], runs):
        minutes, values = read(path)
        axis.plot(minutes, [v / 1024 for v in values], marker=".", linewidth=1)
        axis.set_title(name, fontsize=10)
        axis.set_xlabel("minutes")
        axis.set_ylabel("KiB")
        low, high = min(values) / 1024, max(values) / 1024
        margin = max((high - low) * 0.5, high * 0.02)
        axis.set_ylim(low - margin, high + margin)
        axis.grid(alpha=0.3)
    figure.tight_layout()
    figure.savefig(png, dpi=90)
    print(f"soak-plot: wrote {png}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
