#include "platform/graphics/clip_geometry.hpp"

#include <algorithm>
#include <utility>

namespace varnok::graphics {

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

}  // namespace varnok::graphics
