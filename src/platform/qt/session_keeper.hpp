// SessionKeeper: the running session kept as a script beside the window's
// settings, so that nothing is lost when the window is closed with results
// not saved, or the program ends without being closed.
//
// After every callback the session recorder's script is written to
// last_session.vks in the settings folder (completely or not at all, so a
// program that dies while writing leaves the previous steps). The session
// has unsaved results when an analysis exists and no file has been saved
// through a save dialog since the last callback that could have changed
// them. Closing the window then asks once; a session closed with nothing
// unsaved leaves no kept script behind. At the next start a kept script is
// offered for replay, which restores the session step by step.
//
// Only the interactive window keeps a session: script mode and tests have no
// settings store and so no keeper.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "platform/window/script_parser.hpp"

namespace varnok::qt {

class SessionRecorder;

inline constexpr const char* kKeptSessionName = "last_session.vks";

class SessionKeeper {
 public:
  // file: where the session is kept.
  explicit SessionKeeper(QString file) : file_(std::move(file)) {}
  // The kept session's file in the folder of the settings file.
  static QString fileBeside(const QString& settingsFile);

  const QString& file() const { return file_; }

  // A callback has ended. hasResults: an analysis exists now; saved: a file
  // was saved through a save dialog while it ran. Writes the recorder's
  // script (when anything was recorded); a failure to write is returned,
  // empty when written.
  QString afterCallback(const SessionRecorder& recorder, bool hasResults, bool saved);
  // Whether closing now would lose results not saved.
  bool unsaved() const { return unsaved_; }
  // The window closes: the kept script stays only when results were not
  // saved.
  void closing();

  // The steps of the session kept by the last run; nothing when there is
  // none, it has no steps, or it cannot be read (it is then removed, so it
  // is offered only once).
  std::optional<std::vector<window::ScriptStep>> lastSession() const;
  // The kept session is not wanted: removed.
  void forget() const;

 private:
  QString file_;
  bool unsaved_ = false;
};

}  // namespace varnok::qt
