// RuntimeError: the error that ends an action at the failing step.
//
// The message is shown to the user as it stands (console and status bar), so
// it is written in full where it is raised.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace varnok {

class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(const std::string& message) : std::runtime_error(message) {}
};

// The error of reading a value that was never assigned; the window tells the
// user what to do first from the variable it names.
class UndefinedError : public RuntimeError {
 public:
  explicit UndefinedError(std::string name);
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

// "Run-time Error: File: NAME Line: 1 Column: COL The function "NAME" was called
// with more than the declared number of inputs (N)."
std::string tooManyInputsMessage(std::string_view name, int declared, int column = 1);
// The same for outputs.
std::string tooManyOutputsMessage(std::string_view name, int declared, int column = 1);

// "Run-time Error: File: NAME Line: 1 Column: COL Not enough input arguments."
std::string notEnoughInputsMessage(std::string_view name, int column = 1);
[[noreturn]] void throwNotEnoughInputs(std::string_view name, int column = 1);

// Throws the messages above when a call exceeds a routine's declared counts
// (a declared count below 0 means "any number").
void checkArgCounts(std::string_view name, int nargin, int nargout, int declaredIn, int declaredOut,
                    int column = 1);

// Throws UndefinedError: reading a state variable or value that was never assigned.
[[noreturn]] void throwUndefined(std::string_view name);

}  // namespace varnok
