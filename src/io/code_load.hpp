// CodeLoad: reads a symbol code table (one row of six numbers per group code:
// red, green, blue, marker index, marker size, fill flag) and switches the
// plots to it.
#pragma once

#include "session/action_context.hpp"

namespace varnok::io {

void CodeLoad(session::ActionContext& ctx);

}  // namespace varnok::io
