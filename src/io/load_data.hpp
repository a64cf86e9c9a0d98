// LoadData: asks for a landmark data file, reads it into DATA, shows its
// summary in FileBox and starts a new data set with the display defaults.
#pragma once

#include "session/action_context.hpp"

namespace varnok::io {

void LoadData(session::ActionContext& ctx);

}  // namespace varnok::io
