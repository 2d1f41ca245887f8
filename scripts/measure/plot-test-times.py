#!/usr/bin/python3
"""Draws the test parts' times from saved ./test.sh outputs, one panel a run.

    scripts/measure/plot-test-times.py OUT.png [LABEL=]OUTPUT...

Each OUTPUT is what ./test.sh printed (./test.sh | tee FILE), or the log of
scripts/test-fresh-debian.sh (build-fresh/SUITE/test.log). Of it the lines
"=== NAME: passed in N s", "=== NAME: FAILED (...) after N s" and
"=== all passed in N s" (or "=== passed but for ... in N s") are read; everything else is skipped. Each panel shows
./test.sh's lanes, side by side as they run, each part a bar as long as
its time, and the whole run's time. LABEL names the panel (default: the file's
name). Needs Debian's python3-matplotlib
(sh scripts/helpers/install-deps.sh python3-matplotlib).
"""
import argparse
import os
import re
import sys

# ./test.sh's lanes, each a list of parts run one after the other, as its line
# "=== five lanes side by side: desktop; Windows then 32-bit core; ..." says;
# an output without that line had these.
OLD_LANES = [["desktop", "32-bit core"], ["Windows"], ["web", "pictures"], ["release"]]
LANES_LINE = re.compile(r"^=== \w+ lanes side by side: (.+)$")
COLOURS = {"desktop": "#4c72b0", "32-bit core": "#8da0cb", "Windows": "#dd8452",
           "web build": "#8fc79a", "web": "#55a868", "pictures": "#a6d854", "release": "#c44e52",
           "measuring": "#937860"}
PART = re.compile(r"^=== (.+?): (?:passed in (\d+) s|FAILED .* after (\d+) s)")
ALL = re.compile(r"^=== (?:all passed|passed but for .*?|FAILED:.*,) (?:in|after) (\d+) s")


def read_run(path):
    parts, total, failed, lanes = {}, None, set(), OLD_LANES
    with open(path, errors="replace") as f:
        for line in f:
            line = line.strip()
            given = LANES_LINE.match(line)
            if given:
                lanes = [lane.strip().split(" then ") for lane in given.group(1).split(";")]
                continue
            whole = ALL.match(line)
            if whole:
                total = int(whole.group(1))
                continue
            part = PART.match(line)
            if part and part.group(1) in COLOURS:
                seconds = int(part.group(2) or part.group(3))
                parts[part.group(1)] = seconds
                if part.group(3):
                    failed.add(part.group(1))
    return parts, total, failed, lanes


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out", metavar="OUT.png")
    parser.add_argument("outputs", metavar="[LABEL=]OUTPUT", nargs="+")
    args = parser.parse_args()
    runs = []
    for given in args.outputs:
        label, _, path = given.rpartition("=")
        if not os.path.isfile(path):
            parser.error(f"no such file: {path}")
        parts, total, failed, lanes = read_run(path)
        if not parts:
            sys.exit(f"plot-test-times: {path} has no line '=== PART: passed in N s'")
        runs.append((label or os.path.basename(path), parts, total, failed, lanes))

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    longest = max(max([r[2] or 0] + [sum(r[1].get(n, 0) for n in lane) for lane in r[4]])
                  for r in runs)
    per_char = 5.6 * 1.12 * longest / 900  # a label's character at 8 points, in seconds
    fig, axes = plt.subplots(len(runs), 1, figsize=(9, 1.2 + 1.5 * len(runs)), sharex=True,
                             squeeze=False)
    for ax, (label, parts, total, failed, lanes_run) in zip(axes[:, 0], runs):
        lanes = [sum(parts.get(name, 0) for name in lane) for lane in lanes_run]
        # The lanes start once the packages are installed and the layers
        # checked, and the run ends when the last lane does.
        setup = max(0, (total or 0) - max(lanes))
        if setup:
            ax.axvspan(0, setup, color="#dddddd")
        if setup > 14 * per_char:
            ax.text(setup / 2, len(lanes_run) / 2 - 0.5,
                    f"installing packages,\nnpm ci, layer check:\n{setup} s",
                    ha="center", va="center", fontsize=8, color="#555555")
        for row, lane in enumerate(lanes_run):
            start = setup
            outside = []  # labels too long for their bars, after the lane's end
            for name in lane:
                if name not in parts:
                    continue
                seconds = parts[name]
                ax.barh(row, seconds, left=start, color=COLOURS[name], edgecolor="white",
                        hatch="//" if name in failed else None)
                text = f"{name} {seconds} s" + (" FAILED" if name in failed else "")
                if len(text) * per_char + 12 < seconds:
                    ax.text(start + 6, row, text, va="center", ha="left", fontsize=8,
                            color="white")
                else:
                    outside.append(text)
                start += seconds
            if outside:
                ax.text(start + 6, row, ", ".join(outside), va="center", ha="left", fontsize=8)
        if total:
            ax.axvline(total, color="black", linewidth=1)
            ax.text(total, len(lanes_run) - 0.45, f"all: {total} s ", va="bottom", ha="right",
                    fontsize=8)
        ax.set_yticks(range(len(lanes_run)))
        ax.set_yticklabels([f"lane {i + 1}" for i in range(len(lanes_run))], fontsize=8)
        ax.invert_yaxis()
        ax.set_title(label, fontsize=9, loc="left")
        ax.grid(axis="x", alpha=0.3)
    axes[-1, 0].set_xlabel("seconds from the start of ./test.sh")
    axes[-1, 0].set_xlim(0, longest * 1.12)
    fig.suptitle("./test.sh: the test parts' times, its lanes side by side", fontsize=10)
    fig.tight_layout()
    fig.savefig(args.out, dpi=110)
    print(f"wrote {args.out}")


if __name__ == "__main__":
    main()
