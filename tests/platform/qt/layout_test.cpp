// The layout file: every tag the program looks up is there with a control of
// the right kind, and every callback string reaches something that exists.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QRadioButton>
#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "platform/matrix/runtime_error.hpp"
#include "platform/qt/plot_widget.hpp"
#include "platform/qt/qt_control.hpp"
#include "shell/callback.hpp"
#include "shell/registry.hpp"
#include "shell/routines.hpp"
#include "test_window.hpp"

namespace varnok::qt {
namespace {

using testing::RecordingWindow;

// The names the window may call, from the shell's own tables.
const std::set<std::string> kActions = [] {
  const auto& names = shell::actionNames();
  return std::set<std::string>(names.begin(), names.end());
}();

// The main window's callback sub-routines are named after these tags.
const std::vector<std::string> kCallbackTags = [] {
  std::vector<std::string> tags;
  for (const auto& name : shell::subroutineNames()) {
    const std::string suffix = "_Callback";
    if (name.size() > suffix.size() && name.ends_with(suffix))
      tags.push_back(name.substr(0, name.size() - suffix.size()));
  }
  return tags;
}();

// Routines callable by name with their declared input counts (-1: any).
const std::map<std::string, int> kRoutines = [] {
  std::map<std::string, int> m;
  for (const auto& d : shell::routineDeclarations()) m[d.name] = d.nin;
  return m;
}();

std::set<std::string> subRoutines() {
  std::set<std::string> s = {"axes1_ButtondownFcn"};
  for (const auto& t : kCallbackTags) s.insert(t + "_Callback");
  return s;
}

struct Parsed {
  const QtControl* control;
  shell::CallbackCall call;
};

std::vector<Parsed> parsedCallbacks(const QtWindow& w) {
  std::vector<Parsed> out;
  for (const auto& c : w.controls()) {
    if (c->callback().empty()) continue;
    auto call = shell::parseCallback(c->callback());
    if (call) out.push_back({c.get(), *call});
  }
  return out;
}

std::string firstText(const shell::CallbackCall& call) {
  if (call.args.empty()) return {};
  const Value* v = std::get_if<Value>(&call.args[0]);
  return v && v->isText() ? v->text() : std::string();
}

const Value* secondValue(const shell::CallbackCall& call) {
  return call.args.size() < 2 ? nullptr : std::get_if<Value>(&call.args[1]);
}

class LayoutTest : public ::testing::Test {
 protected:
  RecordingWindow rw;
  QtWindow& w = *rw.window;

  QObject* only(const std::string& tag) {
    const auto found = w.findobj(tag);
    EXPECT_EQ(found.size(), 1u) << "tag " << tag;
    return found.empty() ? nullptr : static_cast<QtControl*>(found.front())->object();
  }
};

TEST_F(LayoutTest, RequiredTagsHaveControlsOfTheirKind) {
  for (const char* tag : {"FileBox", "GroupBox", "XBoxExp", "YBoxExp", "VarianceBox"}) {
    QObject* o = only(tag);
    EXPECT_TRUE(qobject_cast<QLabel*>(o) || qobject_cast<QLineEdit*>(o)) << tag;
  }
  for (const char* tag : {"RestrictBox", "XBox", "YBox", "BaseBox1", "BaseBox2", "ExagerationBox",
                          "RangeBox", "ShowBox", "MarkerScaleBox", "RefAngleBox"})
    EXPECT_TRUE(qobject_cast<QLineEdit*>(only(tag))) << tag;
  for (const char* tag : {"PCALimit", "AxisOnePos", "AxisTwoPos", "CentroidButton", "PCALabel",
                          "GridTrimButton", "RotateRequest", "NumberButton", "LMNumberBox"}) {
    QObject* o = only(tag);
    EXPECT_TRUE(qobject_cast<QCheckBox*>(o) || qobject_cast<QRadioButton*>(o)) << tag;
  }
  for (const char* tag : {"DeFormat", "MarkerSuperList"}) {
    QObject* o = only(tag);
    EXPECT_TRUE(qobject_cast<QComboBox*>(o) || qobject_cast<QListWidget*>(o)) << tag;
  }
  for (const char* tag : {"LoadGroup", "NoLoadGroup", "LoadReference"})
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(only(tag))) << tag;
  for (const char* tag :
       {"Density10", "Density20", "Density30", "Density50", "ArrowHeads", "NoArrowHeads",
        "RefSquare", "RefDiamond", "RefCircle", "RefPlus", "Line1Red", "Line1Black", "Line1Dotted",
        "Weight5", "Weight10", "Weight15", "Weight20", "Weigth25", "BWButton"})
    EXPECT_TRUE(qobject_cast<QAction*>(only(tag))) << tag;
  EXPECT_TRUE(qobject_cast<PlotWidget*>(only("axes1")));
}

TEST_F(LayoutTest, NoTwoControlsShareATag) {
  std::map<std::string, int> count;
  for (const auto& c : w.controls()) ++count[c->tag()];
  for (const auto& [tag, n] : count) EXPECT_EQ(n, 1) << tag;
}

TEST_F(LayoutTest, EveryCallbackParsesAndReachesAKnownRoutine) {
  const auto subs = subRoutines();
  int callbacks = 0;
  for (const auto& c : w.controls()) {
    if (c->callback().empty()) continue;
    ++callbacks;
    std::string why;
    auto call = shell::parseCallback(c->callback(), &why);
    ASSERT_TRUE(call) << c->tag() << ": " << c->callback() << " (" << why << ")";
    if (subs.count(call->name)) continue;
    // Every menu item is in the registry; a command of the window's own is
    // no routine.
    ValueList args;
    for (const auto& a : call->args)
      args.push_back(std::holds_alternative<Value>(a) ? std::get<Value>(a) : Value());
    const shell::Entry* entry = shell::entryOfCall(call->name, args);
    if (qobject_cast<QAction*>(c->object())) {
      EXPECT_NE(entry, nullptr) << c->tag() << ": " << c->callback();
    }
    if (entry && entry->kind == shell::EntryKind::WindowCommand) continue;
    auto routine = kRoutines.find(call->name);
    ASSERT_NE(routine, kRoutines.end()) << c->tag() << " calls unknown " << call->name;
    if (routine->second >= 0) {
      EXPECT_LE(static_cast<int>(call->args.size()), routine->second) << c->callback();
    }
    if (call->name == "Varnoksw") {
      EXPECT_TRUE(kActions.count(firstText(*call))) << c->tag() << ": " << c->callback();
    }
  }
  EXPECT_GT(callbacks, 46 + 43);
}

TEST_F(LayoutTest, EveryActionHasAControl) {
  std::set<std::string> reached;
  for (const auto& p : parsedCallbacks(w))
    if (p.call.name == "Varnoksw") reached.insert(firstText(p.call));
  EXPECT_EQ(reached, kActions);
}

TEST_F(LayoutTest, EveryCallbackSubRoutineHasItsControl) {
  for (const auto& tag : kCallbackTags) {
    QObject* o = only(tag);
    ASSERT_NE(o, nullptr) << tag;
    auto call = shell::parseCallback(w.findobj(tag).front()->callback());
    ASSERT_TRUE(call) << tag;
    EXPECT_EQ(call->name, tag + "_Callback");
  }
  auto axes = shell::parseCallback(w.control("axes1").callback());
  ASSERT_TRUE(axes);
  EXPECT_EQ(axes->name, "axes1_ButtondownFcn");
}

TEST_F(LayoutTest, ShowMeansIsOfferedForTheThreeRegistrations) {
  std::vector<double> values;
  for (const auto& p : parsedCallbacks(w)) {
    if (p.call.name != "Varnoksw" || firstText(p.call) != "ShowMeans") continue;
    const Value* v = secondValue(p.call);
    ASSERT_NE(v, nullptr) << p.control->tag();
    values.push_back(v->scalar());
  }
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values, (std::vector<double>{0, 1, 2}));
}

TEST_F(LayoutTest, SettingsMenusSendTheirValues) {
  struct Expect {
    const char* tag;
    const char* action;
    Value value;
  };
  const std::vector<Expect> expected = {
      {"Density10", "SetPlotDensity", 10},       {"Density20", "SetPlotDensity", 20},
      {"Density30", "SetPlotDensity", 30},       {"Density50", "SetPlotDensity", 50},
      {"RefSquare", "SetReferenceSymbol", "ks"}, {"RefDiamond", "SetReferenceSymbol", "kd"},
      {"RefCircle", "SetReferenceSymbol", "ko"}, {"RefPlus", "SetReferenceSymbol", "k+"},
      {"Line1Red", "SetLineFormat1", "r"},       {"Line1Black", "SetLineFormat1", "k"},
      {"Line1Dotted", "SetLineFormat1", "k:"},   {"Weight5", "SetLineWidth", 5},
      {"Weight10", "SetLineWidth", 10},          {"Weight15", "SetLineWidth", 15},
      {"Weight20", "SetLineWidth", 20},          {"Weigth25", "SetLineWidth", 25}};
  for (const auto& e : expected) {
    auto call = shell::parseCallback(w.control(e.tag).callback());
    ASSERT_TRUE(call) << e.tag;
    EXPECT_EQ(call->name, "Varnoksw") << e.tag;
    EXPECT_EQ(firstText(*call), e.action) << e.tag;
    const Value* v = secondValue(*call);
    ASSERT_NE(v, nullptr) << e.tag;
    if (e.value.isText()) {
      EXPECT_EQ(v->isText() ? v->text() : "", e.value.text()) << e.tag;
    } else {
      EXPECT_EQ(v->isMatrix() ? v->scalar() : -1, e.value.scalar()) << e.tag;
    }
  }
  for (const auto& [tag, action] :
       std::vector<std::pair<const char*, const char*>>{{"ArrowHeads", "ArrowHeads"},
                                                        {"NoArrowHeads", "NoArrowHeads"},
                                                        {"BWButton", "SetBWCode"}}) {
    auto call = shell::parseCallback(w.control(tag).callback());
    ASSERT_TRUE(call) << tag;
    EXPECT_EQ(firstText(*call), action);
    EXPECT_EQ(call->args.size(), 1u) << tag;
  }
}

TEST_F(LayoutTest, MenusOfTheStyleRoutinesPassTheCurrentAxes) {
  std::multiset<std::string> calls;
  for (const auto& p : parsedCallbacks(w)) {
    if (p.call.name == "Varnoksw" || p.call.name.find('_') != std::string::npos) continue;
    // The window's own commands take nothing.
    const shell::Entry* entry = shell::entryOfCall(p.call.name, {});
    if (entry && entry->kind == shell::EntryKind::WindowCommand) continue;
    std::string text = p.call.name + "(";
    for (const auto& a : p.call.args) {
      if (std::holds_alternative<shell::CallbackSymbol>(a))
        text += std::get<shell::CallbackSymbol>(a) == shell::CallbackSymbol::Gca ? "gca," : "?,";
      else
        text += valueToText(std::get<Value>(a)) + ",";
    }
    calls.insert(text + ")");
  }
  EXPECT_EQ(calls, (std::multiset<std::string>{"incrementsymbolsize(gca,1,)",
                                               "incrementsymbolsize(gca,-1,)",
                                               "incrementlinethickness(gca,0.5,)",
                                               "incrementlinethickness(gca,-0.5,)",
                                               "setsymbolbw(gca,)",
                                               "spiffyfish()",
                                               "boringcursor()",
                                               "CopyBigImage(1,)",
                                               "CopyImageEPS(1,)",
                                               "ExportResultsTable()",
                                               "LoadGroupNames()",
                                               "ToggleConfidenceEllipses()",
                                               "ToggleDataEllipses()",
                                               "ToggleConvexHulls()",
                                               "ToggleIdLabels()",
                                               "LoadSliders()",
                                               "ReadCurvesAsSemilandmarks()",
                                               "SlideByBendingEnergy()",
                                               "SlideByProcrustesDistance()",
                                               "SlideCurveEnds()",
                                               "SlidingRounds()",
                                               "ShapeAnova()",
                                               "ShapeRegression()",
                                               "PooledWithinGroups()",
                                               "CanonicalVariates()",
                                               "FindOutliers()",
                                               "ShowAllometryShape()",
                                               "ShowCVShape()",
                                               "ShowOutlierSpecimen()",
                                               "StatisticsSettings()",
                                               "CanonicalVariatesAxes()",
                                               "ExportAlignedCoordinates()",
                                               "ExportStatistics()",
                                               "LoadLinks()",
                                               "LoadOutline()",
                                               "ToggleOutline()",

                                               "ShowExpansionMap()",
                                               "ToggleTitles()",
                                               "FlipXAxisSign()",
                                               "FlipYAxisSign()",
                                               "ExportShapes()"}));
}

TEST_F(LayoutTest, StartsWithTheTextsAndMarksTheProgramExpects) {
  EXPECT_EQ(w.control("RefAngleBox").get("String").text(), "auto");
  EXPECT_EQ(w.control("FileBox").get("String").text(), "No File Loaded");
  EXPECT_EQ(w.control("GroupBox").get("String").text(), "No File Loaded");
  EXPECT_EQ(w.control("BWButton").get("Label").text(), "Use BW Symbols");
  EXPECT_EQ(w.control("LoadReference").get("Enable").text(), "off");
  // The marks show the settings a data load starts with: density 20, arrow
  // heads, circles, 1.5 points; no line format matches the default "k-".
  const std::vector<std::vector<std::string>> groups = {
      {"Density10", "Density20", "Density30", "Density50"},
      {"ArrowHeads", "NoArrowHeads"},
      {"RefSquare", "RefDiamond", "RefCircle", "RefPlus"},
      {"Line1Red", "Line1Black", "Line1Dotted"},
      {"Weight5", "Weight10", "Weight15", "Weight20", "Weigth25"}};
  std::vector<std::string> marked;
  for (const auto& g : groups)
    for (const auto& tag : g)
      if (w.control(tag).get("Checked").text() == "on") marked.push_back(tag);
  EXPECT_EQ(marked, (std::vector<std::string>{"Density20", "ArrowHeads", "RefCircle", "Weight15"}));
}

TEST_F(LayoutTest, ListsOfferEveryChoiceTheirReadersKnow) {
  // The picture types 1 to 9 of the deformation renderer, and the three
  // superimpositions of the marker deformations (baseline, sliding, Procrustes).
  EXPECT_EQ(w.control("DeFormat").get("String").textList().size(), 9u);
  EXPECT_EQ(w.control("MarkerSuperList").get("String").textList().size(), 3u);
  EXPECT_EQ(w.control("DeFormat").get("Value").scalar(), 1);
}

TEST(LayoutLoading, TheCompiledInCopyHoldsTheSameControls) {
  RecordingWindow fromFile;
  RecordingWindow fromResource(":/layout/Varnok6p.ui");
  auto tags = [](const QtWindow& w) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& c : w.controls()) out.emplace_back(c->tag(), c->callback());
    return out;
  };
  EXPECT_EQ(tags(*fromFile.window), tags(*fromResource.window));
}

TEST(LayoutLoading, ABrokenLayoutFileIsRefusedWithItsName) {
  const std::string path = ::testing::TempDir() + "broken_layout.ui";
  {
    std::ofstream out(path);
    out << "<ui version=\"4.0\"><widget class=\"QMainWindow\" name=\"x\">";
  }
  try {
    RecordingWindow w(path);
    FAIL() << "a broken layout loaded";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  try {
    RecordingWindow w(::testing::TempDir() + "no_such_layout.ui");
    FAIL() << "a missing layout loaded";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("no_such_layout.ui"), std::string::npos) << e.what();
  }
}

TEST(LayoutLoading, ALayoutWithoutAPlotAreaIsRefused) {
  const std::string path = ::testing::TempDir() + "no_plot.ui";
  {
    std::ofstream out(path);
    out << "<ui version=\"4.0\"><class>W</class><widget class=\"QMainWindow\" name=\"W\">"
           "<widget class=\"QWidget\" name=\"centralwidget\"/></widget></ui>";
  }
  EXPECT_THROW(RecordingWindow w(path), RuntimeError);
}

}  // namespace
}  // namespace varnok::qt
