// What the user is told when something cannot be done: every console line
// carries its kind (error, result, echo of an intermediate value), refusals
// are warnings, and the controls that need an analysis are off, saying why,
// until there is one.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/matrix/console.hpp"
#include "shell/enable_controls.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::shell {
namespace {

TEST(ConsoleTags, EachPieceCarriesItsKindAndTheStreamIsUnchanged) {
  std::ostringstream out;
  Console console(&out, true);
  std::vector<std::pair<std::string, ConsoleTag>> seen;
  console.setListener(
      [&seen](std::string_view text, ConsoleTag tag) { seen.emplace_back(text, tag); });
  console.display("x", 2.0);
  console.display("names", std::vector<std::string>{"a"});
  console.line("Wrote the results table t.csv");
  console.error("Run-time Error: one");
  console.echo("i = 3");
  console.write("Fell through case!", ConsoleTag::Error);
  const std::string expected =
      "x =\n\n         2\n\nnames =\n\n    'a'\n\nWrote the results table t.csv\n"
      "Run-time Error: one\ni = 3\nFell through case!";
  EXPECT_EQ(out.str(), expected);
  EXPECT_EQ(console.kept(), expected);
  const std::vector<std::pair<std::string, ConsoleTag>> want = {
      {"x =\n\n         2\n\n", ConsoleTag::Echo},
      {"names =\n\n    'a'\n\n", ConsoleTag::Echo},
      {"Wrote the results table t.csv\n", ConsoleTag::Result},
      {"Run-time Error: one\n", ConsoleTag::Error},
      {"i = 3\n", ConsoleTag::Echo},
      {"Fell through case!", ConsoleTag::Error}};
  EXPECT_EQ(seen, want);
}

// A shell on a window with the controls of a whole analysis, the gorilla
// skulls in its folder, and every console piece kept with its kind.
class Refusals : public testkit::SessionTest {
 protected:
  Refusals() {
    shell_.session().folder = testkit::folderString(dir_);
    testkit::addPictureControls(win_, dir_);
    for (const char* tag : {"LoadGroup", "NoLoadGroup"}) win_.add(tag);
    for (const std::string& tag : controlsNeedingAnalysis()) win_.add(tag);
    console_.setListener(
        [this](std::string_view text, ConsoleTag tag) { pieces_.emplace_back(text, tag); });
  }
  // Everything written with one of the kinds, in order.
  std::string written(std::initializer_list<ConsoleTag> tags) const {
    std::string s;
    for (const auto& [text, tag] : pieces_)
      if (std::find(tags.begin(), tags.end(), tag) != tags.end()) s += text;
    return s;
  }
  bool run(const std::string& callback) { return shell_.runCallback(callback); }
  void load() {
    answer("gorilla.txt", dir_);
    ASSERT_TRUE(run("Varnoksw('LoadData')"));
  }
  std::string enable(const std::string& tag) { return win_.control(tag).get("Enable").text(); }
  std::string why(const std::string& tag) { return win_.control(tag).get("DisabledTip").text(); }

  std::vector<std::pair<std::string, ConsoleTag>> pieces_;
};

TEST_F(Refusals, ErrorsAndResultsAreTaggedAndTheDefaultViewLeavesOnlyTheEchoesOut) {
  // An action before its data: the runtime's error, tagged as one.
  EXPECT_FALSE(run("Varnoksw('ShowPCAAxis')"));
  EXPECT_NE(written({ConsoleTag::Error}).find("Run-time Error: Reference to unassigned variable"),
            std::string::npos);
  load();
  ASSERT_TRUE(run("Varnoksw('NoGroupList')"));
  // The analysis echoes its intermediate values; none of them is taken for
  // a result or an error, and nothing written is lost.
  const std::string shown = written({ConsoleTag::Result, ConsoleTag::Error});
  const std::string echoes = written({ConsoleTag::Echo});
  for (const char* name : {"reference =", "DATA =", "stemp ="}) {
    EXPECT_NE(echoes.find(name), std::string::npos) << name;
    EXPECT_EQ(shown.find(name), std::string::npos) << name;
  }
  EXPECT_EQ(written({ConsoleTag::Result, ConsoleTag::Error, ConsoleTag::Echo}), console_.kept());
  // Callbacks without an action echo their line; unknown actions are errors.
  pieces_.clear();
  shell_.callByName("edit2_Callback", {Value(1.0), Value(), Value()}, 0);
  EXPECT_EQ(written({ConsoleTag::Echo}), "edit2 Callback not implemented yet.\n");
  shell_.Varnoksw({Value("loaddata")});
  EXPECT_EQ(written({ConsoleTag::Error}), "Fell through case!");
  // A result the user asked for is shown by default.
  pieces_.clear();
  answer("g.csv", dir_);
  ASSERT_TRUE(run("ExportResultsTable"));
  EXPECT_NE(written({ConsoleTag::Result}).find("Wrote the results table g.csv"), std::string::npos);
}

TEST_F(Refusals, ControlsThatNeedAnAnalysisAreOffWithTheReasonUntilThereIsOne) {
  const std::vector<std::string> some = {"ShowPCAAxisButton", "DeformPSButton",
                                         "ShowProcrustesButton", "SavePCAItem"};
  // The window opened: nothing loaded.
  shell_.Varnok6p({}, 0);
  for (const auto& tag : some) {
    EXPECT_EQ(enable(tag), "off") << tag;
    EXPECT_NE(why(tag).find("Load a data file first"), std::string::npos) << tag;
  }
  load();
  for (const auto& tag : some) {
    EXPECT_EQ(enable(tag), "off") << tag;
    EXPECT_NE(why(tag).find("Run the analysis first"), std::string::npos) << tag;
  }
  ASSERT_TRUE(run("Varnoksw('NoGroupList')"));
  for (const std::string& tag : controlsNeedingAnalysis()) {
    EXPECT_EQ(enable(tag), "on") << tag;
    EXPECT_EQ(why(tag), "") << tag;
  }
  // A failed callback leaves them as the state says, and Clear Data turns
  // them off again.
  EXPECT_FALSE(run("Varnoksw('LoadData', 1, 2)"));
  EXPECT_EQ(enable("ShowPCAAxisButton"), "on");
  ASSERT_TRUE(run("Varnoksw('ClearData')"));
  for (const auto& tag : some) EXPECT_EQ(enable(tag), "off") << tag;
}

TEST_F(Refusals, AnActionOffInTheWindowStillRefusesAsBeforeWhenCalledByName) {
  shell_.Varnok6p({}, 0);
  ASSERT_EQ(enable("ShowProcrustesButton"), "off");
  // A script line or a recorded session calls it by name: the same refusal,
  // now as a warning.
  ASSERT_TRUE(run("Varnoksw('ShowProcrustes')"));
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].text, "Load a data file first");
  EXPECT_TRUE(win_.answers.messages[0].warning);
  // Titled with the action, in the words of the box its button sits in.
  EXPECT_EQ(win_.answers.messages[0].title, "Superimposed Specimens, Procrustes");
  load();
  ASSERT_TRUE(run("Varnoksw('ShowPCADeformationPS')"));
  ASSERT_EQ(win_.answers.messages.size(), 2u);
  EXPECT_EQ(win_.answers.messages[1].text.rfind("There is no analysis to picture yet.", 0), 0u);
  EXPECT_TRUE(win_.answers.messages[1].warning);
  EXPECT_EQ(win_.answers.messages[1].title, "Deformation, Procrustes");
  // A menu item's routine is titled the same way.
  ASSERT_TRUE(run("ShowAllometryShape"));
  ASSERT_EQ(win_.answers.messages.size(), 3u);
  EXPECT_EQ(win_.answers.messages[2].title, "Allometric Shape Change");
  win_.answers.messages.pop_back();
  // A result, not a refusal, keeps the plain message box.
  ASSERT_TRUE(run("Varnoksw('NoGroupList')"));
  ASSERT_TRUE(run("Varnoksw('CheckSig')"));
  ASSERT_GE(win_.answers.messages.size(), 3u);
  EXPECT_EQ(win_.answers.messages.back().title, "Test for significantly different PCAs");
  EXPECT_FALSE(win_.answers.messages.back().warning);
}

TEST_F(Refusals, TheBaselineRefusalNamesTheBoxesByTheirLabels) {
  load();
  ASSERT_TRUE(run("Varnoksw('NoGroupList')"));
  win_.control("BaseBox2").set("String", "1");
  ASSERT_TRUE(run("Varnoksw('ShowBC')"));
  ASSERT_FALSE(win_.answers.messages.empty());
  const auto& m = win_.answers.messages.back();
  EXPECT_TRUE(m.warning);
  EXPECT_EQ(m.text.find("BaseBox"), std::string::npos) << m.text;
  EXPECT_NE(m.text.find("baseline landmark boxes both name landmark 1"), std::string::npos)
      << m.text;
  EXPECT_EQ(m.title, "Superimposed Specimens, Baseline");
  // Text where a number belongs: the box by its label, and what it must hold.
  win_.control("BaseBox2").set("String", "x");
  ASSERT_TRUE(run("Varnoksw('ShowMeans', 2)"));
  const auto& n = win_.answers.messages.back();
  EXPECT_EQ(n.text,
            "The second baseline landmark is \"x\"; it must be a landmark number from 1 to 8.");
  EXPECT_EQ(n.title, "Group Means, Sliding Baseline");
}

}  // namespace
}  // namespace varnok::shell
