// The routine table: every routine that callback strings and the command line
// can call by name, in a fixed order with its declared argument counts.
//
// Each subsystem binds the routines it has built; the table holds those, in
// the order of the full list below.
#pragma once

#include <map>
#include <string>

#include "platform/matrix/routine_table.hpp"

namespace varnok::shell {

using RoutineBindings = std::map<std::string, RoutineFn, std::less<>>;

// Adapters from Values to the typed routines, one binder per subsystem.
void bindShellRoutines(RoutineBindings& b);
void bindIoRoutines(RoutineBindings& b);
void bindMorphoRoutines(RoutineBindings& b);
void bindStyleRoutines(RoutineBindings& b);
void bindDisplayRoutines(RoutineBindings& b);

// Name, declared inputs and outputs (-1 = any), argument-count message column.
struct RoutineDecl {
  const char* name;
  int nin;
  int nout;
  int column;
};
// The 56 routines in table order.
const std::vector<RoutineDecl>& routineDeclarations();

// Builds the table from the declarations and every binder.
RoutineTable buildRoutineTable();

}  // namespace varnok::shell
