// Routine-table adapters of the landmark drawing routines.
#include "display/showshape.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "session/call_env.hpp"
#include "shell/routines.hpp"

namespace varnok::shell {

namespace {

using session::CallEnv;

const Mat& matrixArg(const ValueList& args) {
  return session::inputAt(args, 0).matrix();
}

std::string codeArg(const ValueList& args, size_t i) {
  return args.size() > i && !args[i].isEmpty() ? args[i].text() : std::string("k.");
}

std::optional<double> thetaArg(const ValueList& args, size_t i) {
  if (args.size() > i && !args[i].isEmpty()) return args[i].scalar();
  return std::nullopt;
}

}  // namespace

void bindDisplayRoutines(RoutineBindings& b) {
  b["showshape"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    display::showshape(env.window().figure().axes(), matrixArg(args), codeArg(args, 1));
    return {Value(1.0)};
  };
  b["showshape_rot"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    display::showshape_rot(env.window(), &env.console, matrixArg(args), codeArg(args, 1),
                           thetaArg(args, 2));
    return {Value(1.0)};
  };
  b["showshapec"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    RowVec code = args.size() > 1 && !args[1].isEmpty()
                      ? RowVec(args[1].matrix().reshaped<Eigen::RowMajor>().transpose())
                      : display::defaultCodeRow();
    display::showshapec(env.window(), matrixArg(args), code, thetaArg(args, 2));
    return {Value(1.0)};
  };
}

}  // namespace varnok::shell
