// The morphometric routines called by name through the routine table.
#include <gtest/gtest.h>

#include <sstream>

#include "morpho_test_support.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "shell/shell.hpp"

namespace varnok::morpho {
namespace {

using namespace testing;

class ByName : public ::testing::Test {
 protected:
  ValueList call(const std::string& name, const ValueList& args, int nargout = 1) {
    return shell_.callByName(name, args, nargout);
  }
  std::string message(const std::string& name, const ValueList& args) {
    try {
      call(name, args);
    } catch (const RuntimeError& e) {
      return e.what();
    }
    return "";
  }
  std::ostringstream sink_;
  Console console_{&sink_, true};
  shell::Shell shell_{console_, []() -> window::Window& { throw RuntimeError("no window"); }};
};

TEST_F(ByName, ArgumentCountsGiveTheRuntimeMessages) {
  const Mat ref = row({0, 0, 1, 0, 0, 1, 1});
  EXPECT_EQ(message("UniArbitrary", {ref, ref}),
            "Run-time Error: File: UniArbitrary Line: 1 Column: 3 The function \"UniArbitrary\" "
            "was called with more than the declared number of inputs (1).");
  EXPECT_EQ(message("getpsup", {ref}),
            "Run-time Error: File: getpsup Line: 1 Column: 1 Not enough input arguments.");
  EXPECT_THROW(call("formrotate", {ref, "text"}), RuntimeError);
}

TEST_F(ByName, OptionalInputsAndOutputs) {
  const Mat x = randomSample(12, 5, 0.1, 3);
  const ValueList two = call("getconsensus", {x}, 2);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(call("getconsensus", {x})[0].matrix(), two[0].matrix());
  const Mat ref = two[0].matrix();
  const Mat fit = call("getpsup", {x, ref})[0].matrix();
  const ValueList pw = call("getpw_arbit", {ref, fit, Mat(x.row(0))}, 2);  // testref ignored
  ASSERT_EQ(pw.size(), 2u);
  EXPECT_EQ(pw[0].matrix(), call("getpw_arbit", {ref, fit})[0].matrix());
  EXPECT_EQ(pw[1].matrix(), pw[0].matrix());
  const Mat D = (Mat(2, 2) << 1, 0, 0, 3).finished();
  const ValueList sorted = call("eigsort", {Mat(Mat::Identity(2, 2)), D}, 2);
  EXPECT_EQ(sorted[1].matrix(), (Mat(2, 2) << 3, 0, 0, 1).finished());
  call("rftra", {ref, ref});
  EXPECT_NE(console_.kept().find("scale"), std::string::npos);
}

}  // namespace
}  // namespace varnok::morpho
