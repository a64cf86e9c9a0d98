#include "morpho/checkpcaRoot.hpp"

#include <cmath>

namespace varnok::morpho {

double checkpcaRoot(double L1, double L2, double n) {
  const double s = L1 + L2;
  return n * std::log(s * s / (4.0 * L1 * L2));
}

}  // namespace varnok::morpho
