"""Geometric morphometrics of 2-D landmarks: Varnok's analysis on NumPy arrays.

The functions read landmark files, superimpose the specimens, compute the
shape variables (partial warps and uniform components), their principal
components and the statistics, with the routines the Varnok program runs, so
the numbers are the program's.

    >>> import varnok
    >>> d = varnok.read_landmarks("examples/gorilla.txt")
    >>> fit = varnok.superimpose(d)
    >>> sv = varnok.shape_variables(fit)
    >>> p = varnok.pca(sv)

Arrays come back as float64 in C order. Bad input raises ValueError with the
program's message, a file that cannot be opened OSError. Long work runs
without the GIL (other threads go on) and stops at Ctrl-C with
KeyboardInterrupt.
"""

from __future__ import annotations

import os
import shutil
import subprocess
from dataclasses import dataclass, field
from pathlib import Path
from typing import Optional, Sequence, Union

import numpy as np

from . import _core

__all__ = [
    "Landmarks",
    "Superimposition",
    "PCA",
    "ProcrustesAnova",
    "ShapeRegression",
    "CanonicalVariates",
    "Outliers",
    "read_landmarks",
    "read_sliders",
    "superimpose",
    "shape_variables",
    "pca",
    "procrustes_anova",
    "shape_regression",
    "canonical_variates",
    "find_outliers",
    "DeformationGrid",
    "deformation_grid",
    "run_script",
]


def _rows(coords: np.ndarray, centroid_size: np.ndarray) -> np.ndarray:
    """The program's rows from (N, L, 2) coordinates and N sizes."""
    n = coords.shape[0]
    out = np.empty((n, 2 * coords.shape[1] + 1))
    out[:, :-1] = coords.reshape(n, -1)
    out[:, -1] = centroid_size
    return out


def _sliders(sliders) -> list:
    a = np.asarray(sliders if sliders is not None else [], dtype=np.int64)
    if a.size == 0:
        return []
    if a.ndim != 2 or a.shape[1] != 3:
        raise ValueError(
            "The sliders must be rows of three point numbers (before, point, after), "
            f"not an array of shape {a.shape}."
        )
    return [tuple(int(v) for v in r) for r in a]


@dataclass
class Landmarks:
    """Landmark data as read from a file.

    coords: (N, L, 2) the points of each specimen: its landmarks, then the
        points of its curves when the file has curves.
    centroid_size: (N,) the size column of the data (computed for TPS and NTS
        files without one).
    ids: the specimen names the file gives (TPS ID= or IMAGE=, NTS row
        labels); empty when it names none.
    sliders: (S, 3) 0-based point numbers (before, point, after) of the
        points that slide along their curves; empty without curves.
    format: "plain", "tps" or "nts".
    landmarks: the points before the curves' (L without curves).
    notes: what the reader left out, as the program's console says it.
    """

    coords: np.ndarray
    centroid_size: np.ndarray
    ids: list = field(default_factory=list)
    sliders: np.ndarray = field(default_factory=lambda: np.zeros((0, 3), dtype=np.int64))
    format: str = "plain"
    landmarks: int = 0
    notes: list = field(default_factory=list)

    @property
    def rows(self) -> np.ndarray:
        """(N, 2L+1) the program's layout: x1 y1 ... xL yL CS per specimen."""
        return _rows(self.coords, self.centroid_size)


@dataclass
class Superimposition:
    """Specimens superimposed onto a reference.

    coords: (N, L, 2) the fitted specimens.
    centroid_size: (N,) the specimens' sizes before the fit.
    reference: (L, 2) the form they were fitted onto (the consensus, rounded
        to four decimals as the program rounds it, or the mean of the
        registered specimens for the baseline registrations).
    method: the method of superimpose().
    sliding_ss: the summed squared distances from the reference after each
        round of sliding; empty when no point slides.
    """

    coords: np.ndarray
    centroid_size: np.ndarray
    reference: np.ndarray
    method: str
    sliding_ss: list = field(default_factory=list)
    _reference_row: Optional[np.ndarray] = field(default=None, repr=False)

    @property
    def rows(self) -> np.ndarray:
        """(N, 2L+1) the program's layout: x1 y1 ... xL yL CS per specimen."""
        return _rows(self.coords, self.centroid_size)


@dataclass
class PCA:
    """Principal components of the shape variables, largest eigenvalue first.

    scores: (N, V) each specimen's shape variables times the eigenvectors,
        not centred (as the program scores them); column 0 is PC 1.
    eigenvalues: (V,) variances along the axes, largest first.
    vectors: (V, V) unit eigenvectors as columns, each signed so that its
        component of largest magnitude is positive.
    explained: (V,) each eigenvalue's share of their sum.
    total_variance: the trace of the covariance matrix (the program's
        "SS distance/(n-1)").
    """

    scores: np.ndarray
    eigenvalues: np.ndarray
    vectors: np.ndarray
    explained: np.ndarray
    total_variance: float


@dataclass
class ProcrustesAnova:
    """Procrustes ANOVA of shape on groups (Goodall's F).

    pairs: (a, b, D, p_perm) for every two group codes a < b: the Procrustes
    distance between their mean shapes and its permutation p-value.
    """

    N: int
    k: int
    ss_groups: float
    ss_residual: float
    ss_total: float
    df_groups: float
    df_residual: float
    ms_groups: float
    ms_residual: float
    r2: float
    F: float
    p_param: float
    p_perm: float
    permutations: int
    seed: int
    pairs: list


@dataclass
class ShapeRegression:
    """Multivariate regression of shape on log centroid size.

    coefficients: (V,) shape change per unit of ln CS; scores: (N,) each
    specimen's projection on it. pooled: fitted within groups.
    """

    pooled: bool
    N: int
    coefficients: np.ndarray
    ss_predicted: float
    ss_residual: float
    ss_total: float
    df_model: float
    df_residual: float
    r2: float
    F: float
    p_perm: float
    permutations: int
    seed: int
    scores: np.ndarray


@dataclass
class CanonicalVariates:
    """Canonical variates of the groups on the first q principal axes.

    distances: (a, b, D, p_perm) Mahalanobis distances between group means.
    assigned: each specimen's group by leave-one-out classification;
    confusion: (k, k) counts, rows the true group, columns the assigned.
    """

    N: int
    k: int
    q: int
    codes: list
    axes: np.ndarray
    group_means: np.ndarray
    pooled_covariance: np.ndarray
    distances: list
    eigenvalues: np.ndarray
    coefficients: np.ndarray
    scores: np.ndarray
    assigned: list
    confusion: np.ndarray
    percent_correct: list
    overall_percent: float
    permutations: int
    seed: int


@dataclass
class Outliers:
    """Procrustes distances of the specimens from the mean shape.

    order: specimens (0-based) by distance, largest first; above: those
    beyond the fence Q3 + 1.5 (Q3 - Q1), largest first.
    """

    distances: np.ndarray
    order: list
    q1: float
    q3: float
    fence: float
    above: list


def read_landmarks(
    path: Union[str, os.PathLike], *, curves: bool = True, slide_ends: bool = False
) -> Landmarks:
    """Reads a landmark file: plain (one specimen a line, x1 y1 ... xL yL CS),
    TPS or NTS, told apart by content as the program does.

    curves: read a TPS file's CURVES= and OUTLINES= points after the
        landmarks, as semilandmarks that slide (otherwise they are skipped).
    slide_ends: the ends of open curves slide too.

    Raises OSError when the file cannot be opened, ValueError (naming the
    file and the line) when it is malformed.
    """
    d = _core.read_landmarks(os.fspath(path), curves, slide_ends)
    if d["coords"].shape[0] == 0:
        raise ValueError(f"{os.fspath(path)} holds no landmark data.")
    sliders = np.asarray(d["sliders"], dtype=np.int64).reshape(-1, 3)
    return Landmarks(
        coords=d["coords"],
        centroid_size=d["centroid_size"],
        ids=list(d["ids"]),
        sliders=sliders,
        format=d["format"],
        landmarks=int(d["landmarks"]),
        notes=list(d["notes"]),
    )


def read_sliders(path: Union[str, os.PathLike], points: int) -> np.ndarray:
    """Reads a sliders file for data of `points` points: one slider a line,
    three 1-based point numbers "before slider after". Returns (S, 3) 0-based
    point numbers, as Landmarks.sliders holds them.

    Raises OSError when the file cannot be opened, ValueError when a line
    is not a usable slider.
    """
    return np.asarray(_core.read_sliders(os.fspath(path), int(points)), dtype=np.int64).reshape(
        -1, 3
    )


def _as_coords(data) -> tuple:
    """The coordinates, the centroid sizes (None: computed from them) and
    the sliders of data (Landmarks, a Superimposition or an (N, L, 2)
    array)."""
    if isinstance(data, (Landmarks, Superimposition)):
        own = data.sliders if isinstance(data, Landmarks) else None
        return _float64(data.coords), _float64(data.centroid_size), own
    a = _float64(data)
    if a.ndim != 3 or a.shape[2] != 2:
        raise ValueError(
            f"The landmark data must be an (N, L, 2) array, not one of shape {a.shape}."
        )
    return a, None, None


def _float64(a) -> np.ndarray:
    return np.ascontiguousarray(a, dtype=np.float64)


def _reference_row(reference, landmarks: int) -> Optional[np.ndarray]:
    if reference is None:
        return None
    r = np.asarray(reference, dtype=np.float64)
    if r.ndim != 2 or r.shape[1] != 2:
        raise ValueError(f"The reference must be an (L, 2) array, not one of shape {r.shape}.")
    if r.shape[0] != landmarks:
        raise ValueError(
            f"The reference has {r.shape[0]} landmarks and the data {landmarks}; "
            "give a reference of the same landmarks."
        )
    return np.append(r.reshape(-1), 1.0)


_METHODS = ("procrustes", "baseline", "sliding_baseline", "resistant")
_SLIDES = ("bending_energy", "procrustes")


def superimpose(
    data,
    method: str = "procrustes",
    reference=None,
    sliders=None,
    slide: str = "bending_energy",
    b1: int = 1,
    b2: int = 2,
    rounds: int = 5,
) -> Superimposition:
    """Superimposes the specimens of data (Landmarks or an (N, L, 2) array).

    method:
      "procrustes": partial Procrustes fit (centred, unit centroid size,
          rotated) onto the consensus of the data, as the program's analysis;
      "baseline": landmark b1 to (0, 0), landmark b2 to (1, 0);
      "sliding_baseline": the baseline registration slid along the baseline
          until the centroid's x is 0, then scaled to unit centroid size;
      "resistant": each specimen fitted onto the consensus by the resistant
          fit of repeated medians (Siegel and Benson 1982).
    reference: (L, 2) a form to fit onto instead of the consensus (centred
        and scaled to unit size first); Procrustes and resistant fits only.
    sliders: (S, 3) 0-based (before, point, after) of points that slide
        along their curves after a Procrustes fit; None takes the data's own
        (Landmarks.sliders), an empty list slides nothing.
    slide: "bending_energy" or "procrustes" (distance): what sliding
        minimises.
    rounds: at most this many rounds of sliding and fitting again (1 to 50).

    Raises ValueError with the program's message for data it cannot
    analyse (fewer than 2 specimens or 3 landmarks, coinciding landmarks,
    values that are not finite, a bad baseline).
    """
    if method not in _METHODS:
        raise ValueError(f"method must be one of {', '.join(_METHODS)}, not {method!r}.")
    if slide not in _SLIDES:
        raise ValueError(f"slide must be one of {', '.join(_SLIDES)}, not {slide!r}.")
    coords, sizes, own = _as_coords(data)
    landmarks = coords.shape[1]
    chosen = _sliders(own if sliders is None else sliders)
    if method in ("baseline", "sliding_baseline"):
        if reference is not None:
            raise ValueError("A baseline registration takes no reference.")
        if chosen:
            raise ValueError("Points slide only after a Procrustes superimposition.")
        out = _core.baseline(coords, sizes, float(b1), float(b2), method == "sliding_baseline")
    elif method == "resistant":
        if chosen:
            raise ValueError("Points slide only after a Procrustes superimposition.")
        out = _core.resistant(coords, sizes, _reference_row(reference, landmarks))
    else:
        out = _core.procrustes(
            coords,
            sizes,
            _reference_row(reference, landmarks),
            chosen,
            slide == "procrustes",
            int(rounds),
        )
    ref = out["reference"]
    return Superimposition(
        coords=out["coords"],
        centroid_size=out["centroid_size"],
        reference=np.ascontiguousarray(ref[:-1]).reshape(-1, 2),
        method=method,
        sliding_ss=list(out.get("sliding_ss", [])),
        _reference_row=ref,
    )


def shape_variables(fit: Superimposition) -> np.ndarray:
    """The shape variables of a Procrustes (or resistant) superimposition:
    (N, 2L-4) the partial-warp scores pw1x pw1y ... in descending order of
    bending energy, then the two uniform components, in the program's order
    (its saved shape variables without their last column, the centroid
    size, which stays in fit.centroid_size).
    """
    if not isinstance(fit, Superimposition):
        raise ValueError("shape_variables takes the result of superimpose().")
    if fit.method in ("baseline", "sliding_baseline"):
        raise ValueError(
            "The shape variables are computed from a Procrustes or resistant superimposition, "
            f"not a {fit.method.replace('_', ' ')} registration."
        )
    ref = fit._reference_row
    if ref is None:
        ref = np.append(fit.reference.reshape(-1), 1.0)
    return _core.shape_variables(ref, _float64(fit.coords), _float64(fit.centroid_size))


def pca(shape_variables: np.ndarray, *, axes_from: Optional[int] = None) -> PCA:
    """Principal components of the shape variables ((N, V) array), as the
    program computes them: covariance of the centred variables, eigenvectors
    signed so that their largest component is positive, every specimen
    scored without centring. Results run from the largest eigenvalue.

    axes_from: take the axes from the first axes_from specimens only
        (at least 2) and score all of them.
    """
    out = _core.pca(np.asarray(shape_variables, dtype=np.float64), int(axes_from or 0))
    return PCA(**out)


def _group_codes(groups) -> list:
    """Whole-number codes of groups; other labels are numbered 1, 2, ... in
    sorted order."""
    g = np.asarray(groups)
    if g.ndim != 1:
        raise ValueError(f"The groups must be one code per specimen, not an array of shape {g.shape}.")
    if g.dtype.kind in "iu":
        return [int(v) for v in g]
    if g.dtype.kind == "f":
        if not np.all(np.isfinite(g)) or not np.all(g == np.floor(g)):
            raise ValueError("Numeric group codes must be whole numbers.")
        return [int(v) for v in g]
    labels = sorted(set(g.tolist()))
    number = {label: i + 1 for i, label in enumerate(labels)}
    return [number[v] for v in g.tolist()]


def procrustes_anova(
    shape_variables: np.ndarray, groups: Sequence, permutations: int = 999, seed: int = 1
) -> ProcrustesAnova:
    """Procrustes ANOVA of shape on groups: sums of squares in squared
    Procrustes distance, Goodall's F with its parametric p, a permutation p
    from `permutations` rearrangements of the group codes (the stream of
    `seed`, so a seed repeats), and the Procrustes distances between the
    group means, tested on the same rearrangements.

    groups: one code per specimen (whole numbers, or labels numbered in
    sorted order).
    """
    out = _core.procrustes_anova(
        np.asarray(shape_variables, dtype=np.float64),
        _group_codes(groups),
        int(permutations),
        int(seed),
    )
    return ProcrustesAnova(**out)


def shape_regression(
    shape_variables: np.ndarray,
    centroid_size: np.ndarray,
    groups: Optional[Sequence] = None,
    permutations: int = 999,
    seed: int = 1,
) -> ShapeRegression:
    """Regression of shape on the natural log of centroid size (allometry),
    pooled within groups when groups are given, with a permutation p."""
    out = _core.shape_regression(
        np.asarray(shape_variables, dtype=np.float64),
        np.asarray(centroid_size, dtype=np.float64),
        None if groups is None else _group_codes(groups),
        int(permutations),
        int(seed),
    )
    return ShapeRegression(**out)


def canonical_variates(
    shape_variables: np.ndarray,
    groups: Sequence,
    axes: int = 0,
    permutations: int = 999,
    seed: int = 1,
) -> CanonicalVariates:
    """Canonical variates analysis of the groups on the first `axes`
    principal axes (0: as many as the data allow), Mahalanobis distances
    between the group means with permutation p-values, and leave-one-out
    classification."""
    out = _core.canonical_variates(
        np.asarray(shape_variables, dtype=np.float64),
        _group_codes(groups),
        int(axes),
        int(permutations),
        int(seed),
    )
    return CanonicalVariates(**out)


def find_outliers(shape_variables: np.ndarray) -> Outliers:
    """The Procrustes distance of every specimen from the mean shape, and
    those beyond Q3 + 1.5 (Q3 - Q1)."""
    return Outliers(**_core.find_outliers(np.asarray(shape_variables, dtype=np.float64)))


@dataclass
class DeformationGrid:
    """A deformation grid: the thin-plate spline from the reference onto the
    target, evaluated on a regular grid over the reference.

    reference, target: (L, 2) the landmarks of the two forms.
    x, y: (columns, rows) the grid's nodes; x[i, j] runs with i, y[i, j]
        with j, a step apart.
    deformed_x, deformed_y: the nodes mapped by the spline.
    step: the grid's spacing.
    """

    reference: np.ndarray
    target: np.ndarray
    x: np.ndarray
    y: np.ndarray
    deformed_x: np.ndarray
    deformed_y: np.ndarray
    step: float


def deformation_grid(
    reference: np.ndarray, shape_change: np.ndarray, density: int = 20, expansion: float = 1.0
) -> DeformationGrid:
    """The numbers of a deformation grid picture: the target is the
    reference ((L, 2), e.g. Superimposition.reference) moved by shape_change
    ((2L-4,) shape variables, e.g. PCA.vectors[:, 0] * 0.1), and a grid of
    `density` steps across the reference's landmarks (widened by the factor
    expansion, as the picture's grid range widens it) is mapped through the
    spline from the reference's landmarks onto the target's, with the
    routines the picture is drawn with.
    """
    ref = np.asarray(reference, dtype=np.float64)
    if ref.ndim != 2 or ref.shape[1] != 2:
        raise ValueError(f"The reference must be an (L, 2) array, not one of shape {ref.shape}.")
    out = _core.deformation_grid(
        np.append(ref.reshape(-1), 1.0),
        np.asarray(shape_change, dtype=np.float64).reshape(-1),
        float(density),
        float(expansion),
    )
    return DeformationGrid(**out)


def _program() -> Optional[str]:
    """The program varnok: VARNOK_PROGRAM, else the one built beside this
    module (build/varnok for build/python/varnok), else the one on PATH."""
    given = os.environ.get("VARNOK_PROGRAM")
    if given:
        if not (os.path.isfile(given) and os.access(given, os.X_OK)):
            raise RuntimeError(f"VARNOK_PROGRAM names {given}, which is not a program.")
        return given
    beside = Path(__file__).resolve().parents[2] / "varnok"
    if beside.is_file() and os.access(beside, os.X_OK):
        return str(beside)
    return shutil.which("varnok")


def run_script(path: Union[str, os.PathLike], cwd: Union[str, os.PathLike, None] = None) -> str:
    """Runs a session script as `varnok --script FILE` does (the module has no
    window of its own, so the program runs it, headless) and returns what it
    printed. Files the script names are found from cwd (default: the current
    folder). A step the program refuses is reported in that output, as script
    mode reports it, and the script goes on. Raises OSError when the script
    cannot be read and RuntimeError when the program is not found (set
    VARNOK_PROGRAM) or stops, with what it printed.
    """
    script = Path(os.fspath(path))
    if not script.is_file():
        raise FileNotFoundError(f"Cannot open the script {os.fspath(path)}.")
    program = _program()
    if program is None:
        raise RuntimeError(
            "Script mode needs the program varnok, which was not found: install it, build it "
            "(scripts/build), or set VARNOK_PROGRAM to it."
        )
    env = dict(os.environ)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    done = subprocess.run(
        [program, "--script", str(script.resolve())],
        cwd=cwd,
        env=env,
        stdout=subprocess.PIPE,
        stderr=subprocess.STDOUT,
        text=True,
        errors="replace",
    )
    if done.returncode != 0:
        raise RuntimeError(
            f"varnok --script {os.fspath(path)} stopped (exit status {done.returncode}):\n"
            + done.stdout
        )
    return done.stdout
