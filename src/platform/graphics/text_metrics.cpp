#include "platform/graphics/text_metrics.hpp"

#include <algorithm>

namespace varnok::graphics {

namespace {

constexpr std::string_view kMinusSign = "\u2212";

}  // namespace

double NominalAxesFont::advance(std::string_view text) const {
  double w = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (text.substr(i).starts_with(kMinusSign)) {
      w += 11.2;
      i += kMinusSign.size();
      continue;
    }
    w += text[i] == '.' ? 4.2 : text[i] == '-' ? 11.2 : 8.5;
    // One advance per character: continuation bytes of UTF-8 add none.
    for (++i; i < text.size() && (static_cast<unsigned char>(text[i]) >> 6) == 0x2;) ++i;
  }
  return w;
}

FontExtents NominalAxesFont::extents() const {
  // The face's ascent, descent and line spacing (0.928, 0.236 and 1.164
  // em) at 13 1/3 pixels.
  constexpr double em = 10 * 96.0 / 72.0;
  return {0.928 * em, 0.236 * em, 1.164 * em};
}

double widestAdvance(const std::vector<std::string>& texts, const TextMeasure& m) {
  double widest = 0;
  for (const std::string& t : texts) widest = std::max(widest, m.advance(t));
  return widest;
}

std::string cleanText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      if (c == '\t') {
        out += ' ';
      } else if (c >= 0x20 && c != 0x7f) {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    int len = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 0;
    bool ok = len > 0 && i + len <= s.size();
    for (int k = 1; ok && k < len; ++k) ok = (static_cast<unsigned char>(s[i + k]) >> 6) == 0x2;
    if (ok && c >= 0xc2 && c <= 0xf4) {
      out.append(s.substr(i, len));
      i += len;
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
      ++i;
    }
  }
  return out;
}

std::string tickLabelText(double v, TickStep s, int scaleExponent) {
  std::string label = tickLabel(v, s, scaleExponent);
  if (!label.empty() && label[0] == '-') label.replace(0, 1, kMinusSign);
  return label;
}

}  // namespace varnok::graphics
