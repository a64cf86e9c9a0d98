#include "analysis/result_files.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "action_fixture.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::analysis {
namespace {

using actiontest::ActionTest;
using actiontest::filesIn;
namespace fs = std::filesystem;

Mat rows(std::initializer_list<std::initializer_list<double>> r) {
  Mat m(static_cast<Eigen::Index>(r.size()), static_cast<Eigen::Index>(r.begin()->size()));
  Eigen::Index i = 0;
  for (const auto& row : r) {
    Eigen::Index j = 0;
    for (double v : row) m(i, j++) = v;
    ++i;
  }
  return m;
}

const char* const kNoPCA =
    "The PCA scores have not been calculated at this point.  Please load a group list, or hit "
    "the no group list button before proceeding";

// ---------------------------------------------------------------------------
// The number style shared by every file.

TEST(ResultRows, RowLayoutAndNumberStyle) {
  EXPECT_EQ(resultRows(rows({{1, 2}, {3, 4}})), "1 2  \n 3 4  \n ");
  EXPECT_EQ(resultRows(rows({{0.5, 123456, 1e6, 1e-5, 0.0001, 1234567, 3.14159265, -2.5, 0}})),
            "0.5 123456 1e+06 1e-05 0.0001 1.23457e+06 3.14159 -2.5 0  \n ");
  EXPECT_EQ(resultRows(rows({{std::numeric_limits<double>::infinity()},
                             {-std::numeric_limits<double>::infinity()},
                             {std::numeric_limits<double>::quiet_NaN()}})),
            "Inf  \n -Inf  \n NaN  \n ");
  EXPECT_EQ(resultRows(Mat(0, 0)), "");
}

// The fast formatter must agree with the program's sprintf everywhere,
// including rounding at the fixed/exponent switch and the extremes.
TEST(ResultRows, AgreesWithSprintfG) {
  std::vector<double> values = {999999.5, 999999.4, 9.9999949e-5, 9.99995e-5,
                                0.0001,   1e-300,   4.9e-324,     1.7976931348623157e308,
                                -0.0,     123456.5, 0.1 + 0.2,    2.5e-7,
                                -7.25e15, 100000,   1e5 - 0.5};
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mant(-10, 10);
  std::uniform_int_distribution<int> expo(-30, 30);
  for (int i = 0; i < 2000; ++i) values.push_back(mant(rng) * std::pow(10.0, expo(rng)));
  for (double v : values) {
    Mat m = Mat::Constant(1, 1, v);
    EXPECT_EQ(resultRows(m), sprintf("%g ", {v}) + " \n ") << v;
  }
}

// ---------------------------------------------------------------------------
// The six save actions on a small analysis: N = 2 specimens, V = 3.

class ResultFilesTest : public ActionTest {
 protected:
  void SetUp() override {
    ActionTest::SetUp();
    fill();
    win_.add("ShowBox").set("String", "1");
  }
  void fill() {
    state_.PCAScores = rows({{0.5, 123456, -2}, {1e6, 1e-5, 0}});
    state_.Dmatrix = rows({{0.25, 0, 0}, {0, 1.5, 0}, {0, 0, 6}});
    state_.Vmatrix = rows({{0.1, 0.2, 0.3}, {0.4, 0.5, 0.6}, {0.7, 0.8, -0.9}});
    state_.NumPCA = 4;
    state_.pwscores = rows({{1, 2, 3, 10}, {4, 5, 6, 11}});
    state_.reference = rows({{-1, 0.5, 1, 0.5, 0, -1, 1}});
  }
  const std::vector<std::string>& titles() const { return win_.answers.fileDialogTitles; }
};

TEST_F(ResultFilesTest, EachActionWritesItsResultWithItsTitle) {
  struct Case {
    void (*action)(session::ActionContext&);
    const char* title;
    const char* content;
  };
  const Case cases[] = {
      {SavePCA, "File Name for Partial Warp Scores", "0.5 123456 -2  \n 1e+06 1e-05 0  \n "},
      {SaveEigen, "File Name for Eigenvalue list", "0.25  \n 1.5  \n 6  \n "},
      {SavePCMatrix, "File Name for Principal Component Matrix",
       "First column corresponds to smallest eigenvalue, last column to largest \n"
       "0.1 0.2 0.3  \n 0.4 0.5 0.6  \n 0.7 0.8 -0.9  \n "},
      {SaveOneAxis, "File Name for PC Axis 1", "0.3 0.6 -0.9  999  % PCA axis number 1 \n "},
      {SaveWarp, "File Name for Partial Warp Scores", "1 2 3 10  \n 4 5 6 11  \n "},
      {SaveRef, "File Name for Reference", "-1 0.5 1 0.5 0 -1 1  \n "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    win_.answers.fileDialogTitles.clear();
    shell_.session().folder = testkit::folderString(dir_ / "start");
    answerOut("result.txt");
    c.action(ctx_);
    ASSERT_EQ(titles().size(), 1u);
    EXPECT_EQ(titles()[0], c.title);
    EXPECT_EQ(out("result.txt"), c.content);
    // Later dialogs start where the user saved.
    EXPECT_EQ(folder(), fs::path(testkit::folderString(dir_ / "out")));
    EXPECT_TRUE(win_.answers.messages.empty());
  }
  // Nothing but the result was left in the folder.
  EXPECT_EQ(filesIn(dir_ / "out"), std::vector<std::string>{"result.txt"});
}

TEST_F(ResultFilesTest, OneAxisCountsAxesFromTheLargestEigenvalue) {
  win_.control("ShowBox").set("String", "3");
  answerOut("axis3.txt");
  SaveOneAxis(ctx_);
  EXPECT_EQ(titles().at(0), "File Name for PC Axis 3");
  EXPECT_EQ(out("axis3.txt"), "0.1 0.4 0.7  999  % PCA axis number 3 \n ");

  // A box holding a number rather than a text works the same way.
  win_.control("ShowBox").set("String", 2.0);
  answerOut("axis2.txt");
  SaveOneAxis(ctx_);
  EXPECT_EQ(out("axis2.txt"), "0.2 0.5 0.8  999  % PCA axis number 2 \n ");
}

TEST_F(ResultFilesTest, SingleSpecimenGivesOneLine) {
  state_.PCAScores = rows({{1.5, -3, 7}});
  answerOut("one.txt");
  SavePCA(ctx_);
  EXPECT_EQ(out("one.txt"), "1.5 -3 7  \n ");
}

TEST_F(ResultFilesTest, GuardsShowTheirMessageAndNoDialog) {
  const std::string noPW =
      "The PW scores have not been calculated at this point.  Please load a group list, or hit "
      "the no group list button before proceeding";
  const std::string noRef =
      "The reference has not been calculated at this point.  Please load a group list, or hit "
      "the no group list button before proceeding";
  struct Case {
    void (*action)(session::ActionContext&);
    Mat session::AnalysisState::*guarded;
    std::string message;
  };
  const Case cases[] = {
      {SavePCA, &session::AnalysisState::PCAScores, kNoPCA},
      {SaveEigen, &session::AnalysisState::PCAScores, kNoPCA},
      {SavePCMatrix, &session::AnalysisState::PCAScores, kNoPCA},
      {SaveOneAxis, &session::AnalysisState::PCAScores, kNoPCA},
      {SaveWarp, &session::AnalysisState::pwscores, noPW},
      {SaveRef, &session::AnalysisState::reference, noRef},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    fill();
    state_.*c.guarded = Mat();
    win_.answers.messages.clear();
    answerOut("never.txt");
    c.action(ctx_);
    ASSERT_EQ(win_.answers.messages.size(), 1u);
    EXPECT_EQ(win_.answers.messages[0].text, c.message);
    EXPECT_EQ(win_.answers.messages[0].title, "");
    EXPECT_TRUE(titles().empty());
    EXPECT_FALSE(fs::exists(dir_ / "out" / "never.txt"));
    EXPECT_EQ(folder(), fs::path(testkit::folderString(dir_ / "start")));
    win_.answers.files.clear();
  }
}

TEST_F(ResultFilesTest, EachGuardWatchesOnlyItsOwnResult) {
  // Shape variables and the reference exist before (and without) the scores.
  state_.PCAScores = Mat();
  answerOut("warp.txt");
  SaveWarp(ctx_);
  answerOut("ref.txt");
  SaveRef(ctx_);
  EXPECT_TRUE(fs::exists(dir_ / "out" / "warp.txt"));
  EXPECT_TRUE(fs::exists(dir_ / "out" / "ref.txt"));
  EXPECT_TRUE(win_.answers.messages.empty());
}

TEST_F(ResultFilesTest, CancelWritesNothingAndStaysInTheFolder) {
  for (auto action : {SavePCA, SaveEigen, SavePCMatrix, SaveOneAxis, SaveWarp, SaveRef}) {
    cancel();
    action(ctx_);
  }
  EXPECT_EQ(titles().size(), 6u);
  EXPECT_TRUE(filesIn(dir_ / "out").empty());
  EXPECT_TRUE(filesIn(dir_ / "start").empty());
  EXPECT_EQ(folder(), fs::path(testkit::folderString(dir_ / "start")));
  EXPECT_TRUE(win_.answers.messages.empty());
}

TEST_F(ResultFilesTest, OverwritingReplacesTheWholeFile) {
  write(dir_ / "out" / "scores.txt", std::string(5000, 'x'));
  answerOut("scores.txt");
  SavePCA(ctx_);
  EXPECT_EQ(out("scores.txt"), "0.5 123456 -2  \n 1e+06 1e-05 0  \n ");
}

TEST_F(ResultFilesTest, AxisTheAnalysisDoesNotHaveTouchesNoFile) {
  const std::string kept = "earlier loadings\n";
  write(dir_ / "out" / "axis.txt", kept);
  struct Case {
    Value box;
    std::string message;
  };
  const Case cases[] = {
      {"25", "There is no principal axis 25: the analysis has axes 1 to 3."},
      {"4", "There is no principal axis 4: the analysis has axes 1 to 3."},
      {"0", "There is no principal axis 0: the analysis has axes 1 to 3."},
      {"-1", "There is no principal axis -1: the analysis has axes 1 to 3."},
      {"2.5", "There is no principal axis 2.5: the analysis has axes 1 to 3."},
      {"abc", "\"abc\" is not a principal axis number: the analysis has axes 1 to 3."},
      {"", "\"\" is not a principal axis number: the analysis has axes 1 to 3."},
      {"1 2", "\"1 2\" is not a principal axis number: the analysis has axes 1 to 3."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    win_.answers.messages.clear();
    win_.answers.files.clear();
    win_.control("ShowBox").set("String", c.box);
    answerOut("axis.txt");
    SaveOneAxis(ctx_);
    ASSERT_EQ(win_.answers.messages.size(), 1u);
    EXPECT_EQ(win_.answers.messages[0].text, c.message);
    EXPECT_TRUE(titles().empty());
    EXPECT_EQ(out("axis.txt"), kept);
    EXPECT_EQ(folder(), fs::path(testkit::folderString(dir_ / "start")));
  }
  // One-axis analyses say so in words.
  state_.PCAScores = rows({{1}});
  state_.Vmatrix = rows({{1}});
  state_.NumPCA = 2;
  win_.answers.messages.clear();
  win_.control("ShowBox").set("String", "2");
  SaveOneAxis(ctx_);
  EXPECT_EQ(win_.answers.messages.at(0).text,
            "There is no principal axis 2: the analysis has one axis, axis 1.");
}

TEST_F(ResultFilesTest, FileThatCannotBeWrittenIsReported) {
  // A folder that does not exist: the dialog's folder cannot become the
  // working folder and the file cannot be created.
  answer("scores.txt", dir_ / "gone");
  SavePCA(ctx_);
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, "Error Saving File");
  EXPECT_NE(win_.answers.messages[0].text.find((dir_ / "gone" / "scores.txt").string()),
            std::string::npos)
      << win_.answers.messages[0].text;
  EXPECT_FALSE(fs::exists(dir_ / "gone"));
  EXPECT_EQ(folder(), fs::path(testkit::folderString(dir_ / "start")));

  // A name that is a folder is left as it is.
  fs::create_directories(dir_ / "out" / "taken" / "inside");
  answerOut("taken");
  SaveRef(ctx_);
  ASSERT_EQ(win_.answers.messages.size(), 2u);
  EXPECT_EQ(win_.answers.messages[1].title, "Error Saving File");
  EXPECT_NE(win_.answers.messages[1].text.find("taken"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(dir_ / "out" / "taken" / "inside"));
  // The move of the working folder happens before the write.
  EXPECT_EQ(folder(), fs::path(testkit::folderString(dir_ / "out")));
  EXPECT_EQ(filesIn(dir_ / "out"), std::vector<std::string>{"taken"});
}

TEST_F(ResultFilesTest, RelativeFolderIsTakenFromTheFolderBeforeTheMove) {
  fs::create_directories(dir_ / "start" / "sub");
  win_.answers.files.push_back(window::FileChoice{"eig.txt", "sub/"});
  SaveEigen(ctx_);
  EXPECT_EQ(read(dir_ / "start" / "sub" / "eig.txt"), "0.25  \n 1.5  \n 6  \n ");
  EXPECT_EQ(folder(), fs::path(testkit::folderString(dir_ / "start" / "sub")));
}

TEST_F(ResultFilesTest, LargeScoreFileReadsBack) {
  const Eigen::Index N = 100000, V = 20;
  std::mt19937_64 rng(3);
  std::normal_distribution<double> score(0, 0.05);
  state_.PCAScores.resize(N, V);
  for (Eigen::Index i = 0; i < N; ++i)
    for (Eigen::Index j = 0; j < V; ++j) state_.PCAScores(i, j) = score(rng);
  answerOut("big.txt");
  SavePCA(ctx_);
  std::istringstream in(out("big.txt"));
  std::string line;
  Eigen::Index r = 0;
  int wrong = 0;
  while (std::getline(in, line)) {
    if (r == N) {  // the single space after the last line end
      EXPECT_EQ(line, " ");
      break;
    }
    Mat back = str2num(line);
    ASSERT_EQ(back.cols(), V) << "line " << r;
    for (Eigen::Index j = 0; j < V; ++j) {
      const double v = state_.PCAScores(r, j);
      // Six significant digits.
      if (std::fabs(back(0, j) - v) > std::fabs(v) * 5.0001e-6) ++wrong;
    }
    ++r;
  }
  EXPECT_EQ(r, N);
  EXPECT_EQ(wrong, 0);
}

TEST_F(ResultFilesTest, MissingResultBehindTheGuardStopsBeforeTheDialog) {
  // Scores without eigenvalues is a broken state; the action stops with the
  // runtime error before asking for a file rather than writing an empty one.
  state_.Dmatrix = Mat();
  answerOut("eig.txt");
  EXPECT_THROW(SaveEigen(ctx_), RuntimeError);
  EXPECT_TRUE(titles().empty());
  EXPECT_TRUE(filesIn(dir_ / "out").empty());
}

}  // namespace
}  // namespace varnok::analysis
