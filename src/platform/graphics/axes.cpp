#include "platform/graphics/axes.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/graphics/figure.hpp"
#include "platform/graphics/properties.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

using namespace props;

namespace {

// The classic colour order of plots drawn without a colour.
constexpr std::array<Rgb, 7> kColorOrder = {{{0, 0, 1},
                                             {0, 0.5, 0},
                                             {1, 0, 0},
                                             {0, 0.75, 0.75},
                                             {0.75, 0, 0.75},
                                             {0.75, 0.75, 0},
                                             {0.25, 0.25, 0.25}}};

bool isVector(const Mat& m) {
  return m.rows() == 1 || m.cols() == 1;
}

std::vector<double> column(const Mat& m, Eigen::Index j) {
  std::vector<double> out(static_cast<std::size_t>(m.rows()));
  for (Eigen::Index i = 0; i < m.rows(); ++i) out[static_cast<std::size_t>(i)] = m(i, j);
  return out;
}

std::vector<double> row(const Mat& m, Eigen::Index i) {
  std::vector<double> out(static_cast<std::size_t>(m.cols()));
  for (Eigen::Index j = 0; j < m.cols(); ++j) out[static_cast<std::size_t>(j)] = m(i, j);
  return out;
}

std::vector<double> flat(const Mat& m) {
  return std::vector<double>(m.data(), m.data() + m.size());
}

// Splits a vector x against a matrix y into series: y's columns when x runs
// along them, else y's rows. Empty when the lengths do not fit.
std::vector<std::vector<double>> seriesAgainst(const Mat& y, Eigen::Index n) {
  std::vector<std::vector<double>> out;
  if (y.rows() == n) {
    for (Eigen::Index j = 0; j < y.cols(); ++j) out.push_back(column(y, j));
  } else if (y.cols() == n) {
    for (Eigen::Index i = 0; i < y.rows(); ++i) out.push_back(row(y, i));
  }
  return out;
}

}  // namespace

Axes::Axes(Figure& fig, Handle h) : fig_(&fig), handle_(h) {}

void Axes::touch() {
  fig_->touch();
}

namespace {

std::vector<std::unique_ptr<Object>>::iterator firstAtOrAfter(
    std::vector<std::unique_ptr<Object>>& v, Handle h) {
  return std::lower_bound(v.begin(), v.end(), h, [](const std::unique_ptr<Object>& o, Handle x) {
    return o->handle() < x;
  });
}

}  // namespace

Object* Axes::find(Handle h) const {
  // Handles are given out in increasing order and children are only ever
  // appended, so the list stays sorted by handle.
  auto it = firstAtOrAfter(children_, h);
  if (it != children_.end() && (*it)->handle() == h) return it->get();
  const std::size_t g = groupOf(h);
  if (g == groups_.size()) return nullptr;
  expandGroup(g);
  it = firstAtOrAfter(children_, h);
  return it->get();
}

std::size_t Axes::groupOf(Handle h) const {
  auto it = std::lower_bound(groups_.begin(), groups_.end(), h,
                             [](const PointGroup& g, Handle x) { return g.last() < x; });
  if (it == groups_.end() || h < it->first || h != std::floor(h)) return groups_.size();
  return static_cast<std::size_t>(it - groups_.begin());
}

void Axes::expandGroup(std::size_t g) const {
  PointGroup& group = groups_[g];
  std::vector<std::unique_ptr<Object>> lines;
  lines.reserve(group.size());
  std::size_t i = 0;
  group.positions.forEach([&](double x, double y) {
    auto line = std::make_unique<Line>(group.styleOf(i));
    line->setData({x}, {y});
    line->handle_ = group.first + static_cast<double>(i++);
    line->parent_ = const_cast<Axes*>(this);
    lines.push_back(std::move(line));
    return true;
  });
  auto at = firstAtOrAfter(children_, group.first);
  children_.insert(at, std::make_move_iterator(lines.begin()),
                   std::make_move_iterator(lines.end()));
  groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(g));
}

const std::vector<std::unique_ptr<Object>>& Axes::children() const {
  while (!groups_.empty()) expandGroup(groups_.size() - 1);
  return children_;
}

std::size_t Axes::childCount() const {
  std::size_t n = children_.size();
  for (const PointGroup& g : groups_) n += g.size();
  return n;
}

std::vector<Object*> Axes::restyleTargets() {
  std::vector<Object*> out;
  out.reserve(children_.size() + groups_.size());
  visit([&](const Object& o) { out.push_back(const_cast<Object*>(&o)); },
        [&](const PointGroup& g) {
          for (const auto& st : g.styles) out.push_back(st.get());
        });
  return out;
}

Handle Axes::plotPoints(std::vector<double> xy, const Line& style) {
  return plotPoints(PointPositions(std::move(xy)), style);
}

Handle Axes::plotPoints(PointPositions positions, const Line& style) {
  const std::size_t n = positions.size();
  auto shared = std::make_unique<Line>(style);
  shared->setData({}, {});
  shared->tag = style.tag;
  newPlot();
  // Each plot of one point without a colour takes the next colour in turn.
  colorIndex_ = static_cast<int>((static_cast<std::size_t>(colorIndex_) + n) % kColorOrder.size());
  if (n == 0) return 0;
  shared->parent_ = this;
  shared->handle_ = 0;
  // Points that follow the last group with nothing made in between join it,
  // sharing its style where they look the same; others start a group.
  PointGroup fresh;
  PointGroup* g = &fresh;
  std::size_t k = 0;
  if (!groups_.empty() && groups_.back().last() == fig_->lastHandle()) {
    PointGroup& last = groups_.back();
    while (k < last.styles.size() && !last.styles[k]->sameLook(*shared)) ++k;
    if (k < 256) {
      g = &last;
    } else {
      k = 0;
    }
  }
  if (k == g->styles.size()) {
    g->styles.push_back(std::move(shared));
    g->extents.emplace_back();
  }
  const Handle first = fig_->allocateHandles(n);
  if (k != 0 && g->styleIndex.empty()) g->styleIndex.assign(g->size(), 0);
  if (!g->styleIndex.empty())
    g->styleIndex.insert(g->styleIndex.end(), n, static_cast<std::uint8_t>(k));
  Extent& extent = g->extents[k];
  positions.forEach([&](double x, double y) {
    extent.add(x, y);
    return true;
  });
  g->positions.append(std::move(positions));
  if (g == &fresh) {
    fresh.first = first;
    groups_.push_back(std::move(fresh));
  }
  touch();
  return first;
}

void Axes::adopt(std::unique_ptr<Object> o) {
  o->handle_ = fig_->allocateHandle();
  o->parent_ = this;
  children_.push_back(std::move(o));
  touch();
}

void Axes::applyProps(Object& o, const ValueList& props) {
  if (props.size() % 2 != 0) throw RuntimeError("Invalid parameter/value pair arguments.");
  for (std::size_t i = 0; i < props.size(); i += 2) {
    if (!props[i].isText()) throw RuntimeError("Invalid parameter/value pair arguments.");
    o.set(props[i].text(), props[i + 1]);
  }
}

Rgb Axes::nextColor() {
  const Rgb c = kColorOrder[static_cast<std::size_t>(colorIndex_) % kColorOrder.size()];
  ++colorIndex_;
  return c;
}

void Axes::newPlot() {
  if (hold_) return;
  children_.clear();
  groups_.clear();
  title_.clear();
  notes_ = {};
  manualX_.reset();
  manualY_.reset();
  equal_ = false;
  colorIndex_ = 0;
  touch();
}

Line& Axes::plot(const std::vector<double>& x, const std::vector<double>& y, std::string_view code,
                 const ValueList& props) {
  if (x.size() != y.size()) throw RuntimeError("Vectors must be the same length.");
  auto lines = plot(Mat(Eigen::Map<const Mat>(x.data(), 1, static_cast<Eigen::Index>(x.size()))),
                    Mat(Eigen::Map<const Mat>(y.data(), 1, static_cast<Eigen::Index>(y.size()))),
                    code, props);
  return *lines.front();
}

std::vector<Line*> Axes::plot(const Mat& x, const Mat& y, std::string_view code,
                              const ValueList& props) {
  // Everything is checked and built before the axes change, so a bad code,
  // size or property leaves the picture as it was.
  const LineSpec style = parseLineSpec(code);
  std::vector<std::pair<std::vector<double>, std::vector<double>>> series;
  if (x.size() == 0 && y.size() == 0) {
    series.emplace_back();
  } else if (isVector(x) && isVector(y)) {
    if (x.size() != y.size()) throw RuntimeError("Vectors must be the same length.");
    series.emplace_back(flat(x), flat(y));
  } else if (isVector(x)) {
    for (auto& ys : seriesAgainst(y, x.size())) series.emplace_back(flat(x), std::move(ys));
    if (series.empty()) throw RuntimeError("Vectors must be the same length.");
  } else if (isVector(y)) {
    for (auto& xs : seriesAgainst(x, y.size())) series.emplace_back(std::move(xs), flat(y));
    if (series.empty()) throw RuntimeError("Vectors must be the same length.");
  } else {
    if (x.rows() != y.rows() || x.cols() != y.cols())
      throw RuntimeError("Matrix dimensions must agree.");
    for (Eigen::Index j = 0; j < x.cols(); ++j) series.emplace_back(column(x, j), column(y, j));
  }

  std::vector<std::unique_ptr<Line>> made;
  for (auto& [xs, ys] : series) {
    auto line = std::make_unique<Line>();
    line->setData(xs, ys);
    if (style.color) line->color = *style.color;
    line->lineStyle = style.lineStyle ? *style.lineStyle : (style.marker ? "none" : "-");
    line->marker = style.marker.value_or(0);
    applyProps(*line, props);
    made.push_back(std::move(line));
  }

  newPlot();
  const bool colorGiven = style.color || hasProperty(props, "Color");
  std::vector<Line*> out;
  for (auto& line : made) {
    if (!colorGiven) line->color = nextColor();
    out.push_back(&add(std::move(line)));
  }
  return out;
}

Text& Axes::text(double x, double y, std::string s, const ValueList& props) {
  auto t = std::make_unique<Text>();
  t->x = x;
  t->y = y;
  t->string = std::move(s);
  applyProps(*t, props);
  return add(std::move(t));
}

Patch& Axes::patch(const std::vector<double>& x, const std::vector<double>& y, ColorSpec face,
                   const ValueList& props) {
  if (x.size() != y.size()) throw RuntimeError("Vectors must be the same length.");
  if (face.mode == ColorSpec::Mode::Auto)
    throw RuntimeError("A patch needs a face colour or \"none\", not \"auto\".");
  auto p = std::make_unique<Patch>();
  p->xdata = x;
  p->ydata = y;
  p->faceColor = face;
  applyProps(*p, props);
  return add(std::move(p));
}

void Axes::cla() {
  children_.clear();
  groups_.clear();
  title_.clear();
  notes_ = {};
  colorIndex_ = 0;
  touch();
}

bool Axes::remove(Handle h) {
  if (const std::size_t g = groupOf(h); g < groups_.size()) expandGroup(g);
  auto it = firstAtOrAfter(children_, h);
  if (it == children_.end() || (*it)->handle() != h) return false;
  children_.erase(it);
  touch();
  return true;
}

void Axes::axisAuto() {
  manualX_.reset();
  manualY_.reset();
  touch();
}

void Axes::axisEqual() {
  equal_ = true;
  touch();
}

void Axes::axisNormal() {
  equal_ = false;
  touch();
}

void Axes::setLimits(const Limits& l) {
  for (double v : l) {
    if (!std::isfinite(v)) {
      throw RuntimeError("Axis limits must be finite numbers: [" + num2str(l[0]) + " " +
                         num2str(l[1]) + " " + num2str(l[2]) + " " + num2str(l[3]) + "].");
    }
  }
  if (!(l[0] < l[1]) || !(l[2] < l[3])) {
    throw RuntimeError("Axis limits must be increasing: [" + num2str(l[0]) + " " + num2str(l[1]) +
                       " " + num2str(l[2]) + " " + num2str(l[3]) + "].");
  }
  manualX_ = std::array<double, 2>{l[0], l[1]};
  manualY_ = std::array<double, 2>{l[2], l[3]};
  touch();
}

}  // namespace varnok::graphics
