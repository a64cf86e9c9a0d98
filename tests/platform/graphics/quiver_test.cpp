#include "platform/graphics/quiver.hpp"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/graphics/render.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

// A regular grid of nodes: rows run in x, columns in y, as the deformation
// pictures build them.
struct Grid {
  Mat x, y;
};
Grid grid(int rows, int cols, double x0, double y0, double step) {
  Grid g{Mat(rows, cols), Mat(rows, cols)};
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      g.x(i, j) = x0 + i * step;
      g.y(i, j) = y0 + j * step;
    }
  }
  return g;
}

double longest(const Quiver& q) {
  double m = 0;
  for (const auto& a : q.arrows()) m = std::max(m, std::hypot(a.u, a.v));
  return m;
}

std::vector<std::uint32_t> pixels(const Figure& fig, int w, int h) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  render(fig, cr, w, h);
  EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  const auto* d = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s));
  std::vector<std::uint32_t> out(d, d + static_cast<std::size_t>(w * h));
  cairo_surface_destroy(s);
  return out;
}

std::string messageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(Quiver, TheLongestArrowIsTheGridStepTimesTheFactor) {
  const Grid g = grid(5, 4, -1, 2, 0.25);
  Mat u(5, 4), v(5, 4);
  for (int k = 0; k < 20; ++k) {
    u.data()[k] = std::sin(k * 1.3) * 7;
    v.data()[k] = std::cos(k * 0.7) * 3;
  }
  Figure fig;
  Quiver& q = fig.axes().quiver(g.x, g.y, u, v);
  EXPECT_DOUBLE_EQ(q.nodeSpacing(), 0.25);
  EXPECT_NEAR(longest(q), 0.9 * 0.25, 1e-12);
  q.set("AutoScaleFactor", 1);
  EXPECT_NEAR(longest(q), 0.25, 1e-12);
  // scale multiplies the automatic length; 0 draws the data as given.
  fig.axes().hold(true);
  EXPECT_NEAR(longest(fig.axes().quiver(g.x, g.y, u, v, 2)), 2 * 0.9 * 0.25, 1e-12);
  Quiver& raw = fig.axes().quiver(g.x, g.y, u, v, 0);
  EXPECT_EQ(raw.get("AutoScale").text(), "off");
  EXPECT_EQ(raw.scaleFactor(), 1);
  double rawLongest = 0;
  for (int k = 0; k < 20; ++k)
    rawLongest = std::max(rawLongest, std::hypot(u.data()[k], v.data()[k]));
  EXPECT_NEAR(longest(raw), rawLongest, 1e-12);
  // The data stay as given; the factor applied is a property of its own.
  EXPECT_EQ(q.get("UData").matrix(), u);
  EXPECT_NEAR(q.get("ScaleFactor").scalar(), 0.25 / rawLongest, 1e-15);
}

TEST(Quiver, VectorNodesSpanTheGridOfUAndV) {
  // X along the columns of U, Y along its rows.
  Mat x(1, 3), y(2, 1), u = Mat::Ones(2, 3), v = Mat::Zero(2, 3);
  x << 0, 2, 4;
  y << 10, 12;
  Figure fig;
  const Quiver& q = fig.axes().quiver(x, y, u, v, 0);
  const auto a = q.arrows();
  ASSERT_EQ(a.size(), 6u);
  EXPECT_EQ(a[1].x, 0);  // column order: (row 2, column 1)
  EXPECT_EQ(a[1].y, 12);
  EXPECT_EQ(a[5].x, 4);
  EXPECT_DOUBLE_EQ(q.nodeSpacing(), 2);
  // Extent covers the nodes and the tips.
  const auto e = fig.axes().dataExtent();
  ASSERT_TRUE(e);
  EXPECT_EQ((*e)[1], 5);
}

TEST(Quiver, AZeroFieldIsNotScaledAndDrawsNothing) {
  const Grid g = grid(4, 4, 0, 0, 1);
  Figure empty, fig;
  empty.axes().plot(std::vector<double>{0, 3}, std::vector<double>{0, 3}, "w.");
  fig.axes().plot(std::vector<double>{0, 3}, std::vector<double>{0, 3}, "w.");
  fig.axes().hold(true);
  const Quiver& q = fig.axes().quiver(g.x, g.y, Mat::Zero(4, 4), Mat::Zero(4, 4));
  EXPECT_EQ(q.scaleFactor(), 1);
  for (const auto& a : q.arrows()) {
    EXPECT_EQ(a.u, 0);
    EXPECT_EQ(a.v, 0);
  }
  EXPECT_EQ(pixels(fig, 200, 160), pixels(empty, 200, 160));
  // One node: no spacing to scale to.
  Figure one;
  EXPECT_EQ(one.axes()
                .quiver(Mat::Ones(1, 1), Mat::Ones(1, 1), Mat::Ones(1, 1) * 5, Mat::Zero(1, 1))
                .scaleFactor(),
            1);
}

TEST(Quiver, NonFiniteNodesAndDisplacementsAreLeftOut) {
  const Grid g = grid(3, 3, 0, 0, 1);
  Mat u = Mat::Ones(3, 3), v = Mat::Zero(3, 3);
  u(1, 1) = NAN;
  v(2, 2) = INFINITY;
  Figure fig;
  const Quiver& q = fig.axes().quiver(g.x, g.y, u, v);
  EXPECT_EQ(q.arrows().size(), 7u);
  EXPECT_NEAR(longest(q), 0.9, 1e-12);
}

TEST(Quiver, AFirstClassGraphicsObject) {
  const Grid g = grid(3, 2, 0, 0, 1);
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(std::vector<double>{0}, std::vector<double>{0}, "ko");
  Quiver& q = ax.quiver(g.x, g.y, Mat::Ones(3, 2), Mat::Ones(3, 2), 1, "r:", {"LineWidth", 2});
  // Hold off: a new plot replaced the line.
  ASSERT_EQ(ax.children().size(), 1u);
  EXPECT_EQ(fig.getProperty(q.handle(), "Type").text(), "quiver");
  EXPECT_EQ(q.get("Color").matrix(), (Mat(1, 3) << 1, 0, 0).finished());
  EXPECT_EQ(q.lineStyle, ":");
  EXPECT_EQ(q.lineWidth, 2);
  EXPECT_EQ(q.get("xdata").matrix(), g.x);
  q.set("ShowArrowHead", "off");
  EXPECT_FALSE(q.showArrowHead);
  EXPECT_EQ(messageOf([&] { q.set("ScaleFactor", 2); }),
            "The ScaleFactor property of the Quiver class is read-only.");
  EXPECT_EQ(messageOf([&] { q.get("Marker"); }),
            "There is no Marker property on the Quiver class.");

  ax.hold(true);
  const Handle first = q.handle();
  const Handle line = ax.plot(std::vector<double>{0}, std::vector<double>{0}, "k.").handle();
  const Mat children = ax.get("Children").matrix();
  ASSERT_EQ(children.size(), 2);
  EXPECT_EQ(children(0), line);  // newest first
  EXPECT_EQ(children(1), first);
  EXPECT_TRUE(ax.remove(first));
  EXPECT_EQ(ax.children().size(), 1u);
  ax.quiver(g.x, g.y, Mat::Ones(3, 2), Mat::Ones(3, 2));
  ax.cla();
  EXPECT_TRUE(ax.children().empty());
}

TEST(Quiver, BadArgumentsLeaveThePictureAsItWas) {
  const Grid g = grid(3, 2, 0, 0, 1);
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(std::vector<double>{0}, std::vector<double>{0}, "ko");
  EXPECT_EQ(messageOf([&] { ax.quiver(g.x, g.y, Mat::Ones(3, 2), Mat::Ones(2, 3)); }),
            "quiver: U and V must be the same size.");
  EXPECT_THROW(ax.quiver(g.x, g.y, Mat::Ones(2, 2), Mat::Ones(2, 2)), RuntimeError);
  EXPECT_THROW(ax.quiver(g.x, g.y, Mat::Ones(3, 2), Mat::Ones(3, 2), -1), RuntimeError);
  EXPECT_THROW(ax.quiver(g.x, g.y, Mat::Ones(3, 2), Mat::Ones(3, 2), NAN), RuntimeError);
  EXPECT_THROW(ax.quiver(g.x, g.y, Mat::Ones(3, 2), Mat::Ones(3, 2), 1, "ko"), RuntimeError);
  EXPECT_THROW(ax.quiver(g.x, g.y, Mat::Ones(3, 2), Mat::Ones(3, 2), 1, "", {"Colour", "r"}),
               RuntimeError);
  EXPECT_EQ(ax.children().size(), 1u);
}

TEST(Quiver, ArrowsAreDrawnWithHeadsAtTheirTips) {
  // One arrow from (0, 0) to (2, 0), unscaled, in a box from -1 to 3.
  Figure fig;
  Axes& ax = fig.axes();
  Quiver& q = ax.quiver(Mat::Zero(1, 1), Mat::Zero(1, 1), Mat::Constant(1, 1, 2), Mat::Zero(1, 1),
                        0, "r", {"LineWidth", 2});
  ax.setLimits({-1, 3, -2, 2});
  const int w = 400, h = 300;
  const auto box = plotBox(fig, w, h);
  const auto px = [&](double x, double y) {
    return std::array<int, 2>{static_cast<int>(box[0] + (x + 1) / 4 * box[2]),
                              static_cast<int>(box[1] + box[3] - (y + 2) / 4 * box[3])};
  };
  const auto redAt = [&](const std::vector<std::uint32_t>& p, std::array<int, 2> at) {
    const std::uint32_t v = p[static_cast<std::size_t>(at[1] * w + at[0])];
    return ((v >> 16) & 255) > 200 && ((v >> 8) & 255) < 90;
  };
  const auto redNear = [&](const std::vector<std::uint32_t>& p, std::array<int, 2> at) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (redAt(p, {at[0] + dx, at[1] + dy})) return true;
    return false;
  };
  auto p = pixels(fig, w, h);
  EXPECT_TRUE(redAt(p, px(1, 0)));     // the shaft
  EXPECT_FALSE(redAt(p, px(2.4, 0)));  // nothing beyond the tip
  EXPECT_FALSE(redAt(p, px(1, 0.5)));  // nor beside the shaft
  // The barbs run from the tip back 0.3 of the arrow and out a third of
  // that, measured in pixels; their middles:
  const double outPx = 0.1 * 2 * box[2] / 4, outData = outPx / (box[3] / 4);
  EXPECT_TRUE(redNear(p, px(1.7, outData / 2)));
  EXPECT_TRUE(redNear(p, px(1.7, -outData / 2)));
  q.showArrowHead = false;
  fig.touch();
  p = pixels(fig, w, h);
  EXPECT_FALSE(redNear(p, px(1.7, outData / 2)));
  EXPECT_TRUE(redAt(p, px(1, 0)));
  for (PictureFormat f :
       {PictureFormat::Png, PictureFormat::Svg, PictureFormat::Pdf, PictureFormat::Eps})
    EXPECT_FALSE(renderPicture(fig, f, 300, 200).empty());
}

}  // namespace
}  // namespace varnok::graphics
