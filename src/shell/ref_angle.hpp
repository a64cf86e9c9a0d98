// RefAngleSetup: the start-up value of the reference angle box.
//
// An entry in RefAngleBox that begins with "a" ("auto") is replaced by the
// angle in degrees stored in "refanglefile.txt" in the current folder; any
// other entry is written back unchanged. A file that is missing, is not a
// regular file or is larger than kRefAngleFileMaxBytes means 0 degrees.
// Returns the value written, or nothing when the window has no RefAngleBox.
#pragma once

#include <optional>

#include "platform/matrix/value.hpp"

namespace varnok::shell {

class Shell;

inline constexpr long long kRefAngleFileMaxBytes = 4096;

std::optional<Value> RefAngleSetup(Shell& shell);

}  // namespace varnok::shell
