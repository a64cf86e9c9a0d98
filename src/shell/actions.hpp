// The dispatcher's actions: names in the order they are matched, and the
// main window's callback sub-routines.
#pragma once

#include <string>
#include <vector>

#include "session/action_context.hpp"

namespace varnok::shell {

struct ActionEntry {
  const char* name;
  session::Action run;  // null: not built yet
};

// Every action the window may send, in matching order.
const std::vector<ActionEntry>& actionTable();

// The names of actionTable(), in order (for checks of the layout file).
const std::vector<std::string>& actionNames();

// The 44 callback sub-routines of the main window ("axes1_ButtondownFcn" and
// the 43 "TAG_Callback"), in their order.
const std::vector<std::string>& subroutineNames();

// The console line a callback sub-routine writes.
std::string subroutineLine(const std::string& name);

}  // namespace varnok::shell
