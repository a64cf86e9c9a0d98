#include "platform/qt/qt_window.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QUiLoader>
#include <algorithm>
#include <cmath>
#include <exception>
#include <iostream>

#include "platform/graphics/render.hpp"
#include "platform/matrix/console.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/qt/console_panel.hpp"
#include "platform/qt/enable_mirror.hpp"
#include "platform/qt/export_dialog.hpp"
#include "platform/qt/file_drop.hpp"
#include "platform/qt/live_shape_inset.hpp"
#include "platform/qt/plot_widget.hpp"
#include "platform/qt/pointer.hpp"
#include "platform/qt/qt_control.hpp"
#include "platform/qt/qt_dialogs.hpp"
#include "platform/qt/script.hpp"
#include "platform/qt/session_keeper.hpp"
#include "platform/qt/session_recorder.hpp"
#include "platform/qt/settings_store.hpp"
#include "platform/qt/user_guide.hpp"
#include "platform/qt/user_manual.hpp"
#include "platform/qt/window_dialogs.hpp"
#include "platform/qt/window_memory.hpp"

// The layout resource lives in this static library, so it must be registered
// by hand; Q_INIT_RESOURCE may not be used inside a namespace.
static void initLayoutResource() {
  Q_INIT_RESOURCE(layout);
}

namespace varnok::qt {

namespace {

constexpr const char* kResourceLayout = ":/layout/Varnok6p.ui";
// Screens with less height than this get the compact side panel.
constexpr int kCompactBelow = 820;

// Builds the plot area where the layout names the PlotWidget class.
class Loader : public QUiLoader {
 public:
  QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
    if (className == QLatin1String("PlotWidget")) {
      auto* w = new PlotWidget(parent);
      w->setObjectName(name);
      return w;
    }
    return QUiLoader::createWidget(className, parent, name);
  }
};

// Closing the window ends a pick in progress, which would otherwise keep the
// event loop of the pick running with no window to click in.
class CloseWatcher : public QObject {
 public:
  explicit CloseWatcher(PlotWidget* plot) : plot_(plot) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close && plot_) plot_->cancelWait();
    return QObject::eventFilter(watched, event);
  }

 private:
  PlotWidget* plot_;
};

// Closing the window with results not saved asks first (QtWindow::mayClose).
class QuitGuard : public QObject {
 public:
  explicit QuitGuard(std::function<bool()> mayClose) : mayClose_(std::move(mayClose)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close && !mayClose_()) {
      event->ignore();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<bool()> mayClose_;
};

std::unique_ptr<QMainWindow> loadLayout(const std::string& path, std::string* error) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) {
    *error = "cannot open " + path + ": " + file.errorString().toStdString();
    return nullptr;
  }
  Loader loader;
  QWidget* widget = loader.load(&file, nullptr);
  if (!widget) {
    *error = "cannot read " + path + ": " + loader.errorString().toStdString();
    return nullptr;
  }
  auto* main = qobject_cast<QMainWindow*>(widget);
  if (!main) {
    delete widget;
    *error = path + " does not describe a main window";
    return nullptr;
  }
  if (!main->findChild<PlotWidget*>()) {
    delete main;
    *error = path + " has no plot area (a widget of class PlotWidget)";
    return nullptr;
  }
  return std::unique_ptr<QMainWindow>(main);
}

// Help > User Manual (PDF), right after the User Guide: the same text as a
// PDF file beside the program, for printing.
void addUserManualItem(QMainWindow& main) {
  auto* help = main.findChild<QMenu*>(QStringLiteral("menuHelp"));
  if (!help) return;
  QAction* guide = main.findChild<QAction*>(QStringLiteral("UserGuideItem"));
  const QList<QAction*> items = help->actions();
  const qsizetype at = guide ? items.indexOf(guide) : -1;
  QAction* before = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
  auto* item = new QAction(QObject::tr("User &Manual (PDF)"), help);
  item->setObjectName(QStringLiteral("UserManualItem"));
  item->setStatusTip(QObject::tr("Open the user guide as a PDF file (%1)")
                         .arg(QString::fromLatin1(kUserManualName)));
  help->insertAction(before, item);
  QObject::connect(item, &QAction::triggered, &main, [&main] { openUserManual(&main); });
}
}  // namespace

std::string layoutFileFor(const QString& programFolder) {
  const QDir dir(programFolder);
  const QString name = QStringLiteral("Varnok6p.ui");
  for (const QString& candidate :
       {dir.filePath(name),
        QDir::cleanPath(dir.filePath(QStringLiteral("../share/varnok/") + name))})
    if (QFileInfo(candidate).isFile()) return candidate.toStdString();
  return kResourceLayout;
}

std::string defaultLayoutFile() {
  return layoutFileFor(QCoreApplication::applicationDirPath());
}

QtWindow::QtWindow(CallbackRunner runner, Options options)
    : runner_(std::move(runner)), options_(std::move(options)) {
  initLayoutResource();
  std::string error;
  const std::string first = options_.layoutFile.empty() ? defaultLayoutFile() : options_.layoutFile;
  main_ = loadLayout(first, &error);
  layoutSource_ = first;
  if (!main_ && options_.layoutFile.empty() && first != kResourceLayout) {
    // A broken copy beside the executable must not stop the program.
    std::string fallbackError;
    main_ = loadLayout(kResourceLayout, &fallbackError);
    layoutSource_ = kResourceLayout;
    if (main_) qWarning("varnok: %s; using the built-in layout", error.c_str());
  }
  if (!main_) throw RuntimeError("The window layout cannot be loaded: " + error + ".");

  // A scrolled side panel is exactly as wide as its controls want, with room
  // for the scroll bar, so nothing is cut off on the right whatever the font.
  for (QScrollArea* area : main_->findChildren<QScrollArea*>()) {
    if (!area->widget() || !area->widgetResizable()) continue;
    area->setFixedWidth(area->widget()->sizeHint().width() +
                        area->verticalScrollBar()->sizeHint().width() + 2 * area->frameWidth());
  }

  plot_ = main_->findChild<PlotWidget*>();
  plot_->setFigure(&figure_);
  realDialogs_ = std::make_unique<QtDialogs>(main_.get(), plot_);
  dialogs_ = std::make_unique<WindowDialogs>(options_.dialogs ? *options_.dialogs : *realDialogs_);
  dialogs_->setSettings(options_.settings);
  closeWatcher_ = std::make_unique<CloseWatcher>(plot_);
  main_->installEventFilter(closeWatcher_.get());

  QList<QObject*> objects = main_->findChildren<QObject*>();
  objects.prepend(main_.get());
  for (QObject* o : objects) {
    const QString name = o->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
    if (!qobject_cast<QWidget*>(o) && !qobject_cast<QAction*>(o)) continue;
    controls_.push_back(std::make_unique<QtControl>(o, name.toStdString()));
    wire(*controls_.back());
  }

  // What the user does from here on can be saved as a script. The recorder
  // sees the answers of the window's own dialogs too (a recent or dropped
  // file answers LoadData's dialog there), and wraps the runner before any
  // window feature keeps a way to run callbacks.
  recorder_ = std::make_unique<SessionRecorder>(controls_, *dialogs_, [this] {
    return std::array<int, 2>{plot_->width(), plot_->height()};
  });
  runner_ = recorder_->wrap(std::move(runner_),
                            [this](const std::string& cb) { return factsOf(cb).recorded; });
  addWindowFeatures();
}

QtWindow::~QtWindow() {
  if (options_.console) options_.console->setListener({});
  // Widgets go first, while the controls their signals refer to still exist;
  // fire() sees no window and runs nothing on the way out.
  if (main_) main_->removeEventFilter(closeWatcher_.get());
  main_.reset();
}

void QtWindow::wire(QtControl& control) {
  QObject* o = control.object();
  QtControl* c = &control;
  if (auto* action = qobject_cast<QAction*>(o)) {
    if (control.callback().empty()) return;
    QObject::connect(action, &QAction::triggered, main_.get(), [this, c, action](bool checked) {
      // Check marks are the program's to set: undo the toggle Qt made.
      if (action->isCheckable()) {
        const QSignalBlocker quiet(action);
        action->setChecked(!checked);
      }
      fire(*c);
    });
    return;
  }
  if (control.callback().empty()) return;
  if (o == plot_) {
    QObject::connect(plot_, &PlotWidget::pressed, main_.get(), [this, c] { fire(*c); });
  } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
    QObject::connect(b, &QAbstractButton::clicked, main_.get(), [this, c] { fire(*c); });
  } else if (auto* e = qobject_cast<QLineEdit*>(o)) {
    // Like an edit box of the runtime: the callback runs when an edit is
    // finished (Return or leaving the box), not on every keystroke and not
    // when the box is left unchanged.
    QObject::connect(e, &QLineEdit::editingFinished, main_.get(), [this, c, e] {
      if (!e->isModified()) return;
      e->setModified(false);
      fire(*c);
    });
  } else if (auto* combo = qobject_cast<QComboBox*>(o)) {
    QObject::connect(combo, &QComboBox::activated, main_.get(), [this, c] { fire(*c); });
  } else if (auto* list = qobject_cast<QListWidget*>(o)) {
    QObject::connect(list, &QListWidget::currentRowChanged, main_.get(), [this, c] { fire(*c); });
  }
}

void QtWindow::fire(QtControl& control) {
  if (!main_) return;  // the window is being taken down
  if (busy_) {
    // A pick or a dialog of the running action is still open.
    main_->statusBar()->showMessage(
        QObject::tr("Finish the current step first (click in the plot, or Esc to cancel)."));
    QApplication::beep();
    return;
  }
  busy_ = true;
  main_->statusBar()->clearMessage();
  const std::string callback = control.callback();
  if (memory_) memory_->beforeCallback(facts());
  const SessionFacts before = facts();
  dialogs_->setKind(factsOf(callback).file);
  const unsigned long saves = dialogs_->saves();
  try {
    runner_(callback, &control);
  } catch (const std::exception& e) {
    status(e.what());
  }
  dialogs_->setKind(std::nullopt);
  dialogs_->dropAnswer();
  if (memory_) memory_->afterCallback(callback, control.object(), before, facts());
  if (keeper_) {
    const QString failed =
        keeper_->afterCallback(*recorder_, facts().hasResults, dialogs_->saves() != saves);
    if (!failed.isEmpty()) qWarning("varnok: the session is not kept: %s", qPrintable(failed));
  }
  busy_ = false;
  sync();
}

QtControl* QtWindow::lastWithCallback(std::string_view callback) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if ((*it)->object() && (*it)->callback() == callback) return it->get();
  return nullptr;
}

bool QtWindow::runNested(const std::string& callback) {
  QtControl* control = lastWithCallback(callback);
  // A call with arguments of what a control sends bare (a remembered
  // setting passed back to the item that sets it).
  if (!control && callback.find('(') != std::string::npos)
    control = lastWithCallback(callback.substr(0, callback.find('(')));
  if (!control) return false;
  try {
    runner_(callback, control);
  } catch (const std::exception& e) {
    status(e.what());
  }
  return true;
}

window::CallbackFacts QtWindow::factsOf(const std::string& callback) const {
  return options_.catalog ? options_.catalog->factsOf(callback) : window::CallbackFacts{};
}

SessionFacts QtWindow::facts() const {
  return options_.sessionFacts ? options_.sessionFacts() : SessionFacts{};
}

void QtWindow::openDataFile(const std::string& path) {
  // The control that loads data files, the last one made when several do (a
  // menu item is made after its button).
  QtControl* load = nullptr;
  for (auto it = controls_.rbegin(); it != controls_.rend() && !load; ++it)
    if ((*it)->object() && !(*it)->callback().empty() &&
        factsOf((*it)->callback()).file == window::FileKind::Data)
      load = it->get();
  if (!load) {
    status("This window has no control that loads data.");
    return;
  }
  // A file answered while an action is still waiting would go to its dialog.
  if (!busy_)
    dialogs_->answerNextOpen(
        QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString());
  fire(*load);
}

QString QtWindow::startFolder(window::FileKind kind) const {
  const SessionFacts f = facts();
  if (!f.folder.empty()) return QString::fromStdString(f.folder);
  if (options_.settings) {
    const QString remembered = options_.settings->lastFolder(kind);
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return remembered;
  }
  return QDir::currentPath();
}

void QtWindow::compactSidePanel() {
  // Controls a little lower and closer together, so that every control of
  // the side panel is in sight on a screen of 700 pixels without scrolling.
  auto* area = main_->findChild<QScrollArea*>(QStringLiteral("sidePanel"));
  if (!area || !area->widget()) return;
  const int row = area->fontMetrics().height() + 6;
  for (QWidget* w : area->widget()->findChildren<QWidget*>()) {
    if (qobject_cast<QAbstractButton*>(w) && !qobject_cast<QCheckBox*>(w) &&
        !qobject_cast<QRadioButton*>(w))
      w->setMaximumHeight(row);
    else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w))
      w->setMaximumHeight(row);
  }
  for (QLayout* l : area->widget()->findChildren<QLayout*>()) {
    l->setSpacing(std::min(l->spacing(), 2));
    if (auto* grid = qobject_cast<QGridLayout*>(l)) grid->setVerticalSpacing(2);
    QMargins m = l->contentsMargins();
    if (m.top() > 3) m.setTop(3);
    if (m.bottom() > 3) m.setBottom(3);
    l->setContentsMargins(m);
  }
}

void QtWindow::placeConsoleBelowPlot() {
  // Below the plot only, in a splitter with it: a panel across the whole
  // window would take its height from the side panel too and push its lowest
  // controls out of sight on a small screen.
  consolePanel_->setFeatures(QDockWidget::DockWidgetClosable);
  // Not the name it had as a dock of the window: a window place saved then
  // would dock it across the window again.
  consolePanel_->setObjectName(QStringLiteral("ConsoleBelowPlot"));
  consolePanel_->setMinimumHeight(0);
  QWidget* holder = plot_->parentWidget();
  QLayout* layout = holder ? holder->layout() : nullptr;
  auto* splitter = new QSplitter(Qt::Vertical, holder);
  splitter->setObjectName(QStringLiteral("PlotAndConsole"));
  splitter->setChildrenCollapsible(false);
  if (layout) delete layout->replaceWidget(plot_, splitter);
  splitter->setSizePolicy(plot_->sizePolicy());
  splitter->addWidget(plot_);
  splitter->addWidget(consolePanel_);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 0);
  consolePanel_->hide();
  // The first time it opens it takes a few lines' height, not half the plot.
  QObject::connect(consolePanel_, &QDockWidget::visibilityChanged, main_.get(),
                   [this, splitter](bool visible) {
                     if (!visible || consoleSized_ || !consolePanel_->isVisible()) return;
                     consoleSized_ = true;
                     const int total = splitter->height();
                     const int lines = 9 * consolePanel_->fontMetrics().lineSpacing() + 60;
                     const int panel = std::min(lines, total / 2);
                     splitter->setSizes({total - panel, panel});
                   });
}

void QtWindow::addWindowFeatures() {
  // Boxes the program writes keep the height of their lines whatever they
  // hold, so no control below them moves when a text changes. A box of
  // several lines scrolls when it is given more (the analysis adds a line to
  // the data summary each time it runs) and then shows its last lines.
  for (QLabel* box : main_->findChildren<QLabel*>()) {
    const QVariant lines = box->property("lines");
    if (!lines.isValid() || lines.toInt() < 1) continue;
    const int n = lines.toInt();
    const int textHeight = n * box->fontMetrics().lineSpacing() + 2 * box->margin();
    if (n == 1) {
      const QMargins m = box->contentsMargins();
      box->setFixedHeight(textHeight + 2 * box->frameWidth() + m.top() + m.bottom() + 2);
      continue;
    }
    QLayout* layout = box->parentWidget() ? box->parentWidget()->layout() : nullptr;
    if (!layout) continue;
    auto* area = new QScrollArea(box->parentWidget());
    area->setObjectName(QString::fromStdString(box->objectName().toStdString() + "Scroll"));
    area->setFrameShape(box->frameShape());
    area->setFrameShadow(box->frameShadow());
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    area->setFixedHeight(textHeight + 2 * area->frameWidth() + 2);
    area->setToolTip(box->toolTip());
    if (!layout->replaceWidget(box, area)) {
      delete area;
      continue;
    }
    box->setFrameShape(QFrame::NoFrame);
    box->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    area->setWidget(box);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrolledBoxes_.push_back({area, box->text(), n});
  }

  // Menu items follow the Enable of the buttons that do the same.
  std::vector<std::pair<QObject*, std::string>> sends;
  for (const auto& c : controls_) sends.emplace_back(c->object(), c->callback());
  mirror_ = std::make_unique<EnableMirror>(sends);

  if (options_.console) {
    consolePanel_ = new ConsolePanel(main_.get());
    placeConsoleBelowPlot();
    options_.console->setListener(
        [panel = QPointer<ConsolePanel>(consolePanel_)](std::string_view text, ConsoleTag tag) {
          if (panel) panel->append(text, tag);
        });
    QAction* toggle = consolePanel_->toggleViewAction();
    toggle->setText(QObject::tr("&Console"));
    toggle->setShortcut(QKeySequence(QStringLiteral("Ctrl+L")));
    viewMenu()->addAction(toggle);
  }
  addLiveShape();
  addUserManualItem(*main_);

  // A data file dropped on the window is loaded.
  main_->setAcceptDrops(true);
  dropFilter_ = std::make_unique<FileDropFilter>(
      [this](const QString& path) { openDataFile(path.toStdString()); });
  main_->installEventFilter(dropFilter_.get());

  if (options_.settings) {
    WindowMemory::Hooks hooks;
    hooks.openDataFile = [this](const QString& path) { openDataFile(path.toStdString()); };
    hooks.run = [this](const std::string& cb) { return runNested(cb); };
    hooks.facts = [this](const std::string& cb) { return factsOf(cb); };
    if (options_.catalog) hooks.displaySettings = options_.catalog->displaySettings();
    hooks.blackAndWhiteSwitch = [this]() -> window::Control* {
      for (const auto& c : controls_)
        if (c->object() && !c->callback().empty() && factsOf(c->callback()).blackAndWhiteSwitch)
          return c.get();
      return nullptr;
    };
    hooks.status = [this](const QString& text) { status(text.toStdString()); };
    memory_ = std::make_unique<WindowMemory>(*main_, *options_.settings, std::move(hooks));
  }
  if (options_.settings && options_.keepSession) {
    // The session is kept beside the settings, and closing asks before
    // results not saved are lost.
    keeper_ =
        std::make_unique<SessionKeeper>(SessionKeeper::fileBeside(options_.settings->location()));
    quitGuard_ = std::make_unique<QuitGuard>([this] { return mayClose(); });
    main_->installEventFilter(quitGuard_.get());
  }
}

void QtWindow::offerLastSession() {
  if (!keeper_) return;
  const auto steps = keeper_->lastSession();
  if (!steps) return;
  const auto answer = QMessageBox::question(
      main_.get(), QObject::tr("Restore Session"),
      QObject::tr("The last session ended with results that were not saved. Restore it by "
                  "running its %1 steps again?")
          .arg(steps->size()),
      QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
  if (answer != QMessageBox::Yes) {
    keeper_->forget();
    return;
  }
  const int failed = restoreSession(*steps);
  status(failed == 0 ? "The last session is restored."
                     : "The last session is restored up to a step that failed (see the console).");
}

int QtWindow::restoreSession(const std::vector<window::ScriptStep>& steps) {
  ScriptedDialogs scripted(std::cout, std::cerr);
  dialogs_->setInner(scripted);
  const auto run = [this](const std::string& cb) {
    if (QtControl* c = lastWithCallback(cb)) {
      fire(*c);
      return;
    }
    try {
      runner_(cb, nullptr);
    } catch (const std::exception& e) {
      status(e.what());
    }
  };
  int result = 1;
  try {
    result = runScript(steps, *this, scripted, run, std::cout, std::cerr, [this] { sync(); });
  } catch (...) {
    dialogs_->setInner(options_.dialogs ? *options_.dialogs : *realDialogs_);
    throw;
  }
  dialogs_->setInner(options_.dialogs ? *options_.dialogs : *realDialogs_);
  return result;
}

bool QtWindow::offerScript(const std::string& path, const window::CallbackCheck& parses) {
  const std::string title = "Run Session Script";
  const std::string name = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
  auto parsed = readScript(path, parses);
  if (const auto* error = std::get_if<ScriptError>(&parsed)) {
    const std::string where =
        error->line > 0 ? path + ":" + std::to_string(error->line) + ": " : "";
    dialogs_->warn(where + error->message, title);
    status("The session script " + name + " was not run.");
    return false;
  }
  const auto& steps = std::get<std::vector<window::ScriptStep>>(parsed);
  // A script reads and writes the files it names, so it runs only when asked.
  if (!dialogs_->confirm("Run the session script " + name + "? Its " +
                             std::to_string(steps.size()) +
                             " steps load and save the files it names.",
                         title)) {
    status("The session script " + name + " was not run.");
    return false;
  }
  const int failed = restoreSession(steps);
  status(failed == 0
             ? "The session script " + name + " has run."
             : "The session script " + name + " stopped at a step that failed (see the console).");
  return failed == 0;
}

bool QtWindow::mayClose(const std::function<QuitAnswer()>& ask) {
  if (!keeper_) return true;
  if (!keeper_->unsaved() || quitAsked_) {
    keeper_->closing();
    return true;
  }
  QuitAnswer answer = QuitAnswer::Cancel;
  if (ask) {
    answer = ask();
  } else {
    QMessageBox box(QMessageBox::Question, QObject::tr("Quit Varnok"),
                    QObject::tr("The results of this session have not been saved."),
                    QMessageBox::NoButton, main_.get());
    box.setInformativeText(
        QObject::tr("Save the session as a script, which replays to the same results, before "
                    "quitting? A session closed without saving is offered again at the next "
                    "start."));
    QPushButton* save = box.addButton(QObject::tr("Save Session…"), QMessageBox::AcceptRole);
    QPushButton* quit =
        box.addButton(QObject::tr("Quit Without Saving"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(save);
    box.exec();
    if (box.clickedButton() == save) answer = QuitAnswer::SaveFirst;
    if (box.clickedButton() == quit) answer = QuitAnswer::Quit;
  }
  switch (answer) {
    case QuitAnswer::Cancel:
      return false;
    case QuitAnswer::SaveFirst: {
      const unsigned long saves = dialogs_->saves();
      saveSessionScript(*recorder_, dialogs(), [this](const std::string& text) { status(text); });
      if (dialogs_->saves() == saves) return false;  // the save dialog was cancelled
      keeper_->afterCallback(*recorder_, facts().hasResults, true);
      break;
    }
    case QuitAnswer::Quit:
      break;
  }
  quitAsked_ = true;
  keeper_->closing();
  return true;
}

QMenu* QtWindow::viewMenu() {
  if (viewMenu_) return viewMenu_;
  // The layout's own View menu, when it has one, gets the window's items too.
  viewMenu_ = main_->findChild<QMenu*>(QStringLiteral("menuView"));
  if (viewMenu_) return viewMenu_;
  viewMenu_ = new QMenu(QObject::tr("&View"), main_->menuBar());
  viewMenu_->setObjectName(QStringLiteral("menuView"));
  QAction* help = nullptr;
  if (auto* menu = main_->findChild<QMenu*>(QStringLiteral("menuHelp"))) help = menu->menuAction();
  main_->menuBar()->insertMenu(help, viewMenu_);
  return viewMenu_;
}

void QtWindow::addLiveShape() {
  liveShape_ =
      new LiveShapeInset(plot_, options_.liveShape, [this] { return !busy_ || plot_->waiting(); });
  liveShape_->setApplies(options_.liveShapeApplies);
  liveShapeItem_ = viewMenu()->addAction(QObject::tr("Live &Shape"));
  liveShapeItem_->setObjectName(QStringLiteral("LiveShapeItem"));
  liveShapeItem_->setCheckable(true);
  liveShapeItem_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+L")));
  liveShapeBox_ = main_->findChild<QAbstractButton*>(QStringLiteral("LiveShapeBox"));
  const QString tip =
      liveShapeBox_ && !liveShapeBox_->toolTip().isEmpty()
          ? liveShapeBox_->toolTip()
          : QObject::tr("Show the shape under the pointer while it moves over the score plot");
  liveShapeItem_->setToolTip(tip);
  liveShapeItem_->setStatusTip(tip);
  // The box and the menu item are one switch.
  QObject::connect(liveShapeItem_, &QAction::toggled, main_.get(),
                   [this](bool on) { setLiveShape(on); });
  if (liveShapeBox_) {
    liveShapeBox_->setCheckable(true);
    QObject::connect(liveShapeBox_, &QAbstractButton::toggled, main_.get(),
                     [this](bool on) { setLiveShape(on); });
  }
}

void QtWindow::setLiveShape(bool on) {
  if (liveShapeItem_->isChecked() != on) {
    const QSignalBlocker quiet(liveShapeItem_);
    liveShapeItem_->setChecked(on);
  }
  if (liveShapeBox_ && liveShapeBox_->isChecked() != on) {
    const QSignalBlocker quiet(liveShapeBox_);
    liveShapeBox_->setChecked(on);
  }
  if (on == liveShape_->active()) return;
  liveShape_->setActive(on);
  status(on ? "Live shape on: move the pointer over the score plot to see the shape at each point."
            : "Live shape off.");
}

void QtWindow::perform(window::WindowCommand command) {
  switch (command) {
    case window::WindowCommand::Close:
      main_->close();
      break;
    case window::WindowCommand::About:
      showAbout(main_.get());
      break;
    case window::WindowCommand::UserGuide:
      showUserGuide(main_.get());
      break;
    case window::WindowCommand::ExportPicture:
      exportPictureInteractively();
      break;
    case window::WindowCommand::SaveSession:
      saveSessionScript(*recorder_, dialogs(), [this](const std::string& text) { status(text); });
      break;
    case window::WindowCommand::ShowConsole:
      if (consolePanel_) {
        consolePanel_->flush();
        consolePanel_->show();
        consolePanel_->raise();
      }
      break;
  }
}

void QtWindow::exportPictureInteractively() {
  plot_->updateFigureSize();
  const auto size = figure_.sizePx();
  ExportSettings start = exportSettings_;
  if (start.path.isEmpty())
    start.path = QDir(startFolder(FileKind::Picture)).filePath(QStringLiteral("figure.png"));
  ExportPictureDialog dialog(main_.get(), start, size);
  if (dialog.exec() != QDialog::Accepted) return;
  // Kept even when the export fails, so that a second try starts from them.
  exportSettings_ = dialog.settings();
  const ExportTarget target = dialog.target();
  const graphics::ExportOptions options = exportOptionsFor(exportSettings_);
  try {
    const graphics::ExportLayout layout = graphics::exportLayout(figure_, target.format, options);
    graphics::savePicture(figure_, target.path.toStdString(), target.format, options);
    if (options_.settings)
      options_.settings->setLastFolder(FileKind::Picture,
                                       QFileInfo(exportSettings_.path).absolutePath());
    recorder_->picture(target.path.toStdString(), pictureArguments(exportSettings_));
    std::string detail;
    if (target.format == graphics::PictureFormat::Png)
      detail = " (" + std::to_string(layout.pixelWidth) + " x " +
               std::to_string(layout.pixelHeight) + " pixels, " +
               std::to_string(static_cast<int>(std::lround(layout.dpi))) + " dpi)";
    confirmSaved("the picture", target.path.toStdString(), detail);
  } catch (const std::exception& e) {
    QMessageBox::warning(main_.get(), QObject::tr("Export Picture"), QString::fromUtf8(e.what()));
  }
}

std::vector<window::Control*> QtWindow::findobj(std::string_view tag) {
  std::vector<window::Control*> out;
  for (const auto& c : controls_)
    if (c->tag() == tag && c->object()) out.push_back(c.get());
  return out;
}

window::Control* QtWindow::controlWithCallback(std::string_view callback) const {
  for (const auto& c : controls_)
    if (c->object() && c->callback() == callback) return c.get();
  return nullptr;
}

window::Dialogs& QtWindow::dialogs() {
  return recorder_->dialogs();
}

void QtWindow::status(std::string_view text) {
  QString line = QString::fromUtf8(text.data(), static_cast<int>(text.size())).trimmed();
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  main_->statusBar()->showMessage(line);
}

void QtWindow::actionFailed(std::string_view message, std::string_view hint) {
  status(hint.empty() ? message : hint);
  if (consolePanel_) {
    consolePanel_->show();
    consolePanel_->raise();
    consolePanel_->revealLastError();
  }
}

void QtWindow::applyPointer() {
  auto sameShape = [](const Mat& a, const Mat& b) {
    if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
    for (Eigen::Index i = 0; i < a.size(); ++i) {
      const double x = a.data()[i], y = b.data()[i];
      if (x != y && !(std::isnan(x) && std::isnan(y))) return false;
    }
    return true;
  };
  if (figure_.pointer == pointerShown_ && sameShape(figure_.pointerShapeCData, pointerShapeShown_))
    return;
  main_->setCursor(cursorFor(figure_.pointer, figure_.pointerShapeCData));
  pointerShown_ = figure_.pointer;
  pointerShapeShown_ = figure_.pointerShapeCData;
}

void QtWindow::sync() {
  if (consolePanel_) consolePanel_->flush();
  for (auto& [area, shown, rows] : scrolledBoxes_) {
    auto* box = area ? qobject_cast<QLabel*>(area->widget()) : nullptr;
    if (!box || box->text() == shown) continue;
    shown = box->text();
    // The newest lines are at the end: show the last one that holds text
    // (a summary may end in an empty line), once the box has been laid out.
    const QStringList lines = shown.split(QLatin1Char('\n'));
    qsizetype last = lines.size() - 1;
    while (last > 0 && lines[last].trimmed().isEmpty()) --last;
    // A scroll bar only when there is text to scroll to.
    area->setVerticalScrollBarPolicy(last < rows ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    const int bottom =
        static_cast<int>(last + 1) * box->fontMetrics().lineSpacing() + 2 * box->margin();
    QTimer::singleShot(0, area, [a = area, bottom] {
      if (!a) return;
      QScrollBar* bar = a->verticalScrollBar();
      bar->setValue(std::clamp(bottom - a->viewport()->height(), 0, bar->maximum()));
    });
  }
  plot_->refresh();
  // An action may have drawn another picture or changed what the live
  // shape reads.
  if (liveShape_) liveShape_->refresh();
  applyPointer();
  // The start-up hint has served its purpose once anything has run.
  if (!startHint_.isEmpty()) {
    if (main_->statusBar()->currentMessage() == startHint_) main_->statusBar()->clearMessage();
    startHint_.clear();
  }
}

void QtWindow::drawnow() {
  applyPointer();
  plot_->refresh(true);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool QtWindow::copyToClipboard() {
  const QSize size = plot_->size();
  if (size.width() < 2 || size.height() < 2) return false;
  // The same bytes a saved picture gets, at the figure's size (the plot
  // area's), so what is pasted is what is saved.
  plot_->updateFigureSize();
  std::string png, svg, pdf;
  try {
    png = graphics::renderPicture(figure_, graphics::PictureFormat::Png);
    svg = graphics::renderPicture(figure_, graphics::PictureFormat::Svg);
    pdf = graphics::renderPicture(figure_, graphics::PictureFormat::Pdf);
  } catch (const std::exception& e) {
    status(e.what());
    return false;
  }
  const QByteArray pngBytes(png.data(), static_cast<qsizetype>(png.size()));
  auto* mime = new QMimeData;
  mime->setImageData(QImage::fromData(pngBytes, "PNG"));
  mime->setData(QStringLiteral("image/png"), pngBytes);
  // Vector copies as well, for programs that take SVG or PDF (this platform
  // has no metafile).
  mime->setData(QStringLiteral("image/svg+xml"),
                QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
  mime->setData(QStringLiteral("application/pdf"),
                QByteArray(pdf.data(), static_cast<qsizetype>(pdf.size())));
  QGuiApplication::clipboard()->setMimeData(mime);
  return true;
}

void QtWindow::savePicture(const std::string& path) {
  const auto format = graphics::formatFromPath(path);
  if (!format)
    throw RuntimeError("Cannot tell the picture format of " + path +
                       " (use .png, .svg, .pdf or .eps).");
  plot_->updateFigureSize();
  graphics::savePicture(figure_, path, *format);
  recorder_->picture(path);
}

void QtWindow::fitFigureToPlot() {
  plot_->updateFigureSize();
}

void QtWindow::fileWritten(const std::string& path) {
  recorder_->picture(path);
}

void QtWindow::raise() {
  if (main_->isMinimized()) main_->showNormal();
  main_->show();
  main_->raise();
  main_->activateWindow();
}

void QtWindow::show() {
  QScreen* screen = options_.fitToScreen ? main_->screen() : nullptr;
  // A small screen gets all of its height: the side panel needs it.
  const bool small = screen && screen->availableGeometry().height() < kCompactBelow;
  if (memory_ && memory_->restoreWindow()) {
    // Where the user left it (Qt keeps a restored window on a screen); a
    // console panel left open keeps the height the user gave it.
    consoleSized_ = consolePanel_ && !consolePanel_->isHidden();
  } else if (screen) {
    const QRect avail = screen->availableGeometry();
    const QSize size = main_->size().boundedTo(small ? avail.size() : avail.size() * 0.95);
    main_->resize(size);
    main_->move(avail.center() - QPoint(size.width() / 2, size.height() / 2));
  }
  if (small) compactSidePanel();
  main_->show();
  plot_->updateFigureSize();
  applyPointer();
  startHint_ = QObject::tr("Load a landmark data file (File \u2192 Load Landmark Data) to begin.");
  main_->statusBar()->showMessage(startHint_);
}

bool QtWindow::isVisible() const {
  return main_->isVisible();
}

void QtWindow::setPlotSize(int width, int height) {
  // The side panel keeps its width, so the window grows or shrinks by what
  // the plot area lacks; a layout may need a second pass to settle.
  const QSize want(width, height);
  for (int pass = 0; pass < 3 && plot_->size() != want; ++pass) {
    main_->resize(main_->size() + want - plot_->size());
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  if (plot_->size() != want)
    throw RuntimeError("The plot area cannot be made " + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels; the window allows " +
                       std::to_string(plot_->width()) + " x " + std::to_string(plot_->height()) +
                       ".");
  plot_->updateFigureSize();
}

window::Window& WindowHost::open() {
  if (window_) {
    window_->raise();
    return *window_;
  }
  window_ = std::make_unique<QtWindow>(
      [this](const std::string& cb, window::Control* source) {
        if (runner_) runner_(cb, source);
      },
      options_);
  window_->show();
  return *window_;
}

}  // namespace varnok::qt
