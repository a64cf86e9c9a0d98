// Group names files: one name a line, line k naming group code k.
#include "io/group_names.hpp"

#include <gtest/gtest.h>

#include "io/input_file.hpp"
#include "platform/matrix/text.hpp"
#include "support/session_fixture.hpp"

namespace varnok::io {
namespace {

using Names = std::vector<std::string>;

std::string refusal(std::string_view bytes) {
  try {
    parseGroupNames(bytes, "names.txt");
  } catch (const DataFileError& e) {
    return e.what();
  }
  ADD_FAILURE() << "not refused: " << bytes;
  return {};
}

TEST(GroupNames, OneNameALineInAnyLineEnding) {
  EXPECT_EQ(parseGroupNames("Female\nMale\n", "f"), (Names{"Female", "Male"}));
  EXPECT_EQ(parseGroupNames("Female\r\nMale", "f"), (Names{"Female", "Male"}));
  EXPECT_EQ(parseGroupNames("Female\rMale\r", "f"), (Names{"Female", "Male"}));
  // A byte-order mark, blanks around names, blank lines inside and at the end.
  EXPECT_EQ(parseGroupNames("\xEF\xBB\xBF  Control \n\n\tSmall  mice\n\n\n", "f"),
            (Names{"Control", "", "Small  mice"}));
  // UTF-8 and Latin-1 names pass as they are.
  EXPECT_EQ(parseGroupNames("M\xC3\xA4nnchen\nWeibchen\n", "f")[0], "M\xC3\xA4nnchen");
}

TEST(GroupNames, NamesThatAreNotUtf8AreReadAsLatin1) {
  // A surrogate, an overlong form and a code point above U+10FFFF once went
  // into the legend as they were, and every picture export then failed.
  const Names names =
      parseGroupNames("M\xE4nnchen\nX\xED\xA0\x80\n\xE0\x80\xAF\n\xF4\x90\x80\x80\n", "f");
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0], "M\xC3\xA4nnchen");
  for (const std::string& n : names) EXPECT_TRUE(isUtf8(n)) << n;
  // One bad line makes the whole file Latin-1, so a name reads the same
  // whichever line it is on.
  EXPECT_EQ(parseGroupNames("\xC3\xA4\n\xFF\n", "f")[0], "\xC3\x83\xC2\xA4");
}

TEST(GroupNames, FilesThatHoldNoNamesAreRefused) {
  EXPECT_NE(refusal("").find("holds no name"), std::string::npos);
  EXPECT_NE(refusal("\n \n\t\n").find("holds no name"), std::string::npos);
  EXPECT_NE(refusal("\xEF\xBB\xBF").find("holds no name"), std::string::npos);
  const std::string nul = refusal(std::string("Female\nMa\0le\n", 13));
  EXPECT_NE(nul.find("binary"), std::string::npos) << nul;
  EXPECT_NE(nul.find("line 2"), std::string::npos) << nul;
  EXPECT_NE(nul.find("names.txt"), std::string::npos) << nul;
  EXPECT_NE(refusal("\xFF\xFE"
                    "F\0e\0")
                .find("UTF-16"),
            std::string::npos);
  EXPECT_NE(refusal("\x89PNG\r\n\x1a\n").find("binary"), std::string::npos);
  EXPECT_NE(refusal("ok\n" + std::string(kMaxGroupNameBytes + 1, 'a') + "\n").find("line 2"),
            std::string::npos);
}

class LoadGroupNamesTest : public testkit::SessionTest {
 protected:
  void load(const std::string& name, const std::string& text) {
    testkit::writeFile(dir_ / "start" / name, text);
    answer(name, dir_ / "start");
    LoadGroupNames(shell_.session(), win_, console_);
  }
  const Names& names() { return shell_.session().groupNames; }
};

TEST_F(LoadGroupNamesTest, ABadFileIsReportedAndTheNamesStay) {
  load("good.txt", "Female\nMale\n");
  EXPECT_EQ(names(), (Names{"Female", "Male"}));
  EXPECT_TRUE(win_.answers.messages.empty());
  load("empty.txt", "");
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, kGroupNamesErrorTitle);
  EXPECT_NE(win_.answers.messages[0].text.find("empty.txt"), std::string::npos);
  EXPECT_EQ(names(), (Names{"Female", "Male"}));
  // A folder and a missing file are refused the same way.
  answer("", dir_ / "start");
  LoadGroupNames(shell_.session(), win_, console_);
  answer("missing.txt", dir_ / "start");
  LoadGroupNames(shell_.session(), win_, console_);
  EXPECT_EQ(win_.answers.messages.size(), 3u);
  EXPECT_EQ(names(), (Names{"Female", "Male"}));
  // Cancelling changes nothing.
  cancel();
  LoadGroupNames(shell_.session(), win_, console_);
  EXPECT_EQ(win_.answers.messages.size(), 3u);
  EXPECT_EQ(names(), (Names{"Female", "Male"}));
}

TEST_F(LoadGroupNamesTest, TooFewNamesForTheGroupCodesAreSaidAndRead) {
  state_.GLIST = Mat::Ones(5, 1);
  state_.GLIST(4, 0) = 3;
  load("two.txt", "Female\nMale\n");
  EXPECT_EQ(names(), (Names{"Female", "Male"}));
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, kGroupNamesNoteTitle);
  EXPECT_EQ(win_.answers.messages[0].text,
            "two.txt names 2 groups, but the group codes go up to 3: the groups without a name "
            "are shown by their number.");
  EXPECT_EQ(shell_.session().groupLabel(3), "Group 3");
  EXPECT_EQ(shell_.session().groupLabel(2), "Male");
}

}  // namespace
}  // namespace varnok::io
