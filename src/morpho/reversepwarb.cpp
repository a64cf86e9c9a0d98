#include "morpho/reversepwarb.hpp"

#include "morpho/detail.hpp"
#include "morpho/eigsort.hpp"
#include "morpho/tps.hpp"
#include "morpho/uniform.hpp"
#include "morpho/vertxy.hpp"

namespace varnok::morpho {

using detail::Index;

RowVec reversepwarb(const Mat& reference, const Mat& pw, Console* console) {
  const RowVec ref = detail::linear(reference);
  const Index n = ref.size();
  const Index L = (n - 1) / 2;
  if (L < 3) detail::throwIndexExceeds();

  const Mat b1 = UniArbitrary(reference);
  if (console != nullptr) {
    Mat xm(1, 2 * L + 1);
    for (int k = 0; k < 2; ++k) {
      xm.leftCols(2 * L) = b1.row(k);
      xm(0, 2 * L) = 0.0;
      console->display(k == 0 ? "xm1" : "xm2", xm);
    }
  }

  const Mat Lmat = gettspl(vertxy(reference));
  const BendingEigen e = bendingEigen(bendingEnergy(Lmat));
  const Mat D = e.d.asDiagonal();
  const EigSorted sorted = eigsort(e.V, D);
  const Mat& V = sorted.VR;
  const Index nv = V.cols();

  const Index S = pw.size() - 1;  // shape variables; the trailing value is ignored
  if (S != 2 * (nv - 3) + 2) detail::throwInnerDimensions();
  const RowVec s = detail::linear(pw);

  RowVec out = ref;
  for (Index i = 0; i < nv - 3; ++i) {
    const double sx = s(2 * i), sy = s(2 * i + 1);
    for (Index j = 0; j < L; ++j) {
      out(2 * j) += sx * V(j, i);
      out(2 * j + 1) += sy * V(j, i);
    }
  }
  for (int k = 0; k < 2; ++k) {
    const double u = s(2 * (nv - 3) + k);
    for (Index m = 0; m < 2 * L; ++m) out(m) += u * b1(k, m);
  }
  return out;
}

}  // namespace varnok::morpho
