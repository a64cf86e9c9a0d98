#include "platform/qt/user_manual.hpp"

#include <QBuffer>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <exception>
#include <utility>
#include <vector>

#include "platform/matrix/files.hpp"

namespace varnok::qt {

namespace {

// The text's resolution: pictures keep the size they have on screen.
constexpr int kDpi = 96;
constexpr double kTextPt = 11;

// Every picture no wider than the text: a screenshot 1200 pixels wide would
// otherwise run off the page.
void fitPictures(QTextDocument& doc, double textWidth) {
  std::vector<std::pair<int, QTextImageFormat>> pictures;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.charFormat().isImageFormat()) continue;
      QTextImageFormat image = fragment.charFormat().toImageFormat();
      const QVariant pixels = doc.resource(QTextDocument::ImageResource, QUrl(image.name()));
      const QImage picture = pixels.value<QImage>();
      if (picture.isNull() || picture.width() <= textWidth) continue;
      image.setWidth(textWidth);
      image.setHeight(picture.height() * textWidth / picture.width());
      pictures.emplace_back(fragment.position(), image);
    }
  for (const auto& [position, image] : pictures) {
    QTextCursor cursor(&doc);
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    cursor.setCharFormat(image);
  }
}

}  // namespace

bool writeUserManual(const QString& markdown, const QString& pictures, const QString& path,
                     QString* why) {
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(QStringLiteral("Varnok User Manual"));
    writer.setCreator(QStringLiteral("Varnok"));
    writer.setResolution(kDpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
    QTextDocument doc;
    QString base = pictures;
    if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
    doc.setBaseUrl(QUrl(base));
    // Printed text a little larger than the screen's default.
    QFont font = doc.defaultFont();
    font.setPointSizeF(kTextPt);
    doc.setDefaultFont(font);
    doc.setMarkdown(markdown);
    const QRectF page = writer.pageLayout().paintRectPixels(kDpi);
    doc.setPageSize(page.size());
    fitPictures(doc, page.width() - 2 * doc.documentMargin());
    doc.print(&writer);
  }
  if (bytes.isEmpty()) {
    if (why) *why = QStringLiteral("the PDF writer produced nothing");
    return false;
  }
  try {
    writeFileAtomically(QDir::toNativeSeparators(path).toStdString(),
                        std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  } catch (const std::exception& e) {
    if (why) *why = QString::fromStdString(e.what());
    return false;
  }
  return true;
}

QStringList userManualCandidates(const QString& programFolder) {
  const QDir dir(programFolder);
  const QString name = QString::fromLatin1(kUserManualName);
  return {dir.filePath(name),
          QDir::cleanPath(dir.filePath(QStringLiteral("../share/doc/varnok/") + name)),
          QDir::cleanPath(dir.filePath(QStringLiteral("../share/varnok/") + name))};
}

QString findUserManual(const QString& programFolder) {
  for (const QString& candidate : userManualCandidates(programFolder))
    if (QFileInfo(candidate).isFile()) return candidate;
  return {};
}

void openUserManual(QWidget* parent) {
  const QString folder = QCoreApplication::applicationDirPath();
  const QString found = findUserManual(folder);
  const QString title = QObject::tr("User Manual (PDF)");
  if (found.isEmpty()) {
    QMessageBox::warning(parent, title,
                         QObject::tr("The manual %1 was not found. It is made when the program "
                                     "is built and looked for in:\n%2\n\nHelp > User Guide shows "
                                     "the same text.")
                             .arg(QString::fromLatin1(kUserManualName),
                                  userManualCandidates(folder).join(QLatin1Char('\n'))));
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(found)))
    QMessageBox::warning(parent, title,
                         QObject::tr("No PDF viewer opened the manual. It is the file\n%1\n\n"
                                     "Help > User Guide shows the same text.")
                             .arg(found));
}

}  // namespace varnok::qt
