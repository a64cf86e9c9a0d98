// End-to-end: the window keeps its session beside its settings as it goes;
// closing with results not saved asks once, and the next window restores the
// kept session by replaying it, to the same result files.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/matrix/console.hpp"
#include "platform/qt/qt_control.hpp"
#include "platform/qt/qt_window.hpp"
#include "platform/qt/session_keeper.hpp"
#include "platform/qt/settings_store.hpp"
#include "shell/callback.hpp"
#include "shell/registry.hpp"
#include "shell/shell.hpp"
#include "support/run_command.hpp"
#include "support/session_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using varnok::qt::QtWindow;
using varnok::testkit::readFile;

// File dialogs answered in order; an empty queue cancels.
struct FileAnswers : varnok::window::Dialogs {
  std::deque<varnok::window::FileChoice> files;
  std::vector<std::string> messages;
  std::optional<varnok::window::FileChoice> next() {
    if (files.empty()) return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
  }
  std::optional<varnok::window::FileChoice> uigetfile(std::string_view, std::string_view,
                                                      std::string_view) override {
    return next();
  }
  std::optional<varnok::window::FileChoice> uiputfile(std::string_view, std::string_view,
                                                      std::string_view) override {
    return next();
  }
  void msgbox(std::string_view text, std::string_view) override { messages.emplace_back(text); }
  std::optional<std::vector<std::string>> inputdlg(const std::vector<std::string>&,
                                                   std::string_view,
                                                   const std::vector<std::string>&) override {
    return std::nullopt;
  }
  std::optional<varnok::window::Click> ginput() override { return std::nullopt; }
  // Questions are answered with yes, and kept.
  bool yes = false;
  std::vector<std::string> questions;
  bool confirm(std::string_view question, std::string_view) override {
    questions.emplace_back(question);
    return yes;
  }
};

// One run of the program's window: its settings in the scratch folder.
struct WindowRun {
  WindowRun(const fs::path& settingsFile, FileAnswers& dialogs) : settings(settingsFile.c_str()) {
    QtWindow::Options options;
    options.dialogs = &dialogs;
    options.layoutFile = VARNOK_SOURCE_DIR "/layout/Varnok6p.ui";
    options.fitToScreen = false;
    options.catalog = &varnok::shell::catalog();
    options.settings = &settings;
    options.keepSession = true;
    // What the program's window is told of its session (as main() does).
    options.sessionFacts = [this] {
      varnok::qt::SessionFacts f;
      if (!shell) return f;
      const auto& s = shell->session();
      f.folder = s.folder;
      f.dataFile = s.dataFile;
      f.dataLoads = s.dataLoads;
      f.hasResults = s.state.PCAScores.size() != 0;
      return f;
    };
    host = std::make_unique<varnok::qt::WindowHost>(options);
    shell = std::make_unique<varnok::shell::Shell>(console, host->opener());
    host->setRunner([this](const std::string& cb, varnok::window::Control* source) {
      shell->runCallback(cb, source);
    });
    shell->Varnok6p({}, 0);
    window = host->window();
    QCoreApplication::processEvents();
  }
  template <class T>
  T* widget(const char* tag) {
    auto* c = dynamic_cast<varnok::qt::QtControl*>(window->findobj(tag).at(0));
    return qobject_cast<T*>(c->object());
  }

  varnok::qt::SettingsStore settings;
  varnok::Console console{nullptr, true};
  std::unique_ptr<varnok::qt::WindowHost> host;
  std::unique_ptr<varnok::shell::Shell> shell;
  QtWindow* window = nullptr;
};

class SessionRestore : public ::testing::Test {
 protected:
  SessionRestore() {
    fs::create_directories(data_);
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, data_ / f);
  }
  void answer(const std::string& name) {
    dialogs_.files.push_back(varnok::window::FileChoice{name, (data_ / "").string()});
  }
  // Loads, analyses by groups, shows the score plot of axes 2 and 1 and
  // saves the scores; then draws a deformation after the save.
  void work(WindowRun& run) {
    answer("gorilla.txt");
    run.widget<QAbstractButton>("LoadDataButton")->click();
    answer("gorilla_groups.txt");
    run.widget<QAbstractButton>("LoadGroup")->click();
    run.widget<QAbstractButton>("UpXAxisButton")->click();
    run.widget<QAbstractButton>("ShowPCAAxisButton")->click();
    answer("scores.txt");
    run.widget<QAction>("SavePCAItem")->trigger();
    answer("eigen.txt");
    run.widget<QAction>("SaveEigenItem")->trigger();
  }

  varnok::testkit::ScratchFolder scratch_;
  const fs::path data_ = scratch_ / "data";
  const fs::path settings_ = scratch_ / "settings" / "varnok.ini";
  const fs::path kept_ = scratch_ / "settings" / varnok::qt::kKeptSessionName;
  FileAnswers dialogs_;
};

TEST_F(SessionRestore, AClosedSessionWithUnsavedResultsReplaysToTheSameFiles) {
  std::string scores, eigen;
  {
    WindowRun first(settings_, dialogs_);
    work(first);
    // Saved: closing would lose nothing and asks nothing.
    ASSERT_TRUE(fs::exists(kept_));
    EXPECT_FALSE(first.window->keeper()->unsaved());
    // A picture drawn after the save is work not saved.
    first.widget<QAbstractButton>("DeformPSButton")->click();
    EXPECT_TRUE(first.window->keeper()->unsaved());
    ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front();

    int asked = 0;
    using Answer = QtWindow::QuitAnswer;
    EXPECT_FALSE(first.window->mayClose([&] { return ++asked, Answer::Cancel; }));
    EXPECT_TRUE(first.window->mayClose([&] { return ++asked, Answer::Quit; }));
    EXPECT_TRUE(first.window->mayClose([&] { return ++asked, Answer::Quit; }));
    EXPECT_EQ(asked, 2);  // once for each attempt to close, not again once confirmed
    scores = readFile(data_ / "scores.txt");
    eigen = readFile(data_ / "eigen.txt");
    ASSERT_FALSE(scores.empty());
  }
  // The session was closed with results not saved: it is kept, with the
  // files it read and wrote named in full.
  ASSERT_TRUE(fs::exists(kept_));
  const std::string script = readFile(kept_);
  EXPECT_NE(script.find("answer file " + (data_ / "gorilla.txt").string() + "\n"),
            std::string::npos)
      << script;
  fs::remove(data_ / "scores.txt");
  fs::remove(data_ / "eigen.txt");

  WindowRun second(settings_, dialogs_);
  const auto steps = second.window->keeper()->lastSession();
  ASSERT_TRUE(steps.has_value());
  EXPECT_EQ(second.window->restoreSession(*steps), 0);
  EXPECT_EQ(readFile(data_ / "scores.txt"), scores);
  EXPECT_EQ(readFile(data_ / "eigen.txt"), eigen);
  EXPECT_TRUE(dialogs_.files.empty());
  // The restored session is the running one, kept again as it goes.
  EXPECT_EQ(readFile(kept_).substr(readFile(kept_).find('\n')), script.substr(script.find('\n')));
  EXPECT_TRUE(second.window->mayClose([] { return QtWindow::QuitAnswer::Quit; }));
}

TEST_F(SessionRestore, ASessionClosedWithEverythingSavedLeavesNothingToRestore) {
  {
    WindowRun run(settings_, dialogs_);
    work(run);
    ASSERT_TRUE(fs::exists(kept_));
    EXPECT_TRUE(run.window->mayClose([]() -> QtWindow::QuitAnswer {
      ADD_FAILURE() << "asked although everything was saved";
      return QtWindow::QuitAnswer::Cancel;
    }));
  }
  EXPECT_FALSE(fs::exists(kept_));
  WindowRun next(settings_, dialogs_);
  EXPECT_FALSE(next.window->keeper()->lastSession().has_value());
}

TEST_F(SessionRestore, AScriptOpenedInTheWindowRunsOnlyWhenTheUserSaysSo) {
  // What `varnok study.vks` (a double-clicked script) does once the window is up.
  const auto parses = [](std::string_view text, std::string* why) {
    return varnok::shell::parseCallback(text, why).has_value();
  };
  varnok::testkit::writeFile(data_ / "session.vks",
                             "answer file gorilla.txt\nVarnoksw('LoadData')\n"
                             "answer file gorilla_groups.txt\nVarnoksw('LoadGroupList')\n"
                             "answer file scores.txt\nVarnoksw('SavePCA')\n");
  const std::string script = (data_ / "session.vks").string();
  WindowRun run(settings_, dialogs_);

  // No: nothing is read or written.
  EXPECT_FALSE(run.window->offerScript(script, parses));
  ASSERT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_NE(dialogs_.questions[0].find("session.vks"), std::string::npos) << dialogs_.questions[0];
  EXPECT_FALSE(fs::exists(data_ / "scores.txt"));
  EXPECT_EQ(run.shell->session().dataLoads, 0ul);

  // Yes: the steps run in the window, to what script mode writes.
  dialogs_.yes = true;
  EXPECT_TRUE(run.window->offerScript(script, parses));
  const std::string scores = readFile(data_ / "scores.txt");
  ASSERT_FALSE(scores.empty());
  fs::rename(data_ / "scores.txt", data_ / "window_scores.txt");
  varnok::testkit::commandOutput(varnok::testkit::scriptCommand(data_, "2>/dev/null >/dev/null"));
  EXPECT_EQ(readFile(data_ / "scores.txt"), scores);

  // A script with a bad line is named with the line in a warning and not offered.
  dialogs_.questions.clear();
  varnok::testkit::writeFile(data_ / "bad.vks", "answer file gorilla.txt\nVarnoksw('LoadData'\n");
  EXPECT_FALSE(run.window->offerScript((data_ / "bad.vks").string(), parses));
  EXPECT_TRUE(dialogs_.questions.empty());
  ASSERT_FALSE(dialogs_.messages.empty());
  EXPECT_EQ(dialogs_.messages.back().rfind((data_ / "bad.vks").string() + ":2: ", 0), 0u)
      << dialogs_.messages.back();
}

}  // namespace
