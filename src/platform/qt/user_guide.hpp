// The Help menu's own windows: the user guide (docs/USER_GUIDE.md, compiled
// in, shown as formatted text with its pictures) and the About box with the
// program's version.
#pragma once

#include <QString>

class QWidget;
class QDialog;

namespace varnok::qt {

// The guide's text as compiled in (Markdown).
QString userGuideMarkdown();
// Opens the guide in a dialog of its own (not modal: it can stay open beside
// the window); a second call raises the one already open.
QDialog* showUserGuide(QWidget* parent);
void showAbout(QWidget* parent);
// The program's version, from the build.
QString programVersion();

}  // namespace varnok::qt
