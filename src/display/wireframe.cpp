#include "display/wireframe.hpp"

#include <algorithm>
#include <set>

namespace varnok::display {

using Eigen::Index;

bool Wireframe::hasSliding() const {
  return std::find(sliding.begin(), sliding.end(), true) != sliding.end();
}

namespace {

// The curves of a TPS file's points and which of their points slide: an open
// curve's inner points (its ends too when they slide), every point of a
// closed outline of three or more points.
void addTpsCurves(const session::Session& session, Index L, Wireframe& w) {
  for (const session::CurveSpan& c : session.curves) {
    if (c.first < 0 || c.points < 1 || c.first + c.points > L) return;
    Wireframe::Curve curve;
    curve.closed = c.closed && c.points >= 3;
    for (long long k = 0; k < c.points; ++k) {
      const Index p = static_cast<Index>(c.first + k);
      curve.points.push_back(p);
      const bool end = k == 0 || k + 1 == c.points;
      if (c.closed ? c.points >= 3 : (!end || session.sliding.slideCurveEnds))
        w.sliding[static_cast<std::size_t>(p)] = true;
    }
    if (curve.points.size() >= 2) w.curves.push_back(std::move(curve));
  }
}

// A sliders file names each sliding point with its two neighbours: the
// curves are the segments between them, each drawn once.
void addSliderSegments(const Mat& rows, Index L, Wireframe& w) {
  std::set<std::pair<Index, Index>> seen;
  for (Index i = 0; i < rows.rows(); ++i) {
    Index n[3];
    for (Index k = 0; k < 3; ++k) {
      const double v = rows(i, k);
      if (!(v >= 1 && v <= static_cast<double>(L))) return;
      n[k] = static_cast<Index>(v) - 1;
    }
    w.sliding[static_cast<std::size_t>(n[1])] = true;
    for (const auto& [a, b] : {std::pair{n[0], n[1]}, std::pair{n[1], n[2]}}) {
      if (!seen.insert({std::min(a, b), std::max(a, b)}).second) continue;
      w.curves.push_back({{a, b}, false});
    }
  }
}

}  // namespace

Wireframe studyWireframe(const session::Session& session, Index L) {
  Wireframe w;
  if (L < 1) return w;
  if (session.linksLandmarks == static_cast<long long>(L))
    for (const auto& link : session.links)
      if (link.from >= 0 && link.to >= 0 && link.from < L && link.to < L)
        w.links.emplace_back(static_cast<Index>(link.from), static_cast<Index>(link.to));
  w.sliding.assign(static_cast<std::size_t>(L), false);
  if (session.sliderRows.size() > 0 && session.sliderRows.cols() == 3)
    addSliderSegments(session.sliderRows, L, w);
  else
    addTpsCurves(session, L, w);
  if (!w.hasSliding()) w.sliding.clear();
  return w;
}

void drawWireframe(graphics::Axes& ax, const Mat& xy, const Wireframe& wire, graphics::Rgb color,
                   double lineWidth) {
  if (wire.empty() || xy.rows() != 2) return;
  ax.hold(true);
  auto line = [&](std::vector<double> x, std::vector<double> y, const char* tag) {
    graphics::Line& l = ax.plot(x, y, "-");
    l.color = color;
    l.lineWidth = lineWidth;
    l.tag = tag;
  };
  for (const auto& [a, b] : wire.links)
    if (a < xy.cols() && b < xy.cols()) line({xy(0, a), xy(0, b)}, {xy(1, a), xy(1, b)}, kLinkTag);
  for (const Wireframe::Curve& c : wire.curves) {
    std::vector<double> x, y;
    for (Index p : c.points) {
      if (p >= xy.cols()) return;
      x.push_back(xy(0, p));
      y.push_back(xy(1, p));
    }
    if (c.closed) {
      x.push_back(x.front());
      y.push_back(y.front());
    }
    line(std::move(x), std::move(y), kCurveTag);
  }
}

Mat pointsOfRow(const RowVec& row) {
  const Index L = (row.size() - 1) / 2;
  Mat xy(2, L);
  for (Index k = 0; k < L; ++k) {
    xy(0, k) = row(2 * k);
    xy(1, k) = row(2 * k + 1);
  }
  return xy;
}

Mat pointColumns(const Mat& x, const std::vector<bool>& sliding, bool keepSliding) {
  const Index L = (x.cols() - 1) / 2;
  std::vector<Index> keep;
  for (Index k = 0; k < L; ++k)
    if ((static_cast<std::size_t>(k) < sliding.size() && sliding[static_cast<std::size_t>(k)]) ==
        keepSliding)
      keep.push_back(k);
  Mat out(x.rows(), 2 * static_cast<Index>(keep.size()) + 1);
  for (std::size_t j = 0; j < keep.size(); ++j) {
    const auto c = static_cast<Index>(j);
    out.col(2 * c) = x.col(2 * keep[j]);
    out.col(2 * c + 1) = x.col(2 * keep[j] + 1);
  }
  out.col(out.cols() - 1) = x.col(x.cols() - 1);
  return out;
}

}  // namespace varnok::display
