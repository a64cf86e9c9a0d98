#include "display/live_shape.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "display/deformation_actions.hpp"
#include "display/markers.hpp"
#include "display/score_plot.hpp"
#include "platform/graphics/plot_data.hpp"
#include "support/picture_controls.hpp"
#include "support/plot_data_snapshot.hpp"
#include "support/session_fixture.hpp"

namespace varnok::display {
namespace {

using graphics::Line;

// What a picture is made of, in drawing order: each line's points, and the
// type of every other object.
struct Drawn {
  std::vector<std::string> types;
  std::vector<std::vector<double>> x, y;
  bool operator==(const Drawn&) const = default;
};

Drawn drawn(const graphics::Axes& ax) {
  Drawn d;
  for (const auto& c : ax.children()) {
    d.types.push_back(c->type());
    if (const auto* l = dynamic_cast<const Line*>(c.get())) {
      d.x.push_back(l->xdata().vector());
      d.y.push_back(l->ydata().vector());
    }
  }
  return d;
}

// The gorilla skulls analysed and their score plot of axes 1 and 2 drawn,
// with every control a deformation picture reads.
class LiveShape : public testkit::SessionTest {
 protected:
  LiveShape() {
    testkit::addPictureControls(win_, dir_);
    win_.control("MarkerScaleBox").set("String", "2");
    win_.control("RangeBox").set("String", "1.2");
    win_.add("RotateRequest").set("Value", 0.0);
    // A plot box of the inset's shape, so the limits under equal units, and
    // the grid that follows from them, are the same in both.
    inset_.units = "pixels";
    inset_.position = win_.figure().position;
    win_.figure().axes().position = {0.16, 0.12, 0.8, 0.76};
  }
  void act(const std::string& a) { shell_.runCallback("Varnoksw('" + a + "')"); }
  void analyse() {
    answer("gorilla.txt", dir_);
    act("LoadData");
    act("NoGroupList");
    act("ShowPCAAxis");
    win_.answers.messages.clear();
    console_.clear();
  }
  // A point of the score plot well inside its limits.
  std::array<double, 2> point(double fx, double fy) {
    const auto lim = win_.figure().axes().limits();
    return {lim[0] + fx * (lim[1] - lim[0]), lim[2] + fy * (lim[3] - lim[2])};
  }
  std::string preview(double x, double y) { return shell_.liveShape(inset_, x, y); }

  graphics::Figure inset_;
};

TEST_F(LiveShape, ThePreviewIsThePictureOfMarkerOneAtThePoint) {
  analyse();
  state_.vplotdensity = 5;  // a grid the inset draws as it is
  for (double type : {1.0, 3.0, 4.0, 8.0}) {
    for (double super : {3.0, 1.0}) {
      win_.control("DeFormat").set("Value", type);
      win_.control("MarkerSuperList").set("Value", super);
      act("ShowPCAAxis");
      const auto [x, y] = point(0.8, 0.3);
      ASSERT_EQ(preview(x, y), "") << type;
      // The same call as ShowMarker1PCA with the marker there.
      state_.marker1x = x, state_.marker1y = y;
      auto asMarker = readMarkerRequest(state_, win_, MarkerPicture::Marker1).request;
      auto atPoint = readMarkerRequestAt(state_, win_, x, y).request;
      ASSERT_TRUE(asMarker && atPoint);
      EXPECT_EQ(atPoint->pwscore, asMarker->pwscore);
      EXPECT_EQ(atPoint->pwscore, markerVector(state_.Vmatrix, *state_.NumPCA, 1, 2, x, y, 2));
      EXPECT_EQ(atPoint->registration, asMarker->registration);
      EXPECT_EQ(atPoint->picture, pictureType(type));

      // And the same picture, drawn into the inset instead of the plot.
      act("ShowMarker1PCA");
      ASSERT_TRUE(win_.answers.messages.empty());
      EXPECT_EQ(drawn(inset_.axes()), drawn(win_.figure().axes())) << type << " " << super;
      EXPECT_GE(inset_.axes().childCount(), type == 8 ? 2u : 10u);
      // The position to about a thousandth of the plot's width and height.
      EXPECT_TRUE(std::regex_match(inset_.axes().title(),
                                   std::regex(R"(Shape at \(-?0\.\d{4}, -?0\.\d{4}\))")))
          << inset_.axes().title();
      EXPECT_TRUE(inset_.axes().equalUnits());
    }
  }
}

// The inset's plot data, for three picture types in two superimpositions, is
// the stored copy: a change of how the preview is drawn keeps what it shows.
TEST_F(LiveShape, PreviewsMatchTheStoredPlotData) {
  analyse();
  // Not the sliding baseline: it puts a landmark on the origin, where the
  // vector of a vector field is rounding noise whose sign, and so the way
  // its arrow head points and the limits around it, differ between an
  // optimised and a debugging build.
  for (double type : {1.0, 3.0, 8.0}) {
    for (double super : {3.0, 2.0}) {
      win_.control("DeFormat").set("Value", type);
      win_.control("MarkerSuperList").set("Value", super);
      const auto [x, y] = point(0.7, 0.4);
      ASSERT_EQ(preview(x, y), "") << type;
      testkit::expectPlotDataSnapshot(
          graphics::plotDataJson(inset_),
          "live_shape_" + std::to_string(int(type)) + "_" + std::to_string(int(super)));
    }
  }
}

TEST_F(LiveShape, APreviewChangesNothingWritesNothingAndAsksNothing) {
  analyse();
  state_.marker1x = 0.01, state_.marker1y = -0.02;
  state_.defangle = 17;
  // The interactive rotation and grid trimming are asked for, and answers
  // are queued: a preview must use none of them.
  win_.control("RotateRequest").set("Value", 1.0);
  win_.control("GridTrimButton").set("Value", 1.0);
  win_.answers.inputs.push_back(std::vector<std::string>{"40"});
  win_.answers.clicks.push_back(window::Click{0, 0, 3});
  win_.statusText = "before";
  const auto plotVersion = win_.figure().version();
  const auto plotBefore = drawn(win_.figure().axes());
  const session::AnalysisState before = state_;

  const auto [x, y] = point(0.2, 0.7);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(preview(x + 0.001 * i, y), "");
  EXPECT_EQ(state_.defangle, before.defangle);
  EXPECT_EQ(state_.marker1x, before.marker1x);
  EXPECT_EQ(state_.marker1y, before.marker1y);
  EXPECT_EQ(state_.reference, before.reference);
  EXPECT_EQ(state_.Vmatrix, before.Vmatrix);
  EXPECT_EQ(console_.kept(), "");
  EXPECT_EQ(win_.statusText, "before");
  EXPECT_TRUE(win_.answers.messages.empty());
  EXPECT_TRUE(win_.answers.inputTitles.empty());
  EXPECT_EQ(win_.answers.inputs.size(), 1u);
  EXPECT_EQ(win_.answers.clicks.size(), 1u);
  EXPECT_EQ(win_.figure().version(), plotVersion);
  EXPECT_EQ(drawn(win_.figure().axes()), plotBefore);
  EXPECT_EQ(win_.control("RotateRequest").get("Value").scalar(), 1);
  EXPECT_EQ(win_.control("GridTrimButton").get("Value").scalar(), 1);

  // Turned by the reference angle, as the same picture with RotateRequest
  // off, and not trimmed.
  const Drawn shown = drawn(inset_.axes());
  win_.control("RotateRequest").set("Value", 0.0);
  win_.control("GridTrimButton").set("Value", 0.0);
  ASSERT_EQ(preview(x + 0.002, y), "");
  EXPECT_EQ(drawn(inset_.axes()), shown);
  EXPECT_EQ(console_.kept(), "");
}

TEST_F(LiveShape, OnlyTheScorePlotOfTheAxesInTheBoxesIsPreviewed) {
  EXPECT_EQ(preview(0, 0), kLiveShapeNeedsScorePlot);  // nothing drawn yet
  analyse();
  const auto [x, y] = point(0.5, 0.5);
  ASSERT_EQ(preview(x, y), "");

  // Outside the plot's limits.
  const auto lim = win_.figure().axes().limits();
  EXPECT_EQ(preview(lim[1] + 0.01, y), kLiveShapeNeedsScorePlot);
  EXPECT_EQ(inset_.axes().childCount(), 0u);
  EXPECT_EQ(inset_.axes().title(), "");

  // Boxes naming other axes than the plot shows.
  win_.control("XBox").set("String", "3");
  EXPECT_EQ(preview(x, y), "The plot shows axes 1 and 2: press Show Score Plot for axes 3 and 2");
  act("ShowPCAAxis");
  EXPECT_EQ(preview(x, y), "");

  // Any other picture: the window is told, so that the inset goes away.
  EXPECT_TRUE(shell_.showsScorePlot());
  act("ShowProcrustes");
  EXPECT_FALSE(shell_.showsScorePlot());
  EXPECT_EQ(preview(x, y), kLiveShapeNeedsScorePlot);
  EXPECT_EQ(inset_.axes().childCount(), 0u);
  EXPECT_EQ(console_.kept().find("Live"), std::string::npos);
}

// A small inset gets a grid it can show: lines no closer than about 20
// pixels, however dense the main picture's grid and whatever the inset's
// shape, and the landmarks drawn over the grid.
TEST_F(LiveShape, ASmallInsetDrawsAReadableGridUnderTheLandmarks) {
  analyse();
  state_.vplotdensity = 20;
  win_.control("DeFormat").set("Value", 1.0);
  const auto [x, y] = point(0.6, 0.4);
  for (const auto& size : {std::array<double, 2>{220, 176}, std::array<double, 2>{480, 380},
                           std::array<double, 2>{160, 600}}) {
    inset_.position = {0, 0, size[0], size[1]};
    ASSERT_EQ(preview(x, y), "");
    const auto& ax = inset_.axes();
    const auto lim = ax.limits();
    // Grid lines that cross the visible box, by direction.
    int across = 0, down = 0;
    const graphics::Line* last = nullptr;
    for (const auto& c : ax.children()) {
      const auto* l = dynamic_cast<const Line*>(c.get());
      if (!l) continue;
      last = l;
      const auto xs = l->xdata().vector(), ys = l->ydata().vector();
      if (l->marker != 0) continue;
      bool seen = false;
      for (std::size_t i = 0; i < xs.size(); ++i)
        seen = seen || (xs[i] >= lim[0] && xs[i] <= lim[1] && ys[i] >= lim[2] && ys[i] <= lim[3]);
      if (!seen) continue;
      const auto [x0, x1] = std::minmax_element(xs.begin(), xs.end());
      const auto [y0, y1] = std::minmax_element(ys.begin(), ys.end());
      (*x1 - *x0 > *y1 - *y0 ? across : down) += 1;
    }
    // The inset shows the form, not the whole grid: lines no closer than
    // about 20 pixels in the box.
    EXPECT_LE(across, size[1] / 20) << size[0] << " x " << size[1];
    EXPECT_LE(down, size[0] / 20) << size[0] << " x " << size[1];
    EXPECT_GE(across, 2) << size[0] << " x " << size[1];
    EXPECT_GE(down, 2) << size[0] << " x " << size[1];
    // The last line drawn is the 8 landmarks.
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->xdata().vector().size(), 8u);
    EXPECT_EQ(last->lineStyle.str(), "none");
    EXPECT_NE(last->marker, 0);
  }
  // A large inset keeps the density of the setting when it is low enough.
  inset_.position = {0, 0, 900, 700};
  EXPECT_EQ(liveShapeGridSteps(inset_), 6);
  state_.vplotdensity = 5;
  ASSERT_EQ(preview(x, y), "");
  const auto lines = inset_.axes().childCount();
  act("ShowPCAAxis");
  state_.marker1x = x, state_.marker1y = y;
  act("ShowMarker1PCA");
  EXPECT_EQ(win_.figure().axes().childCount(), lines);
}

TEST_F(LiveShape, AControlThatCannotBeUsedIsNamedInOneLine) {
  analyse();
  const auto [x, y] = point(0.4, 0.6);
  const size_t consoleBefore = console_.kept().size();
  win_.control("MarkerScaleBox").set("String", "big");
  EXPECT_EQ(preview(x, y), "The marker scale is not a number.");
  EXPECT_EQ(inset_.axes().childCount(), 0u);
  win_.control("MarkerScaleBox").set("String", "1");
  win_.control("RefAngleBox").set("String", "north");
  EXPECT_EQ(preview(x, y), "The reference angle in the Angle (°) box is not a number.");
  EXPECT_EQ(inset_.axes().childCount(), 0u);
  win_.control("RefAngleBox").set("String", "0");
  win_.control("MarkerSuperList").set("Value", 1.0);
  win_.control("BaseBox2").set("String", "1");
  EXPECT_NE(preview(x, y).find("baseline landmarks"), std::string::npos);
  win_.control("BaseBox2").set("String", "5");
  EXPECT_EQ(preview(x, y), "");
  // None of it reached a message box, the status bar or the console.
  EXPECT_TRUE(win_.answers.messages.empty());
  EXPECT_EQ(console_.kept().size(), consoleBefore);

  // The analysis cleared while its score plot is still shown.
  state_.Vmatrix = Mat();
  EXPECT_NE(preview(x, y).find("no analysis"), std::string::npos);
}

TEST(ScorePlotMark, SetByTheScorePlotKeptByAdditionsForgottenByEverythingElse) {
  graphics::Figure fig;
  auto& ax = fig.axes();
  EXPECT_FALSE(scorePlotAxes(ax));
  ax.plot(std::vector<double>{1, 2}, std::vector<double>{1, 2}, "ko");
  ax.setShowing({kScorePlotShows, {2, 3}});
  ASSERT_TRUE(scorePlotAxes(ax));
  EXPECT_EQ(*scorePlotAxes(ax), (std::array<double, 2>{2, 3}));
  // Added on top while held (markers): still the score plot.
  ax.hold(true);
  ax.plot(std::vector<double>{1}, std::vector<double>{1}, "ro");
  EXPECT_TRUE(scorePlotAxes(ax));
  // A new plot forgets it.
  ax.hold(false);
  ax.plot(std::vector<double>{1}, std::vector<double>{1}, "ro");
  EXPECT_FALSE(scorePlotAxes(ax));
  ax.setShowing({kScorePlotShows, {1, 2}});
  ax.cla();
  EXPECT_FALSE(scorePlotAxes(ax));
  ax.setShowing({"something else", {1, 2}});
  EXPECT_FALSE(scorePlotAxes(ax));
}

TEST_F(LiveShape, TheActionsMarkTheScorePlotAndOtherPicturesClearTheMark) {
  const auto& ax = win_.figure().axes();
  analyse();
  ASSERT_TRUE(scorePlotAxes(ax));
  EXPECT_EQ(*scorePlotAxes(ax), (std::array<double, 2>{1, 2}));
  win_.answers.clicks.push_back(window::Click{0.01, 0.01, 1});
  act("PlaceM1");
  act("RestoreMarkers");
  EXPECT_TRUE(scorePlotAxes(ax));  // markers are part of it
  // Vectors added to the score plot make it another picture.
  win_.control("DeFormat").set("Value", 5.0);
  act("ShowMarker1PCA");
  EXPECT_FALSE(scorePlotAxes(ax));
  win_.control("XBox").set("String", "2");
  win_.control("YBox").set("String", "4");
  act("ShowPCAAxis");
  EXPECT_EQ(*scorePlotAxes(ax), (std::array<double, 2>{2, 4}));
  win_.control("DeFormat").set("Value", 1.0);
  act("ShowPCADeformationPS");
  EXPECT_FALSE(scorePlotAxes(ax));
  act("ShowPCAAxis");
  act("ScreePlot");
  EXPECT_FALSE(scorePlotAxes(ax));
}

}  // namespace
}  // namespace varnok::display
