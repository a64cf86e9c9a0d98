// Picture files of a figure: formats, sizes and resolutions, the surfaces
// that draw them and the files they are written to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/graphics/graphics.hpp"

namespace varnok::graphics {

enum class PictureFormat { Png, Svg, Pdf, Eps };

// Format from the file name's extension (case-insensitive: .png .svg .pdf
// .eps); nullopt when it is none of them.
std::optional<PictureFormat> formatFromPath(const std::string& path);

// The figure as the bytes of a picture file, in memory: what the file save,
// script mode and the clipboard all use, so a pasted picture is the saved
// one. width and height are the figure's size in screen pixels, 0 for the
// figure's own size (Position); PNG pictures get twice as many pixels,
// vector pictures are 0.75 point per pixel. Throws RuntimeError when the
// size is outside the limits below or Cairo fails.
std::string renderPicture(const Figure& fig, PictureFormat format, double width = 0,
                          double height = 0);

// Writes renderPicture's bytes to a file with the atomic writer of
// platform/matrix/files (completely or not at all). Throws RuntimeError
// naming the file when the picture cannot be drawn or written; the file is
// then as it was.
void savePicture(const Figure& fig, const std::string& path, PictureFormat format, double width = 0,
                 double height = 0);

// Pictures for papers: a size in pixels or millimetres and a resolution.
//
// The picture is laid out at its printed size: fonts, markers and lines
// given in points keep their size on paper, so an 85 mm figure at 300 dpi
// looks like the same figure printed, with more pixels at a higher
// resolution. Vector files get the page size in points; PNG files get the
// pixels and state the resolution (pHYs). Every exported picture has a white
// background, whatever the window shows.
enum class SizeUnit { Pixels, Millimetres };
struct PictureSize {
  double width = 0, height = 0;
  SizeUnit unit = SizeUnit::Pixels;
  bool operator==(const PictureSize&) const = default;
};

struct ExportOptions {
  // nullopt: the figure's own size (the plot area on screen).
  std::optional<PictureSize> size;
  // Dots per inch; nullopt: 96 for a size in pixels (the screen's, so the
  // picture looks as the window does), 300 for millimetres, and twice the
  // screen's (192) for the figure's own size.
  std::optional<double> dpi;
};

// The limits of an exported picture. The checks, their messages, the Export
// Picture dialog and the README all quote these.
inline constexpr double kMinSidePx = 1;  // a side in pixels (or screen pixels)
inline constexpr double kMaxSidePx = 20000;
inline constexpr double kMaxPngPixels = 150e6;  // a PNG's pixels in all
inline constexpr double kMinSideMm = 2;         // a side in millimetres
inline constexpr double kMaxSideMm = 4000;
inline constexpr double kMinDpi = 10;
inline constexpr double kMaxDpi = 4800;
inline constexpr double kDefaultPrintDpi = 300;
inline constexpr double kMmPerInch = 25.4;

// Where the picture's pixels and points come from.
struct ExportLayout {
  double width = 0, height = 0;         // laid out in screen pixels (96 per inch)
  int pixelWidth = 0, pixelHeight = 0;  // of a PNG file
  double dpi = 0;
};

// The layout for options; throws RuntimeError saying what is wrong (a size
// that is not positive or outside kMinSidePx..kMaxSidePx or
// kMinSideMm..kMaxSideMm, a resolution outside kMinDpi..kMaxDpi, a PNG of
// more than kMaxSidePx a side or kMaxPngPixels).
ExportLayout exportLayout(const Figure& fig, PictureFormat format, const ExportOptions& options);

std::string renderPicture(const Figure& fig, PictureFormat format, const ExportOptions& options);
// As savePicture above, at the size and resolution of options.
void savePicture(const Figure& fig, const std::string& path, PictureFormat format,
                 const ExportOptions& options);

// Reads a size as scripts and dialogs write it: "WIDTHxHEIGHT" in pixels,
// optionally ending in "px", or ending in "mm" for millimetres ("85x60mm",
// "1200x900"). nullopt, with why set, for anything else.
std::optional<PictureSize> parsePictureSize(std::string_view text, std::string* why);

}  // namespace varnok::graphics
