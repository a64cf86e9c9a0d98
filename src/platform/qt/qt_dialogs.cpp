#include "platform/qt/qt_dialogs.hpp"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "platform/qt/plot_widget.hpp"

namespace varnok::qt {

namespace {

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

}  // namespace

std::string qtFileFilter(std::string_view filter) {
  // "*.*" means every file to the people who wrote these filters; on this
  // platform it would hide files without an extension, so it becomes "*".
  if (filter.empty() || filter == "*.*" || filter == "*") return "All files (*)";
  // Named filters ("Name (*.a *.b);;...") are already in Qt's form.
  if (filter.find('(') != std::string_view::npos) return std::string(filter);
  std::string patterns(filter);
  for (char& c : patterns)
    if (c == ';') c = ' ';
  return "Files (" + patterns + ");;All files (*)";
}

window::FileChoice splitPath(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  QString folder = QDir::toNativeSeparators(info.absolutePath());
  if (!folder.endsWith(QDir::separator())) folder += QDir::separator();
  return {info.fileName().toStdString(), folder.toStdString()};
}

// The folder a file dialog opens in: the session's, else where we started.
static QString startFolder(std::string_view folder) {
  return folder.empty() ? QDir::currentPath() : qs(folder);
}

std::optional<window::FileChoice> QtDialogs::uigetfile(std::string_view filter,
                                                       std::string_view title,
                                                       std::string_view folder) {
  const QString path = QFileDialog::getOpenFileName(parent_, qs(title), startFolder(folder),
                                                    QString::fromStdString(qtFileFilter(filter)));
  if (path.isEmpty()) return std::nullopt;
  return splitPath(path.toStdString());
}

std::optional<window::FileChoice> QtDialogs::uiputfile(std::string_view filter,
                                                       std::string_view title,
                                                       std::string_view folder) {
  const QString path = QFileDialog::getSaveFileName(parent_, qs(title), startFolder(folder),
                                                    QString::fromStdString(qtFileFilter(filter)));
  if (path.isEmpty()) return std::nullopt;
  return splitPath(path.toStdString());
}

void QtDialogs::msgbox(std::string_view text, std::string_view title) {
  QMessageBox box(QMessageBox::Information, title.empty() ? QStringLiteral("Varnok") : qs(title),
                  qs(text), QMessageBox::Ok, parent_);
  box.exec();
}

void QtDialogs::warn(std::string_view text, std::string_view title) {
  QMessageBox box(QMessageBox::Warning, title.empty() ? QStringLiteral("Varnok") : qs(title),
                  qs(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtDialogs::confirm(std::string_view question, std::string_view title) {
  return QMessageBox::question(parent_, qs(title), qs(question)) == QMessageBox::Yes;
}

std::optional<std::vector<std::string>> QtDialogs::inputdlg(
    const std::vector<std::string>& prompts, std::string_view title,
    const std::vector<std::string>& defaults) {
  QDialog dialog(parent_);
  dialog.setWindowTitle(qs(title));
  auto* layout = new QVBoxLayout(&dialog);
  auto* form = new QFormLayout;
  form->setRowWrapPolicy(QFormLayout::WrapAllRows);
  layout->addLayout(form);
  std::vector<QLineEdit*> edits;
  for (std::size_t i = 0; i < prompts.size(); ++i) {
    auto* edit = new QLineEdit(i < defaults.size() ? qs(defaults[i]) : QString(), &dialog);
    edit->setMinimumWidth(320);
    form->addRow(qs(prompts[i]), edit);
    edits.push_back(edit);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (!edits.empty()) edits.front()->selectAll();
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::vector<std::string> answers;
  for (QLineEdit* e : edits) answers.push_back(e->text().toStdString());
  return answers;
}

std::optional<window::Click> QtDialogs::ginput() {
  if (!plot_) return std::nullopt;
  auto* main = qobject_cast<QMainWindow*>(parent_);
  // A caller that has said in the status bar what the click is for keeps
  // its text; otherwise a general hint is shown while waiting.
  const bool ownHint = main && main->statusBar()->currentMessage().isEmpty();
  if (main) {
    main->raise();
    main->activateWindow();
    if (ownHint)
      main->statusBar()->showMessage(
          QObject::tr("Click in the plot area (right button ends where asked; Esc cancels)"));
  }
  plot_->refresh(true);
  auto click = plot_->waitForClick();
  if (ownHint) main->statusBar()->clearMessage();
  return click;
}

}  // namespace varnok::qt
