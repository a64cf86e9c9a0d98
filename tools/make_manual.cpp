// make_manual: writes the user manual PDF from the user guide at build time.
//   make_manual GUIDE.md OUTPUT.pdf
// Pictures are read from the guide's folder. Needs no display (run it with
// QT_QPA_PLATFORM=offscreen).
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>
#include <iostream>

#include "platform/qt/user_manual.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_manual GUIDE.md OUTPUT.pdf\n";
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QString guide = QString::fromLocal8Bit(argv[1]);
  QFile file(guide);
  if (!file.open(QIODevice::ReadOnly)) {
    std::cerr << "make_manual: cannot read " << argv[1] << '\n';
    return 1;
  }
  const QString folder = QUrl::fromLocalFile(QFileInfo(guide).absolutePath()).toString();
  QString why;
  if (!varnok::qt::writeUserManual(QString::fromUtf8(file.readAll()), folder,
                                   QString::fromLocal8Bit(argv[2]), &why)) {
    std::cerr << "make_manual: " << why.toStdString() << '\n';
    return 1;
  }
  return 0;
}
