// The score plot: one point per specimen at its scores on two principal axes
// (numbers in XBox and YBox, axis 1 = largest eigenvalue), one symbol per
// group, optional specimen numbers and group means; and the six actions that
// step the axis numbers in XBox, YBox and ShowBox.
#pragma once

#include "session/action_context.hpp"

namespace varnok::display {

void ShowPCAAxis(session::ActionContext& ctx);

void UpXAxis(session::ActionContext& ctx);
void DownXAxis(session::ActionContext& ctx);
void UpYAxis(session::ActionContext& ctx);
void DownYAxis(session::ActionContext& ctx);
void UpDisplay(session::ActionContext& ctx);
void DownDisplay(session::ActionContext& ctx);

}  // namespace varnok::display
