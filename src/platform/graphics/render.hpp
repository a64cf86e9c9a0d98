// Drawing the graphics model with Cairo, on screen and into files.
//
// The same code paints the screen (the Qt widget shows a Cairo image surface)
// and writes PNG, SVG, PDF and EPS (export.hpp), so a saved picture looks like
// the window.
#pragma once

#include <cairo.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/graphics/backend.hpp"
#include "platform/graphics/export.hpp"
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

// What a picture for a page changes from the window's look.
struct RenderOptions {
  // Painted around the axes instead of the figure's own colour.
  std::optional<Rgb> background;
};
void render(const Figure& fig, cairo_t* cr, double width, double height,
            const RenderOptions& options);
void render(const Figure& fig, cairo_t* cr, double width, double height,
            const RenderOptions& options, Progress& progress);
// The same on any drawing backend: the layout and what is drawn do not
// depend on it.
void render(const Figure& fig, DrawingBackend& b, double width, double height,
            const RenderOptions& options, Progress& progress);

// The plot box of the axes, [left top width height] in the user units of
// render (origin at the top left), for a figure drawn at width x height.
std::array<double, 4> plotBox(const Figure& fig, double width, double height);

// The box [left top width height] of the axes' legend, in the user units of
// render, for a figure drawn at width x height; nullopt when none is drawn.
std::optional<std::array<double, 4>> legendBox(const Figure& fig, double width, double height);

// The data coordinates (x, y) of the point (px, py) of a figure drawn at
// width x height (origin at the top left, y downwards), as used by pointer
// input; points outside the box map outside the limits.
std::array<double, 2> pixelToData(const Figure& fig, double width, double height, double px,
                                  double py);

// Where a box of boxWidth x boxHeight pixels laid over the picture hides the
// fewest of its points (line vertices and markers, texts), and the legend
// if it can: one of the four corners of the plot box, margin pixels inside
// it, as [left top width height] from the top left of a figure drawn at
// width x height. Ties go to the top right, then the top left, the bottom
// right, the bottom left.
std::array<double, 4> emptiestCorner(const Figure& fig, double width, double height,
                                     double boxWidth, double boxHeight, double margin);

}  // namespace varnok::graphics
