// Routine-table adapters of the analysis results that menus call by name.
#include "analysis/results_table.hpp"
#include "session/call_env.hpp"
#include "shell/routines.hpp"

namespace varnok::shell {

using session::CallEnv;

void bindAnalysisRoutines(RoutineBindings& b) {
  b["ExportResultsTable"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    analysis::ExportResultsTable(env.session, env.window(), env.console);
    return {};
  };
}

}  // namespace varnok::shell
