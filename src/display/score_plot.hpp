// The score plot: one point per specimen at its scores on two principal axes
// (numbers in XBox and YBox, axis 1 = largest eigenvalue), one symbol per
// group, optional specimen numbers and group means; and the six actions that
// step the axis numbers in XBox, YBox and ShowBox.
#pragma once

#include "shell/action_context.hpp"

namespace varnok::display {

void ShowPCAAxis(shell::ActionContext& ctx);

void UpXAxis(shell::ActionContext& ctx);
void DownXAxis(shell::ActionContext& ctx);
void UpYAxis(shell::ActionContext& ctx);
void DownYAxis(shell::ActionContext& ctx);
void UpDisplay(shell::ActionContext& ctx);
void DownDisplay(shell::ActionContext& ctx);

}  // namespace varnok::display
