#include "platform/graphics/units.hpp"

#include "platform/graphics/properties.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {

using props::ieq;
using props::quoted;

std::array<double, 2> pixelsPerUnit(std::string_view units) {
  if (ieq(units, "pixels")) return {1, 1};
  if (ieq(units, "points")) return {kPixelsPerPoint, kPixelsPerPoint};
  if (ieq(units, "inches")) return {96, 96};
  if (ieq(units, "centimeters")) return {96 / 2.54, 96 / 2.54};
  if (ieq(units, "characters")) return {kCharWidthPx, kCharHeightPx};
  throw RuntimeError(
      "Unknown units " + quoted(units) +
      ": use \"pixels\", \"points\", \"inches\", \"centimeters\" or \"characters\".");
}

// Converts a position between units; "normalized" is relative to ref
// (width, height in pixels).
std::array<double, 4> convertPosition(const std::array<double, 4>& p, std::string_view from,
                                      std::string_view to, std::array<double, 2> ref) {
  const auto scale = [&](std::string_view u) -> std::array<double, 2> {
    if (ieq(u, "normalized")) return ref;
    return pixelsPerUnit(u);
  };
  const auto a = scale(from), b = scale(to);
  return {p[0] * a[0] / b[0], p[1] * a[1] / b[1], p[2] * a[0] / b[0], p[3] * a[1] / b[1]};
}

}  // namespace varnok::graphics
