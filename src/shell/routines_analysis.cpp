// Routine-table adapters of the analysis results and the Statistics menu,
// which menus call by name.
#include "analysis/aligned_coordinates.hpp"
#include "analysis/results_table.hpp"
#include "analysis/statistics_actions.hpp"
#include "session/call_env.hpp"
#include "shell/routines.hpp"

namespace varnok::shell {

using session::CallEnv;

namespace {

// A Statistics routine runs as an action on the session, with the progress
// dialog of the callback and its one optional argument.
template <void (*run)(session::ActionContext&)>
ValueList statistics(CallEnv& env, const ValueList& args, int) {
  session::ActionContext ctx{.session = env.session,
                             .state = env.session.state,
                             .window = env.window(),
                             .console = env.console,
                             .progress = env.progress != nullptr ? *env.progress : noProgress(),
                             .fpass = std::nullopt,
                             .title = env.title};
  if (!args.empty()) ctx.fpass = args.front();
  run(ctx);
  return {};
}

}  // namespace

void bindAnalysisRoutines(RoutineBindings& b) {
  b["ExportResultsTable"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    analysis::ExportResultsTable(env.session, env.window(), env.console);
    return {};
  };
  b["ExportAlignedCoordinates"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    analysis::ExportAlignedCoordinates(env.session, env.window(), env.console);
    return {};
  };
  b["ShapeAnova"] = statistics<analysis::ShapeAnovaAction>;
  b["ShapeRegression"] = statistics<analysis::ShapeRegressionAction>;
  b["CanonicalVariates"] = statistics<analysis::CanonicalVariatesAction>;
  b["FindOutliers"] = statistics<analysis::FindOutliersAction>;
  b["StatisticsSettings"] = statistics<analysis::StatisticsSettings>;
  b["CanonicalVariatesAxes"] = statistics<analysis::CanonicalVariatesAxes>;
  b["ExportStatistics"] = statistics<analysis::ExportStatistics>;
  b["PooledWithinGroups"] = statistics<analysis::PooledWithinGroups>;
  b["ShowAllometryShape"] = statistics<analysis::ShowAllometryShape>;
  b["ShowCVShape"] = statistics<analysis::ShowCVShape>;
  b["ShowOutlierSpecimen"] = statistics<analysis::ShowOutlierSpecimen>;
}

}  // namespace varnok::shell
