// Help texts drawn in the plot area, and clearing the data.
#pragma once

#include <string>
#include <vector>

#include "session/action_context.hpp"

namespace varnok::shell {

void CopyHints(session::ActionContext& ctx);
void FileHints(session::ActionContext& ctx);
void ManualHint(session::ActionContext& ctx);

// Clears the plot area and discards the data, group codes, reference form and
// every result; the display settings, symbols and markers stay.
void ClearData(session::ActionContext& ctx);

const std::vector<std::string>& copyHintLines();
const std::vector<std::string>& fileHintLines();
const std::vector<std::string>& manualHintLines();

}  // namespace varnok::shell
