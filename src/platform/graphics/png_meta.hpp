// The physical resolution of a PNG picture: its pHYs chunk.
//
// Cairo writes PNG files without one, so programs that lay pictures out on a
// page (word processors, typesetting) take them at their own default
// resolution and print an 85 mm figure at the wrong size. The chunk holds
// pixels per metre for x and y and the unit byte 1 (metre); it must come
// before the image data, so it goes straight after the header chunk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnok::graphics {

// The CRC-32 of PNG chunks (ISO 3309, polynomial 0xEDB88320) of data.
std::uint32_t pngCrc32(std::string_view data);

// Pixels per metre for dots per inch, rounded to the nearest whole number.
std::uint32_t pixelsPerMetre(double dpi);

// The chunk itself: length, "pHYs", the two counts and the unit, the CRC.
std::string pngPhysChunk(double dpi);

// png with its resolution set to dpi: a pHYs chunk after the header chunk,
// replacing one that is there. Throws RuntimeError when png is not a PNG
// file or dpi is not a positive number.
std::string withPngResolution(std::string png, double dpi);

// The resolution a PNG file states in dots per inch (x direction), or 0
// when it states none or is no PNG file.
double pngResolution(std::string_view png);

}  // namespace varnok::graphics
