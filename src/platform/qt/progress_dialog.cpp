#include "platform/qt/progress_dialog.hpp"

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>

namespace varnok::qt {

namespace {
// Steps of the bar: a long count is scaled to fit an int.
int scaled(long v, long total) {
  if (total <= 0) return 0;
  return static_cast<int>(
      std::clamp(1000.0 * static_cast<double>(v) / static_cast<double>(total), 0.0, 1000.0));
}
}  // namespace

ProgressDialog::~ProgressDialog() {
  delete dialog_.data();
}

void ProgressDialog::start(std::string_view what, long total) {
  // A new stage of the same action keeps the clock (and a dialog already up).
  if (!started_.isValid()) started_.start();
  lastPump_.start();
  what_ = std::string(what);
  total_ = total;
  done_ = 0;
  if (dialog_) {
    dialog_->setLabelText(QString::fromStdString(what_));
    // A step of unknown length shows a busy bar rather than one stuck at 0.
    dialog_->setRange(0, total_ > 0 ? 1000 : 0);
    dialog_->setValue(0);
  }
}

void ProgressDialog::advance(long n) {
  done_ += n;
  if (!dialog_ && started_.isValid() && started_.elapsed() >= delayMs_) {
    dialog_ = new QProgressDialog(QString::fromStdString(what_), QStringLiteral("Cancel"), 0,
                                  total_ > 0 ? 1000 : 0, QApplication::activeWindow());
    dialog_->setWindowTitle(QStringLiteral("Varnok"));
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setMinimumDuration(0);
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    dialog_->show();
  }
  if (dialog_ && total_ > 0) dialog_->setValue(scaled(done_, total_));
  pump();
}

bool ProgressDialog::cancelled() const {
  return cancelled_ || (dialog_ && dialog_->wasCanceled());
}

void ProgressDialog::finish() {
  if (dialog_) dialog_->setValue(1000);
  pump();
}

void ProgressDialog::pump() {
  // Often enough for the window to repaint and Cancel to answer, seldom
  // enough to cost nothing next to the work.
  if (lastPump_.isValid() && lastPump_.elapsed() < 40) return;
  lastPump_.start();
  QCoreApplication::processEvents(dialog_ ? QEventLoop::AllEvents
                                          : QEventLoop::ExcludeUserInputEvents);
  if (dialog_ && dialog_->wasCanceled()) cancelled_ = true;
}

}  // namespace varnok::qt
