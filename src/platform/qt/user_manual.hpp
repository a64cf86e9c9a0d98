// The user manual as a PDF file, VarnokMan.pdf: made from the user guide
// (docs/USER_GUIDE.md) when the program is built, kept beside the program
// (or in share/doc/varnok of an installed one) and opened by
// Help > User Manual (PDF) in the desktop's PDF viewer.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace varnok::qt {

inline constexpr const char* kUserManualName = "VarnokMan.pdf";

// Writes markdown (pictures named relative to the folder pictures, which may
// be a "qrc:" or "file:" URL of a folder) as an A4 PDF to path, complete or
// not at all. Pictures wider than the text are shrunk to its width. False,
// with why, when the PDF could not be written.
bool writeUserManual(const QString& markdown, const QString& pictures, const QString& path,
                     QString* why);

// Where the program looks for the manual, first match wins: beside the
// executable, then the installed places relative to it.
QStringList userManualCandidates(const QString& programFolder);
// The first candidate that exists; empty when none does.
QString findUserManual(const QString& programFolder);

// Opens the manual found beside the running program in the PDF viewer; a
// warning box says where it was looked for when it is not there or no viewer
// opens it.
void openUserManual(QWidget* parent);

}  // namespace varnok::qt
