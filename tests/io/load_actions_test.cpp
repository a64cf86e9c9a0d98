// The loading actions on files that must not change the analysis: each bad
// file is reported and leaves the state as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "io/code_load.hpp"
#include "io/load_reference.hpp"
#include "platform/window/in_memory_window.hpp"
#include "shell/shell.hpp"
#include "support/session_fixture.hpp"

namespace varnok::io {
namespace {

namespace fs = std::filesystem;

class LoadActions : public testkit::SessionTest {
 protected:
  LoadActions() {
    shell_.session().folder = testkit::folderString(dir_);
    for (const char* tag :
         {"FileBox", "GroupBox", "LoadGroup", "NoLoadGroup", "LoadReference", "BWButton"})
      win_.add(tag);
    win_.add("RefAngleBox").set("String", "0");
  }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  void act(const std::string& action, const std::string& file) {
    answer(file, dir_);
    shell_.Varnoksw({Value(action)});
  }
  const window::MessageBox& lastMessage() {
    static const window::MessageBox none{"no message", ""};
    return win_.answers.messages.empty() ? none : win_.answers.messages.back();
  }

  session::AnalysisState& s_ = shell_.state();
};

TEST_F(LoadActions, LinesAfterAnEmptyLineAreReportedAndTheOnesBeforeLoaded) {
  write("d.txt", "1 2 3\n4 5 6\n\n7 8 9\n10 11 12\n");
  act("LoadData", "d.txt");
  EXPECT_EQ(*s_.DATA, (Mat(2, 3) << 1, 2, 3, 4, 5, 6).finished());
  const std::string note =
      "Reading of the file d.txt stopped at the empty line 3; 2 more lines after it were not "
      "read. Remove the empty line to load them.";
  EXPECT_EQ(lastMessage().text, note);
  EXPECT_EQ(lastMessage().title, "Lines Not Read");
  EXPECT_NE(console_.kept().find(note), std::string::npos);
  // One trailing empty line is the format's own end: no note.
  win_.answers.messages.clear();
  write("e.txt", "1 2 3\n\n");
  act("LoadData", "e.txt");
  EXPECT_TRUE(win_.answers.messages.empty());
  EXPECT_EQ(s_.DATA->rows(), 1);
}

TEST_F(LoadActions, FilesThatAreNotRegularLeaveTheDataAsItWas) {
  write("good.txt", "1 2 3\n");
  act("LoadData", "good.txt");
  const Mat before = *s_.DATA;
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0644), 0);
  act("LoadData", "pipe");
  EXPECT_EQ(lastMessage().title, "Error Loading File");
  EXPECT_EQ(lastMessage().text,
            "The file pipe could not be loaded: it is a named pipe (FIFO), not a regular file.");
  fs::create_directory(dir_ / "sub");
  act("LoadData", "sub");
  EXPECT_EQ(lastMessage().text, "The file sub could not be loaded: it is a folder, not a file.");
  write("nan.txt", "1 2 3\n4 nan 6\n");
  act("LoadData", "nan.txt");
  EXPECT_EQ(lastMessage().text,
            "The file nan.txt could not be loaded: line 2 holds \"nan\", which is not a finite "
            "number.");
  EXPECT_EQ(*s_.DATA, before);
}

TEST_F(LoadActions, SymbolTablesThatCannotBeDrawnAreRefusedNamingTheRow) {
  struct Case {
    std::string row, message;
  };
  const std::string at =
      "The symbol code file t.txt could not be used: line 2 (group code 2) holds ";
  const Case cases[] = {
      {"0 0 0 14 8 1", at + "the marker index 14; it must be a whole number from 1 to 13."},
      {"0 0 0 0 8 1", at + "the marker index 0; it must be a whole number from 1 to 13."},
      {"0 0 0 2.5 8 1", at + "the marker index 2.5; it must be a whole number from 1 to 13."},
      {"0 0 0 2 0.05 1", at + "the marker size 0.05; it must be from 0.1 to 200 points."},
      {"0 0 0 2 300 1", at + "the marker size 300; it must be from 0.1 to 200 points."},
      {"1.5 0 0 2 8 1", at + "the red share 1.5; colour shares must be from 0 to 1."},
      {"0 -0.1 0 2 8 1", at + "the green share -0.1; colour shares must be from 0 to 1."},
      {"0 0 2 2 8 1", at + "the blue share 2; colour shares must be from 0 to 1."},
      {"0 0 0 2 8 2", at + "the fill flag 2; it must be 0 (empty) or 1 (filled)."},
      {"0 0 0 2 8 0.5", at + "the fill flag 0.5; it must be 0 (empty) or 1 (filled)."},
      {"0 0 0 2 Inf 1",
       "The file t.txt could not be loaded: line 2 holds \"Inf\", which is not a finite number."},
  };
  win_.control("BWButton").set("Label", "Use BW Symbols");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    write("t.txt", "1 0 0 2 8 1\n" + c.row + "\n0 0 1 6 9 0\n");
    act("CodeLoad", "t.txt");
    EXPECT_EQ(lastMessage().text, c.message);
    EXPECT_FALSE(s_.altcode.has_value());
    EXPECT_EQ(s_.codearray.size(), 0);
    EXPECT_EQ(win_.control("BWButton").get("Label").text(), "Use BW Symbols");
  }
  // The wrong width keeps its own message; neither it nor a cancelled
  // dialog switches the plots to a table that is not there.
  write("five.txt", "1 0 0 2 8\n");
  act("CodeLoad", "five.txt");
  EXPECT_EQ(lastMessage().text,
            "The file loaded does not have the correct dimensions to be a Group Code File, Please "
            "try another file");
  win_.answers.files.push_back(std::nullopt);
  shell_.Varnoksw({Value("CodeLoad")});
  EXPECT_FALSE(s_.altcode.has_value());
  // The limits themselves are allowed.
  write("edge.txt", "0 1 0 1 0.1 0\n1 0 1 13 200 1\n");
  act("CodeLoad", "edge.txt");
  EXPECT_EQ(s_.codearray.rows(), 2);
  EXPECT_EQ(*s_.altcode, 1);
  EXPECT_EQ(win_.control("BWButton").get("Label").text(), "Return to Default Symbols");
  // A refused table later keeps the accepted one.
  write("bad.txt", "1 0 0 99 8 1\n");
  act("CodeLoad", "bad.txt");
  EXPECT_EQ(s_.codearray.rows(), 2);
  EXPECT_EQ(*s_.altcode, 1);
}

TEST_F(LoadActions, ReferencesWithCoincidingLandmarksAreRefusedAndTheOldOneStays) {
  write("d.txt", "0 0 10 0 10 10 0 10 5\n1 0 11 1 10 12 0 9 5\n");
  act("LoadData", "d.txt");
  write("ref.txt", "0 0 10 0 10 10 0 10 40\n");
  act("LoadReference", "ref.txt");
  ASSERT_EQ(lastMessage().title, "Reference Loaded");
  const Mat loaded = s_.reference;
  const auto messages = win_.answers.messages.size();

  write("pair.txt", "0 0 10 0 0 0 3 4 40\n");
  act("LoadReference", "pair.txt");
  EXPECT_EQ(lastMessage().title, "Reference Error");
  EXPECT_EQ(lastMessage().text,
            "Landmarks 1 and 3 of the reference in pair.txt are at the same point (0, 0); the "
            "landmarks of a reference must be distinct. The reference in use was not changed.");
  write("same.txt", "2.5 7 2.5 7 2.5 7 2.5 7 40\n");
  act("LoadReference", "same.txt");
  EXPECT_EQ(lastMessage().text,
            "All landmarks of the reference in same.txt are at the same point (2.5, 7), so it has "
            "no shape. The reference in use was not changed.");
  write("nan.txt", "0 0 10 0 NaN 10 0 10 40\n");
  act("LoadReference", "nan.txt");
  EXPECT_EQ(lastMessage().text,
            "The file nan.txt could not be loaded: line 1 holds \"NaN\", which is not a finite "
            "number.");
  EXPECT_EQ(win_.answers.messages.size(), messages + 3);
  EXPECT_EQ(s_.reference, loaded);
  EXPECT_EQ(*s_.referencetype, 1);
}

TEST(ReferenceProblem, FindsThePairAmongManyLandmarks) {
  const int L = 500;
  Mat ref(1, 2 * L + 1);
  for (int i = 0; i < L; ++i) {
    ref(0, 2 * i) = std::cos(i * 0.01) * 100;
    ref(0, 2 * i + 1) = std::sin(i * 0.01) * 100;
  }
  ref(0, 2 * L) = 1;
  EXPECT_FALSE(referenceProblem(ref, "r").has_value());
  ref(0, 2 * 400) = ref(0, 2 * 17);
  ref(0, 2 * 400 + 1) = ref(0, 2 * 17 + 1) + 1e-12;  // within rounding of one point
  auto problem = referenceProblem(ref, "r");
  ASSERT_TRUE(problem.has_value());
  EXPECT_EQ(problem->rfind("Landmarks 18 and 401 of the reference in r", 0), 0u) << *problem;
}

}  // namespace
}  // namespace varnok::io
