// Shell: the program's entry routines and the owner of the analysis state.
//
// Varnok6p opens the main window (reusing an open one) or calls a routine by
// name; Varnoksw dispatches an action name to its action; runCallback runs a
// callback string of the layout file the way a control sends it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/matrix/console.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/window/window.hpp"
#include "session/call_env.hpp"
#include "session/routine_table.hpp"
#include "session/session.hpp"

namespace varnok::shell {

struct Entry;

// What the user should do before an action that stopped on an undefined
// value: "Load a data file first" before any data, "Run the analysis first"
// with data but no analysis, else nothing (empty).
std::string nextStepHint(const session::AnalysisState& state);

class Shell {
 public:
  // opener opens the main window from the layout file, or returns the window
  // already open (the "reuse" of a second start).
  using WindowOpener = std::function<window::Window&()>;

  Shell(Console& console, WindowOpener opener);

  // The main window routine: no arguments opens the window, sets its colour
  // and the start-up reference angle; a first argument that is text calls the
  // routine of that name with the rest (errors are written to the console);
  // anything else does nothing.
  ValueList Varnok6p(const ValueList& args, int nargout);

  // The dispatcher: action name and optional second argument.
  void Varnoksw(const ValueList& args, int nargout = 0);

  // Calls by name: the main window's callback sub-routines first, then the
  // routine table. Throws RuntimeError (unknown name, argument counts, or the
  // routine's own error).
  ValueList callByName(std::string_view name, const ValueList& args, int nargout);

  // Runs one callback string (for example "Varnoksw('SetLineWidth',25)"):
  // the call reaches its entry of the registry (shell/registry.hpp), which
  // may also be one of the window's own commands, else the routine table. A
  // runtime error is written to the console and the status bar and the
  // pointer is set back to the arrow; it never escapes. An undefined value
  // puts the next step to take in the status bar instead (nextStepHint). Returns false when the
  // callback stopped with an error.
  bool runCallback(std::string_view callback, window::Control* source = nullptr);

  // The live shape at (x, y) of the score plot, drawn into inset
  // (display/live_shape.hpp): empty when drawn, else why not. Changes
  // nothing of the session.
  std::string liveShape(graphics::Figure& inset, double x, double y);
  // Whether the plot shows the score plot, the one picture the live shape
  // previews.
  bool showsScorePlot() const;

  session::Session& session() { return session_; }
  const session::Session& session() const { return session_; }
  session::AnalysisState& state() { return session_.state; }
  Console& console() { return console_; }
  const session::RoutineTable& routines() const { return routines_; }
  window::Window& window();
  window::Window* windowIfOpen() { return window_; }
  // Where long actions report their progress (the window's progress dialog);
  // nothing listens by default.
  void setProgress(Progress* p) { progress_ = p; }

 private:
  // A call by name or from a control (which may reach a window command).
  ValueList call(std::string_view name, const ValueList& args, int nargout, bool fromControl);
  // Runs an action or window command with the call's arguments.
  void run(const Entry& entry, const ValueList& args);
  // After every callback: the Statistics menu items on exactly when their
  // inputs exist.
  void enableStatistics();

  Console& console_;
  WindowOpener opener_;
  window::Window* window_ = nullptr;
  Progress* progress_ = nullptr;
  session::Session session_;
  session::RoutineTable routines_;
};

}  // namespace varnok::shell
