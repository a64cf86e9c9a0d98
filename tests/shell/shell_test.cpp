#include "shell/shell.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/graphics/plot_data.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/window/in_memory_window.hpp"
#include "shell/callback.hpp"
#include "shell/help.hpp"
#include "shell/registry.hpp"
#include "shell/routines.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::shell {
namespace {

namespace fs = std::filesystem;

// A shell on an in-memory window with the controls the actions touch; the
// scratch folder is the session's current folder.
class ShellTest : public testkit::SessionTest {
 protected:
  ShellTest() {
    shell_.session().folder = testkit::folderString(dir_);
    for (const char* tag : {"FileBox", "GroupBox", "LoadGroup", "NoLoadGroup", "LoadReference"})
      win_.add(tag);
    win_.add("RefAngleBox").set("String", "auto");
    win_.control("LoadGroup").set("Enable", "Off");
  }

  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  void answerFile(const std::string& name) { answer(name, dir_); }
  void act(const std::string& action) { shell_.Varnoksw({Value(action)}); }
  std::string fileBox() { return win_.control("FileBox").get("String").text(); }
};

std::string dataLines(int n, int cols) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < cols; ++j) s += std::to_string(i + j * 0.5) + " ";
    s += "\n";
  }
  return s;
}

TEST_F(ShellTest, UnknownActionFallsThrough) {
  act("loaddata");
  EXPECT_EQ(console_.kept(), "Fell through case!");
  EXPECT_EQ(shell_.state().DATA->size(), 0);
  EXPECT_TRUE(win_.answers.fileDialogTitles.empty());
}

TEST_F(ShellTest, DispatcherArgumentCounts) {
  try {
    shell_.callByName("Varnoksw", {Value("LoadData"), Value(1.0), Value(2.0)}, 0);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(),
                 "Run-time Error: File: Varnoksw Line: 1 Column: 1 The function \"Varnoksw\" was "
                 "called with more than the declared number of inputs (2).");
  }
  try {
    shell_.callByName("Varnoksw", {Value("LoadData")}, 1);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(),
                 "Run-time Error: File: Varnoksw Line: 1 Column: 1 The function \"Varnoksw\" was "
                 "called with more than the declared number of outputs (0).");
  }
  // Through the main window routine the error is written to the console.
  shell_.Varnok6p({Value("Varnoksw"), Value("a"), Value("b"), Value("c")}, 0);
  EXPECT_NE(console_.kept().find("declared number of inputs (2)."), std::string::npos);
}

TEST_F(ShellTest, LoadDataSummaryAndDefaults) {
  write("thirty.txt", dataLines(30, 25) + "\n");
  answerFile("thirty.txt");
  act("LoadData");
  EXPECT_EQ(win_.answers.fileDialogTitles.at(0), "Enter file to Load?");
  EXPECT_EQ(shell_.state().DATA->rows(), 30);
  EXPECT_EQ(shell_.state().DATA->cols(), 25);
  EXPECT_EQ(fileBox(), "File: thirty.txt \n  30 Specimens \n  12 Landmarks");
  for (const char* tag : {"LoadGroup", "NoLoadGroup", "LoadReference"})
    EXPECT_EQ(win_.control(tag).get("Enable").text(), "on") << tag;
  EXPECT_EQ(shell_.state().ColorList.size(), 24u);
  EXPECT_EQ(shell_.state().ColorList[9], "rs");
  EXPECT_EQ(shell_.state().ColorList[23], "yh");
  EXPECT_EQ(*shell_.state().altcode, 0);
  EXPECT_EQ(*shell_.state().referencetype, 0);
  EXPECT_EQ(folder(), fs::path(testkit::folderString(dir_)));
}

TEST_F(ShellTest, DefaultsComeBackAfterClearAndReload) {
  write("d.txt", dataLines(5, 9));
  answerFile("d.txt");
  act("LoadData");
  auto& s = shell_.state();
  s.vplotdensity = 50;
  s.vlinewidth = 2.5;
  s.vlineformat1 = "r";
  s.vrefsymbol = "ks";
  s.vaheads = 0;
  s.defangle = 33;
  s.marker1x = 4;
  s.marker2y = -1;
  s.GLIST = Mat::Ones(5, 1);
  act("ClearData");
  EXPECT_EQ(s.DATA->size(), 0);
  EXPECT_EQ(s.GLIST.size(), 0);
  EXPECT_EQ(*s.vplotdensity, 50);  // settings survive ClearData
  EXPECT_EQ(fileBox(), "No File Loaded");
  EXPECT_EQ(win_.control("GroupBox").get("String").text(), "No File Loaded");
  answerFile("d.txt");
  act("LoadData");
  EXPECT_EQ(*s.vplotdensity, 20);
  EXPECT_EQ(*s.vlinewidth, 1.5);
  EXPECT_EQ(*s.vlineformat1, "k-");
  EXPECT_EQ(*s.vrefsymbol, "ko");
  EXPECT_EQ(*s.vaheads, 1);
  EXPECT_EQ(*s.defangle, 10);
  EXPECT_EQ(*s.marker1x, 0);
  EXPECT_EQ(*s.marker1y, 0);
  EXPECT_EQ(*s.marker2x, 0);
  EXPECT_EQ(*s.marker2y, 0);
}

// What was drawn or computed from one data set is gone once another is
// loaded or the data are cleared: nothing of it can be exported as the new
// data's.
TEST(StaleViews, ALoadOrClearDataLeavesNoPictureOrBoxOfTheOldData) {
  testkit::ScratchFolder dir;
  window::InMemoryWindow win;
  Console console{nullptr, true};
  shell::Shell shell{console, [&win]() -> window::Window& { return win; }};
  shell.session().folder = testkit::folderString(dir.path());
  testkit::addPictureControls(win, dir.path());
  fs::copy_file(fs::path(VARNOK_DATA_DIR) / "mice.txt", dir / "mice.txt");
  for (const char* tag : {"LoadGroup", "NoLoadGroup"}) win.add(tag);
  const auto& ax = win.figure().axes();
  auto text = [&win](const char* tag) { return win.control(tag).get("String").text(); };
  auto analyse = [&](const char* file, const char* picture) {
    win.answers.files.push_back(window::FileChoice{file, testkit::folderString(dir.path())});
    ASSERT_TRUE(shell.runCallback("Varnoksw('LoadData')"));
    EXPECT_TRUE(ax.children().empty()) << file;
    for (const char* tag : {"XBoxExp", "YBoxExp", "GroupBox"}) EXPECT_EQ(text(tag), "") << tag;
    ASSERT_TRUE(shell.runCallback("Varnoksw('NoGroupList')"));
    ASSERT_TRUE(shell.runCallback(picture));
    ASSERT_FALSE(ax.children().empty());
    ASSERT_NE(text("XBoxExp"), "");
  };
  analyse("gorilla.txt", "Varnoksw('ShowPCADeformationPS')");
  analyse("mice.txt", "Varnoksw('ShowPCAAxis')");
  ASSERT_TRUE(shell.runCallback("Varnoksw('ClearData')"));
  EXPECT_TRUE(ax.children().empty());
  EXPECT_EQ(text("XBoxExp"), "");
  EXPECT_EQ(text("YBoxExp"), "");
  EXPECT_EQ(text("GroupBox"), "No File Loaded");
  EXPECT_TRUE(shell.session().groupNames.empty());
}

TEST_F(ShellTest, LoadDataKeepsChosenSymbolTable) {
  write("d.txt", dataLines(4, 7));
  answerFile("d.txt");
  act("LoadData");
  shell_.state().altcode = 1;  // as after choosing the black-and-white symbols
  answerFile("d.txt");
  act("LoadData");
  EXPECT_EQ(*shell_.state().altcode, 1);
  shell_.state().altcode = 7;
  answerFile("d.txt");
  act("LoadData");
  EXPECT_EQ(*shell_.state().altcode, 0);
}

TEST_F(ShellTest, BadFilesLeaveDataAndSummaryAsTheyWere) {
  write("good.txt", dataLines(6, 7));
  answerFile("good.txt");
  act("LoadData");
  const Mat before = *shell_.state().DATA;
  const std::string summary = fileBox();

  write("bad.txt", "1 2 3\n4 5\n");
  answerFile("bad.txt");
  act("LoadData");
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].text,
            "The file bad.txt could not be loaded: line 2 holds 2 numbers, but the first line "
            "holds 3.");

  answerFile("missing.txt");
  act("LoadData");
  ASSERT_EQ(win_.answers.messages.size(), 2u);
  EXPECT_NE(win_.answers.messages[1].text.find("missing.txt"), std::string::npos);

  write("empty.txt", "");
  answerFile("empty.txt");
  act("LoadData");
  ASSERT_EQ(win_.answers.messages.size(), 3u);
  EXPECT_NE(win_.answers.messages[2].text.find("empty.txt"), std::string::npos);

  // Cancelling the dialog is quiet.
  win_.answers.files.push_back(std::nullopt);
  act("LoadData");
  EXPECT_EQ(win_.answers.messages.size(), 3u);

  EXPECT_EQ(*shell_.state().DATA, before);
  EXPECT_EQ(fileBox(), summary);
}

TEST_F(ShellTest, HelpTextsAreDrawnLineByLine) {
  auto& ax = win_.figure().axes();
  act("CopyHints");
  act("CopyHints");
  ASSERT_EQ(ax.children().size(), 11u);
  auto* first = dynamic_cast<graphics::Text*>(ax.children().front().get());
  auto* last = dynamic_cast<graphics::Text*>(ax.children().back().get());
  ASSERT_TRUE(first && last);
  EXPECT_EQ(first->string, "When using the copy to clipboard function");
  EXPECT_EQ(first->x, 1);
  EXPECT_EQ(first->y, 10);
  EXPECT_EQ(last->y, 0);
  EXPECT_EQ(ax.limits(), (graphics::Limits{0, 16, -2, 12}));

  act("FileHints");
  ASSERT_EQ(ax.children().size(), 10u);
  last = dynamic_cast<graphics::Text*>(ax.children().back().get());
  EXPECT_EQ(last->string, "WordPad");
  EXPECT_EQ(last->y, 1);
  auto* fifth = dynamic_cast<graphics::Text*>(ax.children()[4].get());
  EXPECT_EQ(fifth->string, "Errors in the group file are often due to the ");

  act("ManualHint");
  ASSERT_EQ(ax.children().size(), 8u);
  EXPECT_EQ(dynamic_cast<graphics::Text*>(ax.children().back().get())->y, 3);
  EXPECT_EQ(ax.limits(), (graphics::Limits{-2, 16, -2, 12}));

  act("ClearData");
  EXPECT_TRUE(ax.children().empty());
}

// Help > Manual and Examples sends the user to two example files: they are
// there, a subset of the mice with their groups, and analyse as they are.
TEST_F(ShellTest, TheExampleFilesTheHelpNamesAreThereAndAnalyse) {
  std::string named;
  for (const auto& line : manualHintLines()) named += line;
  const fs::path examples = VARNOK_DATA_DIR;
  const auto lines = [](const fs::path& p) {
    std::vector<std::string> out;
    std::ifstream in(p);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  };
  const auto mice = lines(examples / "mice.txt"), miceGroups = lines(examples / "mice_groups.txt");
  for (const char* f : {"Tarvish.txt", "Tarvishgrp.txt"}) {
    EXPECT_NE(named.find(f), std::string::npos) << f;
    fs::copy_file(examples / f, dir_ / f);
  }
  // Every specimen is one of the mice, with the mouse's own group.
  const auto rows = lines(dir_ / "Tarvish.txt"), codes = lines(dir_ / "Tarvishgrp.txt");
  ASSERT_EQ(rows.size(), codes.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto at = std::find(mice.begin(), mice.end(), rows[i]);
    ASSERT_NE(at, mice.end()) << "row " << i + 1;
    EXPECT_EQ(codes[i], miceGroups[static_cast<std::size_t>(at - mice.begin())]) << i + 1;
  }

  testkit::addAnalysisControls(win_);
  answerFile("Tarvish.txt");
  act("LoadData");
  answerFile("Tarvishgrp.txt");
  act("LoadGroupList");
  EXPECT_TRUE(win_.answers.messages.empty()) << win_.answers.messages.front().text;
  EXPECT_EQ(state_.DATA->rows(), 30);
  EXPECT_EQ(state_.DATA->cols(), 13);
  EXPECT_EQ(state_.GLIST.rows(), 30);
  EXPECT_EQ(state_.PCAScores.rows(), 30);
}

TEST_F(ShellTest, CallbackSubroutinesOnlyWriteTheirLine) {
  shell_.callByName("edit2_Callback", {Value(1.0), Value(), Value()}, 0);
  shell_.callByName("RefAngleBox_Callback", {}, 0);
  shell_.callByName("axes1_ButtondownFcn", {}, 0);
  EXPECT_EQ(console_.kept(),
            "edit2 Callback not implemented yet.\n"
            "RefAngleBox Callback not implemented yet.\n"
            "axes1 ButtondownFcn not implemented yet.\n");
  EXPECT_EQ(subroutineNames().size(), 44u);
}

TEST_F(ShellTest, MainWindowRoutineModes) {
  EXPECT_TRUE(shell_.Varnok6p({Value(3.0)}, 1).empty());
  write("d.txt", dataLines(3, 7));
  answerFile("d.txt");
  shell_.Varnok6p({Value("Varnoksw"), Value("LoadData")}, 0);
  EXPECT_EQ(shell_.state().DATA->rows(), 3);
  console_.clear();
  shell_.Varnok6p({Value("NoSuchRoutine")}, 0);
  EXPECT_EQ(console_.kept(), "Run-time Error: Undefined function or variable \"NoSuchRoutine\".\n");
}

TEST_F(ShellTest, ReferenceAngleFromFile) {
  write("refanglefile.txt", "15\n");
  auto fig = shell_.Varnok6p({}, 1);
  ASSERT_EQ(fig.size(), 1u);
  EXPECT_EQ(win_.control("RefAngleBox").get("String").text(), "15");
}

TEST_F(ShellTest, ReferenceAngleFileMissingMeansNoTurn) {
  shell_.Varnok6p({}, 0);
  EXPECT_EQ(win_.control("RefAngleBox").get("String").text(), "0");
}

TEST_F(ShellTest, ReferenceAngleFileThatIsNoSmallFileMeansNoTurn) {
  // A pipe of that name must not stop the start-up waiting for a writer.
  ASSERT_EQ(::mkfifo((dir_ / "refanglefile.txt").c_str(), 0644), 0);
  std::atomic<bool> done{false};
  std::thread unblock([&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!done && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    while (!done) {  // a start-up that waits anyway is let go, and fails below
      const int fd = ::open((dir_ / "refanglefile.txt").c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  const auto start = std::chrono::steady_clock::now();
  shell_.Varnok6p({}, 0);
  const auto took = std::chrono::steady_clock::now() - start;
  done = true;
  unblock.join();
  EXPECT_LT(took, std::chrono::seconds(2));
  EXPECT_EQ(win_.control("RefAngleBox").get("String").text(), "0");

  // A folder, and a file far larger than one number needs.
  fs::remove(dir_ / "refanglefile.txt");
  fs::create_directory(dir_ / "refanglefile.txt");
  win_.control("RefAngleBox").set("String", "auto");
  shell_.Varnok6p({}, 0);
  EXPECT_EQ(win_.control("RefAngleBox").get("String").text(), "0");
  fs::remove(dir_ / "refanglefile.txt");
  write("refanglefile.txt", "15\n" + std::string(5000, ' ') + "\n");
  win_.control("RefAngleBox").set("String", "auto");
  shell_.Varnok6p({}, 0);
  EXPECT_EQ(win_.control("RefAngleBox").get("String").text(), "0");
  // A byte-order mark and a CR line end, as an editor may save it.
  write("refanglefile.txt",
        "\xEF\xBB\xBF"
        "30\r");
  win_.control("RefAngleBox").set("String", "auto");
  shell_.Varnok6p({}, 0);
  EXPECT_EQ(win_.control("RefAngleBox").get("String").text(), "30");
}

TEST_F(ShellTest, ReferenceAngleOtherEntriesWrittenBack) {
  write("refanglefile.txt", "15\n");
  win_.control("RefAngleBox").set("String", "0");
  shell_.Varnok6p({}, 0);
  EXPECT_EQ(win_.control("RefAngleBox").get("String").text(), "0");
  win_.control("RefAngleBox").set("String", "-22.5");
  shell_.callByName("RefAngleSetup", {Value(1.0)}, 1);
  EXPECT_EQ(win_.control("RefAngleBox").get("String").text(), "-22.5");
}

TEST_F(ShellTest, FailedCallbackReportsAndResetsPointer) {
  win_.figure().pointer = "watch";
  EXPECT_FALSE(shell_.runCallback("Varnoksw('LoadData', 1, 2)"));
  EXPECT_EQ(win_.figure().pointer, "arrow");
  EXPECT_NE(win_.statusText.find("declared number of inputs (2)"), std::string::npos);
  EXPECT_FALSE(shell_.runCallback("Varnoksw('LoadData'"));
  EXPECT_NE(win_.statusText.find("cannot be run"), std::string::npos);
  EXPECT_TRUE(shell_.runCallback("Varnoksw('NoSuchAction')"));
}

TEST_F(ShellTest, FishPointer) {
  shell_.runCallback("spiffyfish");
  auto& fig = win_.figure();
  EXPECT_EQ(fig.pointer, "custom");
  int nan = 0, black = 0, white = 0;
  for (Eigen::Index i = 0; i < fig.pointerShapeCData.size(); ++i) {
    double v = fig.pointerShapeCData.data()[i];
    nan += std::isnan(v);
    black += v == 1;
    white += v == 2;
  }
  EXPECT_EQ(nan, 118);
  EXPECT_EQ(black, 62);
  EXPECT_EQ(white, 76);
  EXPECT_EQ(fig.pointerShapeCData(1, 7), 1);  // the fish's nose, row 2
  shell_.runCallback("boringcursor");
  EXPECT_EQ(fig.pointer, "arrow");
  EXPECT_EQ(fig.pointerShapeCData.rows(), 16);
}

TEST(Callback, Grammar) {
  auto c = parseCallback("Varnoksw('SetLineWidth',25)");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->name, "Varnoksw");
  ASSERT_EQ(c->args.size(), 2u);
  EXPECT_EQ(std::get<Value>(c->args[0]).text(), "SetLineWidth");
  EXPECT_EQ(std::get<Value>(c->args[1]).scalar(), 25);
  c = parseCallback(" incrementsymbolsize ( gca , -1 ) ; ");
  ASSERT_TRUE(c);
  EXPECT_EQ(std::get<CallbackSymbol>(c->args[0]), CallbackSymbol::Gca);
  EXPECT_EQ(std::get<Value>(c->args[1]).scalar(), -1);
  c = parseCallback("ScaleBox_Callback(gcbo,[],gcf)");
  ASSERT_TRUE(c);
  EXPECT_TRUE(std::get<Value>(c->args[1]).isEmpty());
  c = parseCallback("f('it''s')");
  ASSERT_TRUE(c);
  EXPECT_EQ(std::get<Value>(c->args[0]).text(), "it's");
  EXPECT_TRUE(parseCallback("spiffyfish"));
  std::string why;
  EXPECT_FALSE(parseCallback("Varnoksw('x'", &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(parseCallback("Varnoksw(foo)"));
  EXPECT_FALSE(parseCallback("Varnoksw(1 2)"));
  EXPECT_FALSE(parseCallback("1abc"));
  EXPECT_FALSE(parseCallback("f() g()"));
}

TEST_F(ShellTest, RoutineTableFollowsTheDeclarations) {
  const auto& decls = routineDeclarations();
  ASSERT_GE(decls.size(), 58u);
  EXPECT_STREQ(decls.front().name, "Varnok6p");
  EXPECT_STREQ(decls[55].name, "eigsort");
  // Routines added later come after the first 56, so their order stays.
  EXPECT_STREQ(decls[56].name, "ExportResultsTable");
  EXPECT_STREQ(decls[57].name, "LoadGroupNames");
  const auto& table = shell_.routines();
  size_t at = 0;
  for (const auto& r : table.entries()) {
    while (at < decls.size() && r.name != decls[at].name) ++at;
    ASSERT_LT(at, decls.size()) << r.name << " is out of order";
  }
  EXPECT_EQ(actionNames().size(), 46u);
}

TEST_F(ShellTest, EveryActionAndTheExportMenuItemsAreBuilt) {
  // An action or routine without a function would only say "Not available
  // yet"; every one the layout sends has one now.
  for (const auto& entry : registry()) {
    if (entry.kind == EntryKind::Action || entry.kind == EntryKind::WindowCommand) {
      EXPECT_NE(entry.run, nullptr) << entry.name;
    }
  }
  for (const char* item : {"CopyBigImage(1)", "CopyImageEPS(1)"}) {
    shell_.runCallback(item);
    EXPECT_EQ(win_.statusText.find("Not available yet"), std::string::npos) << item;
    EXPECT_EQ(console_.kept().find("Not available yet"), std::string::npos) << item;
  }
}

TEST_F(ShellTest, FileDialogsOpenInTheCurrentFolderWhichFollowsTheLoadedFile) {
  fs::create_directories(dir_ / "sub");
  std::ofstream(dir_ / "sub" / "d.txt") << dataLines(4, 7);
  answer("d.txt", dir_ / "sub");
  act("LoadData");
  ASSERT_EQ(shell_.state().DATA->rows(), 4);
  EXPECT_EQ(win_.answers.fileDialogFolders.at(0), testkit::folderString(dir_));
  cancel();
  act("LoadData");
  EXPECT_EQ(win_.answers.fileDialogFolders.at(1), testkit::folderString(dir_ / "sub"));
  // A relative name given to a routine is read from the current folder too.
  EXPECT_NO_THROW(shell_.callByName("dload", {Value("d.txt")}, 1));
}

}  // namespace
}  // namespace varnok::shell

namespace varnok::shell {
namespace {

// An action that reads a value not assigned yet keeps the runtime's console
// line, and the status bar says which step comes first.
TEST_F(ShellTest, UndefinedValuesTellTheNextStep) {
  win_.add("XBox").set("String", "1");
  win_.add("YBox").set("String", "2");
  win_.add("PCALabel").set("Value", 0.0);
  win_.add("CentroidButton").set("Value", 0.0);
  EXPECT_FALSE(shell_.runCallback("Varnoksw('ShowPCAAxis')"));
  const std::string before = console_.kept();
  EXPECT_NE(before.find("Run-time Error: Reference to unassigned variable"), std::string::npos);
  EXPECT_EQ(win_.statusText, "Load a data file first");

  write("d.txt", dataLines(6, 9));
  answerFile("d.txt");
  ASSERT_TRUE(shell_.runCallback("Varnoksw('LoadData')"));
  EXPECT_EQ(shell_.session().dataLoads, 1u);
  EXPECT_EQ(fs::path(shell_.session().dataFile), dir_ / "d.txt");
  console_.clear();
  EXPECT_FALSE(shell_.runCallback("Varnoksw('ShowPCAAxis')"));
  EXPECT_EQ(win_.statusText, "Run the analysis first");
  EXPECT_NE(console_.kept().find("Run-time Error: Reference to unassigned variable"),
            std::string::npos);

  // Other errors are shown as they are.
  EXPECT_FALSE(shell_.runCallback("Varnoksw('LoadData', 1, 2)"));
  EXPECT_NE(win_.statusText.find("declared number of inputs (2)"), std::string::npos);

  // After ClearData there is no data again.
  ASSERT_TRUE(shell_.runCallback("Varnoksw('ClearData')"));
  EXPECT_FALSE(shell_.runCallback("Varnoksw('ShowPCAAxis')"));
  EXPECT_EQ(win_.statusText, "Load a data file first");
}

TEST(Catalog, TellsTheWindowWhatACallbackDoes) {
  const window::Catalog& c = catalog();
  using window::FileKind;
  EXPECT_EQ(c.factsOf("Varnoksw('LoadData')").file, FileKind::Data);
  EXPECT_EQ(c.factsOf("Varnoksw('LoadGroupList')").file, FileKind::GroupList);
  EXPECT_EQ(c.factsOf("Varnoksw('CodeLoad')").file, FileKind::SymbolTable);
  EXPECT_EQ(c.factsOf("Varnoksw('LoadReference')").file, FileKind::Reference);
  EXPECT_EQ(c.factsOf("Varnoksw('SaveOneAxis')").file, FileKind::Results);
  EXPECT_EQ(c.factsOf("ExportResultsTable").file, FileKind::Results);
  EXPECT_EQ(c.factsOf("CopyImageEPS(1)").file, FileKind::Picture);
  EXPECT_EQ(c.factsOf("ExportPlotData").file, FileKind::Picture);
  EXPECT_EQ(c.factsOf("Varnoksw('NoGroupList')").file, std::nullopt);
  EXPECT_EQ(c.factsOf("Varnoksw('NoArrowHeads')").setting, "arrowHeads");
  EXPECT_EQ(c.factsOf("Varnoksw('SetLineWidth',5)").setting, "lineWidth");
  EXPECT_EQ(c.factsOf("Varnoksw('SetBWCode')").setting, "");
  EXPECT_TRUE(c.factsOf("Varnoksw('SetBWCode')").blackAndWhiteSwitch);
  EXPECT_TRUE(c.factsOf("Varnoksw('CodeLoad')").choosesSymbols);
  EXPECT_FALSE(c.factsOf("Varnoksw('SetLineWidth',5)").choosesSymbols);
  // The settings are put back in the order of their menus.
  EXPECT_EQ(c.displaySettings(),
            (std::vector<std::string>{"density", "arrowHeads", "referenceSymbol", "lineFormat",
                                      "lineWidth"}));
  // Scripts record what the user did to the session, not the window's commands.
  for (const char* cb : {"Varnoksw('LoadData')", "incrementsymbolsize(gca,1)", "edit2_Callback",
                         "NoSuchRoutine", "not a callback"})
    EXPECT_TRUE(c.factsOf(cb).recorded) << cb;
  for (const char* cb :
       {"Quit", "About", "UserGuide", "ExportPicture", "SaveSessionScript", "ExportPlotData"})
    EXPECT_FALSE(c.factsOf(cb).recorded) << cb;
}

TEST_F(ShellTest, ExportPlotDataWritesTheJsonOfThePlotAndReplacesNothingUnasked) {
  win_.figure().axes().plot(std::vector<double>{0, 1}, std::vector<double>{1, 0}, "k-");
  // The name as typed gets its extension.
  answerFile("plot");
  ASSERT_TRUE(shell_.runCallback("ExportPlotData"));
  EXPECT_EQ(read(dir_ / "plot.json"), graphics::plotDataJson(win_.figure()));
  EXPECT_EQ(win_.statusText, "Saved the plot data to plot.json");
  // The dialog never asked about plot.json: this one asks, and the answer
  // of a dialog that cannot ask is no.
  write(dir_ / "plot.json", "mine");
  answerFile("plot");
  ASSERT_TRUE(shell_.runCallback("ExportPlotData"));
  EXPECT_EQ(read(dir_ / "plot.json"), "mine");
  // A folder that is not there: the writer's message, and nothing written.
  answer("plot.json", dir_ / "none");
  ASSERT_TRUE(shell_.runCallback("ExportPlotData"));
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, "Export Plot Data");
  EXPECT_FALSE(fs::exists(dir_ / "none"));
  // Only a control reaches the window's commands, not a call by name.
  EXPECT_THROW(shell_.callByName("ExportPlotData", {}, 0), RuntimeError);
}

TEST(NextStepHint, FollowsTheState) {
  session::AnalysisState s;
  EXPECT_EQ(nextStepHint(s), "Load a data file first");
  s.DATA = Mat(Mat::Ones(3, 7));
  EXPECT_EQ(nextStepHint(s), "Run the analysis first");
  s.PCAScores = Mat::Ones(3, 2);
  EXPECT_EQ(nextStepHint(s), "");
}

}  // namespace
}  // namespace varnok::shell
