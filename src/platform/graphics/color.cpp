#include "platform/graphics/color.hpp"

#include <array>
#include <cctype>
#include <cmath>
#include <utility>

#include "platform/graphics/markers.hpp"
#include "platform/graphics/properties.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

using props::quoted;

std::optional<Rgb> colorFromLetter(char c) {
  switch (std::tolower(static_cast<unsigned char>(c))) {
    case 'k':
      return Rgb{0, 0, 0};
    case 'b':
      return Rgb{0, 0, 1};
    case 'r':
      return Rgb{1, 0, 0};
    case 'm':
      return Rgb{1, 0, 1};
    case 'c':
      return Rgb{0, 1, 1};
    case 'g':
      return Rgb{0, 1, 0};
    case 'y':
      return Rgb{1, 1, 0};
    case 'w':
      return Rgb{1, 1, 1};
    default:
      return std::nullopt;
  }
}

ColorSpec parseColor(const Value& v) {
  if (v.isText()) {
    const std::string s = lowerCase(v.text());
    if (s == "none") return ColorSpec::none();
    if (s == "auto") return ColorSpec::autoColor();
    if (s.size() == 1) {
      if (auto c = colorFromLetter(s[0])) return ColorSpec::of(*c);
    }
    static const std::array<std::pair<std::string_view, char>, 8> names = {{{"black", 'k'},
                                                                            {"blue", 'b'},
                                                                            {"red", 'r'},
                                                                            {"magenta", 'm'},
                                                                            {"cyan", 'c'},
                                                                            {"green", 'g'},
                                                                            {"yellow", 'y'},
                                                                            {"white", 'w'}}};
    for (const auto& [name, letter] : names)
      if (s == name) return ColorSpec::of(*colorFromLetter(letter));
  } else if (v.isMatrix() && v.matrix().size() == 3 &&
             (v.matrix().rows() == 1 || v.matrix().cols() == 1)) {
    const double* d = v.matrix().data();
    bool ok = true;
    for (int i = 0; i < 3; ++i) ok = ok && std::isfinite(d[i]) && d[i] >= 0 && d[i] <= 1;
    if (ok) return ColorSpec::of({d[0], d[1], d[2]});
  }
  throw RuntimeError("Invalid colour " +
                     (v.isText() ? quoted(v.text()) : "[" + v.describe() + "]") +
                     ": use a colour letter (k b r m c g y w), a colour name, [r g b] with "
                     "values from 0 to 1, \"none\" or \"auto\".");
}

LineSpec parseLineSpec(std::string_view code) {
  LineSpec s;
  const auto fail = [&](const std::string& why) {
    throw RuntimeError("Invalid line-style code " + quoted(code) + ": " + why + ".");
  };
  for (std::size_t i = 0; i < code.size();) {
    const char c = code[i];
    if (c == '-' || c == ':') {
      std::string style(1, c);
      if (c == '-' && i + 1 < code.size() && (code[i + 1] == '-' || code[i + 1] == '.'))
        style += code[i + 1];
      if (s.lineStyle) fail("more than one line style");
      s.lineStyle = style;
      i += style.size();
      continue;
    }
    if (auto rgb = colorFromLetter(c)) {
      if (s.color) fail("more than one colour");
      s.color = rgb;
    } else if (const char m = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
               m != 0 && kMarkers.find(m) != std::string_view::npos) {
      if (s.marker) fail("more than one marker");
      s.marker = m;
    } else {
      fail(quoted(std::string(1, c)) + " is not a colour (k b r m c g y w), a marker (" +
           std::string(kMarkers) + ") or a line style (- -- : -.)");
    }
    ++i;
  }
  return s;
}

}  // namespace varnok::graphics
