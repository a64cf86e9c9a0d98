// Drawing the graphics model with Cairo, on screen and into files.
//
// The same code paints the screen (the Qt widget shows a Cairo image surface)
// and writes PNG, SVG, PDF and EPS, so a saved picture looks like the window.
#pragma once

#include <cairo.h>

#include <array>
#include <optional>
#include <string>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/progress.hpp"

namespace varnok::graphics {

// Paints the whole figure (background, axes box, ticks and labels, title,
// children) into the area (0, 0)-(width, height) of cr's user space.
//
// User units are screen pixels at 96 dpi: sizes given in points (markers,
// line widths, fonts) are drawn at 4/3 unit per point. A widget passes its
// size in pixels (with a cairo_scale for high-density screens); vector files
// scale by 0.75 so the picture comes out in points. The axes box follows the
// axes Position taken in a figure of width x height pixels, and the limits
// are those of Axes::limitsFor that box, so equal units stay equal in every
// picture.
//
// progress hears start("Drawing the picture", points) and advance() in
// steps of many thousand points, so a picture that takes long to draw can
// say how far it is; when it reports cancelled() the rest of the objects
// are left out.
void render(const Figure& fig, cairo_t* cr, double width, double height,
            Progress& progress = noProgress());

// The points a render of the figure draws (markers and line vertices of the
// visible lines and point groups, plus one for every other object): how
// long a picture takes to draw, known before drawing it.
std::size_t drawingWork(const Figure& fig);

// The plot box of the axes, [left top width height] in the user units of
// render (origin at the top left), for a figure drawn at width x height.
std::array<double, 4> plotBox(const Figure& fig, double width, double height);

// The data coordinates (x, y) of the point (px, py) of a figure drawn at
// width x height (origin at the top left, y downwards), as used by pointer
// input; points outside the box map outside the limits.
std::array<double, 2> pixelToData(const Figure& fig, double width, double height, double px,
                                  double py);

enum class PictureFormat { Png, Svg, Pdf, Eps };

// Format from the file name's extension (case-insensitive: .png .svg .pdf
// .eps); nullopt when it is none of them.
std::optional<PictureFormat> formatFromPath(const std::string& path);

// The figure as the bytes of a picture file, in memory: what the file save,
// script mode and the clipboard all use, so a pasted picture is the saved
// one. width and height are the figure's size in screen pixels, 0 for the
// figure's own size (Position); PNG pictures get twice as many pixels,
// vector pictures are 0.75 point per pixel. Throws RuntimeError when the
// size is not between 1 and 16000 pixels or Cairo fails.
std::string renderPicture(const Figure& fig, PictureFormat format, double width = 0,
                          double height = 0);

// Writes renderPicture's bytes to a file with the atomic writer of
// platform/matrix/files (completely or not at all). Throws RuntimeError
// naming the file when the picture cannot be drawn or written; the file is
// then as it was.
void savePicture(const Figure& fig, const std::string& path, PictureFormat format, double width = 0,
                 double height = 0);

}  // namespace varnok::graphics
