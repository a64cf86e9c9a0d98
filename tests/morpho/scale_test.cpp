// Shape does not depend on scale: the same forms at 1e-200, at unit scale and
// at 1e200 give the same superimposition and shape variables, and a single
// huge coordinate is a form like any other.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "morpho/centroid.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"
#include "morpho_test_support.hpp"

namespace varnok::morpho {
namespace {

using namespace testing;

// The coordinates of every row times s; the stored sizes too, as a file in
// other units would have them.
Mat scaled(const Mat& x, double s) {
  return x * s;
}

double relDiff(const Mat& a, const Mat& b) {
  return (a - b).norm() / b.norm();
}

// What the analysis computes: consensus, rounded reference, fit, shape
// variables (without the carried size column).
struct Shapes {
  Mat consensus, fitted, pw;
};
Shapes shapesOf(const Mat& x) {
  ConsensusOptions opt;
  opt.withFitted = true;
  const Consensus c = getconsensus(x, opt);
  EXPECT_TRUE(c.converged);
  const Mat ref = (c.y * 10000.0).array().round() / 10000.0;
  const Mat fitted = getpsup(x, ref);
  const Index K = x.cols() - 1;
  const Mat pw = getpw_arbit(ref, fitted);
  return {c.y.head(K), fitted.leftCols(K), pw.leftCols(pw.cols() - 1)};
}

TEST(Scale, CentroidSizesAndCentringAtAnyScale) {
  const Mat x = randomSample(6, 8, 0.3, 41);
  const ColVec cs = centsize(x);
  const Mat unit = centerref(x);
  for (double s : {1e-300, 1e-200, 1e-160, 1e160, 1e200, 1e300}) {
    const ColVec c = centsize(scaled(x, s));
    for (Index i = 0; i < x.rows(); ++i)
      EXPECT_NEAR(c(i) / s, cs(i), 1e-14 * cs(i)) << "scale " << s << " row " << i;
    const Mat y = centerref(scaled(x, s));
    EXPECT_LT(relDiff(y.leftCols(16), unit.leftCols(16)), 1e-14) << "scale " << s;
  }
  // Near the largest double the sums themselves overflow, yet the centroid is
  // right, and a size beyond the largest double is infinite rather than NaN.
  const RowVec c = centpos(row({1.5e308, 0, 1.5e308, 3, -1e308, 0, 99}));
  EXPECT_DOUBLE_EQ(c(0), 2.0 / 3.0 * 1e308);
  EXPECT_DOUBLE_EQ(c(1), 1.0);
  EXPECT_EQ(centsize(row({1.5e308, 0, -1.5e308, 0}))(0), std::numeric_limits<double>::infinity());
  const Mat big = centerref(row({1.5e308, 0, -1.5e308, 0, 0, 1e308, 7}));
  EXPECT_NEAR(sumSquares(big), 1.0, 1e-15);
  EXPECT_TRUE(centerref(row({1.5e-300, 0, 0, 2e-300, 0, 0, 7}))
                  .isApprox(centerref(row({1.5, 0, 0, 2, 0, 0, 7})), 1e-15));
}

TEST(Scale, SameShapesAtOneTimesTenToTheMinusAndPlusTwoHundred) {
  // The second size is shared between two threads.
  for (const auto& [N, L] : {std::pair<Index, Index>{40, 9}, {45000, 6}}) {
    const Mat x = randomSample(N, L, 0.2, 43);
    const Shapes unit = shapesOf(x);
    for (double s : {1e-200, 1e200}) {
      const Shapes at = shapesOf(scaled(x, s));
      EXPECT_LT(relDiff(at.consensus, unit.consensus), 1e-12) << "scale " << s << " N " << N;
      EXPECT_LT(relDiff(at.fitted, unit.fitted), 1e-12) << "scale " << s << " N " << N;
      EXPECT_LT(relDiff(at.pw, unit.pw), 1e-12) << "scale " << s << " N " << N;
    }
    // Each specimen at its own extreme scale: partial Procrustes scales every
    // specimen to unit size, so this too is the same.
    Mat mixed = x;
    for (Index i = 0; i < N; ++i) mixed.row(i) *= i % 3 == 0 ? 1e-200 : i % 3 == 1 ? 1e200 : 1.0;
    const Shapes m = shapesOf(mixed);
    EXPECT_LT(relDiff(m.pw, unit.pw), 1e-12) << "N " << N;
  }
}

TEST(Scale, FitAtTheEdgesOfTheDoublesAndOntoAFarScaledReference) {
  const Mat x = randomSample(12, 7, 0.3, 47);
  const Mat ref = getconsensus(x).y;
  const Mat fit = getpsup(x, ref);
  // Rows whose largest coordinate is near the largest double, or whose
  // values are close to the smallest normal one.
  Mat edge = x;
  for (Index i = 0; i < x.rows(); ++i) {
    const double m = x.row(i).head(14).cwiseAbs().maxCoeff();
    edge.row(i) *= (i % 2 == 0 ? 1.7e308 : 1e-290) / m;
  }
  EXPECT_LT(relDiff(getpsup(edge, ref).leftCols(14), fit.leftCols(14)), 1e-13);
  // The reference's scale does not change the angles.
  for (double s : {1e-300, 1e300})
    EXPECT_LT(relDiff(getpsup(x, ref * s), fit), 1e-14) << "reference scale " << s;
}

TEST(Scale, ASingleHugeCoordinateIsAnOrdinaryForm) {
  Mat x = randomSample(30, 8, 0.2, 53);
  x(5, 6) = 1e200;  // x of landmark 4 of specimen 6
  ConsensusOptions opt;
  opt.withFitted = true;
  const Consensus c = getconsensus(x, opt);
  ASSERT_TRUE(c.converged);
  ASSERT_TRUE(c.y.allFinite());
  ASSERT_TRUE(c.xpt.allFinite());
  const Mat fit = getpsup(x, c.y);
  ASSERT_TRUE(fit.allFinite());
  EXPECT_NEAR(centroidOf(fit, 5).norm(), 0.0, 1e-15);
  EXPECT_NEAR(sumSquares(fit, 5), 1.0, 1e-14);
  // Beside 1e200 the other coordinates are 0: the form is a spike, one
  // landmark far from seven that coincide.
  Mat spike = Mat::Zero(1, 17);
  spike(0, 6) = 1.0;
  spike(0, 16) = x(5, 16);
  EXPECT_LT((fit.row(5) - getpsup(spike, c.y)).norm(), 1e-14);
  EXPECT_TRUE(getpw_arbit(c.y, fit).allFinite());
}

}  // namespace
}  // namespace varnok::morpho
