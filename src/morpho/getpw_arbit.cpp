#include "morpho/getpw_arbit.hpp"

#include "morpho/detail.hpp"
#include "morpho/tps.hpp"
#include "morpho/uniform.hpp"
#include "morpho/vertxy.hpp"
#include "platform/matrix/memory.hpp"
#include "platform/matrix/parallel.hpp"

namespace varnok::morpho {

using detail::Index;

namespace {

// The work of both forms: row i's coordinates at coords + i * stride (x1 y1
// ... xL yL), its centroid size at sizes[i * sizeStride]; with withSize the
// size is copied after the scores as their last column.
Mat shapeVariables(const Mat& xref, Index N, Index L, const double* coords, Index stride,
                   const double* sizes, Index sizeStride, bool withSize, Progress& progress) {
  if (L < 3) detail::throwIndexExceeds();
  const Mat refxy = vertxy(xref);
  if (refxy.cols() != L) detail::throwInnerDimensions();
  // The spline's eigen-decomposition grows with the cube of L (minutes for
  // thousands of landmarks) and cannot stop part way.
  const Mat Le = awaitStep(progress, "Principal warps of the reference",
                           [refxy] { return Mat(gettpse(gettspl(refxy))); });
  const Index W = L - 3;  // partial warps

  const Mat V = Le.leftCols(W);               // L by W, the warps' eigenvectors
  const Mat xu = uniformDirections(xref, L);  // 2 by 2L
  const double* xu0 = xu.row(0).data();
  const double* xu1 = xu.row(1).data();
  // The uniform scores project the difference from the reference,
  // xu (x - xref) = xu x - xu xref. The x and y terms are summed apart so the
  // loop runs two lanes wide; the reference's part is summed the same way, so
  // the reference itself scores exactly 0.
  auto uniform = [&](const double* p, double& u0, double& u1) {
    double u0x = 0.0, u0y = 0.0, u1x = 0.0, u1y = 0.0;
    for (Index j = 0; j < L; ++j) {
      u0x += xu0[2 * j] * p[2 * j];
      u0y += xu0[2 * j + 1] * p[2 * j + 1];
      u1x += xu1[2 * j] * p[2 * j];
      u1y += xu1[2 * j + 1] * p[2 * j + 1];
    }
    u0 = u0x + u0y;
    u1 = u1x + u1y;
  };
  const RowVec ref = detail::linear(xref);
  double uRef0, uRef1;
  uniform(ref.data(), uRef0, uRef1);

  Mat out(N, 2 * L - (withSize ? 3 : 4));
  if (N == 0) return out;
  adviseLargeBlock(out.data(), static_cast<std::size_t>(out.size()) * sizeof(double));

  // Rows per block: the split coordinates of a block and their scores stay
  // within a few hundred kilobytes, so the product runs from cache.
  const Index blockRows = std::max<Index>(64, 8192 / L);
  // Per thread, allocated here once: the block's x values stacked over its y
  // values (2B by L), and their scores (2B by W).
  struct Scratch {
    Mat xy, scores;
  };
  Scratch scratch[2];
  for (auto& s : scratch) {
    s.xy.resize(2 * blockRows, L);
    s.scores.resize(2 * blockRows, W);
  }
  progress.start("Partial warps", static_cast<long>(N));
  auto score = [&](Index b, Index e, Index, int part) {
    Scratch& s = scratch[part];
    const Index B = e - b;
    for (Index i = 0; i < B; ++i) {
      const double* p = coords + (b + i) * stride;
      double* qx = s.xy.row(i).data();
      double* qy = s.xy.row(B + i).data();
      for (Index j = 0; j < L; ++j) {
        qx[j] = p[2 * j];
        qy[j] = p[2 * j + 1];
      }
      double u0, u1;
      uniform(p, u0, u1);
      double* q = out.row(b + i).data();
      q[2 * W] = u0 - uRef0;
      q[2 * W + 1] = u1 - uRef1;
      if (withSize) q[2 * W + 2] = sizes[(b + i) * sizeStride];
    }
    if (W == 0) return;
    auto scores = s.scores.topRows(2 * B);
    scores.noalias() = s.xy.topRows(2 * B) * V;
    for (Index i = 0; i < B; ++i) {
      const double* sx = s.scores.row(i).data();
      const double* sy = s.scores.row(B + i).data();
      double* q = out.row(b + i).data();
      for (Index k = 0; k < W; ++k) {
        q[2 * k] = sx[k];
        q[2 * k + 1] = sy[k];
      }
    }
  };
  detail::forRowBlocks(N, static_cast<std::size_t>(N * stride) * sizeof(double), blockRows,
                       progress, score);
  progress.finish();
  return out;
}

}  // namespace

Mat getpw_arbit(const Mat& xref, const Mat& x, Progress& progress) {
  const Index n = x.cols();
  const double* sizes = x.size() > 0 ? x.data() + (n - 1) : nullptr;
  return shapeVariables(xref, x.rows(), (n - 1) / 2, x.data(), n, sizes, n, true, progress);
}

Mat getpw_arbit(const Mat& xref, Eigen::Index N, Eigen::Index L, const double* coords,
                Progress& progress) {
  return shapeVariables(xref, N, L, coords, 2 * L, nullptr, 0, false, progress);
}

}  // namespace varnok::morpho
