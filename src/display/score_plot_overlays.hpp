// What the score plot can draw around its groups, chosen from the View menu:
// per-group 95 % ellipses (of the mean, or of the data), convex hulls, and
// labels with the specimens' names.
//
// For a group of n >= 3 specimens with mean m and sample covariance S
// (divisor n - 1) of the two plotted scores, an ellipse is the closed line of
// the points p with (p - m)' S^-1 (p - m) = r^2:
//   the confidence ellipse of the mean   r^2 = 2 (n-1) / (n (n-2)) F
//   the data (prediction) ellipse        r^2 = 2 (n-1)(n+1) / (n (n-2)) F
// with F = F(0.95; 2, n-2), the 95 % quantile of the F distribution (Johnson
// & Wichern, Applied Multivariate Statistical Analysis, 5.4 and 5.6). Groups
// of fewer than 3 specimens have neither ellipse nor hull.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "session/action_context.hpp"

namespace varnok::display {

// The quantile of the F distribution with 2 and d2 > 0 degrees of freedom at
// probability p in [0, 1): with two numerator degrees of freedom the upper
// tail is (1 + 2 F / d2)^(-d2 / 2), which inverts in closed form.
double fQuantile2(double p, double d2);

enum class EllipseKind { ConfidenceOfMean, Data };

// r^2 of the 95 % ellipse of kind for a group of n >= 3 specimens.
double ellipseRadiusSquared(EllipseKind kind, double n);

// The closed line (first point repeated at the end) of `points` + 1 points
// around the ellipse of the group whose plotted positions are x, y; nullopt
// for fewer than 3 specimens.
struct ClosedLine {
  std::vector<double> x, y;
};
std::optional<ClosedLine> groupEllipse(const std::vector<double>& x, const std::vector<double>& y,
                                       EllipseKind kind, int points = 120);

// The convex hull of the points, counter-clockwise from the lowest-leftmost
// point and closed; nullopt for fewer than 3 points. Collinear points on an
// edge are left out.
std::optional<ClosedLine> convexHull(const std::vector<double>& x, const std::vector<double>& y);

// One group's points as plotted, with the colour of its symbol.
struct GroupPoints {
  double code = 1;
  graphics::Rgb color;
  std::vector<double> x, y;
};

// Draws on ax the ellipses and hulls the session's choices ask for, one of
// each per group of 3 or more specimens in its colour (confidence ellipses
// solid, data ellipses dashed, hulls dotted); a console line names each group
// too small for them.
void drawGroupOverlays(graphics::Axes& ax, Console& console, const session::Session& session,
                       const std::vector<GroupPoints>& groups);

// The View menu's switches of the score plot. Each flips its choice, sets
// its menu item's check mark, and redraws the score plot when there is an
// analysis to plot.
void ToggleConfidenceEllipses(session::ActionContext& ctx);
void ToggleDataEllipses(session::ActionContext& ctx);
void ToggleConvexHulls(session::ActionContext& ctx);
void ToggleIdLabels(session::ActionContext& ctx);

// The menu items of the switches (their tags in the layout).
inline constexpr const char* kConfidenceEllipsesItem = "ConfidenceEllipsesItem";
inline constexpr const char* kDataEllipsesItem = "DataEllipsesItem";
inline constexpr const char* kConvexHullsItem = "ConvexHullsItem";
inline constexpr const char* kIdLabelsItem = "IdLabelsItem";

}  // namespace varnok::display
