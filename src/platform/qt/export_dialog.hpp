// The "Export Picture" dialog: a file, a size in millimetres or pixels and a
// resolution, for figures that go into papers.
//
// The format follows the file's extension (PNG, SVG, PDF, EPS); a name
// without one gets the extension of the chosen format. What was chosen is
// offered again the next time.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <optional>
#include <string>

#include "platform/graphics/render.hpp"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QCheckBox;

namespace varnok::qt {

// What the dialog offers and remembers.
struct ExportSettings {
  QString path;                   // empty: a name in the current folder is suggested
  double width = 85, height = 0;  // height 0: from the plot's shape
  graphics::SizeUnit unit = graphics::SizeUnit::Millimetres;
  double dpi = graphics::kDefaultPrintDpi;
  bool keepShape = true;
};

// The export options of the dialog's values.
graphics::ExportOptions exportOptionsFor(const ExportSettings& s);

// The size and resolution as a save-picture line of a script takes them:
// "85x63.8mm 300", "1200x900 96".
std::string pictureArguments(const ExportSettings& s);

// The picture format of the chosen path, or of the format chosen in the
// list when the path names none; the path gets that extension then.
struct ExportTarget {
  QString path;
  graphics::PictureFormat format = graphics::PictureFormat::Png;
};
ExportTarget exportTargetFor(const QString& path, graphics::PictureFormat listed);

class ExportPictureDialog : public QDialog {
 public:
  // plotSizePx: the plot area on screen, whose shape the height follows.
  ExportPictureDialog(QWidget* parent, const ExportSettings& start,
                      std::array<double, 2> plotSizePx);

  ExportSettings settings() const;
  ExportTarget target() const;

  // The widgets, for tests.
  QLineEdit* pathEdit() const { return path_; }
  QDoubleSpinBox* widthBox() const { return width_; }
  QDoubleSpinBox* heightBox() const { return height_; }
  QComboBox* unitBox() const { return unit_; }
  QDoubleSpinBox* dpiBox() const { return dpi_; }
  QComboBox* formatBox() const { return format_; }
  QLabel* summary() const { return summary_; }

  void accept() override;

 private:
  void browse();
  void unitChanged();
  void widthChanged();
  void heightChanged();
  void pathEdited();
  void formatChosen();
  void updateSummary();

  QLineEdit* path_ = nullptr;
  QComboBox* format_ = nullptr;
  QDoubleSpinBox* width_ = nullptr;
  QDoubleSpinBox* height_ = nullptr;
  QComboBox* unit_ = nullptr;
  QDoubleSpinBox* dpi_ = nullptr;
  QCheckBox* keepShape_ = nullptr;
  QLabel* summary_ = nullptr;
  double aspect_ = 0.75;  // height / width of the plot
  graphics::SizeUnit shownUnit_ = graphics::SizeUnit::Millimetres;
  // The file the Browse dialog already asked about replacing.
  QString replaceConfirmed_;
  bool adjusting_ = false;
};

}  // namespace varnok::qt
