// CodeLoad: reads a symbol code table (one row of six numbers per group code:
// red, green, blue, marker index, marker size, fill flag) and switches the
// plots to it.
#pragma once

#include <optional>
#include <string>

#include "platform/matrix/types.hpp"
#include "session/action_context.hpp"

namespace varnok::io {

// The table is checked before anything changes: a table of the wrong width,
// or with a value the plots cannot draw, is reported and leaves codearray and
// altcode as they were.
void CodeLoad(session::ActionContext& ctx);

// What makes a six-column table unusable, naming the file and the row:
// colour shares outside 0..1, a marker index that is not a whole number
// 1..13, a marker size outside 0.1..200 points, a fill flag other than 0 or
// 1, a value that is not finite. nullopt for a usable table.
std::optional<std::string> symbolTableProblem(const Mat& table, const std::string& fileName);

}  // namespace varnok::io
