#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/graphics/contour.hpp"
#include "platform/graphics/draw.hpp"
#include "platform/graphics/marker_shapes.hpp"
#include "platform/graphics/visit.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

void drawText(DrawingBackend& b, std::string_view s, double x, double y, HAlign h, VAlign v) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == '\n') {
      lines.push_back(cleanText(s.substr(start, i - start)));
      start = i + 1;
    }
  }
  FontExtents fe = b.measure().extents();
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
    const double advance = b.measure().advance(lines[i]);
    double x0 = x;
    if (h == HAlign::Center) x0 = x - advance / 2;
    if (h == HAlign::Right) x0 = x - advance;
    b.showText(lines[i], x0, top + fe.ascent + static_cast<double>(i) * fe.height);
  }
}

void selectFont(DrawingBackend& b, const char* face, double sizePt) {
  b.selectFont(face, drawableSize(sizePt, kMaxFontSizePx).value_or(kAxesFontPt * kPt));
}

namespace {

// "x10^k" beside an axis whose labels were divided by 10^k.
void drawExponent(DrawingBackend& b, int exponent, double x, double y, HAlign h) {
  const std::string base =
      "\xc3\x97"
      "10";  // "x10" with a multiplication sign
  const std::string sup = (exponent < 0 ? "\u2212" : "") + std::to_string(std::abs(exponent));
  FontExtents fe = b.measure().extents();
  const double baseAdvance = b.measure().advance(base);
  const double supScale = 0.75;
  b.save();
  b.setFontSize(kAxesFontPt * kPt * supScale);
  const double supAdvance = b.measure().advance(sup);
  b.restore();
  const double w = baseAdvance + supAdvance;
  const double x0 = h == HAlign::Right ? x - w : x;
  b.showText(base, x0, y);
  b.save();
  b.setFontSize(kAxesFontPt * kPt * supScale);
  b.showText(sup, x0 + baseAdvance, y - 0.45 * fe.ascent);
  b.restore();
}

// The axis titles: below the tick labels of the horizontal axis, and turned
// to read upwards left of the widest tick label of the vertical axis. Called
// with the tick labels' font selected; tick is its extents, gap what the
// labels leave to the box.
void drawAxisTitles(DrawingBackend& b, const Frame& f, const Axes& ax, const AxisTicks& xt,
                    const AxisTicks& yt, const FontExtents& tick, double gap) {
  if (ax.xlabel().empty() && ax.ylabel().empty()) return;
  // Measured again rather than kept from chooseTicks: Cairo's advances for
  // the same labels can differ there in the last bits (seen in SVG output),
  // and the title keeps its place to the bit.
  double widest = 0;
  for (const std::string& label : yt.labels) {
    widest = std::max(widest, b.measure().advance(label));
  }
  selectFont(b, kAxesFont, kAxisTitleFontPt);
  b.setColor({0, 0, 0});
  if (!ax.xlabel().empty()) {
    // The "x10^k" of the tick labels takes the line under them.
    const double lines = xt.exponent != 0 ? 2.0 : 1.0;
    drawText(b, ax.xlabel(), f.bx + f.bw / 2, f.by + f.bh + gap + lines * tick.height + gap,
             HAlign::Center, VAlign::Top);
  }
  if (!ax.ylabel().empty()) {
    // Inside the picture even when the tick labels leave no room for it.
    const FontExtents fe = b.measure().extents();
    const double x = std::max(f.bx - gap - widest - 1.5 * gap, fe.ascent + fe.descent + 1);
    b.save();
    b.translate(x, f.by + f.bh / 2);
    b.rotate(-M_PI / 2);
    drawText(b, ax.ylabel(), 0, 0, HAlign::Center, VAlign::Bottom);
    b.restore();
  }
}

}  // namespace

void drawLegend(DrawingBackend& b, const Frame& f, const Axes& ax) {
  if (ax.legend().empty()) return;
  std::vector<LegendRow> rows = legendRows(ax);
  if (rows.empty()) return;
  selectFont(b, kAxesFont, kLegendFontPt);
  double rowH = 0, symW = 0;
  const auto box = placeLegend(b.measure(), f, ax, rows, &rowH, &symW);
  FontExtents fe = b.measure().extents();
  const double pad = 0.5 * fe.height;
  b.newPath();
  b.rectangle(box[0], box[1], box[2], box[3]);
  b.setColor(ax.color);
  b.fillPreserve();
  b.setColor({0.35, 0.35, 0.35});
  b.setLineWidth(0.75 * kPt);
  b.setDash({});
  b.stroke();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const double cy = box[1] + pad + (static_cast<double>(i) + 0.5) * rowH;
    const double cx = box[0] + pad + symW / 2;
    const MarkerShape shape = markerShape(rows[i].style.marker, rows[i].style.sizePx);
    b.addMarker(shape, cx, cy);
    b.paintMarkers(shape, rows[i].style);
    b.setColor({0, 0, 0});
    drawText(b, rows[i].label, box[0] + pad + symW + pad, cy, HAlign::Left, VAlign::Middle);
  }
}

void drawColorBar(DrawingBackend& b, const Frame& f, const Axes& ax) {
  const auto& bar = ax.colorBar();
  if (!bar) return;
  std::vector<ContourBand> bands;
  if (const Object* o = ax.find(bar->contour))
    visitAs(*o, [&](const Contour& c) { bands = c.bands(); });
  const double x = f.bx + f.bw + kColorBarGapPx, w = kColorBarWidthPx;
  const double top = f.by, h = f.bh;
  const double lo = bar->lo, hi = bar->hi;
  const bool spread = hi > lo && std::isfinite(hi - lo);
  // Value v at height y of the bar, lowest at the bottom.
  const auto yOf = [&](double v) { return top + h - (v - lo) / (hi - lo) * h; };
  for (const ContourBand& band : bands) {
    double y0 = top + h, y1 = top;
    if (spread) {
      const double a = std::max(band.lo, lo), c = std::min(band.hi, hi);
      if (!(c > a)) continue;
      y0 = yOf(a);
      y1 = yOf(c);
    } else if (!(band.lo <= lo && lo <= band.hi)) {
      continue;
    }
    b.newPath();
    b.rectangle(x, y1, w, y0 - y1);
    b.setColor(band.color);
    b.fill();
  }
  b.setColor({0, 0, 0});
  b.setLineWidth(1.0);
  b.setDash({});
  b.newPath();
  b.rectangle(x, top, w, h);
  b.stroke();

  selectFont(b, kAxesFont, kAxesFontPt);
  const FontExtents fe = b.measure().extents();
  const double gap = 0.4 * fe.height;
  double widest = 0;
  if (spread) {
    const AxisTicks t = chooseTicks(b.measure(), lo, hi, h, false);
    for (std::size_t i = 0; i < t.values.size(); ++i) {
      const double y = yOf(t.values[i]);
      b.moveTo(x + w, y);
      b.lineTo(x + w - 3, y);
      drawText(b, t.labels[i], x + w + gap, y, HAlign::Left, VAlign::Middle);
      widest = std::max(widest, b.measure().advance(t.labels[i]));
    }
    b.stroke();
  } else {
    const std::string only = shortestText(lo);
    drawText(b, only, x + w + gap, top + h / 2, HAlign::Left, VAlign::Middle);
    widest = b.measure().advance(only);
  }
  if (bar->label.empty()) return;
  selectFont(b, kAxesFont, kAxisTitleFontPt);
  b.save();
  b.translate(x + w + gap + widest + gap, top + h / 2);
  b.rotate(-M_PI / 2);  // reads upwards, as the vertical axis's title
  drawText(b, bar->label, 0, 0, HAlign::Center, VAlign::Top);
  b.restore();
}

void drawAxesFrame(DrawingBackend& out, const Frame& f, const Axes& ax) {
  // The box and ticks sit on pixel centres so one-pixel lines stay sharp.
  const auto snap = [](double v) { return std::floor(v) + 0.5; };
  const double l = snap(f.bx), r = snap(f.bx + f.bw), t = snap(f.by), b = snap(f.by + f.bh);
  out.setColor({0, 0, 0});
  out.setLineWidth(1.0);
  out.setLineCap(LineCap::Square);
  out.setLineJoin(LineJoin::Miter);
  out.setDash({});
  out.rectangle(l, t, r - l, b - t);
  out.stroke();

  selectFont(out, kAxesFont, kAxesFontPt);
  const AxisTicks xt = chooseTicks(out.measure(), f.lim[0], f.lim[1], f.bw, true);
  const AxisTicks yt = chooseTicks(out.measure(), f.lim[2], f.lim[3], f.bh, false);
  const double len = std::clamp(0.01 * std::max(f.bw, f.bh), 3.0, 9.0);

  out.setLineCap(LineCap::Butt);
  for (double v : xt.values) {
    const double x = snap(f.px(v));
    out.moveTo(x, b);
    out.lineTo(x, b - len);
    out.moveTo(x, t);
    out.lineTo(x, t + len);
  }
  for (double v : yt.values) {
    const double y = snap(f.py(v));
    out.moveTo(l, y);
    out.lineTo(l + len, y);
    out.moveTo(r, y);
    out.lineTo(r - len, y);
  }
  out.stroke();

  FontExtents fe = out.measure().extents();
  const double gap = 0.4 * fe.height;
  for (std::size_t i = 0; i < xt.values.size(); ++i)
    drawText(out, xt.labels[i], f.px(xt.values[i]), b + gap, HAlign::Center, VAlign::Top);
  for (std::size_t i = 0; i < yt.values.size(); ++i)
    drawText(out, yt.labels[i], l - gap, f.py(yt.values[i]), HAlign::Right, VAlign::Middle);
  if (xt.exponent != 0)
    drawExponent(out, xt.exponent, r, b + gap + fe.height + fe.ascent, HAlign::Right);
  if (yt.exponent != 0) drawExponent(out, yt.exponent, l, t - gap - fe.descent, HAlign::Left);

  drawAxisTitles(out, f, ax, xt, yt, fe, gap);

  if (!ax.title().empty()) {
    selectFont(out, kAxesFont, kTitleFontPt);
    fe = out.measure().extents();
    const double above = yt.exponent != 0 ? 2.2 * fe.height : 0.6 * fe.height;
    // Centred over the box, but never cut off at the picture's edges when it
    // is wider than a narrow box (a small figure, or a box that gave room to
    // a colour bar); the left edge wins when it is wider than the picture.
    double half = out.measure().advance(cleanText(ax.title())) / 2;
    if (f.width > 0 && 2 * half + 4 > f.width) {
      // Too long for the picture: a smaller letter, down to two thirds.
      const double shrink = std::max((f.width - 4) / (2 * half), 2.0 / 3.0);
      selectFont(out, kAxesFont, kTitleFontPt * shrink);
      half = out.measure().advance(cleanText(ax.title())) / 2;
    }
    double centre = f.bx + f.bw / 2;
    if (f.width > 0) centre = std::min(centre, f.width - half - 2);
    drawText(out, ax.title(), std::max(centre, half + 2), t - above, HAlign::Center,
             VAlign::Bottom);
  }
}

}  // namespace varnok::graphics
