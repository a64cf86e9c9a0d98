#!/usr/bin/python3
"""Writes a small made-up landmark study with a few mirrored specimens.

    scripts/make_mirrored_wings.py FOLDER

writes FOLDER/wings.tps (40 wings of 9 landmarks from three species, each
with ID=W001 ...), FOLDER/wings_groups.txt (the species, 1 to 3) and
FOLDER/wings_group_names.txt. Wings 7, 19 and 33 are written as mirror images
(left wings among right ones), turned and moved like the others, so that
Find Mirrored Specimens, Reflect Specimens and Exclude Specimens have
something to find. The same seed gives the same files every time.
"""
import math
import os
import random
import sys

# A right wing outline: the mean form of species 1, x y per landmark.
MEAN = [(0, 0), (30, 6), (62, 10), (90, 8), (100, 0), (88, -10), (60, -14), (28, -9), (50, -2)]
# How each species differs from it: a shift per landmark.
SPECIES = [
    [(0, 0)] * 9,
    [(0, 0), (0, 3), (0, 5), (-2, 5), (-4, 0), (-2, -5), (0, -5), (0, -3), (0, 0)],
    [(0, 0), (2, -2), (4, -3), (6, -2), (8, 0), (6, 2), (4, 3), (2, 2), (6, 0)],
]
MIRRORED = {7, 19, 33}
COUNT = 40


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(28)
    tps, groups = [], []
    for n in range(1, COUNT + 1):
        species = (n - 1) % 3
        angle = rng.uniform(-0.3, 0.3)
        scale = rng.uniform(0.9, 1.2)
        dx, dy = rng.uniform(50, 150), rng.uniform(50, 150)
        tps.append("LM=%d" % len(MEAN))
        for (x, y), (sx, sy) in zip(MEAN, SPECIES[species]):
            x += sx + rng.gauss(0, 1.2)
            y += sy + rng.gauss(0, 1.2)
            if n in MIRRORED:
                x = -x
            c, s = math.cos(angle), math.sin(angle)
            tps.append("%.2f %.2f" % (dx + scale * (c * x - s * y), dy + scale * (s * x + c * y)))
        tps.append("ID=W%03d" % n)
        groups.append(str(species + 1))
    with open(os.path.join(folder, "wings.tps"), "w") as f:
        f.write("\n".join(tps) + "\n")
    with open(os.path.join(folder, "wings_groups.txt"), "w") as f:
        f.write("\n".join(groups) + "\n")
    with open(os.path.join(folder, "wings_group_names.txt"), "w") as f:
        f.write("Species A\nSpecies B\nSpecies C\n")


if __name__ == "__main__":
    main()
