#include "session/session.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <utility>

#include "platform/matrix/runtime_error.hpp"
#include "platform/window/in_memory_window.hpp"
#include "session/call_env.hpp"
#include "session/controls.hpp"
#include "session/routine_table.hpp"
#include "session/state.hpp"
#include "support/session_fixture.hpp"

namespace varnok::session {
namespace {

TEST(RoutineTable, ChecksCountsBeforeCallingAndNamesMissingInputs) {
  RoutineTable t;
  int calls = 0;
  t.add({"centsize", 1, 1, [&](CallEnv&, const ValueList& a, int) -> ValueList {
           ++calls;
           return {inputAt(a, 0)};
         }});
  Console console(nullptr, true);
  Session session;
  window::InMemoryWindow win;
  CallEnv env{console, session, [&]() -> window::Window& { return win; }, nullptr, nullptr, {}};
  EXPECT_EQ(t.call(env, "centsize", {Value(2.0)}, 1)[0].scalar(), 2.0);
  try {
    t.call(env, "centsize", {Value(1.0), Value(2.0)}, 1);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(std::string(e.what()), tooManyInputsMessage("centsize", 1));
  }
  EXPECT_THROW(t.call(env, "centsize", {Value(1.0)}, 2), RuntimeError);
  EXPECT_THROW(t.call(env, "nosuch", {}, 0), RuntimeError);
  EXPECT_EQ(calls, 1);
  // A required input left out: the runtime's message, naming the routine.
  try {
    t.call(env, "centsize", {}, 1);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Run-time Error: File: centsize Line: 1 Column: 1 Not enough input arguments.");
  }
}

// Every action reads a number box by one rule: exactly one finite number.
TEST(Controls, ANumberBoxHoldsExactlyOneFiniteNumber) {
  window::InMemoryWindow win;
  auto& box = win.add("Box");
  for (auto [text, number] : {std::pair<const char*, std::optional<double>>{" -2.5 ", -2.5},
                              {"30", 30},
                              {"", std::nullopt},
                              {"north", std::nullopt},
                              {"1 2", std::nullopt},
                              {"Inf", std::nullopt},
                              {"NaN", std::nullopt}}) {
    box.set("String", text);
    EXPECT_EQ(boxNumber(win, "Box"), number) << text;
    const NumberBox read = readNumberBox(win, "Box");
    EXPECT_TRUE(read.present);
    EXPECT_EQ(read.text, text);
    EXPECT_EQ(read.number, number) << text;
  }
  box.set("String", Value(7.0));  // put there by a routine
  EXPECT_EQ(boxNumber(win, "Box"), 7.0);
  // A missing box: absent when read as optional, the runtime's error when
  // the action needs it.
  EXPECT_FALSE(readNumberBox(win, "Other").present);
  EXPECT_THROW(boxNumber(win, "Other"), RuntimeError);
  EXPECT_EQ(controlValueOr(win, "Other", 4), 4);
  EXPECT_THROW(controlValue(win, "Other"), RuntimeError);
}

// Principal axis t is column NumPCA - t (1-based) of an analysis of V axes.
TEST(Controls, AxisColumnsCountFromTheLargestEigenvalue) {
  const double numPCA = 7;  // V = 6
  EXPECT_EQ(axisColumn(numPCA, 1, 6), 5);
  EXPECT_EQ(axisColumn(numPCA, 6, 6), 0);
  for (double t : {0.0, 7.0, 1.5, -1.0, std::nan("")}) EXPECT_FALSE(axisColumn(numPCA, t, 6)) << t;
}

TEST(Session, RelativeNamesAreTakenFromTheCurrentFolder) {
  testkit::ScratchFolder dir;
  std::filesystem::create_directories(dir / "study" / "sub");
  std::filesystem::create_directories(dir / "other");
  const std::string root = testkit::folderString(dir.path());
  Session s;
  EXPECT_EQ(s.resolve("a.txt"), "a.txt");  // no folder yet: where the program started
  s.changeFolder(root + "study/");
  EXPECT_EQ(s.folder, root + "study/");
  EXPECT_EQ(s.resolve("a.txt"), root + "study/a.txt");
  EXPECT_EQ(s.resolve("/elsewhere/b.txt"), "/elsewhere/b.txt");
  s.changeFolder("sub");  // relative to the current folder
  EXPECT_EQ(s.folder, root + "study/sub/");
  s.changeFolder("../../other/");
  EXPECT_EQ(s.folder, root + "other/");
  s.changeFolder("");          // no folder given: stays
  s.changeFolder("missing/");  // like cd, a folder that is not there: stays
  EXPECT_EQ(s.folder, root + "other/");
}

}  // namespace
}  // namespace varnok::session
