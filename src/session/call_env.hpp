// CallEnv: what a routine called by name may reach besides its arguments.
#pragma once

#include <functional>
#include <string>

#include "platform/matrix/console.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/window/window.hpp"
#include "session/session.hpp"

namespace varnok::session {

struct CallEnv {
  Console& console;
  Session& session;
  // Opens the main window if need be and returns it; the routines that draw or
  // read controls reach the window only through this.
  std::function<window::Window&()> openWindow;
  // The control whose callback is running (gcbo), or null.
  window::Control* callbackObject = nullptr;
  // Where long work reports its progress (the window's progress dialog), or
  // null for none.
  Progress* progress = nullptr;
  // The name the user knows the called routine by, for the title of its
  // refusals (see ActionContext::title).
  std::string title;

  window::Window& window() const { return openWindow(); }
};

}  // namespace varnok::session
