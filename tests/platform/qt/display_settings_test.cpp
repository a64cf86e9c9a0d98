// The Settings menu against the renderer: through loads, the choices the
// window puts back from the last run, menu choices, script lines and Clear
// Data, the checked items always name the values the next deformation
// picture is drawn with.
#include <gtest/gtest.h>

#include <QAction>
#include <filesystem>
#include <string>
#include <vector>

#include "display/deformation_actions.hpp"
#include "platform/qt/qt_control.hpp"
#include "platform/qt/qt_window.hpp"
#include "platform/qt/settings_store.hpp"
#include "shell/callback.hpp"
#include "shell/registry.hpp"
#include "support/session_fixture.hpp"

namespace varnok::qt {
namespace {

namespace fs = std::filesystem;

class DisplaySettings : public ::testing::Test {
 protected:
  DisplaySettings() {
    for (const char* f : {"gorilla.txt", "mice.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, scratch_ / f);
    // What the user chose in the last run.
    settings_.setDisplayChoice(QStringLiteral("density"),
                               QStringLiteral("Varnoksw('SetPlotDensity',10)"));
    settings_.setDisplayChoice(QStringLiteral("lineWidth"),
                               QStringLiteral("Varnoksw('SetLineWidth',5)"));
    QtWindow::Options options;
    options.layoutFile = VARNOK_SOURCE_DIR "/layout/Varnok6p.ui";
    options.fitToScreen = false;
    options.dialogs = &answers_;
    options.settings = &settings_;
    options.catalog = &shell::catalog();
    options.sessionFacts = [this] {
      SessionFacts f;
      f.folder = shell_.session().folder;
      f.dataFile = shell_.session().dataFile;
      f.dataLoads = shell_.session().dataLoads;
      return f;
    };
    window_ = std::make_unique<QtWindow>(
        [this](const std::string& cb, window::Control* source) { shell_.runCallback(cb, source); },
        options);
  }

  void load(const char* name) {
    window_->openDataFile((scratch_ / name).string());
    ASSERT_EQ(fs::path(shell_.session().dataFile).filename(), name);
  }
  void choose(const char* tag) {
    auto* item = qobject_cast<QAction*>(static_cast<QtControl&>(window_->control(tag)).object());
    ASSERT_NE(item, nullptr) << tag;
    item->trigger();
  }

  // The value an item of the menu sends: its callback's second argument.
  Value sent(const char* tag) {
    auto call = shell::parseCallback(window_->control(tag).callback());
    EXPECT_TRUE(call && call->args.size() == 2) << tag;
    return std::get<Value>(call->args.at(1));
  }
  bool isChecked(const char* tag) {
    return valueToText(window_->control(tag).get("Checked")) == "on";
  }

  // The checked items of one group: exactly the one that sends the value in
  // use, or none when no item offers it.
  template <class Same>
  void expectGroup(const std::vector<const char*>& tags, Same same, const std::string& what) {
    int offering = 0;
    for (const char* tag : tags) {
      const bool offers = same(tag);
      offering += offers ? 1 : 0;
      EXPECT_EQ(isChecked(tag), offers) << tag << " while " << what;
    }
    EXPECT_LE(offering, 1) << what;
  }

  // Compares every group with the request the renderer gets now.
  void expectMenusTellTheTruth(const std::string& what) {
    ASSERT_FALSE(display::notReadyToPicture(shell_.state())) << what;
    auto read =
        display::readPictureSettings(shell_.state(), *window_, display::Registration::Procrustes);
    ASSERT_TRUE(read.request) << read.refusal;
    const auto& r = *read.request;
    expectGroup(
        {"Density10", "Density20", "Density30", "Density50"},
        [&](const char* t) { return sent(t).scalar() == r.npts; }, what);
    expectGroup(
        {"Weight5", "Weight10", "Weight15", "Weight20", "Weigth25"},
        [&](const char* t) { return sent(t).scalar() / 10 == r.style.lineweight; }, what);
    expectGroup(
        {"RefSquare", "RefDiamond", "RefCircle", "RefPlus"},
        [&](const char* t) { return sent(t).text() == r.style.symboltype; }, what);
    // "k" draws the same solid line as "k-".
    const std::string code = r.style.linespec.ends_with("-") && r.style.linespec.size() == 2
                                 ? r.style.linespec.substr(0, 1)
                                 : r.style.linespec;
    expectGroup(
        {"Line1Red", "Line1Black", "Line1Dotted"},
        [&](const char* t) { return sent(t).text() == code; }, what);
    EXPECT_EQ(isChecked("ArrowHeads"), r.style.aheadspec != 0) << what;
    EXPECT_EQ(isChecked("NoArrowHeads"), r.style.aheadspec == 0) << what;
  }

  void analyse() { ASSERT_TRUE(shell_.runCallback("Varnoksw('NoGroupList')")); }

  testkit::ScratchFolder scratch_;
  window::ScriptedAnswers answers_;
  Console console_{nullptr, true};
  SettingsStore settings_{QString::fromStdString((scratch_ / "settings.ini").string())};
  shell::Shell shell_{console_, [this]() -> window::Window& { return *window_; }};
  std::unique_ptr<QtWindow> window_;
};

TEST_F(DisplaySettings, MenuChecksAreTheRenderersValuesThroughLoadsRestoresAndChoices) {
  load("gorilla.txt");  // the first load puts the last run's choices back
  analyse();
  EXPECT_EQ(*shell_.state().vplotdensity, 10);
  expectMenusTellTheTruth("the first load restored the last run's choices");

  choose("Line1Dotted");
  choose("RefSquare");
  choose("NoArrowHeads");
  choose("Weight20");
  expectMenusTellTheTruth("choices from the menu");

  load("mice.txt");  // later loads start from the defaults
  analyse();
  EXPECT_EQ(*shell_.state().vplotdensity, 20);
  expectMenusTellTheTruth("a second load");

  ASSERT_TRUE(shell_.runCallback("Varnoksw('SetPlotDensity',40)"));
  ASSERT_TRUE(shell_.runCallback("Varnoksw('SetLineWidth',12)"));
  expectMenusTellTheTruth("script values no item offers");

  choose("BWButton");
  ASSERT_TRUE(shell_.runCallback("Varnoksw('ClearData')"));
  EXPECT_EQ(valueToText(window_->control("BWButton").get("Label")), "Use BW Symbols");
  load("gorilla.txt");
  analyse();
  expectMenusTellTheTruth("Clear Data and a new load");
}

}  // namespace
}  // namespace varnok::qt
