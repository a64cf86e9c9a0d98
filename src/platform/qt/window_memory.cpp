#include "platform/qt/window_memory.hpp"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QVariant>

#include "platform/qt/qt_control.hpp"
#include "platform/qt/settings_store.hpp"
#include "platform/window/window.hpp"

namespace varnok::qt {

WindowMemory::WindowMemory(QMainWindow& main, SettingsStore& settings, Hooks hooks)
    : main_(main), settings_(settings), hooks_(std::move(hooks)) {
  if (window::Control* bw = hooks_.blackAndWhiteSwitch())
    bwLabelOff_ = QString::fromStdString(valueToText(bw->get("Label")));

  // File > Recent Data Files, just below the item that loads data.
  if (auto* file = main_.findChild<QMenu*>(QStringLiteral("menuFile"))) {
    recent_ = new QMenu(QObject::tr("&Recent Data Files"), file);
    QAction* before = nullptr;
    const auto actions = file->actions();
    for (qsizetype i = 0; i + 1 < actions.size() && !before; ++i) {
      const QVariant callback = actions[i]->property("callback");
      if (callback.isValid() &&
          hooks_.facts(callback.toString().toStdString()).file == window::FileKind::Data)
        before = actions[i + 1];
    }
    file->insertMenu(before, recent_);
    rebuildRecentMenu();
  }
  main_.installEventFilter(this);
}

bool WindowMemory::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &main_ && event->type() == QEvent::Close) saveWindow();
  return QObject::eventFilter(watched, event);
}

bool WindowMemory::restoreWindow() {
  const QByteArray geometry = settings_.windowGeometry();
  if (geometry.isEmpty() || !main_.restoreGeometry(geometry)) return false;
  main_.restoreState(settings_.windowState());
  return true;
}

void WindowMemory::saveWindow() {
  settings_.setWindow(main_.saveGeometry(), main_.saveState());
  settings_.sync();
}

void WindowMemory::rebuildRecentMenu() {
  if (!recent_) return;
  recent_->clear();
  const QStringList files = settings_.recentFiles();
  for (qsizetype i = 0; i < files.size(); ++i) {
    const QString path = files[i];
    QString name = QFileInfo(path).fileName();
    name.replace(QLatin1Char('&'), QLatin1String("&&"));
    QAction* item = recent_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
    item->setToolTip(QDir::toNativeSeparators(path));
    item->setStatusTip(QDir::toNativeSeparators(path));
    item->setData(path);
    QObject::connect(item, &QAction::triggered, this, [this, path] {
      if (!QFileInfo(path).isFile()) {
        QMessageBox::warning(&main_, QObject::tr("Recent Data Files"),
                             QObject::tr("%1 is no longer there; it is taken off the list.")
                                 .arg(QDir::toNativeSeparators(path)));
        settings_.removeRecentFile(path);
        rebuildRecentMenu();
        return;
      }
      hooks_.openDataFile(path);
    });
  }
  if (!files.isEmpty()) {
    recent_->addSeparator();
    QAction* clear = recent_->addAction(QObject::tr("&Clear List"));
    QObject::connect(clear, &QAction::triggered, this, [this] {
      for (const QString& f : settings_.recentFiles()) settings_.removeRecentFile(f);
      rebuildRecentMenu();
    });
  }
  recent_->setEnabled(!files.isEmpty());
}

void WindowMemory::afterCallback(const std::string& callback, QObject* source,
                                 const SessionFacts& before, const SessionFacts& after) {
  // A display setting the user chose from its menu: it is checked now.
  const window::CallbackFacts facts = hooks_.facts(callback);
  if (auto* item = qobject_cast<QAction*>(source);
      item && !facts.setting.empty() && item->isCheckable() && item->isChecked())
    settings_.setDisplayChoice(QString::fromStdString(facts.setting),
                               QString::fromStdString(callback));

  if (facts.choosesSymbols) symbolsChosen_ = true;
  if (facts.blackAndWhiteSwitch) {
    if (window::Control* bw = hooks_.blackAndWhiteSwitch())
      settings_.setBlackAndWhite(QString::fromStdString(valueToText(bw->get("Label"))) !=
                                 bwLabelOff_);
  }

  if (!after.permutations.empty() && after.permutations != before.permutations)
    settings_.setPermutations(QString::fromStdString(after.permutations));
  if (!after.slidingChoices.empty() && after.slidingChoices != before.slidingChoices)
    settings_.setSlidingChoices(QString::fromStdString(after.slidingChoices));

  if (after.dataLoads != before.dataLoads && !after.dataFile.empty()) {
    const QString path = QFileInfo(QString::fromStdString(after.dataFile)).absoluteFilePath();
    settings_.addRecentFile(path);
    settings_.setLastFolder(FileKind::Data, QFileInfo(path).absolutePath());
    rebuildRecentMenu();
    if (!restored_) {
      restored_ = true;
      restoreDisplaySettings();
    }
  }
  settings_.sync();
}

void WindowMemory::beforeCallback(const SessionFacts& now) {
  if (slidingRestored_) return;
  slidingRestored_ = true;
  // Only three flags are passed on, each through the menu item that sets it.
  static const QRegularExpression threeFlags(QStringLiteral("^[01]{3}$"));
  const std::string stored = settings_.slidingChoices().toStdString();
  if (!threeFlags.match(QString::fromStdString(stored)).hasMatch() ||
      now.slidingChoices.size() != 3)
    return;
  if (stored[0] != now.slidingChoices[0]) hooks_.run("ReadCurvesAsSemilandmarks");
  if (stored[1] != now.slidingChoices[1])
    hooks_.run(stored[1] == '1' ? "SlideByProcrustesDistance" : "SlideByBendingEnergy");
  if (stored[2] != now.slidingChoices[2]) hooks_.run("SlideCurveEnds");
}

void WindowMemory::restoreDisplaySettings() {
  bool any = false;
  for (const std::string& setting : hooks_.displaySettings) {
    const std::string callback =
        settings_.displayChoice(QString::fromStdString(setting)).toStdString();
    // Only what a menu item of this window sends, for the setting it was
    // stored under: the settings file is not a place to run code from.
    if (callback.empty() || hooks_.facts(callback).setting != setting) continue;
    if (hooks_.run(callback)) any = true;
  }
  // The permutation settings of the last session, when they are two whole
  // numbers: only those are passed on.
  static const QRegularExpression twoNumbers(QStringLiteral("^[0-9]{1,7} [0-9]{1,18}$"));
  const QString permutations = settings_.permutations();
  if (twoNumbers.match(permutations).hasMatch())
    hooks_.run("StatisticsSettings('" + permutations.toStdString() + "')");

  if (settings_.blackAndWhite().value_or(false) && !symbolsChosen_) {
    window::Control* bw = hooks_.blackAndWhiteSwitch();
    if (bw && QString::fromStdString(valueToText(bw->get("Label"))) == bwLabelOff_ &&
        hooks_.run(bw->callback()))
      any = true;
  }
  if (any)
    hooks_.status(
        QObject::tr("The display settings of the last session are in use (Settings menu)."));
}

}  // namespace varnok::qt
