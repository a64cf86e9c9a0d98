// File > Export Plot Data: the data of the plot as JSON
// (platform/graphics/plot_data.hpp), for checking a picture or drawing it
// again elsewhere.
#pragma once

#include <string>

#include "platform/window/window.hpp"
#include "session/action_context.hpp"

namespace varnok::shell {

// Writes the data of the window's plot to path, completely or not at all,
// with the limits of the plot as shown. Throws RuntimeError when it cannot.
void writePlotData(window::Window& window, const std::string& path);

// Asks for a file (".json" is added to a name without it, after asking
// before replacing such a file), writes the plot data there and says so in
// the status bar; a failure goes to a message box. Changes no state.
void ExportPlotData(session::ActionContext& ctx);

}  // namespace varnok::shell
