#include "session/routine_table.hpp"

#include "platform/matrix/runtime_error.hpp"

namespace varnok::session {

void RoutineTable::add(Routine r) {
  entries_.push_back(std::move(r));
}

const Routine* RoutineTable::find(std::string_view name) const {
  for (const auto& r : entries_)
    if (r.name == name) return &r;
  return nullptr;
}

ValueList RoutineTable::call(CallEnv& env, std::string_view name, const ValueList& args,
                             int nargout) const {
  const Routine* r = find(name);
  if (r == nullptr || !r->fn) throw RuntimeError(undefinedFunctionMessage(name));
  checkArgCounts(r->name, static_cast<int>(args.size()), nargout, r->nin, r->nout, r->column);
  try {
    return r->fn(env, args, nargout);
  } catch (const MissingInput&) {
    throw RuntimeError(notEnoughInputsMessage(r->name, r->column));
  }
}

const Value& inputAt(const ValueList& args, std::size_t i) {
  if (i >= args.size()) throw MissingInput{};
  return args[i];
}

std::string undefinedFunctionMessage(std::string_view name) {
  return "Run-time Error: Undefined function or variable \"" + std::string(name) + "\".";
}

}  // namespace varnok::session
