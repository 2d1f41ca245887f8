#!/usr/bin/python3
"""Plots the show's flashes per second from the tables of scripts/measure/flashes.sh.

    scripts/measure/plot-flashes.py [--clock HHMMSSmmm] FLASHES_DIR OUT.png

FLASHES_DIR is the OUT_DIR of scripts/measure/flashes.sh, which holds one
replay --flashes table a picture and clock (PICTURE-HHMMSSmmm.csv). For each
picture, of the run with the given clock (default 000000000), two panels: the
general and the red flashes in the second up to each frame against the limit
(more than 3 in any one second fails); and the share of the worst 10-degree
field that made a luminance or a red transition against the quarter of a
field at which an area flashes. Needs Debian's
python3-matplotlib (sh scripts/helpers/install-deps.sh python3-matplotlib).
"""
import argparse
import csv
import os
import sys

PICTURES = [("default", "the default picture", "#4c72b0"),
            ("mid-grey", "mid grey (128, 128, 128)", "#555555"),
            ("light-grey", "light grey (230, 230, 230)", "#999933"),
            ("red", "saturated red (255, 0, 0)", "#8c2d04")]


def read_table(path):
    rows = []
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            rows.append({key: (float(value) if key != "luminance_transition" and
                               key != "red_transition" else value)
                         for key, value in row.items()})
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("dir", metavar="FLASHES_DIR")
    parser.add_argument("out", metavar="OUT.png")
    parser.add_argument("--clock", default="000000000", help="which run's clock (HHMMSSmmm)")
    args = parser.parse_args()
    tables = []
    for name, label, colour in PICTURES:
        path = os.path.join(args.dir, f"{name}-{args.clock}.csv")
        if not os.path.isfile(path):
            parser.error(f"no table {path}: run scripts/measure/flashes.sh into {args.dir}")
        tables.append((name, label, colour, read_table(path)))

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    # Per picture two panels, one above the other: its flashes in the second
    # up to each frame, then the share of the worst field that made a transition.
    fig, axes = plt.subplots(2 * len(tables), 1, figsize=(9, 1.0 + 2.3 * len(tables)),
                             sharex=True, gridspec_kw={"height_ratios": [0.8, 1.2] * len(tables)})
    for row, (name, label, colour, rows) in enumerate(tables):
        flashes, shares = axes[2 * row], axes[2 * row + 1]
        seconds = [r["ms"] / 1000 for r in rows]
        flashes.step(seconds, [r["flashes_in_last_second"] for r in rows], where="post",
                     color=colour, linewidth=1.2, label="general")
        flashes.step(seconds, [r["red_flashes_in_last_second"] for r in rows], where="post",
                     color="#c44e52", linewidth=1.0, linestyle="--", label="red")
        flashes.axhline(3, color="black", linewidth=1)
        flashes.text(109.5, 3.1, "more than 3 in any one second fails", fontsize=7,
                     ha="right", va="bottom")
        flashes.set_ylim(0, 4.2)
        flashes.set_yticks([0, 1, 2, 3])
        flashes.set_ylabel("flashes\na second", fontsize=8)
        worst = max(max(r["flashes_in_last_second"], r["red_flashes_in_last_second"])
                    for r in rows)
        flashes.set_title(f"{label}: at most {worst:g} flash in any one second", fontsize=9,
                          loc="left")
        flashes.legend(fontsize=7, loc="upper left", ncol=2, framealpha=0.9)
        shares.plot(seconds, [100 * r["luminance_share"] for r in rows], color=colour,
                    linewidth=0.7, label="luminance transitions")
        if any(r["red_share"] for r in rows):
            shares.plot(seconds, [100 * r["red_share"] for r in rows], color="#c44e52",
                        linewidth=0.7, alpha=0.8, label="red transitions")
        shares.axhline(25, color="black", linewidth=1)
        shares.text(109.5, 27, "a quarter of the field: an area flashes", fontsize=7,
                    ha="right", va="bottom")
        shares.set_ylim(0, 105)
        shares.set_yticks([0, 25, 50, 100])
        shares.set_ylabel("% of the\nworst field", fontsize=8)
        shares.legend(fontsize=7, loc="upper left", ncol=2, framealpha=0.9)
    axes[-1].set_xlabel("seconds of the show (a step every 3 s, the last at 102 s)")
    axes[-1].set_xlim(0, 110)
    fig.suptitle(f"The show's flashes on every frame: replay --flashes, click at 0, clock "
                 f"{args.clock[:2]}:{args.clock[2:4]}:{args.clock[4:6]}.{args.clock[6:]}",
                 fontsize=10)
    fig.tight_layout()
    fig.savefig(args.out, dpi=110)
    print(f"wrote {args.out}")


if __name__ == "__main__":
    sys.exit(main())
