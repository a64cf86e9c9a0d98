#include "analysis/scree.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "action_fixture.hpp"
#include "morpho/checkpcaRoot.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::analysis {
namespace {

using actiontest::ActionTest;

const char* const kCheckSigTitle = "Test for significantly different PCAs";

// Eigenvalues given largest first, stored ascending as the analysis does.
Mat dmatrix(std::vector<double> largestFirst) {
  const auto V = static_cast<Eigen::Index>(largestFirst.size());
  Mat D = Mat::Zero(V, V);
  for (Eigen::Index i = 0; i < V; ++i) D(i, i) = largestFirst[static_cast<size_t>(V - 1 - i)];
  return D;
}

class ScreeTest : public ActionTest {
 protected:
  void analysis(std::vector<double> largestFirst, Eigen::Index N = 30) {
    state_.Dmatrix = dmatrix(largestFirst);
    state_.NumPCA = static_cast<double>(largestFirst.size()) + 1;
    state_.DATA = Mat(Mat::Zero(N, 2 * static_cast<Eigen::Index>(largestFirst.size()) + 5));
  }
  graphics::Axes& axes() { return win_.figure().axes(); }
  const graphics::Line& onlyLine() {
    EXPECT_EQ(axes().children().size(), 1u);
    return dynamic_cast<const graphics::Line&>(*axes().children().at(0));
  }
  std::string checkSig() {
    CheckSig(ctx_);
    EXPECT_EQ(win_.answers.messages.size(), 1u);
    const auto m = win_.answers.messages.at(0);
    win_.answers.messages.clear();
    EXPECT_EQ(m.title, kCheckSigTitle);
    return m.text;
  }
};

// ---------------------------------------------------------------------------
// Scree plots.

TEST_F(ScreeTest, ScreePlotDrawsEigenvaluesLargestFirst) {
  analysis({4, 2, 1, 0.5});
  // What the score plot leaves behind: equal units, a title, old lines.
  axes().plot(std::vector<double>{0, 1}, std::vector<double>{0, 1}, "b*");
  axes().hold(true);
  axes().plot(std::vector<double>{2, 3}, std::vector<double>{2, 3}, "rs");
  axes().axisEqual();
  axes().setTitle("old");

  ScreePlot(ctx_);
  const auto& line = onlyLine();
  EXPECT_EQ(line.xdata(), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(line.ydata(), (std::vector<double>{4, 2, 1, 0.5}));
  EXPECT_EQ(line.marker, 'o');
  EXPECT_EQ(line.lineStyle, "none");
  EXPECT_EQ(line.color, (graphics::Rgb{0, 0, 0}));
  EXPECT_EQ(axes().title(), "Scree Plot-Raw Eigenvalues");
  EXPECT_FALSE(axes().equalUnits());
  EXPECT_TRUE(axes().autoLimits());
}

TEST_F(ScreeTest, ScreePercentagesSumToOneHundred) {
  analysis({6, 3, 0.75, 0.25});
  ScreePercentages(ctx_);
  const auto& line = onlyLine();
  ASSERT_EQ(line.ydata().size(), 4u);
  EXPECT_DOUBLE_EQ(line.ydata()[0], 60);
  EXPECT_DOUBLE_EQ(line.ydata()[1], 30);
  EXPECT_DOUBLE_EQ(line.ydata()[2], 7.5);
  EXPECT_DOUBLE_EQ(line.ydata()[3], 2.5);
  EXPECT_NEAR(std::accumulate(line.ydata().begin(), line.ydata().end(), 0.0), 100, 1e-12);
  EXPECT_EQ(line.xdata(), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(axes().title(), "Scree Plot as Percentage of Variance");
  EXPECT_EQ(line.marker, 'o');
  EXPECT_EQ(line.lineStyle, "none");
}

TEST_F(ScreeTest, EveryPointIsInsideTheFrameAndTheAxesHaveTitles) {
  // The gorilla eigenvalues: the smallest is near zero, the ranks run 1..12.
  analysis({1.43e-3, 5.26e-4, 3.29e-4, 1.96e-4, 1.63e-4, 1.18e-4, 9.2e-5, 7.8e-5, 7.1e-5, 4.9e-5,
            3.4e-5, 2.3e-5});
  for (auto action : {ScreePlot, ScreePercentages}) {
    action(ctx_);
    const auto& line = onlyLine();
    const graphics::Limits l = axes().limits();
    const double xr = l[1] - l[0], yr = l[3] - l[2];
    const auto xs = line.xdata(), ys = line.ydata();
    for (std::size_t i = 0; i < xs.size(); ++i) {
      // Strictly inside, by more than a marker's radius in a box of 500
      // pixels: no marker touches the frame.
      EXPECT_GT(xs[i] - l[0], 0.02 * xr) << i;
      EXPECT_GT(l[1] - xs[i], 0.02 * xr) << i;
      EXPECT_GT(ys[i] - l[2], 0.02 * yr) << i;
      EXPECT_GT(l[3] - ys[i], 0.02 * yr) << i;
    }
    EXPECT_TRUE(axes().autoLimits());
    EXPECT_EQ(axes().xlabel(), "Principal axis");
  }
  EXPECT_EQ(axes().ylabel(), "Share of variance (%)");
  ScreePlot(ctx_);
  EXPECT_EQ(axes().ylabel(), "Eigenvalue");
  // A score plot drawn next starts without the margin.
  axes().cla();
  EXPECT_EQ(axes().autoMargin(), 0);
}

TEST_F(ScreeTest, NothingComputedIsARuntimeErrorAndDrawsNothing) {
  axes().plot(std::vector<double>{0, 1}, std::vector<double>{0, 1}, "b*");
  for (auto action : {ScreePlot, ScreePercentages, CheckSig})
    EXPECT_THROW(action(ctx_), RuntimeError);
  EXPECT_EQ(axes().children().size(), 1u);
  EXPECT_TRUE(win_.answers.messages.empty());

  // Eigenvalues without data: the test needs N.
  state_.Dmatrix = dmatrix({2, 1});
  state_.NumPCA = 3;
  EXPECT_THROW(CheckSig(ctx_), RuntimeError);
  EXPECT_TRUE(win_.answers.messages.empty());
}

TEST_F(ScreeTest, AxisNumberBeyondTheEigenvaluesIsARuntimeError) {
  analysis({3, 2, 1});
  state_.NumPCA = 6;
  EXPECT_THROW(ScreePlot(ctx_), RuntimeError);
  EXPECT_THROW(CheckSig(ctx_), RuntimeError);
  EXPECT_TRUE(axes().children().empty());
}

// ---------------------------------------------------------------------------
// The test of distinct eigenvalues.

TEST_F(ScreeTest, CheckSigMessage) {
  // (1,2): 29 ln(25/16) = 12.94 is distinct; (2,3): 0 is not.
  analysis({4, 1, 1, 1}, 30);
  EXPECT_EQ(checkSig(), "The number of distinct eigenvalues is 1 ");
  analysis({1, 1, 0.5, 0.1}, 30);
  EXPECT_EQ(checkSig(), "The number of distinct eigenvalues is 0 ");
  analysis({2}, 30);
  EXPECT_EQ(checkSig(), "The number of distinct eigenvalues is -1 ");
}

TEST_F(ScreeTest, CheckSigUsesSpecimensMinusOne) {
  // 4 against 1 gives ln(25/16) = 0.446 per degree: 13 x 0.446 = 5.80 is not
  // distinct, 14 x 0.446 = 6.25 would be.
  analysis({4, 1, 1}, 14);
  EXPECT_EQ(checkSig(), "The number of distinct eigenvalues is 0 ");
  analysis({4, 1, 1}, 15);
  EXPECT_EQ(checkSig(), "The number of distinct eigenvalues is 1 ");
}

// The first eigenvalue of a pair whose statistic with n = 29 is c (the second
// is 1).
double pairWithStatistic(double c) {
  const double q = std::exp(c / 29);
  const double b = 2 * q - 1;
  return b + std::sqrt(b * b - 1);
}

TEST(DistinctEigenvalues, ThresholdIsTheChiSquareFivePercentPoint) {
  EXPECT_NEAR(morpho::checkpcaRoot(pairWithStatistic(5.99), 1, 29), 5.99, 1e-9);
  EXPECT_EQ(distinctEigenvalues({pairWithStatistic(6.0), 1, 1, 1}, 30), 1);
  EXPECT_EQ(distinctEigenvalues({pairWithStatistic(5.98), 1, 1, 1}, 30), 0);
}

TEST(DistinctEigenvalues, CountsLeadingPairsInTurn) {
  // The second pair ends the test.
  EXPECT_EQ(distinctEigenvalues({16, 4, 3.9, 1, 0.2}, 30), 1);
  // The third pair ends it.
  EXPECT_EQ(distinctEigenvalues({16, 4, 1, 0.99, 0.2}, 30), 2);
  // No pair before the last ends it: the pairs run out after (V-1, V).
  EXPECT_EQ(distinctEigenvalues({16, 4, 1, 0.25}, 30), 2);
  EXPECT_EQ(distinctEigenvalues({16, 4, 1, 0.99}, 30), 2);
  // Two eigenvalues: one pair, whatever it gives.
  EXPECT_EQ(distinctEigenvalues({16, 1}, 30), 0);
  EXPECT_EQ(distinctEigenvalues({}, 30), -1);
}

TEST(DistinctEigenvalues, ZeroAndNegativeEigenvalues) {
  // A zero next to a positive eigenvalue makes the statistic infinite.
  // Two zeros give no number, which ends the test.
  EXPECT_EQ(distinctEigenvalues({16, 4, 1, 0, 0, 0}, 1000), 3);
  // Rounding noise below zero counts as zero: distinct from a positive one.
  EXPECT_EQ(distinctEigenvalues({16, 4, 1, -1e-17, -3e-17}, 1000), 3);
  EXPECT_EQ(distinctEigenvalues({16, 4, 1, -1e-17, -3e-17, -4e-17}, 1000), 3);
  // Two noise values are never told apart, however many specimens.
  EXPECT_EQ(distinctEigenvalues({16, 4, 1, 0.5, -1e-17, -3e-17, -4e-17}, 1e6), 4);
}

}  // namespace
}  // namespace varnok::analysis
