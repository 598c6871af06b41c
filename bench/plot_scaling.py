#!/usr/bin/env python3
"""plot_scaling.py DATA PNG: draws the scaling curves that compare.py wrote
(blocks of "n<TAB>ns" lines, each headed "# family<TAB>label") with
matplotlib: the time of one operation over n, and the time per element, on
logarithmic axes. A linear operation has a flat time per element."""

import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def read(path):
    curves, label, points = [], None, []
    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("# "):
                if label and points:
                    curves.append((label, points))
                label, points = line[2:].split("\t", 1)[1], []
            elif line.strip():
                n, t = line.split("\t")
                points.append((int(n), float(t)))
    if label and points:
        curves.append((label, points))
    return curves


def main():
    data, png = sys.argv[1], sys.argv[2]
    curves = read(data)
    fig, (total, per) = plt.subplots(1, 2, figsize=(12, 4.8))
    for label, points in curves:
        ns = [n for n, _ in points]
        ts = [t for _, t in points]
        total.loglog(ns, ts, marker="o", label=label)
        per.semilogx(ns, [t / n for n, t in points], marker="o", label=label)
    total.set_xlabel("n (entries, members or names)")
    total.set_ylabel("ns per operation")
    total.set_title("time of one operation")
    per.set_xlabel("n")
    per.set_ylabel("ns per element")
    per.set_yscale("log")
    per.set_title("time per element (flat = linear)")
    for axes in (total, per):
        axes.grid(True, which="both", alpha=0.3)
    total.legend(fontsize=8)
    fig.tight_layout()
    fig.savefig(png, dpi=100)
    return 0


if __name__ == "__main__":
    sys.exit(main())
