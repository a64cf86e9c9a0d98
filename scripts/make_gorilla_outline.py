#!/usr/bin/python3
"""Writes a made-up outline of gorilla skull 1, to show warped outlines.

    scripts/make_gorilla_outline.py [FILE]

writes FILE (examples/gorilla_outline.txt by default): two strokes in the
coordinates of specimen 1 of examples/gorilla.txt as that file holds them.
The first is a smooth closed curve through the eight landmarks in the order
of the wireframe's ring (1 6 5 4 3 2 8 7), a centripetal Catmull-Rom spline
with 12 points a span; the second a small ellipse inside the skull. Neither
was traced from a skull: they are drawn from the landmarks alone, for the
demonstration of File > Load Outline. The file is the same every time.
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "examples", "gorilla.txt")
RING = [1, 6, 5, 4, 3, 2, 8, 7]
PER_SPAN = 12


def specimen(n):
    with open(DATA) as f:
        row = [float(v) for v in f.read().splitlines()[n - 1].split()]
    return [(row[2 * k], row[2 * k + 1]) for k in range((len(row) - 1) // 2)]


def catmull_rom(p0, p1, p2, p3, t):
    """The point at t in [0, 1] between p1 and p2, centripetal knots."""

    def knot(ti, a, b):
        return ti + math.dist(a, b) ** 0.5

    t0 = 0.0
    t1 = knot(t0, p0, p1)
    t2 = knot(t1, p1, p2)
    t3 = knot(t2, p2, p3)
    u = t1 + (t2 - t1) * t

    def lerp(a, b, ta, tb):
        w = (u - ta) / (tb - ta)
        return tuple((1 - w) * x + w * y for x, y in zip(a, b))

    a1, a2, a3 = lerp(p0, p1, t0, t1), lerp(p1, p2, t1, t2), lerp(p2, p3, t2, t3)
    b1, b2 = lerp(a1, a2, t0, t2), lerp(a2, a3, t1, t3)
    return lerp(b1, b2, t1, t2)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "examples",
                                                             "gorilla_outline.txt")
    lm = specimen(1)
    ring = [lm[k - 1] for k in RING]
    n = len(ring)
    skull = []
    for i in range(n):
        p0, p1, p2, p3 = (ring[(i + j - 1) % n] for j in range(4))
        skull += [catmull_rom(p0, p1, p2, p3, s / PER_SPAN) for s in range(PER_SPAN)]
    skull.append(skull[0])
    # An ellipse about the middle of landmarks 1, 6, 7 and 8, a fifth of the
    # skull's width across.
    cx = sum(lm[k - 1][0] for k in (1, 6, 7, 8)) / 4
    cy = sum(lm[k - 1][1] for k in (1, 6, 7, 8)) / 4
    xs = [p[0] for p in lm]
    r = (max(xs) - min(xs)) / 10
    ellipse = [(cx + r * math.cos(2 * math.pi * k / 24), cy + 0.7 * r * math.sin(2 * math.pi * k / 24))
               for k in range(25)]
    with open(out, "w") as f:
        f.write("# A made-up outline of gorilla skull 1 (specimen 1 of gorilla.txt), in its\n"
                "# coordinates: x y a line, a blank line between strokes.\n")
        f.write("# Made by scripts/make_gorilla_outline.py; not traced from a skull.\n")
        for stroke in (skull, ellipse):
            for x, y in stroke:
                f.write(f"{x:.3f} {y:.3f}\n")
            if stroke is skull:
                f.write("\n")


if __name__ == "__main__":
    main()
