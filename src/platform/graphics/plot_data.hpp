// The data behind a picture, as JSON: every object of the axes with its
// coordinates and style, so a plot can be redrawn or checked elsewhere.
//
// {"format": "varnok plot data", "version": 1, "axes": {"xlim": [a, b],
//  "ylim": [c, d], "title": "...", "xlabel": "...", "ylabel": "...",
//  "legend": [...], "equalUnits": false, "objects": [...]}}
//
// Each legend entry has "label", "group" (the group code, 0 for none),
// "handle" (the line whose marker it shows) and that marker's "marker",
// "markerSize", "color", "markerFaceColor" and "markerEdgeColor".
//
// Objects come in drawing order (oldest first); each has "type", "handle",
// "tag" and "visible", then by type:
//   line     "x", "y", "color", "lineStyle", "lineWidth", "marker" (a letter
//            or "none"), "markerSize", "markerFaceColor", "markerEdgeColor"
//   text     "x", "y", "string", "color", "fontSize", "horizontalAlignment",
//            "verticalAlignment"
//   patch    "x", "y" (NaN separates rings), "faceColor", "edgeColor",
//            "lineWidth"
//   quiver   "X", "Y", "U", "V" (the matrices as given, as lists of rows),
//            "scale" (the factor applied to U and V), "autoScale",
//            "autoScaleFactor", "showArrowHead", "color", "lineWidth",
//            "lineStyle"
//   contour  "X", "Y", "Z" (as given), "levels", "bands" (each "lo", "hi",
//            "color", "polygons": rings of [x, y] points, the first point not
//            repeated, holes being rings inside others), "lines" (each
//            "level", "closed", "points"), "fill", "lineColor", "lineWidth"
// Colours are [r, g, b] from 0 to 1, or "none" / "auto" as the properties
// hold them. Numbers are written as the shortest text that reads back as the
// same double; NaN and infinities (which JSON lacks) are null.
// Texts are UTF-8 (bytes that are not are taken as Latin-1).
#pragma once

#include <string>

#include "platform/graphics/graphics.hpp"

namespace varnok::graphics {

std::string plotDataJson(const Figure& fig);

}  // namespace varnok::graphics
