// Curves as semilandmarks: the TPS reader asked for curves, the sliders they
// give, and the sliders file.
#include "io/curves.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "io/dload.hpp"

namespace varnok::io {
namespace {

using morpho::Slider;

TpsData withCurves(const std::string& text) {
  std::istringstream in(text);
  return readTps(in, "wings.tps", {.readCurves = true});
}

template <class F>
std::string errorOf(F&& f) {
  try {
    f();
  } catch (const DataFileError& e) {
    return e.what();
  }
  return "no error";
}

// Two specimens of 2 landmarks, an outline of 3 points given before an open
// curve of 3 points: the open curve's points still come first.
const char* kTwo =
    "LM=2\n0 0\n10 0\nOUTLINES=1\nPOINTS=3\n1 1\n2 1\n1 2\nCURVES=1\nPOINTS=3\n3 0\n5 1\n7 0\n"
    "ID=a\n"
    "LM=2\n0 1\n10 1\nCURVES=1\nPOINTS=3\n3 1\n5 2\n7 1\nOUTLINES=1\nPOINTS=3\n1 2\n2 2\n1 3\n"
    "ID=b\n";

TEST(TpsCurves, PointsFollowTheLandmarksOpenCurvesFirst) {
  const TpsData d = withCurves(kTwo);
  ASSERT_EQ(d.data.rows(), 2);
  ASSERT_EQ(d.data.cols(), 2 * 8 + 1);
  EXPECT_EQ(d.landmarks, 2);
  EXPECT_EQ(d.curves, (std::vector<TpsCurve>{{3, false}, {3, true}}));
  const double first[16] = {0, 0, 10, 0, 3, 0, 5, 1, 7, 0, 1, 1, 2, 1, 1, 2};
  for (int j = 0; j < 16; ++j) EXPECT_EQ(d.data(0, j), first[j]) << j;
  EXPECT_EQ(d.data(1, 4), 3);
  EXPECT_EQ(d.data(1, 11), 2);
  // The centroid size is that of all eight points.
  double cx = 0, cy = 0, ss = 0;
  for (int j = 0; j < 8; ++j) cx += first[2 * j] / 8, cy += first[2 * j + 1] / 8;
  for (int j = 0; j < 8; ++j)
    ss += (first[2 * j] - cx) * (first[2 * j] - cx) +
          (first[2 * j + 1] - cy) * (first[2 * j + 1] - cy);
  EXPECT_DOUBLE_EQ(d.data(0, 16), std::sqrt(ss));
  EXPECT_EQ(d.ids, (std::vector<std::string>{"a", "b"}));

  // Not asked for, the curves are skipped and counted as before.
  std::istringstream in(kTwo);
  const TpsData skipped = readTps(in, "wings.tps");
  EXPECT_EQ(skipped.data.cols(), 5);
  EXPECT_TRUE(skipped.curves.empty());
  EXPECT_EQ(skipped.curvePoints, 6);
  EXPECT_EQ(skipped.outlinePoints, 6);
}

TEST(TpsCurves, SpecimensWithOtherCurvesAreRefusedByNameAndEmptyCurvesAreKept) {
  EXPECT_EQ(errorOf([] {
              withCurves(
                  "LM=2\n0 0\n1 0\nCURVES=1\nPOINTS=2\n0 1\n1 1\n"
                  "LM=2\n0 0\n1 0\nCURVES=1\nPOINTS=3\n0 1\n1 1\n2 1\nID=W2\n");
            }),
            "The file wings.tps could not be loaded: curve 1 of specimen 2 (W2, line 8) has 3 "
            "points, but that of the first specimen has 2; every specimen needs the same curves.");
  EXPECT_EQ(errorOf([] {
              withCurves(
                  "LM=2\n0 0\n1 0\nOUTLINES=1\nPOINTS=3\n0 1\n1 1\n2 2\n"
                  "LM=2\n0 0\n1 0\n");
            }),
            "The file wings.tps could not be loaded: specimen 2 (line 9) has 0 outlines, but the "
            "first specimen has 1; every specimen needs the same curves.");
  const TpsData empty = withCurves(
      "LM=3\n0 0\n1 0\n0 1\nCURVES=2\nPOINTS=0\nPOINTS=3\n1 1\n2 1\n3 1\n"
      "LM=3\n0 0\n1 0\n0 1\nCURVES=2\nPOINTS=0\nPOINTS=3\n1 2\n2 2\n3 2\n");
  EXPECT_EQ(empty.curves, (std::vector<TpsCurve>{{0, false}, {3, false}}));
  EXPECT_EQ(empty.data.cols(), 13);
  EXPECT_EQ(curveSliders(empty.curves, empty.landmarks, false), (std::vector<Slider>{{3, 4, 5}}));
}

TEST(TpsCurves, OpenCurvesSlideInsideAndOutlinesAllRound) {
  const std::vector<TpsCurve> curves = {{4, false}, {3, true}, {2, false}};
  EXPECT_EQ(curveSliders(curves, 2, false),
            (std::vector<Slider>{{2, 3, 4}, {3, 4, 5}, {8, 6, 7}, {6, 7, 8}, {7, 8, 6}}));
  EXPECT_EQ(curveSliders(curves, 2, true), (std::vector<Slider>{{2, 2, 3},
                                                                {2, 3, 4},
                                                                {3, 4, 5},
                                                                {4, 5, 5},
                                                                {8, 6, 7},
                                                                {6, 7, 8},
                                                                {7, 8, 6},
                                                                {9, 9, 10},
                                                                {9, 10, 10}}));
  EXPECT_EQ(slidingSummary(60, 54, 6), "60 points: 6 landmarks, 54 sliding on 6 curves");
  EXPECT_EQ(slidingSummary(10, 3, 0), "10 points: 7 landmarks, 3 sliding");
}

TEST(SlidersFile, ReadsTriplesAndNamesTheLineOfEveryFault) {
  std::istringstream good("# before slider after\n1 2 3\n2,3,4\n\n3\t4\t5\n");
  EXPECT_EQ(readSliders(good, "s.txt", 5), (std::vector<Slider>{{0, 1, 2}, {1, 2, 3}, {2, 3, 4}}));
  const auto error = [](const std::string& text) {
    return errorOf([&] {
      std::istringstream in(text);
      readSliders(in, "s.txt", 5);
    });
  };
  const std::string head = "The file s.txt could not be loaded: line 2 ";
  EXPECT_EQ(error("1 2 3\n1 2\n"),
            head +
                "holds 2 words, but a slider line holds three point numbers: before, slider, "
                "after.");
  EXPECT_EQ(error("1 2 3\n2 3 6\n"),
            head + "holds \"6\", which is not a point number from 1 to 5.");
  EXPECT_EQ(error("1 2 3\n2 3.5 4\n"),
            head + "holds \"3.5\", which is not a point number from 1 to 5.");
  EXPECT_EQ(error("1 2 3\n0 3 4\n"),
            head + "holds \"0\", which is not a point number from 1 to 5.");
  EXPECT_EQ(error("1 2 3\n4 3 4\n"),
            head + "names a point twice; a slider needs three different points.");
  EXPECT_EQ(error("1 2 3\n3 2 4\n"), head + "makes point 2 slide again (line 1 already does).");
}

}  // namespace
}  // namespace varnok::io
