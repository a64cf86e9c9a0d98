// Measuring text for layout.
//
// Every layout decision that depends on how long a text is (which tick step
// fits, where the axis titles go, how wide the legend is, how much room the
// axes leave for tick labels) measures through TextMeasure, and labels are
// measured as they are drawn (tickLabelText). The renderer measures the
// glyphs it draws (CairoTextMeasure in cairo_backend.hpp). The axes' room
// for text decides the plot box and, under equal units, the limits, which
// plot data and scripts read back: it measures with NominalAxesFont, the
// axes font's advances as constants, so the box and the limits are the
// same on every machine, with or without fonts and a window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/ticks.hpp"

namespace varnok::graphics {

// In the user units of the renderer (pixels at 96 dpi).
struct FontExtents {
  double ascent = 0, descent = 0;
  double height = 0;  // from one baseline to the next
};

class TextMeasure {
 public:
  // How far the pen moves drawing the text (UTF-8, one line).
  virtual double advance(std::string_view text) const = 0;
  virtual FontExtents extents() const = 0;

 protected:
  ~TextMeasure() = default;
};

// DejaVu Sans at 10 points (13 1/3 pixels) as the axes draw tick labels:
// digits 8.5 pixels, the decimal point 4.2, the minus sign (or a hyphen)
// 11.2; anything else counts as a digit.
class NominalAxesFont final : public TextMeasure {
 public:
  double advance(std::string_view text) const override;
  FontExtents extents() const override;
};

// The largest advance of the texts; 0 for none.
double widestAdvance(const std::vector<std::string>& texts, const TextMeasure& m);

// Texts are drawn and measured as clean UTF-8: Cairo refuses text that is
// not UTF-8 and then ignores every later drawing call, so texts from data
// files are cleaned first: bytes that do not form UTF-8 are taken as
// Latin-1, tabs become blanks, other control characters are dropped.
std::string cleanText(std::string_view s);

// A tick label as it is drawn: tickLabel with a minus sign for the hyphen.
std::string tickLabelText(double v, TickStep s, int scaleExponent);

}  // namespace varnok::graphics
