#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

using V = std::vector<double>;

Mat rgbRow(double r, double g, double b) {
  Mat m(1, 3);
  m << r, g, b;
  return m;
}

std::string messageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(Plot, CodesDecideMarkersAndLines) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  const Line& markers = ax.plot(V{1}, V{2}, "ko");
  EXPECT_EQ(markers.marker, 'o');
  EXPECT_EQ(markers.lineStyle, "none");
  EXPECT_EQ(markers.color, (Rgb{0, 0, 0}));
  const Line& solid = ax.plot(V{1, 2}, V{2, 3}, "r");
  EXPECT_EQ(solid.marker, 0);
  EXPECT_EQ(solid.lineStyle, "-");
  EXPECT_EQ(solid.color, (Rgb{1, 0, 0}));
  const Line& both = ax.plot(V{1, 2}, V{2, 3}, "b:s");
  EXPECT_EQ(both.marker, 's');
  EXPECT_EQ(both.lineStyle, ":");
}

TEST(Plot, UncolouredLinesTakeTheColourOrderAndANewPlotRestartsIt) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  const Rgb first = ax.plot(V{0, 1}, V{0, 1}).color;
  const Rgb second = ax.plot(V{0, 1}, V{1, 0}).color;
  EXPECT_NE(first, second);
  ax.hold(false);
  EXPECT_EQ(ax.plot(V{0, 1}, V{0, 1}).color, first);
}

TEST(Plot, HoldOffStartsANewPlotAndHoldOnAdds) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{1}, V{1}, "ko");
  ax.setTitle("scores");
  ax.setLimits({0, 4, 0, 4});
  ax.axisEqual();
  ax.plot(V{2}, V{2}, "rx");
  EXPECT_EQ(ax.children().size(), 1u);
  EXPECT_EQ(ax.title(), "");
  EXPECT_TRUE(ax.autoLimits());
  EXPECT_FALSE(ax.equalUnits());

  ax.hold(true);
  ax.plot(V{3}, V{3}, "ko");
  ax.text(3, 3, "label");
  EXPECT_EQ(ax.children().size(), 3u);
}

TEST(Plot, TextAndPatchNeverClearTheAxes) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{1}, V{1}, "ko");
  ax.text(1, 1, "a");
  ax.patch(V{0, 1, 1}, V{0, 0, 1}, ColorSpec::of({0, 0, 1}));
  EXPECT_EQ(ax.children().size(), 3u);
}

TEST(Plot, MatricesGiveOneLinePerColumn) {
  Figure fig;
  Axes& ax = fig.axes();
  Mat x(3, 2), y(3, 2);
  x << 1, 4, 2, 5, 3, 6;
  y << 7, 10, 8, 11, 9, 12;
  auto lines = ax.plot(x, y, "k");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1]->xdata(), (V{4, 5, 6}));
  EXPECT_EQ(lines[1]->ydata(), (V{10, 11, 12}));

  // A shared x vector against the rows of y when its length matches them.
  Mat shared(1, 2);
  shared << 0, 1;
  lines = ax.plot(shared, y, "k");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2]->ydata(), (V{9, 12}));

  EXPECT_EQ(messageOf([&] { ax.plot(V{1, 2}, V{1}); }), "Vectors must be the same length.");
  Mat four(1, 4);
  four << 1, 2, 3, 4;
  EXPECT_THROW(ax.plot(four, y), RuntimeError);
}

TEST(Plot, PropertyPairsAfterTheCode) {
  Figure fig;
  Axes& ax = fig.axes();
  const Line& l = ax.plot(V{1}, V{1}, "ko",
                          {"markersize", 3, "MARKERFACECOLOR", "r", "Color", rgbRow(0, 0.5, 0),
                           "LineWidth", 2, "Tag", "specimens", "LineStyle", "--", "Marker", "d"});
  EXPECT_EQ(l.markerSize, 3);
  EXPECT_EQ(l.markerFaceColor, ColorSpec::of({1, 0, 0}));
  EXPECT_EQ(l.color, (Rgb{0, 0.5, 0}));
  EXPECT_EQ(l.lineWidth, 2);
  EXPECT_EQ(l.tag, "specimens");
  EXPECT_EQ(l.lineStyle, "--");
  EXPECT_EQ(l.marker, 'd');
}

TEST(Plot, BadArgumentsLeaveThePictureAsItWas) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{1}, V{1}, "ko");
  ax.setTitle("kept");
  EXPECT_THROW(ax.plot(V{1}, V{1}, "kz"), RuntimeError);
  EXPECT_EQ(messageOf([&] { ax.plot(V{1}, V{1}, "k", {"MarkerSize"}); }),
            "Invalid parameter/value pair arguments.");
  EXPECT_THROW(ax.plot(V{1}, V{1}, "k", {3, 4}), RuntimeError);
  EXPECT_THROW(ax.plot(V{1}, V{1}, "k", {"MarkerSize", 0}), RuntimeError);
  EXPECT_THROW(ax.plot(V{1}, V{1}, "k", {"Colour", "r"}), RuntimeError);
  EXPECT_EQ(ax.children().size(), 1u);
  EXPECT_EQ(ax.title(), "kept");
}

TEST(Properties, RoundTripsOnLines) {
  Figure fig;
  Line& l = fig.axes().plot(V{1, 2}, V{3, 4}, "ko");
  l.set("MarkerFaceColor", l.get("Color"));
  EXPECT_EQ(l.markerFaceColor, ColorSpec::of({0, 0, 0}));
  l.set("MarkerFaceColor", "none");
  EXPECT_EQ(l.get("MarkerFaceColor").text(), "none");
  EXPECT_EQ(l.get("MarkerEdgeColor").text(), "auto");
  l.set("MarkerEdgeColor", "k");
  EXPECT_EQ(l.get("MarkerEdgeColor").matrix(), rgbRow(0, 0, 0));
  l.set("Marker", "pentagram");
  EXPECT_EQ(l.get("Marker").text(), "p");
  l.set("Marker", "none");
  EXPECT_EQ(l.get("Marker").text(), "none");
  l.set("MarkerSize", l.get("MarkerSize").scalar() + 1);
  l.set("MarkerSize", l.get("MarkerSize").scalar() - 1);
  EXPECT_EQ(l.markerSize, 6);
  l.set("YData", Mat(rgbRow(5, 6, 7).transpose()));
  EXPECT_EQ(l.ydata(), (V{5, 6, 7}));
  EXPECT_EQ(l.get("XData").matrix().cols(), 2);
  l.set("Visible", "off");
  EXPECT_EQ(l.get("Visible").text(), "off");
  EXPECT_EQ(l.get("Type").text(), "line");
  EXPECT_EQ(l.get("Parent").scalar(), fig.axes().handle());
}

TEST(Properties, RefusalsKeepTheOldValue) {
  Figure fig;
  Line& l = fig.axes().plot(V{1}, V{1}, "ko", {"MarkerSize", 4, "LineWidth", 1});
  for (const Value& bad :
       {Value(0.0), Value(-1.0), Value(std::nan("")), Value("big"), Value(rgbRow(1, 2, 3))}) {
    EXPECT_THROW(l.set("MarkerSize", bad), RuntimeError);
    EXPECT_THROW(l.set("LineWidth", bad), RuntimeError);
  }
  EXPECT_EQ(l.markerSize, 4);
  EXPECT_EQ(l.lineWidth, 1);
  EXPECT_THROW(l.set("Color", "none"), RuntimeError);
  EXPECT_THROW(l.set("LineStyle", "~"), RuntimeError);
  EXPECT_THROW(l.set("Marker", "q"), RuntimeError);
  EXPECT_THROW(l.set("Type", "text"), RuntimeError);
  EXPECT_EQ(messageOf([&] { l.get("Wibble"); }), "There is no Wibble property on the Line class.");
  EXPECT_EQ(messageOf([&] { l.set("Wibble", 1); }),
            "There is no Wibble property on the Line class.");
  EXPECT_NE(messageOf([&] { l.set("MarkerSize", -2); }).find("MarkerSize"), std::string::npos);
}

TEST(Properties, TextsAndPatches) {
  Figure fig;
  Axes& ax = fig.axes();
  Text& t = ax.text(1, 2, "  7");
  EXPECT_EQ(t.get("Type").text(), "text");
  EXPECT_EQ(t.get("String").text(), "  7");
  EXPECT_EQ(t.get("Position").matrix()(0, 1), 2);
  t.set("String", std::vector<std::string>{"one", "two"});
  EXPECT_EQ(t.string, "one\ntwo");
  t.set("HorizontalAlignment", "Center");
  EXPECT_EQ(t.horizontalAlignment, "center");
  EXPECT_THROW(t.set("HorizontalAlignment", "middle"), RuntimeError);
  EXPECT_THROW(t.set("FontSize", 0), RuntimeError);
  EXPECT_EQ(messageOf([&] { t.get("Marker"); }), "There is no Marker property on the Text class.");

  Patch& p = ax.patch(V{0, 1, 1}, V{0, 0, 1}, ColorSpec::of({0, 0, 1}), {"EdgeColor", "k"});
  EXPECT_EQ(p.get("Type").text(), "patch");
  EXPECT_EQ(p.edgeColor, ColorSpec::of({0, 0, 0}));
  EXPECT_THROW(p.set("FaceColor", "auto"), RuntimeError);
}

TEST(Handles, UniqueFindableAndRemovable) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  std::set<Handle> seen = {fig.handle(), ax.handle()};
  std::vector<Handle> made;
  for (int i = 0; i < 20; ++i) {
    const Handle h = (i % 2 ? static_cast<Object&>(ax.plot(V{1}, V{1}, "ko"))
                            : static_cast<Object&>(ax.text(1, 1, "t")))
                         .handle();
    EXPECT_TRUE(seen.insert(h).second) << h;
    made.push_back(h);
  }
  for (Handle h : made) ASSERT_NE(fig.find(h), nullptr);
  EXPECT_EQ(fig.find(made[5])->handle(), made[5]);
  EXPECT_TRUE(ax.remove(made[5]));
  EXPECT_FALSE(ax.remove(made[5]));
  EXPECT_EQ(fig.find(made[5]), nullptr);
  EXPECT_NE(fig.find(made[6]), nullptr);
  EXPECT_EQ(fig.find(12345), nullptr);
  // A new object never reuses a handle, even after removals and cla.
  ax.cla();
  EXPECT_TRUE(seen.insert(ax.plot(V{1}, V{1}).handle()).second);
}

TEST(Handles, ChildrenNewestFirstAndPropertiesByHandle) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  const Handle a = ax.plot(V{1}, V{1}, "ko").handle();
  const Handle b = ax.text(1, 1, "x").handle();
  const Mat children = fig.getProperty(ax.handle(), "Children").matrix();
  ASSERT_EQ(children.size(), 2);
  EXPECT_EQ(children(0, 0), b);
  EXPECT_EQ(children(1, 0), a);
  EXPECT_EQ(fig.getProperty(a, "type").text(), "line");
  EXPECT_EQ(fig.getProperty(ax.handle(), "Type").text(), "axes");
  EXPECT_EQ(fig.getProperty(fig.handle(), "Type").text(), "figure");
  fig.setProperty(a, "MarkerSize", 9);
  EXPECT_EQ(static_cast<Line*>(fig.find(a))->markerSize, 9);
  EXPECT_THROW(fig.getProperty(999, "Type"), RuntimeError);
}

TEST(Cla, RemovesChildrenAndTitleButKeepsHoldAndScaling) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{1}, V{1}, "ko");
  ax.setTitle("t");
  ax.hold(true);
  ax.axisEqual();
  ax.setLimits({0, 16, -2, 12});
  ax.cla();
  EXPECT_TRUE(ax.children().empty());
  EXPECT_EQ(ax.title(), "");
  EXPECT_TRUE(ax.held());
  EXPECT_TRUE(ax.equalUnits());
  EXPECT_FALSE(ax.autoLimits());
}

TEST(Figure, ChangesAreCountedForRepainting) {
  Figure fig;
  auto v = fig.version();
  Line& l = fig.axes().plot(V{1}, V{1}, "ko");
  EXPECT_GT(fig.version(), v);
  v = fig.version();
  l.set("MarkerSize", 8);
  EXPECT_GT(fig.version(), v);
  v = fig.version();
  EXPECT_THROW(l.set("MarkerSize", -8), RuntimeError);
  fig.axes().setTitle("x");
  EXPECT_GT(fig.version(), v);
}

TEST(Figure, UnitsConvertPositions) {
  Figure fig;
  fig.set("Units", "characters");
  const Mat p = fig.get("Position").matrix();
  EXPECT_DOUBLE_EQ(p(0, 2), 1000 / kCharWidthPx);
  EXPECT_DOUBLE_EQ(p(0, 3), 700 / kCharHeightPx);
  EXPECT_DOUBLE_EQ(fig.sizePx()[0], 1000);
  fig.set("Units", "pixels");
  EXPECT_DOUBLE_EQ(fig.position[2], 1000);

  // Axes taken into absolute units stay where they were.
  Axes& ax = fig.axes();
  const double w = ax.boxWidth(), h = ax.boxHeight();
  ax.set("Units", "characters");
  EXPECT_NEAR(ax.boxWidth(), w, 1e-9);
  EXPECT_NEAR(ax.boxHeight(), h, 1e-9);
  ax.set("Position", Value(Mat::Constant(1, 4, 10.0)));
  EXPECT_DOUBLE_EQ(ax.boxWidth(), 10 * kCharWidthPx);
  EXPECT_THROW(ax.set("Units", "furlongs"), RuntimeError);
  EXPECT_THROW(fig.set("Pointer", "banana"), RuntimeError);
  fig.set("Pointer", "Arrow");
  EXPECT_EQ(fig.pointer, "arrow");
}

}  // namespace
}  // namespace varnok::graphics
