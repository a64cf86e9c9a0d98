// The Export Picture dialog: its values become the export options.
#include "platform/qt/export_dialog.hpp"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>

namespace varnok::qt {
namespace {

using graphics::PictureFormat;
using graphics::SizeUnit;

TEST(ExportDialog, TheFormatFollowsTheExtensionOrTheList) {
  auto t = exportTargetFor(QStringLiteral("/tmp/fig.SVG"), PictureFormat::Png);
  EXPECT_EQ(t.format, PictureFormat::Svg);
  EXPECT_EQ(t.path, QStringLiteral("/tmp/fig.SVG"));
  t = exportTargetFor(QStringLiteral(" /tmp/fig "), PictureFormat::Pdf);
  EXPECT_EQ(t.format, PictureFormat::Pdf);
  EXPECT_EQ(t.path, QStringLiteral("/tmp/fig.pdf"));
  t = exportTargetFor(QStringLiteral("/tmp/fig.tiff"), PictureFormat::Eps);
  EXPECT_EQ(t.path, QStringLiteral("/tmp/fig.tiff.eps"));
}

TEST(ExportDialog, SizeUnitsAndTheShapeOfThePlot) {
  ExportSettings start;
  start.path = QStringLiteral("/tmp/score.png");
  ExportPictureDialog d(nullptr, start, {800, 600});
  // 85 mm wide, as high as the plot's shape makes it.
  EXPECT_DOUBLE_EQ(d.widthBox()->value(), 85);
  EXPECT_NEAR(d.heightBox()->value(), 63.8, 0.05);
  EXPECT_TRUE(d.summary()->text().contains(QStringLiteral("1004")));
  d.widthBox()->setValue(170);
  EXPECT_NEAR(d.heightBox()->value(), 127.5, 0.05);
  // In pixels at the resolution shown: 170 mm at 300 dpi.
  d.unitBox()->setCurrentIndex(1);
  EXPECT_NEAR(d.widthBox()->value(), 2008, 0.5);
  const graphics::ExportOptions o = exportOptionsFor(d.settings());
  ASSERT_TRUE(o.size);
  EXPECT_EQ(o.size->unit, SizeUnit::Pixels);
  EXPECT_NEAR(o.size->width, 2008, 0.5);
  EXPECT_EQ(o.dpi, 300);
  // Choosing a format changes the extension; typing one chooses the format.
  d.formatBox()->setCurrentIndex(2);
  emit d.formatBox()->activated(2);
  EXPECT_EQ(d.pathEdit()->text(), QStringLiteral("/tmp/score.pdf"));
  EXPECT_EQ(d.target().format, PictureFormat::Pdf);
  d.pathEdit()->setText(QStringLiteral("/tmp/score.eps"));
  emit d.pathEdit()->textEdited(d.pathEdit()->text());
  EXPECT_EQ(d.formatBox()->currentIndex(), 3);
  // What was chosen is offered again.
  ExportPictureDialog again(nullptr, d.settings(), {800, 600});
  EXPECT_EQ(again.unitBox()->currentIndex(), 1);
  EXPECT_EQ(again.pathEdit()->text(), QStringLiteral("/tmp/score.eps"));
}

// Answers the question box that the next modal loop opens.
void answerQuestion(QMessageBox::StandardButton answer, QString* asked) {
  QTimer::singleShot(0, [answer, asked] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    *asked = box->text();
    box->button(answer)->click();
  });
}

TEST(ExportDialog, ATypedNameOfAnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "varnok_export_ask";
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / "fig.png";
  std::ofstream(file) << "mine";
  ExportSettings start;
  start.path = QString::fromStdString(file.string());
  ExportPictureDialog d(nullptr, start, {800, 600});
  QString asked;
  answerQuestion(QMessageBox::No, &asked);
  d.accept();
  EXPECT_TRUE(asked.contains(QStringLiteral("already exists")));
  EXPECT_NE(d.result(), QDialog::Accepted);
  answerQuestion(QMessageBox::Yes, &asked);
  d.accept();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  // A new name asks nothing.
  ExportSettings fresh;
  fresh.path = QString::fromStdString((dir / "new.png").string());
  ExportPictureDialog n(nullptr, fresh, {800, 600});
  n.accept();
  EXPECT_EQ(n.result(), QDialog::Accepted);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace varnok::qt
