// Window: what actions see of the main window.
//
// Controls are found by tag and read or written through the runtime's property
// names (String, Value, Enable, Checked, Label); the plot area is a graphics
// Figure; dialogs are reached through Dialogs. The Qt window implements it for
// real, InMemoryWindow for tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/value.hpp"

namespace varnok::window {

class Control {
 public:
  virtual ~Control() = default;
  virtual std::string tag() const = 0;
  // Properties: "String" (text, line breaks kept), "Value" (number), "Enable"
  // ("On"/"Off" as written; "on"/"off" read back), "Checked" ("on"/"off"),
  // "Label" (menu text). Unknown properties throw RuntimeError.
  virtual Value get(std::string_view prop) const = 0;
  virtual void set(std::string_view prop, const Value& v) = 0;
  // The callback string of the control, empty when it has none.
  virtual std::string callback() const { return {}; }
};

// A file chosen in a file dialog: the name without its folder, and the folder
// ending with a separator.
struct FileChoice {
  std::string name;
  std::string folder;
};

// A click in the plot area, in data units; button 1 left, 2 middle, 3 right.
struct Click {
  double x = 0, y = 0;
  int button = 1;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // File dialogs opening in folder (the session's current folder); nullopt
  // when the user cancels. filter is patterns separated by ';' ("*.*" for
  // every file), or named filters separated by ";;" ("TPS files (*.tps);;All
  // files (*)"), the first of them chosen at the start.
  virtual std::optional<FileChoice> uigetfile(std::string_view filter, std::string_view title,
                                              std::string_view folder) = 0;
  virtual std::optional<FileChoice> uiputfile(std::string_view filter, std::string_view title,
                                              std::string_view folder) = 0;
  // A modal message box; returns when the user has dismissed it.
  virtual void msgbox(std::string_view text, std::string_view title = {}) = 0;
  // A message box that says what went wrong (a refusal, an error), with the
  // warning sign where the dialogs have icons; else the same as msgbox.
  virtual void warn(std::string_view text, std::string_view title) { msgbox(text, title); }
  // A dialog of one-line answers; nullopt when cancelled.
  virtual std::optional<std::vector<std::string>> inputdlg(
      const std::vector<std::string>& prompts, std::string_view title,
      const std::vector<std::string>& defaults) = 0;
  // Waits for one click in the plot area; nullopt when cancelled.
  virtual std::optional<Click> ginput() = 0;
  // A question of yes or no; true for yes. Dialogs that cannot ask say no,
  // which leaves everything as it was.
  virtual bool confirm(std::string_view question, std::string_view title) {
    (void)question, (void)title;
    return false;
  }
};

// What the window does itself, asked for by a menu item.
// ShowConsole opens the console panel (a result was written there).
enum class WindowCommand { Close, About, UserGuide, ExportPicture, SaveSession, ShowConsole };

class Window {
 public:
  virtual ~Window() = default;
  // Every control whose tag is tag (none, one or several).
  virtual std::vector<Control*> findobj(std::string_view tag) = 0;
  virtual graphics::Figure& figure() = 0;
  virtual Dialogs& dialogs() = 0;
  // A short message in the status bar (errors of actions go here too).
  virtual void status(std::string_view text) = 0;
  // The status bar's word that a file was written, the one way every writer
  // says it: "Saved 76 PC scores to mice_scores.txt" (the file's name, not
  // its folder).
  // detail follows the name: " (1004 x 709 pixels, 300 dpi)".
  void confirmSaved(std::string_view what, std::string_view path, std::string_view detail = {});
  // An action stopped on an error: message is what the console got, hint
  // (possibly empty) what the user should do first. The status bar shows the
  // hint when there is one, else the message.
  virtual void actionFailed(std::string_view message, std::string_view hint) {
    status(hint.empty() ? message : hint);
  }
  // Draws pending changes now (drawnow).
  virtual void drawnow() {}
  // Puts a picture of the plot on the clipboard; false when there is none.
  virtual bool copyToClipboard() { return false; }
  // Brings the window forward (a second start reuses the window).
  virtual void raise() {}
  // Makes the plot area width x height pixels (a script's plot-size);
  // RuntimeError when this window cannot.
  virtual void setPlotSize(int width, int height);
  // Runs a command of the window's own; a window without it does nothing.
  virtual void perform(WindowCommand command) { (void)command; }
  // Gives the figure the size of the plot area as shown now, so that what
  // is written of it has the limits on screen.
  virtual void fitFigureToPlot() {}
  // A picture or the plot's data was written to path from the menu (a
  // recorded session writes it again).
  virtual void fileWritten(const std::string& path) { (void)path; }

  // Convenience: the first control with this tag, or RuntimeError naming it.
  Control& control(std::string_view tag);
  // Sets a property on every control with the tag; RuntimeError when none.
  void setAll(std::string_view tag, std::string_view prop, const Value& v);
};

}  // namespace varnok::window
