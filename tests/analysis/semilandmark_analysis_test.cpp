// An outline study through the analysis: a TPS file of 4 landmarks and a
// closed outline of 40 semilandmarks, against an independent computation of
// the sliding rounds, the consensus and the eigenvalues written here from
// their definitions.
#include <gtest/gtest.h>

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>

#include "analysis/aligned_coordinates.hpp"
#include "analysis/pipeline.hpp"
#include "io/curves.hpp"
#include "io/tps.hpp"
#include "platform/window/in_memory_window.hpp"
#include "shell/shell.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"
#include "support/sliding_reference.hpp"

namespace varnok::analysis {
namespace {

using Eigen::Index;
using morpho::Slider;
using namespace varnok::testing::sliding;

constexpr Index kLandmarks = 4, kOutline = 40, kPoints = kLandmarks + kOutline;

// Specimens as written to the file (x y per point), the first four points
// the ends of the ellipse's axes, then the outline between them.
std::vector<RowVec> outlineSpecimens(int n) {
  std::mt19937 gen(7);
  std::normal_distribution<double> noise(0.0, 0.015);
  std::vector<RowVec> out;
  for (int s = 0; s < n; ++s) {
    const double a = 1.0 + 0.05 * std::sin(s), b = 0.6 + 0.04 * std::cos(2.0 * s);
    RowVec p(2 * kPoints);
    for (Index k = 0; k < kLandmarks; ++k) {
      const double th = std::numbers::pi / 2 * static_cast<double>(k);
      p(2 * k) = a * std::cos(th) + noise(gen);
      p(2 * k + 1) = b * std::sin(th) + noise(gen);
    }
    for (Index k = 0; k < kOutline; ++k) {
      // Unevenly spaced along the outline, as a digitiser leaves them.
      const double th = 2 * std::numbers::pi * (static_cast<double>(k) + 0.5) / kOutline +
                        0.03 * std::sin(static_cast<double>(3 * k + s));
      p(2 * (kLandmarks + k)) = a * std::cos(th) + noise(gen);
      p(2 * (kLandmarks + k) + 1) = b * std::sin(th) + noise(gen);
    }
    const double scale = 40 + s, turn = 0.1 * s;
    for (Index k = 0; k < kPoints; ++k) {
      const double x = p(2 * k), y = p(2 * k + 1);
      p(2 * k) = scale * (std::cos(turn) * x - std::sin(turn) * y) + 3 * s;
      p(2 * k + 1) = scale * (std::sin(turn) * x + std::cos(turn) * y) - s;
    }
    out.push_back(p);
  }
  return out;
}

std::string tpsText(const std::vector<RowVec>& specimens) {
  std::ostringstream t;
  t.precision(17);
  for (std::size_t s = 0; s < specimens.size(); ++s) {
    t << "LM=" << kLandmarks << "\n";
    for (Index k = 0; k < kLandmarks; ++k)
      t << specimens[s](2 * k) << " " << specimens[s](2 * k + 1) << "\n";
    t << "OUTLINES=1\nPOINTS=" << kOutline << "\n";
    for (Index k = kLandmarks; k < kPoints; ++k)
      t << specimens[s](2 * k) << " " << specimens[s](2 * k + 1) << "\n";
    t << "ID=E" << s + 1 << "\n";
  }
  return t.str();
}

// Centred, unit centroid size.
RowVec standardised(RowVec p) {
  double cx = 0, cy = 0;
  for (Index k = 0; k < kPoints; ++k) cx += p(2 * k), cy += p(2 * k + 1);
  for (Index k = 0; k < kPoints; ++k) p(2 * k) -= cx / kPoints, p(2 * k + 1) -= cy / kPoints;
  return p / p.norm();
}

// Rotated about the origin onto y by the least-squares angle.
RowVec rotatedOnto(const RowVec& p, const RowVec& y) {
  double cross = 0, dot = 0;
  for (Index k = 0; k < kPoints; ++k) {
    cross += p(2 * k) * y(2 * k + 1) - p(2 * k + 1) * y(2 * k);
    dot += p(2 * k) * y(2 * k) + p(2 * k + 1) * y(2 * k + 1);
  }
  const double th = std::atan2(cross, dot), c = std::cos(th), s = std::sin(th);
  RowVec out(2 * kPoints);
  for (Index k = 0; k < kPoints; ++k) {
    out(2 * k) = c * p(2 * k) - s * p(2 * k + 1);
    out(2 * k + 1) = s * p(2 * k) + c * p(2 * k + 1);
  }
  return out;
}

// The consensus: every specimen standardised, then rotated onto the running
// mean (the first specimen to begin with) and the mean renormalised, until
// it moves by at most 2^-27 squared; rounded to four decimals.
RowVec consensus(const std::vector<RowVec>& specimens) {
  std::vector<RowVec> x;
  for (const RowVec& p : specimens) x.push_back(standardised(p));
  RowVec mean = x.front();
  for (int pass = 0; pass < 10000; ++pass) {
    RowVec next = RowVec::Zero(2 * kPoints);
    for (const RowVec& p : x) next += rotatedOnto(p, mean);
    next /= static_cast<double>(x.size());
    next /= next.norm();
    const double change = (next - mean).squaredNorm();
    mean = next;
    if (change <= std::ldexp(1.0, -27) * 0.1) break;
  }
  return mean.unaryExpr([](double v) { return std::round(10000 * v) / 10000; });
}

class SemilandmarkAnalysis : public testkit::SessionTest {
 protected:
  SemilandmarkAnalysis() {
    shell_.session().folder = testkit::folderString(dir_);
    testkit::addAnalysisControls(win_);
    win_.control("AxisOnePos").set("Value", 1.0);
    win_.control("AxisTwoPos").set("Value", 1.0);
  }
  void act(const std::string& a) { shell_.runCallback("Varnoksw('" + a + "')"); }
  void load(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
    SessionTest::answer(name, dir_);
    act("LoadData");
  }
};

TEST_F(SemilandmarkAnalysis, OutlineStudyAgreesWithTheDefinitions) {
  const std::vector<RowVec> specimens = outlineSpecimens(15);
  load("ellipses.tps", tpsText(specimens));
  ASSERT_EQ(state_.DATA->cols(), 2 * kPoints + 1);
  EXPECT_NE(win_.control("FileBox").get("String").text().find(
                "44 points: 4 landmarks, 40 sliding on 1 curve"),
            std::string::npos);
  act("NoGroupList");
  ASSERT_EQ(state_.PCAScores.rows(), 15) << console_.kept().substr(0, 2000);

  // The outline's points slide between their neighbours, wrapping round.
  std::vector<Slider> sliders;
  for (Index k = 0; k < kOutline; ++k)
    sliders.push_back({kLandmarks + (k + kOutline - 1) % kOutline, kLandmarks + k,
                       kLandmarks + (k + 1) % kOutline});
  RowVec y = consensus(specimens);
  std::vector<RowVec> x;
  for (const RowVec& p : specimens) x.push_back(rotatedOnto(standardised(p), y));
  auto ss = [&] {
    double t = 0;
    for (const RowVec& p : x) t += (p - y).squaredNorm();
    return t;
  };
  double before = ss();
  int rounds = 0;
  for (; rounds < 5;) {
    ++rounds;
    std::vector<RowVec> slid;
    for (const RowVec& p : x) slid.push_back(independentSlide(p, y, sliders, kPoints));
    y = consensus(slid);
    x.clear();
    for (const RowVec& p : slid) x.push_back(rotatedOnto(standardised(p), y));
    const double after = ss();
    const bool settled = std::abs(before - after) <= 1e-4 * before;
    before = after;
    if (settled) break;
  }
  EXPECT_NE(console_.kept().find("Semilandmarks slid in " + std::to_string(rounds) +
                                 (rounds == 1 ? " round." : " rounds.")),
            std::string::npos);
  EXPECT_LT((state_.reference.row(0).head(2 * kPoints) - y).cwiseAbs().maxCoeff(), 1e-12);
  for (std::size_t i = 0; i < x.size(); ++i)
    EXPECT_LT(
        (state_.DATA->row(static_cast<Index>(i)).head(2 * kPoints) - x[i]).cwiseAbs().maxCoeff(),
        1e-9)
        << i;

  // The eigenvalues: the covariance of the specimens' differences from the
  // reference, less their parts along the reference (size) and along its
  // turn (rotation), which the shape variables leave out.
  RowVec turn(2 * kPoints);
  for (Index k = 0; k < kPoints; ++k) turn(2 * k) = -y(2 * k + 1), turn(2 * k + 1) = y(2 * k);
  const RowVec unitY = y / y.norm(), unitTurn = turn / turn.norm();
  Eigen::MatrixXd d(static_cast<Index>(x.size()), 2 * kPoints);
  for (std::size_t i = 0; i < x.size(); ++i) {
    RowVec r = x[i] - y;
    r -= r.dot(unitY) * unitY;
    r -= r.dot(unitTurn) * unitTurn;
    d.row(static_cast<Index>(i)) = r;
  }
  const Eigen::MatrixXd centred = d.rowwise() - d.colwise().mean();
  const Eigen::MatrixXd cov = centred.transpose() * centred / static_cast<double>(x.size() - 1);
  Eigen::VectorXd expected = Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(cov).eigenvalues();
  std::sort(expected.data(), expected.data() + expected.size(), std::greater<>());
  Eigen::VectorXd got = state_.Dmatrix.diagonal();
  std::sort(got.data(), got.data() + got.size(), std::greater<>());
  for (Index k = 0; k < 5; ++k) EXPECT_NEAR(got(k), expected(k), 1e-6 * expected(0)) << k;
}

TEST_F(SemilandmarkAnalysis, CurvesSkippedWhenAskedGiveTheLandmarksAlone) {
  shell_.session().sliding.readCurves = false;
  load("ellipses.tps", tpsText(outlineSpecimens(6)));
  EXPECT_EQ(state_.DATA->cols(), 2 * kLandmarks + 1);
  EXPECT_NE(console_.kept().find("Skipped 240 outline points"), std::string::npos);
}

TEST_F(SemilandmarkAnalysis, SlidersFilesAndRoundsAreCheckedAndChangeNothingWhenRefused) {
  const auto call = [&](const char* routine) { shell_.runCallback(routine); };
  // Before any data there are no points to name.
  call("LoadSliders");
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages.back().text,
            "Load the landmark data first: the sliders name its points.");

  load("ellipses.tps", tpsText(outlineSpecimens(8)));
  const Mat curvesOnly = shell_.session().sliderRows;
  EXPECT_EQ(curvesOnly.size(), 0);
  std::ofstream(dir_ / "bad.txt") << "5 6 7\n6 7 45\n";
  SessionTest::answer("bad.txt", dir_);
  call("LoadSliders");
  EXPECT_EQ(win_.answers.messages.back().text,
            "The file bad.txt could not be loaded: line 2 holds \"45\", which is not a point "
            "number from 1 to 44.");
  EXPECT_EQ(shell_.session().sliderRows.size(), 0);

  // A sliders file decides alone: only point 6 slides now.
  std::ofstream(dir_ / "one.txt") << "5 6 7\n";
  SessionTest::answer("one.txt", dir_);
  call("LoadSliders");
  ASSERT_EQ(shell_.session().sliderRows.rows(), 1);
  // The data's box says what slides now.
  EXPECT_NE(win_.control("FileBox").get("String").text().find(
                "44 Landmarks\n 44 points: 43 landmarks, 1 sliding"),
            std::string::npos)
      << win_.control("FileBox").get("String").text();
  EXPECT_EQ(io::studySliders(shell_.session()), (std::vector<Slider>{{4, 5, 6}}));

  win_.answers.inputs.push_back(std::vector<std::string>{"0"});
  call("SlidingRounds");
  EXPECT_EQ(win_.answers.messages.back().text,
            "\"0\" is not a number of rounds; give a whole number from 1 to 50.");
  EXPECT_EQ(shell_.session().sliding.rounds, 5);
  win_.answers.inputs.push_back(std::vector<std::string>{" 1 "});
  call("SlidingRounds");
  EXPECT_EQ(shell_.session().sliding.rounds, 1);

  call("SlideByProcrustesDistance");
  EXPECT_TRUE(shell_.session().sliding.byProcrustes);
  act("NoGroupList");
  EXPECT_NE(console_.kept().find("Semilandmarks slid in 1 round."), std::string::npos);
  ASSERT_EQ(state_.PCAScores.rows(), 8);

  // A new data file brings its own curves and forgets the sliders file.
  load("ellipses.tps", tpsText(outlineSpecimens(8)));
  EXPECT_EQ(shell_.session().sliderRows.size(), 0);
  EXPECT_EQ(io::studySliders(shell_.session()).size(), static_cast<std::size_t>(kOutline));
}

TEST_F(SemilandmarkAnalysis, AlignedCoordinatesReadBackAsTheFittedSlidSpecimens) {
  const auto call = [&](const char* routine) { return shell_.runCallback(routine); };
  load("ellipses.tps", tpsText(outlineSpecimens(6)));
  // Before the analysis: refused before any file is asked for.
  call("ExportAlignedCoordinates");
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages.back().text, "Run the analysis first");
  EXPECT_TRUE(win_.answers.fileDialogTitles.size() == 1u);  // the data file's only

  act("NoGroupList");
  SessionTest::answer("aligned", dir_);  // no extension: a TPS file
  call("ExportAlignedCoordinates");
  std::ifstream tps(dir_ / "aligned.tps");
  const io::TpsData back = io::readTps(tps, "aligned.tps");
  ASSERT_EQ(back.data.rows(), 6);
  EXPECT_EQ(back.data.leftCols(2 * kPoints), state_.DATA->leftCols(2 * kPoints));
  EXPECT_EQ(back.ids.front(), "E1");

  SessionTest::answer("aligned.CSV", dir_);
  call("ExportAlignedCoordinates");
  const std::string csv = read(dir_ / "aligned.CSV");
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "specimen,id,group,point,x,y,sliding");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 6 * kPoints);
  std::istringstream rows(csv);
  std::string line;
  std::getline(rows, line);
  int slidingRows = 0;
  for (int r = 0; std::getline(rows, line); ++r) {
    const bool slides = line.back() == '1';
    slidingRows += slides ? 1 : 0;
    // Point 5 of specimen 2 (the outline's first): number, name, group, point.
    if (r == kPoints + 4) {
      EXPECT_EQ(line.substr(0, line.find(',', 8)), "2,E2,1,5") << line;
    }
  }
  EXPECT_EQ(slidingRows, 6 * kOutline);
}

}  // namespace
}  // namespace varnok::analysis
