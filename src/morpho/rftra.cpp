#include "morpho/rftra.hpp"

#include <cmath>
#include <vector>

#include "morpho/detail.hpp"

namespace varnok::morpho {

using detail::Index;

ResistantFit rftraFit(const Mat& dataIn, const Mat& targetIn) {
  const RowVec data = detail::linear(dataIn);
  const RowVec target = detail::linear(targetIn);
  const Index n = dataIn.cols();
  const Index L = (n - 1) / 2;
  if (n < 1 || data.size() < n || target.size() < 2 * L) detail::throwIndexExceeds();
  auto dx = [&](Index i) { return data(2 * i); };
  auto dy = [&](Index i) { return data(2 * i + 1); };
  auto tx = [&](Index i) { return target(2 * i); };
  auto ty = [&](Index i) { return target(2 * i + 1); };

  ResistantFit fit;
  std::vector<double> pair(L > 0 ? L - 1 : 0), sm(L);
  const Index npair = static_cast<Index>(pair.size());

  // Scale: target distance over data distance, per pair.
  for (Index i = 0; i < L; ++i) {
    Index k = 0;
    for (Index j = 0; j < L; ++j) {
      if (j == i) continue;
      const double ddx = dx(i) - dx(j), ddy = dy(i) - dy(j);
      const double dtx = tx(i) - tx(j), dty = ty(i) - ty(j);
      const double dd = ddx * ddx + ddy * ddy, dt = dtx * dtx + dty * dty;
      pair[k++] = std::pow(dd / dt, -0.5);
    }
    sm[i] = detail::medianInPlace(pair.data(), npair);
  }
  fit.scale = detail::medianInPlace(sm.data(), L);

  // Rotation: angle of segment j -> i in data minus its angle in target.
  for (Index i = 0; i < L; ++i) {
    Index k = 0;
    for (Index j = 0; j < L; ++j) {
      if (j == i) continue;
      pair[k++] =
          std::atan2(dy(i) - dy(j), dx(i) - dx(j)) - std::atan2(ty(i) - ty(j), tx(i) - tx(j));
    }
    sm[i] = detail::medianInPlace(pair.data(), npair);
  }
  fit.rotangle = detail::medianInPlace(sm.data(), L);

  fit.T3 = fit.scale * std::cos(fit.rotangle);
  fit.T4 = -fit.scale * std::sin(fit.rotangle);

  std::vector<double> s1(L), s2(L);
  for (Index i = 0; i < L; ++i) {
    s1[i] = tx(i) - fit.T3 * dx(i) + fit.T4 * dy(i);
    s2[i] = ty(i) - fit.T4 * dx(i) - fit.T3 * dy(i);
  }
  fit.T1 = detail::medianInPlace(s1.data(), L);
  fit.T2 = detail::medianInPlace(s2.data(), L);

  fit.y = RowVec::Zero(n);
  for (Index i = 0; i < L; ++i) {
    fit.y(2 * i) = dx(i) * fit.T3 - fit.T4 * dy(i) + fit.T1;
    fit.y(2 * i + 1) = dx(i) * fit.T4 + fit.T3 * dy(i) + fit.T2;
  }
  fit.y(n - 1) = data(n - 1);
  return fit;
}

RowVec rftra(const Mat& data, const Mat& target, Console* console) {
  ResistantFit fit = rftraFit(data, target);
  if (console != nullptr) {
    console->display("scale", fit.scale);
    Mat t(1, 4);
    t << fit.T1, fit.T2, fit.T3, fit.T4;
    console->display("ans", t);
  }
  return std::move(fit.y);
}

}  // namespace varnok::morpho
