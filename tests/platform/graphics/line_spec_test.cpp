#include <gtest/gtest.h>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

TEST(LineSpec, ColourLetters) {
  const std::pair<char, Rgb> table[] = {{'k', {0, 0, 0}}, {'b', {0, 0, 1}}, {'r', {1, 0, 0}},
                                        {'m', {1, 0, 1}}, {'c', {0, 1, 1}}, {'g', {0, 1, 0}},
                                        {'y', {1, 1, 0}}, {'w', {1, 1, 1}}};
  for (const auto& [letter, rgb] : table) {
    ASSERT_TRUE(colorFromLetter(letter)) << letter;
    EXPECT_EQ(*colorFromLetter(letter), rgb) << letter;
    EXPECT_EQ(parseLineSpec(std::string(1, letter)).color, rgb) << letter;
  }
  EXPECT_FALSE(colorFromLetter('q'));
  EXPECT_FALSE(colorFromLetter('o'));
}

TEST(LineSpec, EveryMarkerWithAColour) {
  ASSERT_EQ(kMarkers.size(), 13u);
  for (char m : kMarkers) {
    const LineSpec s = parseLineSpec(std::string("r") + m);
    ASSERT_TRUE(s.marker) << m;
    EXPECT_EQ(*s.marker, m);
    EXPECT_EQ(s.color, (Rgb{1, 0, 0}));
    EXPECT_FALSE(s.lineStyle) << m;
  }
}

TEST(LineSpec, LineStylesAndTheirOverlapWithThePointMarker) {
  EXPECT_EQ(parseLineSpec("k-").lineStyle, "-");
  EXPECT_EQ(parseLineSpec("k:").lineStyle, ":");
  EXPECT_EQ(parseLineSpec("--").lineStyle, "--");
  // "-." is dash-dot, not a solid line with points; ".-" is both.
  const LineSpec dashDot = parseLineSpec("k-.");
  EXPECT_EQ(dashDot.lineStyle, "-.");
  EXPECT_FALSE(dashDot.marker);
  const LineSpec pointsAndLine = parseLineSpec("k.-");
  EXPECT_EQ(pointsAndLine.lineStyle, "-");
  EXPECT_EQ(pointsAndLine.marker, '.');
  // Parts in any order.
  const LineSpec any = parseLineSpec("o--r");
  EXPECT_EQ(any.marker, 'o');
  EXPECT_EQ(any.lineStyle, "--");
  EXPECT_EQ(any.color, (Rgb{1, 0, 0}));
  const LineSpec empty = parseLineSpec("");
  EXPECT_FALSE(empty.color || empty.marker || empty.lineStyle);
}

TEST(LineSpec, BadCodesAreRefusedNamingTheCode) {
  for (const char* bad : {"q", "kq", "kb", "ox", "k--:", "k -", "1"}) {
    try {
      parseLineSpec(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\""), std::string::npos)
          << e.what();
    }
  }
}

TEST(ParseColor, LettersNamesVectorsNoneAuto) {
  EXPECT_EQ(parseColor(Value("k")), ColorSpec::of({0, 0, 0}));
  EXPECT_EQ(parseColor(Value("Red")), ColorSpec::of({1, 0, 0}));
  EXPECT_EQ(parseColor(Value("None")), ColorSpec::none());
  EXPECT_EQ(parseColor(Value("auto")), ColorSpec::autoColor());
  Mat row(1, 3);
  row << 0.25, 0.5, 1;
  EXPECT_EQ(parseColor(Value(row)), ColorSpec::of({0.25, 0.5, 1}));
  EXPECT_EQ(parseColor(Value(Mat(row.transpose()))), ColorSpec::of({0.25, 0.5, 1}));
}

TEST(ParseColor, Refusals) {
  Mat tooBright(1, 3);
  tooBright << 1.2, 0, 0;
  Mat two(1, 2);
  two << 0, 0;
  Mat nan(1, 3);
  nan << 0, std::nan(""), 0;
  for (const Value& v : {Value(tooBright), Value(two), Value(nan), Value("purple"), Value(3.0),
                         Value(std::vector<std::string>{"r"})}) {
    EXPECT_THROW(parseColor(v), RuntimeError) << v.describe();
  }
}

}  // namespace
}  // namespace varnok::graphics
