// The user manual: the guide printed to a PDF with its pictures, made by the
// build beside the program, found there or where an installed program keeps
// it, and offered in the Help menu right after the guide.
#include "platform/qt/user_manual.hpp"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QUrl>
#include <filesystem>

#include "platform/qt/qt_window.hpp"
#include "platform/qt/user_guide.hpp"
#include "support/session_fixture.hpp"

namespace varnok::qt {
namespace {

namespace fs = std::filesystem;

int occurrences(const QByteArray& text, const char* what) {
  int n = 0;
  for (qsizetype at = text.indexOf(what); at >= 0; at = text.indexOf(what, at + 1)) ++n;
  return n;
}

TEST(UserManual, TheGuideIsPrintedWithEveryPicture) {
  testkit::ScratchFolder scratch;
  const QString path = QString::fromStdString((scratch / "manual.pdf").string());
  const QString guide = userGuideMarkdown();
  QString why;
  // As the build makes it: the guide and its pictures from docs/.
  const QString docs = QUrl::fromLocalFile(QStringLiteral(VARNOK_SOURCE_DIR "/docs")).toString();
  ASSERT_TRUE(writeUserManual(guide, docs, path, &why)) << why.toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray pdf = file.readAll();
  EXPECT_TRUE(pdf.startsWith("%PDF-"));
  EXPECT_GE(occurrences(pdf, "/Type /Page\n") + occurrences(pdf, "/Type /Page\r"), 5);
  // One image for each picture the guide names (pictures that fail to load
  // are left out silently, so this is what catches a wrong folder).
  const auto pictures = guide.count(QStringLiteral(".png)"));
  EXPECT_GE(pictures, 5);
  EXPECT_EQ(occurrences(pdf, "/Subtype /Image"), pictures);

  // A folder that is not there: refused with a reason, nothing left behind.
  const QString nowhere = QString::fromStdString((scratch / "no" / "manual.pdf").string());
  EXPECT_FALSE(writeUserManual(guide, docs, nowhere, &why));
  EXPECT_FALSE(why.isEmpty());
  EXPECT_FALSE(fs::exists(scratch / "no"));
}

TEST(UserManual, IsBuiltBesideTheProgramAndFoundThereOrWhereItIsInstalled) {
  const QString built = QStringLiteral(VARNOK_BINARY_DIR);
  EXPECT_EQ(findUserManual(built), QDir(built).filePath(QStringLiteral("VarnokMan.pdf")));
  QFile pdf(findUserManual(built));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");

  testkit::ScratchFolder scratch;
  fs::create_directories(scratch / "bin");
  fs::create_directories(scratch / "share" / "doc" / "varnok");
  const QString bin = QString::fromStdString((scratch / "bin").string());
  EXPECT_TRUE(findUserManual(bin).isEmpty());
  testkit::writeFile(scratch / "share" / "doc" / "varnok" / "VarnokMan.pdf", "%PDF-1.4\n");
  EXPECT_EQ(findUserManual(bin).toStdString(),
            (scratch / "share" / "doc" / "varnok" / "VarnokMan.pdf").string());
  // The copy beside the program wins.
  testkit::writeFile(scratch / "bin" / "VarnokMan.pdf", "%PDF-1.4\n");
  EXPECT_EQ(findUserManual(bin).toStdString(), (scratch / "bin" / "VarnokMan.pdf").string());
}

TEST(UserManual, TheHelpMenuOffersTheGuideFirstAndTheManualNext) {
  QtWindow::Options options;
  options.layoutFile = VARNOK_SOURCE_DIR "/layout/Varnok6p.ui";
  options.fitToScreen = false;
  QtWindow window([](const std::string&, window::Control*) {}, options);
  auto* help = window.mainWindow()->findChild<QMenu*>(QStringLiteral("menuHelp"));
  ASSERT_NE(help, nullptr);
  const QList<QAction*> items = help->actions();
  ASSERT_GE(items.size(), 2);
  EXPECT_EQ(items[0]->objectName(), QStringLiteral("UserGuideItem"));
  EXPECT_EQ(items[1]->objectName(), QStringLiteral("UserManualItem"));
  EXPECT_EQ(items[1]->text(), QStringLiteral("User &Manual (PDF)"));
}

}  // namespace
}  // namespace varnok::qt
