// Script mode: a session of the main window read from a text file.
//
// One step a line. A line is either a callback string exactly as a control of
// the layout sends it (Varnoksw('LoadData')), or a directive:
//
//   answer file PATH          the next file dialog returns PATH
//   answer input TEXT         the next question is answered with TEXT
//   answer click X Y [BUTTON] the next pick in the plot is (X, Y), button 1..3
//   answer cancel             the next dialog is cancelled
//   set TAG PROPERTY VALUE    as a user typing or ticking (fires nothing);
//                             String, Label, Enable and Checked take the rest
//                             of the line as text, other properties numbers
//   print TAG PROPERTY        writes "TAG PROPERTY: value" and a line end
//   save-picture PATH         writes the plot; format from the extension
//                             (.png .svg .pdf .eps), or with .json the
//                             plot's data (platform/graphics/plot_data.hpp)
//
// Lines starting with # are comments; blank lines are skipped; trailing
// blanks are dropped. Relative paths are taken from the script's folder.
// Answers wait in a queue and are used, in order, by whatever dialog asks
// next; a dialog that finds the queue empty is cancelled with a warning.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/window/window.hpp"

namespace varnok::qt {

struct ScriptAnswer {
  enum class Kind { File, Input, Click, Cancel };
  Kind kind = Kind::Cancel;
  std::string text;  // the file's full path, or the input text
  window::Click click;
};

struct ScriptStep {
  enum class Kind { Callback, Answer, Set, Print, SavePicture };
  Kind kind = Kind::Callback;
  int line = 0;      // 1-based line of the script
  std::string text;  // the callback string, or the picture's full path
  ScriptAnswer answer;
  std::string tag, property;
  Value value;
};

struct ScriptError {
  int line = 0;  // 0 when the error is not about one line
  std::string message;
};

// Tells whether a line is a valid callback string; on false, why.
using CallbackCheck = std::function<bool(std::string_view text, std::string* why)>;

// Parses a whole script; the first bad line gives an error naming its number.
std::variant<std::vector<ScriptStep>, ScriptError> parseScript(
    std::istream& in, const std::filesystem::path& scriptFolder, const CallbackCheck& check);

// Reads and parses a script file.
std::variant<std::vector<ScriptStep>, ScriptError> readScript(const std::filesystem::path& file,
                                                              const CallbackCheck& check);

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
