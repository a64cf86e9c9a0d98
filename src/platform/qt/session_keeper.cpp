#include "platform/qt/session_keeper.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <exception>
#include <filesystem>
#include <string>
#include <variant>

#include "platform/matrix/files.hpp"
#include "platform/qt/session_recorder.hpp"

namespace varnok::qt {

QString SessionKeeper::fileBeside(const QString& settingsFile) {
  return QDir(QFileInfo(settingsFile).absolutePath())
      .filePath(QString::fromLatin1(kKeptSessionName));
}

QString SessionKeeper::afterCallback(const SessionRecorder& recorder, bool hasResults, bool saved) {
  if (saved)
    unsaved_ = false;
  else if (hasResults)
    unsaved_ = true;
  if (recorder.empty()) return {};
  const std::filesystem::path path = file_.toStdString();
  try {
    std::filesystem::create_directories(path.parent_path());
    // Paths in full: the kept script is replayed from wherever the program
    // starts, not from the settings folder.
    writeFileAtomically(
        path.string(),
        recorder.script({}, {"The session last run in the window, kept so that it can "
                             "be restored"}));
  } catch (const std::exception& e) {
    return QString::fromStdString(e.what());
  }
  return {};
}

void SessionKeeper::closing() {
  if (!unsaved_) forget();
}

std::optional<std::vector<window::ScriptStep>> SessionKeeper::lastSession() const {
  if (!QFileInfo(file_).isFile()) return std::nullopt;
  auto parsed = window::readScript(file_.toStdString(), {});
  auto* steps = std::get_if<std::vector<window::ScriptStep>>(&parsed);
  if (!steps || steps->empty()) {
    forget();
    return std::nullopt;
  }
  return std::move(*steps);
}

void SessionKeeper::forget() const {
  QFile::remove(file_);
}

}  // namespace varnok::qt
