#include "platform/graphics/contour.hpp"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>

#include "platform/graphics/render.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

// A grid with x along the columns (0, 1, ... cols-1) and y along the rows.
struct Grid {
  Mat x, y, z;
};
template <class F>
Grid grid(int rows, int cols, F f, double step = 1) {
  Grid g{Mat(rows, cols), Mat(rows, cols), Mat(rows, cols)};
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      g.x(i, j) = j * step;
      g.y(i, j) = i * step;
      g.z(i, j) = f(g.x(i, j), g.y(i, j));
    }
  }
  return g;
}

double area(const Ring& r) {
  double a = 0;
  for (std::size_t i = 0; i < r.size(); ++i) {
    const Point &p = r[i], &q = r[(i + 1) % r.size()];
    a += p[0] * q[1] - q[0] * p[1];
  }
  return 0.5 * a;
}

// The area of a region given as rings filled with the even-odd rule, when
// the rings do not cross: outer rings minus holes.
double regionArea(const std::vector<Ring>& rings) {
  double a = 0;
  for (const Ring& r : rings) {
    // A ring is a hole when it lies inside an odd number of others.
    int inside = 0;
    for (const Ring& o : rings) {
      if (&o == &r) continue;
      const Point p = {(r[0][0] + r[1][0]) / 2, (r[0][1] + r[1][1]) / 2};
      bool in = false;
      for (std::size_t i = 0, j = o.size() - 1; i < o.size(); j = i++) {
        if ((o[i][1] > p[1]) != (o[j][1] > p[1]) &&
            p[0] < (o[j][0] - o[i][0]) * (p[1] - o[i][1]) / (o[j][1] - o[i][1]) + o[i][0])
          in = !in;
      }
      inside += in;
    }
    a += (inside % 2 ? -1 : 1) * std::abs(area(r));
  }
  return a;
}

TEST(ContourLevels, RoundNumbersSpanningTheData) {
  const auto a = niceLevels(0, 1);
  ASSERT_EQ(a.size(), 11u);
  EXPECT_EQ(a[3], 0.3);  // the decimal value, not 0.30000000000000004
  EXPECT_EQ(a.front(), 0);
  EXPECT_EQ(a.back(), 1);
  EXPECT_EQ(niceLevels(-7.3, 12.1),
            (std::vector<double>{-8, -6, -4, -2, 0, 2, 4, 6, 8, 10, 12, 14}));
  const auto small = niceLevels(0.0123, 0.0377);
  EXPECT_EQ(small, (std::vector<double>{0.01, 0.015, 0.02, 0.025, 0.03, 0.035, 0.04}));
  EXPECT_TRUE(niceLevels(3, 3).empty());
  EXPECT_TRUE(niceLevels(0, NAN).empty());
  Mat z(2, 2);
  z << NAN, 2, 4, INFINITY;
  EXPECT_EQ(niceLevels(z, 2), (std::vector<double>{2, 3, 4}));
  EXPECT_EQ(niceLevels(z, 1), (std::vector<double>{2, 4}));
}

TEST(ContourBands, ALinearRampGivesStraightBandsAtTheLevels) {
  // z = x on [0, 4] x [0, 2]: the band from 0.5 to 1 is the strip
  // 0.5 <= x <= 1, whatever the rows.
  const Grid g = grid(3, 5, [](double x, double) { return x; });
  const ContourGrid cg = contourGrid(g.x, g.y, g.z);
  const auto strip = bandRings(cg, 0.5, 1);
  ASSERT_EQ(strip.size(), 1u);
  EXPECT_NEAR(std::abs(area(strip[0])), 1.0, 1e-12);
  for (const Point& p : strip[0]) {
    EXPECT_TRUE(std::abs(p[0] - 0.5) < 1e-12 || std::abs(p[0] - 1) < 1e-12) << p[0];
    EXPECT_GE(p[1], 0);
    EXPECT_LE(p[1], 2);
  }
  // Automatic levels 0, 0.5, ..., 4; the bands tile the grid.
  Figure fig;
  const Contour& c = fig.axes().contourf(g.x, g.y, g.z);
  EXPECT_EQ(c.levels(), (std::vector<double>{0, 0.5, 1, 1.5, 2, 2.5, 3, 3.5, 4}));
  const auto bands = c.bands();
  ASSERT_EQ(bands.size(), 8u);
  double total = 0;
  for (const auto& b : bands) {
    EXPECT_NEAR(regionArea(b.rings), 1.0, 1e-12) << b.lo;
    total += regionArea(b.rings);
  }
  EXPECT_NEAR(total, 8, 1e-12);
  EXPECT_EQ(bands.front().color, viridis(0));
  EXPECT_EQ(bands.back().color, viridis(1));
  // Contour lines lie on the levels.
  for (const auto& line : c.lines()) {
    for (const Point& p : line.points) EXPECT_NEAR(p[0], line.level, 1e-12);
    EXPECT_FALSE(line.closed);
  }
}

TEST(ContourBands, SaddlesFollowTheMeanOfTheCell) {
  // Two high corners facing each other; the centre is 0.5.
  Mat x(2, 2), y(2, 2), z(2, 2);
  x << 0, 1, 0, 1;
  y << 0, 0, 1, 1;
  z << 1, 0, 0, 1;
  const ContourGrid g = contourGrid(x, y, z);
  // Above 0.6 the centre is out: two separate corners.
  const auto high = bandRings(g, 0.6, INFINITY);
  ASSERT_EQ(high.size(), 2u);
  EXPECT_NEAR(std::abs(area(high[0])) + std::abs(area(high[1])), 2 * 0.5 * 0.4 * 0.4, 1e-12);
  // Above 0.4 the centre is in: one piece joining them.
  const auto low = bandRings(g, 0.4, INFINITY);
  ASSERT_EQ(low.size(), 1u);
  EXPECT_NEAR(std::abs(area(low[0])), 1 - 2 * 0.5 * 0.4 * 0.4, 1e-12);
  // The lines agree: at 0.6 each cuts off a high corner, at 0.4 a low one.
  for (double level : {0.6, 0.4}) {
    const auto lines = contourLines(g, {level});
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& l : lines) {
      ASSERT_EQ(l.points.size(), 2u);
      const Point mid = {(l.points[0][0] + l.points[1][0]) / 2,
                         (l.points[0][1] + l.points[1][1]) / 2};
      // The corner nearest the line's middle.
      const double cx = std::round(mid[0]), cy = std::round(mid[1]);
      const double cz = (cx == cy) ? 1 : 0;
      EXPECT_EQ(cz, level > 0.5 ? 1 : 0) << level;
    }
  }
}

TEST(ContourBands, AHillGivesClosedLinesAndBandsWithHoles) {
  const Grid g = grid(21, 21, [](double x, double y) {
    return 10 - (x - 10) * (x - 10) / 10 - (y - 10) * (y - 10) / 10;
  });
  const ContourGrid cg = contourGrid(g.x, g.y, g.z);
  const auto ring = bandRings(cg, 6, 8);  // an annulus round the top
  ASSERT_EQ(ring.size(), 2u);
  const double outer = std::max(std::abs(area(ring[0])), std::abs(area(ring[1])));
  const double inner = std::min(std::abs(area(ring[0])), std::abs(area(ring[1])));
  // Circles of radius sqrt(40) and sqrt(20), less what the chords cut.
  EXPECT_NEAR(outer, M_PI * 40, 0.03 * M_PI * 40);
  EXPECT_NEAR(inner, M_PI * 20, 0.05 * M_PI * 20);
  EXPECT_NEAR(regionArea(ring), outer - inner, 1e-9);
  const auto lines = contourLines(cg, {8});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].closed);
  for (const Point& p : lines[0].points)
    EXPECT_NEAR(std::hypot(p[0] - 10, p[1] - 10), std::sqrt(20), 0.2);
}

TEST(ContourBands, CellsWithNaNAreLeftOut) {
  Grid g = grid(3, 3, [](double x, double y) { return x + y; });
  g.z(0, 0) = NAN;  // one corner cell of four
  const auto all = bandRings(contourGrid(g.x, g.y, g.z), -INFINITY, INFINITY);
  EXPECT_NEAR(regionArea(all), 3, 1e-12);
  g.z(1, 1) = NAN;  // the middle node: every cell touches it
  EXPECT_TRUE(bandRings(contourGrid(g.x, g.y, g.z), -INFINITY, INFINITY).empty());
}

TEST(Contours, TheContourMatrixAndItsMessages) {
  const Grid g = grid(2, 3, [](double x, double) { return x; });
  Mat levels(1, 2);
  levels << 0.5, 1.5;
  const ContoursResult r = contours(g.x, g.y, g.z, levels);
  EXPECT_TRUE(r.msg.empty());
  ASSERT_EQ(r.C.rows(), 2);
  ASSERT_EQ(r.C.cols(), 6);  // two lines of two points, each with a header
  EXPECT_EQ(r.C(0, 0), 0.5);
  EXPECT_EQ(r.C(1, 0), 2);
  EXPECT_NEAR(r.C(0, 1), 0.5, 1e-12);
  EXPECT_NEAR(r.C(0, 2), 0.5, 1e-12);
  EXPECT_EQ(r.C(0, 3), 1.5);
  // Z alone: the nodes are the column and row numbers.
  EXPECT_NEAR(contours(Mat(), Mat(), g.z, levels).C(0, 1), 1.5, 1e-12);

  const ContoursResult bad = contours(Mat(), Mat(), Mat::Ones(1, 3));
  EXPECT_EQ(bad.msg, "Z must be at least a 2x2 matrix, not 1x3.");
  EXPECT_EQ(bad.C.size(), 0);
  EXPECT_FALSE(contours(Mat::Ones(2, 2), Mat(), g.z).msg.empty());
  EXPECT_FALSE(contours(g.x, g.y, g.z, Mat::Constant(1, 1, 2.5)).msg.empty());
}

TEST(Contourf, AFirstClassGraphicsObject) {
  const Grid g = grid(3, 4, [](double x, double y) { return x * y; });
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(std::vector<double>{0}, std::vector<double>{0}, "ko");
  Contour& c = ax.contourf(g.x, g.y, g.z, Mat(), {"LineColor", "none"});
  ASSERT_EQ(ax.children().size(), 1u);  // a new plot
  EXPECT_EQ(fig.getProperty(c.handle(), "Type").text(), "contour");
  EXPECT_EQ(c.get("LevelListMode").text(), "auto");
  EXPECT_EQ(c.get("LevelList").matrix().cols(), 7);  // 0, 1, ..., 6
  EXPECT_EQ(c.get("LineColor").text(), "none");
  EXPECT_EQ(c.get("ZData").matrix(), g.z);
  Mat lv(1, 3);
  lv << 4, 1, 2;
  c.set("levellist", lv);
  EXPECT_EQ(c.levels(), (std::vector<double>{1, 2, 4}));
  EXPECT_EQ(c.get("LevelListMode").text(), "manual");
  // Values above the top level get a band of their own; below the lowest,
  // none.
  const auto bands = c.bands();
  ASSERT_EQ(bands.size(), 3u);
  EXPECT_TRUE(std::isinf(bands.back().hi));
  EXPECT_EQ(c.get("ContourMatrix").matrix().rows(), 2);
  EXPECT_THROW(c.set("ContourMatrix", Mat()), RuntimeError);
  c.set("Fill", "off");
  EXPECT_TRUE(c.bands().empty());

  // With hold on it adds; delete and cla take it away.
  ax.hold(true);
  const Handle h = ax.contourf(g.x, g.y, g.z, Mat::Constant(1, 1, 3)).handle();
  EXPECT_EQ(ax.get("Children").matrix()(0), h);
  EXPECT_TRUE(ax.remove(h));
  ax.cla();
  EXPECT_TRUE(ax.children().empty());

  // Bad arguments leave the axes as they were.
  ax.plot(std::vector<double>{0}, std::vector<double>{0}, "ko");
  EXPECT_THROW(ax.contourf(Mat(), Mat(), Mat::Ones(1, 5)), RuntimeError);
  EXPECT_THROW(ax.contourf(g.x, g.y, g.z, Mat::Constant(1, 1, 0.5)), RuntimeError);
  EXPECT_THROW(ax.contourf(g.x, g.y, g.z, Mat::Constant(1, 2, NAN)), RuntimeError);
  EXPECT_THROW(ax.contourf(g.x, g.y, g.z, Mat(), {"Fill", "maybe"}), RuntimeError);
  EXPECT_EQ(ax.children().size(), 1u);
}

TEST(Contourf, BandsFillTheGridWithoutSeamsAndAFlatGridDrawsNothing) {
  const Grid g = grid(5, 9, [](double x, double y) { return std::sin(x / 2) + y / 3; });
  Figure fig;
  Axes& ax = fig.axes();
  ax.contourf(g.x, g.y, g.z, Mat(), {"LineColor", "none"});
  ax.setLimits({-1, 9, -1, 5});
  const int w = 500, h = 300;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  render(fig, cr, w, h);
  ASSERT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  const auto* d = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s));
  const auto box = plotBox(fig, w, h);
  const auto px = [&](double x, double y) {
    return d[static_cast<std::size_t>(static_cast<int>(box[1] + box[3] - (y + 1) / 6 * box[3]) * w +
                                      static_cast<int>(box[0] + (x + 1) / 10 * box[2]))];
  };
  // Inside the grid no pixel shows the white of the axes between bands.
  int light = 0;
  for (double x = 0.05; x < 7.95; x += 0.01)
    for (double y : {0.5, 1.5, 2.5, 3.5}) light += (px(x, y) & 0xffffff) == 0xffffff;
  EXPECT_EQ(light, 0);
  EXPECT_EQ(px(-0.5, 2) & 0xffffff, 0xffffffu);  // outside it does
  cairo_surface_destroy(s);

  Figure flat, empty;
  flat.axes().contourf(g.x, g.y, Mat::Zero(5, 9));
  const auto& c = dynamic_cast<const Contour&>(*flat.axes().children().front());
  EXPECT_TRUE(c.levels().empty());
  EXPECT_TRUE(c.bands().empty());
  EXPECT_TRUE(c.lines().empty());
  for (PictureFormat f :
       {PictureFormat::Png, PictureFormat::Svg, PictureFormat::Pdf, PictureFormat::Eps})
    EXPECT_FALSE(renderPicture(fig, f, 300, 200).empty());
}

TEST(ContourColours, ViridisRunsFromDarkVioletToYellow) {
  const Rgb lo = viridis(0), mid = viridis(0.5), hi = viridis(1);
  EXPECT_NEAR(lo.r, 0.267, 0.02);
  EXPECT_NEAR(lo.b, 0.329, 0.02);
  EXPECT_NEAR(mid.g, 0.565, 0.03);  // a blue-green
  EXPECT_NEAR(hi.r, 0.993, 0.02);
  EXPECT_NEAR(hi.g, 0.906, 0.02);
  EXPECT_NEAR(hi.b, 0.144, 0.03);
  // Lightness rises steadily along the map.
  double prev = -1;
  for (int i = 0; i <= 20; ++i) {
    const Rgb c = viridis(i / 20.0);
    const double lum = 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
    EXPECT_GT(lum, prev);
    prev = lum;
  }
  EXPECT_EQ(viridis(-3), lo);
  EXPECT_EQ(viridis(NAN), lo);
}

}  // namespace
}  // namespace varnok::graphics
