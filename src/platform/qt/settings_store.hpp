// SettingsStore: what the window remembers between runs.
//
// The last folder of each kind of file (the starting folder of its dialogs
// while the session has not moved its own folder yet), the five data files
// loaded last, the window's size and place, and the display settings chosen
// in the Settings menu. The program keeps them in the user's settings
// (organisation and application "Varnok"); tests keep them in a file of
// their own. Script mode never makes one, so scripts neither read nor write
// the user's settings.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/window/catalog.hpp"

class QSettings;

namespace varnok::qt {

// The kinds of file whose folders are remembered apart.
using window::FileKind;

// list with path put first, an earlier copy of it dropped, at most max long.
QStringList withRecentFile(QStringList list, const QString& path, int max);

class SettingsStore {
 public:
  static constexpr int kMaxRecentFiles = 5;

  // The user's settings.
  SettingsStore();
  // Settings in an INI file of their own (tests).
  explicit SettingsStore(const QString& iniFile);
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // The last folder a file of this kind was chosen in (empty: none yet).
  QString lastFolder(FileKind kind) const;
  void setLastFolder(FileKind kind, const QString& folder);

  // The data files loaded last, newest first, at most kMaxRecentFiles.
  QStringList recentFiles() const;
  void addRecentFile(const QString& path);
  void removeRecentFile(const QString& path);

  QByteArray windowGeometry() const;
  QByteArray windowState() const;
  void setWindow(const QByteArray& geometry, const QByteArray& state);

  // The callback string of the menu item last chosen for a display setting
  // (window::Catalog::displaySettings), empty when none.
  QString displayChoice(const QString& setting) const;
  void setDisplayChoice(const QString& setting, const QString& callback);
  // Whether the black-and-white group symbols were last switched on or off.
  std::optional<bool> blackAndWhite() const;
  void setBlackAndWhite(bool on);

  // The permutation tests' "permutations seed", empty when none was chosen.
  QString permutations() const;
  void setPermutations(const QString& text);
  // The semilandmark check items as SessionFacts::slidingChoices gives
  // them, empty when none were chosen.
  QString slidingChoices() const;
  void setSlidingChoices(const QString& flags);

  // Where the settings are kept (a file name, or the platform's place).
  QString location() const;
  void sync();

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace varnok::qt
