#include "display/showpw5.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <utility>
#include <vector>

#include "display/aheadw.hpp"
#include "display/outline.hpp"
#include "display/rotationhandler.hpp"
#include "display/showshape.hpp"
#include "morpho/basereg.hpp"
#include "morpho/meth3sup.hpp"
#include "morpho/reversepw6u.hpp"
#include "morpho/reversepwarb.hpp"
#include "morpho/rftra.hpp"
#include "morpho/tps.hpp"
#include "morpho/vertxy.hpp"
#include "platform/graphics/contour.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"
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

struct Painter {
  graphics::Axes& ax;
  const DeformationStyle& style;
  const std::vector<bool>& sliding;  // the semilandmarks; empty: none

  void grid(const Mat& xp, const Mat& yp) {
    if (xp.size() == 0) return;
    ax.plot(xp, yp, style.linespec, {"LineWidth", style.lineweight});
    ax.hold(true);
    ax.plot(Mat(xp.transpose()), Mat(yp.transpose()), style.linespec,
            {"LineWidth", style.lineweight});
    ax.hold(true);
  }

  void landmarks(const Mat& refxy) {
    if (!sliding.empty()) {
      landmarksAndDots(refxy);
      return;
    }
    std::vector<double> x(refxy.row(0).begin(), refxy.row(0).end());
    std::vector<double> y(refxy.row(1).begin(), refxy.row(1).end());
    ax.plot(x, y, style.symboltype);
  }

  // The landmarks with the reference's symbol, the semilandmarks as small
  // dots of its colour.
  void landmarksAndDots(const Mat& refxy) {
    std::vector<double> x[2], y[2];
    for (Index k = 0; k < refxy.cols(); ++k) {
      const bool dot =
          static_cast<std::size_t>(k) < sliding.size() && sliding[static_cast<std::size_t>(k)];
      x[dot].push_back(refxy(0, k));
      y[dot].push_back(refxy(1, k));
    }
    if (!x[0].empty()) ax.plot(x[0], y[0], style.symboltype);
    ax.hold(true);
    if (x[1].empty()) return;
    graphics::Line& dots = ax.plot(x[1], y[1], ".");
    dots.color = graphics::parseLineSpec(style.symboltype).color.value_or(graphics::Rgb{0, 0, 0});
    dots.markerSize = kSemilandmarkDotSize;
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

PictureType pictureType(double plottype) {
  if (plottype == 98 || plottype == 99) return PictureType::LimitsOnly;
  if (plottype >= 1 && plottype <= 9 && plottype == std::floor(plottype))
    return static_cast<PictureType>(static_cast<int>(plottype));
  return PictureType::Nothing;
}

Registration registration(double suptype) {
  if (suptype >= 0 && suptype <= 3 && suptype == std::floor(suptype))
    return static_cast<Registration>(static_cast<int>(suptype));
  return Registration::None;
}

void readPictureChoices(window::Window& w, DeformationRequest& r) {
  auto rotate = w.findobj("RotateRequest");
  r.orientation.rotateBoxes = rotate.size();
  if (!rotate.empty()) r.orientation.rotateRequest = rotate.front()->get("Value").scalar();
  r.orientation.refAngle = session::readNumberBox(w, "RefAngleBox").number;
  r.numberLandmarks = session::controlValueOr(w, "NumberButton", 0) != 0;
  r.numberReference = session::controlValueOr(w, "LMNumberBox", 0) != 0;
}

void echoRegistration(Console* console, double suptype) {
  if (console == nullptr) return;
  console->display("stemp", "suptype");
  console->display("suptype", suptype);
}

namespace {

constexpr const char* kScoreTooLarge =
    "The score is too large to draw: the deformed landmarks would lie beyond the range of "
    "numbers. Choose a smaller score.";

std::string coincidenceRefusal(const std::vector<std::pair<Index, Index>>& same) {
  return "Reference landmarks " + pairList(same) +
         " are at the same place, so no thin-plate spline can be fitted and no deformation is "
         "drawn.";
}

struct Echo {
  Console* console;
  template <class V>
  void operator()(std::string_view name, const V& v) const {
    if (console != nullptr) console->display(name, v);
  }
};

// The reference and the target, registered. The target is rebuilt from the
// shape variables first.
struct Forms {
  Mat reference, target;
  double referenceTurn = 0, targetTurn = 0;  // radians
};

Forms registerForms(const DeformationRequest& r, Console* console) {
  const Echo echo{console};
  Forms f{r.reference, morpho::reversepwarb(r.reference, r.pwscore, console)};
  switch (r.registration) {
    case Registration::Baseline:
      echo("stemp", "using BC");
      f.reference = morpho::basereg(f.reference, r.b1, r.b2);
      f.target = morpho::basereg(f.target, r.b1, r.b2);
      break;
    case Registration::SlidingBaseline:
      f.reference = morpho::meth3sup(morpho::basereg(f.reference, r.b1, r.b2));
      f.target = morpho::meth3sup(morpho::basereg(f.target, r.b1, r.b2));
      echo("temp", "did sbr");
      break;
    case Registration::ResistantFit:
      f.target = morpho::rftra(f.target, f.reference, console);
      break;
    case Registration::Procrustes:
    case Registration::None:
      break;
  }
  return f;
}

// Turns Procrustes and resistant-fit forms as the request's orientation
// says; the angle turned, degrees, or nullopt for pictures never turned.
std::optional<double> orient(Forms& f, const DeformationRequest& r, const DeformationCanvas& c) {
  if (r.registration != Registration::Procrustes && r.registration != Registration::ResistantFit)
    return std::nullopt;
  const Echo echo{c.console};
  const Orientation& o = r.orientation;
  double theta = 0;
  echo("nh", static_cast<double>(o.rotateBoxes));
  if (o.rotateBoxes == 0) {
    if (o.refAngle) {
      echo("theta", *o.refAngle);
      theta = M_PI * *o.refAngle / 180.0;
      f.reference = turnRow(f.reference, theta);
      f.referenceTurn = theta;
    } else {
      theta = M_PI / 2;
    }
  } else {
    echo("rreq", o.rotateRequest);
    if (o.rotateRequest != 0 && r.picture != PictureType::VectorsToTarget) {
      if (c.user == nullptr) throw RuntimeError("This picture cannot ask for a rotation.");
      RotationResult turned = rotationhandler(*c.user, c.console, f.reference, r.style.defangle);
      theta = turned.theta;
      f.reference = turned.reference;
      f.referenceTurn = theta;
    } else if (o.rotateRequest != 0) {
      theta = r.style.defangle * M_PI / 180.0;
      f.reference = turnRow(f.reference, theta);
      f.referenceTurn = theta;
    } else {
      if (!o.refAngle)
        throw RuntimeError(
            "Run-time Error: The reference angle in the Angle (°) box is not a number.");
      echo("theta", *o.refAngle);
      theta = M_PI * *o.refAngle / 180.0;
      echo("theta", theta);
      f.reference = turnRow(f.reference, theta);
      f.referenceTurn = theta;
    }
  }
  f.target = turnRow(f.target, theta);
  f.targetTurn = theta;
  return 180.0 * theta / M_PI;
}

// The spline of the picture: the landmarks of both forms and the weights.
struct Spline {
  Mat refxy, tarxy, weight;
};

bool needsGrid(PictureType t) {
  switch (t) {
    case PictureType::Grid:
    case PictureType::GridArrows:
    case PictureType::GridAndVectors:
    case PictureType::HorizontalArrows:
    case PictureType::VerticalArrows:
    case PictureType::HorizontalContours:
    case PictureType::VerticalContours:
    case PictureType::ExpansionMap:
      return true;
    default:
      return false;
  }
}

// The plot area: the limits the reference alone would get. Vectors added to
// the picture shown make it a picture of another kind too, within its limits.
graphics::Limits plotLimits(graphics::Axes& ax, const Mat& reference, const DeformationRequest& r) {
  ax.setShowing({});
  if (r.picture == PictureType::VectorsToTarget) return ax.limits();
  ax.cla();
  showshape(ax, reference, r.style.symboltype);
  ax.axisAuto();
  ax.axisEqual();
  const graphics::Limits lim = ax.limits();
  ax.cla();
  return lim;
}

// The grid pictures: the deformed grid, with the landmark vectors for type 4.
void paintGrid(Painter& paint, const DeformationGrid& g, const Spline& sp, const Mat& mapped,
               PictureType t) {
  paint.grid(g.xp, g.yp);
  if (t == PictureType::GridAndVectors)
    paint.vectors(sp.refxy, mapped, vectorSpec(paint.style.linespec));
  paint.landmarks(sp.refxy);
}

// The arrow fields of the grid displacements: both, horizontal or vertical.
void paintArrows(Painter& paint, const DeformationGrid& g, const Spline& sp, PictureType t) {
  const Mat zero = Mat::Zero(g.xw.rows(), g.xw.cols());
  const Mat u = t == PictureType::VerticalArrows ? zero : Mat(g.xp - g.xw);
  const Mat v = t == PictureType::HorizontalArrows ? zero : Mat(g.yp - g.yw);
  paint.ax.quiver(g.xw, g.yw, u, v);
  paint.ax.hold(true);
  paint.landmarks(sp.refxy);
}

// Filled contours of the size of the horizontal or vertical displacement.
void paintContours(Painter& paint, const DeformationGrid& g, const Spline& sp, PictureType t) {
  const bool across = t == PictureType::HorizontalContours;
  const Mat size = across ? Mat((g.xp - g.xw).cwiseAbs()) : Mat((g.yp - g.yw).cwiseAbs());
  const auto& c = paint.ax.contourf(g.xw, g.yw, size);
  paint.ax.setColorBar(
      graphics::colorBarOf(c, across ? "|horizontal displacement|" : "|vertical displacement|"));
  paint.ax.hold(true);
  paint.landmarks(sp.refxy);
}

// The expansion map: where the spline grows the form and where it shrinks
// it, as filled contours of log2 of the area ratio. The levels lie evenly
// about 0 so that the diverging colours put "no change" in the middle.
void paintExpansion(Painter& paint, const DeformationGrid& g, const Spline& sp) {
  const Mat z = log2AreaRatio(sp.refxy, sp.weight, g.xw, g.yw);
  double reach = 0;
  for (Index k = 0; k < z.size(); ++k)
    if (std::isfinite(z.data()[k])) reach = std::max(reach, std::abs(z.data()[k]));
  std::vector<double> lv = reach > 1e-9 ? graphics::niceLevels(-reach, reach) : Pts{-0.5, 0.5};
  if (lv.size() < 2) lv = {-reach, reach};
  const Mat levels = Eigen::Map<const Mat>(lv.data(), 1, static_cast<Index>(lv.size()));
  auto& c = paint.ax.contourf(g.xw, g.yw, z, levels);
  c.colorMap = graphics::ColorMap::Diverging;
  paint.ax.setColorBar(graphics::colorBarOf(c, "log2 area ratio"));
  paint.ax.hold(true);
  paint.landmarks(sp.refxy);
}

// The landmark vectors to the mapped reference (type 3) or to the target
// (type 5), over the reference.
void paintVectors(Painter& paint, const Mat& reference, const Spline& sp, const Mat& mapped,
                  PictureType t) {
  paint.origin();
  paint.vectors(sp.refxy, t == PictureType::VectorsToTarget ? sp.tarxy : mapped,
                paint.style.linespec);
  if (paint.sliding.empty())
    showshape(paint.ax, reference, paint.style.symboltype);
  else
    paint.landmarksAndDots(sp.refxy);
}

void paint(Painter& p, const DeformationGrid& g, const Spline& sp, const Mat& reference,
           const Mat& mapped, PictureType t) {
  switch (t) {
    case PictureType::Grid:
    case PictureType::GridAndVectors:
      paintGrid(p, g, sp, mapped, t);
      break;
    case PictureType::GridArrows:
    case PictureType::HorizontalArrows:
    case PictureType::VerticalArrows:
      paintArrows(p, g, sp, t);
      break;
    case PictureType::HorizontalContours:
    case PictureType::VerticalContours:
      paintContours(p, g, sp, t);
      break;
    case PictureType::ExpansionMap:
      paintExpansion(p, g, sp);
      break;
    case PictureType::LandmarkVectors:
    case PictureType::VectorsToTarget:
      paintVectors(p, reference, sp, mapped, t);
      break;
    case PictureType::Nothing:
    case PictureType::LimitsOnly:
      break;
  }
}

// Grid trimming: two corner markers moved one grid line per click, then the
// grid drawn again between them.
void trimGrid(window::Window& user, Painter& paint, const DeformationGrid& g, const Spline& sp,
              const Mat& mapped, PictureType t, const Echo& echo) {
  auto& ax = paint.ax;
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
    user.status(kStages[stage]);
    const bool upper = stage < 2;
    const bool inX = stage % 2 == 0;
    Index& mi = upper ? node[0] : node[2];
    Index& mj = upper ? node[1] : node[3];
    Index& moving = inX ? mi : mj;
    const Index limit = inX ? rows : cols;
    for (auto click = user.dialogs().ginput(); click && click->button != 3;
         click = user.dialogs().ginput()) {
      const double here = inX ? g.xp(mi - 1, mj - 1) : g.yp(mi - 1, mj - 1);
      const double at = inX ? click->x : click->y;
      moving = std::clamp<Index>(moving + (at > here ? 1 : -1), 1, limit);
      graphics::Handle& h = upper ? hup : hlo;
      ax.remove(h);
      h = square(mi, mj).handle();
      if (stage == 3) echo("markloy", static_cast<double>(node[3]));
      user.drawnow();
    }
  }
  user.status("");
  Mat corners(1, 4);
  corners << static_cast<double>(node[2]), static_cast<double>(node[0]),
      static_cast<double>(node[3]), static_cast<double>(node[1]);
  echo("ans", corners);
  ax.cla();
  paint.grid(rowsCols(g.xp, node[0], node[2], node[1], node[3]),
             rowsCols(g.yp, node[0], node[2], node[1], node[3]));
  if (t == PictureType::GridAndVectors)
    paint.vectors(sp.refxy, mapped, vectorSpec(paint.style.linespec));
  paint.landmarks(sp.refxy);
}

// The outline, taken from the reference as given to the reference as the
// picture registered and turned it (the spline between the two is that
// similarity), in grey, and bent by the picture's spline, in black; half as
// thick again as the grid, so that the form stands out of the net.
void paintOutline(graphics::Axes& ax, const DeformationRequest& r, const Spline& sp) {
  const Mat given = morpho::vertxy(r.reference);
  const bool moved = given != sp.refxy;
  const Mat frame = moved ? deformationWeights(given, sp.refxy) : Mat();
  std::vector<Mat> reference, deformed;
  for (const Mat& stroke : r.outline) {
    if (stroke.rows() != 2) continue;
    reference.push_back(moved ? morpho::tpsMap(given, frame, stroke) : stroke);
    deformed.push_back(morpho::tpsMap(sp.refxy, sp.weight, reference.back()));
  }
  drawOutline(ax, reference, kReferenceWireColor, 1.5 * r.style.lineweight);
  drawOutline(ax, deformed, graphics::Rgb{0, 0, 0}, 1.5 * r.style.lineweight);
}

// Landmark numbers beside the reference, scaled to the axes.
void referenceNumbers(graphics::Axes& ax, const Mat& refxy) {
  try {
    const graphics::Limits a = ax.limits();
    const double xra = 0.01 * (a[1] - a[0]), yra = 0.01 * (a[3] - a[2]);
    for (Index k = 0; k < refxy.cols(); ++k)
      ax.text(refxy(0, k) + xra, refxy(1, k) + yra, std::to_string(k + 1));
  } catch (const std::exception&) {
    // Numbers are a help, never a reason to lose the picture.
  }
}

}  // namespace

Mat log2AreaRatio(const Mat& refxy, const Mat& weight, const Mat& x, const Mat& y) {
  Mat out(x.rows(), x.cols());
  for (Index k = 0; k < x.size(); ++k) {
    const double det = morpho::tpsJacobian(refxy, weight, x.data()[k], y.data()[k]).determinant();
    out.data()[k] = det > 0 ? std::log2(det) : std::numeric_limits<double>::quiet_NaN();
  }
  return out;
}

PictureForms pictureForms(const DeformationRequest& r, double referenceTurn, double targetTurn) {
  Forms f = registerForms(r, nullptr);
  if (referenceTurn != 0) f.reference = turnRow(f.reference, referenceTurn);
  if (targetTurn != 0) f.target = turnRow(f.target, targetTurn);
  return {morpho::vertxy(f.reference), morpho::vertxy(f.target)};
}

DeformationResult renderDeformation(const DeformationRequest& r, const DeformationCanvas& c) {
  const Echo echo{c.console};
  auto& ax = c.ax;
  DeformationResult out;
  if (r.reference.rows() != 1 || r.reference.cols() < 7 || r.reference.cols() % 2 == 0)
    throw RuntimeError(
        "Run-time Error: The reference must be one row of at least three landmarks and its "
        "centroid size.");
  if (auto same = coincidentLandmarks(morpho::vertxy(r.reference)); !same.empty()) {
    out.refusal = coincidenceRefusal(same);
    return out;
  }

  Forms f = registerForms(r, c.console);
  // Baseline pictures set no angle: out.theta stays unset and the caller's
  // defangle is kept.
  out.theta = orient(f, r, c);
  out.referenceTurn = f.referenceTurn;
  out.targetTurn = f.targetTurn;
  out.bigrefdef2 = f.target;

  Spline sp{morpho::vertxy(f.reference), morpho::vertxy(f.target), Mat()};
  if (auto same = coincidentLandmarks(sp.refxy); !same.empty()) {
    out.refusal = coincidenceRefusal(same);
    out.theta.reset();
    return out;
  }
  // A score beyond the range of numbers moves the landmarks to infinity;
  // the reference is not to blame, and the user is told.
  const Mat shift = sp.tarxy - sp.refxy;
  if (!shift.allFinite() || shift.cwiseAbs().maxCoeff() > 1e100 * sp.refxy.cwiseAbs().maxCoeff()) {
    out.refusal = kScoreTooLarge;
    out.theta.reset();
    return out;
  }
  sp.weight = deformationWeights(sp.refxy, sp.tarxy);
  const Index pwarps = (f.reference.cols() - 1) / 2;
  out.bigrefdef = morpho::reversepw6u(f.reference, sp.weight, c.console);
  const Mat mapped = morpho::vertxy(out.bigrefdef);

  const graphics::Limits lim = plotLimits(ax, f.reference, r);
  if (r.picture == PictureType::LimitsOnly) return out;

  echo("pwarps", static_cast<double>(pwarps));
  DeformationGrid g;
  if (needsGrid(r.picture))
    g = deformationGrid(sp.refxy, sp.weight, lim, r.npts, r.style.rangeexpansion);

  Painter painter{ax, r.style, r.wire.sliding};
  paint(painter, g, sp, f.reference, mapped, r.picture);
  if (r.numberLandmarks) landmarkNumbers(ax, f.reference);

  const bool trimmable = r.picture == PictureType::Grid || r.picture == PictureType::GridAndVectors;
  if (r.style.trimreq != 0 && trimmable) {
    if (c.user == nullptr) throw RuntimeError("This picture cannot ask for grid trimming.");
    trimGrid(*c.user, painter, g, sp, mapped, r.picture, echo);
  }
  if (!r.outline.empty()) paintOutline(ax, r, sp);
  if (!r.wire.empty()) {
    drawWireframe(ax, sp.refxy, r.wire, kReferenceWireColor, r.style.lineweight);
    drawWireframe(ax, sp.tarxy, r.wire, graphics::Rgb{0, 0, 0}, r.style.lineweight);
  }
  if (r.numberReference) referenceNumbers(ax, sp.refxy);
  return out;
}

DeformationResult showpw5(window::Window& window, Console* console, const Mat& reference,
                          const Mat& pwscore, double npts, double plottype, double suptype,
                          double b1, double b2, const DeformationStyle& style) {
  echoRegistration(console, suptype);
  DeformationRequest r;
  r.reference = reference;
  r.pwscore = pwscore.reshaped().transpose();  // read down the columns, as the runtime does
  r.npts = npts;
  r.picture = pictureType(plottype);
  r.registration = registration(suptype);
  r.b1 = b1;
  r.b2 = b2;
  r.style = style;
  readPictureChoices(window, r);
  DeformationResult out = renderDeformation(r, {window.figure().axes(), console, &window});
  if (!out.refusal.empty()) window.dialogs().warn(out.refusal, kDeformationTitle);
  return out;
}

}  // namespace varnok::display
