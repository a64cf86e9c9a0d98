// The score plot's group ellipses and hulls, checked against a computation
// written out here: the F quantile found by bisection on the F distribution's
// upper tail, the covariance and its inverse by hand.
#include "display/score_plot_overlays.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "analysis/f_distribution.hpp"
#include "display/score_plot.hpp"
#include "platform/graphics/plot_data.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::display {
namespace {

namespace fs = std::filesystem;

// F(p; 2, d2) by bisection on the upper tail, which falls as F grows.
double quantileByBisection(double p, double d2) {
  double lo = 0, hi = 1;
  while (analysis::fUpperTail(hi, 2, d2) > 1 - p) hi *= 2;
  for (int i = 0; i < 200; ++i) {
    const double mid = (lo + hi) / 2;
    (analysis::fUpperTail(mid, 2, d2) > 1 - p ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

TEST(GroupEllipses, RadiiAreTheFQuantileFormulas) {
  for (double n : {3.0, 4.0, 7.0, 25.0, 59.0, 2000.0}) {
    const double F = quantileByBisection(0.95, n - 2);
    EXPECT_NEAR(fQuantile2(0.95, n - 2), F, 1e-9 * F) << n;
    EXPECT_NEAR(ellipseRadiusSquared(EllipseKind::ConfidenceOfMean, n),
                2 * (n - 1) / (n * (n - 2)) * F, 1e-9)
        << n;
    EXPECT_NEAR(ellipseRadiusSquared(EllipseKind::Data, n),
                2 * (n - 1) * (n + 1) / (n * (n - 2)) * F, 1e-9 * n)
        << n;
  }
  // The textbook value F(0.95; 2, 10) = 4.1028.
  EXPECT_NEAR(fQuantile2(0.95, 10), 4.1028, 1e-4);
}

class ScorePlotOverlays : public testkit::SessionTest {
 protected:
  ScorePlotOverlays() {
    shell_.session().folder = testkit::folderString(dir_);
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, dir_ / f);
    testkit::addAnalysisControls(win_);
    win_.control("AxisOnePos").set("Value", 1.0);
    win_.control("AxisTwoPos").set("Value", 0.0);  // a mirrored axis: ellipses follow it
    win_.control("XBox").set("String", "1");
    win_.control("YBox").set("String", "2");
    for (const char* tag :
         {kConfidenceEllipsesItem, kDataEllipsesItem, kConvexHullsItem, kIdLabelsItem})
      win_.add(tag).set("Checked", "off");
    answer("gorilla.txt", dir_);
    run("Varnoksw('LoadData')");
    answer("gorilla_groups.txt", dir_);
    run("Varnoksw('LoadGroupList')");
  }
  void run(const std::string& cb) { ASSERT_TRUE(shell_.runCallback(cb)) << cb; }

  // The plotted positions of the specimens of group g.
  void groupPoints(double g, std::vector<double>& x, std::vector<double>& y) {
    const Mat& scores = state_.PCAScores;
    const auto cx = *session::axisColumn(*state_.NumPCA, 1, scores.cols());
    const auto cy = *session::axisColumn(*state_.NumPCA, 2, scores.cols());
    for (Eigen::Index i = 0; i < scores.rows(); ++i)
      if (state_.GLIST(i, 0) == g) {
        x.push_back(scores(i, cx));
        y.push_back(-scores(i, cy));
      }
  }
  std::vector<const graphics::Line*> tagged(const std::string& tag) {
    std::vector<const graphics::Line*> out;
    for (const auto& c : win_.figure().axes().children())
      if (auto* l = dynamic_cast<const graphics::Line*>(c.get()); l && l->tag.str() == tag)
        out.push_back(l);
    return out;
  }
};

TEST_F(ScorePlotOverlays, EllipsesAreTheQuadraticFormsLevelLinesInTheGroupsColour) {
  run("ToggleConfidenceEllipses");
  run("ToggleDataEllipses");
  EXPECT_EQ(win_.control(kConfidenceEllipsesItem).get("Checked").text(), "on");
  for (double g : {1.0, 2.0}) {
    std::vector<double> x, y;
    groupPoints(g, x, y);
    const double n = static_cast<double>(x.size());
    ASSERT_GE(n, 3);
    double mx = 0, my = 0;
    for (std::size_t i = 0; i < x.size(); ++i) mx += x[i] / n, my += y[i] / n;
    double sxx = 0, sxy = 0, syy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
      sxx += (x[i] - mx) * (x[i] - mx) / (n - 1);
      sxy += (x[i] - mx) * (y[i] - my) / (n - 1);
      syy += (y[i] - my) * (y[i] - my) / (n - 1);
    }
    const double det = sxx * syy - sxy * sxy;
    const double F = quantileByBisection(0.95, n - 2);
    const std::string code = g == 1 ? "1" : "2";
    for (const auto& [tag, r2] :
         {std::pair{"confidence ellipse " + code, 2 * (n - 1) / (n * (n - 2)) * F},
          std::pair{"data ellipse " + code, 2 * (n - 1) * (n + 1) / (n * (n - 2)) * F}}) {
      const auto lines = tagged(tag);
      ASSERT_EQ(lines.size(), 1u) << tag;
      const auto px = lines[0]->xdata(), py = lines[0]->ydata();
      ASSERT_GE(px.size(), 100u);
      EXPECT_EQ(px[0], px[px.size() - 1]);
      EXPECT_EQ(py[0], py[py.size() - 1]);
      for (std::size_t k = 0; k < px.size(); ++k) {
        const double dx = px[k] - mx, dy = py[k] - my;
        const double q = (syy * dx * dx - 2 * sxy * dx * dy + sxx * dy * dy) / det;
        ASSERT_NEAR(q, r2, 1e-9 * r2) << tag << " point " << k;
      }
      EXPECT_EQ(lines[0]->color, g == 1 ? (graphics::Rgb{0, 0, 0}) : (graphics::Rgb{0, 0, 1}))
          << tag;
    }
  }
  // In the plot data, and gone once switched off.
  EXPECT_NE(graphics::plotDataJson(win_.figure()).find("\"data ellipse 2\""), std::string::npos);
  run("ToggleConfidenceEllipses");
  EXPECT_TRUE(tagged("confidence ellipse 1").empty());
  EXPECT_EQ(tagged("data ellipse 1").size(), 1u);
  EXPECT_EQ(win_.control(kConfidenceEllipsesItem).get("Checked").text(), "off");
}

TEST_F(ScorePlotOverlays, HullsEncloseTheirGroupAndSmallGroupsGetANote) {
  run("ToggleConvexHulls");
  std::vector<double> x, y;
  groupPoints(1, x, y);
  const auto hull = tagged("convex hull 1");
  ASSERT_EQ(hull.size(), 1u);
  const auto hx = hull[0]->xdata(), hy = hull[0]->ydata();
  ASSERT_GE(hx.size(), 4u);
  for (std::size_t k = 0; k + 1 < hx.size(); ++k) {
    bool isSpecimen = false;
    for (std::size_t i = 0; i < x.size(); ++i) isSpecimen |= x[i] == hx[k] && y[i] == hy[k];
    EXPECT_TRUE(isSpecimen) << "corner " << k;
    // Counter-clockwise: every specimen on the left of every edge, or on it.
    for (std::size_t i = 0; i < x.size(); ++i)
      EXPECT_GE((hx[k + 1] - hx[k]) * (y[i] - hy[k]) - (hy[k + 1] - hy[k]) * (x[i] - hx[k]), -1e-12)
          << "edge " << k << " specimen " << i;
  }

  // Two specimens of a third group: no hull for it, and a line saying so.
  state_.GLIST(0, 0) = 3;
  state_.GLIST(1, 0) = 3;
  state_.ColorList = session::defaultColorList();
  run("Varnoksw('ShowPCAAxis')");
  EXPECT_TRUE(tagged("convex hull 3").empty());
  EXPECT_EQ(tagged("convex hull 1").size(), 1u);
  EXPECT_NE(console_.kept().find("Group 3 has fewer than 3 specimens: no ellipse or hull."),
            std::string::npos);
}

TEST_F(ScorePlotOverlays, MoreThan2000PointsAreDrawnSemiTransparent) {
  // The specimens repeated to n rows, and the score plot drawn of them.
  const Mat scores = state_.PCAScores, glist = state_.GLIST;
  auto plotOf = [&](Eigen::Index n) {
    state_.PCAScores.resize(n, scores.cols());
    state_.GLIST.resize(n, glist.cols());
    for (Eigen::Index i = 0; i < n; ++i) {
      state_.PCAScores.row(i) = scores.row(i % scores.rows());
      state_.GLIST.row(i) = glist.row(i % glist.rows());
    }
    run("Varnoksw('ShowPCAAxis')");
    const std::string json = graphics::plotDataJson(win_.figure());
    std::size_t seeThrough = 0;
    for (auto at = json.find("\"markerAlpha\": 0.5"); at != std::string::npos;
         at = json.find("\"markerAlpha\": 0.5", at + 1))
      ++seeThrough;
    return seeThrough;
  };
  EXPECT_EQ(plotOf(scores.rows()), 0u);
  EXPECT_EQ(plotOf(kOpaquePointsAtMost), 0u);
  EXPECT_EQ(plotOf(kOpaquePointsAtMost + 1), static_cast<std::size_t>(kOpaquePointsAtMost + 1));
}

TEST_F(ScorePlotOverlays, PointsAreLabelledWithTheFilesNamesWhenChosen) {
  const auto N = static_cast<std::size_t>(state_.PCAScores.rows());
  shell_.session().specimenIds.clear();
  for (std::size_t i = 0; i < N; ++i)
    shell_.session().specimenIds.push_back("skull-" + std::to_string(i + 1));
  run("ToggleIdLabels");
  std::vector<std::string> labels;
  for (const auto& c : win_.figure().axes().children())
    if (auto* t = dynamic_cast<const graphics::Text*>(c.get())) labels.push_back(t->string);
  ASSERT_EQ(labels.size(), N);
  EXPECT_EQ(labels.front(), "skull-1");
  EXPECT_EQ(labels.back(), "skull-" + std::to_string(N));
  EXPECT_NE(graphics::plotDataJson(win_.figure()).find("\"skull-2\""), std::string::npos);
  EXPECT_EQ(win_.control(kIdLabelsItem).get("Checked").text(), "on");
  // The same switch by the name of its menu item: off again, no labels.
  run("ToggleLabelWithIds");
  EXPECT_EQ(win_.control(kIdLabelsItem).get("Checked").text(), "off");
  EXPECT_EQ(graphics::plotDataJson(win_.figure()).find("\"skull-2\""), std::string::npos);
}

}  // namespace
}  // namespace varnok::display
