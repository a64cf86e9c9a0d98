// Thin-plate spline, partial warps, uniform component and reconstruction.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "morpho/eigsort.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"
#include "morpho/reversepw6u.hpp"
#include "morpho/reversepwarb.hpp"
#include "morpho/scpcoeff_arbrot.hpp"
#include "morpho/tps.hpp"
#include "morpho/uniform.hpp"
#include "morpho/vertxy.hpp"
#include "morpho_test_support.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::morpho {
namespace {

using namespace testing;

// A centred 6-landmark reference whose coordinates already have 4 decimals,
// so the rounding inside UniArbitrary leaves it as it is.
Mat roundReference() {
  return row({0.1234, -0.2, -0.3, 0.25, 0.0617, 0.3, 0.2, 0.1, -0.0617, -0.3, -0.0234, -0.15, 1});
}

// A consensus rounded to 4 decimals (as the analysis keeps it) and specimens
// fitted onto it.
struct Fitted {
  Mat ref, x;
};
Fitted fittedSample(Index N, Index L, double noise, unsigned seed) {
  const Mat raw = randomSample(N, L, noise, seed);
  Fitted f;
  f.ref = (Mat(getconsensus(raw).y) * 10000.0).array().round() / 10000.0;
  f.x = getpsup(raw, f.ref);
  return f;
}

Mat eigenTable(const Mat& ref) {
  return gettpse(gettspl(vertxy(ref)));
}

TEST(Tps, KernelAndSplineMatrix) {
  EXPECT_EQ(uspline(row({0, 0}), row({0, 0})), 0.0);
  EXPECT_EQ(uspline(row({0, 0}), row({1, 0})), 0.0);
  EXPECT_DOUBLE_EQ(uspline(row({0, 0}), row({2, 0})), 4.0 * std::log(4.0));
  EXPECT_DOUBLE_EQ(uspline(row({0, 0}), row({0.5, 0})), 0.25 * std::log(0.25));
  const Mat L = gettspl((Mat(2, 3) << 0, 2, 0, 0, 0, 1).finished());
  EXPECT_EQ(L, L.transpose());
  EXPECT_TRUE(L.diagonal().head(3).isZero(0.0));
  EXPECT_TRUE(L.bottomRightCorner(3, 3).isZero(0.0));
  EXPECT_DOUBLE_EQ(L(1, 2), 5.0 * std::log(5.0));
  EXPECT_EQ(L.block(0, 3, 3, 3), (Mat(3, 3) << 1, 0, 0, 1, 2, 0, 1, 0, 1).finished());
}

TEST(Tps, EigenTableIsOrderedSignedAndDecomposesTheBendingEnergy) {
  const Mat L = gettspl(vertxy(randomSample(1, 8, 0.0, 4)));
  const Mat Be = bendingEnergy(L);
  EXPECT_LT((Be * L.block(0, 8, 8, 3)).norm(), 1e-10 * Be.norm());  // affine part costs nothing
  const Mat table = gettpse(L);
  const Mat V = table.leftCols(8);
  const ColVec d = table.rightCols(8).diagonal();
  EXPECT_TRUE(table.rightCols(8).isDiagonal());
  for (Index k = 0; k + 1 < 8; ++k) EXPECT_GE(d(k), d(k + 1));
  EXPECT_GE(d(7), 0.0);
  EXPECT_LT(d(5), 1e-10 * d(0));
  EXPECT_GT(d(4), 1e-6 * d(0));
  EXPECT_TRUE((V.transpose() * V).isIdentity(1e-12));
  EXPECT_LT((V * d.asDiagonal() * V.transpose() - Be).norm(), 1e-12 * Be.norm());
  for (Index k = 0; k < 5; ++k) {  // the sign rule
    Index big;
    V.col(k).cwiseAbs().maxCoeff(&big);
    EXPECT_GT(V(big, k), 0.0) << "column " << k;
  }
  EXPECT_THROW(eigenTable(row({0, 0, 0, 0, 1, 0, 0, 1, 9})), RuntimeError);  // coincident
}

TEST(Tps, SplineThroughTargetLandmarksMapsTheReferenceOntoThem) {
  const Mat ref = randomSample(1, 6, 0.0, 8), target = randomSample(1, 6, 0.0, 9);
  const Mat L = gettspl(vertxy(ref));
  Mat rhs = Mat::Zero(9, 2);
  rhs.topRows(6) = (vertxy(target) - vertxy(ref)).transpose();
  const Mat weight = L.fullPivLu().solve(rhs);
  std::ostringstream sink;
  Console console(&sink, true);
  const RowVec mapped = reversepw6u(ref, weight, &console);
  EXPECT_NE(console.kept().find("pwarps"), std::string::npos);
  EXPECT_LT((mapped.head(12) - target.leftCols(12)).norm(), 1e-10);
  EXPECT_EQ(mapped(12), 1.0);
  // The evaluation point on landmark 2: its own kernel term is 0.
  EXPECT_EQ(wsspline(vertxy(ref), vertxy(ref).col(1), row({0, 1, 0, 0, 0, 0})), 0.0);
  EXPECT_THROW(wsspline(vertxy(ref), row({0, 0}), weight.col(0)), RuntimeError);
}

TEST(Uniform, FormrotateAndSumsOfSquares) {
  const RowVec q = formrotate(row({1, 0, 5}), kPi / 2);
  EXPECT_LT((q - RowVec(row({0, 1, 5}))).norm(), 1e-15);
  EXPECT_EQ(formrotate(row({1, 0, 2, 3}), 0.0), row({1, 0, 2, 3, 3}));  // even: last y appended
  EXPECT_EQ(uniparmproc(row({1, 2, 3, 4, 100})), row({10, 20}));
}

// Unit, orthogonal, and orthogonal to the reference, its rotation and the
// two translations.
void expectSoundDirections(const Mat& ref) {
  const Mat d = UniArbitrary(ref);
  const Index L = landmarks(ref);
  EXPECT_TRUE((d * d.transpose()).isIdentity(1e-12));
  Mat others = Mat::Zero(4, 2 * L);
  for (Index j = 0; j < L; ++j) {
    others.block(0, 2 * j, 1, 2) << ref(0, 2 * j), ref(0, 2 * j + 1);
    others.block(1, 2 * j, 1, 2) << -ref(0, 2 * j + 1), ref(0, 2 * j);
    others.block(2, 2 * j, 2, 2).setIdentity();
  }
  EXPECT_LT((d * others.transpose()).cwiseAbs().maxCoeff(), 1e-12);
}

TEST(Uniform, DirectionsAreOrthonormalAndLeaveSizeRotationTranslationAlone) {
  expectSoundDirections(roundReference());
  // A square: no turn, and the fields are (y, x) and (-x, y).
  const Mat square = row({-0.5, -0.5, 0.5, -0.5, 0.5, 0.5, -0.5, 0.5, 1});
  EXPECT_EQ(principalAxesAngle(square, 4), 0.0);
  Mat fields(2, 8);
  for (Index j = 0; j < 4; ++j)
    fields.block(0, 2 * j, 2, 2) << square(0, 2 * j + 1), square(0, 2 * j), -square(0, 2 * j),
        square(0, 2 * j + 1);
  EXPECT_LT((UniArbitrary(square) - fields / std::sqrt(2.0)).norm(), 1e-13);
  // Equal sums of squares in x and y but not zero cross sum: a rhombus along
  // the diagonal, whose principal axes are the diagonals.
  const Mat rhombus = row({0.5, 0.5, -0.5, -0.5, 0.1, -0.1, -0.1, 0.1, 1});
  EXPECT_NEAR(principalAxesAngle(rhombus, 4), kPi / 4, 1e-15);
  expectSoundDirections(rhombus);
}

TEST(Uniform, UniArbitraryRoundsTheReferenceFirst) {
  const Mat ref = randomSample(1, 7, 0.0, 13) / 5.0;
  const Mat rounded = (ref * 10000.0).array().round() / 10000.0;
  EXPECT_TRUE(UniArbitrary(ref).isApprox(uniformDirections(rounded, 7), 1e-14));
  EXPECT_FALSE(UniArbitrary(ref).isApprox(uniformDirections(ref, 7), 1e-12));
}

TEST(PartialWarps, ThreeAndFourLandmarks) {
  const Fitted three = fittedSample(5, 3, 0.2, 31);
  const Mat s3 = getpw_arbit(three.ref, three.x);
  ASSERT_EQ(s3.cols(), 3);  // u1 u2 CS
  EXPECT_EQ(s3.col(2), three.x.col(6));
  EXPECT_TRUE(scpcoeff_arbrot(eigenTable(three.ref), three.x.row(1), three.ref)
                  .isApprox(s3.block(1, 0, 1, 2)));
  const Fitted four = fittedSample(5, 4, 0.2, 32);
  const Mat s4 = getpw_arbit(four.ref, four.x);
  ASSERT_EQ(s4.cols(), 5);  // pw1x pw1y u1 u2 CS
  EXPECT_EQ(s4.col(4), four.x.col(8));
  EXPECT_GT(s4.leftCols(2).norm(), 1e-3);
}

TEST(PartialWarps, BatchAgreesWithTheOneSpecimenRoutine) {
  // The second size is split between two threads and many blocks.
  for (const auto& [N, L] : {std::pair<Index, Index>{60, 10}, {70000, 10}}) {
    const Fitted f = fittedSample(N, L, 0.1, 40);
    const Mat all = getpw_arbit(f.ref, f.x);
    const Mat lex = eigenTable(f.ref);
    for (Index i : {Index{0}, Index{59}, N / 2 - 1, N / 2, N - 1}) {
      const Mat s = scpcoeff_arbrot(lex, f.x.row(i), f.ref);
      const Mat asRows = Eigen::Map<const Mat>(all.row(i).data(), L - 2, 2);
      EXPECT_LT((asRows - s).cwiseAbs().maxCoeff(), 1e-13) << "N " << N << " row " << i;
      EXPECT_EQ(all(i, 2 * L - 4), f.x(i, 2 * L));
    }
    // The form that reads bare coordinates gives the same scores to the
    // bit, without the size.
    Mat coords(N, 2 * L);
    for (Index i = 0; i < N; ++i) coords.row(i) = f.x.row(i).head(2 * L);
    const Mat bare = getpw_arbit(f.ref, N, L, coords.data());
    ASSERT_EQ(bare.cols(), 2 * L - 4);
    EXPECT_TRUE(bare == all.leftCols(2 * L - 4)) << "N " << N;
  }
}

TEST(PartialWarps, ReferenceScoresZeroAndAffineChangeOnlyUniform) {
  const Mat ref = fittedSample(10, 9, 0.1, 50).ref;
  Mat x(2, 19);
  x.row(0) = ref;
  x.row(1) = ref;
  for (Index j = 0; j < 9; ++j) {  // a shear and stretch
    x(1, 2 * j) = 1.1 * ref(0, 2 * j) + 0.2 * ref(0, 2 * j + 1);
    x(1, 2 * j + 1) = 0.95 * ref(0, 2 * j + 1) - 0.05 * ref(0, 2 * j);
  }
  const Mat s = getpw_arbit(ref, x);
  EXPECT_LT(s.row(0).head(12).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_EQ(s.row(0).segment(12, 2), RowVec::Zero(2));
  EXPECT_LT(s.row(1).head(12).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_GT(s.row(1).segment(12, 2).norm(), 0.01);
}

TEST(Eigsort, DescendingAndStable) {
  const Mat V = (Mat(3, 3) << 1, 2, 3, 4, 5, 6, 7, 8, 9).finished();
  const EigSorted e = eigsort(V, Eigen::Vector3d(1, 3, 2).asDiagonal().toDenseMatrix());
  EXPECT_EQ(e.VR, (Mat(3, 3) << 2, 3, 1, 5, 6, 4, 8, 9, 7).finished());
  EXPECT_EQ(e.DR, Eigen::Vector3d(3, 2, 1).asDiagonal().toDenseMatrix());
  const Mat V2 = (Mat(2, 2) << 1, 2, 3, 4).finished();
  EXPECT_EQ(eigsort(V2, 2.0 * Mat::Identity(2, 2)).VR, V2);
}

TEST(Reconstruction, ZeroScoresOneUniformScoreAndEachWarp) {
  const Mat ref = roundReference();
  std::ostringstream sink;
  Console console(&sink, true);
  RowVec pw = RowVec::Zero(9);
  pw(8) = 77.0;  // ignored
  EXPECT_EQ(reversepwarb(ref, pw, &console), RowVec(ref));
  EXPECT_LT(console.kept().find("xm1"), console.kept().find("xm2"));
  pw(6) = 0.3;  // u1
  RowVec expected = ref;
  expected.head(12) += 0.3 * UniArbitrary(ref).row(0);
  EXPECT_LT((reversepwarb(ref, pw) - expected).norm(), 1e-15);
  EXPECT_THROW(reversepwarb(ref, RowVec::Zero(8)), RuntimeError);
  // Unit scores on one warp add that column of the eigen table, sign included.
  const Mat lex = eigenTable(ref);
  for (Index k = 0; k < 6; ++k) {
    pw.setZero();
    pw(k) = 1.0;
    const RowVec d = reversepwarb(ref, pw) - RowVec(ref);
    for (Index j = 0; j < 6; ++j) {
      EXPECT_NEAR(d(2 * j + k % 2), lex(j, k / 2), 1e-15) << "score " << k;
      EXPECT_EQ(d(2 * j + 1 - k % 2), 0.0);
    }
  }
}

}  // namespace
}  // namespace varnok::morpho
