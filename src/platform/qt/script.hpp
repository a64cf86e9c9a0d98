// Script mode: a session of the main window read from a text file (its
// format and parser are in platform/window/script_parser.hpp) and run on a
// window. Answers wait in a queue and are used, in order, by whatever dialog
// asks next; a dialog that finds the queue empty is cancelled with a warning.
#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/script_parser.hpp"
#include "platform/window/window.hpp"

namespace varnok::qt {

using window::CallbackCheck;
using window::parseScript;
using window::readScript;
using window::ScriptAnswer;
using window::ScriptError;
using window::ScriptStep;

// Dialogs answered from the script's queue. Message boxes are written to out
// as "[msgbox TITLE] TEXT"; warnings about unanswered or mismatched dialogs go
// to err.
class ScriptedDialogs : public window::Dialogs {
 public:
  ScriptedDialogs(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  void push(ScriptAnswer answer) { answers_.push_back(std::move(answer)); }
  std::size_t pending() const { return answers_.size(); }

  std::optional<window::FileChoice> uigetfile(std::string_view filter, std::string_view title,
                                              std::string_view folder) override;
  std::optional<window::FileChoice> uiputfile(std::string_view filter, std::string_view title,
                                              std::string_view folder) override;
  void msgbox(std::string_view text, std::string_view title) override;
  std::optional<std::vector<std::string>> inputdlg(
      const std::vector<std::string>& prompts, std::string_view title,
      const std::vector<std::string>& defaults) override;
  std::optional<window::Click> ginput() override;

 private:
  // The next answer if it is of the wanted kind; otherwise a warning and
  // nullopt (a mismatched answer is used up, as the dialog did ask).
  std::optional<ScriptAnswer> next(ScriptAnswer::Kind want, std::string_view dialog);
  std::optional<window::FileChoice> file(std::string_view title);

  std::ostream& out_;
  std::ostream& err_;
  std::deque<ScriptAnswer> answers_;
};

// Runs parsed steps on a window. runCallback runs one callback string (and
// must not throw); afterStep, when given, runs after every step (the Qt
// window repaints there). Returns 0 when every step ran, 1 when a directive
// failed; the failure is written to err naming the line, and the script
// stops there. Errors inside callbacks are the program's own business (the
// console shows them) and do not stop the script.
int runScript(const std::vector<ScriptStep>& steps, window::Window& window,
              ScriptedDialogs& dialogs, const std::function<void(const std::string&)>& runCallback,
              std::ostream& out, std::ostream& err, const std::function<void()>& afterStep = {});

}  // namespace varnok::qt
