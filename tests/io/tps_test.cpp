// The TPS reader on hand-written files.
#include "io/tps.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "io/dload.hpp"

namespace varnok::io {
namespace {

TpsData parse(const std::string& text) {
  std::istringstream in(text);
  return readTps(in, "wings.tps");
}

std::string errorOf(const std::string& text) {
  try {
    parse(text);
  } catch (const DataFileError& e) {
    return e.what();
  }
  return "no error";
}

// Centroid size of x y pairs.
double cs(std::vector<double> xy) {
  const std::size_t L = xy.size() / 2;
  double cx = 0, cy = 0;
  for (std::size_t j = 0; j < L; ++j) cx += xy[2 * j], cy += xy[2 * j + 1];
  cx /= static_cast<double>(L), cy /= static_cast<double>(L);
  double ss = 0;
  for (std::size_t j = 0; j < L; ++j)
    ss += std::pow(xy[2 * j] - cx, 2) + std::pow(xy[2 * j + 1] - cy, 2);
  return std::sqrt(ss);
}

const char* kTwo =
    "LM=3\n"
    "1 2\n"
    "4 6\n"
    "-1.5 0.25e1\n"
    "IMAGE=wing01.jpg\n"
    "ID=7\n"
    "SCALE=0.5\n"
    "LM=3\n"
    "0 0\n"
    "3 0\n"
    "0 4\n"
    "SCALE=2\n"
    "IMAGE=wing02.jpg\n"
    "COMMENT=left wing, male = yes\n"
    "VARIABLES=2.5\n"
    "ID=B-12\n";

TEST(Tps, ValuesScaledWithTheCentroidSizeOfTheScaledCoordinates) {
  TpsData d = parse(kTwo);
  ASSERT_EQ(d.data.rows(), 2);
  ASSERT_EQ(d.data.cols(), 7);
  const std::vector<double> first = {0.5, 1, 2, 3, -0.75, 1.25};
  for (int c = 0; c < 6; ++c) EXPECT_DOUBLE_EQ(d.data(0, c), first[static_cast<size_t>(c)]) << c;
  EXPECT_DOUBLE_EQ(d.data(0, 6), cs(first));
  const std::vector<double> second = {0, 0, 6, 0, 0, 8};
  for (int c = 0; c < 6; ++c) EXPECT_DOUBLE_EQ(d.data(1, c), second[static_cast<size_t>(c)]) << c;
  // Keys in any order after the coordinates; ID wins over IMAGE.
  EXPECT_EQ(d.ids, (std::vector<std::string>{"7", "B-12"}));
  EXPECT_EQ(d.curvePoints, 0);
  EXPECT_EQ(d.unscaled, 0);
}

TEST(Tps, WithoutScaleTheCoordinatesStayAsDigitised) {
  TpsData d = parse("LM=3\n0 0\n3 0\n0 4\nLM=3\n1 1\n2 2\n3 5\n");
  ASSERT_EQ(d.data.rows(), 2);
  EXPECT_EQ(d.data(0, 2), 3);
  EXPECT_EQ(d.data(1, 5), 5);
  EXPECT_DOUBLE_EQ(d.data(0, 6), cs({0, 0, 3, 0, 0, 4}));
  EXPECT_TRUE(d.ids.empty());  // no ID= and no IMAGE=: no names
  EXPECT_EQ(d.unscaled, 0);
  // When only some specimens have a scale, the others are counted.
  d = parse("LM=3\n0 0\n3 0\n0 4\nSCALE=2\nLM=3\n1 1\n2 2\n3 5\nLM=3\n1 1\n2 2\n3 5\n");
  EXPECT_EQ(d.unscaled, 2);
  EXPECT_EQ(d.data(0, 2), 6);
  EXPECT_EQ(d.data(1, 2), 2);
}

TEST(Tps, NamesFallBackToTheImage) {
  TpsData d = parse(
      "LM=3\n0 0\n3 0\n0 4\nIMAGE=a.jpg\nLM=3\n0 0\n3 0\n0 4\nID=x\n"
      "LM=3\n0 0\n3 0\n0 4\n");
  EXPECT_EQ(d.ids, (std::vector<std::string>{"a.jpg", "x", ""}));
}

TEST(Tps, LineEndsCaseCommentsAndBlankLines) {
  const std::string lf = "LM=3\n0 0\n3 0\n0 4\nID=1\n";
  const TpsData plain = parse(lf);
  // CR LF, a lone CR, a byte-order mark, lower-case keys, blanks around '=',
  // tabs and commas between numbers, comment and blank lines anywhere.
  for (const std::string& text :
       {std::string("LM=3\r\n0 0\r\n3 0\r\n0 4\r\nID=1\r\n"),
        std::string("LM=3\r0 0\r3 0\r0 4\rID=1"),
        std::string("\xEF\xBB\xBFLM=3\n0 0\n3 0\n0 4\nID=1"),
        std::string("# digitised 2024\n\nlm = 3\n0\t0\n 3, 0 \n\n' a comment\n0 4\nid=1\n\n")}) {
    const TpsData d = parse(text);
    EXPECT_EQ(d.data, plain.data) << text;
    EXPECT_EQ(d.ids, plain.ids) << text;
  }
}

TEST(Tps, CurvesAndOutlinesAreSkippedAndCounted) {
  TpsData d = parse(
      "LM=3\n0 0\n3 0\n0 4\nCURVES=2\nPOINTS=3\n1 1\n2 2\n3 3\nPOINTS=2\n5 5\n6 6\n"
      "IMAGE=a.jpg\n"
      "LM=3\n1 0\n3 0\n0 4\nOUTLINES=1\nPOINTS=4\n1 1\n2 2\n3 3\n4 4\nID=b\n");
  ASSERT_EQ(d.data.rows(), 2);
  EXPECT_EQ(d.data(1, 0), 1);
  EXPECT_EQ(d.curvePoints, 5);
  EXPECT_EQ(d.outlinePoints, 4);
  EXPECT_EQ(d.ids, (std::vector<std::string>{"a.jpg", "b"}));
}

TEST(Tps, EmptyInputGivesNoData) {
  EXPECT_EQ(parse("").data.size(), 0);
  EXPECT_EQ(parse("\n# nothing\n").data.size(), 0);
}

TEST(Tps, ErrorsNameTheFileAndTheLine) {
  // A line of commas alone is no coordinate line (it has no first word).
  EXPECT_NE(errorOf("LM=0\r,\r").find("line 2 holds \",\", which is neither a KEY=value line"),
            std::string::npos)
      << errorOf("LM=0\r,\r");
  const std::string p = "The file wings.tps could not be loaded: ";
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 0\n0 4\nLM=4\n0 0\n3 0\n0 4\n1 1\n"),
            p + "line 5 holds LM=4, but the first specimen (line 1) has 3 landmarks; every "
                "specimen needs the same landmarks.");
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 0\nID=1\n"),
            p + "line 4 holds \"ID=1\", but LM=3 on line 1 announces 3 coordinate lines and only "
                "2 come before it.");
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 0\n"),
            p + "it ends at line 3, but LM=3 on line 1 announces 3 coordinate lines and only 2 "
                "follow.");
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 0\n0 4\n5 5\n"),
            p + "line 5 holds a coordinate line beyond the 3 that LM=3 on line 1 announces.");
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 x\n0 4\n"), p + "line 3 holds \"x\", which is not a number.");
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 NaN\n0 4\n"),
            p + "line 3 holds \"NaN\", which is not a finite number.");
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 0\n-inf 4\n"),
            p + "line 4 holds \"-inf\", which is not a finite number.");
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 0 1\n0 4\n"),
            p + "line 3 holds 3 words, but a coordinate line holds an x and a y.");
  for (const char* scale : {"0", "-2", "abc", "inf", ""})
    EXPECT_EQ(errorOf(std::string("LM=3\n0 0\n3 0\n0 4\nSCALE=") + scale + "\n"),
              p + "line 5 holds \"SCALE=" + scale + "\", but a scale must be a positive number.")
        << scale;
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 0\n0 4\nSCALE=1\nSCALE=2\n"),
            p + "line 6 holds a second SCALE= for the specimen of line 1 (the first is on line "
                "5).");
  EXPECT_EQ(errorOf("LM=x\n"), p + "line 1 holds \"LM=x\", which is not a count of landmarks.");
  EXPECT_EQ(errorOf("LM=0\nID=1\nLM=0\n"), p + "its specimens have no landmarks (LM=0).");
  EXPECT_EQ(errorOf("LM3=2\n0 0 0\n1 1 1\n"),
            p + "line 1 holds \"LM3=2\": three-dimensional landmarks cannot be used; Varnok "
                "analyses two-dimensional forms.");
  EXPECT_EQ(errorOf("ID=1\nLM=3\n"), p + "line 1 holds \"ID=1\" before the first LM= line.");
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 0\n0 4\nhello there\n"),
            p + "line 5 holds \"hello there\", which is neither a KEY=value line nor a "
                "coordinate line.");
  EXPECT_EQ(errorOf("LM=3\n0 0\n3 0\n0 4\nCURVES=1\nPOINTS=3\n1 1\nID=2\n"),
            p + "line 8 holds \"ID=2\", but POINTS=3 on line 6 announces 3 points and only 1 "
                "come before it.");
  EXPECT_EQ(errorOf("LM=3\r\n0 0\r\n3 0\r\n0 4\r\nCURVES=1\r\nPOINTS=3\r\n1 1\r\n"),
            p + "it ends at line 7, but POINTS=3 on line 6 announces 3 points and only 1 follow.");
  // A scale that makes the coordinates overflow.
  EXPECT_EQ(errorOf("LM=3\n0 0\n3e300 0\n0 4\nSCALE=1e10\n"),
            p + "its scaled coordinates are too large to be represented.");
}

TEST(Tps, KeyLinesAreToldFromOtherLines) {
  EXPECT_TRUE(isTpsKeyLine("LM=12"));
  EXPECT_TRUE(isTpsKeyLine("  image = a b.jpg"));
  EXPECT_TRUE(isTpsKeyLine("LM3=4"));
  EXPECT_FALSE(isTpsKeyLine("1 2 3"));
  EXPECT_FALSE(isTpsKeyLine("=3"));
  EXPECT_FALSE(isTpsKeyLine("1LM=3"));
  EXPECT_FALSE(isTpsKeyLine("a b=3"));
}

}  // namespace
}  // namespace varnok::io
