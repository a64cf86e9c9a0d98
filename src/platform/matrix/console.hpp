// Console: where diagnostic echoes and runtime errors go.
//
// The named-value display writes "name =", a blank line, the value and a blank
// line, the way an interactive matrix console shows an assignment. Output goes
// to a stream (standard output in the program) and can also be kept in memory
// so tests can read exactly what was written. A listener (the window's console
// panel) sees every piece of text as it is written, in order, with what kind
// of text it is: an error, a result the user asked for, or the echo of an
// intermediate value. The kind never changes what is written to the stream.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/matrix/types.hpp"

namespace varnok {

// What a piece of console text is. Named-value displays are echoes; text
// written as it stands is a result unless the writer says otherwise.
enum class ConsoleTag : unsigned char { Result, Error, Echo };

class Console {
 public:
  // Matrices with more elements are displayed by their size only.
  static constexpr Eigen::Index kMaxDisplayedElements = 2000;

  // out may be null: then nothing is printed, only kept (if keeping is on).
  explicit Console(std::ostream* out = nullptr, bool keep = false) : out_(out), keep_(keep) {}

  // Writes text as it stands (no line end added).
  void write(std::string_view text, ConsoleTag tag = ConsoleTag::Result);
  // Writes text and a line end.
  void line(std::string_view text, ConsoleTag tag = ConsoleTag::Result);
  // A line that says why something the user asked for did not happen.
  void error(std::string_view text) { line(text, ConsoleTag::Error); }
  // A line that shows an intermediate value, not a result.
  void echo(std::string_view text) { line(text, ConsoleTag::Echo); }
  // Output is buffered (an action may echo many values); the shell flushes
  // after every callback.
  void flush();

  // Named-value displays.
  void display(std::string_view name, const Mat& value);
  void display(std::string_view name, double value);
  void display(std::string_view name, std::string_view text);
  void display(std::string_view name, const std::vector<std::string>& texts);

  // Everything written since the last clear(), when keeping is on.
  const std::string& kept() const { return kept_; }
  void clear() { kept_.clear(); }
  void setKeep(bool keep) { keep_ = keep; }

  // Called with every piece of text written; an empty function stops it.
  using Listener = std::function<void(std::string_view text, ConsoleTag tag)>;
  void setListener(Listener listener) { listener_ = std::move(listener); }

 private:
  std::ostream* out_;
  bool keep_;
  std::string kept_;
  Listener listener_;
};

// Formats a matrix the way the console shows it (without name), one line per
// row, columns right-aligned: integers as integers, others with 4 decimals.
std::string formatMatrix(const Mat& value);

}  // namespace varnok
