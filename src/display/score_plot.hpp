// The score plot: one point per specimen at its scores on two principal axes
// (numbers in XBox and YBox, axis 1 = largest eigenvalue), one symbol per
// group, optional specimen numbers and group means; and the six actions that
// step the axis numbers in XBox, YBox and ShowBox.
#pragma once

#include <array>
#include <optional>

#include "session/action_context.hpp"

namespace varnok::display {

// The score plot records on its axes that they show it, with the numbers of
// its two principal axes (graphics::Axes::Showing); any other picture, and
// clearing the axes, forgets that.
inline constexpr const char* kScorePlotShows = "score plot";
// The principal axes (horizontal, vertical) of the score plot the axes show;
// nullopt when they show anything else.
std::optional<std::array<double, 2>> scorePlotAxes(const graphics::Axes& ax);

// A score plot of more specimens than this draws its points semi-transparent
// (opacity kDensePointAlpha), so that where many lie on one another shows.
inline constexpr long kOpaquePointsAtMost = 2000;
inline constexpr float kDensePointAlpha = 0.5F;

void ShowPCAAxis(session::ActionContext& ctx);

void UpXAxis(session::ActionContext& ctx);
void DownXAxis(session::ActionContext& ctx);
void UpYAxis(session::ActionContext& ctx);
void DownYAxis(session::ActionContext& ctx);
void UpDisplay(session::ActionContext& ctx);
void DownDisplay(session::ActionContext& ctx);

}  // namespace varnok::display
