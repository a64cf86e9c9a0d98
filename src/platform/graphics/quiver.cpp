#include "platform/graphics/quiver.hpp"

#include <algorithm>
#include <cmath>

#include "platform/graphics/properties.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

using namespace props;

namespace {

bool isVector(const Mat& m) {
  return m.rows() == 1 || m.cols() == 1;
}

// The node positions of U's shape, or false when X and Y do not fit U.
bool nodes(const Mat& x, const Mat& y, const Mat& u, Mat& xs, Mat& ys) {
  const Eigen::Index r = u.rows(), c = u.cols();
  if (x.rows() == r && x.cols() == c && y.rows() == r && y.cols() == c) {
    xs = x;
    ys = y;
    return true;
  }
  if (isVector(u) && x.size() == u.size() && y.size() == u.size() && isVector(x) && isVector(y)) {
    xs = x.reshaped(r, c);
    ys = y.reshaped(r, c);
    return true;
  }
  if (isVector(x) && isVector(y) && x.size() == c && y.size() == r) {
    xs.resize(r, c);
    ys.resize(r, c);
    for (Eigen::Index i = 0; i < r; ++i) {
      for (Eigen::Index j = 0; j < c; ++j) {
        xs(i, j) = x.data()[j];
        ys(i, j) = y.data()[i];
      }
    }
    return true;
  }
  return false;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return *mid;
}

std::string onOffText(bool on) {
  return on ? "on" : "off";
}

const PropertyTable<Quiver, 12> kQuiverProperties = {{
    {"XData", [](const Quiver& q) { return Value(q.xdata); },
     [](Quiver& q, const Value& v) { q.xdata = matrixOf(v, "XData", "Quiver"); }},
    {"YData", [](const Quiver& q) { return Value(q.ydata); },
     [](Quiver& q, const Value& v) { q.ydata = matrixOf(v, "YData", "Quiver"); }},
    {"UData", [](const Quiver& q) { return Value(q.udata); },
     [](Quiver& q, const Value& v) { q.udata = matrixOf(v, "UData", "Quiver"); }},
    {"VData", [](const Quiver& q) { return Value(q.vdata); },
     [](Quiver& q, const Value& v) { q.vdata = matrixOf(v, "VData", "Quiver"); }},
    {"Color", [](const Quiver& q) { return rgbValue(q.color); },
     [](Quiver& q, const Value& v) { q.color = rgbOnly(v, "Color", "Quiver"); }},
    {"LineWidth", [](const Quiver& q) { return Value(q.lineWidth); },
     [](Quiver& q, const Value& v) { q.lineWidth = positiveNumber(v, "LineWidth", "Quiver"); }},
    {"LineStyle", [](const Quiver& q) { return Value(q.lineStyle); },
     [](Quiver& q, const Value& v) {
       q.lineStyle = oneOf(v, {"-", "--", ":", "-.", "none"}, "LineStyle", "Quiver");
     }},
    {"AutoScale", [](const Quiver& q) { return Value(onOffText(q.autoScale)); },
     [](Quiver& q, const Value& v) { q.autoScale = onOff(v, "AutoScale", "Quiver"); }},
    {"AutoScaleFactor", [](const Quiver& q) { return Value(q.autoScaleFactor); },
     [](Quiver& q, const Value& v) {
       q.autoScaleFactor = positiveNumber(v, "AutoScaleFactor", "Quiver");
     }},
    {"ShowArrowHead", [](const Quiver& q) { return Value(onOffText(q.showArrowHead)); },
     [](Quiver& q, const Value& v) { q.showArrowHead = onOff(v, "ShowArrowHead", "Quiver"); }},
    {"MaxHeadSize", [](const Quiver& q) { return Value(q.maxHeadSize); },
     [](Quiver& q, const Value& v) { q.maxHeadSize = positiveNumber(v, "MaxHeadSize", "Quiver"); }},
    {"ScaleFactor", [](const Quiver& q) { return Value(q.scaleFactor()); }, nullptr},
}};

}  // namespace

bool Quiver::consistent() const {
  Mat xs, ys;
  return udata.rows() == vdata.rows() && udata.cols() == vdata.cols() &&
         nodes(xdata, ydata, udata, xs, ys);
}

double Quiver::nodeSpacing() const {
  Mat xs, ys;
  if (!consistent() || !nodes(xdata, ydata, udata, xs, ys)) return 0;
  const Eigen::Index r = xs.rows(), c = xs.cols();
  if (r >= 2 && c >= 2) {
    // A grid: the median distance between neighbours along its rows and
    // columns, which is the grid step of a regular grid.
    std::vector<double> d;
    const auto take = [&](Eigen::Index i0, Eigen::Index j0, Eigen::Index i1, Eigen::Index j1) {
      const double h = std::hypot(xs(i1, j1) - xs(i0, j0), ys(i1, j1) - ys(i0, j0));
      if (std::isfinite(h) && h > 0) d.push_back(h);
    };
    for (Eigen::Index j = 0; j < c; ++j)
      for (Eigen::Index i = 0; i + 1 < r; ++i) take(i, j, i + 1, j);
    for (Eigen::Index i = 0; i < r; ++i)
      for (Eigen::Index j = 0; j + 1 < c; ++j) take(i, j, i, j + 1);
    return median(std::move(d));
  }
  // Scattered nodes: the side of the square each has in the bounding box,
  // or for nodes on a line the distance between them when evenly spread.
  Extent e;
  std::size_t n = 0;
  for (Eigen::Index k = 0; k < xs.size(); ++k) {
    if (std::isfinite(xs.data()[k]) && std::isfinite(ys.data()[k])) {
      e.add(xs.data()[k], ys.data()[k]);
      ++n;
    }
  }
  if (n < 2) return 0;
  const double w = e.box[1] - e.box[0], h = e.box[3] - e.box[2];
  const double s = w > 0 && h > 0 ? std::sqrt(w * h / static_cast<double>(n))
                                  : std::max(w, h) / static_cast<double>(n - 1);
  return std::isfinite(s) ? s : 0;
}

double Quiver::scaleFactor() const {
  if (!autoScale || !consistent()) return 1;
  double longest = 0;
  for (Eigen::Index k = 0; k < udata.size(); ++k) {
    const double len = std::hypot(udata.data()[k], vdata.data()[k]);
    if (std::isfinite(len)) longest = std::max(longest, len);
  }
  const double spacing = nodeSpacing();
  if (!(longest > 0) || !(spacing > 0)) return 1;
  const double f = autoScaleFactor * spacing / longest;
  return std::isfinite(f) && f > 0 ? f : 1;
}

std::vector<Quiver::Arrow> Quiver::arrows() const {
  std::vector<Arrow> out;
  Mat xs, ys;
  if (!consistent() || !nodes(xdata, ydata, udata, xs, ys)) return out;
  const double s = scaleFactor();
  out.reserve(static_cast<std::size_t>(udata.size()));
  for (Eigen::Index j = 0; j < udata.cols(); ++j) {
    for (Eigen::Index i = 0; i < udata.rows(); ++i) {
      const Arrow a{xs(i, j), ys(i, j), s * udata(i, j), s * vdata(i, j)};
      if (std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.u) && std::isfinite(a.v))
        out.push_back(a);
    }
  }
  return out;
}

void Quiver::addExtent(Extent& e) const {
  for (const Arrow& a : arrows()) {
    e.add(a.x, a.y);
    e.add(a.x + a.u, a.y + a.v);
  }
}

bool Quiver::getOwn(std::string_view prop, Value& out) const {
  return read(kQuiverProperties, *this, prop, out);
}

bool Quiver::setOwn(std::string_view prop, const Value& v) {
  return write(kQuiverProperties, *this, prop, v);
}

void Quiver::ownPropertyNames(std::vector<std::string>& out) const {
  appendNames(kQuiverProperties, out);
}

Quiver& Axes::quiver(const Mat& x, const Mat& y, const Mat& u, const Mat& v, double scale,
                     std::string_view style, const ValueList& props) {
  // Checked and built before the axes change, as plot does.
  if (u.rows() != v.rows() || u.cols() != v.cols())
    throw RuntimeError("quiver: U and V must be the same size.");
  Mat xs, ys;
  if (!nodes(x, y, u, xs, ys)) {
    throw RuntimeError(
        "quiver: X and Y must be the size of U and V, or vectors as long as U has columns (X) "
        "and rows (Y).");
  }
  if (!std::isfinite(scale) || scale < 0)
    throw RuntimeError("quiver: the scale must be a number of at least 0, not " + num2str(scale) +
                       ".");
  const LineSpec parsed = parseLineSpec(style);
  if (parsed.marker) {
    throw RuntimeError("quiver: the style \"" + std::string(style) +
                       "\" has a marker; give a colour and a line style only.");
  }
  auto q = std::make_unique<Quiver>();
  q->xdata = x;
  q->ydata = y;
  q->udata = u;
  q->vdata = v;
  q->autoScale = scale > 0;
  if (scale > 0) q->autoScaleFactor = 0.9 * scale;
  if (parsed.lineStyle) q->lineStyle = *parsed.lineStyle;
  if (parsed.color) q->color = *parsed.color;
  applyProps(*q, props);
  newPlot();
  if (!parsed.color && !hasProperty(props, "Color")) q->color = nextColor();
  return add(std::move(q));
}

}  // namespace varnok::graphics
