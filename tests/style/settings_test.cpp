#include "style/settings.hpp"

#include <gtest/gtest.h>

#include "platform/window/in_memory_window.hpp"
#include "shell/shell.hpp"

namespace varnok::style {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tag :
         {"Density10", "Density20", "Density30", "Density50", "ArrowHeads", "NoArrowHeads",
          "RefSquare", "RefDiamond", "RefCircle", "RefPlus", "Line1Red", "Line1Black",
          "Line1Dotted", "Weight5", "Weight10", "Weight15", "Weight20", "Weigth25", "BWButton"})
      win_.add(tag).set("Checked", "off");
    win_.control("Density10").set("Checked", "on");
  }
  std::string checked(const char* tag) { return win_.control(tag).get("Checked").text(); }
  void act(const std::string& callback) { ASSERT_TRUE(shell_.runCallback(callback)); }

  window::InMemoryWindow win_;
  Console console_{nullptr, true};
  shell::Shell shell_{console_, [this]() -> window::Window& { return win_; }};
  session::AnalysisState& s_ = shell_.state();
};

TEST_F(SettingsTest, CheckMarksNameTheValuesInUse) {
  act("Varnoksw('SetPlotDensity',20)");
  EXPECT_EQ(checked("Density20"), "on");
  EXPECT_EQ(checked("Density10"), "off");
  EXPECT_EQ(*s_.vplotdensity, 20);
  act("Varnoksw('SetPlotDensity',40)");
  EXPECT_EQ(*s_.vplotdensity, 40);
  // No item for 40: no item may claim it.
  for (const char* tag : {"Density10", "Density20", "Density30", "Density50"})
    EXPECT_EQ(checked(tag), "off") << tag;

  act("Varnoksw('SetReferenceSymbol','kd')");
  EXPECT_EQ(checked("RefDiamond"), "on");
  EXPECT_EQ(*s_.vrefsymbol, "kd");
  act("Varnoksw('SetLineFormat1','k:')");
  EXPECT_EQ(checked("Line1Dotted"), "on");
  EXPECT_EQ(checked("Line1Red"), "off");
  EXPECT_EQ(*s_.vlineformat1, "k:");
  s_.vlineformat1 = "k-";  // what a load sets: the solid black line of the menu
  showDisplaySettings(win_, s_);
  EXPECT_EQ(checked("Line1Black"), "on");
  EXPECT_EQ(checked("Line1Dotted"), "off");
  act("Varnoksw('NoArrowHeads')");
  EXPECT_EQ(checked("NoArrowHeads"), "on");
  EXPECT_EQ(checked("ArrowHeads"), "off");
  EXPECT_EQ(*s_.vaheads, 0);
  act("Varnoksw('ArrowHeads')");
  EXPECT_EQ(*s_.vaheads, 1);
  EXPECT_FALSE(shell_.runCallback("Varnoksw('SetPlotDensity')"));  // no value given
}

TEST_F(SettingsTest, LineWidthIsAppliedAtOnce) {
  auto& ax = win_.figure().axes();
  ax.hold(true);
  auto& line = ax.plot(std::vector<double>{0, 1}, std::vector<double>{0, 1}, "k-");
  act("Varnoksw('SetLineWidth',25)");
  EXPECT_EQ(checked("Weigth25"), "on");
  EXPECT_DOUBLE_EQ(*s_.vlinewidth, 2.5);
  EXPECT_DOUBLE_EQ(line.lineWidth, 2.5);
  act("Varnoksw('SetLineWidth',12)");
  for (const char* tag : {"Weight5", "Weight10", "Weight15", "Weight20", "Weigth25"})
    EXPECT_EQ(checked(tag), "off") << tag;
  EXPECT_DOUBLE_EQ(*s_.vlinewidth, 1.2);
}

TEST_F(SettingsTest, BlackAndWhiteSymbolsToggle) {
  s_.altcode = 0;
  act("Varnoksw('SetBWCode')");
  EXPECT_EQ(*s_.altcode, 1);
  EXPECT_EQ(s_.codearray, blackAndWhiteTable());
  EXPECT_EQ(win_.control("BWButton").get("Label").text(), "Return to Default Symbols");
  act("Varnoksw('SetBWCode')");
  EXPECT_EQ(*s_.altcode, 0);
  EXPECT_EQ(win_.control("BWButton").get("Label").text(), "Use BW Symbols");
  EXPECT_EQ(s_.codearray.rows(), 12);  // kept, no longer used
  EXPECT_EQ(blackAndWhiteTable()(2, 3), 13);
}

TEST_F(SettingsTest, SymbolLegendInTwoColumns) {
  s_.ColorList = session::defaultColorList();
  s_.altcode = 0;
  act("Varnoksw('ShowSymbolCodes')");
  std::vector<graphics::Line*> lines;
  for (const auto& c : win_.figure().axes().children())
    if (auto* l = dynamic_cast<graphics::Line*>(c.get())) lines.push_back(l);
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_EQ(lines[0]->xdata()[0], 0.1);
  EXPECT_EQ(lines[11]->ydata()[0], 12);
  EXPECT_EQ(lines[12]->xdata()[0], 3.1);
  EXPECT_EQ(lines[12]->ydata()[0], 1);
  EXPECT_EQ(lines[23]->marker, 'h');
  EXPECT_FALSE(win_.figure().axes().held());
  auto lim = win_.figure().axes().limits();
  EXPECT_LE(lim[0], -0.9);
  EXPECT_GE(lim[3], 12.9);
}

}  // namespace
}  // namespace varnok::style
