// The rounds of sliding against an independent loop written here from the
// definitions: slide densely, fit each specimen onto the reference by the
// textbook least-squares rotation, stop when the summed squares settle.
#include "analysis/sliding_rounds.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/matrix/runtime_error.hpp"
#include "support/sliding_reference.hpp"

namespace varnok::analysis {
namespace {

using Eigen::Index;
using namespace varnok::testing::sliding;

// Centred, of unit centroid size, rotated onto y.
RowVec fitOnto(const RowVec& x, const RowVec& y, Index L) {
  double cx = 0, cy = 0;
  for (Index i = 0; i < L; ++i) {
    cx += x(2 * i) / static_cast<double>(L);
    cy += x(2 * i + 1) / static_cast<double>(L);
  }
  RowVec p = x;
  double size = 0;
  for (Index i = 0; i < L; ++i) {
    p(2 * i) -= cx;
    p(2 * i + 1) -= cy;
    size += p(2 * i) * p(2 * i) + p(2 * i + 1) * p(2 * i + 1);
  }
  size = std::sqrt(size);
  double cross = 0, dot = 0;
  for (Index i = 0; i < L; ++i) {
    p(2 * i) /= size;
    p(2 * i + 1) /= size;
    cross += p(2 * i) * y(2 * i + 1) - p(2 * i + 1) * y(2 * i);
    dot += p(2 * i) * y(2 * i) + p(2 * i + 1) * y(2 * i + 1);
  }
  const double th = std::atan2(cross, dot), c = std::cos(th), s = std::sin(th);
  RowVec out = x;
  for (Index i = 0; i < L; ++i) {
    out(2 * i) = c * p(2 * i) - s * p(2 * i + 1);
    out(2 * i + 1) = s * p(2 * i) + c * p(2 * i + 1);
  }
  return out;
}

struct Study {
  Mat data;  // raw specimens, N x (2L+1)
  RowVec reference;
  std::vector<morpho::Slider> sliders;
  Index L = 0;
};

Study outlineStudy(Index N) {
  const Outline ref = ellipse(10, 1.0, 0.6, 0.0, 1);
  Study s;
  s.L = ref.L;
  s.sliders = ref.sliders;
  s.reference = fitOnto(RowVec(ref.form), RowVec(ref.form), ref.L);
  s.data.resize(N, 2 * ref.L + 1);
  for (Index i = 0; i < N; ++i) {
    Outline o = ellipse(10, 1.0 + 0.02 * static_cast<double>(i % 5), 0.6, 0.02,
                        static_cast<unsigned>(100 + i));
    // Uneven spacing along the outline, scale and position of a digitiser.
    for (Index k = 0; k < o.L; ++k) {
      const double shift = 0.04 * std::sin(static_cast<double>(k + i));
      const double x = o.form(2 * k), y = o.form(2 * k + 1);
      o.form(2 * k) = 30 * (x + shift * y) + 5;
      o.form(2 * k + 1) = 30 * (y - shift * x) - 2;
    }
    s.data.row(i).head(2 * o.L) = o.form;
    s.data(i, 2 * o.L) = 30.0;
  }
  return s;
}

TEST(SlidingRounds, AgreeWithAnIndependentLoopAndStopWhenSettled) {
  const Study s = outlineStudy(12);
  Mat fitted = s.data;
  for (Index i = 0; i < fitted.rows(); ++i)
    fitted.row(i) = fitOnto(RowVec(s.data.row(i)), s.reference, s.L);

  for (const int rounds : {1, 50}) {
    SlidingRequest request;
    request.sliders = s.sliders;
    request.maxRounds = rounds;
    Console console;
    console.setKeep(true);
    const SlidingOutcome out = slideRounds(fitted, s.reference, request, {}, &console);

    Mat x = fitted;
    double before = fitSumOfSquares(x, s.reference);
    std::vector<double> ss;
    for (int r = 0; r < rounds; ++r) {
      for (Index i = 0; i < x.rows(); ++i) {
        const RowVec slid = independentSlide(RowVec(x.row(i)), s.reference, s.sliders, s.L);
        x.row(i) = fitOnto(slid, s.reference, s.L);
      }
      double after = 0;
      for (Index i = 0; i < x.rows(); ++i)
        after += (x.row(i).head(2 * s.L) - s.reference.head(2 * s.L)).squaredNorm();
      ss.push_back(after);
      if (std::abs(before - after) <= 1e-4 * before) break;
      before = after;
    }
    ASSERT_EQ(out.ss.size(), ss.size()) << rounds;
    for (std::size_t r = 0; r < ss.size(); ++r) EXPECT_NEAR(out.ss[r], ss[r], 1e-10 * ss[r]);
    EXPECT_LT((out.data.leftCols(2 * s.L) - x.leftCols(2 * s.L)).cwiseAbs().maxCoeff(), 1e-9);
    // The centroid sizes are those of the specimens as digitised.
    EXPECT_EQ(out.data.col(2 * s.L), s.data.col(2 * s.L));
    if (rounds == 50) {
      EXPECT_LT(ss.size(), 50u);  // it settles long before
    }
  }
}

TEST(SlidingRounds, ARenewedReferenceIsTheOneTheSpecimensAreFittedOnto) {
  const Study s = outlineStudy(8);
  Mat fitted = s.data;
  for (Index i = 0; i < fitted.rows(); ++i)
    fitted.row(i) = fitOnto(RowVec(s.data.row(i)), s.reference, s.L);
  SlidingRequest request;
  request.sliders = s.sliders;
  request.maxRounds = 3;
  // The mean of the slid specimens, centred and scaled, as a stand-in for
  // the analysis's consensus.
  int calls = 0;
  const RenewReference renew = [&](const Mat& slid) {
    ++calls;
    RowVec mean = slid.colwise().mean();
    return fitOnto(mean, mean, s.L);
  };
  const SlidingOutcome out = slideRounds(fitted, s.reference, request, renew, nullptr);
  EXPECT_EQ(calls, static_cast<int>(out.ss.size()));
  for (Index i = 0; i < out.data.rows(); ++i) {
    const RowVec again = fitOnto(RowVec(out.data.row(i)), out.reference, s.L);
    EXPECT_LT((again - out.data.row(i)).cwiseAbs().maxCoeff(), 1e-12);
  }
  EXPECT_NEAR(out.ss.back(), fitSumOfSquares(out.data, out.reference), 1e-15);
}

TEST(SlidingRounds, UnusableReferencesAndSpecimensAreRefusedByName) {
  Study s = outlineStudy(4);
  SlidingRequest request;
  request.sliders = s.sliders;
  RowVec twice = s.reference;
  twice(2) = twice(0);
  twice(3) = twice(1);
  try {
    slideRounds(s.data, twice, request, {}, nullptr);
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Sliding round 1: the reference has coinciding", 0), 0u)
        << e.what();
  }
  const auto& k = s.sliders[5];
  s.data(2, 2 * k.after) = s.data(2, 2 * k.before);
  s.data(2, 2 * k.after + 1) = s.data(2, 2 * k.before + 1);
  try {
    slideRounds(s.data, s.reference, request, {}, nullptr);
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Sliding round 1: point " + std::to_string(k.point + 1) +
                                              " of specimen 3 cannot slide",
                                          0),
              0u)
        << e.what();
  }
}

}  // namespace
}  // namespace varnok::analysis
