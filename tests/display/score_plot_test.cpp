// The score plot as a figure: axis titles from the shares of variance and a
// legend of the groups, on the real data.
#include "display/score_plot.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/graphics/plot_data.hpp"
#include "platform/matrix/text.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::display {
namespace {

namespace fs = std::filesystem;

class ScorePlotFigure : public testkit::SessionTest {
 protected:
  ScorePlotFigure() {
    shell_.session().folder = testkit::folderString(dir_);
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt", "mice.txt", "mice_groups.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, dir_ / f);
    testkit::addAnalysisControls(win_);
    win_.control("AxisOnePos").set("Value", 1.0);
    win_.control("AxisTwoPos").set("Value", 1.0);
  }
  void answer(const std::string& name) { SessionTest::answer(name, dir_); }
  void act(const std::string& a) { shell_.runCallback("Varnoksw('" + a + "')"); }
  void analyse(const std::string& data, const std::string& groups) {
    answer(data);
    act("LoadData");
    answer(groups);
    act("LoadGroupList");
  }
  graphics::Axes& axes() { return win_.figure().axes(); }
  // The title the axis of principal axis t should have, computed here
  // straight from the shares.
  std::string expectedTitle(int t) {
    const double share = state_.percentexp(0, static_cast<Eigen::Index>(*state_.NumPCA) - t - 1);
    char buf[64];
    std::snprintf(buf, sizeof buf, "PC %d (%.1f %%)", t, 100 * share);
    return buf;
  }
  // The marker letter of the line with handle h.
  char markerOf(graphics::Handle h) { return win_.figure().getProperty(h, "Marker").text()[0]; }
};

TEST_F(ScorePlotFigure, AxisTitlesNameTheAxesAndTheirSharesAfterStepping) {
  analyse("gorilla.txt", "gorilla_groups.txt");
  act("ShowPCAAxis");
  EXPECT_EQ(axes().xlabel(), expectedTitle(1));
  EXPECT_EQ(axes().ylabel(), expectedTitle(2));
  EXPECT_EQ(axes().xlabel(), "PC 1 (46.0 %)");
  // The boxes show the same shares.
  EXPECT_EQ(win_.control("XBoxExp").get("String").text(),
            sprintf("%1.4f", {state_.percentexp(0, 11)}));
  act("UpXAxis");
  act("UpXAxis");
  act("UpYAxis");
  // Stepping changes nothing until the plot is drawn again.
  EXPECT_EQ(axes().xlabel(), expectedTitle(1));
  act("ShowPCAAxis");
  EXPECT_EQ(axes().xlabel(), expectedTitle(3));
  EXPECT_EQ(axes().ylabel(), expectedTitle(3));
  // A mirrored axis is still the same principal axis.
  win_.control("AxisOnePos").set("Value", 0.0);
  act("DownYAxis");
  act("ShowPCAAxis");
  EXPECT_EQ(axes().ylabel(), expectedTitle(2));
  EXPECT_EQ(axes().xlabel(), expectedTitle(3));
  // The plot data carry them.
  const std::string json = graphics::plotDataJson(win_.figure());
  EXPECT_NE(json.find("\"xlabel\": \"" + expectedTitle(3) + "\""), std::string::npos);
}

TEST_F(ScorePlotFigure, TheLegendHasOneEntryPerGroupInUse) {
  analyse("mice.txt", "mice_groups.txt");
  win_.control("CentroidButton").set("Value", 1.0);
  act("ShowPCAAxis");
  const auto& legend = axes().legend();
  ASSERT_EQ(legend.size(), 3u);
  const char markers[] = {'o', 'x', 'p'};  // the default symbols of groups 1 to 3
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(legend[k].group, static_cast<double>(k + 1));
    EXPECT_EQ(legend[k].label, "Group " + std::to_string(k + 1));
    EXPECT_EQ(markerOf(legend[k].symbol), markers[k]);
    // The entry shows a specimen's point of that group, not the larger mean.
    EXPECT_EQ(win_.figure().getProperty(legend[k].symbol, "MarkerSize").scalar(), 6);
  }
  // The legend is no child: 76 points and 3 means.
  EXPECT_EQ(axes().childCount(), 76u + 3u);

  // Codes 1 and 3 only: two entries, for the codes in use.
  std::string codes;
  for (int i = 0; i < 76; ++i) codes += i < 40 ? "1\n" : "3\n";
  testkit::writeFile(dir_ / "two.txt", codes);
  answer("two.txt");
  act("LoadGroupList");
  act("ShowPCAAxis");
  ASSERT_EQ(axes().legend().size(), 2u);
  EXPECT_EQ(axes().legend()[0].group, 1);
  EXPECT_EQ(axes().legend()[1].group, 3);
  EXPECT_EQ(markerOf(axes().legend()[1].symbol), 'p');

  // One group tells nothing: no legend.
  act("NoGroupList");
  act("ShowPCAAxis");
  EXPECT_TRUE(axes().legend().empty());
}

TEST_F(ScorePlotFigure, LegendOfGroupsTakingTurnsShowsEachGroupsOwnMarker) {
  // Codes 1 2 1 2 ... put every specimen's point into one joined group of
  // points with a style per member; each entry must show its own group's.
  std::string codes;
  for (int i = 0; i < 76; ++i) codes += i % 2 == 0 ? "1\n" : "2\n";
  testkit::writeFile(dir_ / "alternating.txt", codes);
  analyse("mice.txt", "alternating.txt");
  act("ShowPCAAxis");
  // Read through the plot data, which leaves the joined group as it is.
  const std::string json = graphics::plotDataJson(win_.figure());
  const auto at = json.find("\"legend\"");
  ASSERT_NE(at, std::string::npos);
  const std::string legend = json.substr(at);
  const auto first = legend.find("\"marker\": \"o\"");
  const auto second = legend.find("\"marker\": \"x\"");
  ASSERT_NE(first, std::string::npos) << legend;
  ASSERT_NE(second, std::string::npos) << legend;
  EXPECT_LT(first, second);
}

TEST_F(ScorePlotFigure, GroupNamesLabelTheLegend) {
  analyse("mice.txt", "mice_groups.txt");
  act("ShowPCAAxis");
  // Two names for three groups: the third keeps its number.
  testkit::writeFile(dir_ / "names.txt", "Control\r\n\r\nSmall\n");
  answer("names.txt");
  ASSERT_TRUE(shell_.runCallback("LoadGroupNames"));
  // The legend on the plot follows at once.
  ASSERT_EQ(axes().legend().size(), 3u);
  EXPECT_EQ(axes().legend()[0].label, "Control");
  EXPECT_EQ(axes().legend()[1].label, "Group 2");  // a blank line
  EXPECT_EQ(axes().legend()[2].label, "Small");
  EXPECT_TRUE(win_.answers.messages.empty());
  act("ShowPCAAxis");
  EXPECT_EQ(axes().legend()[2].label, "Small");
  // One named group is worth a legend.
  testkit::writeFile(dir_ / "one.txt", "Mice\n");
  answer("one.txt");
  ASSERT_TRUE(shell_.runCallback("LoadGroupNames"));
  ASSERT_EQ(win_.answers.messages.size(), 1u);  // too few names
  act("NoGroupList");
  act("ShowPCAAxis");
  ASSERT_EQ(axes().legend().size(), 1u);
  EXPECT_EQ(axes().legend()[0].label, "Mice");
  // Another data file forgets the names of these groups.
  analyse("mice.txt", "mice_groups.txt");
  act("ShowPCAAxis");
  ASSERT_EQ(axes().legend().size(), 3u);
  EXPECT_EQ(axes().legend()[0].label, "Group 1");
}

}  // namespace
}  // namespace varnok::display
