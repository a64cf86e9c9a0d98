// The table of routines that can be called by name.
//
// Each entry holds the routine's name, its declared input and output counts
// (-1: any number) and an adapter that converts Values to the typed routine.
// A call beyond the declared counts stops with the runtime's exact message
// before the routine runs.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/matrix/value.hpp"

namespace varnok {

// What a routine may touch besides its arguments (console, window, ...). The
// shell defines it; routines that need nothing ignore it.
struct CallEnv;

using RoutineFn = std::function<ValueList(CallEnv& env, const ValueList& args, int nargout)>;

struct Routine {
  std::string name;
  int nin = -1;   // declared inputs, -1 = any
  int nout = -1;  // declared outputs, -1 = any
  RoutineFn fn;
  int column = 1;  // the column the argument-count message names
};

class RoutineTable {
 public:
  void add(Routine r);
  const Routine* find(std::string_view name) const;
  // Calls a routine by name after checking the argument counts. Throws
  // RuntimeError for an unknown name or a count beyond the declared ones.
  ValueList call(CallEnv& env, std::string_view name, const ValueList& args, int nargout) const;
  const std::vector<Routine>& entries() const { return entries_; }

 private:
  std::vector<Routine> entries_;
};

// The message for a name that no table holds.
std::string undefinedFunctionMessage(std::string_view name);

}  // namespace varnok
