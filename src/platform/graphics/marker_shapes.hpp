// The thirteen marker shapes, in one table: letter, long name and outline,
// in the order symbol code tables number them (1 is ".", 13 is "h").
//
// Everything that knows a marker reads it from here: line-style codes, the
// Marker property, the renderer, and the displays that turn a symbol code
// into a marker letter (kMarkers[code - 1]). Nothing here needs Cairo.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace varnok::graphics {

struct MarkerDef {
  enum class Kind {
    Dot,      // a filled dot a third of the size across (at least 1.5 pixels)
    Circle,   // diameter = size
    Polygon,  // count vertices, alternating between radii outer and inner
    Spokes,   // count segments of radius outer through the centre
  };
  char letter;
  std::string_view name;  // the long name the Marker property also takes, or empty
  Kind kind;
  int count;
  double outer, inner;  // radii in halves of the marker size
  double startDeg;      // the first vertex or spoke: 0 is right, 90 is down
};

// The shapes other than the circle are scaled so they carry about the same
// weight on the page as a circle of the same size.
inline constexpr std::array<MarkerDef, 13> kMarkerTable = {{
    {'.', "point", MarkerDef::Kind::Dot, 0, 1.0 / 3, 0, 0},
    {'o', "circle", MarkerDef::Kind::Circle, 0, 1, 0, 0},
    {'x', "cross", MarkerDef::Kind::Spokes, 2, 1.0606601717798212, 0, 45},  // 0.75 sqrt 2
    {'+', "plus", MarkerDef::Kind::Spokes, 2, 1, 0, 0},
    {'*', "asterisk", MarkerDef::Kind::Spokes, 4, 1, 0, 0},
    {'s', "square", MarkerDef::Kind::Polygon, 4, 1.2020815280171309, 1.2020815280171309,
     45},  // half side 0.85
    {'d', "diamond", MarkerDef::Kind::Polygon, 4, 1.15, 1.15, -90},
    {'v', "", MarkerDef::Kind::Polygon, 3, 1.3, 1.3, 90},
    {'^', "", MarkerDef::Kind::Polygon, 3, 1.3, 1.3, -90},
    {'<', "", MarkerDef::Kind::Polygon, 3, 1.3, 1.3, 180},
    {'>', "", MarkerDef::Kind::Polygon, 3, 1.3, 1.3, 0},
    // Five points; the inner radius is that of a regular pentagram.
    {'p', "pentagram", MarkerDef::Kind::Polygon, 10, 1.35, 1.35 * 0.381966, -90},
    // Six points, two interlaced triangles: inner = outer / sqrt 3.
    {'h', "hexagram", MarkerDef::Kind::Polygon, 12, 1.25, 0.7216878364870323, -90},
}};

namespace detail {
inline constexpr std::array<char, kMarkerTable.size() + 1> markerLetters() {
  std::array<char, kMarkerTable.size() + 1> out{};
  for (std::size_t i = 0; i < kMarkerTable.size(); ++i) out[i] = kMarkerTable[i].letter;
  return out;
}
inline constexpr auto kMarkerLetters = markerLetters();
}  // namespace detail

// The thirteen marker letters ".ox+*sdv^<>ph", in table order.
inline constexpr std::string_view kMarkers{detail::kMarkerLetters.data(), kMarkerTable.size()};

// The table entry of a marker letter, or null.
const MarkerDef* markerDef(char letter);

// The marker letter of a Marker property value: a letter, or a long name
// without regard to case ("Circle"); nullopt for anything else.
std::optional<char> markerFromName(std::string_view name);

// A marker's outline relative to its centre, in pixels (y downwards).
struct MarkerShape {
  enum class Kind { Circle, Dot, Polygon, Strokes };
  Kind kind = Kind::Circle;
  double radius = 0;  // Circle and Dot
  int count = 0;      // vertices, or segment end points in pairs
  std::array<std::array<double, 2>, 12> points{};
  bool fillable() const { return kind != Kind::Strokes; }
};

// The outline of a marker of size sizePx (an unknown letter gives the circle).
MarkerShape markerShape(char marker, double sizePx);

}  // namespace varnok::graphics
