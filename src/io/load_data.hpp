// LoadData: asks for a landmark data file, reads it into DATA, shows its
// summary in FileBox and starts a new data set with the display defaults (shown in the Settings
// menu) and an empty plot.
//
// The file may be a plain data file, a TPS file or an NTS file, told apart by
// content (readLandmarkFile); the specimen names a TPS or NTS file gives are
// kept in the session for the results table, and what was left out (curve
// points) is noted on the console.
#pragma once

#include "session/action_context.hpp"

namespace varnok::io {

// The load dialog's filter: named filters separated by ";;".
inline constexpr const char* kLandmarkFilter =
    "Landmark files (*.txt *.tps *.nts);;TPS files (*.tps);;NTS files (*.nts);;All files (*)";

void LoadData(session::ActionContext& ctx);

// Empties what was drawn or computed from the data loaded before: the plot,
// the shares of variance beside the axis boxes and the group list's summary.
// A new load or Clear Data leaves nothing of the old data to be exported as
// the new data's.
void clearDerivedViews(window::Window& w);

}  // namespace varnok::io
