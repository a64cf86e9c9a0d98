// What the renderer draws with: paths, colours and strokes, text, markers
// and marker images, in user units (pixels at 96 dpi, y downwards).
//
// The renderer lays the picture out and says what to draw; a backend draws
// it. CairoBackend (cairo_backend.hpp) draws on screen and into picture
// files. The calls keep the model of a 2-D drawing context (a current path,
// a graphics state saved and restored), so state set once holds for the
// drawing that follows.
#pragma once

#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/graphics/color.hpp"
#include "platform/graphics/repeat_sieve.hpp"
#include "platform/graphics/text_metrics.hpp"

namespace varnok::graphics {

struct MarkerShape;
struct MarkerStyle;

enum class FillRule { Winding, EvenOdd };
enum class LineCap { Butt, Square };
enum class LineJoin { Round, Miter };

// Paints markers straight into an image's pixels, one after another.
class PixelStamp {
 public:
  virtual ~PixelStamp() = default;
  // Paints one marker centred at the user point (x, y); false when it cannot
  // (too large): the caller draws it as a path instead, after release().
  virtual bool stamp(const MarkerStyle& style, double x, double y) = 0;
  // Hands the pixels back; call before drawing anything else.
  virtual void release() = 0;
  // A sieve for markers of this look whose repeats add nothing to the
  // picture, or null when every one of them must be stamped.
  virtual std::unique_ptr<RepeatSieve> repeatSieve(const MarkerStyle&) { return nullptr; }
  // A number for this look, or -1 when there is none: stampLook(n, x, y)
  // stamps as stamp(look, x, y) does without comparing looks on every
  // marker. Numbers hold until stamp is given more looks than are kept.
  virtual int lookNumber(const MarkerStyle&) { return -1; }
  virtual bool stampLook(int, double, double) { return false; }

  // Where markers of numbered looks land, worked out apart from stamping
  // them, so that the parts of a long run can be worked out on threads of
  // their own: place() only reads the stamper.
  class Placement {
   public:
    virtual ~Placement() = default;
    virtual void place(int look, double x, double y) = 0;
    virtual void clear() = 0;
  };
  // A placement for up to `most` markers of these looks, or null unless
  // every marker of each is stamped (no repeats left out) and can be.
  virtual std::unique_ptr<Placement> placement(const std::vector<int>&, std::size_t) {
    return nullptr;
  }
  // Stamps the markers placed, in the order placed, as stampLook would have.
  virtual void stampPlaced(const Placement&) {}
};

class DrawingBackend {
 public:
  // Graphics state: colour, line style, font, transformation and clip.
  virtual void save() = 0;
  virtual void restore() = 0;
  virtual void translate(double x, double y) = 0;
  virtual void rotate(double radians) = 0;
  // Narrows the clip to the current path, which it clears.
  virtual void clip() = 0;

  // The current path.
  virtual void newPath() = 0;
  virtual void moveTo(double x, double y) = 0;
  virtual void lineTo(double x, double y) = 0;
  virtual void closePath() = 0;
  virtual void rectangle(double x, double y, double w, double h) = 0;

  // Painting: the whole clip, or the current path filled (cleared unless
  // preserved) or stroked (cleared).
  virtual void setColor(Rgb c) = 0;
  virtual void setLineWidth(double px) = 0;
  virtual void setLineJoin(LineJoin j) = 0;
  virtual void setLineCap(LineCap c) = 0;
  // Lengths of dashes and gaps in turn, in pixels; none for a solid line.
  virtual void setDash(std::initializer_list<double> pattern) = 0;
  virtual void setFillRule(FillRule r) = 0;
  virtual void paint() = 0;
  virtual void fill() = 0;
  virtual void fillPreserve() = 0;
  virtual void stroke() = 0;

  // Text: a font face at a size in pixels, one line of UTF-8 from the
  // baseline point (x, y), and how long texts are in the current font.
  virtual void selectFont(std::string_view face, double sizePx) = 0;
  virtual void setFontSize(double sizePx) = 0;
  virtual void showText(std::string_view text, double x, double y) = 0;
  virtual const TextMeasure& measure() const = 0;

  // Markers: adds one of shape at (x, y) to the current path; paints the
  // path's markers in style and clears it.
  virtual void addMarker(const MarkerShape& shape, double x, double y) = 0;
  virtual void paintMarkers(const MarkerShape& shape, const MarkerStyle& style) = 0;
  // Images: a stamp that paints markers into the pixels of the picture,
  // clipped to (0, 0)-(width, height); null when the backend has no pixels
  // of its own to paint into (vector files).
  virtual std::unique_ptr<PixelStamp> pixelStamp(double width, double height) = 0;

 protected:
  ~DrawingBackend() = default;
};

}  // namespace varnok::graphics
