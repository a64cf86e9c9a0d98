// Curating a study on an in-memory window: the specimen lists the user
// types, reflecting and leaving out specimens, and the choices refused.
#include "analysis/curation.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::analysis {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<Eigen::Index>;

TEST(SpecimenList, ReadsNumbersRangesIdsAndTheWordMirrored) {
  const std::vector<std::string> ids = {"W001", "W002", "40-41", "W004", "W005", "W006"};
  SpecimenList l = parseSpecimenList(" 2, 5-6 W004 40-41 Mirrored 2 ", 6, ids);
  EXPECT_EQ(l.problem, "");
  EXPECT_EQ(l.rows, (Rows{1, 4, 5, 3, 2, 1}));
  EXPECT_TRUE(l.mirrored);
  l = parseSpecimenList("1-1", 6, {});
  EXPECT_EQ(l.rows, Rows{0});
  EXPECT_FALSE(l.mirrored);

  // Each refusal names what is wrong and gives no rows.
  const std::pair<const char*, const char*> refused[] = {
      {"3 7", "There is no specimen 7: the data hold specimens 1 to 6."},
      {"0", "There is no specimen 0: the data hold specimens 1 to 6."},
      {"99999999999999999999", "is not a specimen number"},
      {"W007",
       "\"W007\" is not a specimen number, a range such as 40-42, an ID of the data "
       "file or the word mirrored."},
      {"5-3", "The range 5-3 runs backwards; write it 3-5."},
      {"4-9", "The range 4-9 goes outside the data: the data hold specimens 1 to 6."},
      {"2-", "\"2-\" is not a specimen number"},
      {"-2", "\"-2\" is not a specimen number"},
      {" , ", "Name at least one specimen"},
  };
  for (const auto& [text, why] : refused) {
    l = parseSpecimenList(text, 6, ids);
    EXPECT_NE(l.problem.find(why), std::string::npos) << text << ": " << l.problem;
    EXPECT_TRUE(l.rows.empty()) << text;
  }
}

class CurationTest : public testkit::SessionTest {
 protected:
  CurationTest() {
    shell_.session().folder = testkit::folderString(dir_);
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt", "mice.txt", "mice_groups.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, dir_ / f);
    testkit::addAnalysisControls(win_);
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << console_.kept().substr(0, 3000) << "\n";
  }
  void act(const std::string& a) { shell_.runCallback("Varnoksw('" + a + "')"); }
  void load(const std::string& name) {
    answer(name, dir_);
    act("LoadData");
  }
  void withGroups(const std::string& name) {
    answer(name, dir_);
    act("LoadGroupList");
  }
  // Runs a Data menu item, answering its dialog with text.
  void choose(const std::string& item, const std::string& text) {
    win_.answers.inputs.push_back(std::vector<std::string>{text});
    shell_.runCallback(item);
  }
  std::string fileBox() { return win_.control("FileBox").get("String").text(); }
  std::string lastMessage() {
    return win_.answers.messages.empty() ? "" : win_.answers.messages.back().text;
  }

  session::Session& session_ = shell_.session();
};

TEST_F(CurationTest, ReflectingTwiceGivesEverythingBackExactly) {
  load("gorilla.txt");
  act("NoGroupList");
  const Mat data = *state_.DATA, scores = state_.PCAScores;
  const std::string box = fileBox();

  choose("ReflectSpecimens", "3 5-6");
  EXPECT_EQ(fileBox().substr(0, fileBox().find("\nSS")),
            "File: gorilla.txt\n  59 Specimens, 3 reflected\n   8 Landmarks");
  EXPECT_NE(console_.kept().find("Reflected: 3, 5, 6"), std::string::npos);
  EXPECT_FALSE(state_.PCAScores == scores);
  // The loaded data stay as read; the centroid size of a reflected one too.
  EXPECT_EQ(session_.loadedData()(2, 0), 36);
  EXPECT_EQ(session_.loadedData()(2, 16), 235.16776);

  choose("ReflectSpecimens", "6 3 5");
  EXPECT_TRUE((*state_.DATA) == data);
  EXPECT_TRUE(state_.PCAScores == scores);
  EXPECT_EQ(fileBox(), box);
  EXPECT_TRUE(session_.curation.empty());
  EXPECT_TRUE(session_.specimenNumbers.empty());
}

// The rows as read are held once while DATA are they, and stay as read
// through everything that replaces DATA: an analysis, a curation before and
// after one, and a curation refused.
TEST_F(CurationTest, TheRowsAsReadAreHeldOnceAndOutliveEveryNewDATA) {
  load("gorilla.txt");
  const Mat raw = *state_.DATA;
  EXPECT_EQ(session_.loadedData().data(), state_.DATA->data());

  choose("ExcludeSpecimens", "4");
  EXPECT_EQ(state_.DATA->rows(), raw.rows() - 1);
  EXPECT_TRUE(session_.loadedData() == raw);
  shell_.runCallback("IncludeAllSpecimens");
  EXPECT_TRUE((*state_.DATA) == raw);
  EXPECT_TRUE(session_.loadedData() == raw);

  act("NoGroupList");
  EXPECT_FALSE((*state_.DATA) == raw);
  EXPECT_NE(session_.loadedData().data(), state_.DATA->data());
  EXPECT_TRUE(session_.loadedData() == raw);
  const Mat fitted = *state_.DATA;
  choose("ExcludeSpecimens", "1-58");  // would leave one specimen
  EXPECT_TRUE((*state_.DATA) == fitted);
  EXPECT_TRUE(session_.loadedData() == raw);

  // A new file is held once again.
  load("mice.txt");
  EXPECT_EQ(session_.loadedData().data(), state_.DATA->data());
  act("NoGroupList");
  load("gorilla.txt");
  EXPECT_TRUE(session_.loadedData() == raw);
}

TEST_F(CurationTest, AMirroredSpecimenIsFoundNamedAndReflectedBack) {
  // Gorilla with specimen 2 written again as its mirror image, last.
  std::string text = read(dir_ / "gorilla.txt");
  std::string second = text.substr(text.find('\n') + 1);
  second = second.substr(0, second.find('\n'));
  std::string mirrored, word;
  std::istringstream words(second);
  for (int j = 0; words >> word; ++j)
    mirrored +=
        (j % 2 == 0 && j < 16 ? (word[0] == '-' ? word.substr(1) : "-" + word) : word) + " ";
  write(dir_ / "with_copy.txt", text + mirrored + "\n");

  load("with_copy.txt");
  shell_.runCallback("FindMirrored");
  EXPECT_NE(console_.kept().find("Mirrored: 60\n"), std::string::npos) << console_.kept();
  act("NoGroupList");
  // The analysis notes it too, and reflecting "mirrored" mirrors it back.
  EXPECT_NE(console_.kept().rfind("Mirrored: 60\n"), console_.kept().find("Mirrored: 60\n"));
  choose("ReflectSpecimens", "mirrored");
  EXPECT_TRUE(session_.curation.isReflected(59));
  shell_.runCallback("FindMirrored");
  EXPECT_NE(console_.kept().find("No specimen is mirrored."), std::string::npos);
  // Nothing mirrored is left: the word alone changes nothing.
  const Mat scores = state_.PCAScores;
  choose("ExcludeSpecimens", "mirrored");
  EXPECT_EQ(lastMessage(), "No specimen is mirrored; nothing was changed.");
  EXPECT_TRUE(state_.PCAScores == scores);
}

TEST_F(CurationTest, RefusedChoicesLeaveEverythingAsItWas) {
  load("mice.txt");
  withGroups("mice_groups.txt");
  choose("ExcludeSpecimens", "4");
  const Mat data = *state_.DATA, scores = state_.PCAScores, glist = state_.GLIST;
  const std::string box = fileBox();
  const auto numbers = session_.specimenNumbers;
  ASSERT_EQ(box.substr(0, box.find("\nSS")),
            "File: mice.txt\n  75 of 76 specimens, 1 excluded\n   6 Landmarks");

  const std::pair<std::string, std::string> refused[] = {
      {"ExcludeSpecimens", "77"},    {"ExcludeSpecimens", "3-x"},
      {"ExcludeSpecimens", "1-74"},   // leaves 2 of the 76
      {"ExcludeSpecimens", "31-52"},  // group 2 would keep specimen 53 alone
      {"ReflectSpecimens", "12-10"}, {"SelectGroups", "2 4"},  // no specimen has code 4
      {"SelectGroups", "1 x"},       {"SelectGroups", ""},
  };
  for (const auto& [item, text] : refused) {
    const auto messages = win_.answers.messages.size();
    choose(item, text);
    EXPECT_EQ(win_.answers.messages.size(), messages + 1) << item << " " << text;
    EXPECT_TRUE((*state_.DATA) == data) << item << " " << text;
    EXPECT_TRUE(state_.PCAScores == scores) << item << " " << text;
    EXPECT_TRUE(state_.GLIST == glist) << item << " " << text;
    EXPECT_EQ(fileBox(), box) << item << " " << text;
    EXPECT_EQ(session_.specimenNumbers, numbers) << item << " " << text;
  }
  EXPECT_NE(lastMessage().find("Name at least one group code"), std::string::npos);
  // A cancelled dialog changes nothing either.
  win_.answers.inputs.push_back(std::nullopt);
  shell_.runCallback("ExcludeSpecimens");
  EXPECT_TRUE(state_.PCAScores == scores);
}

TEST_F(CurationTest, GroupListsLoadedLaterAndNewDataForgetNothingTheyShouldKeep) {
  load("mice.txt");
  choose("ExcludeSpecimens", "2 40");
  // Before an analysis only the data change.
  EXPECT_EQ(state_.DATA->rows(), 74);
  EXPECT_EQ(state_.PCAScores.size(), 0);
  // A group list of every loaded specimen: the rows of those left out go.
  withGroups("mice_groups.txt");
  ASSERT_EQ(state_.GLIST.rows(), 74);
  EXPECT_EQ(state_.GLIST(38, 0), 2);  // specimen 41
  choose("SelectGroups", "3");
  EXPECT_EQ(state_.PCAScores.rows(), 23);
  EXPECT_EQ(session_.specimenNumbers.front(), 54);
  // Another group list would choose other specimens: refused.
  withGroups("mice_groups.txt");
  EXPECT_NE(lastMessage().find("Include All Specimens"), std::string::npos);
  shell_.runCallback("IncludeAllSpecimens");
  EXPECT_EQ(state_.PCAScores.rows(), 76);

  // Clear Data and a new file start without any choice.
  choose("ExcludeSpecimens", "1");
  act("ClearData");
  EXPECT_TRUE(session_.curation.empty());
  EXPECT_EQ(session_.loadedData().size(), 0);
  shell_.runCallback("FindMirrored");
  EXPECT_EQ(lastMessage(), "Load a landmark data file first.");
  load("gorilla.txt");
  EXPECT_EQ(fileBox(), "File: gorilla.txt \n  59 Specimens \n   8 Landmarks");
  shell_.runCallback("SelectGroups");
  EXPECT_NE(lastMessage().find("Load a group list first"), std::string::npos);
}

}  // namespace
}  // namespace varnok::analysis
