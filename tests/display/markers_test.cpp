#include "display/markers.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "display/deformation_actions.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::display {
namespace {

using graphics::Line;
using window::Click;

// A V x V matrix of orthonormal columns that is not the identity, so each
// axis mixes several shape variables.
Mat someLoadings(Eigen::Index V) {
  Mat a(V, V);
  for (Eigen::Index i = 0; i < V; ++i)
    for (Eigen::Index j = 0; j < V; ++j)
      a(i, j) = std::sin(1.7 * static_cast<double>(i + 1) + 0.9 * static_cast<double>(j * j));
  Eigen::HouseholderQR<Mat> qr(a);
  return qr.householderQ();
}

TEST(MarkerVector, ScoresOnTwoAxesTimesTheScaleWithTheScaleLast) {
  const Mat V = someLoadings(6);
  const double numPCA = 7;
  // Axis 1 is column 6, axis 3 column 4.
  RowVec v = markerVector(V, numPCA, 1, 3, 0.25, -0.5, 2);
  ASSERT_EQ(v.size(), 7);
  for (Eigen::Index i = 0; i < 6; ++i)
    EXPECT_NEAR(v(i), 2 * (0.25 * V(i, 5) - 0.5 * V(i, 3)), 1e-15) << i;
  EXPECT_EQ(v(6), 2);

  // Not rounded, unlike the axis vector of the deformation actions.
  RowVec fine = markerVector(V, numPCA, 1, 2, 1e-7, 0, 1);
  EXPECT_NE(fine(0), 0);

  // Doubling the scale doubles every entry, the trailing one included.
  RowVec twice = markerVector(V, numPCA, 1, 3, 0.25, -0.5, 4);
  EXPECT_EQ(twice, RowVec(2 * v));

  // The same point for both markers: no change, only the trailing scale.
  RowVec none = markerVector(V, numPCA, 2, 5, 0, 0, 3);
  EXPECT_TRUE(none.head(6).isZero(0));
  EXPECT_EQ(none(6), 3);

  EXPECT_THROW(markerVector(V, numPCA, 0, 1, 1, 1, 1), RuntimeError);
  EXPECT_THROW(markerVector(V, numPCA, 1, 7, 1, 1, 1), RuntimeError);
  EXPECT_THROW(markerVector(V, numPCA, 1.5, 1, 1, 1, 1), RuntimeError);
}

// The gorilla skulls analysed, the score plot of axes 1 and 2 drawn.
class MarkerActions : public testkit::SessionTest {
 protected:
  MarkerActions() { testkit::addPictureControls(win_, dir_); }
  void act(const std::string& a) { shell_.runCallback("Varnoksw('" + a + "')"); }
  void analyse() {
    answer("gorilla.txt", dir_);
    act("LoadData");
    act("NoGroupList");
    act("ShowPCAAxis");
    win_.answers.messages.clear();
  }
  void place(int marker, double x, double y) {
    win_.answers.clicks.push_back(Click{x, y, 1});
    act(marker == 1 ? "PlaceM1" : "PlaceM2");
  }
  std::vector<const Line*> lines() {
    std::vector<const Line*> out;
    for (const auto& c : win_.figure().axes().children())
      if (const auto* l = dynamic_cast<const Line*>(c.get())) out.push_back(l);
    return out;
  }
  const std::vector<window::MessageBox>& messages() const { return win_.answers.messages; }
  Eigen::Index V() const { return state_.Vmatrix.cols(); }
};

// The two symbols of marker m at (x, y): a filled circle of size 6 in its
// colour, then a black plus of size 8.
void expectMarker(const Line& circle, const Line& plus, int m, double x, double y) {
  const graphics::Rgb colour = m == 1 ? graphics::Rgb{1, 0, 0} : graphics::Rgb{0, 1, 0};
  EXPECT_EQ(circle.xdata(), std::vector<double>{x});
  EXPECT_EQ(circle.ydata(), std::vector<double>{y});
  EXPECT_EQ(circle.marker, 'o');
  EXPECT_EQ(circle.color, colour);
  EXPECT_EQ(circle.markerFaceColor, graphics::ColorSpec::of(colour));
  EXPECT_EQ(circle.markerSize, 6);
  EXPECT_EQ(circle.lineStyle, "none");
  EXPECT_EQ(plus.xdata(), std::vector<double>{x});
  EXPECT_EQ(plus.marker, '+');
  EXPECT_EQ(plus.color, (graphics::Rgb{0, 0, 0}));
  EXPECT_EQ(plus.markerSize, 8);
}

TEST_F(MarkerActions, PickingDrawsTheMarkerAndAPickAgainReplacesThePosition) {
  analyse();
  const size_t plotted = lines().size();
  win_.answers.clicks.push_back(Click{0.02, -0.01, 1});
  act("PlaceM1");
  EXPECT_EQ(*state_.marker1x, 0.02);
  EXPECT_EQ(*state_.marker1y, -0.01);
  EXPECT_EQ(win_.statusText, "Marker 1 placed at (0.02, -0.01).");
  auto ls = lines();
  ASSERT_EQ(ls.size(), plotted + 2);
  expectMarker(*ls[plotted], *ls[plotted + 1], 1, 0.02, -0.01);
  EXPECT_TRUE(win_.figure().axes().held());

  place(1, -0.03, 0.04);
  EXPECT_EQ(*state_.marker1x, -0.03);
  EXPECT_EQ(*state_.marker1y, 0.04);
  // The old symbols stay until the plot is redrawn.
  ls = lines();
  ASSERT_EQ(ls.size(), plotted + 4);
  expectMarker(*ls[plotted + 2], *ls[plotted + 3], 1, -0.03, 0.04);

  place(2, 0.01, 0.01);
  ls = lines();
  expectMarker(*ls[plotted + 4], *ls[plotted + 5], 2, 0.01, 0.01);
  EXPECT_EQ(*state_.marker1x, -0.03);  // marker 1 untouched

  // Redrawing the score plot erases the symbols but not the positions;
  // RestoreMarkers draws both where they were.
  act("ShowPCAAxis");
  ASSERT_EQ(lines().size(), plotted);
  act("RestoreMarkers");
  ls = lines();
  ASSERT_EQ(ls.size(), plotted + 4);
  expectMarker(*ls[plotted], *ls[plotted + 1], 1, -0.03, 0.04);
  expectMarker(*ls[plotted + 2], *ls[plotted + 3], 2, 0.01, 0.01);
  EXPECT_TRUE(messages().empty());
}

TEST_F(MarkerActions, ACancelledPickLeavesTheMarkerWhereItWas) {
  analyse();
  place(2, 0.05, 0.02);
  const size_t drawn = lines().size();
  win_.answers.clicks.push_back(std::nullopt);  // Escape
  act("PlaceM2");
  EXPECT_EQ(*state_.marker2x, 0.05);
  EXPECT_EQ(*state_.marker2y, 0.02);
  EXPECT_EQ(lines().size(), drawn);
  EXPECT_EQ(win_.statusText, "Marker 2 not moved: the pick was cancelled.");
}

TEST_F(MarkerActions, AMarkerOnAPlotThatIsNotHeldKeepsBothItsSymbols) {
  auto& ax = win_.figure().axes();
  ax.plot(std::vector<double>{0, 1}, std::vector<double>{0, 1}, "k-");
  ax.hold(false);
  drawMarker(ax, 1, 0.5, 0.5);
  auto ls = lines();
  ASSERT_EQ(ls.size(), 2u);  // a new plot: the old line went, the marker is whole
  expectMarker(*ls[0], *ls[1], 1, 0.5, 0.5);
  EXPECT_FALSE(ax.held());

  // Both markers after a plot that is not held: all four symbols.
  state_.marker1x = 1, state_.marker1y = 2, state_.marker2x = 3, state_.marker2y = 4;
  act("RestoreMarkers");
  ls = lines();
  ASSERT_EQ(ls.size(), 4u);
  expectMarker(*ls[0], *ls[1], 1, 1, 2);
  expectMarker(*ls[2], *ls[3], 2, 3, 4);
  EXPECT_FALSE(ax.held());
}

TEST_F(MarkerActions, RestoringMarkersThatWereNeverPlacedSaysSo) {
  act("RestoreMarkers");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].title, "Redraw Markers");
  EXPECT_TRUE(lines().empty());
  state_.marker1x = 0.1, state_.marker1y = 0.2;
  act("RestoreMarkers");
  EXPECT_EQ(lines().size(), 2u);
  EXPECT_NE(win_.statusText.find("Marker 2 has not been placed"), std::string::npos);
}

TEST_F(MarkerActions, TheDifferenceOfOnePointIsTheUndeformedReference) {
  analyse();
  win_.control("MarkerScaleBox").set("String", "2.5");
  place(1, 0.03, -0.02);
  place(2, 0.03, -0.02);
  auto call = readMarkerRequest(state_, win_, MarkerPicture::Difference).request;
  ASSERT_TRUE(call);
  ASSERT_EQ(call->pwscore.size(), V() + 1);
  EXPECT_TRUE(call->pwscore.head(V()).isZero(0));
  EXPECT_EQ(call->pwscore(V()), 2.5);
  EXPECT_EQ(call->reference, state_.reference);
  EXPECT_EQ(call->registration, Registration::Procrustes);  // MarkerSuperList entry 3
}

TEST_F(MarkerActions, AMarkerOnTheXAxisIsTheDeformationAlongThatAxis) {
  analyse();
  const double s = 0.0421;
  win_.control("XBox").set("String", "2");
  win_.control("YBox").set("String", "3");
  win_.control("ShowBox").set("String", "2");
  win_.control("ExagerationBox").set("String", "0.0421");
  place(1, s, 0);
  auto marker = readMarkerRequest(state_, win_, MarkerPicture::Marker1).request;
  auto axis = readDeformationRequest(state_, win_, Registration::Procrustes).request;
  ASSERT_TRUE(marker && axis);
  // The same shape variables up to the axis vector's rounding to five
  // decimals; the trailing entry is the scale of each.
  for (Eigen::Index i = 0; i < V(); ++i) EXPECT_NEAR(marker->pwscore(i), axis->pwscore(i), 5e-6);
  EXPECT_EQ(marker->pwscore(V()), 1);
  EXPECT_EQ(axis->pwscore(V()), s);
  // Every other argument of the renderer is the same.
  EXPECT_EQ(marker->reference, axis->reference);
  EXPECT_EQ(marker->npts, axis->npts);
  EXPECT_EQ(marker->picture, axis->picture);
  EXPECT_EQ(marker->b1, axis->b1);
  EXPECT_EQ(marker->b2, axis->b2);
  EXPECT_EQ(marker->style.linespec, axis->style.linespec);
  EXPECT_EQ(marker->style.symboltype, axis->style.symboltype);
  EXPECT_EQ(marker->style.rangeexpansion, axis->style.rangeexpansion);
  EXPECT_EQ(marker->style.defangle, axis->style.defangle);
  // (The drawn pictures are compared end to end in script mode.)
}

TEST_F(MarkerActions, ThePicturesUseTheirMarkersAndKeepTheAngleTheyWereTurnedBy) {
  analyse();
  place(1, 0.02, 0.01);
  place(2, -0.01, 0.03);
  win_.control("MarkerScaleBox").set("String", "3");
  const Mat& Vm = state_.Vmatrix;
  const double n = *state_.NumPCA;
  auto m2 = readMarkerRequest(state_, win_, MarkerPicture::Marker2).request;
  auto dif = readMarkerRequest(state_, win_, MarkerPicture::Difference).request;
  ASSERT_TRUE(m2 && dif);
  EXPECT_EQ(m2->pwscore, markerVector(Vm, n, 1, 2, -0.01, 0.03, 3));
  EXPECT_EQ(dif->pwscore, markerVector(Vm, n, 1, 2, -0.01 - 0.02, 0.03 - 0.01, 3));

  // Procrustes: turned by the reference angle, which becomes defangle.
  state_.defangle = 10;
  act("ShowMarker2PCA");
  EXPECT_NEAR(*state_.defangle, 25, 1e-12);
  EXPECT_GT(lines().size(), 20u);
  // Baseline (MarkerSuperList entry 1): nothing is turned, defangle stays.
  win_.control("MarkerSuperList").set("Value", 1.0);
  state_.defangle = 10;
  auto bc = readMarkerRequest(state_, win_, MarkerPicture::Marker1).request;
  ASSERT_TRUE(bc);
  EXPECT_EQ(bc->registration, Registration::Baseline);
  EXPECT_EQ(bc->b2, 5);
  act("ShowMarkerDif");
  EXPECT_EQ(*state_.defangle, 10);
  EXPECT_TRUE(messages().empty());
}

TEST_F(MarkerActions, RefusalsSayWhyAndChangeNothing) {
  // Before any analysis.
  // Each refusal is titled with the action the user asked for.
  const std::pair<const char*, const char*> actions[] = {{"ShowMarker1PCA", "Shape at M1"},
                                                         {"ShowMarker2PCA", "Shape at M2"},
                                                         {"ShowMarkerDif", "Shape Change M1 → M2"}};
  for (const auto& [a, title] : actions) {
    act(a);
    ASSERT_FALSE(messages().empty()) << a;
    EXPECT_EQ(messages().back().title, title);
    EXPECT_NE(messages().back().text.find("run the analysis"), std::string::npos);
  }
  EXPECT_TRUE(lines().empty());

  analyse();
  place(1, 0.02, 0.01);
  place(2, -0.01, 0.03);
  state_.defangle = 17;
  const session::AnalysisState before = state_;
  const size_t drawn = lines().size();
  auto refusedWith = [&](const char* action, const std::string& part) {
    const size_t n = messages().size();
    act(action);
    ASSERT_EQ(messages().size(), n + 1) << action;
    EXPECT_NE(messages().back().text.find(part), std::string::npos) << messages().back().text;
    EXPECT_EQ(lines().size(), drawn);
    EXPECT_EQ(*state_.defangle, 17);
    EXPECT_EQ(state_.marker1x, before.marker1x);
    EXPECT_EQ(state_.marker2y, before.marker2y);
    EXPECT_EQ(state_.Vmatrix, before.Vmatrix);
  };
  win_.control("XBox").set("String", "13");  // V = 12 for eight landmarks
  refusedWith("ShowMarker1PCA", "X axis box holds axis 13");
  win_.control("XBox").set("String", "1");
  win_.control("YBox").set("String", "0");
  refusedWith("ShowMarkerDif", "Y axis box holds axis 0");
  win_.control("YBox").set("String", "two");
  refusedWith("ShowMarker2PCA", "Y axis box does not hold an axis number");
  win_.control("YBox").set("String", "2");
  win_.control("MarkerScaleBox").set("String", "big");
  refusedWith("ShowMarker1PCA", "marker scale is not a number");
  win_.control("MarkerScaleBox").set("String", "1");
  win_.control("RangeBox").set("String", "0");
  refusedWith("ShowMarker2PCA", "grid range");
  win_.control("RangeBox").set("String", "1");
  win_.control("MarkerSuperList").set("Value", 2.0);
  win_.control("BaseBox2").set("String", "1");
  refusedWith("ShowMarkerDif", "baseline landmarks");

  // A marker never placed (only before a data file was loaded).
  win_.control("BaseBox2").set("String", "5");
  state_.marker2x.reset();
  refusedWith("ShowMarker2PCA", "Marker 2 has not been placed");
  for (const auto& m : messages()) EXPECT_EQ(m.title.rfind("Shape", 0), 0u) << m.title;
}

}  // namespace
}  // namespace varnok::display
