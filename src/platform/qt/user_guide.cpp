#include "platform/qt/user_guide.hpp"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#ifndef VARNOK_VERSION
#define VARNOK_VERSION "unknown"
#endif

// The guide lives in this static library, so its resource is registered by
// hand; Q_INIT_RESOURCE may not be used inside a namespace.
static void initGuideResource() {
  Q_INIT_RESOURCE(guide);
}

namespace varnok::qt {

namespace {

constexpr const char* kGuide = ":/docs/USER_GUIDE.md";

}  // namespace

QString programVersion() {
  return QStringLiteral(VARNOK_VERSION);
}

QString userGuideMarkdown() {
  initGuideResource();
  QFile file(QString::fromLatin1(kGuide));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QDialog* showUserGuide(QWidget* parent) {
  initGuideResource();
  static QPointer<QDialog> open;
  if (open && open->parentWidget() == parent) {
    open->show();
    open->raise();
    open->activateWindow();
    return open;
  }
  auto* dialog = new QDialog(parent);
  dialog->setObjectName(QStringLiteral("UserGuide"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(QObject::tr("Varnok User Guide"));
  auto* layout = new QVBoxLayout(dialog);
  auto* browser = new QTextBrowser(dialog);
  browser->setObjectName(QStringLiteral("UserGuideText"));
  browser->setOpenExternalLinks(true);
  // Pictures named in the guide are found beside it, in the resource.
  browser->setSource(QUrl(QStringLiteral("qrc") + QString::fromLatin1(kGuide)),
                     QTextDocument::MarkdownResource);
  layout->addWidget(browser);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
  layout->addWidget(buttons);
  dialog->resize(760, 640);
  dialog->show();
  open = dialog;
  return dialog;
}

void showAbout(QWidget* parent) {
  QMessageBox::about(
      parent, QObject::tr("About Varnok"),
      QObject::tr("<b>Varnok %1</b><p>Two-dimensional geometric morphometrics: Procrustes "
                  "superimposition, partial warps and principal components of shape, score "
                  "plots and deformation grids.</p><p>Help &gt; User Guide explains the file "
                  "formats and a first analysis.</p>")
          .arg(programVersion()));
}

}  // namespace varnok::qt
