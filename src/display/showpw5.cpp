#include "display/showpw5.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <utility>
#include <vector>

#include "display/aheadw.hpp"
#include "display/rotationhandler.hpp"
#include "display/showshape.hpp"
#include "morpho/basereg.hpp"
#include "morpho/meth3sup.hpp"
#include "morpho/reversepw6u.hpp"
#include "morpho/reversepwarb.hpp"
#include "morpho/rftra.hpp"
#include "morpho/tps.hpp"
#include "morpho/vertxy.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "style/symbols.hpp"

namespace varnok::display {

namespace {

using Eigen::Index;
using Pts = std::vector<double>;

// The pairs (1-based) of reference landmarks at the same place.
std::vector<std::pair<Index, Index>> coincidentLandmarks(const Mat& xy) {
  std::vector<std::pair<Index, Index>> out;
  for (Index i = 0; i < xy.cols(); ++i)
    for (Index j = i + 1; j < xy.cols(); ++j)
      if (xy(0, i) == xy(0, j) && xy(1, i) == xy(1, j)) out.emplace_back(i + 1, j + 1);
  return out;
}

std::string pairList(const std::vector<std::pair<Index, Index>>& pairs) {
  std::string s;
  for (size_t k = 0; k < pairs.size(); ++k) {
    if (k > 0) s += k + 1 == pairs.size() ? " and " : ", ";
    s += std::to_string(pairs[k].first) + " and " + std::to_string(pairs[k].second);
  }
  return s;
}

// The reference angle in degrees from RefAngleBox; nullopt when the box is
// missing or its text holds no number.
std::optional<double> refAngleDegrees(window::Window& w) {
  auto boxes = w.findobj("RefAngleBox");
  if (boxes.empty()) return std::nullopt;
  Value s = boxes.front()->get("String");
  Mat m = s.isText() ? str2num(s.text()) : Mat();
  if (m.size() == 0) return std::nullopt;
  return m(0, 0);
}

struct Painter {
  graphics::Axes& ax;
  const DeformationStyle& style;

  void grid(const Mat& xp, const Mat& yp) {
    if (xp.size() == 0) return;
    ax.plot(xp, yp, style.linespec, {"LineWidth", style.lineweight});
    ax.hold(true);
    ax.plot(Mat(xp.transpose()), Mat(yp.transpose()), style.linespec,
            {"LineWidth", style.lineweight});
    ax.hold(true);
  }

  void landmarks(const Mat& refxy) {
    std::vector<double> x(refxy.row(0).begin(), refxy.row(0).end());
    std::vector<double> y(refxy.row(1).begin(), refxy.row(1).end());
    ax.plot(x, y, style.symboltype);
  }

  void vectors(const Mat& from, const Mat& to, const std::string& code) {
    for (Index k = 0; k < from.cols(); ++k) {
      ax.plot(Pts{from(0, k), to(0, k)}, Pts{from(1, k), to(1, k)}, code,
              {"LineWidth", style.lineweight});
      if (style.aheadspec != 0) aheadw(ax, from(0, k), from(1, k), to(0, k), to(1, k), 0.01);
    }
  }

  void origin() {
    ax.plot(Pts{0.0}, Pts{0.0}, "w.");
    ax.hold(true);
  }
};

// Landmark vectors of the grid-and-vectors picture stay black when the grid
// is red, so the two can be told apart.
std::string vectorSpec(const std::string& linespec) {
  if (!linespec.empty() && (linespec[0] == 'r' || linespec[0] == 'R'))
    return "k" + linespec.substr(1);
  return linespec;
}

Mat rowsCols(const Mat& m, Index r0, Index r1, Index c0, Index c1) {
  if (r0 > r1 || c0 > c1) return Mat();
  return m.block(r0 - 1, c0 - 1, r1 - r0 + 1, c1 - c0 + 1);
}

}  // namespace

Mat deformationWeights(const Mat& refxy, const Mat& targetxy) {
  const Index L = refxy.cols();
  auto same = coincidentLandmarks(refxy);
  if (!same.empty())
    throw RuntimeError("Reference landmarks " + pairList(same) +
                       " coincide; no thin-plate spline can be fitted.");
  Mat rhs = Mat::Zero(L + 3, 2);
  rhs.topRows(L) = (targetxy - refxy).transpose();
  Mat S = morpho::gettspl(refxy);
  Eigen::PartialPivLU<Mat> lu(S);
  if (!(lu.rcond() > 1e-13))
    throw RuntimeError(
        "The reference landmarks lie on one line; no thin-plate spline can be fitted.");
  Mat w = lu.solve(rhs);
  if (!w.allFinite())
    throw RuntimeError("The thin-plate spline of the reference could not be fitted.");
  return w;
}

DeformationGrid deformationGrid(const Mat& refxy, const Mat& weight, const graphics::Limits& lim,
                                double npts, double rangeexpansion) {
  double xmin = lim[0], xmax = lim[1], ymin = lim[2], ymax = lim[3];
  const double rangex = xmax - xmin, rangey = ymax - ymin;
  const double e = rangeexpansion - 1;
  xmax += e * rangex;
  xmin -= e * rangex;
  ymin -= 0.75 * e * rangey;
  ymax += 0.75 * e * rangey;
  if (!(npts >= 1 && npts == std::floor(npts) && npts <= 10000))
    throw RuntimeError("Run-time Error: The grid density " + num2str(npts) +
                       " is not a whole number of grid steps from 1 to 10000.");
  const double xstep = (xmax - xmin) / npts;
  const double ny = std::ceil((ymax - ymin) / xstep) + 3;
  if (!(xstep > 0 && std::isfinite(xstep) && ny >= 1 && ny <= 100000 && (npts + 6) * ny <= 1e7))
    throw RuntimeError("Run-time Error: The grid range " + num2str(rangeexpansion) +
                       " gives no usable grid.");
  const Index rows = static_cast<Index>(npts) + 6, cols = static_cast<Index>(ny);
  const Index L = refxy.cols(), N = rows * cols;

  DeformationGrid g;
  g.xstep = xstep;
  g.xw.resize(rows, cols);
  g.yw.resize(rows, cols);
  for (Index j = 0; j < cols; ++j)
    for (Index i = 0; i < rows; ++i) {
      g.xw(i, j) = xmin + static_cast<double>(i - 2) * xstep;
      g.yw(i, j) = ymin + static_cast<double>(j - 1) * xstep;
    }
  // Kernel of a block of nodes against every landmark, then one product with
  // the weights for both coordinates; blocks keep the kernel matrix small
  // whatever the grid size.
  g.xp.resize(rows, cols);
  g.yp.resize(rows, cols);
  const double* xs = g.xw.data();
  const double* ys = g.yw.data();
  const auto a = weight.bottomRows(3);
  const Eigen::Matrix<double, Eigen::Dynamic, 2> wk = weight.topRows(L);
  constexpr Index kBlock = 4096;
  Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor> K;
  Eigen::ArrayXd d2;
  Eigen::Matrix<double, Eigen::Dynamic, 2> bend;
  for (Index n0 = 0; n0 < N; n0 += kBlock) {
    const Index m = std::min(kBlock, N - n0);
    const Eigen::Map<const Eigen::ArrayXd> X(xs + n0, m), Y(ys + n0, m);
    K.resize(m, L);
    for (Index k = 0; k < L; ++k) {
      d2 = (X - refxy(0, k)).square() + (Y - refxy(1, k)).square();
      // U = r^2 ln r^2, 0 on the landmark itself: the logarithm of at least
      // the smallest normal number is finite, and times 0 gives 0. Kept free
      // of branches so the array logarithm is vectorised.
      K.col(k) = (d2 * d2.max(std::numeric_limits<double>::min()).log()).matrix();
    }
    bend.noalias() = K * wk;
    for (Index i = 0; i < m; ++i) {
      const Index n = n0 + i;
      const double xn = xs[n], yn = ys[n];
      g.xp.data()[n] = xn + bend(i, 0) + (a(0, 0) + a(1, 0) * xn + a(2, 0) * yn);
      g.yp.data()[n] = yn + bend(i, 1) + (a(0, 1) + a(1, 1) * xn + a(2, 1) * yn);
    }
  }
  return g;
}

DeformationResult showpw5(window::Window& window, Console* console, const Mat& referenceIn,
                          const Mat& pwscore, double npts, double plottype, double suptype,
                          double b1, double b2, const DeformationStyle& style) {
  auto echo = [console](std::string_view name, const auto& v) {
    if (console != nullptr) console->display(name, v);
  };
  auto& ax = window.figure().axes();
  echo("stemp", "suptype");
  echo("suptype", suptype);

  DeformationResult out;
  Mat reference = referenceIn;
  if (reference.rows() != 1 || reference.cols() < 7 || reference.cols() % 2 == 0)
    throw RuntimeError(
        "Run-time Error: The reference must be one row of at least three landmarks and its "
        "centroid size.");
  {
    auto same = coincidentLandmarks(morpho::vertxy(reference));
    if (!same.empty()) {
      window.dialogs().msgbox("Reference landmarks " + pairList(same) +
                                  " are at the same place, so no thin-plate spline can be fitted "
                                  "and no deformation is drawn.",
                              "Deformation Error");
      return out;
    }
  }
  Mat target = morpho::reversepwarb(reference, pwscore, console);

  // Registration of both forms.
  if (suptype == 0) {
    echo("stemp", "using BC");
    reference = morpho::basereg(reference, b1, b2);
    target = morpho::basereg(target, b1, b2);
  }
  if (suptype == 1) {
    reference = morpho::meth3sup(morpho::basereg(reference, b1, b2));
    target = morpho::meth3sup(morpho::basereg(target, b1, b2));
    echo("temp", "did sbr");
  }
  if (suptype == 3) target = morpho::rftra(target, reference, console);

  // Orientation of Procrustes and resistant-fit pictures.
  if (suptype == 2 || suptype == 3) {
    double theta = 0;
    auto rotate = window.findobj("RotateRequest");
    echo("nh", static_cast<double>(rotate.size()));
    if (rotate.empty()) {
      auto deg = refAngleDegrees(window);
      if (deg) {
        echo("theta", *deg);
        theta = M_PI * *deg / 180.0;
        reference = turnRow(reference, theta);
      } else {
        theta = M_PI / 2;
      }
    } else {
      const double rreq = rotate.front()->get("Value").scalar();
      echo("rreq", rreq);
      if (rreq != 0 && plottype != 5) {
        RotationResult r = rotationhandler(window, console, reference, style.defangle);
        theta = r.theta;
        reference = r.reference;
      } else if (rreq != 0) {
        theta = style.defangle * M_PI / 180.0;
        reference = turnRow(reference, theta);
      } else {
        auto deg = refAngleDegrees(window);
        if (!deg)
          throw RuntimeError("Run-time Error: The reference angle in RefAngleBox is not a number.");
        echo("theta", *deg);
        theta = M_PI * *deg / 180.0;
        echo("theta", theta);
        reference = turnRow(reference, theta);
      }
    }
    target = turnRow(target, theta);
    out.theta = 180.0 * theta / M_PI;
  }
  // Baseline pictures set no angle: out.theta stays unset and the caller's
  // defangle is kept.
  out.bigrefdef2 = target;

  // Spline fit.
  const Mat refxy = morpho::vertxy(reference);
  const Mat tarxy = morpho::vertxy(target);
  auto same = coincidentLandmarks(refxy);
  if (!same.empty()) {
    window.dialogs().msgbox("Reference landmarks " + pairList(same) +
                                " are at the same place, so no thin-plate spline can be fitted "
                                "and no deformation is drawn.",
                            "Deformation Error");
    out.theta.reset();
    return out;
  }
  const Mat weight = deformationWeights(refxy, tarxy);
  const Index pwarps = (reference.cols() - 1) / 2;
  out.bigrefdef = morpho::reversepw6u(reference, weight, console);

  // Plot area: the limits the reference alone would get. Vectors added to
  // the picture shown (type 5) make it a picture of another kind too.
  ax.setShowing({});
  graphics::Limits lim;
  if (plottype != 5) {
    ax.cla();
    showshape(ax, reference, style.symboltype);
    ax.axisAuto();
    ax.axisEqual();
    lim = ax.limits();
    ax.cla();
  } else {
    lim = ax.limits();
  }
  if (plottype == 98 || plottype == 99) return out;

  echo("pwarps", static_cast<double>(pwarps));
  const bool needsGrid =
      plottype == 1 || plottype == 2 || plottype == 4 || (plottype >= 6 && plottype <= 9);
  DeformationGrid g;
  if (needsGrid) g = deformationGrid(refxy, weight, lim, npts, style.rangeexpansion);

  Painter paint{ax, style};
  const int type = plottype == std::floor(plottype) && std::abs(plottype) < 1000
                       ? static_cast<int>(plottype)
                       : 0;
  switch (type) {
    case 1:
      paint.grid(g.xp, g.yp);
      paint.landmarks(refxy);
      break;
    case 2:
      ax.quiver(g.xw, g.yw, g.xp - g.xw, g.yp - g.yw);
      ax.hold(true);
      paint.landmarks(refxy);
      break;
    case 3:
      paint.origin();
      paint.vectors(refxy, morpho::vertxy(out.bigrefdef), style.linespec);
      showshape(ax, reference, style.symboltype);
      break;
    case 4:
      paint.grid(g.xp, g.yp);
      paint.vectors(refxy, morpho::vertxy(out.bigrefdef), vectorSpec(style.linespec));
      paint.landmarks(refxy);
      break;
    case 5:
      paint.origin();
      paint.vectors(refxy, tarxy, style.linespec);
      showshape(ax, reference, style.symboltype);
      break;
    case 6:
      ax.quiver(g.xw, g.yw, g.xp - g.xw, Mat::Zero(g.xw.rows(), g.xw.cols()));
      ax.hold(true);
      paint.landmarks(refxy);
      break;
    case 7:
      ax.quiver(g.xw, g.yw, Mat::Zero(g.xw.rows(), g.xw.cols()), g.yp - g.yw);
      ax.hold(true);
      paint.landmarks(refxy);
      break;
    case 8:
      ax.contourf(g.xw, g.yw, (g.xp - g.xw).cwiseAbs());
      ax.hold(true);
      paint.landmarks(refxy);
      break;
    case 9:
      ax.contourf(g.xw, g.yw, (g.yp - g.yw).cwiseAbs());
      ax.hold(true);
      paint.landmarks(refxy);
      break;
    default:
      break;
  }

  landmarkNumbers(window, reference);

  // Grid trimming: two corner markers moved one grid line per click.
  if (style.trimreq != 0 && (type == 1 || type == 4)) {
    const Index rows = g.xp.rows(), cols = g.xp.cols();
    Index node[4] = {std::min<Index>(4, rows), std::min<Index>(4, cols), rows, cols};
    auto square = [&](Index i, Index j) -> graphics::Line& {
      auto& l = ax.plot(Pts{g.xp(i - 1, j - 1)}, Pts{g.yp(i - 1, j - 1)}, "rs");
      style::setsymbolfill(style::childrenOf(ax), 1);
      return l;
    };
    graphics::Handle hup = square(node[0], node[1]).handle();
    graphics::Handle hlo = square(node[2], node[3]).handle();
    // The first marker starts near the grid's lower left corner and the second
    // at its upper right one (grid columns run upwards in y), so the hints
    // name them by where the user sees them.
    static const char* kStages[4] = {
        "Trim grid (1 of 4): move the lower-left corner left or right by clicking beside it, "
        "one grid line a click; right button or Esc ends this stage.",
        "Trim grid (2 of 4): move the lower-left corner up or down by clicking above or below "
        "it, one grid line a click; right button or Esc ends this stage.",
        "Trim grid (3 of 4): move the upper-right corner left or right by clicking beside it, "
        "one grid line a click; right button or Esc ends this stage.",
        "Trim grid (4 of 4): move the upper-right corner up or down by clicking above or below "
        "it, one grid line a click; right button or Esc ends this stage."};
    for (int stage = 0; stage < 4; ++stage) {
      window.status(kStages[stage]);
      const bool upper = stage < 2;
      const bool inX = stage % 2 == 0;
      Index& mi = upper ? node[0] : node[2];
      Index& mj = upper ? node[1] : node[3];
      Index& moving = inX ? mi : mj;
      const Index limit = inX ? rows : cols;
      for (auto click = window.dialogs().ginput(); click && click->button != 3;
           click = window.dialogs().ginput()) {
        const double here = inX ? g.xp(mi - 1, mj - 1) : g.yp(mi - 1, mj - 1);
        const double at = inX ? click->x : click->y;
        moving = std::clamp<Index>(moving + (at > here ? 1 : -1), 1, limit);
        graphics::Handle& h = upper ? hup : hlo;
        ax.remove(h);
        h = square(mi, mj).handle();
        if (stage == 3) echo("markloy", static_cast<double>(node[3]));
        window.drawnow();
      }
    }
    window.status("");
    Mat corners(1, 4);
    corners << static_cast<double>(node[2]), static_cast<double>(node[0]),
        static_cast<double>(node[3]), static_cast<double>(node[1]);
    echo("ans", corners);
    ax.cla();
    paint.grid(rowsCols(g.xp, node[0], node[2], node[1], node[3]),
               rowsCols(g.yp, node[0], node[2], node[1], node[3]));
    if (type == 4) paint.vectors(refxy, morpho::vertxy(out.bigrefdef), vectorSpec(style.linespec));
    paint.landmarks(refxy);
  }

  // Landmark numbers beside the reference, scaled to the axes.
  try {
    auto boxes = window.findobj("LMNumberBox");
    if (!boxes.empty() && boxes.front()->get("Value").scalar() != 0) {
      const graphics::Limits a = ax.limits();
      const double xra = 0.01 * (a[1] - a[0]), yra = 0.01 * (a[3] - a[2]);
      for (Index k = 0; k < refxy.cols(); ++k)
        ax.text(refxy(0, k) + xra, refxy(1, k) + yra, std::to_string(k + 1));
    }
  } catch (const std::exception&) {
    // Numbers are a help, never a reason to lose the picture.
  }
  return out;
}

}  // namespace varnok::display
