// Routine-table adapters of the style routines.
#include "shell/call_env.hpp"
#include "shell/routines.hpp"
#include "style/pointer.hpp"

namespace varnok::shell {

void bindStyleRoutines(RoutineBindings& b) {
  b["spiffyfish"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    style::spiffyfish(env.window().figure());
    return {};
  };
  b["boringcursor"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    style::boringcursor(env.window().figure());
    return {};
  };
}

}  // namespace varnok::shell
