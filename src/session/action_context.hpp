// ActionContext: what one dispatcher action works on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

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
  // The name the user knows the action by ("Group Means, Baseline"), which
  // titles its refusals; empty when nothing names it (a test's direct call).
  std::string title;
};

// The title of a refusal of this action: its own name, or the fallback.
inline std::string refusalTitle(const ActionContext& ctx, std::string_view fallback) {
  return ctx.title.empty() ? std::string(fallback) : ctx.title;
}

using Action = void (*)(ActionContext&);

}  // namespace varnok::session
