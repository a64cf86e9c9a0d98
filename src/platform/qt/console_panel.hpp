// ConsolePanel: the program's console inside the main window.
//
// A panel (View > Console) below the plot holding what the program writes to
// its console, in order, as plain text the user can select and copy. Every
// piece of text keeps its kind (error, result, echo of an intermediate
// value); errors and results are shown, the echoes only with "Show
// diagnostics". Text arrives in pieces as it is written and is shown at the
// next turn of the event loop (or at flush()), so an action that echoes many
// values does not repaint the panel for each of them.
#pragma once

#include <QDockWidget>
#include <QString>
#include <QTextCursor>
#include <deque>
#include <string_view>

#include "platform/matrix/console.hpp"

class QCheckBox;
class QPlainTextEdit;
class QShowEvent;

namespace varnok::qt {

class ConsolePanel : public QDockWidget {
 public:
  // Pieces kept; older ones are dropped, so a long session stays small.
  static constexpr int kMaxLines = 20000;

  explicit ConsolePanel(QWidget* parent = nullptr);

  // Adds text as written (UTF-8, line ends where the console put them).
  void append(std::string_view text, ConsoleTag tag = ConsoleTag::Result);
  // Shows what is still waiting.
  void flush();
  // Empties the panel (the Clear button).
  void clear();
  // Everything shown, waiting text included.
  QString text();
  // Everything kept, echoes included, whether shown or not (Copy All).
  QString allText() const;

  // Shows or hides the echoes of intermediate values (the check box).
  void setShowDiagnostics(bool on);
  bool showsDiagnostics() const;

  // Marks the last error written and scrolls it into view: the error that
  // opened the panel is the first thing the user reads.
  void revealLastError();

  QPlainTextEdit* view() const { return view_; }

 protected:
  // A hidden panel has no scroll range to follow the output with, so it
  // shows its last lines when it opens (an action's error among them).
  void showEvent(QShowEvent* event) override;

 private:
  struct Piece {
    QString text;
    ConsoleTag tag;
  };
  bool shown(ConsoleTag tag) const;
  // Adds a piece to the end of the view.
  void showPiece(const Piece& piece);
  // Puts the kept pieces back in the view, as the check box now asks.
  void rebuild();

  QPlainTextEdit* view_;
  QCheckBox* diagnostics_;
  std::deque<Piece> pieces_;
  std::size_t waiting_ = 0;  // the last pieces not shown yet
  bool scheduled_ = false;
  // The last error shown, selected in the view's document (which keeps it
  // in place as lines come and go); null: none.
  QTextCursor errorMark_;
};

}  // namespace varnok::qt
