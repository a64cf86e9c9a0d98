// SessionRecorder: what the user did in the main window, kept as the steps
// of a script that `varnok --script` replays (the format is described in
// platform/window/script_parser.hpp).
//
// Four things are recorded, in the order they happened:
// - every callback the window runs that a script records, exactly as sent
//   (a nested callback, run by another while it is running, is not:
//   replaying the outer one runs it);
// - before each callback, the controls whose value differs from what it was
//   when the previous callback ended, as `set` lines. The program changes
//   controls only while its callbacks run, so a difference found there is
//   the user's: typing in an edit box, ticking a box, choosing in a list.
//   Several edits of one box between two callbacks give one line, the last
//   value; an edit undone before the next callback gives none;
// - the answers of the dialogs a callback opens, before its line, since a
//   script queues answers before the step that asks for them; pictures and
//   plot data saved from the menu, as `save-picture` lines;
// - the size of the plot area, as a `plot-size` line before the first step
//   and again whenever it changed: limits under equal units, deformation
//   grids and the pictures saved all follow it.
//
// Dialogs opened outside a callback (the window's own, such as this one's
// save dialog) are not recorded. Texts keep their inner blanks and quotes;
// a script line cannot carry a line break or blanks at either end, so such a
// text is written without them and a comment line says so.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/script_parser.hpp"
#include "platform/window/window.hpp"

namespace varnok::qt {

class QtControl;

class SessionRecorder {
 public:
  using Runner = std::function<void(const std::string& callback, window::Control* source)>;
  // The plot area's width and height in pixels.
  using PlotSize = std::function<std::array<int, 2>()>;

  // controls: the window's controls, read to find the user's changes (their
  // values now are the starting point); inner: the dialogs the actions would
  // see without the recorder; plotSize: where to read the plot area's size
  // (empty: no plot-size lines).
  SessionRecorder(const std::vector<std::unique_ptr<QtControl>>& controls, window::Dialogs& inner,
                  PlotSize plotSize = {});
  ~SessionRecorder();
  SessionRecorder(const SessionRecorder&) = delete;
  SessionRecorder& operator=(const SessionRecorder&) = delete;

  // The dialogs to give the actions: they answer as inner does, and record
  // the answers while a recorded callback runs.
  window::Dialogs& dialogs();
  // A runner that runs callbacks through inner and records those for which
  // recorded says so (all of them without it); the others run as they are,
  // and what they answer in dialogs is not recorded either.
  Runner wrap(Runner inner, std::function<bool(const std::string& callback)> recorded = {});
  // A picture or plot-data file the user saved from the window's menu;
  // options: its size and resolution as save-picture takes them
  // ("85x60mm 300"), empty for the plot area's size.
  void picture(const std::string& path, const std::string& options = {});

  // The script of the session so far. header lines are written first as
  // comments; paths of files in folder (or below it) are written relative to
  // it, others in full. Edits made since the last callback end the script.
  std::string script(const std::filesystem::path& folder,
                     const std::vector<std::string>& header = {}) const;
  // Whether anything has been recorded (edits since the last callback count).
  bool empty() const;
  // Every file the session opened or wrote, in full (a script saved over one
  // of them would destroy it, or be overwritten while it is replayed).
  std::vector<std::filesystem::path> filesUsed() const;
  // The folder of the last file answered in a dialog, empty when none was.
  std::filesystem::path lastFolder() const;

 private:
  class Recording;
  struct Step;
  struct Watched;

  void beginCallback();
  void endCallback(const std::string& callback);
  void answered(const window::ScriptAnswer& answer);
  // The set steps for the controls changed since the last snapshot.
  std::vector<Step> edits() const;
  void snapshot();
  // The user's edits, and the plot's size when it changed, as steps.
  void catchUp();

  std::vector<Watched> watched_;
  PlotSize plotSize_;
  std::optional<std::array<int, 2>> sizeWritten_;
  std::vector<Step> steps_;
  std::unique_ptr<Recording> dialogs_;
  int depth_ = 0;
};

// File > Save Session as Script: asks for a file in dialogs and writes the
// recorded session there, completely or not at all, with a header naming the
// program and the date. Refusals and failures go to a message box, success
// to status.
void saveSessionScript(const SessionRecorder& recorder, window::Dialogs& dialogs,
                       const std::function<void(const std::string&)>& status);

}  // namespace varnok::qt
