// End-to-end: a session driven through the window's own controls, saved with
// File > Save Session as Script, replays in script mode to the same files.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <array>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/matrix/console.hpp"
#include "platform/qt/qt_control.hpp"
#include "platform/qt/qt_window.hpp"
#include "platform/qt/session_recorder.hpp"
#include "shell/registry.hpp"
#include "shell/shell.hpp"
#include "support/session_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using varnok::testkit::readFile;

// What the user answers in the dialogs, in order; an empty queue cancels.
struct UserDialogs : varnok::window::Dialogs {
  std::deque<std::optional<varnok::window::FileChoice>> files;
  std::deque<std::optional<std::vector<std::string>>> inputs;
  std::deque<std::optional<varnok::window::Click>> clicks;
  std::vector<std::string> messages;

  template <class T>
  static std::optional<T> take(std::deque<std::optional<T>>& q) {
    if (q.empty()) return std::nullopt;
    auto v = std::move(q.front());
    q.pop_front();
    return v;
  }
  std::optional<varnok::window::FileChoice> uigetfile(std::string_view, std::string_view,
                                                      std::string_view) override {
    return take(files);
  }
  std::optional<varnok::window::FileChoice> uiputfile(std::string_view, std::string_view,
                                                      std::string_view) override {
    return take(files);
  }
  void msgbox(std::string_view text, std::string_view) override { messages.emplace_back(text); }
  std::optional<std::vector<std::string>> inputdlg(const std::vector<std::string>&,
                                                   std::string_view,
                                                   const std::vector<std::string>&) override {
    return take(inputs);
  }
  std::optional<varnok::window::Click> ginput() override { return take(clicks); }
};

class SessionRecording : public ::testing::Test {
 protected:
  SessionRecording() {
    fs::create_directories(recorded_);
    fs::create_directories(replayed_);
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt"}) {
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, recorded_ / f);
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, replayed_ / f);
    }
    varnok::qt::QtWindow::Options options;
    options.dialogs = &dialogs_;
    options.layoutFile = VARNOK_SOURCE_DIR "/layout/Varnok6p.ui";
    options.fitToScreen = false;  // as script mode, so the plots have one size
    options.catalog = &varnok::shell::catalog();
    host_ = std::make_unique<varnok::qt::WindowHost>(options);
    shell_ = std::make_unique<varnok::shell::Shell>(console_, host_->opener());
    host_->setRunner([this](const std::string& cb, varnok::window::Control* source) {
      shell_->runCallback(cb, source);
    });
    shell_->Varnok6p({}, 0);
    window_ = host_->window();
    QCoreApplication::processEvents();
  }
  ~SessionRecording() override {
    if (window_) window_->mainWindow()->close();
  }

  template <class T>
  T* widget(const char* tag) {
    auto* c = dynamic_cast<varnok::qt::QtControl*>(window_->findobj(tag).at(0));
    return qobject_cast<T*>(c->object());
  }
  void click(const char* tag) { widget<QAbstractButton>(tag)->click(); }
  void menu(const char* tag) { widget<QAction>(tag)->trigger(); }
  void type(const char* tag, const char* text) {
    auto* e = widget<QLineEdit>(tag);
    e->setFocus();
    e->selectAll();
    e->insert(QString::fromUtf8(text));  // as typed: the box is marked modified
    emit e->editingFinished();
  }
  void answerFile(const std::string& name) {
    dialogs_.files.push_back(varnok::window::FileChoice{name, (recorded_ / "").string()});
  }
  void cancelNext() { dialogs_.files.push_back(std::nullopt); }

  // Saves the session as recorded/session.vks and replays a copy in the
  // replay folder; returns standard error of the replay.
  std::string saveAndReplay(int* status) {
    answerFile("session.vks");
    menu("SaveSessionItem");
    EXPECT_TRUE(dialogs_.messages.empty() ||
                dialogs_.messages.back().find("script") == std::string::npos);
    fs::copy_file(recorded_ / "session.vks", replayed_ / "session.vks");
    const std::string cmd = "cd '" + replayed_.string() + "' && QT_QPA_PLATFORM=offscreen '" +
                            VARNOK_BINARY_DIR "/varnok' --script session.vks >stdout.txt 2>&1";
    *status = std::system(cmd.c_str());
    return readFile(replayed_ / "stdout.txt");
  }

  // Saves and replays the session (saveAndReplay), expects the replay to run
  // without an error and each of files to come out byte for byte as the
  // window wrote it; returns the recorded script for further checks.
  std::string expectSameFilesAfterReplay(std::initializer_list<const char*> files) {
    int status = -1;
    const std::string out = saveAndReplay(&status);
    const std::string script = readFile(recorded_ / "session.vks");
    EXPECT_EQ(status, 0) << out << script;
    EXPECT_EQ(out.find("varnok:"), std::string::npos) << out << script;
    EXPECT_EQ(out.find("[msgbox"), std::string::npos) << out << script;
    for (const char* f : files) {
      const std::string a = readFile(recorded_ / f), b = readFile(replayed_ / f);
      EXPECT_FALSE(a.empty()) << f;
      EXPECT_TRUE(a == b) << f << " differs after the replay of\n" << script;
    }
    return script;
  }

  varnok::testkit::ScratchFolder scratch_;
  const fs::path recorded_ = scratch_ / "recorded";
  const fs::path replayed_ = scratch_ / "replayed";
  UserDialogs dialogs_;
  varnok::Console console_{nullptr, true};
  std::unique_ptr<varnok::qt::WindowHost> host_;
  std::unique_ptr<varnok::shell::Shell> shell_;
  varnok::qt::QtWindow* window_ = nullptr;
};

TEST_F(SessionRecording, AReplayedSessionWritesTheSameFiles) {
  ASSERT_NE(window_, nullptr);
  answerFile("gorilla.txt");
  click("LoadDataButton");
  answerFile("gorilla_groups.txt");
  click("LoadGroup");

  // Axes: one by its button, one typed; labels ticked.
  click("UpYAxisButton");
  type("XBox", "2");
  click("PCALabel");
  click("ShowPCAAxisButton");

  // The user makes the window larger: the plot keeps equal units, so its
  // limits and the grid's extent follow the new shape.
  window_->mainWindow()->resize(window_->mainWindow()->size() + QSize(150, 60));
  QCoreApplication::processEvents();

  // A grid with vectors on the second axis at a changed score, the
  // reference turned by 15 degrees first and the grid trimmed after.
  widget<QComboBox>("DeFormat")->setCurrentIndex(3);
  type("ShowBox", "2");
  type("ExagerationBox", "0.25");
  click("RotateRequest");
  click("GridTrimButton");
  dialogs_.inputs.push_back(std::vector<std::string>{"15"});
  dialogs_.inputs.push_back(std::vector<std::string>{"0"});
  using Click = varnok::window::Click;
  for (Click c : {Click{1e3, 0, 1}, Click{1.0 / 3, 0, 3},                    // stage 1
                  Click{0, -1e3, 1}, Click{0, 0, 3},                         // stage 2
                  Click{-1e3, 0, 1}, Click{-1e3, 0, 1}, Click{0.1, 0.2, 3},  // stage 3
                  Click{0, 1e-300, 3}})                                      // stage 4
    dialogs_.clicks.push_back(c);
  click("DeformPSButton");
  ASSERT_TRUE(dialogs_.clicks.empty());
  ASSERT_TRUE(dialogs_.inputs.empty());

  answerFile("scores.txt");
  menu("SavePCAItem");
  answerFile("eigen.txt");
  menu("SaveEigenItem");
  answerFile("pcmatrix.txt");
  menu("SavePCMatrixItem");
  // File > Export Plot Data, and what Save Picture does once its dialog has
  // a name.
  answerFile("plot.json");
  menu("ExportPlotDataItem");
  window_->savePicture((recorded_ / "plot.svg").string());
  ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front();

  const std::string script = expectSameFilesAfterReplay(
      {"scores.txt", "eigen.txt", "pcmatrix.txt", "plot.json", "plot.svg"});
  EXPECT_NE(script.find("set ExagerationBox String 0.25\n"), std::string::npos) << script;
  EXPECT_NE(script.find("answer file gorilla.txt\n"), std::string::npos) << script;
  // The size at the start, and the larger one.
  std::size_t sizes = 0;
  for (auto at = script.find("\nplot-size "); at != std::string::npos;
       at = script.find("\nplot-size ", at + 1))
    ++sizes;
  EXPECT_EQ(sizes, 2u) << script;
}

TEST_F(SessionRecording, ChoicesOfSpecimensReplayToTheSameResults) {
  ASSERT_NE(window_, nullptr);
  answerFile("gorilla.txt");
  click("LoadDataButton");
  answerFile("gorilla_groups.txt");
  click("LoadGroup");
  dialogs_.inputs.push_back(std::vector<std::string>{"3 10-12"});
  menu("ExcludeSpecimensItem");
  dialogs_.inputs.push_back(std::vector<std::string>{"7 mirrored"});
  menu("ReflectSpecimensItem");
  dialogs_.inputs.push_back(std::vector<std::string>{"2"});
  menu("SelectGroupsItem");
  menu("FindMirroredItem");
  click("ShowPCAAxisButton");
  answerFile("scores.txt");
  menu("SavePCAItem");
  answerFile("plot.json");
  menu("ExportPlotDataItem");
  ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front();
  ASSERT_TRUE(dialogs_.inputs.empty());

  const std::string script = expectSameFilesAfterReplay({"scores.txt", "plot.json"});
  EXPECT_NE(script.find("answer input 3 10-12\nExcludeSpecimens\nanswer input 7 mirrored\n"
                        "ReflectSpecimens\nanswer input 2\nSelectGroups\nFindMirrored\n"),
            std::string::npos)
      << script;
}

TEST_F(SessionRecording, GroupsFromATableReplayToTheSameResults) {
  ASSERT_NE(window_, nullptr);
  for (const fs::path& dir : {recorded_, replayed_})
    fs::copy_file(fs::path(VARNOK_DATA_DIR) / "gorilla_classifiers.csv",
                  dir / "gorilla_classifiers.csv");
  answerFile("gorilla.txt");
  click("LoadDataButton");
  answerFile("gorilla_classifiers.csv");
  menu("LoadClassifiersItem");
  dialogs_.inputs.push_back(std::vector<std::string>{"Sex*Site"});
  menu("GroupByItem");
  click("ShowPCAAxisButton");
  answerFile("table.csv");
  menu("ExportResultsTableItem");
  answerFile("plot.json");
  menu("ExportPlotDataItem");
  ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front();
  ASSERT_TRUE(dialogs_.inputs.empty());

  const std::string script = expectSameFilesAfterReplay({"table.csv", "plot.json"});
  EXPECT_NE(script.find("answer file gorilla_classifiers.csv\nLoadClassifiers\n"
                        "answer input Sex*Site\nGroupBy\n"),
            std::string::npos)
      << script;
}

TEST_F(SessionRecording, QuitFromTheMenuClosesTheWindowAndIsNoStepOfTheSession) {
  ASSERT_NE(window_, nullptr);
  answerFile("gorilla.txt");
  click("LoadDataButton");
  menu("QuitItem");
  EXPECT_FALSE(window_->isVisible());
  const std::string script = window_->recorder().script(recorded_);
  EXPECT_TRUE(script.ends_with("\nanswer file gorilla.txt\nVarnoksw('LoadData')\n")) << script;
}

TEST_F(SessionRecording, AWarpedOutlineReplaysToTheSamePicture) {
  ASSERT_NE(window_, nullptr);
  for (const fs::path& dir : {recorded_, replayed_})
    fs::copy_file(fs::path(VARNOK_DATA_DIR) / "gorilla_outline.txt", dir / "gorilla_outline.txt");
  answerFile("gorilla.txt");
  click("LoadDataButton");
  answerFile("gorilla_groups.txt");
  click("LoadGroup");
  answerFile("gorilla_outline.txt");
  dialogs_.inputs.push_back(std::vector<std::string>{"1"});
  menu("LoadOutlineItem");
  click("ShowPCAAxisButton");
  click("DeformPSButton");
  answerFile("with_outline.json");
  menu("ExportPlotDataItem");
  menu("OutlineItem");  // off again
  click("DeformPSButton");
  answerFile("without_outline.json");
  menu("ExportPlotDataItem");
  ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front();
  ASSERT_TRUE(dialogs_.inputs.empty());

  const std::string script =
      expectSameFilesAfterReplay({"with_outline.json", "without_outline.json"});
  EXPECT_NE(script.find("answer file gorilla_outline.txt\nanswer input 1\nLoadOutline\n"),
            std::string::npos)
      << script;
  EXPECT_NE(script.find("ToggleOutline\n"), std::string::npos) << script;
  EXPECT_NE(readFile(recorded_ / "with_outline.json").find("\"outline\""), std::string::npos);
  EXPECT_EQ(readFile(recorded_ / "without_outline.json").find("\"outline\""), std::string::npos);
}

TEST_F(SessionRecording, ACancelledDialogReplaysAsCancelled) {
  ASSERT_NE(window_, nullptr);
  cancelNext();
  click("LoadDataButton");
  answerFile("gorilla.txt");
  click("LoadDataButton");
  click("NoLoadGroup");
  cancelNext();
  menu("SavePCAItem");
  answerFile("eigen.txt");
  menu("SaveEigenItem");
  // The rotation question cancelled, then a trimmed grid with a stage
  // ended by Esc: each cancel must use up its dialog, or the clicks after it
  // would go to the wrong dialogs.
  click("RotateRequest");
  click("GridTrimButton");
  dialogs_.inputs.push_back(std::nullopt);
  using Click = varnok::window::Click;
  for (std::optional<Click> c :
       {std::optional<Click>(Click{1e3, 0, 1}), std::optional<Click>(),
        std::optional<Click>(Click{0, 1e3, 1}), std::optional<Click>(Click{0, 0, 3}),
        std::optional<Click>(), std::optional<Click>(Click{0, -1e3, 1})})
    dialogs_.clicks.push_back(c);
  click("DeformPSButton");
  answerFile("plot.json");
  menu("ExportPlotDataItem");

  int status = -1;
  const std::string out = saveAndReplay(&status);
  const std::string script = readFile(recorded_ / "session.vks");
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(script.find("answer cancel\nVarnoksw('LoadData')\nanswer file gorilla.txt\n"),
            std::string::npos)
      << script;
  // Every dialog found its answer, and each file got what it got before.
  EXPECT_EQ(out.find("varnok:"), std::string::npos) << out << script;
  for (const char* f : {"eigen.txt", "plot.json"}) {
    EXPECT_FALSE(readFile(replayed_ / f).empty()) << f;
    EXPECT_TRUE(readFile(recorded_ / f) == readFile(replayed_ / f)) << f << " differs";
  }
  EXPECT_FALSE(fs::exists(replayed_ / "scores.txt"));
}

}  // namespace
