#include "platform/qt/console_panel.hpp"

#include <QApplication>
#include <QClipboard>
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
  buttons->addStretch(1);
  auto* copy = new QPushButton(QObject::tr("Copy All"), body);
  copy->setObjectName(QStringLiteral("ConsoleCopy"));
  copy->setToolTip(QObject::tr("Copy the whole console to the clipboard"));
  auto* clearButton = new QPushButton(QObject::tr("Clear"), body);
  clearButton->setObjectName(QStringLiteral("ConsoleClear"));
  clearButton->setToolTip(QObject::tr("Empty the console panel"));
  buttons->addWidget(copy);
  buttons->addWidget(clearButton);
  layout->addLayout(buttons);
  setWidget(body);

  QObject::connect(clearButton, &QPushButton::clicked, this, [this] { clear(); });
  QObject::connect(copy, &QPushButton::clicked, this,
                   [this] { QGuiApplication::clipboard()->setText(text()); });
}

void ConsolePanel::append(std::string_view text) {
  pending_ += QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (scheduled_) return;
  scheduled_ = true;
  QTimer::singleShot(0, this, [this] { flush(); });
}

void ConsolePanel::flush() {
  scheduled_ = false;
  if (pending_.isEmpty()) return;
  QScrollBar* bar = view_->verticalScrollBar();
  // Follow the output unless the user has scrolled up to read something.
  const bool atEnd = bar->value() >= bar->maximum();
  QTextCursor end(view_->document());
  end.movePosition(QTextCursor::End);
  end.insertText(pending_);
  pending_.clear();
  if (atEnd) bar->setValue(bar->maximum());
}

void ConsolePanel::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  flush();
  // After the layout has given the view its height.
  QTimer::singleShot(0, this, [this] {
    QScrollBar* bar = view_->verticalScrollBar();
    bar->setValue(bar->maximum());
  });
}

void ConsolePanel::clear() {
  pending_.clear();
  view_->clear();
}

QString ConsolePanel::text() {
  flush();
  return view_->toPlainText();
}

}  // namespace varnok::qt
