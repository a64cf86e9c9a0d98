// Loading an outline to warp: the file's strokes, and every refusal leaving
// the outline, its specimen and the folder as they were.
#include "io/outline.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "display/outline.hpp"
#include "support/session_fixture.hpp"

namespace varnok::io {
namespace {

namespace fs = std::filesystem;

class OutlineLoad : public testkit::SessionTest {
 protected:
  OutlineLoad() {
    for (const char* tag :
         {"FileBox", "GroupBox", "LoadGroup", "NoLoadGroup", "LoadReference", "BWButton"})
      win_.add(tag);
    win_.add(display::kOutlineItem).set("Checked", "off");
    fs::create_directories(dir_ / "drawn");
    fs::copy_file(fs::path(VARNOK_DATA_DIR) / "gorilla.txt", dir_ / "gorilla.txt");
  }
  // Loads file name of folder drawn/ on specimen, as a user answering the
  // two dialogs.
  void load(const std::string& name, const std::string& text, const std::string& specimen) {
    write(dir_ / "drawn" / name, text);
    answer(name, dir_ / "drawn");
    win_.answers.inputs.push_back(std::vector<std::string>{specimen});
    shell_.runCallback("LoadOutline");
  }
  std::string lastMessage() const {
    return win_.answers.messages.empty() ? "" : win_.answers.messages.back().text;
  }
};

TEST(ReadOutline, BlankLinesSeparateStrokesOfPointsInAnySeparator) {
  std::istringstream in("# skull\n1 2\n3,4\n\t5\t6 \n\n\n# jaw\n7e-1 , -8\r\n");
  const auto s = readOutline(in, "o.txt");
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0], (Mat(2, 3) << 1, 3, 5, 2, 4, 6).finished());
  EXPECT_EQ(s[1], (Mat(2, 1) << 0.7, -8).finished());
}

TEST_F(OutlineLoad, EveryRefusalKeepsTheOutlineItsSpecimenAndTheFolder) {
  shell_.runCallback("LoadOutline");
  EXPECT_EQ(lastMessage(),
            "Load the landmark data first: an outline is drawn in the coordinates of one of its "
            "specimens.");
  answer("gorilla.txt", dir_);
  shell_.runCallback("Varnoksw('LoadData')");
  load("good.txt", "1 2\n3 4\n\n5 6\n", "2");
  ASSERT_EQ(win_.answers.messages.size(), 1u) << lastMessage();
  const auto& session = shell_.session();
  const auto kept = session.outline;
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(session.outlineSpecimen, 2);
  EXPECT_TRUE(session.figures.outline);
  EXPECT_EQ(win_.control(display::kOutlineItem).get("Checked").text(), "on");
  const std::string folder = session.folder;
  EXPECT_EQ(fs::path(folder), fs::path(testkit::folderString(dir_ / "drawn")));
  shell_.session().folder = testkit::folderString(dir_);

  const std::string N = std::to_string(state_.DATA->rows());
  const std::pair<const char*, std::string> badFiles[] = {
      {"1 2\nx 4\n", "line 2 holds \"x\", which is not a number."},
      {"1 2\n\n3\n",
       "line 3 holds 1 word, but an outline line holds one point: two numbers, x "
       "and y."},
      {"1 2 3\n",
       "line 1 holds 3 words, but an outline line holds one point: two numbers, x "
       "and y."},
      {"1 inf\n", "line 1 holds \"inf\", which is not a finite number."},
      {"# nothing\n\n", "it holds no outline point."},
  };
  for (const auto& [text, why] : badFiles) {
    load("bad.txt", text, "1");
    EXPECT_EQ(lastMessage(), "The file bad.txt could not be loaded: " + why) << text;
    win_.answers.inputs.clear();  // a refused file asks for no specimen
  }
  for (const char* specimen : {"0", "abc", "2.5", ""}) {
    load("fine.txt", "9 9\n8 8\n", specimen);
    EXPECT_EQ(lastMessage(), "\"" + std::string(specimen) +
                                 "\" is not a specimen of the loaded data; give a whole number "
                                 "from 1 to " +
                                 N + ".");
  }
  load("fine.txt", "9 9\n8 8\n", std::to_string(state_.DATA->rows() + 1));
  EXPECT_NE(lastMessage().find("from 1 to " + N), std::string::npos);
  for (std::size_t k = 0; k < kept.size(); ++k) EXPECT_EQ(session.outline[k], kept[k]);
  EXPECT_EQ(session.outline.size(), kept.size());
  EXPECT_EQ(session.outlineSpecimen, 2);
  EXPECT_EQ(session.folder, testkit::folderString(dir_));

  // The outline belongs to the data: new data and Clear Data drop it.
  answer("gorilla.txt", dir_);
  shell_.runCallback("Varnoksw('LoadData')");
  EXPECT_TRUE(session.outline.empty());
  load("good.txt", "1 2\n3 4\n", "1");
  ASSERT_FALSE(session.outline.empty());
  shell_.runCallback("Varnoksw('ClearData')");
  EXPECT_TRUE(session.outline.empty());
}

}  // namespace
}  // namespace varnok::io
