// The side panel's buttons and the menu items that need an analysis are off
// until there is one, each with a tooltip saying what to do first, so that a
// user is not offered a click that can only be refused. The shell sets them
// after every callback; script lines and recorded sessions call the actions
// by name and still get the actions' own messages.
#pragma once

#include <string>
#include <vector>

#include "platform/window/window.hpp"
#include "session/session.hpp"

namespace varnok::shell {

// The tags of the controls that need an analysis (its scores, axes and
// superimposed data) to do anything.
const std::vector<std::string>& controlsNeedingAnalysis();

// Why those controls are off, or empty when there is an analysis.
std::string whyNoAnalysis(const session::AnalysisState& state);

// Turns each of those controls the window has on or off, with the reason as
// its DisabledTip (empty when on).
void enableAnalysisControls(const session::Session& session, window::Window& window);

}  // namespace varnok::shell
