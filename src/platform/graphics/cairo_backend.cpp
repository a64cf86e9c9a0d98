#include "platform/graphics/cairo_backend.hpp"

#include <string>
#include <vector>

#include "platform/graphics/markers.hpp"

namespace varnok::graphics {

namespace {

// Cairo refuses, and then fails the whole picture, text that is not UTF-8
// or that holds a noncharacter (U+FDD0 to U+FDEF, U+xFFFE, U+xFFFF), which is
// well-formed UTF-8 and so passes the readers. Each such sequence is drawn as
// U+FFFD, the replacement character, instead.
std::string drawableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++p;
      continue;
    }
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;
    char32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      cp = c & 0x0F;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      cp = c & 0x07;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    }
    bool ok = length > 0 && end - p >= length && p[1] >= low && p[1] <= high;
    for (int k = 1; ok && k < length; ++k) {
      ok = p[k] >= 0x80 && p[k] <= 0xBF;
      cp = (cp << 6) | (p[k] & 0x3F);
    }
    if (ok && !((cp >= 0xFDD0 && cp <= 0xFDEF) || (cp & 0xFFFE) == 0xFFFE)) {
      out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
      p += length;
    } else {
      out += "\xEF\xBF\xBD";
      p += ok ? length : 1;
    }
  }
  return out;
}

}  // namespace

double CairoTextMeasure::advance(std::string_view text) const {
  const std::string s = drawableText(text);
  cairo_text_extents_t te;
  cairo_text_extents(cr_, s.c_str(), &te);
  return te.x_advance;
}

FontExtents CairoTextMeasure::extents() const {
  cairo_font_extents_t fe;
  cairo_font_extents(cr_, &fe);
  return {fe.ascent, fe.descent, fe.height};
}

std::unique_ptr<CairoBackend> CairoBackend::scratch() {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  auto b = std::make_unique<CairoBackend>(cairo_create(surface));
  b->ownSurface_ = surface;
  return b;
}

CairoBackend::~CairoBackend() {
  if (!ownSurface_) return;
  cairo_destroy(cr_);
  cairo_surface_destroy(ownSurface_);
}

void CairoBackend::save() {
  cairo_save(cr_);
}

void CairoBackend::restore() {
  cairo_restore(cr_);
}

void CairoBackend::translate(double x, double y) {
  cairo_translate(cr_, x, y);
}

void CairoBackend::rotate(double radians) {
  cairo_rotate(cr_, radians);
}

void CairoBackend::clip() {
  cairo_clip(cr_);
}

void CairoBackend::newPath() {
  cairo_new_path(cr_);
}

void CairoBackend::moveTo(double x, double y) {
  cairo_move_to(cr_, x, y);
}

void CairoBackend::lineTo(double x, double y) {
  cairo_line_to(cr_, x, y);
}

void CairoBackend::closePath() {
  cairo_close_path(cr_);
}

void CairoBackend::rectangle(double x, double y, double w, double h) {
  cairo_rectangle(cr_, x, y, w, h);
}

void CairoBackend::setColor(Rgb c) {
  cairo_set_source_rgb(cr_, c.r, c.g, c.b);
}

void CairoBackend::setLineWidth(double px) {
  cairo_set_line_width(cr_, px);
}

void CairoBackend::setLineJoin(LineJoin j) {
  cairo_set_line_join(cr_, j == LineJoin::Round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
}

void CairoBackend::setLineCap(LineCap c) {
  cairo_set_line_cap(cr_, c == LineCap::Butt ? CAIRO_LINE_CAP_BUTT : CAIRO_LINE_CAP_SQUARE);
}

void CairoBackend::setDash(std::initializer_list<double> pattern) {
  if (pattern.size() == 0) {
    cairo_set_dash(cr_, nullptr, 0, 0);
    return;
  }
  const std::vector<double> d(pattern);
  cairo_set_dash(cr_, d.data(), static_cast<int>(d.size()), 0);
}

void CairoBackend::setFillRule(FillRule r) {
  cairo_set_fill_rule(cr_,
                      r == FillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
}

void CairoBackend::paint() {
  cairo_paint(cr_);
}

void CairoBackend::fill() {
  cairo_fill(cr_);
}

void CairoBackend::fillPreserve() {
  cairo_fill_preserve(cr_);
}

void CairoBackend::stroke() {
  cairo_stroke(cr_);
}

void CairoBackend::selectFont(std::string_view face, double sizePx) {
  const std::string f(face);
  cairo_select_font_face(cr_, f.c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr_, sizePx);
}

void CairoBackend::setFontSize(double sizePx) {
  cairo_set_font_size(cr_, sizePx);
}

void CairoBackend::showText(std::string_view text, double x, double y) {
  const std::string s = drawableText(text);
  cairo_move_to(cr_, x, y);
  cairo_show_text(cr_, s.c_str());
}

void CairoBackend::addMarker(const MarkerShape& shape, double x, double y) {
  emitMarker(cr_, shape, x, y);
}

void CairoBackend::paintMarkers(const MarkerShape& shape, const MarkerStyle& style) {
  graphics::paintMarkers(cr_, shape, style);
}

std::unique_ptr<PixelStamp> CairoBackend::pixelStamp(double width, double height) {
  return MarkerStamper::forContext(cr_, width, height);
}

}  // namespace varnok::graphics
