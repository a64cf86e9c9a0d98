#include "analysis/statistics_actions.hpp"

#include <gtest/gtest.h>

#include <random>

#include "action_fixture.hpp"
#include "platform/graphics/plot_data.hpp"

namespace varnok::analysis {
namespace {

using actiontest::ActionTest;

TEST(StatisticsSettingsText, IsTwoWholeNumbers) {
  auto o = parsePermutationSettings(" 9999  1 ");
  ASSERT_TRUE(o);
  EXPECT_EQ(o->count, 9999);
  EXPECT_EQ(o->seed, 1u);
  EXPECT_TRUE(parsePermutationSettings("0 0"));
  EXPECT_TRUE(parsePermutationSettings("1000000 18446744"));
  for (const char* bad : {"", "999", "999 1 2", "-5 1", "1.5 1", "99 x", "1000001 1", "1e3 1"})
    EXPECT_FALSE(parsePermutationSettings(bad)) << bad;
}

// A progress that cancels as soon as work asks.
struct Cancelling : Progress {
  bool cancelled() const override { return true; }
};

// Two groups of ten specimens far apart in shape, sizes varying with shape.
class StatisticsActionTest : public ActionTest {
 protected:
  StatisticsActionTest() {
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0, 0.01);
    const Eigen::Index N = 20, V = 6;
    state_.pwscores = Mat(N, V + 1);
    state_.GLIST = Mat(N, 1);
    for (Eigen::Index i = 0; i < N; ++i) {
      const int g = i < 10 ? 1 : 2;
      for (Eigen::Index j = 0; j < V; ++j) state_.pwscores(i, j) = noise(rng) + (g == 2 ? 0.1 : 0);
      state_.pwscores(i, V) = 100 + 10 * static_cast<double>(i % 10) + noise(rng);
      state_.GLIST(i) = g;
    }
    for (const char* tag : {"ShapeAnovaItem", "ExportStatisticsItem", "ShowCVShapeItem"})
      win_.add(tag).set("Enable", "Off");
  }
  std::string picture() { return graphics::plotDataJson(win_.figure()); }
  bool on(const char* tag) { return win_.control(tag).get("Enable").text() == "on"; }
};

TEST_F(StatisticsActionTest, ACancelOrARefusalKeepsTheEarlierResultsAndPicture) {
  ASSERT_TRUE(shell_.runCallback("ShapeAnova"));
  ASSERT_TRUE(shell_.runCallback("FindOutliers"));
  const StatisticsResults* kept = statisticsOf(shell_.session());
  ASSERT_TRUE(kept && kept->anova && kept->outliers);
  EXPECT_DOUBLE_EQ(kept->anova->pPerm, 1.0 / 1000);
  const std::string table = statisticsTable(*kept, {});
  const std::string before = picture();
  EXPECT_TRUE(on("ShapeAnovaItem"));
  EXPECT_TRUE(on("ExportStatisticsItem"));
  EXPECT_FALSE(on("ShowCVShapeItem"));

  Cancelling cancel;
  shell_.setProgress(&cancel);
  EXPECT_FALSE(shell_.runCallback("CanonicalVariates"));
  shell_.setProgress(nullptr);
  // One group: the ANOVA is refused.
  const Mat groups = state_.GLIST;
  state_.GLIST.setOnes();
  EXPECT_FALSE(shell_.runCallback("ShapeAnova"));
  EXPECT_FALSE(on("ShapeAnovaItem"));
  state_.GLIST = groups;
  // Constant size: no allometry.
  const Mat sizes = state_.pwscores.col(6);
  state_.pwscores.col(6).setConstant(150);
  EXPECT_FALSE(shell_.runCallback("ShapeRegression"));
  state_.pwscores.col(6) = sizes;

  ASSERT_TRUE(statisticsOf(shell_.session()));
  EXPECT_EQ(statisticsTable(*statisticsOf(shell_.session()), {}), table);
  EXPECT_EQ(picture(), before);
  EXPECT_FALSE(on("ShowCVShapeItem"));
}

TEST_F(StatisticsActionTest, WellSeparatedGroupsAreToldApartAndTheTableSaysSo) {
  ASSERT_TRUE(shell_.runCallback("CanonicalVariates"));
  // The CV plot of two groups: CV 1 against the specimen number.
  EXPECT_EQ(win_.figure().axes().xlabel(), "Specimen");
  EXPECT_EQ(win_.figure().axes().legend().size(), 2u);
  ASSERT_TRUE(shell_.runCallback("ShapeRegression"));
  const StatisticsResults* r = statisticsOf(shell_.session());
  ASSERT_TRUE(r && r->cva && r->regression && r->pooled);
  EXPECT_EQ(r->cva->overallPercent, 100);
  EXPECT_TRUE(on("ShowCVShapeItem"));
  const std::string t = statisticsTable(*r, {});
  EXPECT_NE(t.find("\nclassification,,1,1,,,,,,,,,,,,10\n"), std::string::npos) << t;
  EXPECT_NE(t.find("\nclassification,,2,1,,,,,,,,,,,,0\n"), std::string::npos) << t;
  EXPECT_NE(t.find("\nclassification_percent,,all,,,,,,,,,,,,,100\n"), std::string::npos) << t;
  EXPECT_NE(t.find("\nregression,total_pooled,,,18,"), std::string::npos) << t;
}

TEST_F(StatisticsActionTest, CanonicalVariatesUseTheAxesAskedForOrRefuseTooMany) {
  win_.answers.inputs.push_back(std::vector<std::string>{"2"});
  ASSERT_TRUE(shell_.runCallback("CanonicalVariatesAxes"));
  ASSERT_TRUE(shell_.runCallback("CanonicalVariates"));
  const StatisticsResults* r = statisticsOf(shell_.session());
  ASSERT_TRUE(r && r->cva);
  EXPECT_EQ(r->cva->q, 2);
  const std::string table = statisticsTable(*r, {});
  // More axes than the six shape variables: refused, the results kept.
  win_.answers.inputs.push_back(std::vector<std::string>{"7"});
  ASSERT_TRUE(shell_.runCallback("CanonicalVariatesAxes"));
  EXPECT_FALSE(shell_.runCallback("CanonicalVariates"));
  EXPECT_EQ(statisticsTable(*statisticsOf(shell_.session()), {}), table);
  win_.answers.inputs.push_back(std::vector<std::string>{"two"});
  ASSERT_TRUE(shell_.runCallback("CanonicalVariatesAxes"));
  EXPECT_EQ(shell_.session().cvaAxes, 7);
  EXPECT_EQ(win_.answers.messages.back().title, "Canonical Variates Axes");
}

}  // namespace
}  // namespace varnok::analysis
