"""The module's analysis gives the program's numbers: the same shape
variables, reference, PCA and statistics as the result files script mode
writes for the same data."""

import numpy as np
import pytest

import varnok

# Result files print six significant digits ("%g").
PRINTED = dict(rtol=5e-6, atol=1e-12)
# The statistics table prints seventeen.
CSV = dict(rtol=1e-12, atol=1e-15)


def analyse(path, **superimpose):
    d = varnok.read_landmarks(path)
    fit = varnok.superimpose(d, **superimpose)
    sv = varnok.shape_variables(fit)
    return d, fit, sv, varnok.pca(sv)


@pytest.mark.parametrize("name", ["gorilla", "mice"])
def test_analysis_equals_the_programs_result_files(name, examples, program_results):
    out = program_results(name)
    d, fit, sv, p = analyse(examples / f"{name}.txt")
    N, L = d.coords.shape[:2]
    # Arrays handed over in the program's own storage are still plain C arrays.
    for a, shape in [(d.coords, (N, L, 2)), (fit.coords, (N, L, 2)), (sv, (N, 2 * L - 4)),
                     (p.scores, (N, 2 * L - 4)), (p.vectors, (2 * L - 4, 2 * L - 4))]:
        assert a.shape == shape and a.flags.c_contiguous and a.dtype == np.float64

    # The reference's last value (no size) is left out.
    np.testing.assert_allclose(fit.reference.ravel(), out.matrix("reference.txt")[0, :-1],
                               **PRINTED)
    warp = out.matrix("shape_variables.txt")
    np.testing.assert_allclose(sv, warp[:, :-1], **PRINTED)
    np.testing.assert_allclose(fit.centroid_size, warp[:, -1], **PRINTED)
    # The program's files run from the smallest eigenvalue; the module's from the largest.
    np.testing.assert_allclose(p.scores, out.matrix("scores.txt")[:, ::-1], **PRINTED)
    np.testing.assert_allclose(p.eigenvalues, out.matrix("eigenvalues.txt").ravel()[::-1],
                               **PRINTED)
    assert np.all(np.diff(p.eigenvalues) <= 0)
    assert p.explained.sum() == pytest.approx(1)


def rows_of(table, kind, term="", a="", b=""):
    hits = [r for r in table if (r["table"], r["term"], r["a"], r["b"]) == (kind, term, a, b)]
    assert len(hits) == 1, (kind, term, a, b)
    return {k: float(v) for k, v in hits[0].items() if k not in ("table", "term", "a", "b") and v}


@pytest.mark.parametrize("name", ["gorilla", "mice"])
def test_statistics_equal_the_exported_table(name, examples, program_results):
    table = program_results(name).statistics()
    d, fit, sv, _ = analyse(examples / f"{name}.txt")
    groups = np.loadtxt(examples / f"{name}_groups.txt").astype(int)

    a = varnok.procrustes_anova(sv, groups, permutations=999, seed=1)
    g = rows_of(table, "anova", "group")
    got = [a.df_groups, a.df_residual, a.ss_groups, a.ms_groups, a.r2, a.F, a.p_perm, a.p_param]
    want = [g[k] for k in ("df1", "df2", "SS", "MS", "R2", "F", "p_perm", "p_param")]
    np.testing.assert_allclose(got, want, **CSV)
    assert rows_of(table, "anova", "total")["SS"] == pytest.approx(a.ss_total, rel=1e-12)
    for ga, gb, D, p in a.pairs:
        row = rows_of(table, "pairwise", "", str(ga), str(gb))
        np.testing.assert_allclose([D, p], [row["D"], row["p_perm"]], **CSV)

    for r, suffix in ((varnok.shape_regression(sv, fit.centroid_size), ""),
                      (varnok.shape_regression(sv, fit.centroid_size, groups), "_pooled")):
        row = rows_of(table, "regression", "log_cs" + suffix)
        np.testing.assert_allclose([r.df_residual, r.ss_predicted, r.r2, r.F, r.p_perm],
                                   [row[k] for k in ("df2", "SS", "R2", "F", "p_perm")], **CSV)

    c = varnok.canonical_variates(sv, groups)
    for ga, gb, D, p in c.distances:
        row = rows_of(table, "mahalanobis", "", str(ga), str(gb))
        np.testing.assert_allclose([D, p], [row["D"], row["p_perm"]], **CSV)
    assert c.overall_percent == pytest.approx(
        rows_of(table, "classification_percent", "", "all")["value"], rel=1e-12)

    o = varnok.find_outliers(sv)
    want = [rows_of(table, "outlier", "", str(i + 1))["D"] for i in range(len(groups))]
    np.testing.assert_allclose(o.distances, want, **CSV)


def curved_tps(examples) -> str:
    """The gorilla skulls as a TPS file with an open curve of five points
    bowed out between landmarks 1 and 2 of each skull, its three inner
    points unevenly spaced, so that they have somewhere to slide."""
    rows = np.loadtxt(examples / "gorilla.txt")
    out = []
    for i, r in enumerate(rows):
        lm = r[:-1].reshape(-1, 2)
        a, b = lm[0], lm[1]
        normal = np.array([-(b - a)[1], (b - a)[0]])
        t = np.array([0.1, 0.25 + 0.02 * (i % 5), 0.5, 0.72 - 0.02 * (i % 3), 0.9])
        curve = a + np.outer(t, b - a) + np.outer(0.15 * np.sin(np.pi * t), normal)
        out.append(f"LM={len(lm)}")
        out += [f"{x:.6f} {y:.6f}" for x, y in lm]
        out += ["CURVES=1", "POINTS=5"] + [f"{x:.6f} {y:.6f}" for x, y in curve]
        out.append(f"ID=G{i + 1:02d}")
    return "\n".join(out) + "\n"


def test_sliding_semilandmarks_of_a_tps_file_equal_the_program(examples, program_results,
                                                                tmp_path):
    text = curved_tps(examples)
    out = program_results("curves", {"curves.tps": text},
                          "answer file curves.tps\nVarnoksw('LoadData')\nVarnoksw('NoGroupList')\n"
                          "answer file sv.txt\nVarnoksw('SaveWarp')\n"
                          "answer file ref.txt\nVarnoksw('SaveRef')\n")
    path = tmp_path / "curves.tps"
    path.write_text(text)
    d = varnok.read_landmarks(path)
    assert d.format == "tps" and d.coords.shape == (59, 13, 2) and d.ids[0] == "G01"
    assert d.landmarks == 8
    assert d.sliders.tolist() == [[8, 9, 10], [9, 10, 11], [10, 11, 12]]
    fit = varnok.superimpose(d)
    assert len(fit.sliding_ss) >= 1
    sv = varnok.shape_variables(fit)
    np.testing.assert_allclose(sv, out.matrix("sv.txt")[:, :-1], **PRINTED)
    np.testing.assert_allclose(fit.reference.ravel(), out.matrix("ref.txt")[0, :-1], **PRINTED)
    # Without sliding the curve points stay where the fit put them.
    still = varnok.shape_variables(varnok.superimpose(d, sliders=[]))
    assert not np.allclose(still, sv, atol=1e-6)


def test_an_nts_file_reads_as_the_same_data(examples, tmp_path):
    plain = varnok.read_landmarks(examples / "mice.txt")
    N, L = plain.coords.shape[:2]
    lines = [f"1 {N}L {2 * L} 0"] + [f"m{i + 1}" for i in range(N)]
    lines += [" ".join(f"{v:.17g}" for v in c.ravel()) for c in plain.coords]
    (tmp_path / "mice.nts").write_text("\n".join(lines) + "\n")
    nts = varnok.read_landmarks(tmp_path / "mice.nts")
    assert nts.format == "nts" and nts.ids[:2] == ["m1", "m2"]
    np.testing.assert_array_equal(nts.coords, plain.coords)
    a = varnok.shape_variables(varnok.superimpose(plain))
    b = varnok.shape_variables(varnok.superimpose(nts.coords))
    np.testing.assert_allclose(a, b, rtol=1e-9, atol=1e-12)


def test_the_other_superimpositions(examples):
    d = varnok.read_landmarks(examples / "gorilla.txt")
    bc = varnok.superimpose(d, method="baseline", b1=1, b2=2)
    np.testing.assert_allclose(bc.coords[:, 0], 0, atol=1e-12)
    np.testing.assert_allclose(bc.coords[:, 1], [[1, 0]] * len(d.coords), atol=1e-12)
    sbr = varnok.superimpose(d, method="sliding_baseline", b1=1, b2=2)
    np.testing.assert_allclose(sbr.coords[:, :, 0].mean(axis=1), 0, atol=1e-12)
    np.testing.assert_allclose((sbr.coords**2).sum(axis=(1, 2)) - (
        sbr.coords.mean(axis=1)**2).sum(axis=1) * sbr.coords.shape[1], 1, rtol=1e-9)
    # A resistant fit follows the majority: one landmark far out moves the
    # Procrustes fit of the others, and leaves the resistant fit's alone.
    moved = d.coords.copy()
    moved[0, 4] += 300
    pro = varnok.superimpose(moved, method="procrustes")
    res = varnok.superimpose(moved, method="resistant")
    ref = res.reference
    keep = [0, 1, 2, 3, 5, 6, 7]
    assert np.abs(res.coords[0, keep] - ref[keep]).max() < np.abs(pro.coords[0, keep] -
                                                                  pro.reference[keep]).max() / 2


def test_deformation_grid_follows_the_shape_change(examples):
    fit = varnok.superimpose(varnok.read_landmarks(examples / "gorilla.txt"))
    V = 2 * fit.reference.shape[0] - 4
    still = varnok.deformation_grid(fit.reference, np.zeros(V), density=20)
    assert still.x.shape == (26, still.x.shape[1])
    np.testing.assert_allclose(still.deformed_x, still.x, atol=1e-12)
    np.testing.assert_allclose(still.deformed_y, still.y, atol=1e-12)
    # The uniform components alone bend nothing: the grid moves by one
    # affine map, which the landmarks show too.
    uniform = np.zeros(V)
    uniform[-2:] = [0.05, -0.03]
    g = varnok.deformation_grid(fit.reference, uniform, density=10)
    nodes = np.column_stack([g.x.ravel(), g.y.ravel(), np.ones(g.x.size)])
    moved = np.column_stack([g.deformed_x.ravel(), g.deformed_y.ravel()])
    affine, *_ = np.linalg.lstsq(nodes, moved, rcond=None)
    np.testing.assert_allclose(nodes @ affine, moved, atol=1e-9)
    landmarks = np.column_stack([g.reference, np.ones(len(g.reference))])
    np.testing.assert_allclose(landmarks @ affine, g.target, atol=1e-9)
    # A partial warp does bend it.
    bent = np.zeros(V)
    bent[0] = 0.05
    g = varnok.deformation_grid(fit.reference, bent)
    nodes = np.column_stack([g.x.ravel(), g.y.ravel(), np.ones(g.x.size)])
    moved = np.column_stack([g.deformed_x.ravel(), g.deformed_y.ravel()])
    affine, *_ = np.linalg.lstsq(nodes, moved, rcond=None)
    assert np.abs(nodes @ affine - moved).max() > 1e-3
    with pytest.raises(ValueError, match="shape variables"):
        varnok.deformation_grid(fit.reference, np.zeros(V + 1))
    with pytest.raises(ValueError, match="grid density"):
        varnok.deformation_grid(fit.reference, np.zeros(V), density=0)
