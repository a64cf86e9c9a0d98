#include "platform/graphics/plot_layout.hpp"

#include "platform/graphics/visit.hpp"

namespace varnok::graphics {

Frame makeFrame(const Figure& fig, double width, double height) {
  const auto [b, lim] = fig.axes().boxAndLimitsPx(width, height);  // b: left bottom width height
  Frame f;
  f.bx = b[0];
  f.by = height - b[1] - b[3];
  f.bw = b[2];
  f.bh = b[3];
  f.width = width;
  f.lim = lim;
  f.hx = f.bw / (0.5 * f.lim[1] - 0.5 * f.lim[0]);
  f.hy = f.bh / (0.5 * f.lim[3] - 0.5 * f.lim[2]);
  return f;
}

namespace {

bool onTick(double v, TickStep s) {
  const double k = v / s.value();
  return std::abs(k - std::round(k)) < 1e-6;
}

}  // namespace

AxisTicks chooseTicks(const TextMeasure& m, double lo, double hi, double lengthPx,
                      bool horizontal) {
  AxisTicks out;
  if (!(hi > lo) || !std::isfinite(hi - lo) || !(lengthPx > 1)) return out;
  const FontExtents fe = m.extents();
  const auto build = [&](TickStep s, AxisTicks& t) {
    t.step = s;
    t.values = tickValues(lo, hi, s);
    t.exponent = tickLabelExponent(t.values, s);
    t.labels.clear();
    double widest = 0;
    for (double v : t.values) {
      t.labels.push_back(tickLabelText(v, s, t.exponent));
      widest = std::max(widest, m.advance(t.labels.back()));
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

namespace {

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
        std::size_t i = 0;
        g.positions.forEach([&](double x, double y) {
          const double r = radii[g.styleAt(i++)];
          if (r >= 0) at(x, y, r);
          return true;
        });
      });
}

}  // namespace

Corners cornersFor(const Frame& f, double inset, double w, double h) {
  const double left = f.bx + inset, right = f.bx + f.bw - inset - w;
  const double top = f.by + inset, bottom = f.by + f.bh - inset - h;
  return {{{right, top}, {left, top}, {right, bottom}, {left, bottom}}};
}

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

namespace {

// The longest start of text (whole characters) that with an ellipsis
// measures at most room; the ellipsis alone when no character fits.
std::string shortened(const TextMeasure& m, const std::string& text, double room) {
  static constexpr const char* kEllipsis = "\xE2\x80\xA6";
  std::vector<std::size_t> cuts;  // character boundaries
  for (std::size_t i = 1; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) cuts.push_back(i);
  std::size_t lo = 0, hi = cuts.size();  // cuts[0..lo) fit
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    if (m.advance(text.substr(0, cuts[mid - 1]) + kEllipsis) <= room)
      lo = mid;
    else
      hi = mid - 1;
  }
  return (lo == 0 ? std::string() : text.substr(0, cuts[lo - 1])) + kEllipsis;
}

}  // namespace

std::array<double, 4> placeLegend(const TextMeasure& m, const Frame& f, const Axes& ax,
                                  std::vector<LegendRow>& rows, double* rowHeight,
                                  double* symbolWidth) {
  const FontExtents fe = m.extents();
  double widest = 0, marker = 0;
  for (const LegendRow& r : rows) {
    widest = std::max(widest, m.advance(cleanText(r.label)));
    marker = std::max(marker, r.style.sizePx + r.style.lineWidthPx);
  }
  const double pad = 0.5 * fe.height;
  *rowHeight = std::max(1.2 * fe.height, marker + 2);
  *symbolWidth = std::max(marker, fe.height);
  const double inset = std::clamp(0.02 * std::min(f.bw, f.bh), 3.0, 10.0);
  // Names too long for the plot box are shortened with an ellipsis, so the
  // legend stays inside the picture.
  const double room = f.bw - 2 * inset - (pad + *symbolWidth + pad + pad);
  if (widest > room) {
    widest = 0;
    for (LegendRow& r : rows) {
      std::string clean = cleanText(r.label);
      if (m.advance(clean) > room) clean = shortened(m, clean, room);
      widest = std::max(widest, m.advance(clean));
      r.label = std::move(clean);
    }
  }
  const double w = pad + *symbolWidth + pad + widest + pad;
  const double h = pad + static_cast<double>(rows.size()) * *rowHeight + pad;
  const Corners corners = cornersFor(f, inset, w, h);
  const auto covered = pointsCovered(f, ax, corners, w, h);
  std::size_t best = 0, fewest = std::numeric_limits<std::size_t>::max();
  for (std::size_t c = 0; c < corners.size(); ++c)
    if (covered[c] < fewest) fewest = covered[c], best = c;
  return {corners[best][0], corners[best][1], w, h};
}

}  // namespace varnok::graphics
