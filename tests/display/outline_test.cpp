// Warped outlines on the gorilla skulls: carried from the specimen they were
// drawn on to the reference, and bent with the grid in every deformation
// picture, the marker pictures and the live shape.
#include "display/outline.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "display/wireframe.hpp"
#include "morpho/vertxy.hpp"
#include "platform/graphics/plot_data.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::display {
namespace {

using Eigen::Index;
using graphics::Line;

constexpr Index kL = 8;  // landmarks of a gorilla skull

// The lines tagged as the outline, split by colour: the reference's grey
// and the deformed black.
struct OutlineLines {
  std::vector<const Line*> grey, black;
};
OutlineLines outlineLines(const graphics::Axes& ax) {
  OutlineLines o;
  for (const auto& c : ax.children())
    if (auto* l = dynamic_cast<const Line*>(c.get()); l && l->tag.str() == kOutlineTag)
      (l->color == kReferenceWireColor ? o.grey : o.black).push_back(l);
  return o;
}

// The points of lines, one after the other, as 2 x n.
Mat pointsOf(const std::vector<const Line*>& lines) {
  std::vector<double> x, y;
  for (const Line* l : lines) {
    x.insert(x.end(), l->xdata().begin(), l->xdata().end());
    y.insert(y.end(), l->ydata().begin(), l->ydata().end());
  }
  Mat m(2, static_cast<Index>(x.size()));
  for (Index k = 0; k < m.cols(); ++k)
    m.col(k) << x[static_cast<size_t>(k)], y[static_cast<size_t>(k)];
  return m;
}

void expectNear(const Mat& a, const Mat& b, double tol, const std::string& what) {
  ASSERT_EQ(a.cols(), b.cols()) << what;
  ASSERT_EQ(a.rows(), b.rows()) << what;
  EXPECT_LE((a - b).cwiseAbs().maxCoeff(), tol) << what << "\n" << a << "\n" << b;
}

class OutlineTest : public testkit::SessionTest {
 protected:
  OutlineTest() {
    testkit::addPictureControls(win_, dir_);
    for (const char* tag : {"LoadGroup", "NoLoadGroup", "RestrictBox", "PCALimit", "BWButton"})
      win_.add(tag);
    win_.add(kOutlineItem).set("Checked", "off");
    win_.add("RotateRequest").set("Value", 0.0);
    shell_.session().folder = testkit::folderString(dir_);
  }
  void act(const std::string& a) { shell_.runCallback("Varnoksw('" + a + "')"); }
  void analyse() {
    answer("gorilla.txt", dir_);
    act("LoadData");
    act("NoGroupList");
  }
  // An outline of two strokes through the landmarks of loaded specimen n as
  // the data file gives them: 1 to 4, then 5 to 8.
  void loadOutlineOnLandmarks(int n) {
    const Mat raw = morpho::vertxy(shell_.session().loadedData().row(n - 1));
    std::string text;
    char buf[96];
    for (Index k = 0; k < kL; ++k) {
      if (k == 4) text += "\n";
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", raw(0, k), raw(1, k));
      text += buf;
    }
    write(dir_ / "outline.txt", text);
    answer("outline.txt", dir_);
    win_.answers.inputs.push_back(std::vector<std::string>{std::to_string(n)});
    shell_.runCallback("LoadOutline");
    ASSERT_TRUE(win_.answers.messages.empty()) << win_.answers.messages.back().text;
  }
  const graphics::Axes& ax() { return win_.figure().axes(); }
};

TEST(CarryOutline, AnOutlineOnTheReferenceOrASimilarCopyOfItIsOnlyMovedRigidly) {
  Mat ref(1, 2 * kL + 1);
  ref << -0.3, 0.1, -0.1, 0.35, 0.2, 0.3, 0.4, 0.05, 0.25, -0.2, 0.0, -0.35, -0.2, -0.25, -0.4,
      -0.05, 1;
  Mat stroke(2, 5);
  stroke << -0.5, -0.2, 0.1, 0.45, 0.7, 0.4, -0.45, 0.2, 0.0, -0.6;
  OutlineSource onItself{{stroke}, morpho::vertxy(ref)};
  const auto same = carryOutline(onItself, ref);
  ASSERT_EQ(same.size(), 1u);
  expectNear(same[0], stroke, 1e-12, "the reference onto itself");

  // Landmarks turned by 30 degrees, scaled by 40 and moved: the outline
  // drawn on them comes back by the inverse similarity.
  const double c = 40 * std::cos(0.5236), s = 40 * std::sin(0.5236);
  Eigen::Matrix2d A;
  A << c, -s, s, c;
  const Eigen::Vector2d t(130, -70);
  auto move = [&](const Mat& xy) { return Mat((A * xy).colwise() + t); };
  const auto back = carryOutline({{move(stroke)}, move(morpho::vertxy(ref))}, ref);
  ASSERT_EQ(back.size(), 1u);
  expectNear(back[0], stroke, 1e-12, "a similar copy onto the reference");
}

TEST_F(OutlineTest, PointsOnTheLandmarksOfTheirSpecimenLandOnTheReferenceAndOnTheDeformedOnes) {
  analyse();
  loadOutlineOnLandmarks(3);
  const auto carried = carryOutline(outlineSource(shell_.session()), state_.reference);
  ASSERT_EQ(carried.size(), 2u);
  Mat both(2, kL);
  both << carried[0], carried[1];
  expectNear(both, morpho::vertxy(state_.reference), 1e-12, "carried to the reference");

  for (const char* a : {"ShowPCADeformationPS", "ShowPCADeformationBC", "ShowPCADeformationSBR"}) {
    // The landmark vectors run from each reference landmark of the picture
    // to where its spline takes it.
    win_.control("DeFormat").set("Value", 3.0);
    act(a);
    Mat from(2, kL), to(2, kL);
    Index k = 0;
    for (const auto& c : ax().children()) {
      auto* l = dynamic_cast<const Line*>(c.get());
      if (l == nullptr || l->xdata().size() != 2 || l->marker != 0 || !l->tag.str().empty())
        continue;
      if (k < 3 * kL && k % 3 == 0) {  // each vector is followed by its two barbs
        from.col(k / 3) << l->xdata()[0], l->ydata()[0];
        to.col(k / 3) << l->xdata()[1], l->ydata()[1];
      }
      ++k;
    }
    ASSERT_GE(k, 3 * kL) << a;
    for (double type = 1; type <= 9; ++type) {
      win_.control("DeFormat").set("Value", type);
      act(a);
      const OutlineLines o = outlineLines(ax());
      // Vectors added to the picture shown (type 5) draw the outline again
      // over the one there: the last drawn are theirs.
      ASSERT_GE(o.grey.size(), 2u);
      ASSERT_GE(o.black.size(), 2u);
      const std::string what = std::string(a) + " type " + std::to_string(type);
      expectNear(pointsOf({o.grey.end() - 2, o.grey.end()}), from, 1e-9, what + " reference");
      expectNear(pointsOf({o.black.end() - 2, o.black.end()}), to, 1e-9, what + " deformed");
    }
  }
  // The marker picture and the live shape bend it too.
  act("ShowPCAAxis");
  const auto lim = ax().limits();
  const double mx = (lim[0] + lim[1]) / 2 + 0.1 * (lim[1] - lim[0]), my = (lim[2] + lim[3]) / 2;
  win_.answers.clicks.push_back(window::Click{mx, my, 1});
  act("PlaceM1");
  win_.control("DeFormat").set("Value", 1.0);
  act("ShowMarker1PCA");
  EXPECT_EQ(outlineLines(ax()).black.size(), 2u);
  act("ShowPCAAxis");
  graphics::Figure inset;
  ASSERT_EQ(shell_.liveShape(inset, mx, my), "");
  EXPECT_EQ(outlineLines(inset.axes()).black.size(), 2u);
  EXPECT_EQ(outlineLines(inset.axes()).grey.size(), 2u);
  EXPECT_TRUE(win_.answers.messages.empty()) << win_.answers.messages.front().text;
}

TEST_F(OutlineTest, ShowOutlineDecidesWhetherPicturesAndTheirPlotDataHoldIt) {
  analyse();
  const std::string tagged = "\"tag\": \"outline\"";
  act("ShowPCADeformationPS");
  EXPECT_EQ(graphics::plotDataJson(win_.figure()).find(tagged), std::string::npos);
  loadOutlineOnLandmarks(1);
  // Zero deformation: the bent outline is the reference's.
  win_.control("ExagerationBox").set("String", "0");
  win_.control("RefAngleBox").set("String", "0");
  act("ShowPCADeformationPS");
  const OutlineLines o = outlineLines(ax());
  ASSERT_EQ(o.black.size(), 2u);
  expectNear(pointsOf(o.black), pointsOf(o.grey), 1e-12, "zero deformation");
  expectNear(pointsOf(o.grey), morpho::vertxy(state_.reference), 1e-12, "on the reference");
  EXPECT_NE(graphics::plotDataJson(win_.figure()).find(tagged), std::string::npos);

  shell_.runCallback("ToggleOutline");
  EXPECT_EQ(win_.control(kOutlineItem).get("Checked").text(), "off");
  act("ShowPCADeformationPS");
  EXPECT_EQ(graphics::plotDataJson(win_.figure()).find(tagged), std::string::npos);
  shell_.runCallback("ToggleOutline");
  EXPECT_EQ(win_.control(kOutlineItem).get("Checked").text(), "on");
  // A new analysis keeps the outline and carries it to its reference.
  act("NoGroupList");
  act("ShowPCADeformationPS");
  EXPECT_EQ(outlineLines(ax()).black.size(), 2u);
  EXPECT_TRUE(win_.answers.messages.empty()) << win_.answers.messages.front().text;
}

}  // namespace
}  // namespace varnok::display
