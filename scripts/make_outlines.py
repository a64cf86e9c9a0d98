#!/usr/bin/python3
"""Writes a small made-up outline study: leaves with a closed outline.

    scripts/make_outlines.py FOLDER

writes FOLDER/leaves.tps (30 leaves, ID=L01 ...: 4 landmarks, the tip, the
base and the two ends of the widest part, then OUTLINES=1 with 40 points of
the leaf's edge, evenly spaced in angle but not in length, as digitising
software leaves them), FOLDER/leaves_groups.txt (1 narrow, 2 broad) and
FOLDER/leaves_group_names.txt. Each leaf is turned, scaled and moved, with a
little digitising noise. The same seed gives the same files every time.
"""
import math
import os
import random
import sys

COUNT = 30
OUTLINE = 40


def leaf(width, tip_bend, rng):
    """The leaf's edge at angle t: a pointed ellipse, wider towards the base."""

    def edge(t):
        x = 50 * math.cos(t)
        y = width * math.sin(t) * (1 - 0.35 * math.cos(t)) ** 1.2
        return x, y + tip_bend * (x / 50) ** 2

    landmarks = [edge(0), edge(math.pi), edge(math.pi / 2), edge(-math.pi / 2)]
    outline = [edge(2 * math.pi * (k + 0.5) / OUTLINE + 0.04 * rng.uniform(-1, 1))
               for k in range(OUTLINE)]
    return landmarks + outline


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(18)
    tps, groups = [], []
    for n in range(1, COUNT + 1):
        group = 1 if n <= COUNT // 2 else 2
        width = (14 if group == 1 else 21) + rng.gauss(0, 1.5)
        points = leaf(width, rng.gauss(0, 3), rng)
        angle, scale = rng.uniform(-0.4, 0.4), rng.uniform(0.8, 1.3)
        dx, dy = rng.uniform(100, 200), rng.uniform(100, 200)
        moved = []
        for x, y in points:
            x, y = x + rng.gauss(0, 0.3), y + rng.gauss(0, 0.3)
            moved.append((scale * (math.cos(angle) * x - math.sin(angle) * y) + dx,
                          scale * (math.sin(angle) * x + math.cos(angle) * y) + dy))
        tps.append("LM=4")
        tps += [f"{x:.2f} {y:.2f}" for x, y in moved[:4]]
        tps += ["OUTLINES=1", f"POINTS={OUTLINE}"]
        tps += [f"{x:.2f} {y:.2f}" for x, y in moved[4:]]
        tps.append(f"ID=L{n:02d}")
        groups.append(str(group))
    with open(os.path.join(folder, "leaves.tps"), "w") as f:
        f.write("\n".join(tps) + "\n")
    with open(os.path.join(folder, "leaves_groups.txt"), "w") as f:
        f.write("\n".join(groups) + "\n")
    with open(os.path.join(folder, "leaves_group_names.txt"), "w") as f:
        f.write("narrow\nbroad\n")


if __name__ == "__main__":
    main()
