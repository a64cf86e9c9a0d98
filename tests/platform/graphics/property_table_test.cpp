#include <gtest/gtest.h>

#include <cctype>
#include <functional>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

using V = std::vector<double>;

std::string messageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.what();
  }
  return "(no error)";
}

bool sameValue(const Value& a, const Value& b) {
  if (a.isText() || b.isText()) return a.isText() && b.isText() && a.text() == b.text();
  if (a.isMatrix() && b.isMatrix()) {
    const Mat &x = a.matrix(), &y = b.matrix();
    return x.rows() == y.rows() && x.cols() == y.cols() && (x.array() == y.array()).all();
  }
  return a.describe() == b.describe();
}

std::string mixedCase(const std::string& s) {
  std::string out = s;
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char>(i % 2 ? std::toupper(static_cast<unsigned char>(out[i]))
                                     : std::tolower(static_cast<unsigned char>(out[i])));
  return out;
}

// Every property of an object: read under any spelling, written back with
// what was read (or refused as read-only, in the runtime's words), and read
// again unchanged.
void expectEveryPropertyRoundTrips(Object& o, const std::vector<std::string>& readOnly) {
  const auto names = o.propertyNames();
  for (const std::string& name : names) {
    const Value before = o.get(name);
    EXPECT_TRUE(sameValue(o.get(mixedCase(name)), before)) << name;
    const bool ro = std::find(readOnly.begin(), readOnly.end(), name) != readOnly.end();
    if (ro) {
      EXPECT_EQ(
          messageOf([&] { o.set(mixedCase(name), before); }),
          "The " + mixedCase(name) + " property of the " + o.className() + " class is read-only.");
    } else {
      o.set(mixedCase(name), before);
      EXPECT_TRUE(sameValue(o.get(name), before)) << name;
    }
  }
}

TEST(PropertyTables, EveryPropertyOfLinesTextsAndPatchesRoundTrips) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  Line& l = ax.plot(V{1, 2}, V{3, 4}, "r--s",
                    {"MarkerFaceColor", "g", "LineWidth", 2.5, "Tag", "t", "MarkerSize", 9});
  Text& t = ax.text(1, 2, "two\nlines", {"FontSize", 14, "VerticalAlignment", "bottom"});
  Patch& p = ax.patch(V{0, 1, 1}, V{0, 0, 1}, ColorSpec::of({0, 0, 1}), {"EdgeColor", "k"});
  const std::vector<std::string> ro = {"Type", "Parent", "Children"};
  expectEveryPropertyRoundTrips(l, ro);
  expectEveryPropertyRoundTrips(t, ro);
  expectEveryPropertyRoundTrips(p, ro);
  EXPECT_EQ(l.propertyNames(),
            (std::vector<std::string>{"XData", "YData", "Color", "LineStyle", "LineWidth", "Marker",
                                      "MarkerSize", "MarkerFaceColor", "MarkerEdgeColor", "Type",
                                      "Tag", "Visible", "Parent", "Children"}));
  EXPECT_EQ(t.propertyNames().size(), 12u);
  EXPECT_EQ(p.propertyNames().size(), 10u);
}

TEST(PropertyTables, MessagesNameTheClassAndTheProperty) {
  Figure fig;
  Patch& p = fig.axes().patch(V{0, 1, 1}, V{0, 0, 1}, ColorSpec::of({0, 0, 1}));
  EXPECT_EQ(messageOf([&] { p.get("Marker"); }), "There is no Marker property on the Patch class.");
  EXPECT_EQ(messageOf([&] { p.set("CHILDREN", 1); }),
            "The CHILDREN property of the Patch class is read-only.");
  EXPECT_EQ(messageOf([&] { p.set("facecolor", "auto"); }),
            "Bad value for the FaceColor property of the Patch class: must be a colour, [r g b] "
            "with values from 0 to 1, or \"none\", not \"auto\".");
  EXPECT_EQ(messageOf([&] { p.set("Visible", "maybe"); }),
            "Bad value for the Visible property of the Patch class: must be one of \"on\", "
            "\"off\", not \"maybe\".");
  Text& t = fig.axes().text(0, 0, "x");
  EXPECT_EQ(messageOf([&] { t.set("Tag", 3); }),
            "Bad value for the Tag property of the Text class: must be a text, not [3].");
}

}  // namespace
}  // namespace varnok::graphics
