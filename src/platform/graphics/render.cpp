#include "platform/graphics/render.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "platform/graphics/contour.hpp"
#include "platform/graphics/markers.hpp"
#include "platform/graphics/quiver.hpp"
#include "platform/graphics/ticks.hpp"
#include "platform/graphics/visit.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

namespace {

constexpr double kPt = kPixelsPerPoint;
constexpr double kAxesFontPt = 10;
constexpr double kTitleFontPt = 11;
constexpr const char* kAxesFont = "DejaVu Sans";
// Markers of one style are filled and stroked together; this bounds the
// path Cairo has to hold at once.
constexpr int kMaxBatch = 20000;

void setColor(cairo_t* cr, Rgb c) {
  cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

// Pixel coordinates are kept within this distance of the origin: far enough
// outside any picture that clipping still cuts lines where they leave it, and
// small enough that differences of two of them never overflow.
constexpr double kFarPx = 1e12;

double farClamp(double v) {
  return std::isnan(v) ? v : std::clamp(v, -kFarPx, kFarPx);
}

// Maps data coordinates to user units (pixels, y downwards). Data that are
// not finite map to NaN (a gap); the arithmetic works on halves so limits
// and data anywhere in the range of doubles cannot overflow it.
struct Frame {
  double bx = 0, by = 0, bw = 0, bh = 0;  // plot box, top left origin
  Limits lim{0, 1, 0, 1};
  double hx = 1, hy = 1;  // pixels per half data unit
  double px(double x) const {
    if (!std::isfinite(x)) return std::numeric_limits<double>::quiet_NaN();
    return farClamp(bx + (0.5 * x - 0.5 * lim[0]) * hx);
  }
  double py(double y) const {
    if (!std::isfinite(y)) return std::numeric_limits<double>::quiet_NaN();
    return farClamp(by + bh - (0.5 * y - 0.5 * lim[2]) * hy);
  }
  // Data units to pixels for a length (arrow heads and the like).
  double lengthX(double d) const { return farClamp(0.5 * d * hx); }
  double lengthY(double d) const { return farClamp(0.5 * d * hy); }
  bool contains(double ux, double uy, double tol) const {
    return ux >= bx - tol && ux <= bx + bw + tol && uy >= by - tol && uy <= by + bh + tol;
  }
};

Frame makeFrame(const Figure& fig, double width, double height) {
  const auto [b, lim] = fig.axes().boxAndLimitsPx(width, height);  // b: left bottom width height
  Frame f;
  f.bx = b[0];
  f.by = height - b[1] - b[3];
  f.bw = b[2];
  f.bh = b[3];
  f.lim = lim;
  f.hx = f.bw / (0.5 * f.lim[1] - 0.5 * f.lim[0]);
  f.hy = f.bh / (0.5 * f.lim[3] - 0.5 * f.lim[2]);
  return f;
}

// Cairo refuses text that is not UTF-8 and then ignores every later drawing
// call, so texts from data files are cleaned first: bytes that do not form
// UTF-8 are taken as Latin-1, tabs become blanks, other control characters
// are dropped.
std::string cleanText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      if (c == '\t') {
        out += ' ';
      } else if (c >= 0x20 && c != 0x7f) {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    int len = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 0;
    bool ok = len > 0 && i + len <= s.size();
    for (int k = 1; ok && k < len; ++k) ok = (static_cast<unsigned char>(s[i + k]) >> 6) == 0x2;
    if (ok && c >= 0xc2 && c <= 0xf4) {
      out.append(s.substr(i, len));
      i += len;
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
      ++i;
    }
  }
  return out;
}

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Middle, Bottom, Baseline };

HAlign hAlignOf(const Text& t) {
  return t.horizontalAlignment == "center"  ? HAlign::Center
         : t.horizontalAlignment == "right" ? HAlign::Right
                                            : HAlign::Left;
}

VAlign vAlignOf(const Text& t) {
  return t.verticalAlignment == "top"        ? VAlign::Top
         : t.verticalAlignment == "bottom"   ? VAlign::Bottom
         : t.verticalAlignment == "baseline" ? VAlign::Baseline
                                             : VAlign::Middle;
}

// The points drawing an object costs: a line's vertices and markers, one
// for any other object.
std::size_t pointsToDraw(const Object& o) {
  std::size_t n = 1;
  visitAs(o, [&](const Line& l) { n = l.pointCount(); });
  return n;
}

// Draws s (line breaks make several lines) anchored at (x, y) in the current
// font.
void drawText(cairo_t* cr, std::string_view s, double x, double y, HAlign h, VAlign v) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == '\n') {
      lines.push_back(cleanText(s.substr(start, i - start)));
      start = i + 1;
    }
  }
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  const double n = static_cast<double>(lines.size());
  const double blockH = (n - 1) * fe.height + fe.ascent + fe.descent;
  double top = y;
  switch (v) {
    case VAlign::Top:
      top = y;
      break;
    case VAlign::Middle:
      top = y - blockH / 2;
      break;
    case VAlign::Bottom:
      top = y - blockH;
      break;
    case VAlign::Baseline:
      top = y - fe.ascent;
      break;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    cairo_text_extents_t te;
    cairo_text_extents(cr, lines[i].c_str(), &te);
    double x0 = x;
    if (h == HAlign::Center) x0 = x - te.x_advance / 2;
    if (h == HAlign::Right) x0 = x - te.x_advance;
    cairo_move_to(cr, x0, top + fe.ascent + static_cast<double>(i) * fe.height);
    cairo_show_text(cr, lines[i].c_str());
  }
}

void selectFont(cairo_t* cr, const char* face, double sizePt) {
  cairo_select_font_face(cr, face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, drawableSize(sizePt, kMaxFontSizePx).value_or(kAxesFontPt * kPt));
}

// Clipping to the plot box, switched on for lines and patches and off for
// markers and texts (which are drawn whole when their point is inside).
class BoxClip {
 public:
  BoxClip(cairo_t* cr, const Frame& f) : cr_(cr), f_(f) {}
  ~BoxClip() { off(); }
  void on() {
    if (on_) return;
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, f_.bx, f_.by, f_.bw, f_.bh);
    cairo_clip(cr_);
    on_ = true;
  }
  void off() {
    if (!on_) return;
    cairo_restore(cr_);  // the current path is not part of the saved state
    on_ = false;
  }

 private:
  cairo_t* cr_;
  const Frame& f_;
  bool on_ = false;
};

// Liang-Barsky clipping of the segment a-b to the rectangle r; false when
// nothing is left.
bool clipSegment(double& ax, double& ay, double& bx, double& by, const std::array<double, 4>& r) {
  double t0 = 0, t1 = 1;
  const double dx = bx - ax, dy = by - ay;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax - r[0], r[1] - ax, ay - r[2], r[3] - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
    } else {
      const double t = q[i] / p[i];
      if (p[i] < 0) {
        if (t > t1) return false;
        t0 = std::max(t0, t);
      } else {
        if (t < t0) return false;
        t1 = std::min(t1, t);
      }
    }
  }
  const double nax = ax + t0 * dx, nay = ay + t0 * dy;
  bx = ax + t1 * dx;
  by = ay + t1 * dy;
  ax = nax;
  ay = nay;
  return true;
}

// A rectangle a little larger than the box: paths are cut to it in double
// precision before Cairo sees them, because Cairo's fixed-point coordinates
// wrap around for points far outside the picture.
std::array<double, 4> guardRect(const Frame& f, double margin) {
  return {f.bx - margin, f.bx + f.bw + margin, f.by - margin, f.by + f.bh + margin};
}

// Dashes scale with the line width (in pixels, already capped).
void setDash(cairo_t* cr, std::string_view style, double lineWidthPx) {
  const double s = std::max(kPt, lineWidthPx);
  if (style == "--") {
    const double d[] = {6 * s, 4 * s};
    cairo_set_dash(cr, d, 2, 0);
  } else if (style == ":") {
    const double d[] = {1 * s, 2.5 * s};
    cairo_set_dash(cr, d, 2, 0);
  } else if (style == "-.") {
    const double d[] = {6 * s, 3 * s, 1 * s, 3 * s};
    cairo_set_dash(cr, d, 4, 0);
  } else {
    cairo_set_dash(cr, nullptr, 0, 0);
  }
}

// Appends a polyline through points given in user units to the path, cut
// to the guard rectangle; non-finite points break it. closed joins the last
// point back to the first.
void appendPolyline(cairo_t* cr, const std::vector<std::array<double, 2>>& pts, bool closed,
                    const std::array<double, 4>& guard) {
  const std::size_t n = pts.size();
  bool havePrev = false, penAtPrev = false;
  double prevX = 0, prevY = 0;
  for (std::size_t k = 0; k < n + (closed && n > 2 ? 1 : 0); ++k) {
    const double x = pts[k % n][0], y = pts[k % n][1];
    if (!std::isfinite(x) || !std::isfinite(y)) {
      havePrev = penAtPrev = false;
      continue;
    }
    if (havePrev) {
      double ax = prevX, ay = prevY, bx = x, by = y;
      if (clipSegment(ax, ay, bx, by, guard)) {
        if (!penAtPrev || ax != prevX || ay != prevY) cairo_move_to(cr, ax, ay);
        cairo_line_to(cr, bx, by);
        penAtPrev = bx == x && by == y;
      } else {
        penAtPrev = false;
      }
    }
    prevX = x;
    prevY = y;
    havePrev = true;
  }
}

void strokePath(cairo_t* cr, Rgb color, double widthPx, std::string_view lineStyle) {
  setColor(cr, color);
  cairo_set_line_width(cr, widthPx);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  setDash(cr, lineStyle, widthPx);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
}

// px: the line's points in user units.
void strokeLine(cairo_t* cr, const Frame& f, const Line& l,
                const std::vector<std::array<double, 2>>& px) {
  const auto width = drawableSize(l.lineWidth, kMaxLineWidthPx);
  if (!width) return;
  appendPolyline(cr, px, false, guardRect(f, 4 * *width + 10));
  strokePath(cr, l.color, *width, l.lineStyle);
}

// Sutherland-Hodgman clipping of a polygon to the rectangle r.
std::vector<std::array<double, 2>> clipPolygon(std::vector<std::array<double, 2>> poly,
                                               const std::array<double, 4>& r) {
  for (int edge = 0; edge < 4 && !poly.empty(); ++edge) {
    const auto inside = [&](const std::array<double, 2>& p) {
      switch (edge) {
        case 0:
          return p[0] >= r[0];
        case 1:
          return p[0] <= r[1];
        case 2:
          return p[1] >= r[2];
        default:
          return p[1] <= r[3];
      }
    };
    const auto cross = [&](const std::array<double, 2>& a, const std::array<double, 2>& b) {
      const double bound = edge == 0 ? r[0] : edge == 1 ? r[1] : edge == 2 ? r[2] : r[3];
      const int k = edge < 2 ? 0 : 1;
      const double t = (bound - a[k]) / (b[k] - a[k]);
      return std::array<double, 2>{a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1])};
    };
    std::vector<std::array<double, 2>> out;
    for (std::size_t i = 0; i < poly.size(); ++i) {
      const auto& cur = poly[i];
      const auto& prev = poly[(i + poly.size() - 1) % poly.size()];
      if (inside(cur)) {
        if (!inside(prev)) out.push_back(cross(prev, cur));
        out.push_back(cur);
      } else if (inside(prev)) {
        out.push_back(cross(prev, cur));
      }
    }
    poly = std::move(out);
  }
  return poly;
}

void drawPatch(cairo_t* cr, const Frame& f, const Patch& p) {
  // NaN separates rings; with the even-odd rule inner rings are holes, as a
  // filled contour band around a hill needs.
  const auto width = drawableSize(p.lineWidth, kMaxLineWidthPx);
  const auto guard = guardRect(f, 4 * width.value_or(0) + 10);
  std::vector<std::array<double, 2>> ring;
  const auto closeRing = [&] {
    ring = clipPolygon(std::move(ring), guard);
    if (ring.size() >= 2) {
      cairo_move_to(cr, ring[0][0], ring[0][1]);
      for (std::size_t i = 1; i < ring.size(); ++i) cairo_line_to(cr, ring[i][0], ring[i][1]);
      cairo_close_path(cr);
    }
    ring.clear();
  };
  const std::size_t n = std::min(p.xdata.size(), p.ydata.size());
  for (std::size_t i = 0; i < n; ++i) {
    const double x = f.px(p.xdata[i]), y = f.py(p.ydata[i]);
    if (std::isfinite(x) && std::isfinite(y)) {
      ring.push_back({x, y});
    } else {
      closeRing();
    }
  }
  closeRing();
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  const bool edge = p.edgeColor.mode == ColorSpec::Mode::Rgb && width;
  if (p.faceColor.mode == ColorSpec::Mode::Rgb) {
    setColor(cr, p.faceColor.rgb);
    edge ? cairo_fill_preserve(cr) : cairo_fill(cr);
  }
  if (edge) {
    setColor(cr, p.edgeColor.rgb);
    cairo_set_line_width(cr, *width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_stroke(cr);
  }
  cairo_new_path(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

// Arrows as strokes: the shaft from the node to the tip and an open head of
// two barbs, measured in pixels so heads keep their shape whatever the
// axes' aspect.
void drawQuiver(cairo_t* cr, const Frame& f, const Quiver& q) {
  const auto width = drawableSize(q.lineWidth, kMaxLineWidthPx);
  if (!width || q.lineStyle == "none") return;
  const auto guard = guardRect(f, 4 * *width + 10);
  const double head = std::min(q.maxHeadSize, 1.0);
  for (const Quiver::Arrow& a : q.arrows()) {
    const double x0 = f.px(a.x), y0 = f.py(a.y), x1 = f.px(a.x + a.u), y1 = f.py(a.y + a.v);
    const double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
    if (!std::isfinite(len) || !(len > 0)) continue;  // a zero arrow draws nothing
    appendPolyline(cr, {{x0, y0}, {x1, y1}}, false, guard);
    if (!q.showArrowHead) continue;
    const double ux = dx / len, uy = dy / len, h = head * len, w = h / 3;
    const double bx = x1 - h * ux, by = y1 - h * uy;
    appendPolyline(cr, {{bx - w * uy, by + w * ux}, {x1, y1}, {bx + w * uy, by - w * ux}}, false,
                   guard);
  }
  strokePath(cr, q.color, *width, q.lineStyle);
}

// Filled bands painted as nested regions, each from its lower level
// upwards over the one before, so neighbouring bands meet without the hair
// of background that abutting antialiased edges leave; then the lines.
void drawContour(cairo_t* cr, const Frame& f, const Contour& c) {
  const auto guard = guardRect(f, 10);
  for (const ContourBand& band : c.layers()) {
    for (const Ring& ring : band.rings) {
      std::vector<std::array<double, 2>> px;
      px.reserve(ring.size());
      for (const Point& p : ring) {
        const double x = f.px(p[0]), y = f.py(p[1]);
        if (std::isfinite(x) && std::isfinite(y)) px.push_back({x, y});
      }
      px = clipPolygon(std::move(px), guard);
      if (px.size() < 3) continue;
      cairo_move_to(cr, px[0][0], px[0][1]);
      for (std::size_t i = 1; i < px.size(); ++i) cairo_line_to(cr, px[i][0], px[i][1]);
      cairo_close_path(cr);
    }
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    setColor(cr, band.color);
    cairo_fill(cr);
  }
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  const auto width = drawableSize(c.lineWidth, kMaxLineWidthPx);
  if (c.lineColor.mode != ColorSpec::Mode::Rgb || c.lineStyle == "none" || !width) return;
  const auto lineGuard = guardRect(f, 4 * *width + 10);
  for (const ContourLine& line : c.lines()) {
    std::vector<std::array<double, 2>> px;
    px.reserve(line.points.size());
    for (const Point& p : line.points) px.push_back({f.px(p[0]), f.py(p[1])});
    appendPolyline(cr, px, line.closed, lineGuard);
  }
  strokePath(cr, c.lineColor.rgb, *width, c.lineStyle);
}

// Markers go straight into the pixels on image surfaces (MarkerStamper).
// Elsewhere markers of consecutive lines that look the same are collected
// into one path and painted with one fill and one stroke, so a landmark
// display made of many one-point lines costs little more than one line.
class MarkerBatch {
 public:
  MarkerBatch(cairo_t* cr, std::unique_ptr<MarkerStamper> stamper)
      : cr_(cr), stamper_(std::move(stamper)) {}

  // Starts collecting markers of this look, painting what was collected
  // before if it looked different.
  void use(const MarkerStyle& style, BoxClip& clip) {
    if (stamper_) {
      style_ = style;
      return;
    }
    if (count_ > 0 && style == style_) return;
    flush(clip);
    style_ = style;
    shape_ = markerShape(style.marker, style.sizePx);
  }

  void add(double x, double y, BoxClip& clip) {
    if (stamper_) {
      if (stamper_->stamp(style_, x, y)) return;
      // Too large for a sprite: this one is drawn as a path.
      stamper_->release();
      clip.off();
      const MarkerShape shape = markerShape(style_.marker, style_.sizePx);
      emitMarker(cr_, shape, x, y);
      paintMarkers(cr_, shape, style_);
      return;
    }
    emitMarker(cr_, shape_, x, y);
    if (++count_ >= kMaxBatch) flush(clip);
  }

  // Paints what is pending; called before anything else is drawn.
  void flush(BoxClip& clip) {
    if (stamper_) {
      stamper_->release();
      return;
    }
    if (count_ == 0) return;
    count_ = 0;
    clip.off();
    paintMarkers(cr_, shape_, style_);
  }

 private:
  cairo_t* cr_;
  std::unique_ptr<MarkerStamper> stamper_;
  MarkerStyle style_;
  MarkerShape shape_;
  int count_ = 0;
};

struct AxisTicks {
  TickStep step;
  std::vector<double> values;
  std::vector<std::string> labels;
  int exponent = 0;
};

bool onTick(double v, TickStep s) {
  const double k = v / s.value();
  return std::abs(k - std::round(k)) < 1e-6;
}

// Ticks for [lo, hi] drawn over lengthPx: the finest 1-2-5 step whose labels
// do not crowd each other, or a slightly coarser one that puts ticks on both
// ends of the axis.
AxisTicks chooseTicks(cairo_t* cr, double lo, double hi, double lengthPx, bool horizontal) {
  AxisTicks out;
  if (!(hi > lo) || !std::isfinite(hi - lo) || !(lengthPx > 1)) return out;
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  const auto build = [&](TickStep s, AxisTicks& t) {
    t.step = s;
    t.values = tickValues(lo, hi, s);
    t.exponent = tickLabelExponent(t.values, s);
    t.labels.clear();
    double widest = 0;
    for (double v : t.values) {
      std::string label = tickLabel(v, s, t.exponent);
      if (!label.empty() && label[0] == '-') label.replace(0, 1, "\u2212");  // minus sign
      t.labels.push_back(std::move(label));
      cairo_text_extents_t te;
      cairo_text_extents(cr, t.labels.back().c_str(), &te);
      widest = std::max(widest, te.x_advance);
    }
    const double spacing = s.value() / (hi - lo) * lengthPx;
    return horizontal ? spacing >= widest + 12 : spacing >= 1.6 * fe.height;
  };
  TickStep s = niceStepAtLeast((hi - lo) * (horizontal ? 70.0 : 40.0) / lengthPx);
  for (int i = 0; i < 30 && !build(s, out); ++i) s = nextStep(s);
  if (onTick(lo, s) && onTick(hi, s)) return out;
  TickStep t = s;
  for (int i = 0; i < 2; ++i) {
    t = nextStep(t);
    if (onTick(lo, t) && onTick(hi, t) && tickValues(lo, hi, t).size() >= 3) {
      AxisTicks aligned;
      build(t, aligned);
      return aligned;
    }
  }
  return out;
}

// "x10^k" beside an axis whose labels were divided by 10^k.
void drawExponent(cairo_t* cr, int exponent, double x, double y, HAlign h) {
  const std::string base =
      "\xc3\x97"
      "10";  // "x10" with a multiplication sign
  const std::string sup = (exponent < 0 ? "\u2212" : "") + std::to_string(std::abs(exponent));
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  cairo_text_extents_t tb, ts;
  cairo_text_extents(cr, base.c_str(), &tb);
  const double supScale = 0.75;
  cairo_save(cr);
  cairo_set_font_size(cr, kAxesFontPt * kPt * supScale);
  cairo_text_extents(cr, sup.c_str(), &ts);
  cairo_restore(cr);
  const double w = tb.x_advance + ts.x_advance;
  const double x0 = h == HAlign::Right ? x - w : x;
  cairo_move_to(cr, x0, y);
  cairo_show_text(cr, base.c_str());
  cairo_save(cr);
  cairo_set_font_size(cr, kAxesFontPt * kPt * supScale);
  cairo_move_to(cr, x0 + tb.x_advance, y - 0.45 * fe.ascent);
  cairo_show_text(cr, sup.c_str());
  cairo_restore(cr);
}

// ---- axis titles and the legend ----

constexpr double kAxisTitleFontPt = 10;
constexpr double kLegendFontPt = 9;

// The axis titles: below the tick labels of the horizontal axis, and turned
// to read upwards left of the widest tick label of the vertical axis. Called
// with the tick labels' font selected; tick is its extents, gap what the
// labels leave to the box.
void drawAxisTitles(cairo_t* cr, const Frame& f, const Axes& ax, const AxisTicks& xt,
                    const AxisTicks& yt, const cairo_font_extents_t& tick, double gap) {
  if (ax.xlabel().empty() && ax.ylabel().empty()) return;
  // Measured again rather than kept from chooseTicks: Cairo's advances for
  // the same labels can differ there in the last bits (seen in SVG output),
  // and the title keeps its place to the bit.
  double widest = 0;
  for (const std::string& label : yt.labels) {
    cairo_text_extents_t te;
    cairo_text_extents(cr, label.c_str(), &te);
    widest = std::max(widest, te.x_advance);
  }
  selectFont(cr, kAxesFont, kAxisTitleFontPt);
  cairo_set_source_rgb(cr, 0, 0, 0);
  if (!ax.xlabel().empty()) {
    // The "x10^k" of the tick labels takes the line under them.
    const double lines = xt.exponent != 0 ? 2.0 : 1.0;
    drawText(cr, ax.xlabel(), f.bx + f.bw / 2, f.by + f.bh + gap + lines * tick.height + gap,
             HAlign::Center, VAlign::Top);
  }
  if (!ax.ylabel().empty()) {
    // Inside the picture even when the tick labels leave no room for it.
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    const double x = std::max(f.bx - gap - widest - 1.5 * gap, fe.ascent + fe.descent + 1);
    cairo_save(cr);
    cairo_translate(cr, x, f.by + f.bh / 2);
    cairo_rotate(cr, -M_PI / 2);
    drawText(cr, ax.ylabel(), 0, 0, HAlign::Center, VAlign::Bottom);
    cairo_restore(cr);
  }
}

struct LegendRow {
  std::string label;
  MarkerStyle style;
};

// The legend's rows: each entry whose line is still there and shown, with
// the look its markers are drawn in now.
std::vector<LegendRow> legendRows(const Axes& ax) {
  const auto& entries = ax.legend();
  const std::vector<const Line*> lines = legendLines(ax);
  std::vector<LegendRow> rows;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!lines[i] || !lines[i]->visible) continue;
    MarkerStyle style = markerStyleOf(*lines[i], ax.color);
    if (!style.paints()) continue;
    // A symbol code table may ask for enormous markers; the legend shows
    // their shape and colours at a size that fits a row.
    style.sizePx = std::min(style.sizePx, 24.0);
    rows.push_back({entries[i].label, style});
  }
  return rows;
}

// Calls visit(x, y, r) for each point the legend should not hide, in user
// units, with the radius r of its marker.
template <class Visit>
void forEachDrawnPoint(const Frame& f, const Axes& ax, Visit&& visit) {
  const auto at = [&](double x, double y, double r) {
    const double px = f.px(x), py = f.py(y);
    if (f.contains(px, py, 0.5)) visit(px, py, r);
  };
  const auto radius = [](const Line& style) {
    return style.marker ? drawableSize(style.markerSize, 48).value_or(0) / 2 : 0.0;
  };
  std::vector<double> radii;  // of a point group's styles; negative for hidden ones
  ax.visit(
      [&](const Object& o) {
        if (!o.visible) return;
        visitAs(o, overloaded{[&](const Line& l) {
                                const Doubles xs = l.xdata(), ys = l.ydata();
                                const double r = radius(l);
                                for (std::size_t i = 0, n = l.pointCount(); i < n; ++i)
                                  at(xs[i], ys[i], r);
                              },
                              [&](const Text& t) { at(t.x, t.y, 0); }});
      },
      [&](const PointGroup& g) {
        radii.clear();
        for (const auto& style : g.styles) radii.push_back(style->visible ? radius(*style) : -1);
        for (std::size_t i = 0; i < g.size(); ++i) {
          const double r = radii[g.styleAt(i)];
          if (r >= 0) at(g.xy[2 * i], g.xy[2 * i + 1], r);
        }
      });
}

// Top left corners of a box w x h in the corners of the plot box of f, inset
// from its edges: top right, top left, bottom right, bottom left.
using Corners = std::array<std::array<double, 2>, 4>;

Corners cornersFor(const Frame& f, double inset, double w, double h) {
  const double left = f.bx + inset, right = f.bx + f.bw - inset - w;
  const double top = f.by + inset, bottom = f.by + f.bh - inset - h;
  return {{{right, top}, {left, top}, {right, bottom}, {left, bottom}}};
}

// How many drawn points a box w x h at each of corners would cover.
std::array<std::size_t, 4> pointsCovered(const Frame& f, const Axes& ax, const Corners& corners,
                                         double w, double h) {
  std::array<std::size_t, 4> covered{};
  forEachDrawnPoint(f, ax, [&](double x, double y, double r) {
    for (std::size_t c = 0; c < corners.size(); ++c) {
      const double x0 = corners[c][0], y0 = corners[c][1];
      if (x + r >= x0 && x - r <= x0 + w && y + r >= y0 && y - r <= y0 + h) ++covered[c];
    }
  });
  return covered;
}

// The legend box [left top width height] for the rows in the plot box of
// f: in the corner (top right, top left, bottom right, bottom left, in this
// order of preference) that covers the fewest drawn points. The legend's
// font must be selected.
std::array<double, 4> placeLegend(cairo_t* cr, const Frame& f, const Axes& ax,
                                  const std::vector<LegendRow>& rows, double* rowHeight,
                                  double* symbolWidth) {
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  double widest = 0, marker = 0;
  for (const LegendRow& r : rows) {
    cairo_text_extents_t te;
    cairo_text_extents(cr, cleanText(r.label).c_str(), &te);
    widest = std::max(widest, te.x_advance);
    marker = std::max(marker, r.style.sizePx + r.style.lineWidthPx);
  }
  const double pad = 0.5 * fe.height;
  *rowHeight = std::max(1.2 * fe.height, marker + 2);
  *symbolWidth = std::max(marker, fe.height);
  const double w = pad + *symbolWidth + pad + widest + pad;
  const double h = pad + static_cast<double>(rows.size()) * *rowHeight + pad;
  const double inset = std::clamp(0.02 * std::min(f.bw, f.bh), 3.0, 10.0);
  const Corners corners = cornersFor(f, inset, w, h);
  const auto covered = pointsCovered(f, ax, corners, w, h);
  std::size_t best = 0, fewest = std::numeric_limits<std::size_t>::max();
  for (std::size_t c = 0; c < corners.size(); ++c)
    if (covered[c] < fewest) fewest = covered[c], best = c;
  return {corners[best][0], corners[best][1], w, h};
}

void drawLegend(cairo_t* cr, const Frame& f, const Axes& ax) {
  if (ax.legend().empty()) return;
  const std::vector<LegendRow> rows = legendRows(ax);
  if (rows.empty()) return;
  selectFont(cr, kAxesFont, kLegendFontPt);
  double rowH = 0, symW = 0;
  const auto box = placeLegend(cr, f, ax, rows, &rowH, &symW);
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  const double pad = 0.5 * fe.height;
  cairo_new_path(cr);
  cairo_rectangle(cr, box[0], box[1], box[2], box[3]);
  setColor(cr, ax.color);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
  cairo_set_line_width(cr, 0.75 * kPt);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_stroke(cr);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const double cy = box[1] + pad + (static_cast<double>(i) + 0.5) * rowH;
    const double cx = box[0] + pad + symW / 2;
    const MarkerShape shape = markerShape(rows[i].style.marker, rows[i].style.sizePx);
    emitMarker(cr, shape, cx, cy);
    paintMarkers(cr, shape, rows[i].style);
    cairo_set_source_rgb(cr, 0, 0, 0);
    drawText(cr, rows[i].label, box[0] + pad + symW + pad, cy, HAlign::Left, VAlign::Middle);
  }
}

void drawAxesFrame(cairo_t* cr, const Frame& f, const Axes& ax) {
  // The box and ticks sit on pixel centres so one-pixel lines stay sharp.
  const auto snap = [](double v) { return std::floor(v) + 0.5; };
  const double l = snap(f.bx), r = snap(f.bx + f.bw), t = snap(f.by), b = snap(f.by + f.bh);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 1.0);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_rectangle(cr, l, t, r - l, b - t);
  cairo_stroke(cr);

  selectFont(cr, kAxesFont, kAxesFontPt);
  const AxisTicks xt = chooseTicks(cr, f.lim[0], f.lim[1], f.bw, true);
  const AxisTicks yt = chooseTicks(cr, f.lim[2], f.lim[3], f.bh, false);
  const double len = std::clamp(0.01 * std::max(f.bw, f.bh), 3.0, 9.0);

  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  for (double v : xt.values) {
    const double x = snap(f.px(v));
    cairo_move_to(cr, x, b);
    cairo_line_to(cr, x, b - len);
    cairo_move_to(cr, x, t);
    cairo_line_to(cr, x, t + len);
  }
  for (double v : yt.values) {
    const double y = snap(f.py(v));
    cairo_move_to(cr, l, y);
    cairo_line_to(cr, l + len, y);
    cairo_move_to(cr, r, y);
    cairo_line_to(cr, r - len, y);
  }
  cairo_stroke(cr);

  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  const double gap = 0.4 * fe.height;
  for (std::size_t i = 0; i < xt.values.size(); ++i)
    drawText(cr, xt.labels[i], f.px(xt.values[i]), b + gap, HAlign::Center, VAlign::Top);
  for (std::size_t i = 0; i < yt.values.size(); ++i)
    drawText(cr, yt.labels[i], l - gap, f.py(yt.values[i]), HAlign::Right, VAlign::Middle);
  if (xt.exponent != 0)
    drawExponent(cr, xt.exponent, r, b + gap + fe.height + fe.ascent, HAlign::Right);
  if (yt.exponent != 0) drawExponent(cr, yt.exponent, l, t - gap - fe.descent, HAlign::Left);

  drawAxisTitles(cr, f, ax, xt, yt, fe, gap);

  if (!ax.title().empty()) {
    selectFont(cr, kAxesFont, kTitleFontPt);
    cairo_font_extents(cr, &fe);
    const double above = yt.exponent != 0 ? 2.2 * fe.height : 0.6 * fe.height;
    drawText(cr, ax.title(), f.bx + f.bw / 2, t - above, HAlign::Center, VAlign::Bottom);
  }
}

// Points drawn between two progress reports.
constexpr std::size_t kProgressStep = 1 << 16;

// Counts drawn points and reports them to progress in steps.
class WorkCounter {
 public:
  WorkCounter(Progress& p, std::size_t total) : p_(p) {
    p_.start("Drawing the picture", static_cast<long>(total));
  }
  // False once the listener cancelled.
  bool add(std::size_t n) {
    pending_ += n;
    if (pending_ < kProgressStep) return true;
    p_.advance(static_cast<long>(pending_));
    pending_ = 0;
    return !p_.cancelled();
  }
  void finish() {
    if (pending_ > 0) p_.advance(static_cast<long>(pending_));
    p_.finish();
  }

 private:
  Progress& p_;
  std::size_t pending_ = 0;
};

void drawChildren(cairo_t* cr, const Frame& f, const Axes& ax, double width, double height,
                  WorkCounter& work) {
  BoxClip clip(cr, f);
  MarkerBatch batch(cr, MarkerStamper::forContext(cr, width, height));
  std::string currentFont;
  double currentSize = -1;
  bool going = true;
  std::vector<std::array<double, 2>> linePx;
  auto drawObject = [&](const Object& child) {
    if (!going || !child.visible) return;
    going = work.add(pointsToDraw(child));
    visitAs(child, overloaded{[&](const Line& l) {
                                const std::size_t n = l.pointCount();
                                const Doubles xs = l.xdata(), ys = l.ydata();
                                if (!l.lineStyle.none() && n >= 2) {
                                  // The points are mapped once, for the segments and the markers.
                                  linePx.resize(n);
                                  for (std::size_t i = 0; i < n; ++i)
                                    linePx[i] = {f.px(xs[i]), f.py(ys[i])};
                                  batch.flush(clip);
                                  clip.on();
                                  strokeLine(cr, f, l, linePx);
                                } else {
                                  linePx.clear();
                                }
                                if (l.marker == 0 || n == 0) return;
                                const MarkerStyle style = markerStyleOf(l, ax.color);
                                if (!style.paints()) return;
                                batch.use(style, clip);
                                // A marker whose point is in the box is drawn whole, as plotting
                                // tools do, so points on the limits are not cut in half.
                                for (std::size_t i = 0; i < n; ++i) {
                                  const double x = linePx.empty() ? f.px(xs[i]) : linePx[i][0];
                                  const double y = linePx.empty() ? f.py(ys[i]) : linePx[i][1];
                                  if (f.contains(x, y, 0.5)) batch.add(x, y, clip);
                                }
                              },
                              [&](const Text& t) {
                                batch.flush(clip);
                                clip.off();
                                const double x = f.px(t.x), y = f.py(t.y);
                                if (!f.contains(x, y, 0.5) || t.string.empty()) return;
                                if (!drawableSize(t.fontSize, kMaxFontSizePx)) return;
                                if (t.fontName != currentFont || t.fontSize != currentSize) {
                                  selectFont(cr, t.fontName.c_str(), t.fontSize);
                                  currentFont = t.fontName;
                                  currentSize = t.fontSize;
                                }
                                setColor(cr, t.color);
                                drawText(cr, t.string, x, y, hAlignOf(t), vAlignOf(t));
                              },
                              [&](const Patch& p) {
                                batch.flush(clip);
                                clip.on();
                                drawPatch(cr, f, p);
                              },
                              [&](const Quiver& q) {
                                batch.flush(clip);
                                clip.on();
                                drawQuiver(cr, f, q);
                              },
                              [&](const Contour& c) {
                                batch.flush(clip);
                                clip.on();
                                drawContour(cr, f, c);
                              }});
  };
  // A point group is many single-point lines of one style: no line is
  // stroked, and its markers go through the batch one after another.
  auto drawGroup = [&](const PointGroup& g) {
    if (!going) return;
    // The look of each style; members of a style that paints nothing are
    // skipped.
    std::vector<MarkerStyle> looks;
    std::vector<char> paints;
    for (const auto& st : g.styles) {
      looks.push_back(markerStyleOf(*st, ax.color));
      paints.push_back(st->visible && st->marker != 0 && looks.back().paints());
    }
    std::size_t current = looks.size();
    const double* xy = g.xy.data();
    for (std::size_t from = 0, n = g.size(); from < n && going; from += kProgressStep) {
      const std::size_t to = std::min(n, from + kProgressStep);
      for (std::size_t i = from; i < to; ++i) {
        const std::size_t k = g.styleAt(i);
        if (!paints[k]) continue;
        if (k != current) {
          batch.use(looks[k], clip);
          current = k;
        }
        const double x = f.px(xy[2 * i]), y = f.py(xy[2 * i + 1]);
        if (f.contains(x, y, 0.5)) batch.add(x, y, clip);
      }
      going = work.add(to - from);
    }
  };
  ax.visit(drawObject, drawGroup);
  batch.flush(clip);
  clip.off();
}

}  // namespace

std::size_t drawingWork(const Figure& fig) {
  std::size_t n = 0;
  fig.axes().visit(
      [&](const Object& o) {
        if (o.visible) n += pointsToDraw(o);
      },
      [&](const PointGroup& g) { n += g.size(); });
  return n;
}

void render(const Figure& fig, cairo_t* cr, double width, double height, Progress& progress) {
  render(fig, cr, width, height, RenderOptions{}, progress);
}

void render(const Figure& fig, cairo_t* cr, double width, double height,
            const RenderOptions& options) {
  render(fig, cr, width, height, options, noProgress());
}

void render(const Figure& fig, cairo_t* cr, double width, double height,
            const RenderOptions& options, Progress& progress) {
  if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height)) return;
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_clip(cr);
  setColor(cr, options.background.value_or(fig.color));
  cairo_paint(cr);

  const Frame f = makeFrame(fig, width, height);
  if (f.bw > 1 && f.bh > 1) {
    setColor(cr, fig.axes().color);
    cairo_rectangle(cr, f.bx, f.by, f.bw, f.bh);
    cairo_fill(cr);
    WorkCounter work(progress, drawingWork(fig));
    drawChildren(cr, f, fig.axes(), width, height, work);
    drawLegend(cr, f, fig.axes());
    drawAxesFrame(cr, f, fig.axes());
    work.finish();
  }
  cairo_restore(cr);
}

namespace {

// The legend box of ax drawn in the frame f, as legendBox.
std::optional<std::array<double, 4>> legendBoxIn(const Frame& f, const Axes& ax) {
  if (ax.legend().empty()) return std::nullopt;
  const std::vector<LegendRow> rows = legendRows(ax);
  if (rows.empty() || !(f.bw > 1) || !(f.bh > 1)) return std::nullopt;
  // Text is measured on a scratch surface in the user units of render.
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  selectFont(cr, kAxesFont, kLegendFontPt);
  double rowH = 0, symW = 0;
  const auto box = placeLegend(cr, f, ax, rows, &rowH, &symW);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return box;
}

}  // namespace

std::optional<std::array<double, 4>> legendBox(const Figure& fig, double width, double height) {
  if (fig.axes().legend().empty()) return std::nullopt;
  return legendBoxIn(makeFrame(fig, width, height), fig.axes());
}

std::array<double, 4> plotBox(const Figure& fig, double width, double height) {
  const auto b = fig.axes().boxPx(width, height);
  return {b[0], height - b[1] - b[3], b[2], b[3]};
}

std::array<double, 2> pixelToData(const Figure& fig, double width, double height, double px,
                                  double py) {
  const Frame f = makeFrame(fig, width, height);
  return {f.lim[0] + 2 * ((px - f.bx) / f.hx), f.lim[2] + 2 * ((f.by + f.bh - py) / f.hy)};
}

std::array<double, 4> emptiestCorner(const Figure& fig, double width, double height,
                                     double boxWidth, double boxHeight, double margin) {
  const Frame f = makeFrame(fig, width, height);
  const Corners corners = cornersFor(f, margin, boxWidth, boxHeight);
  const auto covered = pointsCovered(f, fig.axes(), corners, boxWidth, boxHeight);
  const auto legend = legendBoxIn(f, fig.axes());
  auto overlaps = [&](double x0, double y0, const std::array<double, 4>& b) {
    return x0 < b[0] + b[2] && b[0] < x0 + boxWidth && y0 < b[1] + b[3] && b[1] < y0 + boxHeight;
  };
  // Hiding the legend counts more than hiding any number of points.
  std::size_t best = 0;
  std::pair<bool, std::size_t> fewest = {true, std::numeric_limits<std::size_t>::max()};
  for (std::size_t c = 0; c < corners.size(); ++c) {
    const double x0 = corners[c][0], y0 = corners[c][1];
    const std::pair<bool, std::size_t> cost = {legend && overlaps(x0, y0, *legend), covered[c]};
    if (cost < fewest) fewest = cost, best = c;
  }
  return {corners[best][0], corners[best][1], boxWidth, boxHeight};
}

}  // namespace varnok::graphics
