#include "display/showshape.hpp"

#include <gtest/gtest.h>

#include "platform/matrix/runtime_error.hpp"
#include "platform/window/in_memory_window.hpp"

namespace varnok::display {
namespace {

using graphics::Line;

Line& lineAt(window::InMemoryWindow& w, size_t i) {
  return dynamic_cast<Line&>(*w.figure().axes().children().at(i));
}

TEST(Showshape, OnePointPerLandmarkIgnoringTheExtraValue) {
  window::InMemoryWindow w;
  Mat rows(2, 7);
  rows << 0, 0, 1, 0, 0, 1, 99, 2, 2, 3, 2, 2, 3, 99;
  showshape(w.figure().axes(), rows, "ro");
  ASSERT_EQ(w.figure().axes().children().size(), 6u);
  EXPECT_EQ(lineAt(w, 4).xdata()[0], 3);
  EXPECT_EQ(lineAt(w, 4).ydata()[0], 2);
  EXPECT_EQ(lineAt(w, 0).marker, 'o');
  EXPECT_EQ(lineAt(w, 0).markerSize, 3);
  EXPECT_EQ(lineAt(w, 0).lineStyle, "none");
  EXPECT_TRUE(w.figure().axes().equalUnits());
  EXPECT_TRUE(w.figure().axes().held());
}

TEST(Showshape, TurnsByTheReferenceAngle) {
  window::InMemoryWindow w;
  w.add("RefAngleBox").set("String", "90");
  Mat row(1, 7);
  row << 1, 0, 0, 1, -1, 0, 5;
  Mat turned = showshape_rot(w, nullptr, row, "ko");
  EXPECT_NEAR(lineAt(w, 0).xdata()[0], 0, 1e-15);
  EXPECT_NEAR(lineAt(w, 0).ydata()[0], 1, 1e-15);
  EXPECT_EQ(turned(0, 6), 5);
  // An explicit angle is radians and the box is not read.
  showshape_rot(w, nullptr, row, "ko", 0.0);
  EXPECT_NEAR(lineAt(w, 3).xdata()[0], 1, 1e-15);
  // No usable box: no turn.
  w.control("RefAngleBox").set("String", "auto");
  showshape_rot(w, nullptr, row, "ko");
  EXPECT_NEAR(lineAt(w, 6).xdata()[0], 1, 1e-15);
}

TEST(Showshape, SymbolCodeRows) {
  window::InMemoryWindow w;
  Mat row(1, 5);
  row << 1, 2, 3, 4, 0;
  showshapec(w, row, defaultCodeRow(), 0.0);
  ASSERT_EQ(w.figure().axes().children().size(), 2u);
  Line& l = lineAt(w, 0);
  EXPECT_EQ(l.marker, '.');
  EXPECT_EQ(l.markerSize, 6);
  EXPECT_EQ(l.color, (graphics::Rgb{0, 1, 0}));
  EXPECT_EQ(l.markerFaceColor, graphics::ColorSpec::of({0, 1, 0}));
  RowVec hollow(6);
  hollow << 0, 0, 1, 13, 8, 0;
  showshapec(w, row, hollow, 0.0);
  EXPECT_EQ(lineAt(w, 2).marker, 'h');
  EXPECT_EQ(lineAt(w, 2).markerFaceColor, graphics::ColorSpec::none());
  RowVec bad = hollow;
  bad(3) = 14;
  EXPECT_THROW(showshapec(w, row, bad, 0.0), RuntimeError);
  RowVec shrunk = hollow;
  shrunk(4) = -1;
  EXPECT_THROW(showshapec(w, row, shrunk, 0.0), RuntimeError);
  // A bad code row draws nothing.
  EXPECT_EQ(w.figure().axes().childCount(), 4u);
  w.add("RefAngleBox").set("String", "north");
  EXPECT_THROW(showshapec(w, row, hollow), RuntimeError);
}

TEST(Showshape, TurningWhileDrawingDrawsTheTurnedRows) {
  Mat rows(2, 5);
  rows << 1, 0, 0, 2, 9, -1, 3, 0.5, 0.25, 9;
  for (std::optional<double> theta : {std::optional<double>(0.3), std::optional<double>()}) {
    window::InMemoryWindow a, b;
    for (auto* w : {&a, &b}) w->add("RefAngleBox").set("String", "30");
    const Mat turned = showshape_rot(a, nullptr, rows, "r*", theta);
    plotTurned(b, nullptr, rows, "r*", theta);
    ASSERT_EQ(b.figure().axes().childCount(), 4u);
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(lineAt(b, i).xdata(), lineAt(a, i).xdata());
      EXPECT_EQ(lineAt(b, i).ydata(), lineAt(a, i).ydata());
      EXPECT_EQ(lineAt(b, i).marker, '*');
      EXPECT_EQ(lineAt(b, i).color, (graphics::Rgb{1, 0, 0}));
    }
    EXPECT_EQ(lineAt(b, 3).xdata()[0], turned(1, 2));
  }
  window::InMemoryWindow w;
  EXPECT_THROW(plotTurned(w, nullptr, rows, "not a code"), RuntimeError);
  EXPECT_EQ(w.figure().axes().childCount(), 0u);
}

TEST(Showshape, LandmarksOfAllSpecimensInOrderWithConsecutiveHandles) {
  window::InMemoryWindow w;
  Mat rows(3, 5);
  rows << 0, 0, 1, 0, 1, 2, 2, 3, 2, 1, 4, 4, 5, 4, 1;
  showshape(w.figure().axes(), rows, "ko");
  const Mat h = w.figure().axes().get("Children").matrix();
  ASSERT_EQ(h.rows(), 6);
  for (Eigen::Index i = 1; i < 6; ++i) EXPECT_EQ(h(i - 1, 0), h(i, 0) + 1);
  // Newest first: the last landmark of the last specimen.
  EXPECT_EQ(w.figure().getProperty(h(0, 0), "XData").scalar(), 5);
  EXPECT_EQ(w.figure().getProperty(h(5, 0), "XData").scalar(), 0);
  EXPECT_EQ(w.figure().getProperty(h(2, 0), "YData").scalar(), 2);
}

}  // namespace
}  // namespace varnok::display
