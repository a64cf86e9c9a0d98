// Drawing the graphics model with Cairo, on screen and into files.
//
// The same code paints the screen (the Qt widget shows a Cairo image surface)
// and writes PNG, SVG, PDF and EPS, so a saved picture looks like the window.
#pragma once

#include <string>

#include <cairo.h>

#include "platform/graphics/graphics.hpp"

namespace varnok::graphics {

// Paints the whole figure (background, axes box, ticks and labels, title,
// children) into a width x height area of cr, in device units (pixels for
// the screen, points for vector files).
void render(const Figure& fig, cairo_t* cr, double width, double height);

enum class PictureFormat { Png, Svg, Pdf, Eps };

// Format from the file name's extension (case-insensitive: .png .svg .pdf
// .eps); nullopt when it is none of them.
std::optional<PictureFormat> formatFromPath(const std::string& path);

// Writes the figure to a file, completely or not at all (a temporary file in
// the same folder is renamed over the target). Throws RuntimeError with a
// clear message when the file cannot be written.
void savePicture(const Figure& fig, const std::string& path, PictureFormat format,
                 double width = 800, double height = 600);

}  // namespace varnok::graphics
