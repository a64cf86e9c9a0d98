"""The Python module's analysis of 100,000 specimens of 30 landmarks against
the same analysis written in NumPy.

varnok: superimpose (consensus and partial Procrustes fit), shape_variables
(partial warps and uniform components) and pca (eigenvalues, eigenvectors
and the scores of every specimen), from an (N, L, 2) array.
NumPy: the same consensus iteration and fit, the specimens projected onto
the eigenvectors of the reference's bending energy (the partial warps) and
onto the two uniform directions, and the PCA of those shape variables with
the scores of every specimen, written as a NumPy user would.

Run: scripts/python bench/python_pipeline.py [N L]. Prints the fastest of
five runs of each, wall clock and CPU time in seconds, and the load average
(figures taken on a busy machine say little).
"""

import os
import sys
import time

import numpy as np

import varnok


def synthetic(n, landmarks, seed=11):
    """A wobbly ellipse plus noise, each specimen turned, scaled and shifted
    (as the C++ benchmarks' files)."""
    rng = np.random.default_rng(seed)
    t = 2 * np.pi * np.arange(landmarks) / landmarks
    base = np.stack([np.cos(t) * (1 + 0.3 * np.sin(3 * t)), 0.7 * np.sin(t)], axis=1)
    x = base + rng.normal(0, 0.03, (n, landmarks, 2))
    a = rng.uniform(-0.5, 0.5, n)[:, None]
    s = rng.uniform(50, 150, n)[:, None, None]
    turned = np.stack([np.cos(a) * x[..., 0] - np.sin(a) * x[..., 1],
                       np.sin(a) * x[..., 0] + np.cos(a) * x[..., 1]], axis=-1)
    return s * turned + rng.uniform(-100, 100, (n, 1, 2))


def with_varnok(x):
    fit = varnok.superimpose(x)
    pca = varnok.pca(varnok.shape_variables(fit))
    return pca.eigenvalues, pca.scores


def rotate_onto(z, ref):
    """Complex coordinates z (N, L) of unit size, each rotated onto ref."""
    inner = z.conj() @ ref
    return z * (inner / np.abs(inner))[:, None]


def with_numpy(x):
    z = x[..., 0] + 1j * x[..., 1]
    z = z - z.mean(axis=1, keepdims=True)
    z = z / np.linalg.norm(z, axis=1, keepdims=True)
    mean = z[0]
    for _ in range(100):
        new = rotate_onto(z, mean).mean(axis=0)
        new /= np.linalg.norm(new)
        done = np.sum(np.abs(new - mean) ** 2) < 7.45e-10
        mean = new
        if done:
            break
    fitted = rotate_onto(z, mean)
    ref = np.stack([mean.real, mean.imag], axis=1)
    d2 = ((ref[:, None, :] - ref[None, :, :]) ** 2).sum(axis=2)
    k = np.where(d2 > 0, d2 * np.log(np.where(d2 > 0, d2, 1)), 0)
    p = np.hstack([np.ones((len(ref), 1)), ref])
    spline = np.block([[k, p], [p.T, np.zeros((3, 3))]])
    bending = np.linalg.inv(spline)[: len(ref), : len(ref)]
    _, vectors = np.linalg.eigh(bending)
    warps = vectors[:, 3:][:, ::-1]
    uniform = uniform_directions(ref)
    fx, fy = np.ascontiguousarray(fitted.real), np.ascontiguousarray(fitted.imag)
    sv = np.hstack([fx @ warps, fy @ warps,
                    fx @ uniform[:, 0::2].T + fy @ uniform[:, 1::2].T - uniform @ ref.reshape(-1)])
    values, axes = np.linalg.eigh(np.cov(sv, rowvar=False))
    scores = sv @ axes[:, ::-1]
    return values[::-1], scores


def uniform_directions(ref):
    """The two unit uniform directions (2, 2L) of a centred reference (L, 2):
    the affine fields in its principal-axes frame, turned back."""
    sxx, syy, sxy = (ref[:, 0] ** 2).sum(), (ref[:, 1] ** 2).sum(), (ref[:, 0] * ref[:, 1]).sum()
    theta = 0.5 * np.arctan2(-2 * sxy, sxx - syy)
    c, s = np.cos(theta), np.sin(theta)
    turn = np.array([[c, -s], [s, c]])
    xp = ref @ turn.T
    alpha, gamma = (xp ** 2).sum(axis=0)
    r = np.sqrt(alpha / gamma)
    fields = [np.stack([xp[:, 1] * r, xp[:, 0] / r], axis=1),
              np.stack([-xp[:, 0] / r, xp[:, 1] * r], axis=1)]
    out = np.stack([(f @ turn).reshape(-1) for f in fields])
    return out / np.linalg.norm(out, axis=1, keepdims=True)


def best(work, x, runs=5):
    """The fastest of runs, wall clock and CPU time (all threads)."""
    wall, cpu = [], []
    for _ in range(runs):
        start, start_cpu = time.perf_counter(), time.process_time()
        work(x)
        wall.append(time.perf_counter() - start)
        cpu.append(time.process_time() - start_cpu)
    return min(wall), min(cpu)


def main():
    n, landmarks = (int(a) for a in sys.argv[1:3]) if len(sys.argv) >= 3 else (100000, 30)
    x = synthetic(n, landmarks)
    module = best(with_varnok, x)
    plain = best(with_numpy, x)
    # The two compute the same eigenvalues (the consensus's stopping rules
    # differ a little, hence the tolerance).
    a, b = with_varnok(x)[0], with_numpy(x)[0]
    agree = np.max(np.abs(a - b)) / a[0]
    assert agree < 1e-6, f"the eigenvalues differ by {agree:.2g} of the largest"
    print(f"{n} x {landmarks}, best of 5 (wall / CPU s): varnok {module[0]:.3f} / {module[1]:.3f}, "
          f"NumPy {plain[0]:.3f} / {plain[1]:.3f}; load average {os.getloadavg()[0]:.1f}")


if __name__ == "__main__":
    main()
