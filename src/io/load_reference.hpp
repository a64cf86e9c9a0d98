// LoadReference: reads a reference form (a landmark data file of one
// specimen with as many columns as DATA), standardises it and marks it for
// use by the next analysis instead of the consensus.
#pragma once

#include <optional>
#include <string>

#include "platform/matrix/types.hpp"
#include "session/action_context.hpp"

namespace varnok::io {

// A reference whose landmarks coincide is refused with a "Reference Error"
// message and leaves reference and referencetype as they were.
void LoadReference(session::ActionContext& ctx);

// What makes a one-row reference unusable: all its landmarks at one point (it
// has no size to scale to), or two landmarks at the same point (the spline
// through them is singular). Names the file and the landmarks; nullopt for a
// usable form.
std::optional<std::string> referenceProblem(const Mat& reference, const std::string& fileName);

}  // namespace varnok::io
