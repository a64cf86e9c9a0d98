// CallEnv: what a routine called by name may reach.
#pragma once

#include "platform/matrix/console.hpp"
#include "platform/matrix/routine_table.hpp"
#include "platform/window/window.hpp"

namespace varnok {

namespace shell {
class Shell;
}

struct CallEnv {
  Console& console;
  shell::Shell& shell;
  // The main window; the routine that needs one gets it from the shell
  // (opening it if need be) through window().
  window::Window& window();
  // The control whose callback is running (gcbo), or null.
  window::Control* callbackObject = nullptr;
};

}  // namespace varnok
