#include "platform/qt/window_dialogs.hpp"

#include <QDir>
#include <QFileInfo>

#include "platform/qt/qt_dialogs.hpp"

namespace varnok::qt {

std::string WindowDialogs::startFolder(std::string_view folder) const {
  if (!folder.empty() || !settings_ || !kind_) return std::string(folder);
  const QString remembered = settings_->lastFolder(*kind_);
  if (remembered.isEmpty() || !QFileInfo(remembered).isDir()) return std::string(folder);
  QString out = QDir::toNativeSeparators(QDir(remembered).absolutePath());
  if (!out.endsWith(QDir::separator())) out += QDir::separator();
  return out.toStdString();
}

void WindowDialogs::chosen(const window::FileChoice& choice) {
  if (settings_ && kind_) settings_->setLastFolder(*kind_, QString::fromStdString(choice.folder));
}

std::optional<window::FileChoice> WindowDialogs::uigetfile(std::string_view filter,
                                                           std::string_view title,
                                                           std::string_view folder) {
  std::optional<window::FileChoice> choice;
  if (answer_) {
    choice = splitPath(*answer_);
    answer_.reset();
  } else {
    choice = inner_->uigetfile(filter, title, startFolder(folder));
  }
  if (choice) chosen(*choice);
  return choice;
}

std::optional<window::FileChoice> WindowDialogs::uiputfile(std::string_view filter,
                                                           std::string_view title,
                                                           std::string_view folder) {
  auto choice = inner_->uiputfile(filter, title, startFolder(folder));
  if (choice) {
    chosen(*choice);
    ++saves_;
  }
  return choice;
}

}  // namespace varnok::qt
