#include "platform/graphics/contour.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>

#include "platform/graphics/properties.hpp"
#include "platform/graphics/ticks.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

using namespace props;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

bool isVector(const Mat& m) {
  return m.rows() == 1 || m.cols() == 1;
}

// Points of a grid are named, not compared by value: a node by its index, a
// crossing by its grid edge and which of the cell's two levels it lies on.
// Two cells sharing an edge so name the same points, and the pieces of one
// band from neighbouring cells join exactly.
using Key = std::uint64_t;

struct PairHash {
  std::size_t operator()(const std::pair<Key, Key>& p) const {
    return std::hash<Key>()(p.first * 0x9E3779B97F4A7C15ull ^ p.second);
  }
};

// Nodes are numbered down the columns, k = i + j * rows, whatever the
// storage order of the matrices.
class GridPoints {
 public:
  explicit GridPoints(const ContourGrid& g) : g_(g), rows_(g.z.rows()) {}

  Eigen::Index index(Eigen::Index i, Eigen::Index j) const { return i + j * rows_; }
  double z(Eigen::Index k) const { return g_.z(k % rows_, k / rows_); }
  double x(Eigen::Index k) const { return g_.x(k % rows_, k / rows_); }
  double y(Eigen::Index k) const { return g_.y(k % rows_, k / rows_); }
  bool usable(Eigen::Index k) const {
    return std::isfinite(z(k)) && std::isfinite(x(k)) && std::isfinite(y(k));
  }

  Key node(Eigen::Index k) {
    const Key key = static_cast<Key>(k) * 8;
    points_.try_emplace(key, Point{x(k), y(k)});
    return key;
  }

  // The point where the value reaches level on the edge between nodes a
  // and b (whose values lie on either side of it); slot tells the cell's
  // two levels apart.
  Key crossing(Eigen::Index a, Eigen::Index b, double level, int slot) {
    const Eigen::Index lo = std::min(a, b), hi = std::max(a, b);
    const int along = hi - lo == 1 ? 0 : 1;  // along a column or a row
    const Key key = static_cast<Key>(lo) * 8 + 1 + static_cast<Key>(along * 2 + slot);
    if (points_.find(key) == points_.end()) {
      // Always from the lower index, so both cells get the same point.
      const double za = z(lo), zb = z(hi);
      const double t = std::clamp((level - za) / (zb - za), 0.0, 1.0);
      const double xa = x(lo), ya = y(lo);
      points_.emplace(key, Point{xa + t * (x(hi) - xa), ya + t * (y(hi) - ya)});
    }
    return key;
  }

  const Point& at(Key k) const { return points_.at(k); }

 private:
  const ContourGrid& g_;
  Eigen::Index rows_;
  std::unordered_map<Key, Point> points_;
};

// The corners of cell (i, j), in order round the cell.
std::array<Eigen::Index, 4> cellCorners(const GridPoints& gp, Eigen::Index i, Eigen::Index j) {
  return {gp.index(i, j), gp.index(i + 1, j), gp.index(i + 1, j + 1), gp.index(i, j + 1)};
}

// Of four same-level crossings round a saddle cell, which pairs the level's
// line joins: it cuts off the two corners on the other side of the level
// from the cell's centre (the mean of its corners). Returns true when the
// corner after the first crossing is cut off, so the pairs are (0, 1) and
// (2, 3); else they are (1, 2) and (3, 0).
bool firstCornerCutOff(bool cornerSide, bool centreSide) {
  return cornerSide != centreSide;
}

double polygonArea(const Ring& r) {
  double a = 0;
  for (std::size_t i = 0; i < r.size(); ++i) {
    const Point& p = r[i];
    const Point& q = r[(i + 1) % r.size()];
    a += p[0] * q[1] - q[0] * p[1];
  }
  return 0.5 * a;
}

// Joins pieces given as closed sequences of point names into the outlines
// of their union: an edge walked both ways lies between two pieces and
// goes; the rest are chained into rings.
std::vector<Ring> mergePieces(const std::vector<std::vector<Key>>& pieces, const GridPoints& gp) {
  std::unordered_map<std::pair<Key, Key>, int, PairHash> edges;
  for (const auto& piece : pieces) {
    for (std::size_t k = 0; k < piece.size(); ++k) {
      const Key a = piece[k], b = piece[(k + 1) % piece.size()];
      if (a == b) continue;
      auto back = edges.find({b, a});
      if (back != edges.end() && back->second > 0) {
        if (--back->second == 0) edges.erase(back);
      } else {
        ++edges[{a, b}];
      }
    }
  }
  std::unordered_multimap<Key, Key> next;
  for (const auto& [e, count] : edges)
    for (int c = 0; c < count; ++c) next.emplace(e.first, e.second);

  std::vector<Ring> rings;
  while (!next.empty()) {
    auto it = next.begin();
    const Key start = it->first;
    Key cur = it->second;
    next.erase(it);
    Ring ring{gp.at(start)};
    while (cur != start) {
      ring.push_back(gp.at(cur));
      auto n = next.find(cur);
      if (n == next.end()) break;  // cannot happen for closed pieces
      cur = n->second;
      next.erase(n);
    }
    // Drop repeated points (crossings that fall on a node).
    Ring clean;
    for (const Point& p : ring)
      if (clean.empty() || p != clean.back()) clean.push_back(p);
    while (clean.size() > 1 && clean.front() == clean.back()) clean.pop_back();
    if (clean.size() >= 3) rings.push_back(std::move(clean));
  }
  return rings;
}

}  // namespace

ContourGrid contourGrid(const Mat& x, const Mat& y, const Mat& z) {
  const Eigen::Index r = z.rows(), c = z.cols();
  if (r < 2 || c < 2) {
    throw RuntimeError("Z must be at least a 2x2 matrix, not " + std::to_string(r) + "x" +
                       std::to_string(c) + ".");
  }
  ContourGrid g;
  g.z = z;
  if (x.size() == 0 && y.size() == 0) {
    g.x.resize(r, c);
    g.y.resize(r, c);
    for (Eigen::Index i = 0; i < r; ++i) {
      for (Eigen::Index j = 0; j < c; ++j) {
        g.x(i, j) = static_cast<double>(j + 1);
        g.y(i, j) = static_cast<double>(i + 1);
      }
    }
  } else if (x.rows() == r && x.cols() == c && y.rows() == r && y.cols() == c) {
    g.x = x;
    g.y = y;
  } else if (isVector(x) && isVector(y) && x.size() == c && y.size() == r) {
    g.x.resize(r, c);
    g.y.resize(r, c);
    for (Eigen::Index i = 0; i < r; ++i) {
      for (Eigen::Index j = 0; j < c; ++j) {
        g.x(i, j) = x.data()[j];
        g.y(i, j) = y.data()[i];
      }
    }
  } else {
    throw RuntimeError(
        "X and Y must be the size of Z, or vectors as long as Z has columns (X) and rows (Y).");
  }
  return g;
}

std::vector<double> niceLevels(double zmin, double zmax, int count) {
  std::vector<double> out;
  if (!std::isfinite(zmin) || !std::isfinite(zmax) || !(zmax > zmin) || count < 1) return out;
  // Values near the ends of the doubles would overflow the range.
  constexpr double kLargest = 1e306;
  zmin = std::max(zmin, -kLargest);
  zmax = std::min(zmax, kLargest);
  const TickStep s = niceStepAtLeast((zmax - zmin) / count);
  const double sv = s.value();
  constexpr double slack = 1e-9;
  if (!(std::abs(zmin / sv) < 1e15) || !(std::abs(zmax / sv) < 1e15)) return {zmin, zmax};
  const auto i0 = static_cast<long long>(std::floor(zmin / sv + slack));
  const auto i1 = static_cast<long long>(std::ceil(zmax / sv - slack));
  for (long long i = i0; i <= i1 && out.size() <= 10000; ++i) out.push_back(s.at(i));
  return out;
}

std::vector<double> niceLevels(const Mat& z, int count) {
  double lo = kInf, hi = -kInf;
  for (Eigen::Index k = 0; k < z.size(); ++k) {
    const double v = z.data()[k];
    if (!std::isfinite(v)) continue;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  return niceLevels(lo, hi, count);
}

std::vector<Ring> bandRings(const ContourGrid& g, double lo, double hi) {
  if (!(lo <= hi) || std::isnan(lo) || std::isnan(hi)) return {};
  GridPoints gp(g);
  const auto state = [&](double v) { return v < lo ? -1 : (v > hi ? 1 : 0); };
  struct Entry {
    Key key;
    bool in;
    int slot;  // 0 the lower level, 1 the upper, -1 a corner
    int corner;
  };
  std::vector<std::vector<Key>> pieces;
  std::vector<Entry> seq;
  for (Eigen::Index j = 0; j + 1 < g.z.cols(); ++j) {
    for (Eigen::Index i = 0; i + 1 < g.z.rows(); ++i) {
      const auto c = cellCorners(gp, i, j);
      if (!gp.usable(c[0]) || !gp.usable(c[1]) || !gp.usable(c[2]) || !gp.usable(c[3])) continue;
      int st[4];
      for (int k = 0; k < 4; ++k) st[k] = state(gp.z(c[static_cast<std::size_t>(k)]));
      if (st[0] == st[1] && st[1] == st[2] && st[2] == st[3]) {
        if (st[0] == 0)
          pieces.push_back({gp.node(c[0]), gp.node(c[1]), gp.node(c[2]), gp.node(c[3])});
        continue;
      }
      // The cell's boundary in order: corners and the crossings of the two
      // levels on each edge.
      seq.clear();
      for (int k = 0; k < 4; ++k) {
        const Eigen::Index a = c[static_cast<std::size_t>(k)],
                           b = c[static_cast<std::size_t>((k + 1) % 4)];
        const int sa = st[k], sb = st[(k + 1) % 4];
        seq.push_back({gp.node(a), sa == 0, -1, k});
        if (sa < sb) {
          if (sa == -1) seq.push_back({gp.crossing(a, b, lo, 0), true, 0, -1});
          if (sb == 1) seq.push_back({gp.crossing(a, b, hi, 1), true, 1, -1});
        } else if (sa > sb) {
          if (sa == 1) seq.push_back({gp.crossing(a, b, hi, 1), true, 1, -1});
          if (sb == -1) seq.push_back({gp.crossing(a, b, lo, 0), true, 0, -1});
        }
      }
      const std::size_t n = seq.size();
      // Each crossing is joined through the cell to another of its level.
      std::vector<std::size_t> partner(n, n);
      const double centre = 0.25 * (gp.z(c[0]) + gp.z(c[1]) + gp.z(c[2]) + gp.z(c[3]));
      for (int slot = 0; slot < 2; ++slot) {
        std::vector<std::size_t> at;
        for (std::size_t k = 0; k < n; ++k)
          if (seq[k].slot == slot) at.push_back(k);
        if (at.size() == 2) {
          partner[at[0]] = at[1];
          partner[at[1]] = at[0];
        } else if (at.size() == 4) {
          const auto side = [&](double v) { return slot == 0 ? v >= lo : v > hi; };
          int corner = -1;
          for (std::size_t k = at[0] + 1; k < at[1]; ++k)
            if (seq[k].corner >= 0) corner = seq[k].corner;
          const bool cut =
              corner >= 0 &&
              firstCornerCutOff(side(gp.z(c[static_cast<std::size_t>(corner)])), side(centre));
          const std::array<std::size_t, 4> p =
              cut ? std::array<std::size_t, 4>{at[0], at[1], at[2], at[3]}
                  : std::array<std::size_t, 4>{at[1], at[2], at[3], at[0]};
          partner[p[0]] = p[1];
          partner[p[1]] = p[0];
          partner[p[2]] = p[3];
          partner[p[3]] = p[2];
        }
      }
      // The stretches of the boundary inside the band, each from a crossing
      // into the band to a crossing out of it.
      std::size_t out = n;
      for (std::size_t k = 0; k < n; ++k)
        if (!seq[k].in) out = k;
      if (out == n) continue;  // cannot happen: a crossing means a corner outside
      std::vector<std::vector<std::size_t>> arcs;
      std::vector<std::size_t> arcStartingAt(n, n);
      for (std::size_t s = 1; s <= n; ++s) {
        const std::size_t k = (out + s) % n;
        if (!seq[k].in) continue;
        if (!seq[(k + n - 1) % n].in) {
          arcStartingAt[k] = arcs.size();
          arcs.emplace_back();
        }
        arcs.back().push_back(k);
      }
      std::vector<bool> used(arcs.size(), false);
      for (std::size_t a = 0; a < arcs.size(); ++a) {
        if (used[a]) continue;
        std::vector<Key> piece;
        std::size_t cur = a;
        for (std::size_t guard = 0; guard <= arcs.size(); ++guard) {
          used[cur] = true;
          for (std::size_t k : arcs[cur]) piece.push_back(seq[k].key);
          const std::size_t p = partner[arcs[cur].back()];
          const std::size_t nextArc = p < n ? arcStartingAt[p] : arcs.size();
          if (nextArc >= arcs.size() || nextArc == a || used[nextArc]) break;
          cur = nextArc;
        }
        // Corners lying exactly on a level give pieces without area.
        Ring pts;
        for (Key k : piece) pts.push_back(gp.at(k));
        const double cellSize = std::abs(polygonArea({gp.at(gp.node(c[0])), gp.at(gp.node(c[1])),
                                                      gp.at(gp.node(c[2])), gp.at(gp.node(c[3]))}));
        if (std::abs(polygonArea(pts)) > 1e-12 * cellSize) pieces.push_back(std::move(piece));
      }
    }
  }
  return mergePieces(pieces, gp);
}

std::vector<ContourLine> contourLines(const ContourGrid& g, const std::vector<double>& levels) {
  std::vector<ContourLine> out;
  for (double level : levels) {
    if (!std::isfinite(level)) continue;
    GridPoints gp(g);
    std::vector<std::pair<Key, Key>> segments;
    for (Eigen::Index j = 0; j + 1 < g.z.cols(); ++j) {
      for (Eigen::Index i = 0; i + 1 < g.z.rows(); ++i) {
        const auto c = cellCorners(gp, i, j);
        if (!gp.usable(c[0]) || !gp.usable(c[1]) || !gp.usable(c[2]) || !gp.usable(c[3])) continue;
        bool up[4];
        for (int k = 0; k < 4; ++k) up[k] = gp.z(c[static_cast<std::size_t>(k)]) >= level;
        std::vector<std::pair<Key, int>> cross;  // the crossing and its edge
        for (int k = 0; k < 4; ++k) {
          if (up[k] != up[(k + 1) % 4]) {
            cross.emplace_back(gp.crossing(c[static_cast<std::size_t>(k)],
                                           c[static_cast<std::size_t>((k + 1) % 4)], level, 0),
                               k);
          }
        }
        if (cross.size() == 2) {
          segments.emplace_back(cross[0].first, cross[1].first);
        } else if (cross.size() == 4) {
          const double centre = 0.25 * (gp.z(c[0]) + gp.z(c[1]) + gp.z(c[2]) + gp.z(c[3]));
          // The corner after the first crossing's edge.
          const int corner = (cross[0].second + 1) % 4;
          if (firstCornerCutOff(up[corner], centre >= level)) {
            segments.emplace_back(cross[0].first, cross[1].first);
            segments.emplace_back(cross[2].first, cross[3].first);
          } else {
            segments.emplace_back(cross[1].first, cross[2].first);
            segments.emplace_back(cross[3].first, cross[0].first);
          }
        }
      }
    }
    // Chain the segments: open lines from their ends first, then loops.
    std::unordered_multimap<Key, std::size_t> touching;
    for (std::size_t s = 0; s < segments.size(); ++s) {
      touching.emplace(segments[s].first, s);
      touching.emplace(segments[s].second, s);
    }
    std::vector<bool> used(segments.size(), false);
    const auto follow = [&](Key start, std::size_t first) {
      ContourLine line;
      line.level = level;
      line.points.push_back(gp.at(start));
      Key cur = start;
      std::size_t seg = first;
      while (true) {
        used[seg] = true;
        cur = segments[seg].first == cur ? segments[seg].second : segments[seg].first;
        if (cur == start) {
          line.closed = true;
          break;
        }
        line.points.push_back(gp.at(cur));
        std::size_t nextSeg = segments.size();
        auto range = touching.equal_range(cur);
        for (auto it = range.first; it != range.second; ++it)
          if (!used[it->second]) nextSeg = it->second;
        if (nextSeg == segments.size()) break;
        seg = nextSeg;
      }
      out.push_back(std::move(line));
    };
    for (std::size_t s = 0; s < segments.size(); ++s) {
      if (used[s]) continue;
      for (Key end : {segments[s].first, segments[s].second}) {
        if (touching.count(end) == 1) {
          follow(end, s);
          break;
        }
      }
    }
    for (std::size_t s = 0; s < segments.size(); ++s)
      if (!used[s]) follow(segments[s].first, s);
  }
  return out;
}

Mat contourMatrix(const std::vector<ContourLine>& lines) {
  Eigen::Index cols = 0;
  for (const auto& l : lines)
    cols += 1 + static_cast<Eigen::Index>(l.points.size()) + (l.closed ? 1 : 0);
  Mat c(2, cols);
  Eigen::Index k = 0;
  for (const auto& l : lines) {
    const std::size_t n = l.points.size() + (l.closed ? 1 : 0);
    c(0, k) = l.level;
    c(1, k) = static_cast<double>(n);
    ++k;
    for (std::size_t i = 0; i < n; ++i, ++k) {
      const Point& p = l.points[i % l.points.size()];
      c(0, k) = p[0];
      c(1, k) = p[1];
    }
  }
  return c;
}

std::optional<std::vector<double>> levelsFromArgument(const Mat& levels, const Mat& z) {
  if (levels.size() == 0) return std::nullopt;
  if (levels.size() == 1) {
    const double n = levels(0, 0);
    if (!(n >= 1 && n <= 1000 && n == std::floor(n))) {
      throw RuntimeError(
          "The number of contour levels must be a whole number from 1 to 1000, not " + num2str(n) +
          ".");
    }
    return niceLevels(z, static_cast<int>(n));
  }
  std::vector<double> v;
  for (Eigen::Index k = 0; k < levels.size(); ++k)
    if (std::isfinite(levels.data()[k])) v.push_back(levels.data()[k]);
  if (v.empty()) throw RuntimeError("The contour levels must hold at least one finite number.");
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

ContoursResult contours(const Mat& x, const Mat& y, const Mat& z, const Mat& levels) {
  ContoursResult r;
  try {
    const ContourGrid g = contourGrid(x, y, z);
    const auto given = levelsFromArgument(levels, z);
    r.C = contourMatrix(contourLines(g, given ? *given : niceLevels(z)));
  } catch (const RuntimeError& e) {
    r.C = Mat();
    r.msg = e.what();
  }
  return r;
}

Rgb viridis(double t) {
  // A sixth-degree polynomial fit to the viridis map (van der Walt and
  // Smith, 2015), sampled once into a 256-entry table.
  static const std::array<Rgb, 256> table = [] {
    constexpr double c[7][3] = {{0.2777273272234177, 0.005407344544966578, 0.3340998053353061},
                                {0.1050930431085774, 1.404613529898575, 1.384590162594685},
                                {-0.3308618287255563, 0.214847559468213, 0.09509516302823659},
                                {-4.634230498983486, -5.799100973351585, -19.33244095627987},
                                {6.228269936347081, 14.17993336680509, 56.69055260068105},
                                {4.776384997670288, -13.74514537774601, -65.35303263337234},
                                {-5.435455855934631, 4.645852612178535, 26.3124352495832}};
    std::array<Rgb, 256> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
      const double s = static_cast<double>(i) / 255.0;
      double v[3];
      for (int k = 0; k < 3; ++k) {
        double acc = c[6][k];
        for (int d = 5; d >= 0; --d) acc = acc * s + c[d][k];
        v[k] = std::clamp(acc, 0.0, 1.0);
      }
      out[i] = {v[0], v[1], v[2]};
    }
    return out;
  }();
  if (std::isnan(t)) t = 0;
  const double u = std::clamp(t, 0.0, 1.0);
  return table[static_cast<std::size_t>(std::lround(u * 255.0))];
}

Rgb diverging(double t) {
  // Blue to a light grey to red, straight in RGB between the three (after
  // Moreland's cool-warm ends); the grey keeps "no change" visible on white.
  constexpr Rgb lo{0.230, 0.299, 0.754}, mid{0.92, 0.92, 0.92}, hi{0.706, 0.016, 0.150};
  if (std::isnan(t)) t = 0.5;
  const double u = std::clamp(t, 0.0, 1.0);
  const auto mix = [](Rgb a, Rgb b, double s) {
    return Rgb{a.r + (b.r - a.r) * s, a.g + (b.g - a.g) * s, a.b + (b.b - a.b) * s};
  };
  return u < 0.5 ? mix(lo, mid, 2 * u) : mix(mid, hi, 2 * u - 1);
}

}  // namespace varnok::graphics
