// LoadData with TPS and NTS files, through the dispatcher on the shared
// session fixture.
#include "io/load_data.hpp"

#include <gtest/gtest.h>

#include "io/mfload.hpp"
#include "support/session_fixture.hpp"

namespace varnok::io {
namespace {

namespace fs = std::filesystem;

class LoadDataTest : public testkit::SessionTest {
 protected:
  LoadDataTest() {
    for (const char* tag : {"FileBox", "GroupBox", "LoadGroup", "NoLoadGroup", "LoadReference"})
      win_.add(tag);
    // The wings below have a curve on one wing only: read as points, every
    // wing would need it.
    shell_.session().sliding.readCurves = false;
  }
  bool act(const std::string& a) { return shell_.runCallback("Varnoksw('" + a + "')"); }
  void load(const std::string& name, const std::string& text) {
    write(dir_ / name, text);
    answer(name, dir_);
    EXPECT_TRUE(act("LoadData")) << win_.statusText;
  }
  std::string box(const char* tag) { return win_.control(tag).get("String").text(); }
  std::vector<std::string>& ids() { return shell_.session().specimenIds; }
};

const char* kWings =
    "LM=3\r\n0 0\r\n3 0\r\n0 4\r\nCURVES=1\r\nPOINTS=2\r\n1 1\r\n2 2\r\nIMAGE=w1.jpg\r\n"
    "ID=wing 1\r\nSCALE=2\r\n"
    "LM=3\r\n1 1\r\n2 2\r\n3 5\r\nID=wing 2\r\nSCALE=2\r\n";

TEST_F(LoadDataTest, ATpsFileLoadsWithItsNamesAndANoteOnTheCurves) {
  load("wings.tps", kWings);
  ASSERT_EQ(state_.DATA->rows(), 2);
  ASSERT_EQ(state_.DATA->cols(), 7);
  EXPECT_EQ((*state_.DATA)(0, 2), 6);  // scaled
  EXPECT_EQ(box("FileBox"), "File: wings.tps \n   2 Specimens \n   3 Landmarks");
  EXPECT_EQ(ids(), (std::vector<std::string>{"wing 1", "wing 2"}));
  EXPECT_NE(
      console_.kept().find("Skipped 2 curve points in wings.tps: semilandmarks are not used."),
      std::string::npos)
      << console_.kept();
  EXPECT_TRUE(win_.answers.messages.empty());
  EXPECT_EQ(win_.answers.fileDialogFilters.back(), kLandmarkFilter);
}

TEST_F(LoadDataTest, AnNtsFileLoadsWithItsRowLabels) {
  load("rats.nts", "\" two rats\n1 2L 6 0\nr1 r2\n0 0 3 0 0 4\n1 1 2 2 3 5\n");
  ASSERT_EQ(state_.DATA->rows(), 2);
  EXPECT_EQ(ids(), (std::vector<std::string>{"r1", "r2"}));
  EXPECT_EQ(box("FileBox"), "File: rats.nts \n   2 Specimens \n   3 Landmarks");
}

TEST_F(LoadDataTest, APlainFileAfterATpsFileHasNoNames) {
  load("wings.tps", kWings);
  ASSERT_EQ(ids().size(), 2u);
  load("plain.txt", "0 0 3 0 0 4 5\n1 1 2 2 3 5 6\n1 0 2 0 3 3 7\n");
  EXPECT_EQ(state_.DATA->rows(), 3);
  EXPECT_TRUE(ids().empty());
  load("wings.tps", kWings);
  act("ClearData");
  EXPECT_TRUE(ids().empty());
}

TEST_F(LoadDataTest, ABadTpsFileIsReportedAndChangesNothing) {
  load("wings.tps", kWings);
  const Mat before = *state_.DATA;
  const std::string folder = shell_.session().folder;
  load("bad.tps", "LM=3\n0 0\n3 0\n0 4\nLM=2\n0 0\n1 1\n");
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, kLoadErrorTitle);
  EXPECT_EQ(win_.answers.messages[0].text,
            "The file bad.tps could not be loaded: line 5 holds LM=2, but the first specimen "
            "(line 1) has 3 landmarks; every specimen needs the same landmarks.");
  EXPECT_EQ(*state_.DATA, before);
  EXPECT_EQ(ids(), (std::vector<std::string>{"wing 1", "wing 2"}));
  EXPECT_EQ(shell_.session().folder, folder);
}

TEST_F(LoadDataTest, OtherFileDialogsKeepTheirFilter) {
  load("wings.tps", kWings);
  cancel();
  act("CodeLoad");
  cancel();
  act("LoadGroupList");
  cancel();
  act("LoadReference");
  const auto& filters = win_.answers.fileDialogFilters;
  ASSERT_EQ(filters.size(), 4u);
  EXPECT_EQ(filters[0], kLandmarkFilter);
  for (std::size_t i = 1; i < filters.size(); ++i) EXPECT_EQ(filters[i], kLoadFilter) << i;
}

}  // namespace
}  // namespace varnok::io
