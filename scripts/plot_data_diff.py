#!/usr/bin/env python3
"""Lists where two folders of plot-data JSON files differ.

Usage: plot_data_diff.py OLD_DIR NEW_DIR

For every file in either folder, prints each place (a JSON pointer, list
positions shown as *) where the two differ, once per kind of place, with how
often it occurs: a member added or removed, a value changed, a list grown or
shrunk. Numbers equal to within 1e-12 relative count as equal, as in the
snapshot tests. Ends with the set of places over all files.
"""
import json
import os
import sys
from collections import Counter


def same_number(a, b):
    return a == b or abs(a - b) <= 1e-12 * max(1.0, abs(a), abs(b))


def walk(a, b, at, out):
    if isinstance(a, bool) or isinstance(b, bool) or not (
        isinstance(a, (int, float)) and isinstance(b, (int, float))
    ):
        if type(a) is not type(b):
            out[(at, "changed")] += 1
            return
    else:
        if not same_number(a, b):
            out[(at, "changed")] += 1
        return
    if isinstance(a, dict):
        for k in a.keys() | b.keys():
            if k not in b:
                out[(at + "/" + k, "removed")] += 1
            elif k not in a:
                out[(at + "/" + k, "added")] += 1
            else:
                walk(a[k], b[k], at + "/" + k, out)
    elif isinstance(a, list):
        for x, y in zip(a, b):
            walk(x, y, at + "/*", out)
        if len(a) < len(b):
            for y in b[len(a):]:
                kind = y.get("type", "item") if isinstance(y, dict) else "item"
                out[(at + "/* (" + kind + ")", "added")] += 1
        elif len(a) > len(b):
            out[(at + "/*", "removed")] += len(a) - len(b)
    elif a != b:
        out[(at, "changed")] += 1


def main():
    old, new = sys.argv[1], sys.argv[2]
    names = sorted(set(os.listdir(old)) | set(os.listdir(new)))
    total = Counter()
    for name in names:
        if not name.endswith(".json"):
            continue
        po, pn = os.path.join(old, name), os.path.join(new, name)
        if not os.path.exists(po) or not os.path.exists(pn):
            print(f"{name}: only in {'new' if os.path.exists(pn) else 'old'}")
            continue
        with open(po) as f:
            a = json.load(f)
        with open(pn) as f:
            b = json.load(f)
        out = Counter()
        walk(a, b, "", out)
        if out:
            print(name + ":")
            for (place, kind), n in sorted(out.items()):
                print(f"  {kind:8} {place}  x{n}")
            total.update({k: 1 for k in out})
    print("places that differ, over all files (files):")
    for (place, kind), n in sorted(total.items()):
        print(f"  {kind:8} {place}  ({n})")


if __name__ == "__main__":
    main()
