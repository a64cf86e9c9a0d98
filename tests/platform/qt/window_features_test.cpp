// What the window adds around the actions: the console panel, the status
// bar's next step, menu items that follow their buttons, file drops, and
// what is remembered between runs (folders, recent files, display settings).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "platform/matrix/console.hpp"
#include "platform/qt/console_panel.hpp"
#include "platform/qt/plot_widget.hpp"
#include "platform/qt/qt_control.hpp"
#include "platform/qt/settings_store.hpp"
#include "platform/qt/user_guide.hpp"
#include "platform/qt/window_dialogs.hpp"
#include "platform/qt/window_memory.hpp"
#include "platform/window/in_memory_window.hpp"
#include "support/session_fixture.hpp"
#include "test_window.hpp"

namespace varnok::qt {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLayout = VARNOK_SOURCE_DIR "/layout/Varnok6p.ui";
constexpr const char* kLoadData = "Varnoksw('LoadData')";

void settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

QAction* item(QtWindow& w, const std::string& tag) {
  return qobject_cast<QAction*>(static_cast<QtControl&>(w.control(tag)).object());
}

// A window with a console panel, a settings file of its own and a pretend
// session: LoadData "loads" the file its dialog answers.
class WindowFeatures : public ::testing::Test {
 protected:
  WindowFeatures() { openWindow(true); }

  // The window of a (next) run of the program, with or without the console
  // panel; the callbacks it sends are collected from here on.
  void openWindow(bool withConsole) {
    window.reset();
    sent.clear();
    QtWindow::Options options;
    options.layoutFile = kLayout;
    options.fitToScreen = false;
    options.dialogs = &answers;
    if (withConsole) options.console = &console;
    options.settings = &settings;
    options.sessionFacts = [this] { return facts; };
    options.catalog = &shell::catalog();
    window = std::make_unique<QtWindow>(
        [this](const std::string& cb, window::Control*) { run(cb); }, options);
  }

  void run(const std::string& cb) {
    sent.push_back(cb);
    if (cb == kLoadData) {
      auto choice = window->dialogs().uigetfile("*.*", "Enter file to Load?", facts.folder);
      if (!choice) return;
      facts.dataFile = choice->folder + choice->name;
      facts.folder = choice->folder;
      ++facts.dataLoads;
    } else if (cb == "Varnoksw('SetPlotDensity',10)") {
      window->setAll("Density10", "Checked", "on");
      window->setAll("Density20", "Checked", "off");
    } else if (cb == "StatisticsSettings") {
      facts.permutations = "9999 1";
    } else if (cb == "SlideCurveEnds" && facts.slidingChoices.size() == 3) {
      facts.slidingChoices[2] = facts.slidingChoices[2] == '1' ? '0' : '1';
    } else if (cb == "Varnoksw('SetBWCode')") {
      window->setAll("BWButton", "Label", "Return to Default Symbols");
    }
  }

  fs::path data(const std::string& name) {
    testkit::writeFile(dir_ / name, "1 2 3 4 5 6 7\n");
    return dir_ / name;
  }

  testkit::ScratchFolder scratch_;
  const fs::path dir_ = scratch_.path();
  window::ScriptedAnswers answers;
  Console console{nullptr, true};
  SettingsStore settings{QString::fromStdString((dir_ / "settings.ini").string())};
  SessionFacts facts;
  std::vector<std::string> sent;
  std::unique_ptr<QtWindow> window;
};

TEST_F(WindowFeatures, TheConsolePanelShowsErrorsAndResultsAndTheDiagnosticsOnRequest) {
  ConsolePanel* panel = window->consolePanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_FALSE(panel->isVisibleTo(window->mainWindow()));
  console.write("Fell through case!", ConsoleTag::Error);
  console.display("x", 2.0);
  console.line("Run-time Error: one");
  console.echo("i = 1");
  settle();
  // Errors and results only, in order; everything is kept for Copy All.
  EXPECT_EQ(panel->text(), QStringLiteral("Fell through case!Run-time Error: one\n"));
  EXPECT_EQ(panel->allText().toStdString(), console.kept());

  auto* diagnostics = panel->findChild<QCheckBox*>(QStringLiteral("ConsoleDiagnostics"));
  ASSERT_NE(diagnostics, nullptr);
  EXPECT_EQ(diagnostics->text(), QStringLiteral("Show diagnostics"));
  EXPECT_FALSE(diagnostics->isChecked());
  diagnostics->click();
  EXPECT_EQ(panel->text().toStdString(), console.kept());
  EXPECT_EQ(panel->view()->toPlainText().toStdString(), console.kept());
  console.display("y", 3.0);
  EXPECT_EQ(panel->text().toStdString(), console.kept());
  diagnostics->click();
  EXPECT_EQ(panel->text(), QStringLiteral("Fell through case!Run-time Error: one\n"));

  auto* clear = panel->findChild<QPushButton*>(QStringLiteral("ConsoleClear"));
  ASSERT_NE(clear, nullptr);
  clear->click();
  EXPECT_TRUE(panel->text().isEmpty());
  EXPECT_TRUE(panel->allText().isEmpty());
  console.line("after");
  EXPECT_EQ(panel->text(), QStringLiteral("after\n"));

  // View > Console shows and hides it.
  QAction* toggle = panel->toggleViewAction();
  EXPECT_EQ(toggle->text(), QStringLiteral("&Console"));
  toggle->trigger();
  EXPECT_TRUE(panel->isVisibleTo(window->mainWindow()));
}

TEST_F(WindowFeatures, TheErrorThatOpensTheConsoleIsMarkedInSightBelowThePlotAlone) {
  QMainWindow* main = window->mainWindow();
  main->resize(1024, 700);
  main->show();
  settle();
  // Where every control of the side panel is before the console opens.
  auto* side = main->findChild<QScrollArea*>(QStringLiteral("sidePanel"));
  ASSERT_NE(side, nullptr);
  std::vector<std::pair<QWidget*, QRect>> before;
  for (QWidget* w : side->widget()->findChildren<QWidget*>())
    before.emplace_back(w, QRect(w->mapTo(main, QPoint(0, 0)), w->size()));
  const QRect sideBefore(side->mapTo(main, QPoint(0, 0)), side->size());

  for (int i = 0; i < 200; ++i) console.line("result " + std::to_string(i));
  const std::string error = "Run-time Error: Reference to unassigned variable \"GLIST\".";
  console.error(error);
  console.display("x", 1.0);
  window->actionFailed(error, "Load a data file first");
  settle();
  ConsolePanel* panel = window->consolePanel();
  ASSERT_TRUE(panel->isVisible());
  QPlainTextEdit* view = panel->view();
  const auto marks = view->extraSelections();
  ASSERT_EQ(marks.size(), 1);
  EXPECT_EQ(marks[0].cursor.selectedText().toStdString(), error);
  QTextCursor start(marks[0].cursor);
  start.setPosition(marks[0].cursor.selectionStart());
  EXPECT_TRUE(view->viewport()->rect().contains(view->cursorRect(start).center()));

  // Below the plot, beside the side panel, which has not moved or changed.
  const QRect plot(window->plotWidget()->mapTo(main, QPoint(0, 0)), window->plotWidget()->size());
  const QRect below(panel->mapTo(main, QPoint(0, 0)), panel->size());
  EXPECT_GE(below.top(), plot.bottom());
  EXPECT_LE(below.right(), sideBefore.left());
  EXPECT_GT(plot.height(), below.height());
  EXPECT_EQ(QRect(side->mapTo(main, QPoint(0, 0)), side->size()), sideBefore);
  for (const auto& [w, at] : before)
    EXPECT_EQ(QRect(w->mapTo(main, QPoint(0, 0)), w->size()), at) << w->objectName().toStdString();
  main->close();
}

TEST_F(WindowFeatures, AControlThatIsOffSaysWhyAfterItsOwnTooltip) {
  auto* button = window->mainWindow()->findChild<QPushButton*>(QStringLiteral("ShowPCAAxisButton"));
  ASSERT_NE(button, nullptr);
  const QString own = button->toolTip();
  ASSERT_FALSE(own.isEmpty());
  window::Control& c = window->control("ShowPCAAxisButton");
  c.set("Enable", "Off");
  c.set("DisabledTip", "Run the analysis first.");
  EXPECT_FALSE(button->isEnabled());
  EXPECT_EQ(button->toolTip(), own + QStringLiteral("\nRun the analysis first."));
  EXPECT_EQ(c.get("DisabledTip").text(), "Run the analysis first.");
  c.set("Enable", "On");
  c.set("DisabledTip", "");
  EXPECT_EQ(button->toolTip(), own);
  EXPECT_EQ(c.get("DisabledTip").text(), "");
}

TEST_F(WindowFeatures, AFailedActionOpensTheConsoleAndShowsTheNextStep) {
  const std::string line = "Run-time Error: Reference to unassigned variable \"GLIST\".";
  console.line(line);
  window->actionFailed(line, "Load a data file first");
  EXPECT_TRUE(window->consolePanel()->isVisibleTo(window->mainWindow()));
  EXPECT_EQ(window->mainWindow()->statusBar()->currentMessage(),
            QStringLiteral("Load a data file first"));
  EXPECT_EQ(window->consolePanel()->view()->toPlainText().toStdString(), line + "\n");
  window->actionFailed("Run-time Error: other", "");
  EXPECT_EQ(window->mainWindow()->statusBar()->currentMessage(),
            QStringLiteral("Run-time Error: other"));
}

TEST(EnableMirror, MenuItemsFollowTheButtonsWithTheirCallback) {
  testing::RecordingWindow rw;
  QtWindow& w = *rw.window;
  // The layout starts the analysis buttons off, and their menu items with them.
  for (const char* tag : {"LoadGroupItem", "NoLoadGroupItem", "LoadReferenceItem"})
    EXPECT_FALSE(item(w, tag)->isEnabled()) << tag;
  EXPECT_TRUE(item(w, "LoadDataItem")->isEnabled());

  w.setAll("LoadGroup", "Enable", "On");
  EXPECT_TRUE(item(w, "LoadGroupItem")->isEnabled());
  EXPECT_FALSE(item(w, "NoLoadGroupItem")->isEnabled());
  w.setAll("NoLoadGroup", "Enable", "On");
  w.setAll("LoadReference", "Enable", "On");
  EXPECT_TRUE(item(w, "NoLoadGroupItem")->isEnabled());
  EXPECT_TRUE(item(w, "LoadReferenceItem")->isEnabled());
  w.setAll("LoadReference", "Enable", "Off");
  EXPECT_FALSE(item(w, "LoadReferenceItem")->isEnabled());

  // Every menu item that sends a button's callback is in step with it.
  for (const auto& c : w.controls()) {
    auto* action = qobject_cast<QAction*>(c->object());
    if (!action || c->callback().empty()) continue;
    for (const auto& b : w.controls()) {
      auto* widget = qobject_cast<QWidget*>(b->object());
      if (!widget || b->callback() != c->callback() ||
          widget == static_cast<QWidget*>(w.plotWidget()))
        continue;
      EXPECT_EQ(action->isEnabled(), widget->isEnabled()) << c->tag() << " / " << b->tag();
    }
  }
}

TEST_F(WindowFeatures, ADroppedFileIsLoadedAsIfChosen) {
  const fs::path file = data("dropped.txt");
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
  QMainWindow* main = window->mainWindow();
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(main, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(main, &drop);
  settle();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], kLoadData);
  EXPECT_EQ(fs::path(facts.dataFile), file);
  EXPECT_TRUE(answers.fileDialogTitles.empty());  // no dialog was shown

  // A folder, or two files, are not taken.
  QMimeData folder;
  folder.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir_.string()))});
  QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &folder, Qt::LeftButton, Qt::NoModifier);
  refused.setAccepted(false);
  QApplication::sendEvent(main, &refused);
  EXPECT_FALSE(refused.isAccepted());

  // The answer was for that one load only: the next asks the user.
  answers.files.push_back(std::nullopt);
  static_cast<QAbstractButton*>(static_cast<QtControl&>(window->control("LoadDataButton")).object())
      ->click();
  EXPECT_EQ(answers.fileDialogTitles.size(), 1u);
}

TEST(RecentFiles, NewestFirstWithoutRepeatsAtMostFive) {
  QStringList list;
  for (const char* f : {"a", "b", "c", "d", "e", "f"})
    list = withRecentFile(list, QString::fromLatin1(f), SettingsStore::kMaxRecentFiles);
  EXPECT_EQ(list, (QStringList{"f", "e", "d", "c", "b"}));
  list = withRecentFile(list, QStringLiteral("c"), SettingsStore::kMaxRecentFiles);
  EXPECT_EQ(list, (QStringList{"c", "f", "e", "d", "b"}));

  testkit::ScratchFolder dir;
  {
    SettingsStore store(QString::fromStdString((dir / "s.ini").string()));
    for (const char* f :
         {"/d/1.txt", "/d/2.txt", "/d/1.txt", "/d/3.txt", "/d/4.txt", "/d/5.txt", "/d/6.txt"})
      store.addRecentFile(QString::fromLatin1(f));
    store.sync();
  }
  SettingsStore again(QString::fromStdString((dir / "s.ini").string()));
  EXPECT_EQ(again.recentFiles(),
            (QStringList{"/d/6.txt", "/d/5.txt", "/d/4.txt", "/d/3.txt", "/d/1.txt"}));
  again.removeRecentFile(QStringLiteral("/d/4.txt"));
  EXPECT_EQ(again.recentFiles().size(), 4);
}

TEST_F(WindowFeatures, LoadedFilesJoinTheRecentMenuAndOpenFromIt) {
  const fs::path a = data("a.txt"), b = data("b.txt");
  window->openDataFile(a.string());
  window->openDataFile(b.string());
  window->openDataFile(a.string());
  const QString pa = QString::fromStdString(a.string()), pb = QString::fromStdString(b.string());
  EXPECT_EQ(settings.recentFiles(), (QStringList{pa, pb}));
  EXPECT_EQ(settings.lastFolder(FileKind::Data), QString::fromStdString(dir_.string()));

  QMenu* recent = window->memory()->recentMenu();
  ASSERT_NE(recent, nullptr);
  // Right below the item that loads data.
  const auto fileItems = window->mainWindow()->findChild<QMenu*>("menuFile")->actions();
  const auto at = std::find(fileItems.begin(), fileItems.end(), recent->menuAction());
  ASSERT_NE(at, fileItems.end());
  ASSERT_NE(at, fileItems.begin());
  EXPECT_EQ((*(at - 1))->objectName(), QStringLiteral("LoadDataItem"));
  ASSERT_GE(recent->actions().size(), 2);
  EXPECT_EQ(recent->actions()[1]->data().toString(), pb);
  sent.clear();
  recent->actions()[1]->trigger();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], kLoadData);
  EXPECT_EQ(fs::path(facts.dataFile), b);
}

TEST_F(WindowFeatures, DisplayChoicesAreRememberedAndRestoredAfterTheFirstLoadOnly) {
  // Chosen from the menus: kept.
  item(*window, "Density10")->trigger();
  EXPECT_EQ(settings.displayChoice(QStringLiteral("density")),
            QStringLiteral("Varnoksw('SetPlotDensity',10)"));
  item(*window, "BWButton")->trigger();
  EXPECT_EQ(settings.blackAndWhite(), std::optional<bool>(true));

  // A later run: the first load is followed by the remembered choices.
  settings.setDisplayChoice(QStringLiteral("lineWidth"),
                            QStringLiteral("Varnoksw('SetLineWidth',25)"));
  // Not what a menu item of that setting sends: never run.
  settings.setDisplayChoice(QStringLiteral("arrowHeads"), QStringLiteral("Varnoksw('ClearData')"));
  openWindow(false);
  window->openDataFile(data("d.txt").string());
  EXPECT_EQ(sent,
            (std::vector<std::string>{kLoadData, "Varnoksw('SetPlotDensity',10)",
                                      "Varnoksw('SetLineWidth',25)", "Varnoksw('SetBWCode')"}));
  sent.clear();
  window->openDataFile(data("e.txt").string());
  EXPECT_EQ(sent, (std::vector<std::string>{kLoadData}));
}

TEST_F(WindowFeatures, PermutationSettingsAreRememberedAndOnlyTwoNumbersComeBack) {
  facts.permutations = "999 1";
  item(*window, "StatisticsSettingsItem")->trigger();
  EXPECT_EQ(settings.permutations(), QStringLiteral("9999 1"));

  const auto nextRun = [&](const QString& stored) {
    settings.setPermutations(stored);
    openWindow(false);
    window->openDataFile(data("d.txt").string());
    return sent;
  };
  EXPECT_EQ(nextRun(QStringLiteral("9999 1")),
            (std::vector<std::string>{kLoadData, "StatisticsSettings('9999 1')"}));
  EXPECT_EQ(nextRun(QStringLiteral("9 1'); Varnoksw('ClearData")),
            (std::vector<std::string>{kLoadData}));
}

TEST_F(WindowFeatures, SemilandmarkChoicesComeBackBeforeTheFirstCallbackOfARun) {
  facts.slidingChoices = "100";
  item(*window, "SlideEndsItem")->trigger();
  EXPECT_EQ(settings.slidingChoices(), QStringLiteral("101"));

  const auto nextRun = [&](const QString& stored) {
    settings.setSlidingChoices(stored);
    facts.slidingChoices = "100";  // a new run starts from the defaults
    openWindow(false);
    window->openDataFile(data("d.txt").string());
    window->openDataFile(data("e.txt").string());
    return sent;
  };
  // Each flag that differs goes back through its item, before the first load
  // reads any curves, and only once a run.
  EXPECT_EQ(nextRun(QStringLiteral("011")),
            (std::vector<std::string>{"ReadCurvesAsSemilandmarks", "SlideByProcrustesDistance",
                                      "SlideCurveEnds", kLoadData, kLoadData}));
  EXPECT_EQ(nextRun(QStringLiteral("100")), (std::vector<std::string>{kLoadData, kLoadData}));
  EXPECT_EQ(nextRun(QStringLiteral("01'); Varnoksw('ClearData")),
            (std::vector<std::string>{kLoadData, kLoadData}));
}

TEST(WindowDialogsTest, DialogsStartWhereThisKindOfFileWasLastChosen) {
  testkit::ScratchFolder dir;
  fs::create_directories(dir / "groups");
  SettingsStore store(QString::fromStdString((dir / "s.ini").string()));
  window::ScriptedAnswers inner;
  WindowDialogs dialogs(inner);
  dialogs.setSettings(&store);
  const std::string groups = testkit::folderString(dir / "groups");
  store.setLastFolder(FileKind::GroupList, QString::fromStdString(groups));
  store.setLastFolder(FileKind::Reference, QString::fromStdString((dir / "gone").string()));

  dialogs.setKind(FileKind::GroupList);
  inner.files.push_back(window::FileChoice{"g.txt", testkit::folderString(dir.path())});
  dialogs.uigetfile("*.*", "Enter file to Load?", "");
  // Once the session has its own folder, that one wins.
  dialogs.uigetfile("*.*", "Enter file to Load?", "/session/");
  dialogs.setKind(FileKind::Reference);  // its folder is gone
  dialogs.uigetfile("*.*", "Enter file to Load?", "");
  dialogs.setKind(std::nullopt);
  dialogs.uiputfile("*.*", "Save", "");
  EXPECT_EQ(inner.fileDialogFolders, (std::vector<std::string>{groups, "/session/", "", ""}));
  // The chosen file's folder is remembered for its kind.
  EXPECT_EQ(store.lastFolder(FileKind::GroupList),
            QString::fromStdString(testkit::folderString(dir.path())));
}

TEST(UserGuide, IsCompiledInAndOpensInADialog) {
  const QString guide = userGuideMarkdown();
  EXPECT_TRUE(guide.startsWith(QStringLiteral("# Varnok User Guide")));
  QWidget parent;
  QDialog* dialog = showUserGuide(&parent);
  ASSERT_NE(dialog, nullptr);
  auto* text = dialog->findChild<QTextBrowser*>(QStringLiteral("UserGuideText"));
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("Varnok User Guide")));
  EXPECT_EQ(showUserGuide(&parent), dialog);  // raised, not opened twice
  dialog->close();
  EXPECT_FALSE(programVersion().isEmpty());
}

}  // namespace
}  // namespace varnok::qt

namespace varnok::qt {
namespace {

// Writing a longer text into a box moves nothing: the boxes keep their
// height, and a box of several lines scrolls to its newest line.
TEST(SteadyPanel, BoxesKeepTheirHeightWhateverTheyHold) {
  testing::RecordingWindow rw;
  QtWindow& w = *rw.window;
  w.mainWindow()->resize(1200, 850);
  w.show();
  settle();
  auto* load = static_cast<QWidget*>(static_cast<QtControl&>(w.control("LoadDataButton")).object());
  auto* deform =
      static_cast<QWidget*>(static_cast<QtControl&>(w.control("DeformPSButton")).object());
  auto* fileArea = w.mainWindow()->findChild<QScrollArea*>(QStringLiteral("FileBoxScroll"));
  ASSERT_NE(fileArea, nullptr);
  const QPoint loadAt = load->mapTo(w.mainWindow(), QPoint());
  const QPoint deformAt = deform->mapTo(w.mainWindow(), QPoint());
  const int height = fileArea->height();

  w.control("FileBox").set("String",
                           "File: a_rather_long_file_name_for_a_study_of_skulls.txt \n"
                           "  59 Specimens \n   8 Landmarks\nSS distance/(n-1) =0.0021073\n"
                           "SS distance/(n-1) =0.0021073\nSS distance/(n-1) =0.0031073");
  w.control("GroupBox").set("String", "File: groups.txt \n  59 Specimens \n");
  w.control("VarianceBox").set("String", "0.4603");
  w.sync();
  settle();
  EXPECT_EQ(fileArea->height(), height);
  EXPECT_EQ(load->mapTo(w.mainWindow(), QPoint()), loadAt);
  EXPECT_EQ(deform->mapTo(w.mainWindow(), QPoint()), deformAt);
  QScrollBar* bar = fileArea->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  // A summary ending in an empty line shows its last line of text.
  auto* groupArea = w.mainWindow()->findChild<QScrollArea*>(QStringLiteral("GroupBoxScroll"));
  ASSERT_NE(groupArea, nullptr);
  EXPECT_EQ(groupArea->verticalScrollBar()->value(), 0);
  EXPECT_EQ(groupArea->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(fileArea->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  // The text is the box's own, line breaks and all.
  EXPECT_EQ(valueToText(w.control("FileBox").get("String")).substr(0, 5), "File:");
  w.mainWindow()->close();
}

}  // namespace
}  // namespace varnok::qt
