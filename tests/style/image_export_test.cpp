#include "style/image_export.hpp"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "support/session_fixture.hpp"

namespace varnok::style {
namespace {

namespace fs = std::filesystem;
using graphics::Limits;

// A plot in a plot area of 800 x 520 pixels: 160 x 40 character cells.
class ImageExport : public testkit::SessionTest {
 protected:
  ImageExport() {
    auto& fig = win_.figure();
    fig.position = {0, 0, 800, 520};
    auto& ax = fig.axes();
    ax.plot(std::vector<double>{-1, 2, 0.5}, std::vector<double>{0, 1, 3}, "ko");
    ax.axisAuto();
    ax.axisEqual();
    ax.hold(true);
    before_ = ax.limits();
  }
  graphics::Axes& ax() { return win_.figure().axes(); }
  bool call(const std::string& routine) { return shell_.runCallback(routine + "(1)"); }
  // The axes as the picture was copied.
  struct Copy {
    std::array<double, 4> position;
    std::string units;
    Limits limits;
    bool equal = false;
  };
  void recordCopies(bool works = true) {
    win_.clipboard = [this, works](const graphics::Figure& f) {
      const auto& a = f.axes();
      copies_.push_back({a.position, a.units, a.limits(), a.equalUnits()});
      return works;
    };
  }
  void expectAxesBackWithAutomaticEqualLimits() {
    const std::array<double, 4> initial = {0.09, 0.08, 0.88, 0.85};
    EXPECT_EQ(ax().units, "normalized");
    for (int i = 0; i < 4; ++i)
      EXPECT_NEAR(ax().position[static_cast<size_t>(i)], initial[i], 1e-12);
  }

  Limits before_;
  std::vector<Copy> copies_;
};

TEST_F(ImageExport, CopyBigImageEnlargesForTheCopyAndPutsTheAxesBack) {
  recordCopies();
  console_.clear();
  ASSERT_TRUE(call("CopyBigImage"));
  ASSERT_EQ(copies_.size(), 1u);
  const Copy& c = copies_[0];
  EXPECT_EQ(c.units, "characters");
  EXPECT_EQ(c.position[0], 12);
  EXPECT_EQ(c.position[1], 3);
  // The box ends one character inside the right edge and the top, so the
  // frame is whole.
  EXPECT_NEAR(c.position[2], 160 - 13, 1e-9);
  EXPECT_NEAR(c.position[3], 40 - 4, 1e-9);
  EXPECT_TRUE(c.equal);
  // The limits were widened by 3 % of their range before equal units.
  const double rx = before_[1] - before_[0], ry = before_[3] - before_[2];
  EXPECT_LE(c.limits[0], before_[0] - 0.03 * rx + 1e-12);
  EXPECT_GE(c.limits[1], before_[1] + 0.03 * rx - 1e-12);
  EXPECT_LE(c.limits[2], before_[2] - 0.03 * ry + 1e-12);
  EXPECT_GE(c.limits[3], before_[3] + 0.03 * ry - 1e-12);
  EXPECT_NE(console_.kept().find("fposition ="), std::string::npos);

  expectAxesBackWithAutomaticEqualLimits();
  EXPECT_EQ(win_.figure().units, "pixels");
  EXPECT_TRUE(ax().autoLimits());
  EXPECT_TRUE(ax().equalUnits());
  EXPECT_EQ(ax().limits(), before_);
  EXPECT_EQ(win_.statusText, "Picture copied to the clipboard (SVG, PDF and PNG).");
  EXPECT_TRUE(win_.answers.messages.empty());
}

TEST_F(ImageExport, CopyBigImageWithoutAClipboardSaysSoAndStillPutsTheAxesBack) {
  ASSERT_TRUE(call("CopyBigImage"));
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_NE(win_.answers.messages[0].text.find("could not be copied"), std::string::npos);
  expectAxesBackWithAutomaticEqualLimits();
  EXPECT_EQ(win_.figure().units, "pixels");

  // A plot area too small to hold the enlarged axes is refused unchanged.
  recordCopies();
  win_.figure().position = {0, 0, 20, 30};
  ASSERT_TRUE(call("CopyBigImage"));
  EXPECT_TRUE(copies_.empty());
  EXPECT_EQ(win_.answers.messages.size(), 2u);
  expectAxesBackWithAutomaticEqualLimits();
}

TEST_F(ImageExport, CopyImageEpsWritesTheNameAsTypedAndMovesTheFolder) {
  answerOut("fig");
  console_.clear();
  ASSERT_TRUE(call("CopyImageEPS"));
  const fs::path file = dir_ / "out" / "fig";
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(read(file).rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);
  EXPECT_EQ(testkit::filesIn(dir_ / "out"), std::vector<std::string>{"fig"});
  EXPECT_EQ(shell_.session().folder, testkit::folderString(dir_ / "out"));
  ASSERT_EQ(win_.answers.fileDialogTitles.size(), 1u);
  EXPECT_EQ(win_.answers.fileDialogTitles[0], "Enter File Name for EPS file (end with .EPS)");
  EXPECT_EQ(win_.answers.fileDialogFilters[0], "*.*");
  EXPECT_EQ(win_.answers.fileDialogFolders[0], testkit::folderString(dir_ / "start"));
  EXPECT_NE(console_.kept().find("fposition ="), std::string::npos);
  EXPECT_NE(win_.statusText.find("fig"), std::string::npos);

  // The axes are back where they were; the figure stays in characters and
  // the limits stay widened, 5 % beyond automatic equal ones.
  expectAxesBackWithAutomaticEqualLimits();
  EXPECT_EQ(win_.figure().units, "characters");
  EXPECT_FALSE(ax().autoLimits());
  const Limits now = ax().limits();
  EXPECT_LT(now[0], before_[0]);
  EXPECT_GT(now[3], before_[3]);
}

TEST_F(ImageExport, CopyImageEpsCancelledOrRefusedWritesNothing) {
  cancel();
  ASSERT_TRUE(call("CopyImageEPS"));
  EXPECT_TRUE(testkit::filesIn(dir_ / "out").empty());
  EXPECT_EQ(shell_.session().folder, testkit::folderString(dir_ / "start"));
  EXPECT_NE(win_.statusText.find("cancelled"), std::string::npos);
  expectAxesBackWithAutomaticEqualLimits();

  // A folder that does not exist: a message, no file, the folder kept.
  answer("fig.eps", dir_ / "missing");
  ASSERT_TRUE(call("CopyImageEPS"));
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  EXPECT_EQ(win_.answers.messages[0].title, "Save EPS File");
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  EXPECT_EQ(shell_.session().folder, testkit::folderString(dir_ / "start"));
  expectAxesBackWithAutomaticEqualLimits();

  // An existing file is replaced whole.
  write(dir_ / "out" / "old.eps", "old");
  answerOut("old.eps");
  ASSERT_TRUE(call("CopyImageEPS"));
  EXPECT_EQ(read(dir_ / "out" / "old.eps").rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);
  EXPECT_EQ(testkit::filesIn(dir_ / "out"), std::vector<std::string>{"old.eps"});
}

TEST_F(ImageExport, BothTakeOneArgument) {
  EXPECT_FALSE(shell_.runCallback("CopyBigImage(1,2)"));
  EXPECT_NE(win_.statusText.find("declared number of inputs (1)"), std::string::npos);
  EXPECT_FALSE(shell_.runCallback("CopyImageEPS(1,2)"));
  EXPECT_TRUE(win_.answers.fileDialogTitles.empty());
}

}  // namespace
}  // namespace varnok::style
