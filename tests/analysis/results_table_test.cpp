#include "analysis/results_table.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "action_fixture.hpp"
#include "analysis/aligned_coordinates.hpp"
#include "platform/matrix/text.hpp"
#include "support/picture_controls.hpp"

namespace varnok::analysis {
namespace {

using actiontest::ActionTest;
using actiontest::filesIn;
namespace fs = std::filesystem;

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string item;
  std::istringstream in(s);
  while (std::getline(in, item, sep)) out.push_back(item);
  return out;
}

// ---------------------------------------------------------------------------
// The tables of a small analysis: N = 3 specimens, V = 3 axes.

class ResultsTableTest : public ActionTest {
 protected:
  ResultsTableTest() {
    state_.PCAScores = Mat(3, 3);
    // Columns in ascending eigenvalue order: the last is PC 1.
    state_.PCAScores << 0.1, 2, 30, 0.2, -3, 0.1 + 0.2, 1e-20, 4, -1.0 / 3;
    state_.Dmatrix = Mat::Zero(3, 3);
    state_.Dmatrix.diagonal() << 0.5, 1.5, 6;
    state_.percentexp = Mat(1, 3);
    state_.percentexp << 0.0625, 0.1875, 0.75;
    state_.GLIST = Mat(3, 1);
    state_.GLIST << 2, 1, 2;
    state_.NumPCA = 4;
    // The shape variables end with the centroid sizes.
    state_.pwscores = Mat(3, 2);
    state_.pwscores << 0, 10, 0, 20.5, 0, 1e3;
    state_.DATA = Mat(Mat::Zero(3, 7));
  }
  bool exportTable() { return shell_.runCallback("ExportResultsTable"); }
};

TEST_F(ResultsTableTest, PCOneComesFirstWithRoundTripNumbers) {
  const ResultsTables t = resultsTables(state_, {});
  EXPECT_EQ(t.scores,
            "specimen,group,centroid_size,PC1,PC2,PC3\n"
            "1,2,10,30,2,0.1\n"
            "2,1,20.5,0.30000000000000004,-3,0.2\n"
            "3,2,1000,-0.3333333333333333,4,1e-20\n");
  EXPECT_EQ(t.eigenvalues,
            "axis,eigenvalue,share,cumulative_share\n"
            "1,6,0.75,0.75\n"
            "2,1.5,0.1875,0.9375\n"
            "3,0.5,0.0625,1\n");
}

TEST_F(ResultsTableTest, NamesAreQuotedWhenTheyMustBe) {
  const ResultsTables t = resultsTables(state_, {"a,b", "say \"hi\"", "c 3"});
  EXPECT_EQ(split(t.scores, '\n')[0], "specimen,id,group,centroid_size,PC1,PC2,PC3");
  EXPECT_EQ(split(t.scores, '\n')[1], "1,\"a,b\",2,10,30,2,0.1");
  EXPECT_EQ(split(t.scores, '\n')[2], "2,\"say \"\"hi\"\"\",1,20.5,0.30000000000000004,-3,0.2");
  EXPECT_EQ(split(t.scores, '\n')[3], "3,c 3,2,1000,-0.3333333333333333,4,1e-20");
  // Names that do not name every specimen are left out.
  EXPECT_EQ(split(resultsTables(state_, {"a", "b"}).scores, '\n')[0],
            "specimen,group,centroid_size,PC1,PC2,PC3");
}

TEST_F(ResultsTableTest, GroupNamesAndClassifiersStandBesideTheCodes) {
  auto& s = shell_.session();
  s.groupNames = {"", "large, old"};
  // Four specimens loaded, the second left out.
  s.classifiers.columns = {"Site"};
  s.classifiers.values = {{"a", "b", "=c", "d"}};
  s.specimenNumbers = {1, 3, 4};
  const auto lines = split(resultsTables(state_, {}, {}, {}, labelColumns(s)).scores, '\n');
  EXPECT_EQ(lines[0], "specimen,group,group_name,Site,centroid_size,PC1,PC2,PC3");
  EXPECT_EQ(lines[1], "1,2,\"large, old\",a,10,30,2,0.1");
  EXPECT_EQ(lines[2], "2,1,,\"'=c\",20.5,0.30000000000000004,-3,0.2");
  EXPECT_EQ(lines[3].substr(0, 10), "3,2,\"large");
}

TEST_F(ResultsTableTest, WritesBothFilesWhereTheUserSaysAndMovesTheFolder) {
  answerOut("table.csv");
  EXPECT_TRUE(exportTable());
  const ResultsTables t = resultsTables(state_, {});
  EXPECT_EQ(out("table.csv"), t.scores);
  EXPECT_EQ(out("table_eigenvalues.csv"), t.eigenvalues);
  EXPECT_EQ(out("table_coordinates.csv"), alignedCoordinates(shell_.session(), AlignedFormat::Csv));
  EXPECT_EQ(win_.statusText, "Saved the results table of 3 specimens to table.csv");
  EXPECT_EQ(win_.answers.fileDialogTitles, std::vector<std::string>{"File Name for Results Table"});
  EXPECT_EQ(win_.answers.fileDialogFilters, std::vector<std::string>{"CSV files (*.csv)"});
  EXPECT_EQ(win_.answers.fileDialogFolders[0], testkit::folderString(dir_ / "start"));
  EXPECT_EQ(folder(), dir_ / "out" / "");
  // A name without an extension gets ".csv".
  answerOut("scores");
  EXPECT_TRUE(exportTable());
  EXPECT_EQ(out("scores.csv"), t.scores);
  EXPECT_EQ(out("scores_eigenvalues.csv"), t.eigenvalues);
}

TEST_F(ResultsTableTest, NothingIsWrittenBeforeAnAnalysisOrWhenCancelled) {
  const session::AnalysisState analysed = state_;
  state_ = session::AnalysisState{};
  answerOut("table.csv");
  EXPECT_TRUE(exportTable());
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].text, "Run the analysis first");
  EXPECT_TRUE(win_.answers.fileDialogTitles.empty());  // no dialog was shown
  EXPECT_TRUE(filesIn(dir_ / "out").empty());

  state_ = analysed;
  win_.answers.files.clear();
  cancel();
  const fs::path before = folder();
  EXPECT_TRUE(exportTable());
  EXPECT_TRUE(filesIn(dir_ / "out").empty());
  EXPECT_EQ(folder(), before);
}

TEST_F(ResultsTableTest, AFailedWriteLeavesNeitherFile) {
  // The eigenvalue table's name is taken by a folder: the scores table is not
  // written either, and no temporary file stays.
  fs::create_directories(dir_ / "out" / "t_eigenvalues.csv");
  answerOut("t.csv");
  exportTable();
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, "Error Saving File");
  EXPECT_EQ(filesIn(dir_ / "out"), std::vector<std::string>{"t_eigenvalues.csv"});
}

TEST_F(ResultsTableTest, NamesASpreadsheetWouldRunAreWrittenAsText) {
  const ResultsTables t = resultsTables(state_, {"=1+2", "@SUM(A1)", "-3+cmd|' /C calc'!A0"});
  EXPECT_EQ(split(t.scores, '\n')[1], "1,\"'=1+2\",2,10,30,2,0.1");
  EXPECT_EQ(split(t.scores, '\n')[2], "2,\"'@SUM(A1)\",1,20.5,0.30000000000000004,-3,0.2");
  // Negative scores are numbers, not names, and stay as they are.
  EXPECT_EQ(split(t.scores, '\n')[3],
            "3,\"'-3+cmd|' /C calc'!A0\",2,1000,-0.3333333333333333,4,1e-20");
}

TEST_F(ResultsTableTest, AnOlderPairIsNeverHalfReplaced) {
  // The scores table's name is taken by a folder, or is a link to the
  // eigenvalue table: the earlier eigenvalue table stays as it was, and
  // nothing else is left behind.
  fs::create_directories(dir_ / "out" / "t.csv");
  write(dir_ / "out" / "t_eigenvalues.csv", "earlier\n");
  answerOut("t.csv");
  exportTable();
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, "Error Saving File");
  EXPECT_EQ(out("t_eigenvalues.csv"), "earlier\n");
  std::vector<std::string> left = filesIn(dir_ / "out");
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"t.csv", "t_eigenvalues.csv"}));

  fs::create_symlink("u_eigenvalues.csv", dir_ / "out" / "u.csv");
  write(dir_ / "out" / "u_eigenvalues.csv", "earlier\n");
  answerOut("u.csv");
  exportTable();
  ASSERT_EQ(win_.answers.messages.size(), 2u);
  EXPECT_NE(win_.answers.messages[1].text.find("same file"), std::string::npos)
      << win_.answers.messages[1].text;
  EXPECT_EQ(out("u_eigenvalues.csv"), "earlier\n");
}

TEST(ResultsTablePaths, TheEigenvalueTableSitsBesideTheScores) {
  EXPECT_EQ(eigenvaluesPathFor("/a/b/run1.csv"), "/a/b/run1_eigenvalues.csv");
  EXPECT_EQ(eigenvaluesPathFor("/a/b/run1.data.txt"), "/a/b/run1.data_eigenvalues.csv");
  EXPECT_EQ(eigenvaluesPathFor("run1.csv"), "run1_eigenvalues.csv");
}

// ---------------------------------------------------------------------------
// A real analysis of the gorillas, from the plain file and from a TPS file
// of the same landmarks with IDs.

class ResultsTableAnalysisTest : public ActionTest {
 protected:
  ResultsTableAnalysisTest() {
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, dir_ / f);
    testkit::addAnalysisControls(win_);
    win_.control("AxisOnePos").set("Value", 1.0);
    win_.control("AxisTwoPos").set("Value", 1.0);
  }
  void act(const std::string& a) { ASSERT_TRUE(shell_.runCallback("Varnoksw('" + a + "')")); }
  void analyse(const std::string& dataFile) {
    answer(dataFile, dir_);
    act("LoadData");
    answer("gorilla_groups.txt", dir_);
    act("LoadGroupList");
    ASSERT_EQ(state_.PCAScores.rows(), 59);
  }
  // The gorillas as a TPS file: specimen i is "G" + i.
  void writeTps() {
    std::ifstream in(dir_ / "gorilla.txt");
    std::string line, tps;
    int i = 0;
    while (std::getline(in, line) && !line.empty()) {
      const Mat row = str2num(line);
      tps += "LM=8\n";
      for (int j = 0; j < 8; ++j) tps += exact(row(2 * j)) + " " + exact(row(2 * j + 1)) + "\n";
      ++i;
      tps += "IMAGE=g" + std::to_string(i) + ".jpg\nID=G" + std::to_string(i) + "\n";
    }
    write(dir_ / "gorilla.tps", tps);
  }
  static std::string exact(double v) {
    std::ostringstream s;
    s.precision(17);
    s << v;
    return s.str();
  }
  std::vector<std::vector<std::string>> table(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& line : split(out(name), '\n')) rows.push_back(split(line, ','));
    return rows;
  }
};

TEST_F(ResultsTableAnalysisTest, ColumnsFollowTheAxesFromTheLargestEigenvalue) {
  analyse("gorilla.txt");
  answerOut("gorilla.csv");
  ASSERT_TRUE(shell_.runCallback("ExportResultsTable"));
  const auto rows = table("gorilla.csv");
  const Eigen::Index V = state_.PCAScores.cols();
  ASSERT_EQ(rows.size(), 60u);
  ASSERT_EQ(rows[0].size(), static_cast<std::size_t>(V + 3));
  EXPECT_EQ(rows[0][0], "specimen");
  EXPECT_EQ(rows[0][1], "group");
  EXPECT_EQ(rows[0][2], "centroid_size");
  EXPECT_EQ(rows[0][3], "PC1");
  EXPECT_EQ(rows[0].back(), "PC" + std::to_string(V));
  Eigen::Index largest = 0;
  state_.Dmatrix.diagonal().maxCoeff(&largest);
  for (Eigen::Index i = 0; i < 59; ++i) {
    const auto& r = rows[static_cast<std::size_t>(i + 1)];
    EXPECT_EQ(r[0], std::to_string(i + 1));
    EXPECT_EQ(std::stod(r[1]), state_.GLIST(i));
    EXPECT_EQ(std::stod(r[2]), state_.pwscores(i, state_.pwscores.cols() - 1)) << i;
    // Round trip: the text reads back as the very score.
    EXPECT_EQ(std::stod(r[3]), state_.PCAScores(i, largest)) << i;
    EXPECT_EQ(std::stod(r.back()), state_.PCAScores(i, 0)) << i;
  }
  const auto eig = table("gorilla_eigenvalues.csv");
  ASSERT_EQ(eig.size(), static_cast<std::size_t>(V + 1));
  EXPECT_EQ(std::stod(eig[1][1]), state_.Dmatrix(largest, largest));
  EXPECT_NEAR(std::stod(eig.back()[3]), 1.0, 1e-12);
  for (std::size_t k = 2; k < eig.size(); ++k)
    EXPECT_LE(std::stod(eig[k][1]), std::stod(eig[k - 1][1]));
}

TEST_F(ResultsTableAnalysisTest, OnlyAFileWithNamesGivesAnIdColumn) {
  analyse("gorilla.txt");
  const Mat plainScores = state_.PCAScores;
  answerOut("plain.csv");
  ASSERT_TRUE(shell_.runCallback("ExportResultsTable"));
  EXPECT_EQ(table("plain.csv")[0][1], "group");

  writeTps();
  analyse("gorilla.tps");
  // The same landmarks give the same analysis whichever the file's layout.
  EXPECT_LT((state_.PCAScores - plainScores).cwiseAbs().maxCoeff(), 1e-12);
  answerOut("tps.csv");
  ASSERT_TRUE(shell_.runCallback("ExportResultsTable"));
  const auto rows = table("tps.csv");
  EXPECT_EQ(rows[0][1], "id");
  EXPECT_EQ(rows[1][1], "G1");
  EXPECT_EQ(rows[59][1], "G59");
  EXPECT_EQ(rows[59][2], table("plain.csv")[59][1]);  // the group follows the id
}

}  // namespace
}  // namespace varnok::analysis
