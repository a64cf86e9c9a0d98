// The retained graphics object model: a Figure with one current Axes whose
// children (lines, texts, patches, arrow fields, filled contours) are drawn in
// order.
//
// Actions build pictures with plot/text/quiver/contourf/title/axis/cla/hold
// exactly as a user of an interactive plotting runtime would; tests inspect
// the model; the renderer (render.hpp) draws it on screen and into files.
// Every object has a numeric handle and a Type ("line", "text", "patch",
// "quiver" in quiver.hpp, "contour" in contour.hpp); properties can be read
// and written by name with get/set, using the runtime's property names
// (case-insensitive), through one table per class (properties.hpp).
//
// Changing a public field directly does not count as a change for repainting:
// call Figure::touch() afterwards (get/set and the Axes operations do it).
//
// The model lives in color.hpp, units.hpp, storage.hpp, objects.hpp,
// axes.hpp and figure.hpp; this header brings them all in.
#pragma once

#include "platform/graphics/axes.hpp"
#include "platform/graphics/color.hpp"
#include "platform/graphics/figure.hpp"
#include "platform/graphics/objects.hpp"
#include "platform/graphics/storage.hpp"
#include "platform/graphics/units.hpp"
