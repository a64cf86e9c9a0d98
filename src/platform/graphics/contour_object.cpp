#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/graphics/axes.hpp"
#include "platform/graphics/contour.hpp"
#include "platform/graphics/properties.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

using namespace props;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

namespace {

std::vector<double> sortedLevels(const Value& v) {
  const auto bad = [&] {
    badValue("LevelList", "Contour", v, "must be a vector of finite numbers");
  };
  if (!v.isMatrix()) bad();
  const Mat& m = v.matrix();
  if (m.size() != 0 && m.rows() != 1 && m.cols() != 1) bad();
  std::vector<double> out(m.data(), m.data() + m.size());
  for (double d : out)
    if (!std::isfinite(d)) bad();
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

const PropertyTable<Contour, 10> kContourProperties = {{
    {"XData", [](const Contour& c) { return Value(c.xdata); },
     [](Contour& c, const Value& v) { c.xdata = matrixOf(v, "XData", "Contour"); }},
    {"YData", [](const Contour& c) { return Value(c.ydata); },
     [](Contour& c, const Value& v) { c.ydata = matrixOf(v, "YData", "Contour"); }},
    {"ZData", [](const Contour& c) { return Value(c.zdata); },
     [](Contour& c, const Value& v) { c.zdata = matrixOf(v, "ZData", "Contour"); }},
    {"LevelList", [](const Contour& c) { return rowOf(c.levels()); },
     [](Contour& c, const Value& v) {
       c.levelList = sortedLevels(v);
       c.manualLevels = true;
     }},
    {"LevelListMode", [](const Contour& c) { return Value(c.manualLevels ? "manual" : "auto"); },
     [](Contour& c, const Value& v) {
       const bool manual = oneOf(v, {"auto", "manual"}, "LevelListMode", "Contour") == "manual";
       if (manual && !c.manualLevels) c.levelList = c.levels();
       c.manualLevels = manual;
     }},
    {"LineColor", [](const Contour& c) { return colorSpecValue(c.lineColor); },
     [](Contour& c, const Value& v) { c.lineColor = rgbOrNone(v, "LineColor", "Contour"); }},
    {"LineWidth", [](const Contour& c) { return Value(c.lineWidth); },
     [](Contour& c, const Value& v) { c.lineWidth = positiveNumber(v, "LineWidth", "Contour"); }},
    {"LineStyle", [](const Contour& c) { return Value(c.lineStyle); },
     [](Contour& c, const Value& v) {
       c.lineStyle = oneOf(v, {"-", "--", ":", "-.", "none"}, "LineStyle", "Contour");
     }},
    {"Fill", [](const Contour& c) { return Value(c.fill ? "on" : "off"); },
     [](Contour& c, const Value& v) { c.fill = onOff(v, "Fill", "Contour"); }},
    {"ContourMatrix", [](const Contour& c) { return Value(contourMatrix(c.lines())); }, nullptr},
}};

}  // namespace

std::optional<ContourGrid> Contour::grid() const {
  try {
    return contourGrid(xdata, ydata, zdata);
  } catch (const RuntimeError&) {
    return std::nullopt;
  }
}

std::vector<double> Contour::levels() const {
  return manualLevels ? levelList : niceLevels(zdata);
}

namespace {

// The colour of a band of a diverging map: its middle value (its lower
// level for the band above the top level) against the largest level in
// size, so that 0 is the map's centre.
Rgb divergingColor(const ContourBand& b, const std::vector<double>& lv) {
  const double reach = std::max(std::abs(lv.front()), std::abs(lv.back()));
  const double mid = std::isfinite(b.hi) ? 0.5 * (b.lo + b.hi) : b.lo;
  return diverging(reach > 0 ? 0.5 + 0.5 * mid / reach : 0.5);
}

// The bands of the levels: one between each two levels, and one above the
// top level when values lie there. Their rings cover the values from the
// band's lower level to its upper one when closed, else from its lower
// level upwards.
std::vector<ContourBand> bandsOf(const ContourGrid& g, const std::vector<double>& lv, bool closed,
                                 ColorMap map) {
  std::vector<ContourBand> out;
  if (lv.empty()) return out;
  double zmax = -kInf;
  for (Eigen::Index k = 0; k < g.z.size(); ++k)
    if (std::isfinite(g.z.data()[k])) zmax = std::max(zmax, g.z.data()[k]);
  for (std::size_t k = 0; k + 1 < lv.size(); ++k) out.push_back({lv[k], lv[k + 1], {}, {}});
  if (zmax > lv.back()) out.push_back({lv.back(), kInf, {}, {}});
  for (std::size_t k = 0; k < out.size(); ++k) {
    const double t =
        out.size() > 1 ? static_cast<double>(k) / static_cast<double>(out.size() - 1) : 0.5;
    out[k].color = map == ColorMap::Viridis ? viridis(t) : divergingColor(out[k], lv);
    out[k].rings = bandRings(g, out[k].lo, closed ? out[k].hi : kInf);
  }
  return out;
}

}  // namespace

std::vector<ContourBand> Contour::bands() const {
  const auto g = grid();
  if (!g || !fill) return {};
  return bandsOf(*g, levels(), true, colorMap);
}

std::vector<ContourBand> Contour::layers() const {
  const auto g = grid();
  if (!g || !fill) return {};
  return bandsOf(*g, levels(), false, colorMap);
}

std::vector<ContourLine> Contour::lines() const {
  const auto g = grid();
  if (!g) return {};
  return contourLines(*g, levels());
}

void Contour::addExtent(Extent& e) const {
  const auto g = grid();
  if (!g) return;
  for (Eigen::Index k = 0; k < g->x.size(); ++k) e.add(g->x.data()[k], g->y.data()[k]);
}

bool Contour::getOwn(std::string_view prop, Value& out) const {
  return read(kContourProperties, *this, prop, out);
}

bool Contour::setOwn(std::string_view prop, const Value& v) {
  return write(kContourProperties, *this, prop, v);
}

void Contour::ownPropertyNames(std::vector<std::string>& out) const {
  appendNames(kContourProperties, out);
}

Contour& Axes::contourf(const Mat& x, const Mat& y, const Mat& z, const Mat& levels,
                        const ValueList& props) {
  // Checked and built before the axes change, as plot does.
  contourGrid(x, y, z);
  const auto given = levelsFromArgument(levels, z);
  auto c = std::make_unique<Contour>();
  c->xdata = x;
  c->ydata = y;
  c->zdata = z;
  if (given) {
    c->levelList = *given;
    c->manualLevels = true;
  }
  applyProps(*c, props);
  newPlot();
  return add(std::move(c));
}

ColorBar colorBarOf(const Contour& c, std::string label) {
  ColorBar bar{std::move(label), kInf, -kInf, c.handle()};
  for (Eigen::Index k = 0; k < c.zdata.size(); ++k) {
    const double z = c.zdata.data()[k];
    if (!std::isfinite(z)) continue;
    bar.lo = std::min(bar.lo, z);
    bar.hi = std::max(bar.hi, z);
  }
  if (bar.lo > bar.hi) bar.lo = bar.hi = 0;
  return bar;
}

}  // namespace varnok::graphics
