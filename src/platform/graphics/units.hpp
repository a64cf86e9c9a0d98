// Units of figure and axes positions and the screen they are measured on.
#pragma once

#include <array>
#include <initializer_list>
#include <string_view>

namespace varnok::graphics {

// Screen geometry used to convert between units: 96 pixels per inch, so one
// point is 4/3 pixel; a character cell is 5 x 13 pixels (the width of an "x"
// and the line spacing of the default interface font).
inline constexpr double kPixelsPerPoint = 96.0 / 72.0;
inline constexpr double kCharWidthPx = 5.0;
inline constexpr double kCharHeightPx = 13.0;
// The screen a figure in "normalized" units is measured against.
inline constexpr double kScreenWidthPx = 1920.0;
inline constexpr double kScreenHeightPx = 1080.0;

// Pixels per unit along x and y for an absolute unit ("pixels", "points",
// "inches", "centimeters", "characters"); RuntimeError for any other name.
std::array<double, 2> pixelsPerUnit(std::string_view units);

// Converts a position [left bottom width height] between units;
// "normalized" is relative to ref (width, height in pixels).
std::array<double, 4> convertPosition(const std::array<double, 4>& p, std::string_view from,
                                      std::string_view to, std::array<double, 2> ref);

// The units Position may be given in.
inline const std::initializer_list<std::string_view> kUnits = {
    "pixels", "normalized", "inches", "centimeters", "points", "characters"};

}  // namespace varnok::graphics
