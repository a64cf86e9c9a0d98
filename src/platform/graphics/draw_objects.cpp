#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/graphics/clip_geometry.hpp"
#include "platform/graphics/draw.hpp"
#include "platform/graphics/marker_shapes.hpp"
#include "platform/graphics/visit.hpp"

namespace varnok::graphics {

std::size_t pointsToDraw(const Object& o) {
  std::size_t n = 1;
  visitAs(o, [&](const Line& l) { n = l.pointCount(); });
  return n;
}

namespace {

// Markers of one style are filled and stroked together; this bounds the
// path a backend has to hold at once.
constexpr int kMaxBatch = 20000;

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

// Clipping to the plot box, switched on for lines and patches and off for
// markers and texts (which are drawn whole when their point is inside).
class BoxClip {
 public:
  BoxClip(DrawingBackend& b, const Frame& f) : b_(b), f_(f) {}
  ~BoxClip() { off(); }
  void on() {
    if (on_) return;
    b_.save();
    b_.newPath();
    b_.rectangle(f_.bx, f_.by, f_.bw, f_.bh);
    b_.clip();
    on_ = true;
  }
  void off() {
    if (!on_) return;
    b_.restore();  // the current path is not part of the saved state
    on_ = false;
  }

 private:
  DrawingBackend& b_;
  const Frame& f_;
  bool on_ = false;
};

// A rectangle a little larger than the box: paths are cut to it in double
// precision before Cairo sees them, because Cairo's fixed-point coordinates
// wrap around for points far outside the picture.
std::array<double, 4> guardRect(const Frame& f, double margin) {
  return {f.bx - margin, f.bx + f.bw + margin, f.by - margin, f.by + f.bh + margin};
}

// Dashes scale with the line width (in pixels, already capped).
void setDash(DrawingBackend& b, std::string_view style, double lineWidthPx) {
  const double s = std::max(kPt, lineWidthPx);
  if (style == "--") {
    b.setDash({6 * s, 4 * s});
  } else if (style == ":") {
    b.setDash({1 * s, 2.5 * s});
  } else if (style == "-.") {
    b.setDash({6 * s, 3 * s, 1 * s, 3 * s});
  } else {
    b.setDash({});
  }
}

// Appends a polyline through points given in user units to the path, cut
// to the guard rectangle; non-finite points break it. closed joins the last
// point back to the first.
void appendPolyline(DrawingBackend& b, const std::vector<std::array<double, 2>>& pts, bool closed,
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
        if (!penAtPrev || ax != prevX || ay != prevY) b.moveTo(ax, ay);
        b.lineTo(bx, by);
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

void strokePath(DrawingBackend& b, Rgb color, double widthPx, std::string_view lineStyle) {
  b.setColor(color);
  b.setLineWidth(widthPx);
  b.setLineJoin(LineJoin::Round);
  b.setLineCap(LineCap::Butt);
  setDash(b, lineStyle, widthPx);
  b.stroke();
  b.setDash({});
}

// px: the line's points in user units.
void strokeLine(DrawingBackend& b, const Frame& f, const Line& l,
                const std::vector<std::array<double, 2>>& px) {
  const auto width = drawableSize(l.lineWidth, kMaxLineWidthPx);
  if (!width) return;
  appendPolyline(b, px, false, guardRect(f, 4 * *width + 10));
  strokePath(b, l.color, *width, l.lineStyle);
}

void drawPatch(DrawingBackend& b, const Frame& f, const Patch& p) {
  // NaN separates rings; with the even-odd rule inner rings are holes, as a
  // filled contour band around a hill needs.
  const auto width = drawableSize(p.lineWidth, kMaxLineWidthPx);
  const auto guard = guardRect(f, 4 * width.value_or(0) + 10);
  std::vector<std::array<double, 2>> ring;
  const auto closeRing = [&] {
    ring = clipPolygon(std::move(ring), guard);
    if (ring.size() >= 2) {
      b.moveTo(ring[0][0], ring[0][1]);
      for (std::size_t i = 1; i < ring.size(); ++i) b.lineTo(ring[i][0], ring[i][1]);
      b.closePath();
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
  b.setFillRule(FillRule::EvenOdd);
  const bool edge = p.edgeColor.mode == ColorSpec::Mode::Rgb && width;
  if (p.faceColor.mode == ColorSpec::Mode::Rgb) {
    b.setColor(p.faceColor.rgb);
    edge ? b.fillPreserve() : b.fill();
  }
  if (edge) {
    b.setColor(p.edgeColor.rgb);
    b.setLineWidth(*width);
    b.setLineJoin(LineJoin::Round);
    b.setDash({});
    b.stroke();
  }
  b.newPath();
  b.setFillRule(FillRule::Winding);
}

// Arrows as strokes: the shaft from the node to the tip and an open head of
// two barbs, measured in pixels so heads keep their shape whatever the
// axes' aspect.
void drawQuiver(DrawingBackend& b, const Frame& f, const Quiver& q) {
  const auto width = drawableSize(q.lineWidth, kMaxLineWidthPx);
  if (!width || q.lineStyle == "none") return;
  const auto guard = guardRect(f, 4 * *width + 10);
  const double head = std::min(q.maxHeadSize, 1.0);
  for (const Quiver::Arrow& a : q.arrows()) {
    const double x0 = f.px(a.x), y0 = f.py(a.y), x1 = f.px(a.x + a.u), y1 = f.py(a.y + a.v);
    const double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
    if (!std::isfinite(len) || !(len > 0)) continue;  // a zero arrow draws nothing
    appendPolyline(b, {{x0, y0}, {x1, y1}}, false, guard);
    if (!q.showArrowHead) continue;
    const double ux = dx / len, uy = dy / len, h = head * len, w = h / 3;
    const double bx = x1 - h * ux, by = y1 - h * uy;
    appendPolyline(b, {{bx - w * uy, by + w * ux}, {x1, y1}, {bx + w * uy, by - w * ux}}, false,
                   guard);
  }
  strokePath(b, q.color, *width, q.lineStyle);
}

// Filled bands painted as nested regions, each from its lower level
// upwards over the one before, so neighbouring bands meet without the hair
// of background that abutting antialiased edges leave; then the lines.
void drawContour(DrawingBackend& b, const Frame& f, const Contour& c) {
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
      b.moveTo(px[0][0], px[0][1]);
      for (std::size_t i = 1; i < px.size(); ++i) b.lineTo(px[i][0], px[i][1]);
      b.closePath();
    }
    b.setFillRule(FillRule::EvenOdd);
    b.setColor(band.color);
    b.fill();
  }
  b.setFillRule(FillRule::Winding);
  const auto width = drawableSize(c.lineWidth, kMaxLineWidthPx);
  if (c.lineColor.mode != ColorSpec::Mode::Rgb || c.lineStyle == "none" || !width) return;
  const auto lineGuard = guardRect(f, 4 * *width + 10);
  for (const ContourLine& line : c.lines()) {
    std::vector<std::array<double, 2>> px;
    px.reserve(line.points.size());
    for (const Point& p : line.points) px.push_back({f.px(p[0]), f.py(p[1])});
    appendPolyline(b, px, line.closed, lineGuard);
  }
  strokePath(b, c.lineColor.rgb, *width, c.lineStyle);
}

// Markers go straight into the pixels where the backend has them (PixelStamp).
// Elsewhere markers of consecutive lines that look the same are collected
// into one path and painted with one fill and one stroke, so a landmark
// display made of many one-point lines costs little more than one line.
class MarkerBatch {
 public:
  MarkerBatch(DrawingBackend& b, std::unique_ptr<PixelStamp> stamper)
      : b_(b), stamper_(std::move(stamper)) {}

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
      b_.addMarker(shape, x, y);
      b_.paintMarkers(shape, style_);
      return;
    }
    b_.addMarker(shape_, x, y);
    if (++count_ >= kMaxBatch) flush(clip);
  }

  // The stamper's number for a look, or -1 (see PixelStamp::lookNumber).
  int lookNumber(const MarkerStyle& style) { return stamper_ ? stamper_->lookNumber(style) : -1; }
  // add() for a look numbered by lookNumber, which style is.
  void addLook(int look, const MarkerStyle& style, double x, double y, BoxClip& clip) {
    if (stamper_->stampLook(look, x, y)) return;
    style_ = style;
    add(x, y, clip);  // a path, which stamp() will choose again
  }

  // See PixelStamp::placement and stampPlaced.
  std::unique_ptr<PixelStamp::Placement> placement(const std::vector<int>& looks,
                                                   std::size_t most) {
    return stamper_ ? stamper_->placement(looks, most) : nullptr;
  }
  void stampPlaced(const PixelStamp::Placement& placed) { stamper_->stampPlaced(placed); }

  // A sieve for the repeats of this look, when markers are stamped and
  // its repeats add nothing.
  std::unique_ptr<RepeatSieve> repeatSieve(const MarkerStyle& style) {
    return stamper_ ? stamper_->repeatSieve(style) : nullptr;
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
    b_.paintMarkers(shape_, style_);
  }

 private:
  DrawingBackend& b_;
  std::unique_ptr<PixelStamp> stamper_;
  MarkerStyle style_;
  MarkerShape shape_;
  int count_ = 0;
};

// For each stretch of [0, n) in turn: work(half, from, to) on its two halves,
// the second on a thread of its own where one can be started, then
// done(from, to) on this thread, until done returns false.
template <class Work, class Done>
void inHalves(std::size_t n, std::size_t stretch, const Work& work, Done&& done) {
  for (std::size_t from = 0; from < n; from += stretch) {
    const std::size_t to = std::min(n, from + stretch), mid = from + (to - from) / 2;
    std::thread second;
    try {
      second = std::thread(work, 1, mid, to);
    } catch (const std::system_error&) {
      work(1, mid, to);  // no second thread: both halves on this one
    }
    work(0, from, mid);
    if (second.joinable()) second.join();
    if (!done(from, to)) return;
  }
}

}  // namespace

void drawChildren(DrawingBackend& b, const Frame& f, const Axes& ax, double width, double height,
                  WorkCounter& work) {
  BoxClip clip(b, f);
  MarkerBatch batch(b, b.pixelStamp(width, height));
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
                                  strokeLine(b, f, l, linePx);
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
                                  selectFont(b, t.fontName.c_str(), t.fontSize);
                                  currentFont = t.fontName;
                                  currentSize = t.fontSize;
                                }
                                b.setColor(t.color);
                                drawText(b, t.string, x, y, hAlignOf(t), vAlignOf(t));
                              },
                              [&](const Patch& p) {
                                batch.flush(clip);
                                clip.on();
                                drawPatch(b, f, p);
                              },
                              [&](const Quiver& q) {
                                batch.flush(clip);
                                clip.on();
                                drawQuiver(b, f, q);
                              },
                              [&](const Contour& c) {
                                batch.flush(clip);
                                clip.on();
                                drawContour(b, f, c);
                              }});
  };
  // Many markers of one look whose repeats add nothing (a large study's
  // superimposed landmarks, mostly on cells already stamped): the group is
  // taken a stretch at a time, the two halves of each stretch sieved of
  // their repeats on two threads, and only what passes is stamped, first
  // half first, so the stamps and their order are those of one marker after
  // another. False, having drawn nothing, when there is no sieve.
  auto sieveGroup = [&](const PointGroup& g, const MarkerStyle& look) {
    std::unique_ptr<RepeatSieve> sieves[2] = {batch.repeatSieve(look), batch.repeatSieve(look)};
    if (!sieves[0] || !sieves[1]) return false;
    constexpr std::size_t kStretch = std::size_t{1} << 20;
    // Two values per member of half a stretch at most: reserved now, so
    // sieving never allocates.
    std::vector<double> kept[2];
    try {
      for (auto& k : kept) k.reserve(kStretch + 2);
    } catch (const std::bad_alloc&) {
      return false;
    }
    const auto sift = [&](int half, std::size_t from, std::size_t to) {
      RepeatSieve& sieve = *sieves[half];
      std::vector<double>& out = kept[half];
      out.clear();
      g.positions.forEachIn(from, to, [&](double px, double py) {
        const double x = f.px(px), y = f.py(py);
        if (f.contains(x, y, 0.5) && sieve.first(x, y)) {
          out.push_back(x);
          out.push_back(y);
        }
        return true;
      });
    };
    batch.use(look, clip);
    inHalves(g.size(), kStretch, sift, [&](std::size_t from, std::size_t to) {
      for (const auto& half : kept)
        for (std::size_t k = 0; k < half.size(); k += 2) batch.add(half[k], half[k + 1], clip);
      return going = work.add(to - from);
    });
    return true;
  };
  // Many markers of looks taking turns, each of them stamped (as a score
  // plot's translucent groups are): where each marker lands is worked out on
  // two threads, half a stretch each, and the marks are stamped in order.
  // False, having drawn nothing, when the stamper cannot place them.
  constexpr std::size_t kPlacedMembers = std::size_t{1} << 16;
  auto placeOnTwoThreads = [&](const PointGroup& g, const std::vector<MarkerStyle>& looks,
                               const std::vector<char>& paints, const std::vector<int>& numbers) {
    constexpr std::size_t kStretch = std::size_t{1} << 17;
    std::vector<int> used;
    for (std::size_t k = 0; k < looks.size(); ++k)
      if (paints[k]) used.push_back(numbers[k]);
    std::unique_ptr<PixelStamp::Placement> placed[2];
    try {
      for (auto& p : placed) p = batch.placement(used, kStretch / 2 + 1);
    } catch (const std::bad_alloc&) {
      return false;
    }
    if (!placed[0] || !placed[1]) return false;
    const auto place = [&](int half, std::size_t from, std::size_t to) {
      PixelStamp::Placement& out = *placed[half];
      out.clear();
      std::size_t i = from;
      g.positions.forEachIn(from, to, [&](double px, double py) {
        const std::size_t k = g.styleAt(i++);
        if (!paints[k]) return true;
        const double x = f.px(px), y = f.py(py);
        if (f.contains(x, y, 0.5)) out.place(numbers[k], x, y);
        return true;
      });
    };
    inHalves(g.size(), kStretch, place, [&](std::size_t from, std::size_t to) {
      for (const auto& p : placed) batch.stampPlaced(*p);
      return going = work.add(to - from);
    });
    return true;
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
    constexpr std::size_t kSievedMembers = std::size_t{1} << 16;
    if (g.styleIndex.empty() && paints[0] && g.size() >= kSievedMembers && sieveGroup(g, looks[0]))
      return;
    std::size_t i = 0, counted = 0;
    // Looks taking turns (groups of a score plot) are told to the stamper by
    // number, not compared on every marker.
    std::vector<int> numbers;
    for (std::size_t k = 0; k < looks.size() && g.styles.size() > 1; ++k)
      numbers.push_back(paints[k] ? batch.lookNumber(looks[k]) : 0);
    const bool numbered =
        !numbers.empty() && *std::min_element(numbers.begin(), numbers.end()) >= 0;
    if (numbered && g.size() >= kPlacedMembers && placeOnTwoThreads(g, looks, paints, numbers))
      return;
    std::size_t current = looks.size();
    g.positions.forEach([&](double px, double py) {
      const std::size_t k = g.styleAt(i++);
      if (paints[k]) {
        if (!numbered && k != current) {
          batch.use(looks[k], clip);
          current = k;
        }
        const double x = f.px(px), y = f.py(py);
        if (f.contains(x, y, 0.5)) {
          if (numbered)
            batch.addLook(numbers[k], looks[k], x, y, clip);
          else
            batch.add(x, y, clip);
        }
      }
      if (i - counted < kProgressStep) return true;
      going = work.add(i - counted);
      counted = i;
      return going;
    });
    if (going && i > counted) going = work.add(i - counted);
  };
  ax.visit(drawObject, drawGroup);
  batch.flush(clip);
  clip.off();
}

}  // namespace varnok::graphics
