// The session recorder: what it writes for dialogs, edits and callbacks, and
// that the script parser reads the same answers and values back.
#include "platform/qt/session_recorder.hpp"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QRadioButton>
#include <QStatusBar>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "platform/matrix/runtime_error.hpp"
#include "platform/qt/plot_widget.hpp"
#include "platform/qt/qt_control.hpp"
#include "platform/qt/qt_window.hpp"
#include "platform/window/script_parser.hpp"
#include "shell/export_plot_data.hpp"
#include "shell/registry.hpp"
#include "support/session_fixture.hpp"

namespace varnok::qt {
namespace {

namespace fs = std::filesystem;

// Dialogs that answer from queues; an empty queue cancels.
struct QueuedDialogs : window::Dialogs {
  std::deque<std::optional<window::FileChoice>> files;
  std::deque<std::optional<std::vector<std::string>>> inputs;
  std::deque<std::optional<window::Click>> clicks;
  std::vector<std::string> messages;

  std::optional<window::FileChoice> file() {
    if (files.empty()) return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
  }
  std::optional<window::FileChoice> uigetfile(std::string_view, std::string_view,
                                              std::string_view) override {
    return file();
  }
  std::optional<window::FileChoice> uiputfile(std::string_view, std::string_view,
                                              std::string_view) override {
    return file();
  }
  void msgbox(std::string_view text, std::string_view) override { messages.emplace_back(text); }
  std::optional<std::vector<std::string>> inputdlg(const std::vector<std::string>&,
                                                   std::string_view,
                                                   const std::vector<std::string>&) override {
    if (inputs.empty()) return std::nullopt;
    auto a = inputs.front();
    inputs.pop_front();
    return a;
  }
  std::optional<window::Click> ginput() override {
    if (clicks.empty()) return std::nullopt;
    auto c = clicks.front();
    clicks.pop_front();
    return c;
  }
};

// The real window with stand-in actions: each callback runs the function
// given for it, which may ask dialogs and set controls as the program does.
class RecorderTest : public ::testing::Test {
 protected:
  RecorderTest() {
    QtWindow::Options options;
    options.layoutFile = VARNOK_SOURCE_DIR "/layout/Varnok6p.ui";
    options.fitToScreen = false;
    options.dialogs = &dialogs;
    options.catalog = &shell::catalog();
    window = std::make_unique<QtWindow>(
        [this](const std::string& cb, window::Control*) {
          ran.push_back(cb);
          if (actions.count(cb)) actions[cb]();
        },
        options);
  }

  template <class T>
  T* widget(const char* tag) {
    return qobject_cast<T*>(dynamic_cast<QtControl*>(window->findobj(tag).at(0))->object());
  }
  QAction* action(const char* tag) { return widget<QAction>(tag); }
  // Typing a text and leaving the box, as a user does.
  void type(const char* tag, const char* text) {
    auto* e = widget<QLineEdit>(tag);
    e->setText(QString::fromUtf8(text));
    e->setModified(true);
    emit e->editingFinished();
  }
  // Leaving the box without a change.
  void leave(const char* tag) { emit widget<QLineEdit>(tag)->editingFinished(); }
  // The script without its plot-size lines, which follow the window's size.
  std::string script() {
    std::istringstream in(window->recorder().script(dir));
    std::string out, line;
    while (std::getline(in, line))
      if (line.rfind("plot-size ", 0) != 0) out += line + '\n';
    return out;
  }

  testkit::ScratchFolder scratch;
  const fs::path dir = scratch.path();
  QueuedDialogs dialogs;
  std::map<std::string, std::function<void()>> actions;
  std::vector<std::string> ran;
  std::unique_ptr<QtWindow> window;
};

TEST_F(RecorderTest, EditsGoBeforeTheNextCallbackWithTheAnswersItsDialogsGot) {
  actions["Varnoksw('LoadData')"] = [this] {
    auto f = window->dialogs().uigetfile("*.*", "Load", "");
    ASSERT_TRUE(f);
    // The program fills boxes itself: none of that is recorded.
    window->control("XBox").set("String", Value("1"));
    window->control("PCALimit").set("Value", Value(0.0));
    window->control("DeFormat").set("Value", Value(2.0));
    // As a real load does; the analysis menu items follow this button.
    window->control("NoLoadGroup").set("Enable", Value("On"));
  };
  actions["Varnoksw('NoGroupList')"] = [this] {
    window->dialogs().inputdlg({"a", "b"}, "Q", {"", ""});
    window->dialogs().ginput();
    window->dialogs().uiputfile("*.*", "Save", "");
    window->dialogs().inputdlg({"c"}, "Q", {""});
  };

  // Several edits of one box give its last text; an edit undone gives none.
  type("XBox", "2");
  type("XBox", "3");
  const QString restrict = widget<QLineEdit>("RestrictBox")->text();
  type("RestrictBox", "7");
  widget<QLineEdit>("RestrictBox")->setText(restrict);
  widget<QAbstractButton>("PCALimit")->click();
  dialogs.files.push_back(window::FileChoice{"gorilla.txt", (dir / "").string()});
  widget<QAbstractButton>("LoadDataButton")->click();

  // After the callback the program's values are the starting point: setting
  // XBox back to what the user typed is a change again.
  type("XBox", "3");
  widget<QComboBox>("DeFormat")->setCurrentIndex(4);
  dialogs.inputs.push_back(std::vector<std::string>{"a 'quoted'  \"text\"", "x"});
  dialogs.clicks.push_back(window::Click{0.1, 1.0 / 3, 3});
  dialogs.files.push_back(std::nullopt);
  dialogs.inputs.push_back(std::nullopt);
  action("NoLoadGroupItem")->trigger();

  // The edits before one callback come in the window's order of controls.
  EXPECT_EQ(script(),
            "set PCALimit Value 1\n"
            "set XBox String 3\n"
            "answer file gorilla.txt\n"
            "Varnoksw('LoadData')\n"
            "set XBox String 3\n"
            "set DeFormat Value 5\n"
            "answer input a 'quoted'  \"text\"\n"
            "answer input x\n"
            "answer click 0.1 0.3333333333333333 3\n"
            "answer cancel\n"
            "answer cancel\n"
            "Varnoksw('NoGroupList')\n");
  EXPECT_EQ(ran.size(), 2u);
}

TEST_F(RecorderTest, WhatIsWrittenReadsBackAsTheSameAnswersAndValues) {
  const fs::path elsewhere = fs::path("/data/set one") / "wings.tps";
  actions["Varnoksw('LoadData')"] = [this] {
    window->dialogs().uigetfile("*.*", "Load", "");
    window->dialogs().uigetfile("*.*", "Load", "");
    window->dialogs().inputdlg({"a"}, "Q", {""});
    window->dialogs().ginput();
  };
  type("ExagerationBox", "-0.25  (twice)");
  dialogs.files.push_back(window::FileChoice{"wings.tps", "/data/set one/"});
  dialogs.files.push_back(window::FileChoice{"g.txt", (dir / "sub" / "").string()});
  dialogs.inputs.push_back(std::vector<std::string>{"it's \"quoted\", with  blanks"});
  const window::Click click{-1e-300, 123456.78901234567, 2};
  dialogs.clicks.push_back(click);
  widget<QAbstractButton>("LoadDataButton")->click();

  std::istringstream in(script());
  auto parsed = window::parseScript(in, dir / "replay", {});
  ASSERT_TRUE(std::holds_alternative<std::vector<window::ScriptStep>>(parsed)) << script();
  const auto& steps = std::get<std::vector<window::ScriptStep>>(parsed);
  ASSERT_EQ(steps.size(), 6u) << script();
  EXPECT_EQ(steps[0].tag, "ExagerationBox");
  EXPECT_EQ(steps[0].value.text(), "-0.25  (twice)");
  // A file outside the script's folder keeps its full path; one below it is
  // named from there, so the script and its data can move together.
  EXPECT_EQ(steps[1].answer.text, elsewhere.string());
  EXPECT_EQ(steps[2].answer.text, (dir / "replay" / "sub" / "g.txt").string());
  EXPECT_EQ(steps[3].answer.text, "it's \"quoted\", with  blanks");
  EXPECT_EQ(steps[4].answer.click.x, click.x);
  EXPECT_EQ(steps[4].answer.click.y, click.y);
  EXPECT_EQ(steps[4].answer.click.button, 2);
  EXPECT_EQ(steps[5].text, "Varnoksw('LoadData')");
}

TEST_F(RecorderTest, TextsALineCannotCarryAreMarked) {
  actions["Varnoksw('LoadData')"] = [this] { window->dialogs().inputdlg({"a"}, "Q", {""}); };
  dialogs.inputs.push_back(std::vector<std::string>{"  two\nlines "});
  widget<QAbstractButton>("LoadDataButton")->click();
  const std::string s = script();
  EXPECT_NE(s.find("# (the text on the next line had a line break or blanks at an end, which a "
                   "script line cannot keep)\nanswer input two lines\n"),
            std::string::npos)
      << s;
}

TEST_F(RecorderTest, AnEditBoxWithACallbackGivesItsValueThenItsCallback) {
  type("RangeBox", "2");
  leave("RangeBox");  // unchanged: no callback, no line
  widget<QAbstractButton>("PCALabel")->click();
  EXPECT_EQ(script(),
            "set RangeBox String 2\n"
            "RangeBox_Callback\n"
            "set PCALabel Value 1\n"
            "PCALabel_Callback\n");
}

TEST_F(RecorderTest, ThePlotSizeIsWrittenFirstAndWhenItChanges) {
  window->show();
  const std::string first = "plot-size " + std::to_string(window->plotWidget()->width()) + " " +
                            std::to_string(window->plotWidget()->height()) + "\n";
  widget<QAbstractButton>("LoadDataButton")->click();
  widget<QAbstractButton>("LoadDataButton")->click();
  window->setPlotSize(555, 444);
  EXPECT_EQ(window->plotWidget()->size(), QSize(555, 444));
  EXPECT_EQ(window->figure().sizePx(), (std::array<double, 2>{555, 444}));
  widget<QAbstractButton>("LoadDataButton")->click();
  EXPECT_EQ(window->recorder().script(dir), first +
                                                "Varnoksw('LoadData')\n"
                                                "Varnoksw('LoadData')\n"
                                                "plot-size 555 444\n"
                                                "Varnoksw('LoadData')\n");
  // A size the window cannot take is refused with what it can.
  EXPECT_THROW(window->setPlotSize(1, 1), RuntimeError);
}

TEST_F(RecorderTest, PicturesAreRecordedAndWhatTheWindowAsksItselfIsNot) {
  EXPECT_TRUE(window->recorder().empty());
  // A dialog outside any callback (the window's own) is not the session's.
  window->dialogs().uigetfile("*.*", "Own", "");
  EXPECT_TRUE(window->recorder().empty());
  type("ShowBox", "2");
  EXPECT_FALSE(window->recorder().empty());
  fs::create_directories(dir / "pics");
  shell::writePlotData(*window, (dir / "plot.json").string());
  window->savePicture((dir / "pics" / ".." / "plot.svg").string());
  // A failed save is not a step of the session.
  EXPECT_ANY_THROW(window->savePicture((dir / "none" / "plot.png").string()));
  type("ShowBox", "3");
  EXPECT_EQ(script(),
            "set ShowBox String 2\n"
            "save-picture plot.json\n"
            "save-picture plot.svg\n"
            "set ShowBox String 3\n");
}

TEST_F(RecorderTest, PicturesOfAChosenSizeReplayAtThatSize) {
  ExportSettings chosen;
  chosen.width = 85;
  chosen.height = 63.8;
  chosen.dpi = 300;
  window->recorder().picture((dir / "my fig.png").string(), pictureArguments(chosen));
  chosen.unit = graphics::SizeUnit::Pixels;
  chosen.width = 1200;
  chosen.height = 900;
  chosen.dpi = 96;
  window->recorder().picture((dir / "fig.svg").string(), pictureArguments(chosen));
  const std::string text = script();
  EXPECT_EQ(text,
            "save-picture my fig.png 85x63.8mm 300\n"
            "save-picture fig.svg 1200x900 96\n");
  std::istringstream in(text);
  auto parsed = window::parseScript(in, dir, {});
  ASSERT_TRUE(std::holds_alternative<std::vector<window::ScriptStep>>(parsed));
  const auto& steps = std::get<std::vector<window::ScriptStep>>(parsed);
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].text, (dir / "my fig.png").string());
  EXPECT_EQ(steps[0].pictureSize,
            (graphics::PictureSize{85, 63.8, graphics::SizeUnit::Millimetres}));
  EXPECT_EQ(steps[0].dpi, 300);
  EXPECT_EQ(steps[1].pictureSize, (graphics::PictureSize{1200, 900, graphics::SizeUnit::Pixels}));
}

TEST_F(RecorderTest, SaveSessionAsScriptWritesTheFileOrSaysWhyNot) {
  QAction* save = action("SaveSessionItem");
  ASSERT_NE(save, nullptr);
  // The menu item asks the window for its command, as the program does.
  actions["SaveSessionScript"] = [this] { window->perform(window::WindowCommand::SaveSession); };

  // Nothing done yet: nothing to save, and no dialog asked.
  dialogs.files.push_back(window::FileChoice{"s.vks", (dir / "").string()});
  save->trigger();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].find("no session to save"), std::string::npos);
  EXPECT_EQ(dialogs.files.size(), 1u);
  dialogs.files.clear();

  actions["Varnoksw('LoadData')"] = [this] { window->dialogs().uigetfile("*.*", "Load", ""); };
  testkit::writeFile(dir / "gorilla.txt", "data");
  dialogs.files.push_back(window::FileChoice{"gorilla.txt", (dir / "").string()});
  widget<QAbstractButton>("LoadDataButton")->click();

  // Not over a file the session reads.
  dialogs.files.push_back(window::FileChoice{"gorilla.txt", (dir / "").string()});
  save->trigger();
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_NE(dialogs.messages[1].find("cannot be saved there"), std::string::npos);
  EXPECT_EQ(testkit::readFile(dir / "gorilla.txt"), "data");

  // A folder that is not there: the writer's message.
  dialogs.files.push_back(window::FileChoice{"s.vks", (dir / "none" / "").string()});
  save->trigger();
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_NE(dialogs.messages[2].find("could not be written"), std::string::npos);

  // A name without an extension gets .vks; the header is comments.
  dialogs.files.push_back(window::FileChoice{"session", (dir / "").string()});
  save->trigger();
  EXPECT_EQ(dialogs.messages.size(), 3u);
  const std::string saved = testkit::readFile(dir / "session.vks");
  EXPECT_EQ(saved.rfind("# Varnok", 0), 0u) << saved;
  EXPECT_NE(saved.find(" session script, saved 20"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\nanswer file gorilla.txt\nVarnoksw('LoadData')\n"), std::string::npos)
      << saved;
  EXPECT_EQ(window->mainWindow()->statusBar()->currentMessage().toStdString(),
            "Session saved as a script to " + (dir / "session.vks").string());

  // The same name without its extension again: the dialog never asked about
  // session.vks, so it is kept; typed whole, it is replaced.
  testkit::writeFile(dir / "session.vks", "mine");
  dialogs.files.push_back(window::FileChoice{"session", (dir / "").string()});
  save->trigger();
  ASSERT_EQ(dialogs.messages.size(), 4u);
  EXPECT_NE(dialogs.messages[3].find("already exists"), std::string::npos);
  EXPECT_EQ(testkit::readFile(dir / "session.vks"), "mine");
  dialogs.files.push_back(window::FileChoice{"session.vks", (dir / "").string()});
  save->trigger();
  EXPECT_EQ(dialogs.messages.size(), 4u);
  EXPECT_EQ(testkit::readFile(dir / "session.vks").rfind("# Varnok", 0), 0u);

  // Saving the script is no step of the session.
  EXPECT_EQ(window->recorder().script(dir).find("SaveSessionScript"), std::string::npos);
  EXPECT_EQ(std::count(ran.begin(), ran.end(), "Varnoksw('LoadData')"), 1);
}

// The recorder on widgets of its own: lists, radio buttons and callbacks run
// by a running callback.
TEST(SessionRecorder, ChoicesRadioButtonsAndNestedCallbacks) {
  QWidget parent;
  auto* list = new QListWidget(&parent);
  list->addItems({"a", "b", "c"});
  auto* r1 = new QRadioButton(&parent);
  auto* r2 = new QRadioButton(&parent);
  r1->setChecked(true);
  auto* box = new QCheckBox(&parent);
  std::vector<std::unique_ptr<QtControl>> controls;
  controls.push_back(std::make_unique<QtControl>(list, "List"));
  controls.push_back(std::make_unique<QtControl>(r1, "R1"));
  controls.push_back(std::make_unique<QtControl>(r2, "R2"));
  controls.push_back(std::make_unique<QtControl>(box, "Box"));
  QueuedDialogs dialogs;
  SessionRecorder recorder(controls, dialogs);
  SessionRecorder::Runner run;
  run = recorder.wrap([&](const std::string& cb, window::Control*) {
    if (cb == "outer") {
      recorder.dialogs().inputdlg({"a"}, "Q", {""});
      run("inner", nullptr);
      controls[3]->set("Value", Value(1.0));
    }
  });

  list->setCurrentRow(2);
  r2->click();
  dialogs.inputs.push_back(std::vector<std::string>{"5"});
  run("outer", nullptr);
  // The program ticked Box; the user unticks it.
  box->click();
  run("after", nullptr);
  EXPECT_EQ(recorder.script({}),
            "set List Value 3\n"
            "set R2 Value 1\n"
            "answer input 5\n"
            "outer\n"
            "set Box Value 0\n"
            "after\n");
}

}  // namespace
}  // namespace varnok::qt
