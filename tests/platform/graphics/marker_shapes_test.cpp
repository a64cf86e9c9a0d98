#include "platform/graphics/marker_shapes.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

TEST(MarkerTable, LettersInSymbolCodeOrder) {
  // Symbol code tables number the markers 1 to 13 in this order; files
  // written by users depend on it.
  EXPECT_EQ(kMarkers, ".ox+*sdv^<>ph");
  std::set<char> letters;
  for (const MarkerDef& d : kMarkerTable) letters.insert(d.letter);
  EXPECT_EQ(letters.size(), kMarkerTable.size());
  EXPECT_EQ(markerDef('q'), nullptr);
  EXPECT_EQ(markerDef('h')->name, "hexagram");
}

TEST(MarkerTable, NamesAndLettersOfTheMarkerProperty) {
  EXPECT_EQ(markerFromName("o"), 'o');
  EXPECT_EQ(markerFromName("S"), 's');
  EXPECT_EQ(markerFromName("Pentagram"), 'p');
  EXPECT_EQ(markerFromName("cross"), 'x');
  EXPECT_EQ(markerFromName("^"), '^');
  EXPECT_EQ(markerFromName("none"), std::nullopt);
  EXPECT_EQ(markerFromName("circles"), std::nullopt);
  EXPECT_EQ(markerFromName(""), std::nullopt);

  Line l;
  l.set("Marker", "Hexagram");
  EXPECT_EQ(l.marker, 'h');
  l.set("Marker", "NONE");
  EXPECT_EQ(l.marker, 0);
  try {
    l.set("Marker", "q");
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    const std::string m = e.what();
    EXPECT_EQ(m.rfind("Bad value for the Marker property of the Line class: must be one of \".\", "
                      "\"o\", \"x\"",
                      0),
              0u)
        << m;
    EXPECT_NE(m.find("\"none\", \"point\", \"circle\""), std::string::npos) << m;
  }
}

TEST(MarkerTable, EveryShapeSpansAboutItsSizeAroundItsCentre) {
  for (char letter : kMarkers) {
    const MarkerShape s = markerShape(letter, 12);
    double lo[2] = {0, 0}, hi[2] = {0, 0};
    if (s.kind == MarkerShape::Kind::Circle || s.kind == MarkerShape::Kind::Dot) {
      lo[0] = lo[1] = -s.radius;
      hi[0] = hi[1] = s.radius;
    }
    for (int i = 0; i < s.count; ++i) {
      for (int k = 0; k < 2; ++k) {
        lo[k] = std::min(lo[k], s.points[static_cast<std::size_t>(i)][k]);
        hi[k] = std::max(hi[k], s.points[static_cast<std::size_t>(i)][k]);
      }
    }
    const double w = hi[0] - lo[0], h = hi[1] - lo[1];
    // Centred on the point.
    EXPECT_NEAR(lo[0] + hi[0], 0, 1e-9) << letter;
    EXPECT_NEAR(lo[1] + hi[1], 0, 1e-9) << letter;
    if (letter == '.') {
      EXPECT_NEAR(w, 4, 1e-9);  // a third of the size
      continue;
    }
    EXPECT_GE(std::max(w, h), 8.9) << letter;
    EXPECT_LT(std::max(w, h), 17) << letter;
  }
  // Strokes are never filled; the cross's arms are diagonal, the plus's not.
  EXPECT_FALSE(markerShape('x', 10).fillable());
  EXPECT_NEAR(std::abs(markerShape('x', 10).points[0][0]),
              std::abs(markerShape('x', 10).points[0][1]), 1e-9);
  EXPECT_NEAR(markerShape('+', 10).points[0][1], 0, 1e-9);
  EXPECT_EQ(markerShape('*', 10).count, 8);
  // An upward triangle has its point at the top (y downwards).
  const MarkerShape up = markerShape('^', 10);
  EXPECT_NEAR(up.points[0][0], 0, 1e-9);
  EXPECT_LT(up.points[0][1], up.points[1][1]);
  EXPECT_EQ(markerShape('p', 10).count, 10);
  EXPECT_EQ(markerShape('h', 10).count, 12);
}

}  // namespace
}  // namespace varnok::graphics
