// FileDropFilter: a file dragged onto the main window from a file manager is
// offered to open(); only one local file at a time is accepted.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QMimeData;

namespace varnok::qt {

class FileDropFilter : public QObject {
 public:
  explicit FileDropFilter(std::function<void(const QString& path)> open) : open_(std::move(open)) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

  // The one local file the drag carries, or empty.
  static QString droppedFile(const QMimeData* mime);

 private:
  std::function<void(const QString&)> open_;
};

}  // namespace varnok::qt
