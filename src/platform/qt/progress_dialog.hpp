// Progress of long actions in the window: a dialog with Cancel that appears
// only when the work lasts longer than about half a second.
//
// Reports come on the GUI thread between blocks of work. Until the dialog is
// up, pending paint events are handled but no user input, so a click cannot
// start a second action inside the running one; once the modal dialog is up,
// its Cancel button is the only thing the user can reach.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <string>

#include "platform/matrix/progress.hpp"

namespace varnok::qt {

class ProgressDialog : public Progress {
 public:
  // delayMs: how long work runs before the dialog shows.
  explicit ProgressDialog(int delayMs = 500) : delayMs_(delayMs) {}
  ~ProgressDialog() override;

  void start(std::string_view what, long total) override;
  void advance(long n) override;
  bool cancelled() const override;
  bool interactive() const override { return true; }
  void finish() override;

  bool shown() const { return dialog_ != nullptr && dialog_->isVisible(); }

 private:
  void pump();

  int delayMs_;
  QElapsedTimer started_, lastPump_;
  std::string what_;
  long total_ = 0, done_ = 0;
  bool cancelled_ = false;
  QPointer<QProgressDialog> dialog_;
};

}  // namespace varnok::qt
