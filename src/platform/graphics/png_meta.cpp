#include "platform/graphics/png_meta.hpp"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {

namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);

void putBig32(std::string& out, std::uint32_t v) {
  out += static_cast<char>((v >> 24) & 0xff);
  out += static_cast<char>((v >> 16) & 0xff);
  out += static_cast<char>((v >> 8) & 0xff);
  out += static_cast<char>(v & 0xff);
}

std::uint32_t getBig32(std::string_view s, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

struct Chunk {
  std::size_t offset = 0;  // of its length field
  std::size_t size = 0;    // length, type, data and CRC
  std::string_view type;
};

// The chunk at offset, or nullopt when the bytes end inside it.
std::optional<Chunk> chunkAt(std::string_view png, std::size_t offset) {
  if (png.size() < offset + 12) return std::nullopt;
  const std::uint32_t length = getBig32(png, offset);
  if (length > png.size() - offset - 12) return std::nullopt;
  return Chunk{offset, std::size_t{length} + 12, png.substr(offset + 4, 4)};
}

}  // namespace

std::uint32_t pngCrc32(std::string_view data) {
  // zlib takes at most a uInt at a time; chunks are far smaller, but the
  // loop keeps any length right.
  uLong c = crc32(0L, Z_NULL, 0);
  const auto* p = reinterpret_cast<const Bytef*>(data.data());
  for (std::size_t left = data.size(); left > 0;) {
    const auto n = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
    c = crc32(c, p, n);
    p += n;
    left -= n;
  }
  return static_cast<std::uint32_t>(c);
}

std::uint32_t pixelsPerMetre(double dpi) {
  return static_cast<std::uint32_t>(std::lround(dpi / 0.0254));
}

std::string pngPhysChunk(double dpi) {
  std::string body = "pHYs";
  const std::uint32_t ppm = pixelsPerMetre(dpi);
  putBig32(body, ppm);
  putBig32(body, ppm);
  body += '\x01';  // the unit is the metre
  std::string chunk;
  putBig32(chunk, 9);
  chunk += body;
  putBig32(chunk, pngCrc32(body));
  return chunk;
}

std::string withPngResolution(std::string png, double dpi) {
  if (!(dpi > 0) || !std::isfinite(dpi) || dpi / 0.0254 > 4e9)
    throw RuntimeError("A picture resolution must be a positive number of dots per inch.");
  const std::string_view view(png);
  if (!view.starts_with(kSignature)) throw RuntimeError("The picture is not a PNG image.");
  const auto header = chunkAt(view, kSignature.size());
  if (!header || header->type != "IHDR") throw RuntimeError("The PNG image has no header.");
  const std::size_t insertAt = header->offset + header->size;
  // An older statement of the resolution goes; it may be anywhere before
  // the image data.
  for (std::size_t at = insertAt; at < png.size();) {
    const auto c = chunkAt(png, at);
    if (!c || c->type == "IDAT") break;
    if (c->type == "pHYs") {
      png.erase(at, c->size);
      break;
    }
    at += c->size;
  }
  png.insert(insertAt, pngPhysChunk(dpi));
  return png;
}

double pngResolution(std::string_view png) {
  if (!png.starts_with(kSignature)) return 0;
  for (std::size_t at = kSignature.size(); at < png.size();) {
    const auto c = chunkAt(png, at);
    if (!c || c->type == "IDAT") return 0;
    if (c->type == "pHYs" && c->size == 21 && png[at + 16] == 1)
      return getBig32(png, at + 8) * 0.0254;
    at += c->size;
  }
  return 0;
}

}  // namespace varnok::graphics
