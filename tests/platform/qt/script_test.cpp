// Script mode: answering dialogs from a script, running its steps.
#include "platform/qt/script.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/window/in_memory_window.hpp"
#include "shell/callback.hpp"

namespace varnok::qt {
namespace {

namespace fs = std::filesystem;

bool parses(std::string_view text, std::string* why) {
  return shell::parseCallback(text, why).has_value();
}

std::vector<ScriptStep> steps(const std::string& text) {
  std::istringstream in(text);
  auto r = parseScript(in, "/data/run", parses);
  if (auto* e = std::get_if<ScriptError>(&r)) {
    ADD_FAILURE() << "line " << e->line << ": " << e->message;
    return {};
  }
  return std::get<std::vector<ScriptStep>>(r);
}

class ScriptedDialogsTest : public ::testing::Test {
 protected:
  std::ostringstream out, err;
  ScriptedDialogs d{out, err};

  static ScriptAnswer file(std::string p) { return {ScriptAnswer::Kind::File, std::move(p), {}}; }
  static ScriptAnswer input(std::string t) { return {ScriptAnswer::Kind::Input, std::move(t), {}}; }
  static ScriptAnswer click(double x, double y, int b) {
    return {ScriptAnswer::Kind::Click, {}, {x, y, b}};
  }
  static ScriptAnswer cancel() { return {ScriptAnswer::Kind::Cancel, {}, {}}; }
};

TEST_F(ScriptedDialogsTest, AnswersAreUsedInOrder) {
  d.push(file("/data/run/tarvish.txt"));
  d.push(input("15"));
  d.push(click(1.5, -2, 3));
  d.push(cancel());
  d.push(file("/out/scores.txt"));

  const auto f = d.uigetfile("*.*", "Enter file to Load?", "");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->name, "tarvish.txt");
  EXPECT_EQ(f->folder, "/data/run/");
  const auto a = d.inputdlg({"Enter Desired Rotation"}, "Rotation", {"10"});
  ASSERT_TRUE(a);
  EXPECT_EQ(*a, std::vector<std::string>{"15"});
  const auto c = d.ginput();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->x, 1.5);
  EXPECT_EQ(c->y, -2);
  EXPECT_EQ(c->button, 3);
  EXPECT_FALSE(d.uiputfile("*.*", "Save", ""));  // the cancel
  const auto g = d.uiputfile("*.*", "Save", "");
  ASSERT_TRUE(g);
  EXPECT_EQ(g->folder + g->name, "/out/scores.txt");
  EXPECT_EQ(d.pending(), 0u);
  EXPECT_EQ(err.str(), "");  // a cancel the script asked for is no surprise
}

TEST_F(ScriptedDialogsTest, AnUnansweredDialogIsCancelledWithAWarning) {
  EXPECT_FALSE(d.uigetfile("*.*", "Enter file to Load?", ""));
  EXPECT_NE(err.str().find("Enter file to Load?"), std::string::npos) << err.str();
  err.str("");
  EXPECT_FALSE(d.ginput());
  EXPECT_NE(err.str().find("pick"), std::string::npos) << err.str();
}

TEST_F(ScriptedDialogsTest, AnAnswerOfTheWrongKindIsUsedUpAndCancels) {
  d.push(click(1, 2, 1));
  d.push(file("/a/b.txt"));
  EXPECT_FALSE(d.uigetfile("*.*", "Enter file to Load?", ""));
  EXPECT_NE(err.str().find("click"), std::string::npos) << err.str();
  EXPECT_TRUE(d.uigetfile("*.*", "Enter file to Load?", ""));
}

TEST_F(ScriptedDialogsTest, QuestionsWithSeveralPromptsTakeFollowingInputs) {
  d.push(input("a"));
  d.push(input("b"));
  d.push(file("/x"));
  const auto a = d.inputdlg({"one", "two", "three"}, "t", {"1", "2", "3"});
  ASSERT_TRUE(a);
  EXPECT_EQ(*a, (std::vector<std::string>{"a", "b", "3"}));
  EXPECT_EQ(d.pending(), 1u);
}

TEST_F(ScriptedDialogsTest, MessageBoxesArePrinted) {
  d.msgbox("The size of your group code list indicates 3 specimens", "Error Loading Group Code");
  d.msgbox("two\nlines", "");
  EXPECT_EQ(out.str(),
            "[msgbox Error Loading Group Code] The size of your group code list indicates 3 "
            "specimens\n[msgbox ] two\nlines\n");
}

class ScriptRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win.add("FileBox");
    win.add("PCALimit");
    win.add("XBox");
  }
  int run(const std::string& text) {
    return runScript(
        steps(text), win, dialogs,
        [&](const std::string& cb) {
          ran.push_back(cb);
          // A callback that asks a question sees the answers given before it.
          if (cb == "Ask") {
            const auto f = dialogs.uigetfile("*.*", "Enter file to Load?", "");
            win.control("FileBox").set("String", Value(f ? f->name : "cancelled"));
          }
        },
        out, err);
  }
  window::InMemoryWindow win;
  std::ostringstream out, err;
  ScriptedDialogs dialogs{out, err};
  std::vector<std::string> ran;
};

TEST_F(ScriptRunTest, SetsPrintsAndCallsInOrder) {
  const int status =
      run("set PCALimit Value 1\n"
          "set FileBox String File: a.txt \n"
          "print PCALimit Value\n"
          "answer file b.txt\n"
          "Ask\n"
          "print FileBox String\n"
          "Ask\n"
          "print FileBox String\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ran, (std::vector<std::string>{"Ask", "Ask"}));
  EXPECT_EQ(out.str(), "PCALimit Value: 1\nFileBox String: b.txt\nFileBox String: cancelled\n");
  EXPECT_NE(err.str().find("no answer"), std::string::npos) << err.str();
}

TEST_F(ScriptRunTest, PrintKeepsLineBreaks) {
  win.control("FileBox").set("String", Value("File: a.txt \n  30 Specimens \n  12 Landmarks"));
  EXPECT_EQ(run("print FileBox String\n"), 0);
  EXPECT_EQ(out.str(), "FileBox String: File: a.txt \n  30 Specimens \n  12 Landmarks\n");
}

TEST_F(ScriptRunTest, AFailingDirectiveStopsTheScriptNamingItsLine) {
  const int status =
      run("First\n"
          "# a comment\n"
          "print NoSuchBox String\n"
          "Never\n");
  EXPECT_NE(status, 0);
  EXPECT_EQ(ran, std::vector<std::string>{"First"});
  EXPECT_NE(err.str().find("line 3"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("NoSuchBox"), std::string::npos) << err.str();
}

TEST_F(ScriptRunTest, SavePictureWritesTheFile) {
  const fs::path dir = fs::path(::testing::TempDir()) / "varnok_script_pictures";
  fs::create_directories(dir);
  win.figure().axes().plot(std::vector<double>{0, 1}, std::vector<double>{0, 1}, "ko");
  std::istringstream in("save-picture plot.png\nsave-picture plot.svg\n");
  auto parsed = parseScript(in, dir, parses);
  ASSERT_TRUE(std::holds_alternative<std::vector<ScriptStep>>(parsed));
  EXPECT_EQ(runScript(
                std::get<std::vector<ScriptStep>>(parsed), win, dialogs, [](const std::string&) {},
                out, err),
            0)
      << err.str();
  EXPECT_GT(fs::file_size(dir / "plot.png"), 100u);
  EXPECT_GT(fs::file_size(dir / "plot.svg"), 100u);
  // With .json the data of the plot instead of its picture.
  std::istringstream data("save-picture plot.JSON\n");
  EXPECT_EQ(runScript(
                std::get<std::vector<ScriptStep>>(parseScript(data, dir, parses)), win, dialogs,
                [](const std::string&) {}, out, err),
            0)
      << err.str();
  std::ifstream json(dir / "plot.JSON");
  const std::string text{std::istreambuf_iterator<char>(json), {}};
  EXPECT_EQ(text.rfind("{\n  \"format\": \"varnok plot data\"", 0), 0u) << text;
  EXPECT_NE(text.find("\"type\": \"line\""), std::string::npos);
  std::istringstream bad("save-picture /no/such/folder/plot.png\n");
  auto parsedBad = parseScript(bad, dir, parses);
  EXPECT_NE(runScript(
                std::get<std::vector<ScriptStep>>(parsedBad), win, dialogs,
                [](const std::string&) {}, out, err),
            0);
  EXPECT_NE(err.str().find("/no/such/folder/plot.png"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace varnok::qt
