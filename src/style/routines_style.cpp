// Routine-table adapters of the style routines.
#include "platform/matrix/runtime_error.hpp"
#include "shell/call_env.hpp"
#include "shell/routines.hpp"
#include "style/pointer.hpp"
#include "style/symbols.hpp"

namespace varnok::shell {

namespace {

double numberArg(const ValueList& args, size_t i, const char* routine) {
  if (args.size() <= i)
    throw RuntimeError(std::string("Run-time Error: File: ") + routine +
                       " Line: 1 Column: 1 Not enough input arguments.");
  return args[i].scalar();
}

template <class F>
RoutineFn restyle(const char* name, F f) {
  return [name, f](CallEnv& env, const ValueList& args, int) -> ValueList {
    auto& fig = env.window().figure();
    auto children = style::childrenOf(fig, numberArg(args, 0, name));
    f(children, args, name);
    fig.touch();
    return {};
  };
}

}  // namespace

void bindStyleRoutines(RoutineBindings& b) {
  using Children = std::vector<graphics::Object*>;
  b["setsymbolfill"] =
      restyle("setsymbolfill", [](const Children& c, const ValueList& a, const char* n) {
        style::setsymbolfill(c, numberArg(a, 1, n));
      });
  b["setsymbolbw"] = restyle("setsymbolbw", [](const Children& c, const ValueList&, const char*) {
    style::setsymbolbw(c);
  });
  b["incrementsymbolsize"] =
      restyle("incrementsymbolsize", [](const Children& c, const ValueList& a, const char* n) {
        style::incrementsymbolsize(c, numberArg(a, 1, n));
      });
  b["setlinethickness"] =
      restyle("setlinethickness", [](const Children& c, const ValueList& a, const char* n) {
        style::setlinethickness(c, numberArg(a, 1, n));
      });
  b["incrementlinethickness"] =
      restyle("incrementlinethickness", [](const Children& c, const ValueList& a, const char* n) {
        style::incrementlinethickness(c, numberArg(a, 1, n));
      });
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
