#include "session/state.hpp"

#include <cmath>

namespace varnok::session {

std::optional<Eigen::Index> axisColumn(double numPCA, double t, Eigen::Index columns) {
  const double c = numPCA - t;  // 1-based
  if (!(c >= 1 && c <= static_cast<double>(columns) && c == std::floor(c))) return std::nullopt;
  return static_cast<Eigen::Index>(c) - 1;
}

const std::vector<std::string>& defaultColorList() {
  static const std::vector<std::string> list = {"ko", "bx", "rp", "ms", "c+", "g*", "y>", "k<",
                                                "bo", "rs", "mp", "co", "g^", "kx", "bp", "rs",
                                                "m+", "c*", "g>", "y<", "kp", "bs", "rx", "yh"};
  return list;
}

}  // namespace varnok::session
