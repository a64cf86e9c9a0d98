// The routine table: every routine that callback strings and the command line
// can call by name, in a fixed order with its declared argument counts.
//
// Each subsystem's adapters are bound here, in the shell, which is the one
// place that knows every routine; the table holds those that are built, in
// the order of the full list.
#pragma once

#include <string>
#include <vector>

#include "session/routine_table.hpp"

namespace varnok::shell {

class Shell;

using session::RoutineBindings;

// Adapters from Values to the typed routines, one binder per subsystem.
void bindShellRoutines(RoutineBindings& b, Shell& shell);
void bindIoRoutines(RoutineBindings& b);
void bindMorphoRoutines(RoutineBindings& b);
void bindStyleRoutines(RoutineBindings& b);
void bindDisplayRoutines(RoutineBindings& b);
void bindAnalysisRoutines(RoutineBindings& b);

// Name, declared inputs and outputs (-1 = any), argument-count message column.
struct RoutineDecl {
  const char* name;
  int nin;
  int nout;
  int column;
};
// The routines in table order: the 56 of the first version, then those
// added since (ExportResultsTable).
const std::vector<RoutineDecl>& routineDeclarations();

// Builds the table from the declarations and every binder.
session::RoutineTable buildRoutineTable(Shell& shell);

}  // namespace varnok::shell
