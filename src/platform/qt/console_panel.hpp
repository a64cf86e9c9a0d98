// ConsolePanel: the program's console inside the main window.
//
// A dock widget (View > Console) holding everything the program writes to
// its console, in order, as plain text the user can select and copy. Text
// arrives in pieces as it is written and is shown at the next turn of the
// event loop (or at flush()), so an action that echoes many values does not
// repaint the panel for each of them.
#pragma once

#include <QDockWidget>
#include <QString>
#include <string_view>

class QPlainTextEdit;
class QShowEvent;

namespace varnok::qt {

class ConsolePanel : public QDockWidget {
 public:
  // Lines kept; older ones are dropped, so a long session stays small.
  static constexpr int kMaxLines = 20000;

  explicit ConsolePanel(QWidget* parent = nullptr);

  // Adds text as written (UTF-8, line ends where the console put them).
  void append(std::string_view text);
  // Shows what is still waiting.
  void flush();
  // Empties the panel (the Clear button).
  void clear();
  // Everything shown, waiting text included.
  QString text();

  QPlainTextEdit* view() const { return view_; }

 protected:
  // A hidden panel has no scroll range to follow the output with, so it
  // shows its last lines when it opens (an action's error among them).
  void showEvent(QShowEvent* event) override;

 private:
  QPlainTextEdit* view_;
  QString pending_;
  bool scheduled_ = false;
};

}  // namespace varnok::qt
