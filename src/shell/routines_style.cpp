// Routine-table adapters of the style routines.
#include "platform/matrix/runtime_error.hpp"
#include "session/call_env.hpp"
#include "shell/routines.hpp"
#include "style/image_export.hpp"
#include "style/pointer.hpp"
#include "style/symbols.hpp"

namespace varnok::shell {

namespace {

using session::CallEnv;
using session::RoutineFn;

double numberArg(const ValueList& args, size_t i) {
  return session::inputAt(args, i).scalar();
}

template <class F>
RoutineFn restyle(F f) {
  return [f](CallEnv& env, const ValueList& args, int) -> ValueList {
    auto& fig = env.window().figure();
    auto children = style::childrenOf(fig, numberArg(args, 0));
    f(children, args);
    fig.touch();
    return {};
  };
}

}  // namespace

void bindStyleRoutines(RoutineBindings& b) {
  using Children = std::vector<graphics::Object*>;
  b["setsymbolfill"] = restyle(
      [](const Children& c, const ValueList& a) { style::setsymbolfill(c, numberArg(a, 1)); });
  b["setsymbolbw"] = restyle([](const Children& c, const ValueList&) { style::setsymbolbw(c); });
  b["incrementsymbolsize"] = restyle([](const Children& c, const ValueList& a) {
    style::incrementsymbolsize(c, numberArg(a, 1));
  });
  b["setlinethickness"] = restyle(
      [](const Children& c, const ValueList& a) { style::setlinethickness(c, numberArg(a, 1)); });
  b["incrementlinethickness"] = restyle([](const Children& c, const ValueList& a) {
    style::incrementlinethickness(c, numberArg(a, 1));
  });
  b["spiffyfish"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    style::spiffyfish(env.window().figure());
    return {};
  };
  // The argument of the two exports is the callback's own and is not used.
  b["CopyBigImage"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    style::CopyBigImage(env.window(), env.console);
    return {};
  };
  b["CopyImageEPS"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    style::CopyImageEPS(env.session, env.window(), env.console);
    return {};
  };
  b["boringcursor"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    style::boringcursor(env.window().figure());
    return {};
  };
}

}  // namespace varnok::shell
