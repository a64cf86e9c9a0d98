// Groups from the study's table of classifiers: the numbering, the
// refusals, and the analysis it runs, on an in-memory window.
#include "analysis/group_by.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::analysis {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using Codes = std::vector<double>;

session::Session::Classifiers table(Strings columns, std::vector<Strings> values) {
  session::Session::Classifiers c;
  c.file = "t.csv";
  c.columns = std::move(columns);
  c.values = std::move(values);
  return c;
}

TEST(Grouping, NumbersGroupsByTheBytesOfTheirValuesAndCombinesColumns) {
  // Upper case before lower, a UTF-8 letter after ASCII: byte order, not a
  // dictionary's.
  const auto cl =
      table({"Species", "Sex", "Size*class"}, {{"alpha", "\xC3\x84rger", "Zeta", "alpha", "Zeta"},
                                               {"M", "F", "F", "F", "M"},
                                               {"s", "l", "s", "s", "l"}});
  Grouping g = groupingOf(cl, " Species ", {});
  EXPECT_EQ(g.problem, "");
  EXPECT_EQ(g.codes, (Codes{2, 3, 1, 2, 1}));
  EXPECT_EQ(g.names, (Strings{"Zeta", "alpha", "\xC3\x84rger"}));

  // Combinations that occur, by the first column, then the second.
  g = groupingOf(cl, "Species*Sex", {});
  EXPECT_EQ(g.columns, (Strings{"Species", "Sex"}));
  EXPECT_EQ(g.codes, (Codes{4, 5, 1, 3, 2}));
  EXPECT_EQ(g.names,
            (Strings{"Zeta * F", "Zeta * M", "alpha * F", "alpha * M", "\xC3\x84rger * F"}));
  g = groupingOf(cl, "Sex * Species", {});
  EXPECT_EQ(g.names.front(), "F * Zeta");

  // A column whose name holds the star is taken whole.
  g = groupingOf(cl, "Size*class", {});
  EXPECT_EQ(g.names, (Strings{"l", "s"}));
}

TEST(Grouping, RefusesWhatCannotBeGroupsAndSaysWhy) {
  const auto cl = table({"Species", "Sex"}, {{"a", "b", "c"}, {"F", "", "M"}});
  EXPECT_EQ(groupingOf(cl, "Spieces", {}).problem,
            "The table has no column \"Spieces\"; its columns are Species, Sex.");
  EXPECT_EQ(groupingOf(cl, "Sex", {"W1", "W2", "W3"}).problem,
            "Specimen 2 (\"W2\") has no value in the column \"Sex\".");
  EXPECT_EQ(groupingOf(cl, "Species*Sex", {}).problem,
            "Specimen 2 has no value in the column \"Sex\".");
  EXPECT_NE(groupingOf(cl, "Sex*Sex", {}).problem.find("named twice"), std::string::npos);

  Strings many;
  for (int i = 0; i < 201; ++i) many.push_back("v" + std::to_string(i));
  EXPECT_EQ(groupingOf(table({"Tag"}, {many}), "Tag", {}).problem,
            "Tag gives 201 groups; at most 200 can be told apart.");
  many.pop_back();
  EXPECT_EQ(groupingOf(table({"Tag"}, {many}), "Tag", {}).problem, "");
}

class GroupByTest : public testkit::SessionTest {
 protected:
  GroupByTest() {
    shell_.session().folder = testkit::folderString(dir_);
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt", "gorilla_group_names.txt",
                          "gorilla_classifiers.csv"})
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
  void classifiers(const std::string& name) {
    answer(name, dir_);
    shell_.runCallback("LoadClassifiers");
  }
  void groupBy(const std::string& column) {
    win_.answers.inputs.push_back(Strings{column});
    shell_.runCallback("GroupBy");
  }
  std::string lastMessage() {
    return win_.answers.messages.empty() ? "" : win_.answers.messages.back().text;
  }
  session::Session& session_ = shell_.session();
};

TEST_F(GroupByTest, GroupingByAColumnIsTheGroupListWithItsNames) {
  load("gorilla.txt");
  classifiers("gorilla_classifiers.csv");
  groupBy("Sex");
  ASSERT_TRUE(win_.answers.messages.empty()) << lastMessage();
  const Mat glist = state_.GLIST, scores = state_.PCAScores, pw = state_.pwscores;
  const Strings names = session_.groupNames;
  EXPECT_EQ(names, (Strings{"Female", "Male"}));
  EXPECT_EQ(session_.groupedBy, Strings{"Sex"});

  // The same data loaded afresh, with the group code file and names file.
  load("gorilla.txt");
  answer("gorilla_groups.txt", dir_);
  act("LoadGroupList");
  answer("gorilla_group_names.txt", dir_);
  shell_.runCallback("LoadGroupNames");
  EXPECT_TRUE(state_.GLIST == glist);
  EXPECT_TRUE(state_.PCAScores == scores);
  EXPECT_TRUE(state_.pwscores == pw);
  EXPECT_EQ(session_.groupNames, names);
  // The groups no longer come from the table.
  EXPECT_TRUE(session_.groupedBy.empty());
}

TEST_F(GroupByTest, EveryRefusalLeavesTheGroupsAndTheResults) {
  load("gorilla.txt");
  shell_.runCallback("GroupBy");  // refused before it asks
  EXPECT_EQ(lastMessage(), "Load a table of classifiers first (File > Load Classifiers...).");
  classifiers("gorilla_classifiers.csv");
  groupBy("Site");
  ASSERT_EQ(win_.answers.messages.size(), 1u) << lastMessage();
  const Mat glist = state_.GLIST, scores = state_.PCAScores;
  const Strings names = session_.groupNames;
  const auto children = win_.figure().axes().children().size();

  // A table with a blank Sex, one that does not fit, an unknown column.
  std::string csv = read(dir_ / "gorilla_classifiers.csv");
  csv.replace(csv.find("G07,Female"), 10, "G07,");
  write(dir_ / "blank.csv", csv);
  classifiers("blank.csv");
  groupBy("Sex");
  EXPECT_EQ(lastMessage(), "Specimen 7 has no value in the column \"Sex\".");
  classifiers("gorilla_groups.txt");
  EXPECT_NE(lastMessage().find("it has 58 rows, but 59 specimens are loaded"), std::string::npos)
      << lastMessage();
  EXPECT_EQ(session_.classifiers.file, "blank.csv");
  groupBy("Species");
  EXPECT_EQ(lastMessage(),
            "The table has no column \"Species\"; its columns are Specimen, Sex, Site.");
  // Too many groups for the default symbols.
  groupBy("Specimen");
  EXPECT_EQ(lastMessage(),
            "Specimen gives 59 groups, but the plot has symbols for 24 (the default symbols); "
            "load a symbol code table with more rows.");
  EXPECT_EQ(win_.answers.messages.size(), 5u);

  EXPECT_TRUE(state_.GLIST == glist);
  EXPECT_TRUE(state_.PCAScores == scores);
  EXPECT_EQ(session_.groupNames, names);
  EXPECT_EQ(session_.groupedBy, Strings{"Site"});
  EXPECT_EQ(win_.figure().axes().children().size(), children);
}

TEST_F(GroupByTest, LeftOutSpecimensKeepTheirGroupsForLater) {
  load("gorilla.txt");
  classifiers("gorilla_classifiers.csv");
  win_.answers.inputs.push_back(Strings{"1-3 31"});
  shell_.runCallback("ExcludeSpecimens");
  groupBy("Sex*Site");
  ASSERT_TRUE(win_.answers.messages.empty()) << lastMessage();
  ASSERT_EQ(state_.GLIST.rows(), 55);
  EXPECT_EQ(session_.groupNames.size(), 6u);
  EXPECT_EQ(session_.groupNames[0], "Female * Site A");
  // Specimen 4 is G04: Female at site B (4 * 7 = 28, remainder 1).
  EXPECT_EQ(session_.groupNames[static_cast<std::size_t>(state_.GLIST(0)) - 1], "Female * Site B");
  // Specimen 31 is G31: Male at site B (217, remainder 1).
  shell_.runCallback("IncludeAllSpecimens");
  ASSERT_EQ(state_.GLIST.rows(), 59);
  EXPECT_EQ(session_.groupNames[static_cast<std::size_t>(state_.GLIST(30)) - 1], "Male * Site B");
}

TEST_F(GroupByTest, TheResultsTableAndTheStatisticsNameTheClassifiers) {
  load("gorilla.txt");
  classifiers("gorilla_classifiers.csv");
  groupBy("Sex");
  answerOut("table.csv");
  shell_.runCallback("ExportResultsTable");
  const std::string t = out("table.csv");
  EXPECT_EQ(t.substr(0, t.find(",PC1")),
            "specimen,group,group_name,Specimen,Sex,Site,centroid_size");
  const std::string row1 = t.substr(t.find('\n') + 1);
  EXPECT_EQ(row1.substr(0, row1.find(",235.17972,") + 11),
            "1,1,Female,G01,Female,Site B,235.17972,");
  EXPECT_EQ(win_.statusText, "Saved the results table of 59 specimens to table.csv");
  EXPECT_TRUE(fs::exists(dir_ / "out" / "table_coordinates.csv"));

  session_.permutations = 9;
  shell_.runCallback("ShapeAnova");
  EXPECT_NE(console_.kept().find("Procrustes ANOVA of shape on Sex: F = "), std::string::npos);
  answer("gorilla_groups.txt", dir_);
  act("LoadGroupList");
  shell_.runCallback("ShapeAnova");
  EXPECT_NE(console_.kept().find("Procrustes ANOVA of shape on group: F = "), std::string::npos);
}

}  // namespace
}  // namespace varnok::analysis
