// The renderer must draw whatever the model holds: sizes and widths far
// beyond any page, NaN, infinities and nonsense written straight into the
// public fields. Each case renders into a small image and into every file
// format, and must leave Cairo without error and later objects drawn.
#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "platform/graphics/contour.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/graphics/markers.hpp"
#include "platform/graphics/quiver.hpp"
#include "platform/graphics/render.hpp"

namespace varnok::graphics {
namespace {

using V = std::vector<double>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Renders into an image of w x h (optionally through a group, which takes
// the path-based marker code) and reports Cairo's status and pixels.
struct Rendered {
  cairo_status_t status = CAIRO_STATUS_SUCCESS;
  std::vector<std::uint32_t> pixels;
  int w = 0, h = 0;
  std::array<int, 3> at(double x, double y) const {
    const std::uint32_t v =
        pixels[static_cast<std::size_t>(static_cast<int>(y) * w + static_cast<int>(x))];
    return {static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255),
            static_cast<int>(v & 255)};
  }
  bool isRed(double x, double y) const {
    const auto c = at(x, y);
    return c[0] > 200 && c[1] < 60 && c[2] < 60;
  }
};

Rendered renderImage(const Figure& fig, int w, int h, bool throughGroup, double scale = 1) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w * scale),
                                                  static_cast<int>(h * scale));
  cairo_t* cr = cairo_create(s);
  cairo_scale(cr, scale, scale);
  if (throughGroup) cairo_push_group(cr);
  render(fig, cr, w, h);
  if (throughGroup) {
    cairo_pop_group_to_source(cr);
    cairo_paint(cr);
  }
  Rendered r;
  r.status = cairo_status(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  r.w = cairo_image_surface_get_width(s);
  r.h = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  for (int y = 0; y < r.h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
    r.pixels.insert(r.pixels.end(), row, row + r.w);
  }
  cairo_surface_destroy(s);
  return r;
}

cairo_status_t discard(void*, const unsigned char*, unsigned int) {
  return CAIRO_STATUS_SUCCESS;
}

// Renders into each vector format, writing nowhere; Cairo's verdict.
std::vector<cairo_status_t> renderVector(const Figure& fig, int w, int h) {
  std::vector<cairo_status_t> out;
  const std::function<cairo_surface_t*()> makers[] = {
      [&] { return cairo_svg_surface_create_for_stream(discard, nullptr, w, h); },
      [&] { return cairo_pdf_surface_create_for_stream(discard, nullptr, w, h); },
      [&] {
        cairo_surface_t* s = cairo_ps_surface_create_for_stream(discard, nullptr, w, h);
        cairo_ps_surface_set_eps(s, 1);
        return s;
      }};
  for (const auto& make : makers) {
    cairo_surface_t* s = make();
    cairo_t* cr = cairo_create(s);
    render(fig, cr, w, h);
    cairo_show_page(cr);
    cairo_status_t st = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_finish(s);
    if (st == CAIRO_STATUS_SUCCESS) st = cairo_surface_status(s);
    cairo_surface_destroy(s);
    out.push_back(st);
  }
  return out;
}

// Every way of drawing the figure succeeds, and a red square marker placed
// last at (x, y) is still drawn (Cairo in an error state would draw nothing
// more).
void expectDrawsAndGoesOn(Figure& fig, double x, double y) {
  fig.axes().hold(true);
  fig.axes().plot(V{x}, V{y}, "rs", {"MarkerSize", 10, "MarkerFaceColor", "r"});
  for (bool group : {false, true}) {
    for (double scale : {1.0, 2.0}) {
      const Rendered r = renderImage(fig, 200, 150, group, scale);
      EXPECT_EQ(r.status, CAIRO_STATUS_SUCCESS) << "group " << group << " scale " << scale;
      const auto box = plotBox(fig, 200, 150);
      const Limits l = fig.axes().limitsFor(box[2], box[3]);
      const double px = box[0] + (x - l[0]) / (l[1] - l[0]) * box[2];
      const double py = box[1] + box[3] - (y - l[2]) / (l[3] - l[2]) * box[3];
      EXPECT_TRUE(r.isRed(px * scale, py * scale)) << "group " << group << " scale " << scale;
    }
  }
  for (cairo_status_t st : renderVector(fig, 200, 150)) EXPECT_EQ(st, CAIRO_STATUS_SUCCESS);
}

TEST(ExtremeValues, AMarkerOfEighteenThousandPointsIsDrawnCappedAndCheaply) {
  // A symbol code table may ask for any size; this one once made a 4.5 GB
  // sprite and crashed the next repaint.
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  ax.plot(V{0.5}, V{0.5}, "ko", {"MarkerSize", 18000, "MarkerFaceColor", "r"});
  ax.setLimits({0, 1, 0, 1});
  for (bool group : {false, true}) {
    const Rendered r = renderImage(fig, 200, 150, group);
    EXPECT_EQ(r.status, CAIRO_STATUS_SUCCESS);
    // The capped circle still covers the whole small picture in red.
    EXPECT_TRUE(r.isRed(100, 75));
    EXPECT_TRUE(r.isRed(3, 3));
  }
  expectDrawsAndGoesOn(fig, 0.8, 0.8);
}

TEST(ExtremeValues, LargestDoublesAsSizesAndWidths) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  for (char m : kMarkers) {
    ax.plot(V{0.2, 0.3}, V{0.2, 0.3}, std::string("k-") + m,
            {"MarkerSize", 1e308, "LineWidth", 1e308, "MarkerFaceColor", "b"});
  }
  ax.plot(V{0.1, 0.9}, V{0.9, 0.1}, "k--", {"LineWidth", 1.7e308});
  ax.patch(V{0.1, 0.2, 0.2}, V{0.1, 0.1, 0.2}, ColorSpec::of({0, 1, 0}),
           {"EdgeColor", "k", "LineWidth", 1e308});
  ax.text(0.5, 0.5, "big", {"FontSize", 1e308});
  ax.setLimits({0, 1, 0, 1});
  // Markers and strokes cover the picture; the last marker goes on top.
  expectDrawsAndGoesOn(fig, 0.7, 0.6);
}

TEST(ExtremeValues, NonsenseWrittenStraightIntoTheFieldsIsSkipped) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  for (double bad : {kNaN, kInf, -kInf, 0.0, -3.0}) {
    Line& l = ax.plot(V{0.1, 0.4}, V{0.5, 0.6}, "b-o");
    l.markerSize = bad;
    l.lineWidth = bad;
    Line& m = ax.plot(V{0.3}, V{0.3}, "bs");
    m.markerSize = bad;
    Patch& p = ax.patch(V{0.1, 0.3, 0.3}, V{0.1, 0.1, 0.3}, ColorSpec::of({0, 0, 1}));
    p.lineWidth = bad;
    p.edgeColor = ColorSpec::of({0, 0, 0});
    Text& t = ax.text(0.2, 0.8, "text");
    t.fontSize = bad;
  }
  ax.setLimits({0, 1, 0, 1});
  expectDrawsAndGoesOn(fig, 0.75, 0.25);
}

TEST(ExtremeValues, CoordinatesAtTheEndsOfTheNumberLine) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  ax.plot(V{-1.7e308, 1.7e308, 0.5, kNaN, 0.2}, V{1.7e308, -1.7e308, 0.5, 0.1, kInf}, "k-o");
  ax.patch(V{-1e308, 1e308, 1e308, 0.5}, V{-1e308, -1e308, 1e308, 0.5}, ColorSpec::of({0, 1, 0}),
           {"EdgeColor", "k"});
  ax.text(1e308, 0.5, "far");
  ax.setLimits({0, 1, 0, 1});
  expectDrawsAndGoesOn(fig, 0.25, 0.75);
}

TEST(ExtremeValues, DataSpanningEveryDoubleGetsLimitsThatDraw) {
  // Automatic limits of data from -1e308 to 1e308 must not overflow into
  // infinite or reversed limits.
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{-1.7e308, 1.7e308}, V{-1.7e308, 1.7e308}, "k-o");
  const Limits l = ax.limits();
  for (double v : l) EXPECT_TRUE(std::isfinite(v));
  EXPECT_LT(l[0], l[1]);
  EXPECT_LT(l[2], l[3]);
  for (bool group : {false, true})
    EXPECT_EQ(renderImage(fig, 200, 150, group).status, CAIRO_STATUS_SUCCESS);
  for (cairo_status_t st : renderVector(fig, 200, 150)) EXPECT_EQ(st, CAIRO_STATUS_SUCCESS);
}

TEST(ExtremeValues, LimitsAUnitInTheLastPlaceApart) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{1, 2}, V{1, 2}, "k-");
  ax.setLimits({1, 1 + 4.4e-16, 1e300, 1e300 * (1 + 4.4e-16)});
  for (int w : {200, 16000}) {
    const Rendered r = renderImage(fig, w, 150, false);
    EXPECT_EQ(r.status, CAIRO_STATUS_SUCCESS);
  }
}

TEST(ExtremeValues, ArrowFieldsAndContoursOfExtremeData) {
  Mat x(2, 2), y(2, 2), big(2, 2), odd(2, 2);
  x << 0, 1, 0, 1;
  y << 0, 0, 1, 1;
  big << -1.7e308, 1.7e308, 1e308, -1e308;
  odd << kNaN, kInf, -kInf, 1;
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  ax.quiver(x, y, big, big);
  ax.quiver(x, y, odd, odd);
  ax.quiver(x, y, big, odd, 0);
  ax.contourf(x, y, big);
  ax.contourf(x, y, odd);
  ax.contourf(x, y, Mat::Constant(2, 2, 1e-320) + x * 1e-322);
  ax.setLimits({-1, 2, -1, 2});
  expectDrawsAndGoesOn(fig, 1.5, 1.5);
}

TEST(ExtremeValues, MarkerStyleKeepsSizesDrawable) {
  Line l;
  l.marker = 'o';
  l.markerSize = 18000;
  l.lineWidth = 1e308;
  MarkerStyle s = markerStyleOf(l, {1, 1, 1});
  EXPECT_LE(s.sizePx, kMaxMarkerSizePx);
  EXPECT_LE(s.lineWidthPx, kMaxLineWidthPx);
  EXPECT_TRUE(s.paints());
  l.markerSize = kNaN;
  EXPECT_FALSE(markerStyleOf(l, {1, 1, 1}).paints());
  l.markerSize = 6;
  l.lineWidth = kInf;  // no outline can be drawn; a filled face still can
  l.markerFaceColor = ColorSpec::of({1, 0, 0});
  s = markerStyleOf(l, {1, 1, 1});
  EXPECT_FALSE(s.edge);
  EXPECT_TRUE(s.face);
}

}  // namespace
}  // namespace varnok::graphics
