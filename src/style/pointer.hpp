// Pointer shapes of the main window: a fish, or the standard arrow.
#pragma once

#include "platform/graphics/graphics.hpp"

namespace varnok::style {

// The 16 x 16 fish: 1 black, 2 white, NaN transparent; row 1 at the top.
Mat fishPointer();

// Pointer "custom" with the fish as its shape.
void spiffyfish(graphics::Figure& fig);
// Pointer "Arrow"; the custom shape data stay with the window.
void boringcursor(graphics::Figure& fig);

}  // namespace varnok::style
