#include "platform/qt/export_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "platform/matrix/text.hpp"

namespace varnok::qt {

namespace {

struct FormatInfo {
  graphics::PictureFormat format;
  const char* name;
  const char* extension;
};
constexpr FormatInfo kFormats[] = {
    {graphics::PictureFormat::Png, "PNG image", ".png"},
    {graphics::PictureFormat::Svg, "SVG drawing", ".svg"},
    {graphics::PictureFormat::Pdf, "PDF document", ".pdf"},
    {graphics::PictureFormat::Eps, "Encapsulated PostScript", ".eps"},
};

int formatIndex(graphics::PictureFormat f) {
  for (int i = 0; i < 4; ++i)
    if (kFormats[i].format == f) return i;
  return 0;
}

bool isMm(graphics::SizeUnit u) {
  return u == graphics::SizeUnit::Millimetres;
}

}  // namespace

graphics::ExportOptions exportOptionsFor(const ExportSettings& s) {
  graphics::ExportOptions o;
  o.size = graphics::PictureSize{s.width, s.height, s.unit};
  o.dpi = s.dpi;
  return o;
}

std::string pictureArguments(const ExportSettings& s) {
  // Numbers as short as they read back exactly.
  return shortestText(s.width) + "x" + shortestText(s.height) + (isMm(s.unit) ? "mm" : "") + " " +
         shortestText(s.dpi);
}

ExportTarget exportTargetFor(const QString& path, graphics::PictureFormat listed) {
  ExportTarget t;
  t.path = path.trimmed();
  if (const auto f = graphics::formatFromPath(t.path.toStdString())) {
    t.format = *f;
  } else {
    t.format = listed;
    if (!t.path.isEmpty()) t.path += QLatin1String(kFormats[formatIndex(listed)].extension);
  }
  return t;
}

ExportPictureDialog::ExportPictureDialog(QWidget* parent, const ExportSettings& start,
                                         std::array<double, 2> plotSizePx)
    : QDialog(parent) {
  setWindowTitle(tr("Export Picture"));
  if (plotSizePx[0] > 1 && plotSizePx[1] > 1) aspect_ = plotSizePx[1] / plotSizePx[0];

  path_ = new QLineEdit(
      start.path.isEmpty() ? QDir::current().filePath(QStringLiteral("figure.png")) : start.path);
  path_->setMinimumWidth(320);
  auto* browse = new QPushButton(tr("Browse…"));
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(path_, 1);
  fileRow->addWidget(browse);

  format_ = new QComboBox;
  for (const FormatInfo& f : kFormats)
    format_->addItem(QStringLiteral("%1 (%2)").arg(tr(f.name), QLatin1String(f.extension + 1)));

  width_ = new QDoubleSpinBox;
  height_ = new QDoubleSpinBox;
  unit_ = new QComboBox;
  unit_->addItem(tr("mm"));
  unit_->addItem(tr("pixels"));
  dpi_ = new QDoubleSpinBox;
  dpi_->setRange(graphics::kMinDpi, graphics::kMaxDpi);
  dpi_->setDecimals(0);
  dpi_->setSingleStep(50);
  dpi_->setSuffix(tr(" dpi"));
  keepShape_ = new QCheckBox(tr("Keep the shape of the plot on screen"));
  summary_ = new QLabel;
  summary_->setWordWrap(true);

  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(width_);
  sizeRow->addWidget(new QLabel(QStringLiteral("\u00d7")));
  sizeRow->addWidget(height_);
  sizeRow->addWidget(unit_);

  auto* form = new QFormLayout;
  form->addRow(tr("File:"), fileRow);
  form->addRow(tr("Format:"), format_);
  form->addRow(tr("Size:"), sizeRow);
  form->addRow(QString(), keepShape_);
  form->addRow(tr("Resolution:"), dpi_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("Export"));
  auto* note = new QLabel(
      tr("Fonts, symbols and lines keep their size in points, so the picture looks as it "
         "will when printed at this size. SVG, PDF and EPS files have this page size; a PNG "
         "image gets the pixels of the resolution and states it."));
  note->setWordWrap(true);
  auto* top = new QVBoxLayout(this);
  top->addLayout(form);
  top->addWidget(summary_);
  top->addWidget(note);
  top->addWidget(buttons);

  // Starting values, before the connections so they do not echo.
  shownUnit_ = start.unit;
  unit_->setCurrentIndex(isMm(start.unit) ? 0 : 1);
  const bool mm = isMm(start.unit);
  for (QDoubleSpinBox* b : {width_, height_}) {
    b->setDecimals(mm ? 1 : 0);
    b->setRange(mm ? graphics::kMinSideMm : graphics::kMinSidePx,
                mm ? graphics::kMaxSideMm : graphics::kMaxSidePx);
  }
  dpi_->setValue(start.dpi);
  width_->setValue(start.width);
  height_->setValue(start.height > 0 ? start.height : start.width * aspect_);
  keepShape_->setChecked(start.keepShape);
  if (start.keepShape) height_->setValue(width_->value() * aspect_);
  if (const auto f = graphics::formatFromPath(path_->text().toStdString()))
    format_->setCurrentIndex(formatIndex(*f));

  connect(browse, &QPushButton::clicked, this, [this] { this->browse(); });
  connect(unit_, &QComboBox::currentIndexChanged, this, [this] { unitChanged(); });
  connect(width_, &QDoubleSpinBox::valueChanged, this, [this] { widthChanged(); });
  connect(height_, &QDoubleSpinBox::valueChanged, this, [this] { heightChanged(); });
  connect(dpi_, &QDoubleSpinBox::valueChanged, this, [this] { updateSummary(); });
  connect(keepShape_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) widthChanged();
  });
  connect(path_, &QLineEdit::textEdited, this, [this] { pathEdited(); });
  connect(format_, &QComboBox::activated, this, [this] { formatChosen(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  updateSummary();
}

ExportSettings ExportPictureDialog::settings() const {
  ExportSettings s;
  s.path = target().path;
  s.width = width_->value();
  s.height = height_->value();
  s.unit = shownUnit_;
  s.dpi = dpi_->value();
  s.keepShape = keepShape_->isChecked();
  return s;
}

ExportTarget ExportPictureDialog::target() const {
  return exportTargetFor(path_->text(), kFormats[format_->currentIndex()].format);
}

void ExportPictureDialog::accept() {
  if (path_->text().trimmed().isEmpty()) {
    QMessageBox::warning(this, windowTitle(), tr("Enter the name of the picture file."));
    return;
  }
  // A name typed here, or given its extension after Browse, replaces a file
  // that no dialog has asked about yet.
  const QString path = target().path;
  if (path != replaceConfirmed_ && QFileInfo::exists(path) &&
      QMessageBox::question(this, windowTitle(), tr("%1 already exists. Replace it?").arg(path)) !=
          QMessageBox::Yes)
    return;
  QDialog::accept();
}

void ExportPictureDialog::browse() {
  QString filters;
  for (const FormatInfo& f : kFormats) {
    if (!filters.isEmpty()) filters += QLatin1String(";;");
    filters += QStringLiteral("%1 (*%2)").arg(tr(f.name), QLatin1String(f.extension));
  }
  QString selected = filters.split(QLatin1String(";;")).at(format_->currentIndex());
  const QString chosen =
      QFileDialog::getSaveFileName(this, tr("Export Picture"), path_->text(), filters, &selected);
  if (chosen.isEmpty()) return;
  const int listed = static_cast<int>(filters.split(QLatin1String(";;")).indexOf(selected));
  path_->setText(exportTargetFor(chosen, kFormats[std::max(listed, 0)].format).path);
  replaceConfirmed_ = chosen;
  pathEdited();
}

void ExportPictureDialog::pathEdited() {
  if (const auto f = graphics::formatFromPath(path_->text().trimmed().toStdString()))
    format_->setCurrentIndex(formatIndex(*f));
}

void ExportPictureDialog::formatChosen() {
  // The path takes the chosen format's extension in place of a known one.
  QString p = path_->text().trimmed();
  if (graphics::formatFromPath(p.toStdString())) p.chop(4);
  path_->setText(p + QLatin1String(kFormats[format_->currentIndex()].extension));
}

void ExportPictureDialog::unitChanged() {
  const graphics::SizeUnit now =
      unit_->currentIndex() == 0 ? graphics::SizeUnit::Millimetres : graphics::SizeUnit::Pixels;
  if (now == shownUnit_) return;
  // The same picture in the other unit, at the resolution shown.
  const double perMm = dpi_->value() / graphics::kMmPerInch;
  const double factor = isMm(now) ? 1 / perMm : perMm;
  const double w = width_->value() * factor, h = height_->value() * factor;
  adjusting_ = true;
  for (QDoubleSpinBox* b : {width_, height_}) {
    b->setDecimals(isMm(now) ? 1 : 0);
    b->setRange(isMm(now) ? graphics::kMinSideMm : graphics::kMinSidePx,
                isMm(now) ? graphics::kMaxSideMm : graphics::kMaxSidePx);
  }
  width_->setValue(w);
  height_->setValue(h);
  adjusting_ = false;
  shownUnit_ = now;
  updateSummary();
}

void ExportPictureDialog::widthChanged() {
  if (!adjusting_ && keepShape_->isChecked()) {
    adjusting_ = true;
    height_->setValue(width_->value() * aspect_);
    adjusting_ = false;
  }
  updateSummary();
}

void ExportPictureDialog::heightChanged() {
  if (!adjusting_ && keepShape_->isChecked() && aspect_ > 0) {
    adjusting_ = true;
    width_->setValue(height_->value() / aspect_);
    adjusting_ = false;
  }
  updateSummary();
}

void ExportPictureDialog::updateSummary() {
  const double dpi = dpi_->value();
  double wMm = width_->value(), hMm = height_->value(), wPx = 0, hPx = 0;
  if (isMm(shownUnit_)) {
    wPx = std::round(wMm / graphics::kMmPerInch * dpi);
    hPx = std::round(hMm / graphics::kMmPerInch * dpi);
  } else {
    wPx = std::round(wMm);
    hPx = std::round(hMm);
    wMm = wPx / dpi * graphics::kMmPerInch;
    hMm = hPx / dpi * graphics::kMmPerInch;
  }
  QString text = tr("%1 \u00d7 %2 mm; as PNG %3 \u00d7 %4 pixels at %5 dpi.")
                     .arg(wMm, 0, 'f', 1)
                     .arg(hMm, 0, 'f', 1)
                     .arg(wPx, 0, 'f', 0)
                     .arg(hPx, 0, 'f', 0)
                     .arg(dpi, 0, 'f', 0);
  if (wPx > graphics::kMaxSidePx || hPx > graphics::kMaxSidePx ||
      wPx * hPx > graphics::kMaxPngPixels)
    text += tr(" Too large for a PNG image: choose a smaller size or resolution.");
  summary_->setText(text);
}

}  // namespace varnok::qt
