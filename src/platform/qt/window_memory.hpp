// WindowMemory: the main window's side of the settings kept between runs.
//
// It fills File > Recent Data Files, puts the window back where it was, and
// after every callback notes what the user chose: a data file that loaded
// (recent files), a display setting of the Settings menu, the black-and-white
// symbols. Loading data resets the display settings to their defaults, so the
// remembered choices are applied only once, right after the first data file
// of a run has loaded, through the same menu callbacks the user would choose
// (and so with the same check marks and console lines); later loads keep the
// defaults as usual.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/session_facts.hpp"
#include "platform/window/catalog.hpp"

class QMainWindow;
class QMenu;

namespace varnok::window {
class Control;
}

namespace varnok::qt {

class SettingsStore;

class WindowMemory : public QObject {
 public:
  struct Hooks {
    // Loads a data file as if chosen in LoadData's dialog.
    std::function<void(const QString& path)> openDataFile;
    // Runs the callback of the window's control with exactly this string;
    // false when there is none.
    std::function<bool(const std::string& callback)> run;
    // What a callback does (the program's catalog).
    std::function<window::CallbackFacts(const std::string& callback)> facts;
    // The display settings, in the order they are put back.
    std::vector<std::string> displaySettings;
    // The control of the black-and-white switch of the group symbols, or null.
    std::function<window::Control*()> blackAndWhiteSwitch;
    // A short message in the status bar.
    std::function<void(const QString& text)> status;
  };

  WindowMemory(QMainWindow& main, SettingsStore& settings, Hooks hooks);

  // Size, place and docks of the last run; false when none was kept.
  bool restoreWindow();
  void saveWindow();

  // After a callback has run. before: the session as it was before it.
  void afterCallback(const std::string& callback, QObject* source, const SessionFacts& before,
                     const SessionFacts& after);
  // Before the first callback of a run, now: the semilandmark check items
  // of the last run are put back, so that they hold for the first data file
  // loaded too.
  void beforeCallback(const SessionFacts& now);

  QMenu* recentMenu() const { return recent_; }
  void rebuildRecentMenu();

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void restoreDisplaySettings();
  bool slidingRestored_ = false;

  QMainWindow& main_;
  SettingsStore& settings_;
  Hooks hooks_;
  QMenu* recent_ = nullptr;
  QString bwLabelOff_;
  bool restored_ = false;
  bool symbolsChosen_ = false;
};

}  // namespace varnok::qt
