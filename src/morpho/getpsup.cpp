#include "morpho/getpsup.hpp"

#include <algorithm>
#include <string_view>
#include <utility>

#include "morpho/detail.hpp"
#include "platform/matrix/memory.hpp"

namespace varnok::morpho {

using detail::Index;

namespace {

// Fits the rows of x into out, which may be x itself. Each row is first copied
// to a small per-thread buffer, so writing in place never reads a value
// already overwritten and the loops need no aliasing checks.
void fitRows(const Mat& x, Mat& out, const Mat& xref, Progress& progress) {
  const Index N = x.rows(), M = x.cols();
  if (N == 0 || M == 0) return;
  if (M % 2 == 0) detail::throwDimensionsAgree();
  if (xref.size() < M - 1) detail::throwIndexExceeds();
  const Index L = (M - 1) / 2;
  RowVec ref = detail::linear(xref);
  // The angles do not depend on the reference's scale: one far from 1 is
  // brought near it, exactly (by a power of two), so that its products with
  // the coordinates neither overflow nor underflow.
  const double g = detail::unitScale(ref.data(), 2 * L);
  if (g < 0x1p-500 || g > 0x1p500) ref.head(2 * L) *= g;
  const double* r = ref.data();
  RowVec buffer[2] = {RowVec(M), RowVec(M)};

  progress.start("Procrustes fit", static_cast<long>(N));
  auto fit = [&](Index b, Index e, Index, int part) {
    double* p = buffer[part].data();
    for (Index i = b; i < e; ++i) {
      std::copy_n(x.row(i).data(), M, p);
      double* q = out.row(i).data();
      // Centring, scaling and rotation in one step: q = R (p - c) / size.
      const detail::RowFit f = detail::rowFit(p, r, L);
      detail::applyRowFit(p, q, f, L, M);
    }
  };
  detail::forRowBlocks(N, static_cast<std::size_t>(x.size()) * sizeof(double), 4096, progress, fit);
  progress.finish();
}

}  // namespace

Mat getpsup(const Mat& x, const Mat& xref, Progress& progress) {
  Mat out(x.rows(), x.cols());
  adviseLargeBlock(out.data(), static_cast<std::size_t>(out.size()) * sizeof(double));
  fitRows(x, out, xref, progress);
  return out;
}

namespace {

// Passes on the reports of a progress but never asks to stop.
class Uncancellable : public Progress {
 public:
  explicit Uncancellable(Progress& p) : p_(p) {}
  void start(std::string_view what, long total) override { p_.start(what, total); }
  void advance(long n) override { p_.advance(n); }
  void finish() override { p_.finish(); }

 private:
  Progress& p_;
};

}  // namespace

Mat getpsup(Mat&& x, const Mat& xref, Progress& progress) {
  // Rows fitted in place cannot be given back, so a cancel is honoured only
  // before the first row is touched; after that the fit runs to its end and
  // the caller's data is never left half fitted. Errors of the arguments are
  // raised before any row changes, and x is moved from only on success.
  if (progress.cancelled()) varnok::throwCancelled();
  Uncancellable reports(progress);
  fitRows(x, x, xref, reports);
  return std::move(x);
}

}  // namespace varnok::morpho
