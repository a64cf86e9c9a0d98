#include "morpho/scpcoeff_arbrot.hpp"

#include "morpho/detail.hpp"
#include "morpho/uniform.hpp"

namespace varnok::morpho {

using detail::Index;

Mat scpcoeff_arbrot(const Mat& Lex, const Mat& xIn, const Mat& xrefIn) {
  const RowVec x = detail::linear(xIn);
  const RowVec xref = detail::linear(xrefIn);
  const Index n = x.size();
  const Index L = (n - 1) / 2;
  const Index nv = Lex.cols() / 2;
  if (Lex.rows() != L || nv < L) detail::throwInnerDimensions();
  if (L < 3) detail::throwIndexExceeds();
  if (xref.size() < n - 1) detail::throwIndexExceeds();

  Mat S(L - 2, 2);
  for (Index k = 0; k < L - 3; ++k) {
    double sx = 0.0, sy = 0.0;
    for (Index j = 0; j < L; ++j) {
      sx += Lex(j, k) * x(2 * j);
      sy += Lex(j, k) * x(2 * j + 1);
    }
    S(k, 0) = sx;
    S(k, 1) = sy;
  }
  const Mat xu = uniformDirections(xref, L);
  for (int k = 0; k < 2; ++k) {
    double u = 0.0;
    for (Index m = 0; m < 2 * L; ++m) u += xu(k, m) * (x(m) - xref(m));
    S(L - 3, k) = u;
  }
  return S;
}

}  // namespace varnok::morpho
