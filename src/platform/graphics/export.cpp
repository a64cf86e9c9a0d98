#include "platform/graphics/export.hpp"

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <new>
#include <string>

#include "platform/graphics/png_meta.hpp"
#include "platform/graphics/render.hpp"
#include "platform/matrix/files.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

std::optional<PictureFormat> formatFromPath(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".png") return PictureFormat::Png;
  if (ext == ".svg") return PictureFormat::Svg;
  if (ext == ".pdf") return PictureFormat::Pdf;
  if (ext == ".eps") return PictureFormat::Eps;
  return std::nullopt;
}

namespace {

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length) {
  try {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  } catch (const std::bad_alloc&) {
    return CAIRO_STATUS_NO_MEMORY;
  }
  return CAIRO_STATUS_SUCCESS;
}

// Draws the figure laid out as layout says on a surface of the format
// writing into out, on white; returns Cairo's verdict. A PNG picture states
// its resolution.
cairo_status_t drawInto(const Figure& fig, PictureFormat format, const ExportLayout& layout,
                        std::string& out) {
  cairo_surface_t* surface = nullptr;
  double sx = 0.75, sy = 0.75;  // pixels to points
  const double w = layout.width, h = layout.height;
  switch (format) {
    case PictureFormat::Png:
      sx = layout.pixelWidth / w;
      sy = layout.pixelHeight / h;
      surface =
          cairo_image_surface_create(CAIRO_FORMAT_ARGB32, layout.pixelWidth, layout.pixelHeight);
      break;
    case PictureFormat::Svg:
      surface = cairo_svg_surface_create_for_stream(appendTo, &out, w * sx, h * sy);
      break;
    case PictureFormat::Pdf:
      surface = cairo_pdf_surface_create_for_stream(appendTo, &out, w * sx, h * sy);
      break;
    case PictureFormat::Eps:
      surface = cairo_ps_surface_create_for_stream(appendTo, &out, w * sx, h * sy);
      cairo_ps_surface_set_eps(surface, 1);
      break;
  }
  cairo_status_t status = cairo_surface_status(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return status;
  }
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, sx, sy);
  render(fig, cr, w, h, RenderOptions{Rgb{1, 1, 1}});
  cairo_show_page(cr);
  status = cairo_status(cr);
  cairo_destroy(cr);
  if (status == CAIRO_STATUS_SUCCESS && format == PictureFormat::Png)
    status = cairo_surface_write_to_png_stream(surface, appendTo, &out);
  cairo_surface_finish(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status == CAIRO_STATUS_SUCCESS && format == PictureFormat::Png) {
    try {
      out = withPngResolution(std::move(out), layout.dpi);
    } catch (const std::bad_alloc&) {
      return CAIRO_STATUS_NO_MEMORY;
    }
  }
  return status;
}

constexpr double kScreenDpi = 96;
// The limits as every message quotes them.
std::string sideLimitPx() {
  return "between " + num2str(kMinSidePx) + " and " + num2str(kMaxSidePx) + " pixels a side";
}

// The layout of a picture width x height screen pixels at dpi, its PNG
// pixels rounded up; an error text when it cannot be drawn.
std::string layoutAt(double width, double height, double dpi, PictureFormat format,
                     ExportLayout& out) {
  out.width = width;
  out.height = height;
  out.dpi = dpi;
  const double pw = std::ceil(width * dpi / kScreenDpi - 1e-9),
               ph = std::ceil(height * dpi / kScreenDpi - 1e-9);
  if (format == PictureFormat::Png &&
      (pw > kMaxSidePx || ph > kMaxSidePx || pw * ph > kMaxPngPixels)) {
    return "a PNG image of " + num2str(pw) + " x " + num2str(ph) + " pixels at " + num2str(dpi) +
           " dpi is too large (at most " + num2str(kMaxSidePx) + " pixels a side and " +
           num2str(kMaxPngPixels / 1e6) + " million pixels); choose a smaller size or resolution";
  }
  out.pixelWidth = static_cast<int>(std::max(1.0, pw));
  out.pixelHeight = static_cast<int>(std::max(1.0, ph));
  return {};
}

// As layoutAt for options; an error text when they cannot be drawn.
std::string layoutFor(const Figure& fig, PictureFormat format, const ExportOptions& options,
                      ExportLayout& out) {
  const std::optional<SizeUnit> unit =
      options.size ? std::optional<SizeUnit>(options.size->unit) : std::nullopt;
  const double dpi = options.dpi.value_or(!unit                      ? 2 * kScreenDpi
                                          : unit == SizeUnit::Pixels ? kScreenDpi
                                                                     : kDefaultPrintDpi);
  if (!(dpi >= kMinDpi && dpi <= kMaxDpi))
    return "the resolution " + num2str(dpi) + " dpi is not between " + num2str(kMinDpi) + " and " +
           num2str(kMaxDpi) + " dpi";
  if (!options.size) {
    const auto s = fig.sizePx();
    if (!(s[0] >= kMinSidePx && s[0] <= kMaxSidePx && s[1] >= kMinSidePx && s[1] <= kMaxSidePx))
      return "the picture size " + num2str(s[0]) + " x " + num2str(s[1]) + " pixels is not " +
             sideLimitPx();
    return layoutAt(s[0], s[1], dpi, format, out);
  }
  const PictureSize& size = *options.size;
  if (!(size.width > 0) || !(size.height > 0) || !std::isfinite(size.width) ||
      !std::isfinite(size.height))
    return "the picture size " + num2str(size.width) + " x " + num2str(size.height) +
           " is not two positive numbers";
  if (size.unit == SizeUnit::Pixels) {
    // Exactly the pixels asked for, laid out for the resolution.
    const double pw = std::round(size.width), ph = std::round(size.height);
    if (pw < kMinSidePx || ph < kMinSidePx || pw > kMaxSidePx || ph > kMaxSidePx)
      return "the picture size " + num2str(pw) + " x " + num2str(ph) + " pixels is not " +
             sideLimitPx();
    const std::string bad =
        layoutAt(pw * kScreenDpi / dpi, ph * kScreenDpi / dpi, dpi, format, out);
    if (!bad.empty()) return bad;
    out.pixelWidth = static_cast<int>(pw);
    out.pixelHeight = static_cast<int>(ph);
    return {};
  }
  if (size.width < kMinSideMm || size.height < kMinSideMm || size.width > kMaxSideMm ||
      size.height > kMaxSideMm)
    return "the picture size " + num2str(size.width) + " x " + num2str(size.height) +
           " mm is not between " + num2str(kMinSideMm) + " and " + num2str(kMaxSideMm) +
           " mm a side";
  const double w = size.width / kMmPerInch * kScreenDpi, h = size.height / kMmPerInch * kScreenDpi;
  // A PNG gets whole pixels: its layout follows their count, so both
  // directions keep the resolution exactly.
  const double pw = std::max(1.0, std::round(size.width / kMmPerInch * dpi)),
               ph = std::max(1.0, std::round(size.height / kMmPerInch * dpi));
  if (format == PictureFormat::Png)
    return layoutAt(pw * kScreenDpi / dpi, ph * kScreenDpi / dpi, dpi, format, out);
  const std::string bad = layoutAt(w, h, dpi, format, out);
  out.pixelWidth = static_cast<int>(pw);
  out.pixelHeight = static_cast<int>(ph);
  return bad;
}

// The options of the calls that take a size in screen pixels: twice as many
// pixels (the figure's own size unless both are positive) at twice the
// screen's resolution.
ExportOptions doubledOptions(double width, double height) {
  ExportOptions options;
  if (!(width <= 0 || height <= 0))
    options.size = PictureSize{2 * width, 2 * height, SizeUnit::Pixels};
  options.dpi = 2 * kScreenDpi;
  return options;
}

}  // namespace

ExportLayout exportLayout(const Figure& fig, PictureFormat format, const ExportOptions& options) {
  ExportLayout layout;
  const std::string bad = layoutFor(fig, format, options, layout);
  if (!bad.empty()) throw RuntimeError("Cannot draw the picture: " + bad + ".");
  return layout;
}

std::string renderPicture(const Figure& fig, PictureFormat format, double width, double height) {
  return renderPicture(fig, format, doubledOptions(width, height));
}

std::string renderPicture(const Figure& fig, PictureFormat format, const ExportOptions& options) {
  const ExportLayout layout = exportLayout(fig, format, options);
  std::string out;
  const cairo_status_t status = drawInto(fig, format, layout, out);
  if (status != CAIRO_STATUS_SUCCESS)
    throw RuntimeError("Cannot draw the picture: " + std::string(cairo_status_to_string(status)) +
                       ".");
  return out;
}

void savePicture(const Figure& fig, const std::string& path, PictureFormat format, double width,
                 double height) {
  savePicture(fig, path, format, doubledOptions(width, height));
}

void savePicture(const Figure& fig, const std::string& path, PictureFormat format,
                 const ExportOptions& options) {
  const auto fail = [&](const std::string& why) {
    throw RuntimeError("Cannot write the picture file \"" + path + "\": " + why + ".");
  };
  if (path.empty()) fail("no file name was given");
  ExportLayout layout;
  const std::string bad = layoutFor(fig, format, options, layout);
  if (!bad.empty()) fail(bad);
  std::string bytes;
  const cairo_status_t status = drawInto(fig, format, layout, bytes);
  if (status != CAIRO_STATUS_SUCCESS) fail(cairo_status_to_string(status));
  writeFileAtomically(path, bytes);
}

std::optional<PictureSize> parsePictureSize(std::string_view text, std::string* why) {
  const auto fail = [&]() -> std::optional<PictureSize> {
    if (why)
      *why = "a picture size is WIDTHxHEIGHT in pixels (1200x900) or millimetres (85x60mm), not '" +
             std::string(text) + "'";
    return std::nullopt;
  };
  std::string t = lowerCase(text);
  PictureSize size;
  if (t.ends_with("mm")) {
    size.unit = SizeUnit::Millimetres;
    t.resize(t.size() - 2);
  } else if (t.ends_with("px")) {
    t.resize(t.size() - 2);
  }
  const std::size_t x = t.find('x');
  if (x == std::string::npos) return fail();
  const auto number = [](std::string_view s) -> std::optional<double> {
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    if (!std::isfinite(v) || !(v > 0)) return std::nullopt;
    return v;
  };
  const auto w = number(std::string_view(t).substr(0, x));
  const auto h = number(std::string_view(t).substr(x + 1));
  if (!w || !h) return fail();
  size.width = *w;
  size.height = *h;
  return size;
}

}  // namespace varnok::graphics
