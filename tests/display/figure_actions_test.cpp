#include "display/figure_actions.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "display/showpw5.hpp"
#include "morpho/tps.hpp"
#include "morpho/vertxy.hpp"
#include "platform/graphics/contour.hpp"
#include "platform/graphics/plot_data.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::display {
namespace {

using graphics::Contour;

// An irregular form of seven landmarks, 2 x L.
Mat sevenLandmarks() {
  Mat xy(2, 7);
  xy << -1.0, -0.4, 0.5, 1.1, 0.6, -0.5, 0.05,  //
      0.1, 0.9, 1.0, 0.0, -0.8, -0.9, 0.2;
  return xy;
}

// Nodes spread over and around the form, landmarks among them.
void someNodes(Mat& x, Mat& y) {
  x.resize(5, 6);
  y.resize(5, 6);
  for (Eigen::Index i = 0; i < 5; ++i)
    for (Eigen::Index j = 0; j < 6; ++j) {
      x(i, j) = -1.5 + 0.7 * static_cast<double>(i);
      y(i, j) = -1.3 + 0.5 * static_cast<double>(j);
    }
  x(0, 0) = -0.4;  // exactly on landmark 2
  y(0, 0) = 0.9;
}

TEST(ExpansionMap, AffineMapsGiveTheirAreaRatioEverywhere) {
  const Mat ref = sevenLandmarks();
  Mat x, y;
  someNodes(x, y);
  // Turned by 0.7 radians and moved: the area stays.
  Eigen::Matrix2d turn;
  turn << std::cos(0.7), -std::sin(0.7), std::sin(0.7), std::cos(0.7);
  Mat moved = turn * ref;
  moved.row(0).array() += 0.3;
  const Mat same = log2AreaRatio(ref, deformationWeights(ref, moved), x, y);
  EXPECT_LT(same.cwiseAbs().maxCoeff(), 1e-9);
  // Stretched by 2 along x: every bit of area doubles.
  Mat wide = ref;
  wide.row(0) *= 2;
  const Mat doubled = log2AreaRatio(ref, deformationWeights(ref, wide), x, y);
  EXPECT_LT((doubled.array() - 1).abs().maxCoeff(), 1e-9);
}

TEST(ExpansionMap, TheJacobianIsTheSplinesOwnDerivative) {
  // A bent map: central differences of the spline itself agree with the
  // analytic Jacobian, near and far from the landmarks.
  const Mat ref = sevenLandmarks();
  Mat target = ref;
  target(0, 6) += 0.15;
  target(1, 2) -= 0.1;
  const Mat w = deformationWeights(ref, target);
  const auto map = [&](double px, double py) {
    Mat p(2, 1);
    p << px, py;
    const auto a = w.bottomRows(3);
    const double wx = morpho::wsspline(ref, p, Mat(w.col(0).head(7)));
    const double wy = morpho::wsspline(ref, p, Mat(w.col(1).head(7)));
    return Eigen::Vector2d(px + a(0, 0) + a(1, 0) * px + a(2, 0) * py + wx,
                           py + a(0, 1) + a(1, 1) * px + a(2, 1) * py + wy);
  };
  const double h = 1e-6;
  for (auto [px, py] : {std::pair{0.05, 0.21}, {-0.9, 0.4}, {1.7, -1.2}, {0.5, 1.0}}) {
    const Eigen::Matrix2d J = morpho::tpsJacobian(ref, w, px, py);
    const Eigen::Vector2d dx = (map(px + h, py) - map(px - h, py)) / (2 * h);
    const Eigen::Vector2d dy = (map(px, py + h) - map(px, py - h)) / (2 * h);
    EXPECT_NEAR(J(0, 0), dx(0), 1e-6);
    EXPECT_NEAR(J(1, 0), dx(1), 1e-6);
    EXPECT_NEAR(J(0, 1), dy(0), 1e-6);
    EXPECT_NEAR(J(1, 1), dy(1), 1e-6);
  }
}

class FigureActions : public testkit::SessionTest {
 protected:
  FigureActions() { testkit::addPictureControls(win_, dir_); }
  void act(const std::string& a) { shell_.runCallback("Varnoksw('" + a + "')"); }
  void run(const std::string& routine) { shell_.runCallback(routine); }
  void analyse() {
    answer("gorilla.txt", dir_);
    act("LoadData");
    act("NoGroupList");
    act("ShowPCAAxis");
    win_.answers.messages.clear();
  }
  graphics::Axes& ax() { return win_.figure().axes(); }
  const Contour* contour() {
    for (const auto& c : ax().children())
      if (const auto* k = dynamic_cast<const Contour*>(c.get())) return k;
    return nullptr;
  }
  // The plot data but the title (which names the marker's place on the
  // plot) and the handles (new ones each time).
  std::string drawn() {
    std::istringstream in(graphics::plotDataJson(win_.figure()));
    std::string out, line;
    while (std::getline(in, line))
      if (line.find("\"title\":") == std::string::npos &&
          line.find("\"handle\":") == std::string::npos)
        out += line + "\n";
    return out;
  }
  // The score plot's points, in drawing order.
  std::vector<double> points() {
    std::vector<double> out;
    for (const auto& c : ax().children())
      if (const auto* l = dynamic_cast<const graphics::Line*>(c.get()))
        out.insert(out.end(), l->xdata().begin(), l->xdata().end());
    return out;
  }
};

TEST_F(FigureActions, FilledContoursAndTheExpansionMapCarryTheirColourBars) {
  analyse();
  win_.control("DeFormat").set("Value", 8.0);
  act("ShowPCADeformationPS");
  const Contour* c = contour();
  ASSERT_NE(c, nullptr);
  ASSERT_TRUE(ax().colorBar());
  EXPECT_EQ(ax().colorBar()->label, "|horizontal displacement|");
  EXPECT_EQ(ax().colorBar()->lo, c->zdata.minCoeff());
  EXPECT_EQ(ax().colorBar()->hi, c->zdata.maxCoeff());
  EXPECT_EQ(ax().colorBar()->contour, c->handle());
  const std::string json = graphics::plotDataJson(win_.figure());
  EXPECT_NE(json.find("\"type\": \"colorbar\""), std::string::npos);
  EXPECT_NE(json.find("\"label\": \"|horizontal displacement|\""), std::string::npos);

  run("ShowExpansionMap");
  c = contour();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->colorMap, graphics::ColorMap::Diverging);
  ASSERT_TRUE(ax().colorBar());
  EXPECT_EQ(ax().colorBar()->label, "log2 area ratio");
  EXPECT_EQ(ax().title(), "Expansion map, PC 1 = +0.10, Procrustes");
  // The levels lie evenly about 0, so "no change" is the middle colour.
  const auto lv = c->levels();
  EXPECT_NEAR(lv.front(), -lv.back(), 1e-12);
  // A new picture without contours has no colour bar.
  win_.control("DeFormat").set("Value", 1.0);
  act("ShowPCADeformationPS");
  EXPECT_FALSE(ax().colorBar());
}

TEST_F(FigureActions, TitlesFollowTheAxisBoxesAndCanBeTurnedOff) {
  analyse();
  EXPECT_EQ(ax().title(), "PC 1 vs PC 2");
  act("UpXAxis");
  act("ShowPCAAxis");
  EXPECT_EQ(ax().title(), "PC 2 vs PC 2");
  act("UpDisplay");
  act("ShowPCADeformationBC");
  EXPECT_EQ(ax().title(), "PC 2 = +0.10, baseline 1-5");
  win_.answers.clicks.push_back(window::Click{-0.012, 0.004, 1});
  act("PlaceM1");
  act("ShowMarker1PCA");
  EXPECT_EQ(ax().title(), "Marker 1 (-0.012, 0.004)");
  run("ToggleTitles");
  EXPECT_EQ(ax().title(), "");
  act("ShowMeans");
  EXPECT_EQ(ax().title(), "");
  run("ToggleTitles");
  act("ShowMeans");
  EXPECT_EQ(ax().title(), "Group means, Procrustes");
}

TEST_F(FigureActions, FlippingASignTwiceIsTheIdentityAndLeavesTheResults) {
  analyse();
  answerOut("before.txt");
  act("SavePCA");
  win_.answers.clicks.push_back(window::Click{0.03, -0.02, 1});
  act("PlaceM1");
  act("ShowPCAAxis");
  const std::vector<double> plain = points();
  act("ShowMarker1PCA");
  const std::string marker = drawn();
  act("ShowPCADeformationPS");
  const std::string axis = drawn();

  act("ShowPCAAxis");
  run("FlipXAxisSign");
  std::vector<double> flipped = points();
  ASSERT_EQ(flipped.size(), plain.size());
  for (std::size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(flipped[i], -plain[i]);
  // The marker moved with its axis and still stands for the same shape.
  EXPECT_EQ(*state_.marker1x, -0.03);
  act("ShowMarker1PCA");
  EXPECT_TRUE(drawn() == marker);
  act("ShowPCADeformationPS");
  EXPECT_EQ(ax().title(), "PC 1 = -0.10, Procrustes");
  EXPECT_TRUE(drawn() != axis);

  act("ShowPCAAxis");
  run("FlipXAxisSign");
  EXPECT_EQ(points(), plain);
  act("ShowPCADeformationPS");
  EXPECT_TRUE(drawn() == axis);
  answerOut("after.txt");
  act("SavePCA");
  EXPECT_EQ(out("after.txt"), out("before.txt"));
  // New data forgets the flips.
  run("FlipYAxisSign");
  ASSERT_FALSE(shell_.session().figures.flippedAxes.empty());
  answer("gorilla.txt", dir_);
  act("LoadData");
  EXPECT_TRUE(shell_.session().figures.flippedAxes.empty());
}

TEST_F(FigureActions, ExportedShapesReadBackExactlyAndLieAboutTheReference) {
  analyse();
  run("ExportShapes");  // nothing drawn yet: refused, nothing asked
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  act("ShowPCADeformationPS");
  const LastDeformation* last = lastDeformation(shell_.session());
  ASSERT_NE(last, nullptr);
  const auto shapes = shapesToExport(shell_.session(), *last);
  ASSERT_EQ(shapes.size(), 9u);
  EXPECT_EQ(shapes[0].id, "reference");
  EXPECT_EQ(shapes[2].id, "PC1 -3 SD");
  EXPECT_EQ(shapes[8].id, "PC1 +3 SD");
  // The 0 shape is the reference; the others lie symmetrically about it.
  EXPECT_LT((shapes[5].xy - shapes[0].xy).cwiseAbs().maxCoeff(), 1e-14);
  for (int k = 1; k <= 3; ++k) {
    const Mat mid = (shapes[5 + k].xy + shapes[5 - k].xy) / 2;
    EXPECT_LT((mid - shapes[0].xy).cwiseAbs().maxCoeff(), 1e-14);
    EXPECT_GT((shapes[5 + k].xy - shapes[0].xy).cwiseAbs().maxCoeff(), 1e-4);
  }

  answerOut("shapes.tps");
  run("ExportShapes");
  answer("shapes.tps", dir_ / "out");
  act("LoadData");
  ASSERT_EQ(state_.DATA->rows(), 9);
  for (Eigen::Index i = 0; i < 9; ++i) {
    const Mat xy = morpho::vertxy(state_.DATA->row(i));
    EXPECT_EQ(xy, shapes[static_cast<std::size_t>(i)].xy) << shapes[static_cast<std::size_t>(i)].id;
  }
  EXPECT_EQ(shell_.session().specimenIds[2], "PC1 -3 SD");

  const std::string csv = shapesCsv(shapes);
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "shape,landmark,x,y");
  EXPECT_NE(csv.find("\nPC 1 = +0.10,1,"), std::string::npos);
  EXPECT_EQ(shapesCsv({{"a, b", Mat::Zero(2, 1)}}), "shape,landmark,x,y\n\"a, b\",1,0,0\n");
}

}  // namespace
}  // namespace varnok::display
