#include "platform/matrix/runtime_error.hpp"

#include <utility>

namespace varnok {

namespace {
std::string countMessage(std::string_view name, int declared, int column, const char* what) {
  std::string n(name);
  return "Run-time Error: File: " + n + " Line: 1 Column: " + std::to_string(column) +
         " The function \"" + n + "\" was called with more than the declared number of " + what +
         " (" + std::to_string(declared) + ").";
}
}  // namespace

std::string tooManyInputsMessage(std::string_view name, int declared, int column) {
  return countMessage(name, declared, column, "inputs");
}

std::string tooManyOutputsMessage(std::string_view name, int declared, int column) {
  return countMessage(name, declared, column, "outputs");
}

std::string notEnoughInputsMessage(std::string_view name, int column) {
  return "Run-time Error: File: " + std::string(name) +
         " Line: 1 Column: " + std::to_string(column) + " Not enough input arguments.";
}

void throwNotEnoughInputs(std::string_view name, int column) {
  throw RuntimeError(notEnoughInputsMessage(name, column));
}

void checkArgCounts(std::string_view name, int nargin, int nargout, int declaredIn, int declaredOut,
                    int column) {
  if (declaredIn >= 0 && nargin > declaredIn)
    throw RuntimeError(tooManyInputsMessage(name, declaredIn, column));
  if (declaredOut >= 0 && nargout > declaredOut)
    throw RuntimeError(tooManyOutputsMessage(name, declaredOut, column));
}

UndefinedError::UndefinedError(std::string name)
    : RuntimeError("Run-time Error: Reference to unassigned variable \"" + name + "\"."),
      name_(std::move(name)) {}

void throwUndefined(std::string_view name) {
  throw UndefinedError(std::string(name));
}

}  // namespace varnok
