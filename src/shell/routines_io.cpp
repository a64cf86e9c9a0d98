// Routine-table adapters of the file readers.
#include "io/curves.hpp"
#include "io/dload.hpp"
#include "io/group_names.hpp"
#include "io/links.hpp"
#include "io/mfload.hpp"
#include "io/outline.hpp"
#include "session/call_env.hpp"
#include "shell/routines.hpp"

namespace varnok::shell {

using session::CallEnv;

void bindIoRoutines(RoutineBindings& b) {
  b["dload"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    return {Value(io::dload(env.session.resolve(session::inputAt(args, 0).text())))};
  };
  b["mfload"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    auto f = io::mfload(env.window(), env.session);
    if (!f) return {Value(), Value(0.0)};
    return {Value(std::move(f->data)), Value(f->name)};
  };
  b["LoadGroupNames"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    io::LoadGroupNames(env.session, env.window(), env.console);
    return {};
  };
  b["LoadSliders"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    io::LoadSliders(env.session, env.window(), env.console);
    return {};
  };
  b["SlideByProcrustesDistance"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    io::SlideByProcrustesDistance(env.session, env.window(), env.console);
    return {};
  };
  b["SlideByBendingEnergy"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    io::SlideByBendingEnergy(env.session, env.window(), env.console);
    return {};
  };
  b["SlideCurveEnds"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    io::SlideCurveEnds(env.session, env.window(), env.console);
    return {};
  };
  b["ReadCurvesAsSemilandmarks"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    io::ReadCurvesAsSemilandmarks(env.session, env.window(), env.console);
    return {};
  };
  b["SlidingRounds"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    io::SlidingRounds(env.session, env.window(), env.console);
    return {};
  };
  b["LoadLinks"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    io::LoadLinks(env.session, env.window(), env.console);
    return {};
  };
  b["LoadOutline"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    io::LoadOutline(env.session, env.window(), env.console);
    return {};
  };
}

}  // namespace varnok::shell
