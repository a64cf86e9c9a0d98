// Centroids, Procrustes consensus and fit, baseline registration, resistant fit.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "morpho/basereg.hpp"
#include "morpho/centroid.hpp"
#include "morpho/checkpcaRoot.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"
#include "morpho/meth3sup.hpp"
#include "morpho/refstandardize.hpp"
#include "morpho/rftra.hpp"
#include "morpho_test_support.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::morpho {
namespace {

using namespace testing;

TEST(Centroid, TrailingValueIsNeverACoordinate) {
  EXPECT_EQ(centpos(row({1, 2, 3, 4, 99})), row({2, 3}));
  const ColVec cs = centsize((Mat(3, 5) << 0, 0, 3, 4, 5, 0, 0, 6, 8, 1, 1, 1, 1, 1, 1).finished());
  EXPECT_DOUBLE_EQ(cs(0), std::sqrt(12.5));
  EXPECT_DOUBLE_EQ(cs(1), 2.0 * std::sqrt(12.5));
  EXPECT_EQ(cs(2), 0.0);
  EXPECT_DOUBLE_EQ(centsize(row({0, 0, 3, 4}))(0), std::sqrt(12.5));
}

TEST(Centroid, CenterrefCentresScalesAndKeepsTheStoredValue) {
  const Mat y = centerref(row({0, 0, 2, 0, 0, 2, 7.5}));
  EXPECT_NEAR(centroidOf(y).norm(), 0.0, 1e-15);
  EXPECT_NEAR(sumSquares(y), 1.0, 1e-15);
  EXPECT_EQ(y(0, 6), 7.5);
  EXPECT_TRUE(centerref(y).isApprox(y, 1e-15));
  const Mat point = centerref(row({3, 3, 3, 3, 42}));  // size 0
  EXPECT_TRUE(std::isnan(point(0, 0)));
  EXPECT_EQ(point(0, 4), 42.0);
  const Mat s = refstandardize(row({2, 1, 6, 1, 4, 5, 123}));
  EXPECT_TRUE(s.isApprox(centerref(row({2, 1, 6, 1, 4, 5, 123})), 1e-15));
}

TEST(Consensus, CopiesOfOneFormGiveThatFormInTheFirstCopysOrientation) {
  const Mat form = row({0, 0, 4, 0, 5, 3, 1, 4, -1, 2, 9});
  Mat x(4, 11);
  x << similar(form, 0.3, 2.0, 5, -7), similar(form, -2.0, 0.5, 1, 1),
      similar(form, 3.0, 10.0, -100, 30), similar(form, 1.2);
  ConsensusOptions opt;
  opt.withFitted = true;
  const Consensus c = getconsensus(x, opt);
  ASSERT_TRUE(c.converged);
  EXPECT_LT((c.y.head(10) - centerref(x.row(0)).leftCols(10)).norm(), 1e-9);
  for (Index i = 0; i < 4; ++i) {
    EXPECT_LT((c.xpt.row(i).head(10) - c.y.head(10)).norm(), 1e-9) << "row " << i;
    EXPECT_EQ(c.xpt(i, 10), x(i, 10));
  }
}

TEST(Consensus, IsCentredUnitAndMatchesTheTextbookIteration) {
  // The second size is split between two threads.
  for (const auto& [N, L] : {std::pair<Index, Index>{40, 9}, {45000, 15}}) {
    const Mat x = randomSample(N, L, 0.2, 7);
    const Consensus c = getconsensus(x);
    EXPECT_NEAR(centroidOf(c.y).norm(), 0.0, 1e-15);
    EXPECT_NEAR(c.y.head(2 * L).squaredNorm(), 1.0, 1e-14);
    EXPECT_LT((Mat(c.y) - textbookConsensus(x)).norm(), 1e-6) << "N " << N;  // column M too
  }
}

TEST(Consensus, PassLimitStopsWithAWarningAndTheLastMean) {
  const Mat x = randomSample(30, 6, 0.3, 3);
  std::ostringstream sink;
  Console console(&sink, true);
  ConsensusOptions opt;
  opt.maxPasses = 1;
  opt.console = &console;
  const Consensus c = getconsensus(x, opt);
  EXPECT_FALSE(c.converged);
  EXPECT_EQ(c.passes, 1);
  EXPECT_NE(console.kept().find("Warning: getconsensus stopped after 1 passes"), std::string::npos);
  Mat t = x;  // one pass by hand: all onto the first, then the normalised mean
  centreAndScale(t);
  const Mat first = t.row(0);
  for (Index i = 0; i < t.rows(); ++i) rotateOnto(t, i, first);
  Mat mean = t.colwise().mean();
  mean /= mean.leftCols(12).norm();
  EXPECT_LT((Mat(c.y) - mean).norm(), 1e-12);
}

TEST(Consensus, HugeFiniteSizesHaveAFiniteMean) {
  // A size column of 1e307 each once summed to Inf, and the reference was
  // saved as "Inf".
  Mat x = randomSample(40, 4, 0.1, 7);
  x.col(8).setConstant(1e307);
  x(3, 8) = 1.5e307;
  const Consensus c = getconsensus(x);
  ASSERT_TRUE(std::isfinite(c.y(8)));
  // The same sizes 1e307 times smaller give the same shape and a mean
  // 1e307 times smaller.
  Mat small = x;
  small.col(8) /= 1e307;
  const Consensus plain = getconsensus(small);
  EXPECT_EQ(c.y.head(8), plain.y.head(8));
  EXPECT_NEAR(c.y(8) / 1e307, plain.y(8), 1e-12);
}

TEST(Consensus, DegenerateInputs) {
  Mat x = randomSample(5, 4, 0.1, 5);
  x.row(2).head(8).setConstant(1.0);  // size 0: NaN ends the iteration
  const Consensus c = getconsensus(x);
  EXPECT_EQ(c.passes, 1);
  EXPECT_TRUE(std::isnan(c.y(0)));
  EXPECT_THROW(getconsensus(row({0, 0, 1, 0, 0, 1, 1})), RuntimeError);
  EXPECT_THROW(getconsensus(Mat::Ones(3, 6)), RuntimeError);
}

TEST(Fit, RowsAreCentredUnitUnreflectedAndTheReferenceStays) {
  const Mat x = randomSample(20, 7, 0.3, 9);
  Mat ref = x.row(4);
  centreAndScale(ref);
  const Mat y = getpsup(x, ref);
  EXPECT_LT((y.row(4) - ref).norm(), 1e-14);
  for (Index i = 0; i < y.rows(); ++i) {
    EXPECT_NEAR(centroidOf(y, i).norm(), 0.0, 1e-15);
    EXPECT_NEAR(sumSquares(y, i), 1.0, 1e-14);
    EXPECT_EQ(y(i, 14), x(i, 14));
    EXPECT_EQ(std::signbit(signedArea(y, i)), std::signbit(signedArea(x, i)));
  }
  const Mat tri = centerref(row({0, 0, 3, 0, 1, 2, 1}));
  EXPECT_LT((getpsup(similar(tri, kPi / 2.0), tri) - tri).norm(), 1e-14);
  Mat mirror = tri;
  for (Index j = 0; j < 3; ++j) mirror(0, 2 * j + 1) *= -1.0;
  EXPECT_LT(signedArea(getpsup(mirror, tri)) * signedArea(tri), 0.0);
  // Both sums 0: no turn.
  EXPECT_NEAR(getpsup(row({-1, 0, 1, 0, 0, 0, 5}), Mat::Zero(1, 7))(0, 0), -std::sqrt(0.5), 1e-15);
}

// Asks to stop as soon as any work has been reported.
class CancelAtOnce : public Progress {
 public:
  void advance(long n) override { done += n; }
  bool cancelled() const override { return done > 0; }
  long done = 0;
};

TEST(Fit, InPlaceAndThreadedFitsEqualTheTextbookFit) {
  for (Index N : {Index{30}, Index{45000}}) {
    const Mat x = randomSample(N, 15, 0.2, 19);
    const Mat ref = getconsensus(x).y;
    Mat data = x;
    const double* storage = data.data();
    EXPECT_THROW(getpsup(std::move(data), row({1, 2, 3})), RuntimeError);
    EXPECT_EQ(data, x);   // a refused call leaves the data alone
    CancelAtOnce cancel;  // once started, runs to its end: never half fitted
    const Mat inPlace = getpsup(std::move(data), ref, cancel);
    EXPECT_EQ(inPlace.data(), storage);
    EXPECT_EQ(cancel.done, N);
    EXPECT_EQ(inPlace, getpsup(x, ref));
    for (Index i : {Index{0}, N / 2 - 1, N / 2, N - 1}) {
      Mat one = x.row(i);
      centreAndScale(one);
      rotateOnto(one, 0, ref);
      EXPECT_LT((inPlace.row(i) - one).norm(), 1e-12) << "N " << N << " row " << i;
    }
  }
}

TEST(Fit, LongRoutinesStopWhenCancelled) {
  const Mat x = randomSample(20000, 6, 0.2, 23);
  const Mat ref = getconsensus(x).y;
  const Mat fit = getpsup(x, ref);
  for (int routine = 0; routine < 3; ++routine) {
    CancelAtOnce p;
    auto run = [&] {
      if (routine == 0) getconsensus(x, {}, p);
      if (routine == 1) getpsup(x, ref, p);
      if (routine == 2) getpw_arbit(ref, fit, p);
    };
    EXPECT_THROW(run(), RuntimeError) << "routine " << routine;
    EXPECT_LT(p.done, 20000) << "routine " << routine;
  }
}

TEST(CheckpcaRoot, Values) {
  EXPECT_EQ(checkpcaRoot(2, 2, 10), 0.0);
  EXPECT_DOUBLE_EQ(checkpcaRoot(4, 1, 10), 10.0 * std::log(25.0 / 16.0));
}

TEST(Basereg, PutsTheBaselineOnZeroOne) {
  EXPECT_TRUE(basereg(row({2, 3, 4, 3, 3, 5, 9}), 1, 2).isApprox(row({0, 0, 1, 0, 0.5, 1, 9})));
  EXPECT_LT((basereg(row({0, 0, 0, 2, -1, 1, 7}), 1, 2) - row({0, 0, 1, 0, 0.5, 0.5, 7})).norm(),
            1e-15);
  EXPECT_TRUE(basereg(row({2, 3, 4, 3, 3, 5}), 1, 2).isApprox(row({0, 0, 1, 0, 0.5, 1})));
  // The other order: a half turn about the baseline's midpoint.
  const Mat x = randomSample(2, 5, 0.2, 21);
  const Mat a = basereg(x, 2, 4), b = basereg(x, 4, 2);
  Mat turned = a;
  for (Index i = 0; i < 2; ++i) turned.row(i) = similar(a.row(i), kPi, 1.0, 1.0, 0.0);
  EXPECT_LT((b - turned).norm(), 1e-12);
  EXPECT_THROW(basereg(x, 1, 6), RuntimeError);
  EXPECT_THROW(basereg(x, 0, 2), RuntimeError);
  EXPECT_THROW(basereg(x, 1.5, 2), RuntimeError);
}

TEST(Meth3sup, SlidesAlongTheBaselineAndScales) {
  const double s = std::sqrt(7.0 / 6.0);
  EXPECT_LT(
      (meth3sup(row({0, 0, 1, 0, 0.5, 1, 9})) - row({-0.5 / s, 0, 0.5 / s, 0, 0, 1 / s, 9})).norm(),
      1e-15);
}

TEST(Rftra, RecoversSimilarities) {
  const Mat target = row({0, 0, 4, 0, 5, 3, 1, 4, -1, 2, 9});
  ResistantFit f = rftraFit(target, target);
  EXPECT_EQ(f.scale, 1.0);
  EXPECT_EQ(f.rotangle, 0.0);
  EXPECT_LT((Mat(f.y) - target).norm(), 1e-14);
  Mat half = similar(target, 0.0, 0.5);
  half(0, 10) = 3.0;
  f = rftraFit(half, target);
  EXPECT_DOUBLE_EQ(f.scale, 2.0);
  EXPECT_LT((f.y.head(10) - target.leftCols(10)).norm(), 1e-13);
  EXPECT_EQ(f.y(10), 3.0);
  f = rftraFit(similar(target, kPi / 6.0, 1.0, 1.0, 2.0), target);
  EXPECT_NEAR(f.rotangle, kPi / 6.0, 1e-14);
  EXPECT_NEAR(f.scale, 1.0, 1e-14);
  EXPECT_LT((f.y.head(10) - target.leftCols(10)).norm(), 1e-13);
  EXPECT_TRUE(std::isnan(rftra(row({1, 2, 3}), row({4, 5, 6}))(0)));  // one landmark: no pairs
}

TEST(Rftra, AnOutlierDoesNotPullTheFitAndTheFitIsShown) {
  const Mat target = row({0, 0, 4, 0, 5, 3, 1, 4, -1, 2, 2, 6, 9});
  Mat data = similar(target, -0.4, 1.7, 3.0, -1.0);
  data(0, 4) += 40.0;  // landmark 3 far off
  data(0, 5) -= 25.0;
  std::ostringstream sink;
  Console console(&sink, true);
  const RowVec y = rftra(data, target, &console);
  for (Index j : {0, 1, 3, 4, 5}) {
    EXPECT_NEAR(y(2 * j), target(0, 2 * j), 1e-12) << "landmark " << j + 1;
    EXPECT_NEAR(y(2 * j + 1), target(0, 2 * j + 1), 1e-12) << "landmark " << j + 1;
  }
  EXPECT_LT(console.kept().find("scale"), console.kept().find("ans"));
}

}  // namespace
}  // namespace varnok::morpho
