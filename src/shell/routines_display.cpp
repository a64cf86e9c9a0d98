// Routine-table adapters of the landmark drawing and deformation routines and
// of the arrow-field and contour operations of the graphics runtime.
#include "display/aheadw.hpp"
#include "display/figure_actions.hpp"
#include "display/outline.hpp"
#include "display/rotationhandler.hpp"
#include "display/score_plot_overlays.hpp"
#include "display/showpw5.hpp"
#include "display/showshape.hpp"
#include "platform/graphics/contour.hpp"
#include "platform/graphics/quiver.hpp"
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

double numArg(const ValueList& args, size_t i) {
  return session::inputAt(args, i).scalar();
}

// Optional trailing input i, or its default when left out or empty.
double numOr(const ValueList& args, size_t i, double dflt) {
  return args.size() > i && !args[i].isEmpty() ? args[i].scalar() : dflt;
}
std::string textOr(const ValueList& args, size_t i, const char* dflt) {
  return args.size() > i && !args[i].isEmpty() ? args[i].text() : std::string(dflt);
}

// A menu item's routine that works as a dispatcher action does.
template <session::Action action>
ValueList asAction(CallEnv& env, const ValueList&, int) {
  session::ActionContext ctx{env.session,  env.session.state, env.window(), env.console,
                             noProgress(), std::nullopt,      env.title};
  action(ctx);
  return {};
}

}  // namespace

void bindDisplayRoutines(RoutineBindings& b) {
  b["ToggleConfidenceEllipses"] = asAction<display::ToggleConfidenceEllipses>;
  b["ToggleDataEllipses"] = asAction<display::ToggleDataEllipses>;
  b["ToggleConvexHulls"] = asAction<display::ToggleConvexHulls>;
  b["ToggleIdLabels"] = asAction<display::ToggleIdLabels>;
  b["ToggleLabelWithIds"] = asAction<display::ToggleIdLabels>;
  b["ShowExpansionMap"] = asAction<display::ShowExpansionMap>;
  b["ToggleTitles"] = asAction<display::ToggleTitles>;
  b["ToggleOutline"] = asAction<display::ToggleOutline>;
  b["FlipXAxisSign"] = asAction<display::FlipXAxisSign>;
  b["FlipYAxisSign"] = asAction<display::FlipYAxisSign>;
  b["ExportShapes"] = asAction<display::ExportShapes>;
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
  b["aheadw"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    display::aheadw(env.window().figure().axes(), numArg(args, 0), numArg(args, 1), numArg(args, 2),
                    numArg(args, 3), numArg(args, 4));
    return {};
  };
  b["rotationhandler"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    const Mat& ref = session::inputAt(args, 2).matrix();
    auto r = display::rotationhandler(env.window(), &env.console, ref, numArg(args, 3));
    return {Value(r.theta), Value(Mat(r.reference))};
  };
  b["showpw5"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    display::DeformationStyle st;
    st.lineweight = numOr(args, 7, st.lineweight);
    st.linespec = textOr(args, 8, "k");
    st.symboltype = textOr(args, 9, "kd");
    st.aheadspec = numOr(args, 10, st.aheadspec);
    st.rangeexpansion = numOr(args, 11, st.rangeexpansion);
    st.trimreq = numOr(args, 12, st.trimreq);
    st.defangle = numOr(args, 13, st.defangle);
    auto r = display::showpw5(env.window(), &env.console, session::inputAt(args, 0).matrix(),
                              session::inputAt(args, 1).matrix(), numArg(args, 2), numArg(args, 3),
                              numArg(args, 4), numArg(args, 5), numArg(args, 6), st);
    // Baseline pictures turn nothing: the angle given comes back unchanged.
    return {Value(Mat(r.bigrefdef)), Value(Mat(r.bigrefdef2)),
            Value(r.theta.value_or(st.defangle))};
  };
  b["quiver"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    if (args.size() < 4) throw RuntimeError("Run-time Error: quiver needs X, Y, U and V.");
    auto& q = env.window().figure().axes().quiver(args[0].matrix(), args[1].matrix(),
                                                  args[2].matrix(), args[3].matrix(),
                                                  numOr(args, 4, 1.0), textOr(args, 5, ""));
    return {Value(static_cast<double>(q.handle()))};
  };
  b["contourf"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    if (args.size() < 3) throw RuntimeError("Run-time Error: contourf needs X, Y and Z.");
    Mat levels = args.size() > 3 ? args[3].matrix() : Mat();
    auto& c = env.window().figure().axes().contourf(args[0].matrix(), args[1].matrix(),
                                                    args[2].matrix(), levels);
    Mat C = graphics::contourMatrix(c.lines());
    return {Value(C), Value(static_cast<double>(c.handle())), Value(C)};
  };
  b["contours"] = [](CallEnv&, const ValueList& args, int) -> ValueList {
    if (args.size() < 3) return {Value(Mat()), Value("Not enough input arguments.")};
    Mat levels = args.size() > 3 ? args[3].matrix() : Mat();
    auto r = graphics::contours(args[0].matrix(), args[1].matrix(), args[2].matrix(), levels);
    return {Value(r.C), Value(r.msg)};
  };
}

}  // namespace varnok::shell
