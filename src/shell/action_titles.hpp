// The names the user knows the actions by. A refusal is titled with the
// action that was refused, in the words of the control that runs it: several
// buttons read only "Show" or "+", so the name adds the box they sit in.
#pragma once

#include <string>
#include <string_view>

#include "platform/matrix/value.hpp"

namespace varnok::shell {

// The title of the action or routine NAME called with ARGS (the dispatcher's
// second argument tells the three group-means pictures apart); empty for a
// name that has none of its own.
std::string actionTitle(std::string_view name, const ValueList& args);

}  // namespace varnok::shell
