#include "platform/qt/console_panel.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColor>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace varnok::qt {

ConsolePanel::ConsolePanel(QWidget* parent) : QDockWidget(QObject::tr("Console"), parent) {
  setObjectName(QStringLiteral("ConsolePanel"));
  setAllowedAreas(Qt::BottomDockWidgetArea | Qt::RightDockWidgetArea | Qt::LeftDockWidgetArea);

  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(4, 2, 4, 4);
  layout->setSpacing(3);

  view_ = new QPlainTextEdit(body);
  view_->setObjectName(QStringLiteral("ConsoleText"));
  view_->setReadOnly(true);
  view_->setUndoRedoEnabled(false);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setMaximumBlockCount(kMaxLines);
  // Matrices are aligned in columns: they need a fixed-width font.
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  layout->addWidget(view_, 1);

  auto* buttons = new QHBoxLayout;
  diagnostics_ = new QCheckBox(QObject::tr("Show diagnostics"), body);
  diagnostics_->setObjectName(QStringLiteral("ConsoleDiagnostics"));
  diagnostics_->setToolTip(
      QObject::tr("Also show the intermediate values the actions echo, not only errors and "
                  "results"));
  buttons->addWidget(diagnostics_);
  buttons->addStretch(1);
  auto* copy = new QPushButton(QObject::tr("Copy All"), body);
  copy->setObjectName(QStringLiteral("ConsoleCopy"));
  copy->setToolTip(QObject::tr("Copy the whole console, diagnostics included, to the clipboard"));
  auto* clearButton = new QPushButton(QObject::tr("Clear"), body);
  clearButton->setObjectName(QStringLiteral("ConsoleClear"));
  clearButton->setToolTip(QObject::tr("Empty the console panel"));
  buttons->addWidget(copy);
  buttons->addWidget(clearButton);
  layout->addLayout(buttons);
  setWidget(body);

  QObject::connect(diagnostics_, &QCheckBox::toggled, this, [this] { rebuild(); });
  QObject::connect(clearButton, &QPushButton::clicked, this, [this] { clear(); });
  QObject::connect(copy, &QPushButton::clicked, this,
                   [this] { QGuiApplication::clipboard()->setText(allText()); });
}

bool ConsolePanel::shown(ConsoleTag tag) const {
  return tag != ConsoleTag::Echo || diagnostics_->isChecked();
}

void ConsolePanel::append(std::string_view text, ConsoleTag tag) {
  QString piece = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  // Text written in several pieces of one kind is one piece.
  if (waiting_ > 0 && pieces_.back().tag == tag) {
    pieces_.back().text += piece;
  } else {
    pieces_.push_back({std::move(piece), tag});
    ++waiting_;
  }
  while (pieces_.size() > static_cast<std::size_t>(kMaxLines)) {
    pieces_.pop_front();
    waiting_ = std::min(waiting_, pieces_.size());
  }
  if (scheduled_) return;
  scheduled_ = true;
  QTimer::singleShot(0, this, [this] { flush(); });
}

void ConsolePanel::showPiece(const Piece& piece) {
  if (!shown(piece.tag)) return;
  QTextCursor end(view_->document());
  end.movePosition(QTextCursor::End);
  const int start = end.position();
  end.insertText(piece.text);
  if (piece.tag != ConsoleTag::Error) return;
  errorMark_ = QTextCursor(view_->document());
  errorMark_.setPosition(start);
  // Its line end left out, so only the error's own lines are marked.
  const bool endsLine = piece.text.endsWith(QLatin1Char('\n'));
  errorMark_.setPosition(std::max(start, end.position() - (endsLine ? 1 : 0)),
                         QTextCursor::KeepAnchor);
}

void ConsolePanel::flush() {
  scheduled_ = false;
  if (waiting_ == 0) return;
  QScrollBar* bar = view_->verticalScrollBar();
  // Follow the output unless the user has scrolled up to read something.
  const bool atEnd = bar->value() >= bar->maximum();
  for (std::size_t i = pieces_.size() - waiting_; i < pieces_.size(); ++i) showPiece(pieces_[i]);
  waiting_ = 0;
  if (atEnd) bar->setValue(bar->maximum());
}

void ConsolePanel::rebuild() {
  waiting_ = 0;
  scheduled_ = false;
  errorMark_ = QTextCursor();
  view_->setExtraSelections({});
  view_->clear();
  for (const Piece& p : pieces_) showPiece(p);
  view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum());
}

void ConsolePanel::setShowDiagnostics(bool on) {
  diagnostics_->setChecked(on);
}

bool ConsolePanel::showsDiagnostics() const {
  return diagnostics_->isChecked();
}

void ConsolePanel::revealLastError() {
  flush();
  if (errorMark_.isNull() || !errorMark_.hasSelection()) return;
  QTextEdit::ExtraSelection mark;
  mark.cursor = errorMark_;
  mark.format.setBackground(QColor(255, 226, 204));
  mark.format.setProperty(QTextFormat::FullWidthSelection, true);
  view_->setExtraSelections({mark});
  // The error's last line in sight first, then its first: a long message
  // shows from its start.
  QTextCursor at(errorMark_);
  at.setPosition(errorMark_.selectionEnd());
  view_->setTextCursor(at);
  view_->ensureCursorVisible();
  at.setPosition(errorMark_.selectionStart());
  view_->setTextCursor(at);
  view_->ensureCursorVisible();
}

void ConsolePanel::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  flush();
  // After the layout has given the view its height.
  QTimer::singleShot(0, this, [this] {
    if (!view_->extraSelections().isEmpty())
      revealLastError();
    else
      view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum());
  });
}

void ConsolePanel::clear() {
  pieces_.clear();
  waiting_ = 0;
  errorMark_ = QTextCursor();
  view_->setExtraSelections({});
  view_->clear();
}

QString ConsolePanel::text() {
  flush();
  return view_->toPlainText();
}

QString ConsolePanel::allText() const {
  QString all;
  for (const Piece& p : pieces_) all += p.text;
  return all;
}

}  // namespace varnok::qt
