// Colours and line-style codes as properties and plot calls take them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/matrix/value.hpp"

namespace varnok::graphics {

struct Rgb {
  double r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// A colour that may also be "none" (not drawn) or "auto" (the property's
// default: a line's Color for marker edges, the axes colour for marker faces).
struct ColorSpec {
  enum class Mode { Rgb, None, Auto };
  Mode mode = Mode::Auto;
  Rgb rgb;
  static ColorSpec none() { return {Mode::None, {}}; }
  static ColorSpec autoColor() { return {Mode::Auto, {}}; }
  static ColorSpec of(Rgb c) { return {Mode::Rgb, c}; }
  bool operator==(const ColorSpec&) const = default;
};

// Colour letters k b r m c g y w.
std::optional<Rgb> colorFromLetter(char c);
// Reads a colour property value: a letter or name ("k", "red"), [r g b] with
// components 0..1, "none", "auto". Throws RuntimeError for anything else.
ColorSpec parseColor(const Value& v);

// A parsed line-style code such as "ko", "k-", "r", "k:", "b*", "--". The
// parts may come in any order ("o-r" is "r-o").
struct LineSpec {
  std::optional<Rgb> color;
  std::optional<std::string> lineStyle;  // "-", "--", ":", "-.", absent = not given
  std::optional<char> marker;            // one of kMarkers
};
// Throws RuntimeError for a code that is not a line-style code.
LineSpec parseLineSpec(std::string_view code);

}  // namespace varnok::graphics
