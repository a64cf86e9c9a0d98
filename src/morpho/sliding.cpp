#include "morpho/sliding.hpp"

#include <Eigen/Cholesky>
#include <Eigen/LU>
#include <algorithm>
#include <cmath>

#include "morpho/tps.hpp"
#include "platform/matrix/parallel.hpp"

namespace varnok::morpho {

using Eigen::Index;

namespace {

// Below this ratio of the smallest to the largest pivot the moves are not
// determined by the bending energy (for example every point of a regular
// outline sliding: a small rotation moves each along its tangent at no cost).
constexpr double kPivotRatio = 1e-12;

struct Tangents {
  Eigen::VectorXd ux, uy;
};

// The unit tangent of every slider in the specimen as given; the failing
// slider when one has no direction.
std::optional<Index> tangents(const Eigen::Ref<const RowVec>& row,
                              const std::vector<Slider>& sliders, Tangents& t) {
  const Index S = static_cast<Index>(sliders.size());
  t.ux.resize(S);
  t.uy.resize(S);
  for (Index s = 0; s < S; ++s) {
    const Slider& k = sliders[static_cast<std::size_t>(s)];
    const double dx = row(2 * k.after) - row(2 * k.before);
    const double dy = row(2 * k.after + 1) - row(2 * k.before + 1);
    const double n = std::hypot(dx, dy);
    if (!(n > 0) || !std::isfinite(n)) return s;
    t.ux(s) = dx / n;
    t.uy(s) = dy / n;
  }
  return std::nullopt;
}

}  // namespace

Mat bendingEnergyOf(const RowVec& form, Index L) {
  // The spline matrix is singular exactly when two points coincide or all
  // lie on one line. Densely sampled outlines make it ill-conditioned
  // without being singular (its condition estimate falls below the machine
  // epsilon at a few hundred points), so those two cases are looked for
  // rather than judged from the factorisation.
  Mat xy(2, L);
  double cx = 0, cy = 0;
  for (Index i = 0; i < L; ++i) {
    xy(0, i) = form(2 * i);
    xy(1, i) = form(2 * i + 1);
    cx += xy(0, i) / static_cast<double>(L);
    cy += xy(1, i) / static_cast<double>(L);
  }
  double sxx = 0, syy = 0, sxy = 0;
  for (Index i = 0; i < L; ++i) {
    const double dx = xy(0, i) - cx, dy = xy(1, i) - cy;
    sxx += dx * dx;
    syy += dy * dy;
    sxy += dx * dy;
    for (Index j = 0; j < i; ++j)
      if (xy(0, i) == xy(0, j) && xy(1, i) == xy(1, j)) return Mat();
  }
  // All on a line: the spread has no second direction.
  if (!(sxx * syy - sxy * sxy > 1e-12 * (sxx + syy) * (sxx + syy))) return Mat();
  const Eigen::MatrixXd spline = gettspl(xy);
  const Eigen::MatrixXd inv = Eigen::PartialPivLU<Eigen::MatrixXd>(spline).inverse();
  Mat be = inv.topLeftCorner(L, L);
  if (!be.allFinite()) return Mat();
  // Symmetric in exact arithmetic; make it so in floating point, so that
  // U'BU is symmetric for the factorisation.
  return (be + be.transpose()) / 2.0;
}

std::optional<Index> slideSpecimen(Eigen::Ref<RowVec> row, const RowVec& reference, const Mat& be,
                                   const std::vector<Slider>& sliders, SlideCriterion criterion) {
  const Index S = static_cast<Index>(sliders.size());
  if (S == 0) return std::nullopt;
  Tangents u;
  if (auto bad = tangents(row, sliders, u)) return bad;
  Eigen::VectorXd t(S);
  if (criterion == SlideCriterion::ProcrustesDistance) {
    for (Index s = 0; s < S; ++s) {
      const Index p = sliders[static_cast<std::size_t>(s)].point;
      t(s) = u.ux(s) * (reference(2 * p) - row(2 * p)) +
             u.uy(s) * (reference(2 * p + 1) - row(2 * p + 1));
    }
  } else {
    const Index L = be.rows();
    Eigen::VectorXd x(L), y(L);
    for (Index i = 0; i < L; ++i) {
      x(i) = row(2 * i);
      y(i) = row(2 * i + 1);
    }
    const Eigen::VectorXd bx = be * x, by = be * y;
    Eigen::MatrixXd a(S, S);
    Eigen::VectorXd g(S);
    for (Index s = 0; s < S; ++s) {
      const Index p = sliders[static_cast<std::size_t>(s)].point;
      g(s) = u.ux(s) * bx(p) + u.uy(s) * by(p);
      for (Index r = 0; r <= s; ++r) {
        const Index q = sliders[static_cast<std::size_t>(r)].point;
        a(s, r) = a(r, s) = be(p, q) * (u.ux(s) * u.ux(r) + u.uy(s) * u.uy(r));
      }
    }
    Eigen::LDLT<Eigen::MatrixXd> ldlt(a);
    const Eigen::VectorXd d = ldlt.vectorD();
    const double largest = d.cwiseAbs().maxCoeff();
    Index weakest = 0;
    for (Index k = 1; k < S; ++k)
      if (d(k) < d(weakest)) weakest = k;
    if (ldlt.info() != Eigen::Success || !(largest > 0) || !(d(weakest) > kPivotRatio * largest)) {
      // Name the slider of the weakest pivot, in the caller's numbering.
      Eigen::VectorXi order =
          Eigen::VectorXi::LinSpaced(static_cast<int>(S), 0, static_cast<int>(S - 1));
      order = ldlt.transpositionsP() * order;
      return static_cast<Index>(order(weakest));
    }
    t = ldlt.solve(-g);
    if (!t.allFinite()) return Index{0};
  }
  for (Index s = 0; s < S; ++s) {
    const Index p = sliders[static_cast<std::size_t>(s)].point;
    row(2 * p) += t(s) * u.ux(s);
    row(2 * p + 1) += t(s) * u.uy(s);
  }
  return std::nullopt;
}

std::optional<SlideFailure> slideAll(Mat& data, const RowVec& reference, const Mat& be,
                                     const std::vector<Slider>& sliders, SlideCriterion criterion,
                                     Progress& progress) {
  const Index N = data.rows();
  if (sliders.empty() || N == 0) return std::nullopt;
  Mat out = data;
  // The work of one specimen, in the units forRowBlocks weighs against its
  // threshold for a second thread: the products with the bending energy and
  // the factorisation dominate.
  const auto S = static_cast<double>(sliders.size());
  const auto L = static_cast<double>(be.rows());
  const double perRow =
      criterion == SlideCriterion::BendingEnergy ? 2 * L * L + S * S * S / 3 + S * S : 4 * S;
  const auto work = static_cast<std::size_t>(std::min(1e15, perRow * static_cast<double>(N)));
  constexpr Index kBlockRows = 8;
  std::vector<std::optional<SlideFailure>> failures(
      static_cast<std::size_t>((N + kBlockRows - 1) / kBlockRows));
  forRowBlocks(N, work, kBlockRows, progress, [&](Index begin, Index end, Index block, int) {
    for (Index i = begin; i < end; ++i) {
      if (auto bad = slideSpecimen(out.row(i), reference, be, sliders, criterion)) {
        failures[static_cast<std::size_t>(block)] = SlideFailure{i, *bad};
        return;
      }
    }
  });
  for (const auto& f : failures)
    if (f) return f;
  data = std::move(out);
  return std::nullopt;
}

std::optional<std::string> slidersProblem(const std::vector<Slider>& sliders, Index L) {
  std::vector<Index> slidOn(static_cast<std::size_t>(std::max<Index>(L, 0)), -1);
  for (std::size_t k = 0; k < sliders.size(); ++k) {
    const Slider& s = sliders[k];
    const std::string name = "Slider " + std::to_string(k + 1);
    for (Index p : {s.before, s.point, s.after})
      if (p < 0 || p >= L)
        return name + " names point " + std::to_string(p + 1) + "; the data have " +
               std::to_string(L) + " points.";
    // A curve end names itself once; two equal neighbours give no tangent.
    if (s.before == s.after)
      return name + " needs two different neighbours of point " + std::to_string(s.point + 1) + ".";
    Index& first = slidOn[static_cast<std::size_t>(s.point)];
    if (first >= 0)
      return "Point " + std::to_string(s.point + 1) + " slides twice (sliders " +
             std::to_string(first + 1) + " and " + std::to_string(k + 1) + ").";
    first = static_cast<Index>(k);
  }
  return std::nullopt;
}

}  // namespace varnok::morpho
