// The drawing backend on a Cairo context: the screen (the Qt widget shows a
// Cairo image surface) and PNG, SVG, PDF and EPS files.
#pragma once

#include <cairo.h>

#include <memory>

#include "platform/graphics/backend.hpp"

namespace varnok::graphics {

// Text measured as Cairo draws it in the context's current font.
class CairoTextMeasure final : public TextMeasure {
 public:
  explicit CairoTextMeasure(cairo_t* cr) : cr_(cr) {}
  double advance(std::string_view text) const override;
  FontExtents extents() const override;

 private:
  cairo_t* cr_;
};

class CairoBackend final : public DrawingBackend {
 public:
  // Draws with cr, which the caller keeps.
  explicit CairoBackend(cairo_t* cr) : cr_(cr), measure_(cr) {}
  // A backend of its own on a 1 x 1 image, for measuring text.
  static std::unique_ptr<CairoBackend> scratch();
  ~CairoBackend();
  CairoBackend(const CairoBackend&) = delete;
  CairoBackend& operator=(const CairoBackend&) = delete;

  void save() override;
  void restore() override;
  void translate(double x, double y) override;
  void rotate(double radians) override;
  void clip() override;
  void newPath() override;
  void moveTo(double x, double y) override;
  void lineTo(double x, double y) override;
  void closePath() override;
  void rectangle(double x, double y, double w, double h) override;
  void setColor(Rgb c) override;
  void setLineWidth(double px) override;
  void setLineJoin(LineJoin j) override;
  void setLineCap(LineCap c) override;
  void setDash(std::initializer_list<double> pattern) override;
  void setFillRule(FillRule r) override;
  void paint() override;
  void fill() override;
  void fillPreserve() override;
  void stroke() override;
  void selectFont(std::string_view face, double sizePx) override;
  void setFontSize(double sizePx) override;
  void showText(std::string_view text, double x, double y) override;
  const TextMeasure& measure() const override { return measure_; }
  void addMarker(const MarkerShape& shape, double x, double y) override;
  void paintMarkers(const MarkerShape& shape, const MarkerStyle& style) override;
  std::unique_ptr<PixelStamp> pixelStamp(double width, double height) override;

 private:
  cairo_t* cr_;
  CairoTextMeasure measure_;
  cairo_surface_t* ownSurface_ = nullptr;  // of a scratch backend
};

}  // namespace varnok::graphics
