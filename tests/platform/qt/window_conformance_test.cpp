// One suite for both windows: what actions see of the real Qt window must
// hold of the in-memory window that action tests use, and the other way
// round, so that a test passing on the fake means the same on the screen.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/matrix/runtime_error.hpp"
#include "platform/qt/qt_window.hpp"
#include "platform/qt/script.hpp"
#include "platform/window/in_memory_window.hpp"

namespace varnok::window {
namespace {

// The tags used below, one of each kind of control of the layout.
constexpr const char* kCheckBox = "PCALimit";
constexpr const char* kList = "DeFormat";
constexpr const char* kLabel = "FileBox";
constexpr const char* kEdit = "XBox";
constexpr const char* kMenuItem = "Weigth25";

struct InMemoryHarness {
  InMemoryHarness() {
    for (const char* tag : {kCheckBox, kList, kLabel, kEdit, kMenuItem}) w.add(tag);
  }
  Window& window() { return w; }
  void answerFile(const std::string& folder, const std::string& name) {
    w.answers.files.push_back(FileChoice{name, folder});
  }
  void answerInput(const std::string& text) {
    w.answers.inputs.push_back(std::vector<std::string>{text});
  }
  void answerCancel() { w.answers.files.push_back(std::nullopt); }

  InMemoryWindow w;
};

struct QtHarness {
  QtHarness() {
    qt::QtWindow::Options options;
    options.layoutFile = VARNOK_SOURCE_DIR "/layout/Varnok6p.ui";
    options.fitToScreen = false;
    options.dialogs = &dialogs;
    w = std::make_unique<qt::QtWindow>([](const std::string&, Control*) {}, options);
  }
  Window& window() { return *w; }
  void answerFile(const std::string& folder, const std::string& name) {
    dialogs.push({qt::ScriptAnswer::Kind::File, folder + name, {}});
  }
  void answerInput(const std::string& text) {
    dialogs.push({qt::ScriptAnswer::Kind::Input, text, {}});
  }
  void answerCancel() { dialogs.push({qt::ScriptAnswer::Kind::Cancel, {}, {}}); }

  std::ostringstream out, err;
  qt::ScriptedDialogs dialogs{out, err};
  std::unique_ptr<qt::QtWindow> w;
};

template <class H>
class WindowConformance : public ::testing::Test {
 protected:
  H h;
  Window& w = h.window();
};

using Harnesses = ::testing::Types<InMemoryHarness, QtHarness>;
TYPED_TEST_SUITE(WindowConformance, Harnesses);

TYPED_TEST(WindowConformance, PropertyNamesInAnyCase) {
  Control& c = this->w.control(kEdit);
  c.set("string", Value("1.5"));
  EXPECT_EQ(c.get("STRING").text(), "1.5");
  EXPECT_EQ(c.get("String").text(), "1.5");
  EXPECT_EQ(c.get("Tag").text(), kEdit);
}

TYPED_TEST(WindowConformance, SwitchesReadBackInLowerCase) {
  Control& c = this->w.control(kLabel);
  EXPECT_EQ(c.get("Enable").text(), "on");
  c.set("Enable", Value("Off"));
  EXPECT_EQ(c.get("Enable").text(), "off");
  c.set("Enable", Value("ON"));
  EXPECT_EQ(c.get("enable").text(), "on");
  EXPECT_THROW(c.set("Enable", Value("maybe")), RuntimeError);
  EXPECT_EQ(c.get("Enable").text(), "on");  // a refused value changes nothing
  Control& item = this->w.control(kMenuItem);
  item.set("Checked", Value("on"));
  EXPECT_EQ(item.get("Checked").text(), "on");
  item.set("Checked", Value("off"));
  EXPECT_EQ(item.get("Checked").text(), "off");
}

TYPED_TEST(WindowConformance, ValuesOfCheckBoxesAndLists) {
  Control& box = this->w.control(kCheckBox);
  box.set("Value", Value(1.0));
  EXPECT_EQ(box.get("Value").scalar(), 1);
  box.set("Value", Value(0.0));
  EXPECT_EQ(box.get("Value").scalar(), 0);
  Control& list = this->w.control(kList);
  list.set("Value", Value(2.0));
  EXPECT_EQ(list.get("Value").scalar(), 2);
  list.set("Value", Value("3"));  // a number typed as text
  EXPECT_EQ(list.get("Value").scalar(), 3);
  EXPECT_THROW(list.set("Value", Value("three")), RuntimeError);
}

TYPED_TEST(WindowConformance, UnknownPropertiesAndControls) {
  Control& c = this->w.control(kEdit);
  EXPECT_THROW(c.get("Colour"), RuntimeError);
  EXPECT_THROW(c.set("Colour", Value(1.0)), RuntimeError);
  EXPECT_THROW(c.set("Tag", Value("other")), RuntimeError);
  EXPECT_TRUE(this->w.findobj("NoSuchControl").empty());
  try {
    this->w.control("NoSuchControl");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("NoSuchControl"), std::string::npos);
  }
  EXPECT_THROW(this->w.setAll("NoSuchControl", "String", Value("x")), RuntimeError);
}

TYPED_TEST(WindowConformance, DialogsAnsweredAndCancelled) {
  Dialogs& d = this->w.dialogs();
  this->h.answerFile("/data/", "a.txt");
  auto f = d.uigetfile("*.*", "Open", "");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->name, "a.txt");
  EXPECT_EQ(f->folder, "/data/");
  this->h.answerCancel();
  EXPECT_FALSE(d.uiputfile("*.*", "Save", ""));
  EXPECT_FALSE(d.uigetfile("*.*", "Nothing queued", ""));  // unanswered: cancelled
  this->h.answerInput("30");
  auto in = d.inputdlg({"Angle"}, "Rotate", {"10"});
  ASSERT_TRUE(in);
  EXPECT_EQ(in->at(0), "30");
  EXPECT_FALSE(d.inputdlg({"Angle"}, "Rotate", {"10"}));
}

}  // namespace
}  // namespace varnok::window
