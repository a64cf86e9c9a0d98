#include "platform/graphics/marker_shapes.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace varnok::graphics {

const MarkerDef* markerDef(char letter) {
  for (const MarkerDef& d : kMarkerTable)
    if (d.letter == letter) return &d;
  return nullptr;
}

std::optional<char> markerFromName(std::string_view name) {
  for (const MarkerDef& d : kMarkerTable) {
    if (name.size() == 1 && std::tolower(static_cast<unsigned char>(name[0])) == d.letter)
      return d.letter;
    if (d.name.empty() || d.name.size() != name.size()) continue;
    const bool same = std::equal(name.begin(), name.end(), d.name.begin(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == b;
    });
    if (same) return d.letter;
  }
  return std::nullopt;
}

MarkerShape markerShape(char marker, double sizePx) {
  const double r = sizePx / 2;
  const MarkerDef* d = markerDef(marker);
  if (d == nullptr) d = markerDef('o');
  MarkerShape s;
  const auto at = [](double radius, double deg) {
    const double a = deg * std::numbers::pi / 180.0;
    return std::array<double, 2>{radius * std::cos(a), radius * std::sin(a)};
  };
  switch (d->kind) {
    case MarkerDef::Kind::Dot:
      s.kind = MarkerShape::Kind::Dot;
      s.radius = std::max(d->outer * r, 0.75);
      break;
    case MarkerDef::Kind::Circle:
      s.kind = MarkerShape::Kind::Circle;
      s.radius = d->outer * r;
      break;
    case MarkerDef::Kind::Spokes:
      s.kind = MarkerShape::Kind::Strokes;
      for (int i = 0; i < d->count; ++i) {
        const double deg = d->startDeg + 180.0 * i / d->count;
        s.points[static_cast<std::size_t>(s.count++)] = at(-d->outer * r, deg);
        s.points[static_cast<std::size_t>(s.count++)] = at(d->outer * r, deg);
      }
      break;
    case MarkerDef::Kind::Polygon: {
      s.kind = MarkerShape::Kind::Polygon;
      s.count = d->count;
      for (int i = 0; i < d->count; ++i) {
        const double radius = (i % 2 == 0 ? d->outer : d->inner) * r;
        s.points[static_cast<std::size_t>(i)] = at(radius, d->startDeg + 360.0 * i / d->count);
      }
      // Centre the bounding box on the point, so a triangle sits where the
      // eye expects it rather than at its centroid.
      double lo[2] = {0, 0}, hi[2] = {0, 0};
      for (int i = 0; i < s.count; ++i) {
        for (int k = 0; k < 2; ++k) {
          lo[k] = std::min(lo[k], s.points[static_cast<std::size_t>(i)][k]);
          hi[k] = std::max(hi[k], s.points[static_cast<std::size_t>(i)][k]);
        }
      }
      for (int i = 0; i < s.count; ++i) {
        for (int k = 0; k < 2; ++k)
          s.points[static_cast<std::size_t>(i)][k] -= 0.5 * (lo[k] + hi[k]);
      }
      break;
    }
  }
  return s;
}

}  // namespace varnok::graphics
