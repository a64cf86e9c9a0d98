#include "display/aheadw.hpp"

#include <cmath>
#include <vector>

namespace varnok::display {

void aheadw(graphics::Axes& ax, double x1, double y1, double x2, double y2, double l) {
  const double theta = std::atan2(y2 - y1, x2 - x1);
  ax.hold(true);
  for (double side : {1.0, -1.0}) {
    const double a = theta + side * kArrowHeadHalfAngle;
    ax.plot(std::vector<double>{x2, x2 - l * std::cos(a)},
            std::vector<double>{y2, y2 - l * std::sin(a)}, "k", {"LineWidth", 1.0});
  }
}

}  // namespace varnok::display
