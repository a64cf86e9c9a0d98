// The table of routines that can be called by name.
//
// Each entry holds the routine's name, its declared input and output counts
// (-1: any number) and an adapter that converts Values to the typed routine.
// A call beyond the declared counts stops with the runtime's exact message
// before the routine runs.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/matrix/value.hpp"

namespace varnok::session {

struct CallEnv;

// Thrown by an adapter whose caller left out a required input; the table turns
// it into the runtime's "Not enough input arguments." naming the routine.
struct MissingInput {};

// Input i of a call, or MissingInput.
const Value& inputAt(const ValueList& args, std::size_t i);

using RoutineFn = std::function<ValueList(CallEnv& env, const ValueList& args, int nargout)>;

// Adapters by routine name, gathered from the binders before the table is built.
using RoutineBindings = std::map<std::string, RoutineFn, std::less<>>;

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

}  // namespace varnok::session
