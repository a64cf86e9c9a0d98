// Callback strings of the layout file: `Name` or `Name(arg, ...)` where an
// argument is 'quoted text' (two quotes stand for one), a number, [] (the
// empty matrix), or one of the names gca, gcf, gcbo (the current axes, the
// current window, the control whose callback runs).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/matrix/value.hpp"

namespace varnok::shell {

enum class CallbackSymbol { Gca, Gcf, Gcbo };

using CallbackArg = std::variant<Value, CallbackSymbol>;

struct CallbackCall {
  std::string name;
  std::vector<CallbackArg> args;
};

// Parses a callback string; nullopt (and a reason in *error) when it does not
// follow the grammar.
std::optional<CallbackCall> parseCallback(std::string_view text, std::string* error = nullptr);

}  // namespace varnok::shell
