// ActionContext: what one dispatcher action works on.
#pragma once

#include <optional>

#include "platform/matrix/console.hpp"
#include "platform/matrix/value.hpp"
#include "platform/window/window.hpp"
#include "shell/state.hpp"

namespace varnok::shell {

class Shell;

struct ActionContext {
  AnalysisState& state;
  window::Window& window;
  Console& console;
  Shell& shell;
  // The dispatcher's second argument, when given.
  std::optional<Value> fpass;
};

using Action = void (*)(ActionContext&);

}  // namespace varnok::shell
