# The compiled core of the package varnok; the package's functions shape its
# arguments and results. Landmark data are (N, L, 2) coordinates and (N,)
# centroid sizes (None: computed from the coordinates), float64 in C order.
from typing import Any, Dict, List, Optional, Sequence, Tuple

import numpy as np

def read_landmarks(path: str, curves: bool, slide_ends: bool) -> Dict[str, Any]: ...
def read_sliders(path: str, points: int) -> List[Tuple[int, int, int]]: ...
def procrustes(
    coords: np.ndarray,
    centroid_size: Optional[np.ndarray],
    reference: Optional[np.ndarray],
    sliders: Sequence[Tuple[int, int, int]],
    by_procrustes: bool,
    rounds: int,
) -> Dict[str, Any]: ...
def baseline(
    coords: np.ndarray, centroid_size: Optional[np.ndarray], b1: float, b2: float, sliding: bool
) -> Dict[str, Any]: ...
def resistant(
    coords: np.ndarray, centroid_size: Optional[np.ndarray], reference: Optional[np.ndarray]
) -> Dict[str, Any]: ...
def shape_variables(
    reference: np.ndarray, coords: np.ndarray, centroid_size: np.ndarray
) -> np.ndarray: ...
def pca(shape_variables: np.ndarray, rows: int) -> Dict[str, Any]: ...
def procrustes_anova(
    shape_variables: np.ndarray, groups: Sequence[int], permutations: int, seed: int
) -> Dict[str, Any]: ...
def shape_regression(
    shape_variables: np.ndarray,
    centroid_size: np.ndarray,
    groups: Optional[Sequence[int]],
    permutations: int,
    seed: int,
) -> Dict[str, Any]: ...
def canonical_variates(
    shape_variables: np.ndarray, groups: Sequence[int], axes: int, permutations: int, seed: int
) -> Dict[str, Any]: ...
def find_outliers(shape_variables: np.ndarray) -> Dict[str, Any]: ...
def deformation_grid(
    reference: np.ndarray, shape_change: np.ndarray, density: float, expansion: float
) -> Dict[str, Any]: ...
