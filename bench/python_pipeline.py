"""The Python module's analysis of 100,000 specimens of 30 landmarks against
the same steps written in NumPy.

varnok: superimpose (consensus and partial Procrustes fit), shape_variables
(partial warps and uniform components) and pca, from an (N, L, 2) array.
NumPy: the same consensus iteration and fit, the specimens projected onto
the eigenvectors of the reference's bending energy (the partial warps'
work), and the PCA of the projections, written as a NumPy user would.

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
    return varnok.pca(varnok.shape_variables(fit)).eigenvalues


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
    sv = np.hstack([fitted.real @ warps, fitted.imag @ warps])
    return np.linalg.eigvalsh(np.cov(sv, rowvar=False))[::-1]


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
    print(f"{n} x {landmarks}, best of 5 (wall / CPU s): varnok {module[0]:.3f} / {module[1]:.3f}, "
          f"NumPy {plain[0]:.3f} / {plain[1]:.3f}; load average {os.getloadavg()[0]:.1f}")


if __name__ == "__main__":
    main()
