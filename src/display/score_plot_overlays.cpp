#include "display/score_plot_overlays.hpp"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

#include "display/score_plot.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::display {

double fQuantile2(double p, double d2) {
  if (!(p >= 0 && p < 1) || !(d2 > 0) || !std::isfinite(d2))
    throw RuntimeError("Run-time Error: fQuantile2 takes p in [0, 1) and d2 > 0.");
  // 1 - p = (1 + 2F/d2)^(-d2/2)  =>  F = d2/2 ((1-p)^(-2/d2) - 1); expm1 and
  // log1p keep the digits when the power is close to 1.
  return d2 / 2 * std::expm1(-2 / d2 * std::log1p(-p));
}

double ellipseRadiusSquared(EllipseKind kind, double n) {
  const double F = fQuantile2(0.95, n - 2);
  const double r2 = 2 * (n - 1) / (n * (n - 2)) * F;
  return kind == EllipseKind::Data ? r2 * (n + 1) : r2;
}

std::optional<ClosedLine> groupEllipse(const std::vector<double>& x, const std::vector<double>& y,
                                       EllipseKind kind, int points) {
  const std::size_t n = std::min(x.size(), y.size());
  if (n < 3 || points < 3) return std::nullopt;
  const double mx = std::accumulate(x.begin(), x.begin() + static_cast<long>(n), 0.0) / n;
  const double my = std::accumulate(y.begin(), y.begin() + static_cast<long>(n), 0.0) / n;
  Eigen::Matrix2d S = Eigen::Matrix2d::Zero();
  for (std::size_t i = 0; i < n; ++i) {
    const Eigen::Vector2d d(x[i] - mx, y[i] - my);
    S += d * d.transpose();
  }
  S /= static_cast<double>(n - 1);
  // S = V diag(l) V': the points m + r V diag(sqrt l) (cos t, sin t) satisfy
  // (p - m)' S^-1 (p - m) = r^2, and a flat group (l = 0) gives a segment.
  const Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> eig(S);
  const Eigen::Vector2d l = eig.eigenvalues().cwiseMax(0.0);
  const double r = std::sqrt(ellipseRadiusSquared(kind, static_cast<double>(n)));
  const Eigen::Matrix2d A = r * eig.eigenvectors() * l.cwiseSqrt().asDiagonal();
  ClosedLine line;
  for (int k = 0; k <= points; ++k) {
    const double t = 2 * std::numbers::pi * (k % points) / points;
    const Eigen::Vector2d p = A * Eigen::Vector2d(std::cos(t), std::sin(t));
    line.x.push_back(mx + p(0));
    line.y.push_back(my + p(1));
  }
  return line;
}

std::optional<ClosedLine> convexHull(const std::vector<double>& x, const std::vector<double>& y) {
  const std::size_t n = std::min(x.size(), y.size());
  if (n < 3) return std::nullopt;
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return x[a] < x[b] || (x[a] == x[b] && y[a] < y[b]);
  });
  auto cross = [&](std::size_t o, std::size_t a, std::size_t b) {
    return (x[a] - x[o]) * (y[b] - y[o]) - (y[a] - y[o]) * (x[b] - x[o]);
  };
  // Andrew's monotone chain: the lower hull left to right, the upper right to left.
  std::vector<std::size_t> hull(2 * n);
  std::size_t k = 0;
  for (std::size_t i = 0; i < n; ++i) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], order[i]) <= 0) --k;
    hull[k++] = order[i];
  }
  for (std::size_t i = n - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && cross(hull[k - 2], hull[k - 1], order[i]) <= 0) --k;
    hull[k++] = order[i];
  }
  ClosedLine line;
  for (std::size_t i = 0; i < k; ++i) {  // the last is the first again
    line.x.push_back(x[hull[i]]);
    line.y.push_back(y[hull[i]]);
  }
  return line;
}

void drawGroupOverlays(graphics::Axes& ax, Console& console, const session::Session& session,
                       const std::vector<GroupPoints>& groups) {
  const auto& c = session.scorePlot;
  if (!c.confidenceEllipses && !c.dataEllipses && !c.convexHulls) return;
  auto draw = [&](const ClosedLine& l, const char* style, const std::string& tag,
                  const GroupPoints& g) {
    auto& line = ax.plot(l.x, l.y);
    line.color = g.color;
    line.lineStyle = style;
    line.tag = tag + " " + num2str(g.code);
    ax.hold(true);
  };
  for (const GroupPoints& g : groups) {
    if (std::min(g.x.size(), g.y.size()) < 3) {
      console.line(session.groupLabel(g.code) + " has fewer than 3 specimens: no ellipse or hull.");
      continue;
    }
    if (c.confidenceEllipses)
      draw(*groupEllipse(g.x, g.y, EllipseKind::ConfidenceOfMean), "-", "confidence ellipse", g);
    if (c.dataEllipses) draw(*groupEllipse(g.x, g.y, EllipseKind::Data), "--", "data ellipse", g);
    if (c.convexHulls) draw(*convexHull(g.x, g.y), ":", "convex hull", g);
  }
}

namespace {

void toggle(session::ActionContext& ctx, bool session::Session::ScorePlotChoices::*choice,
            const char* item) {
  auto& choices = ctx.session.scorePlot;
  const auto showMark = [&] {
    for (window::Control* c : ctx.window.findobj(item))
      c->set("Checked", choices.*choice ? "on" : "off");
  };
  choices.*choice = !(choices.*choice);
  const auto& s = ctx.state;
  try {
    if (s.PCAScores.size() != 0 && s.GLIST.size() != 0 && s.NumPCA) ShowPCAAxis(ctx);
  } catch (...) {
    choices.*choice = !(choices.*choice);
    showMark();
    throw;
  }
  showMark();
}

}  // namespace

void ToggleConfidenceEllipses(session::ActionContext& ctx) {
  toggle(ctx, &session::Session::ScorePlotChoices::confidenceEllipses, kConfidenceEllipsesItem);
}
void ToggleDataEllipses(session::ActionContext& ctx) {
  toggle(ctx, &session::Session::ScorePlotChoices::dataEllipses, kDataEllipsesItem);
}
void ToggleConvexHulls(session::ActionContext& ctx) {
  toggle(ctx, &session::Session::ScorePlotChoices::convexHulls, kConvexHullsItem);
}
void ToggleIdLabels(session::ActionContext& ctx) {
  toggle(ctx, &session::Session::ScorePlotChoices::idLabels, kIdLabelsItem);
}

}  // namespace varnok::display
