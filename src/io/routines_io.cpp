// Routine-table adapters of the file readers.
#include "io/dload.hpp"
#include "io/mfload.hpp"
#include "shell/call_env.hpp"
#include "shell/routines.hpp"

namespace varnok::shell {

void bindIoRoutines(RoutineBindings& b) {
  b["dload"] = [](CallEnv&, const ValueList& args, int) -> ValueList {
    if (args.empty())
      throw RuntimeError(
          "Run-time Error: File: dload Line: 1 Column: 1 Not enough input arguments.");
    return {Value(io::dload(args[0].text()))};
  };
  b["mfload"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    auto f = io::mfload(env.window());
    if (!f) return {Value(), Value(0.0)};
    return {Value(std::move(f->data)), Value(f->name)};
  };
}

}  // namespace varnok::shell
