// aheadw: the arrow head at the end of a landmark vector.
#pragma once

#include "platform/graphics/graphics.hpp"

namespace varnok::display {

// Half the opening of the head: 20 degrees either side of the vector.
inline constexpr double kArrowHeadHalfAngle = 0.3490658503988659;

// AHEADW  Two barbs of length l (data units) from the end point (x2, y2) back
// along the vector from (x1, y1), opening 20 degrees either side of it, solid
// black and 1 point wide whatever the vector's own style. A vector of length
// zero points along +x (atan2(0, 0) = 0). Switches hold on.
void aheadw(graphics::Axes& ax, double x1, double y1, double x2, double y2, double l);

}  // namespace varnok::display
