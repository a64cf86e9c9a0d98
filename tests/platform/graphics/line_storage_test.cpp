// A line's compact storage: XData and YData in one block (one point in
// place), the line style in a byte, an empty tag in a pointer; each behaves
// as the plain vectors and texts it replaces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/graphics/graphics.hpp"
#include "platform/graphics/render.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

using V = std::vector<double>;

bool inside(const void* p, const void* obj, std::size_t size) {
  const auto a = reinterpret_cast<std::uintptr_t>(p), o = reinterpret_cast<std::uintptr_t>(obj);
  return a >= o && a < o + size;
}

TEST(LineStorage, DataOfEveryLengthSetOneAfterTheOther) {
  Line l;
  EXPECT_TRUE(l.xdata().empty());
  EXPECT_EQ(l.pointCount(), 0u);
  // Growing x first: until y follows, only min(sizes) points are drawn.
  l.set("XData", Value(Mat(Mat::Constant(1, 3, 2.0))));
  EXPECT_EQ(l.xdata(), (V{2, 2, 2}));
  EXPECT_TRUE(l.ydata().empty());
  EXPECT_EQ(l.pointCount(), 0u);
  l.set("YData", Value(Mat(Mat::Constant(1, 2, 5.0))));
  EXPECT_EQ(l.pointCount(), 2u);
  EXPECT_EQ(l.get("XData").matrix(), Mat(Mat::Constant(1, 3, 2.0)));
  EXPECT_EQ(l.get("YData").matrix(), Mat(Mat::Constant(1, 2, 5.0)));
  // Shrinking to one point and to none, through every combination.
  for (const V& x : {V{}, V{1}, V{1, 2}, V{1, 2, 3}})
    for (const V& y : {V{}, V{7}, V{7, 8}, V{7, 8, 9, 10}}) {
      l.setXData(x);
      l.setYData(y);
      EXPECT_EQ(l.xdata(), x);
      EXPECT_EQ(l.ydata(), y);
      EXPECT_EQ(l.pointCount(), std::min(x.size(), y.size()));
    }
  // A line's own values set again (the view points into its own block).
  l.setData(V{1, 2, 3}, V{4, 5, 6});
  l.setXData(l.ydata());
  EXPECT_EQ(l.xdata(), (V{4, 5, 6}));
  l.setData(l.ydata(), l.xdata());
  EXPECT_EQ(l.ydata(), (V{4, 5, 6}));
  l.setData({9}, {8});
  l.setYData(l.xdata());
  EXPECT_EQ(l.ydata(), (V{9}));
  EXPECT_THROW(l.xdata().at(1), std::out_of_range);
}

TEST(LineStorage, CopiesAndMovesOwnTheirPoints) {
  for (const V& x : {V{}, V{1}, V{1, 2, 3, 4}}) {
    Line a;
    a.setData(x, x);
    a.tag = "landmarks";
    Line b = a;
    a.setData({0}, {0});
    a.tag = "";
    EXPECT_EQ(b.xdata(), x);
    EXPECT_EQ(b.ydata(), x);
    EXPECT_EQ(b.tag, "landmarks");
    Line c = std::move(b);
    EXPECT_EQ(c.ydata(), x);
    b = c;  // a moved-from line takes a copy again
    EXPECT_EQ(b.xdata(), x);
    c = std::move(b);
    EXPECT_EQ(c.xdata(), x);
    const Line& same = c;
    c = same;  // self-assignment keeps the points
    EXPECT_EQ(c.xdata(), x);
  }
}

TEST(LineStorage, OnePointLivesInTheObject) {
  // The lines a group turns into, and single markers plotted one by one,
  // take no block of their own.
  Figure f;
  Line& one = f.axes().plot(V{3}, V{4}, "ko");
  EXPECT_TRUE(inside(one.xdata().data(), &one, sizeof one));
  EXPECT_TRUE(inside(one.ydata().data(), &one, sizeof one));
  Line& two = f.axes().plot(V{3, 5}, V{4, 6});
  EXPECT_FALSE(inside(two.xdata().data(), &two, sizeof two));
  // One block, x values then y values.
  EXPECT_EQ(two.xdata().data() + 2, two.ydata().data());
}

TEST(LineStorage, LineStyleNamesAndTags) {
  Line l;
  EXPECT_EQ(l.get("LineStyle").text(), "-");
  for (const char* s : {"--", ":", "-.", "none", "-"}) {
    l.set("LineStyle", Value(s));
    EXPECT_EQ(l.lineStyle, s);
    EXPECT_EQ(l.get("LineStyle").text(), s);
  }
  EXPECT_THROW(l.set("LineStyle", Value("==")), RuntimeError);
  EXPECT_EQ(l.lineStyle, "-");  // a refused value leaves the style
  EXPECT_THROW(LineStyleName("dotted"), RuntimeError);
  EXPECT_TRUE(LineStyleName("none").none());

  EXPECT_TRUE(l.tag.empty());
  EXPECT_EQ(l.get("Tag").text(), "");
  l.set("Tag", Value("group 2"));
  EXPECT_EQ(l.get("Tag").text(), "group 2");
  l.set("Tag", Value(""));
  EXPECT_TRUE(l.tag.empty());
}

TEST(LineStorage, HugeAndNonFiniteDataDrawAsBefore) {
  // NaN breaks a line, infinities are left out of the limits.
  Figure f;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Line& l = f.axes().plot(V{0, 1, nan, 3, 4},
                          V{0, 1, 2, 3, std::numeric_limits<double>::infinity()}, "k-o");
  EXPECT_EQ(l.pointCount(), 5u);
  EXPECT_EQ(f.axes().dataExtent(), (Limits{0, 3, 0, 3}));
  EXPECT_FALSE(renderPicture(f, PictureFormat::Png, 200, 150).empty());
}

}  // namespace
}  // namespace varnok::graphics
