// How a line's marker properties resolve to paint, and the caps on sizes a
// picture can hold, whatever backend draws it.
//
// Sizes are in the renderer's user units (pixels).
#pragma once

#include <optional>

#include "platform/graphics/objects.hpp"

namespace varnok::graphics {

// The model takes any positive size, but a picture can only hold so much: a
// symbol code table asking for a marker of 18000 points, or a line 1e308
// points wide, must neither exhaust memory nor overflow Cairo's fixed-point
// coordinates. Sizes are capped at these (pixels) when drawn.
inline constexpr double kMaxMarkerSizePx = 2000;
inline constexpr double kMaxLineWidthPx = 1000;
inline constexpr double kMaxFontSizePx = 1000;

// A size in points as drawn: pixels, at most maxPx; nullopt when nothing can
// be drawn (NaN, infinities, zero or negative sizes).
std::optional<double> drawableSize(double points, double maxPx);

// What one marker paints once "auto" and "none" are resolved.
struct MarkerStyle {
  char marker = 0;
  double sizePx = 0;
  double lineWidthPx = 0;
  std::optional<Rgb> face;  // filled with this colour, or not filled
  std::optional<Rgb> edge;  // outlined in this colour, or not outlined
  double alpha = 1;         // opacity of face and edge
  bool paints() const { return marker != 0 && (face || edge); }
  bool operator==(const MarkerStyle&) const = default;
};

// The look of a line's markers on an axes of colour axesColor: MarkerEdgeColor
// "auto" is the line's Color, MarkerFaceColor "auto" the axes colour. Crosses,
// plus signs and asterisks are never filled; the point is always a filled dot
// in the edge colour (the face colour when the edge is "none"). Sizes are
// capped (drawableSize); a size that cannot be drawn paints nothing, a line
// width that cannot be drawn leaves the markers without an outline.
MarkerStyle markerStyleOf(const Line& line, Rgb axesColor);

}  // namespace varnok::graphics
