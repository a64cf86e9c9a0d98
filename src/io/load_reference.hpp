// LoadReference: reads a reference form (a landmark data file of one
// specimen with as many columns as DATA), standardises it and marks it for
// use by the next analysis instead of the consensus.
#pragma once

#include "session/action_context.hpp"

namespace varnok::io {

void LoadReference(session::ActionContext& ctx);

}  // namespace varnok::io
