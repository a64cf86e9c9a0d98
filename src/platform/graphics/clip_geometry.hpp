// Cutting lines and polygons to rectangles in double precision, before a
// backend with fixed-point coordinates sees them.
#pragma once

#include <array>
#include <vector>

namespace varnok::graphics {

// Liang-Barsky clipping of the segment a-b to the rectangle r = [xmin xmax
// ymin ymax]; false when nothing is left.
bool clipSegment(double& ax, double& ay, double& bx, double& by, const std::array<double, 4>& r);

// Sutherland-Hodgman clipping of a polygon to the rectangle r.
std::vector<std::array<double, 2>> clipPolygon(std::vector<std::array<double, 2>> poly,
                                               const std::array<double, 4>& r);

}  // namespace varnok::graphics
