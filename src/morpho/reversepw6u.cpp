#include "morpho/reversepw6u.hpp"

#include "morpho/detail.hpp"
#include "morpho/tps.hpp"
#include "morpho/vertxy.hpp"

namespace varnok::morpho {

using detail::Index;

RowVec reversepw6u(const Mat& reference, const Mat& weight, Console* console) {
  const Mat refxy = vertxy(reference);
  const Index rn = reference.cols();
  const Index pwarps = rn > 0 ? (rn - 1) / 2 : 0;
  if (console != nullptr) console->display("pwarps", static_cast<double>(pwarps));
  if (rn == 0) detail::throwBadSubscript();  // target(rn) with rn = 0
  RowVec target = RowVec::Zero(rn);
  if (pwarps > 0) {
    if (weight.rows() < pwarps + 3 || weight.cols() < 2) detail::throwIndexExceeds();
    const Mat wx = weight.col(0).head(pwarps);
    const Mat wy = weight.col(1).head(pwarps);
    Mat at(2, 1);
    for (Index i = 0; i < pwarps; ++i) {
      const double xn = refxy(0, i), yn = refxy(1, i);
      const double xmap =
          weight(pwarps, 0) + weight(pwarps + 1, 0) * xn + weight(pwarps + 2, 0) * yn;
      const double ymap =
          weight(pwarps, 1) + weight(pwarps + 1, 1) * xn + weight(pwarps + 2, 1) * yn;
      at << xn, yn;
      target(2 * i) = xn + wsspline(refxy, at, wx) + xmap;
      target(2 * i + 1) = yn + wsspline(refxy, at, wy) + ymap;
    }
  }
  target(target.size() - 1) = 1.0;
  return target;
}

}  // namespace varnok::morpho
