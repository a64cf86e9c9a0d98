// ActionContext: what one dispatcher action works on.
#pragma once

#include <optional>

#include "platform/matrix/console.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/matrix/value.hpp"
#include "platform/window/window.hpp"
#include "session/session.hpp"
#include "session/state.hpp"

namespace varnok::session {

struct ActionContext {
  Session& session;
  AnalysisState& state;  // session.state
  window::Window& window;
  Console& console;
  Progress& progress;
  // The dispatcher's second argument, when given.
  std::optional<Value> fpass;
};

using Action = void (*)(ActionContext&);

}  // namespace varnok::session
