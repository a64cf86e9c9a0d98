// The analysis actions on the real data, through the dispatcher, on an
// in-memory window.
#include "analysis/pipeline.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <memory>
#include <random>
#include <thread>

#include "analysis/pca.hpp"
#include "morpho/centroid.hpp"
#include "morpho/getpsup.hpp"
#include "platform/matrix/parallel.hpp"
#include "platform/matrix/text.hpp"
#include "platform/window/in_memory_window.hpp"
#include "shell/shell.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::analysis {
namespace {

namespace fs = std::filesystem;

class PipelineTest : public testkit::SessionTest {
 protected:
  PipelineTest() {
    shell_.session().folder = testkit::folderString(dir_);
    for (const char* f :
         {"gorilla.txt", "gorilla_groups.txt", "mice.txt", "mice_groups.txt", "digit3.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, dir_ / f);
    testkit::addAnalysisControls(win_);
    win_.control("AxisOnePos").set("Value", 1.0);
    win_.control("AxisTwoPos").set("Value", 1.0);
  }
  void TearDown() override {
    if (HasFailure())
      std::cerr << console_.kept().substr(0, 3000) << "\n" << win_.statusText << "\n";
  }
  void answer(const std::string& name) { SessionTest::answer(name, dir_); }
  void load(const std::string& name) {
    answer(name);
    act("LoadData");
  }
  void act(const std::string& a) { shell_.runCallback("Varnoksw('" + a + "')"); }
  std::string box(const char* tag) { return win_.control(tag).get("String").text(); }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
  }

  session::AnalysisState& s_ = shell_.state();
};

TEST_F(PipelineTest, NoGroupListOnDigits) {
  load("digit3.txt");
  act("NoGroupList");
  const Eigen::Index N = 30, V = 2 * 13 - 4;
  ASSERT_EQ(s_.PCAScores.rows(), N);
  ASSERT_EQ(s_.PCAScores.cols(), V);
  EXPECT_EQ(*s_.NumPCA, V + 1);
  EXPECT_EQ(s_.pwscores.cols(), V + 1);
  EXPECT_EQ(s_.GLIST, Mat::Ones(N, 1));
  EXPECT_EQ(box("GroupBox"), "No Group List Used");
  EXPECT_EQ(win_.figure().pointer, "arrow");
  // Shares: fractions summing to 1, the largest shown with 4 decimals.
  EXPECT_NEAR(s_.percentexp.sum(), 1.0, 1e-12);
  EXPECT_EQ(box("XBoxExp"), sprintf("%1.4f", {s_.percentexp.maxCoeff()}));
  EXPECT_EQ(box("XBox"), "1");
  EXPECT_EQ(box("YBox"), "2");
  // Eigenvalues ascending, the decomposition exact, the scores projections.
  for (Eigen::Index j = 1; j < V; ++j) EXPECT_LE(s_.Dmatrix(j - 1, j - 1), s_.Dmatrix(j, j));
  Mat cov = covariance(s_.pwscores.leftCols(V));
  EXPECT_LT((cov * s_.Vmatrix - s_.Vmatrix * s_.Dmatrix).norm(), 1e-12);
  EXPECT_LT((s_.PCAScores - s_.pwscores.leftCols(V) * s_.Vmatrix).norm(), 1e-12);
  // The summary line holds the sum of the eigenvalues with 7 decimals.
  const std::string fb = box("FileBox");
  EXPECT_EQ(fb, "File: digit3.txt\n  30 Specimens\n  13 Landmarks\nSS distance/(n-1) =" +
                    sprintf("%1.7f", {s_.Dmatrix.trace()}));
  // DATA now holds the fitted specimens: unit centroid size, stored size kept.
  EXPECT_NEAR(morpho::centsize(*s_.DATA).maxCoeff(), 1.0, 1e-12);
  // The reference is rounded to 4 decimals.
  EXPECT_EQ(s_.reference, round(Mat(s_.reference * 10000)) / 10000);
  act("NoGroupList");
  const std::string twice = box("FileBox");
  EXPECT_EQ(std::count(twice.begin(), twice.end(), '='), 2);
}

TEST_F(PipelineTest, LoadGroupListOnGorillas) {
  load("gorilla.txt");
  answer("gorilla_groups.txt");
  act("LoadGroupList");
  ASSERT_EQ(s_.GLIST.rows(), 59);
  EXPECT_EQ((s_.GLIST.array() == 1).count(), 30);
  EXPECT_EQ(box("GroupBox"), "File: gorilla_groups.txt \n  59 Specimens \n");
  EXPECT_EQ(win_.control("LoadReference").get("Enable").text(), "off");
  EXPECT_EQ(s_.PCAScores.rows(), 59);
  EXPECT_EQ(s_.PCAScores.cols(), 12);
  // The reference and every landmark of every specimen are drawn.
  EXPECT_EQ(win_.figure().axes().children().size(), 8u + 59u * 8u);
  auto* line = dynamic_cast<graphics::Line*>(win_.figure().axes().children().back().get());
  ASSERT_TRUE(line);
  EXPECT_EQ(line->markerFaceColor.mode, graphics::ColorSpec::Mode::Rgb);  // filled

  // The score plot: one point per specimen, then one mean per group.
  win_.control("CentroidButton").set("Value", 1.0);
  win_.control("PCALabel").set("Value", 1.0);
  act("ShowPCAAxis");
  const auto& kids = win_.figure().axes().children();
  ASSERT_EQ(kids.size(), 59u + 59u + 2u);
  auto* first = dynamic_cast<graphics::Line*>(kids[0].get());
  EXPECT_DOUBLE_EQ(first->xdata()[0], s_.PCAScores(0, 11));
  EXPECT_DOUBLE_EQ(first->ydata()[0], s_.PCAScores(0, 10));
  auto* label = dynamic_cast<graphics::Text*>(kids[59 + 6].get());
  ASSERT_TRUE(label);
  EXPECT_EQ(label->string, "  7");
  auto* mean = dynamic_cast<graphics::Line*>(kids.back().get());
  EXPECT_EQ(mean->markerSize, 12);
  EXPECT_EQ(mean->marker, 'x');  // group 2's default symbol
  Mat males = Mat::Zero(1, 1);
  int count = 0;
  for (int i = 0; i < 59; ++i)
    if (s_.GLIST(i, 0) == 2) males(0, 0) += s_.PCAScores(i, 11), ++count;
  EXPECT_NEAR(mean->xdata()[0], males(0, 0) / count, 1e-12);

  // Mirroring the first axis mirrors points and means.
  win_.control("AxisOnePos").set("Value", 0.0);
  act("ShowPCAAxis");
  auto* mirrored = dynamic_cast<graphics::Line*>(win_.figure().axes().children()[0].get());
  EXPECT_DOUBLE_EQ(mirrored->xdata()[0], -s_.PCAScores(0, 11));
  EXPECT_DOUBLE_EQ(mirrored->ydata()[0], s_.PCAScores(0, 10));
}

TEST_F(PipelineTest, SteppingTheAxisBoxes) {
  load("mice.txt");
  act("NoGroupList");
  act("UpXAxis");
  act("UpXAxis");
  EXPECT_EQ(box("XBox"), "3");
  EXPECT_EQ(box("XBoxExp"), num2str(s_.percentexp(0, 9 - 3 - 1)));
  act("DownYAxis");
  EXPECT_EQ(box("YBox"), "1");
  win_.control("ShowBox").set("String", "1");
  act("UpDisplay");
  EXPECT_EQ(box("ShowBox"), "2");
  EXPECT_EQ(box("VarianceBox"), num2str(s_.percentexp(0, 9 - 2 - 1)));
  // Past the last axis the box moves but its share cannot be shown.
  win_.control("ShowBox").set("String", "8");
  EXPECT_FALSE(shell_.runCallback("Varnoksw('UpDisplay')"));
  EXPECT_EQ(box("ShowBox"), "9");
}

TEST_F(PipelineTest, GroupListProblemsAreReportedBeforeTheAnalysis) {
  load("mice.txt");
  const Mat raw = *s_.DATA;
  write("short.txt", "1\n2\n3\n");
  answer("short.txt");
  act("LoadGroupList");
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, "Error Loading Group Code");
  EXPECT_EQ(win_.answers.messages[0].text,
            "The size of your group code list indicates 3 specimens, but there are 76 in your "
            "data set. Please check for a missing line feed in your group code file");

  // An empty file is a list of no codes.
  write("none.txt", "");
  answer("none.txt");
  act("LoadGroupList");
  ASSERT_EQ(win_.answers.messages.size(), 2u);
  EXPECT_NE(win_.answers.messages[1].text.find("indicates 0 specimens"), std::string::npos);
  win_.answers.messages.pop_back();

  std::string codes;
  for (int i = 0; i < 76; ++i) codes += (i == 40 ? "0" : "1") + std::string("\n");
  write("zero.txt", codes);
  answer("zero.txt");
  act("LoadGroupList");
  ASSERT_EQ(win_.answers.messages.size(), 2u);
  EXPECT_NE(win_.answers.messages[1].text.find("Line 41"), std::string::npos);
  EXPECT_EQ(*s_.DATA, raw);
  EXPECT_EQ(s_.PCAScores.size(), 0);
  EXPECT_EQ(win_.figure().pointer, "arrow");

  codes.clear();
  for (int i = 0; i < 76; ++i) codes += (i == 3 ? "25" : "2") + std::string("\n");
  write("big.txt", codes);
  answer("big.txt");
  act("LoadGroupList");
  EXPECT_NE(win_.answers.messages.back().text.find("Line 4"), std::string::npos);
  // With a symbol code table of 2 rows, code 3 cannot be drawn.
  s_.altcode = 1;
  s_.codearray = Mat::Ones(2, 6);
  answer("mice_groups.txt");
  act("LoadGroupList");
  EXPECT_NE(win_.answers.messages.back().text.find("symbol code table"), std::string::npos);
  EXPECT_EQ(*s_.DATA, raw);
}

TEST_F(PipelineTest, DegenerateSpecimenIsNamed) {
  write("flat.txt", "0 0 1 0 0 1 5\n2 2 2 2 2 2 5\n0 0 2 0 0 2 5\n");
  load("flat.txt");
  act("NoGroupList");
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_NE(win_.answers.messages[0].text.find("Specimen 2"), std::string::npos);
  EXPECT_EQ(s_.pwscores.size(), 0);
}

TEST_F(PipelineTest, AMeanFormNoSplineFitsIsNamed) {
  // Both once ended in "Input to EIG must not contain NaN or Inf.".
  write("twice.txt",
        "0 0 1 0 1 0 0 1 5\n0 0 1.1 0 1.1 0 0 1 5\n0 0 1 0.1 1 0.1 0 1.2 5\n0.1 0 1 0 1 0 0 1 5\n");
  write("line.txt", "0 0 1 0 2 0 5\n0 0 1 0 3 0 5\n0 0 2 0 3 0 5\n");
  for (const char* action : {"NoGroupList", "LoadGroupList"}) {
    for (const auto& [file, says] :
         {std::pair{"twice.txt", "Landmarks 2 and 3 of the mean form are at the same place"},
          std::pair{"line.txt", "All landmarks of the mean form lie on one line"}}) {
      win_.answers.messages.clear();
      load(file);
      if (std::string(action) == "LoadGroupList") {
        write("groups.txt", std::string(file) == "line.txt" ? "1\n1\n2\n" : "1\n1\n2\n2\n");
        answer("groups.txt");
      }
      act(action);
      ASSERT_EQ(win_.answers.messages.size(), 1u) << action << " " << file;
      EXPECT_NE(win_.answers.messages[0].text.find(says), std::string::npos)
          << win_.answers.messages[0].text;
      EXPECT_EQ(s_.pwscores.size(), 0);
    }
  }
}

TEST(ReferenceProblem, ManyCoincidingPairsAreCountedNotAllNamed) {
  // 30 landmarks at 15 places: 15 pairs, of which the message names ten.
  RowVec ref(61);
  for (int k = 0; k < 30; ++k) {
    ref(2 * k) = std::cos(k / 2);
    ref(2 * k + 1) = std::sin(k / 2);
  }
  ref(60) = 1;
  const auto p = referenceProblem(ref);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->rfind("Landmarks 1 and 2, 3 and 4, ", 0), 0u) << *p;
  EXPECT_NE(p->find("19 and 20 (and 5 more pairs) of the mean form"), std::string::npos) << *p;
  EXPECT_EQ(p->find("21 and 22"), std::string::npos);
}

// A watched window: every poll counts, and Cancel is pressed at the poll
// numbered cancelAt (never when 0).
class Watcher : public Progress {
 public:
  explicit Watcher(long cancelAt) : cancelAt_(cancelAt) {}
  void advance(long) override { ++polls; }
  bool cancelled() const override { return cancelAt_ > 0 && polls >= cancelAt_; }
  bool interactive() const override { return true; }
  long polls = 0;

 private:
  long cancelAt_;
};

TEST(LongSteps, CancelAnswersWhileAStepThatCannotStopRuns) {
  // The eigen-decompositions of thousands of landmarks run for minutes; a
  // watched window must stay alive and its Cancel answer before they end.
  auto release = std::make_shared<std::promise<void>>();
  auto finished = std::make_shared<std::atomic<bool>>(false);
  std::shared_future<void> go = release->get_future().share();
  Watcher cancelling(3);
  EXPECT_THROW(
      {
        try {
          awaitStep(cancelling, "Principal components", [go, finished] {
            go.wait();
            finished->store(true);
            return 1;
          });
        } catch (const RuntimeError& e) {
          EXPECT_STREQ(e.what(), "Cancelled.");
          throw;
        }
      },
      RuntimeError);
  EXPECT_EQ(cancelling.polls, 3);
  EXPECT_FALSE(finished->load());  // the step was still running
  release->set_value();            // it ends unseen, its result dropped
  for (int i = 0; i < 500 && !finished->load(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(finished->load());

  // Watched or not, the PCA is the same to the bit.
  const Mat x = Mat::Random(40, 12);
  Watcher watching(0);
  const Pca plain = pca(x, 12), watched = pca(x, 12, 0, watching);
  EXPECT_EQ(plain.Vmatrix, watched.Vmatrix);
  EXPECT_EQ(plain.PCAScores, watched.PCAScores);
  EXPECT_EQ(plain.tvar, watched.tvar);
}

TEST(AnalysisSize, WhatCannotFitIsRefusedBeforeTheWorkStarts) {
  // 3 specimens of 20,000 landmarks once ended in "std::bad_alloc".
  EXPECT_FALSE(sizeProblem(60, 8, 4e9));
  EXPECT_FALSE(sizeProblem(5, 3000, 16e9));
  EXPECT_FALSE(sizeProblem(3, 20000, 0));  // the system does not say
  const auto p = sizeProblem(3, 20000, 16e9);
  ASSERT_TRUE(p);
  EXPECT_EQ(*p,
            "The analysis of 3 specimens of 20000 landmarks would need about 51.3 GB of memory "
            "for the thin-plate spline and the principal components, and this computer has 16 "
            "GB. Use fewer landmarks.");
  // The estimate grows with the square of the landmarks.
  EXPECT_NEAR(analysisBytes(5, 6000) / analysisBytes(5, 3000), 4, 0.01);
}

TEST_F(PipelineTest, ShapeResultsDoNotDependOnScale) {
  load("digit3.txt");
  const Mat raw = *s_.DATA;
  const Eigen::Index V = raw.cols() - 5;
  auto run = [&](const Mat& data) {
    s_.DATA = data;
    act("NoGroupList");
    EXPECT_TRUE(win_.answers.messages.empty()) << win_.answers.messages[0].text;
  };
  run(raw);
  const Mat reference = s_.reference, fitted = s_.DATA->leftCols(raw.cols() - 1);
  const Mat pw = s_.pwscores.leftCols(V), scores = s_.PCAScores;
  const Mat shares = s_.percentexp;
  auto rel = [](const Mat& a, const Mat& b) { return (a - b).norm() / b.norm(); };
  for (double scale : {1e-200, 1e200}) {
    EXPECT_EQ(dataProblem(raw * scale), std::nullopt) << scale;
    run(raw * scale);
    EXPECT_EQ(s_.reference.leftCols(raw.cols() - 1), reference.leftCols(raw.cols() - 1)) << scale;
    EXPECT_LT(rel(s_.DATA->leftCols(raw.cols() - 1), fitted), 1e-12) << scale;
    EXPECT_LT(rel(s_.pwscores.leftCols(V), pw), 1e-12) << scale;
    EXPECT_LT(rel(s_.PCAScores, scores), 1e-12) << scale;
    EXPECT_LT(rel(s_.percentexp, shares), 1e-12) << scale;
  }
  // One coordinate of 1e200 makes that specimen an extreme form, not a
  // copy of the reference nor a refusal.
  Mat spike = raw;
  spike(3, 4) = 1e200;
  run(spike);
  EXPECT_TRUE(s_.DATA->allFinite());
  EXPECT_TRUE(s_.PCAScores.allFinite());
  // Beside 1e200 the others are 0: fitted, it is the spike of one landmark.
  Mat pure = Mat::Zero(1, raw.cols());
  pure(0, 4) = 1.0;
  pure(0, raw.cols() - 1) = raw(3, raw.cols() - 1);
  EXPECT_LT((s_.DATA->row(3) - morpho::getpsup(pure, s_.reference)).norm(), 1e-12);
}

TEST_F(PipelineTest, RestrictedPca) {
  load("gorilla.txt");
  win_.control("PCALimit").set("Value", 1.0);
  win_.control("RestrictBox").set("String", "10");
  act("NoGroupList");
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, "Restricted PCA:");
  EXPECT_EQ(win_.answers.messages[0].text,
            "Calculated PCA Axes based on specimens 1 to 10 only, all specimens scored, note "
            "there are 12 variables per specimen\nThere will be zero eigenvalues if there are "
            "less specimens than variables");
  EXPECT_EQ(s_.PCAScores.rows(), 59);
  Mat cov10 = covariance(s_.pwscores.topLeftCorner(10, 12));
  EXPECT_NEAR(s_.Dmatrix.trace(), cov10.trace(), 1e-12);

  // A limit beyond the specimens falls back to all of them, quietly.
  win_.control("RestrictBox").set("String", "1000");
  act("NoGroupList");
  EXPECT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_NEAR(s_.Dmatrix.trace(), covariance(s_.pwscores.leftCols(12)).trace(), 1e-12);
}

TEST_F(PipelineTest, LoadedAndRefusedReference) {
  load("gorilla.txt");
  write("ref.txt", "5 193 53 -27 0 0 0 33 -2 105 18 176 72 114 92 38 235.17972\n");
  answer("ref.txt");
  act("LoadReference");
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, "Reference Loaded");
  EXPECT_EQ(win_.answers.messages[0].text,
            "Successfully loaded reference file ref.txt with 8.000000 landmarks");
  EXPECT_EQ(*s_.referencetype, 1);
  EXPECT_NEAR(morpho::centsize(s_.reference)(0), 1.0, 1e-12);
  EXPECT_NEAR(morpho::centpos(s_.reference).norm(), 0.0, 1e-12);
  act("NoGroupList");
  const Mat withLoaded = s_.reference;

  write("two.txt",
        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 "
        "15 16 17\n");
  answer("two.txt");
  act("LoadReference");
  EXPECT_EQ(win_.answers.messages.back().text,
            "The reference file had more than 1 specimen,  Reverting to consensus specimen");
  write("wide.txt", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19\n");
  answer("wide.txt");
  act("LoadReference");
  EXPECT_EQ(win_.answers.messages.back().title, "Reference Error");
  EXPECT_EQ(*s_.referencetype, 0);
  act("NoGroupList");
  EXPECT_GT((s_.reference - withLoaded).norm(), 1e-3);  // back to the consensus
}

TEST_F(PipelineTest, CodeLoad) {
  write("codes6.txt", "1 0 0 2 8 1\n0 0 1 6 9 0\n");
  write("codes5.txt", "1 0 0 2 8\n");
  answer("codes5.txt");
  act("CodeLoad");
  EXPECT_EQ(win_.answers.messages.back().text,
            "The file loaded does not have the correct dimensions to be a Group Code File, "
            "Please try another file");
  // A refused table does not switch the plots to the empty one.
  EXPECT_FALSE(s_.altcode.has_value());
  EXPECT_EQ(s_.codearray.size(), 0);
  answer("codes6.txt");
  act("CodeLoad");
  EXPECT_EQ(s_.codearray.rows(), 2);
  EXPECT_EQ(win_.control("BWButton").get("Label").text(), "Return to Default Symbols");

  // The next score plot uses the table: colour, marker, size, fill.
  load("mice.txt");
  std::string codes;
  for (int i = 0; i < 76; ++i) codes += (i < 30 ? "1\n" : "2\n");
  write("g.txt", codes);
  answer("g.txt");
  act("LoadGroupList");
  act("ShowPCAAxis");
  auto* a = dynamic_cast<graphics::Line*>(win_.figure().axes().children().front().get());
  auto* b = dynamic_cast<graphics::Line*>(win_.figure().axes().children().back().get());
  EXPECT_EQ(a->marker, 'o');
  EXPECT_EQ(a->markerSize, 8);
  EXPECT_EQ(a->markerFaceColor, graphics::ColorSpec::of({1, 0, 0}));
  EXPECT_EQ(b->marker, 's');
  EXPECT_EQ(b->markerFaceColor.mode, graphics::ColorSpec::Mode::None);
}

TEST(Pipeline, TotalVarianceLine) {
  EXPECT_EQ(appendTotalVariance("File: a.txt \n  30 Specimens \n  12 Landmarks", 0.25),
            "File: a.txt\n  30 Specimens\n  12 Landmarks\nSS distance/(n-1) =0.2500000");
  EXPECT_EQ(appendTotalVariance("", 1), "\nSS distance/(n-1) =1.0000000");
}

TEST(Pca, SignRuleAndOrder) {
  Mat c(3, 3);
  c << 2, 0, 0, 0, 3, 1, 0, 1, 3;
  auto e = symmetricEigen(c);
  EXPECT_NEAR(e.values(0), 2, 1e-12);
  EXPECT_NEAR(e.values(2), 4, 1e-12);
  for (Eigen::Index j = 0; j < 3; ++j) {
    Eigen::Index big;
    e.vectors.col(j).cwiseAbs().maxCoeff(&big);
    EXPECT_GT(e.vectors(big, j), 0);
  }
}

TEST(Pca, LargestFirstIsTheSameAnalysisTurnedRound) {
  // Enough rows for blocks on two threads in the covariance and the scores.
  std::mt19937 rng(5);
  std::normal_distribution<double> g;
  Mat x(30000, 50);
  for (Eigen::Index i = 0; i < x.rows(); ++i)
    for (Eigen::Index j = 0; j < x.cols(); ++j) x(i, j) = g(rng) * (1 + 0.1 * j);
  const Pca up = pca(x, 49), down = pca(x, 49, 0, noProgress(), true);
  ASSERT_EQ(down.PCAScores.cols(), 49);
  for (Eigen::Index j = 0; j < 49; ++j) {
    const Eigen::Index k = 48 - j;
    EXPECT_EQ(down.Dmatrix(j, j), up.Dmatrix(k, k));
    EXPECT_EQ(down.percentexp(0, j), up.percentexp(0, k));
    EXPECT_TRUE(down.Vmatrix.col(j) == up.Vmatrix.col(k)) << j;
    EXPECT_TRUE(down.PCAScores.col(j).isApprox(up.PCAScores.col(k), 1e-14)) << j;
  }
  EXPECT_GE(down.Dmatrix(0, 0), down.Dmatrix(48, 48));
  EXPECT_EQ(down.tvar, up.tvar);
}

}  // namespace
}  // namespace varnok::analysis
