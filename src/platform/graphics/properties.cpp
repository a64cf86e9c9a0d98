#include "platform/graphics/properties.hpp"

#include <cctype>
#include <cmath>

#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics::props {

bool ieq(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string quoted(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

[[noreturn]] void badValue(std::string_view prop, std::string_view cls, const Value& v,
                           std::string_view expected) {
  throw RuntimeError("Bad value for the " + std::string(prop) + " property of the " +
                     std::string(cls) + " class: " + std::string(expected) + ", not " +
                     (v.isText() ? quoted(v.text()) : "[" + v.describe() + "]") + ".");
}

bool hasProperty(const ValueList& props, std::string_view name) {
  for (std::size_t i = 0; i + 1 < props.size(); i += 2)
    if (props[i].isText() && ieq(props[i].text(), name)) return true;
  return false;
}

double positiveNumber(const Value& v, std::string_view prop, std::string_view cls) {
  if (!v.isMatrix() || v.matrix().size() != 1 || !std::isfinite(v.matrix()(0, 0)) ||
      v.matrix()(0, 0) <= 0)
    badValue(prop, cls, v, "must be a positive number");
  return v.matrix()(0, 0);
}

double number(const Value& v, std::string_view prop, std::string_view cls) {
  if (!v.isMatrix() || v.matrix().size() != 1) badValue(prop, cls, v, "must be a number");
  return v.matrix()(0, 0);
}

Mat matrixOf(const Value& v, std::string_view prop, std::string_view cls) {
  if (!v.isMatrix()) badValue(prop, cls, v, "must be a matrix of numbers");
  return v.matrix();
}

std::vector<double> vectorOf(const Value& v, std::string_view prop, std::string_view cls) {
  if (!v.isMatrix()) badValue(prop, cls, v, "must be a vector of numbers");
  const Mat& m = v.matrix();
  if (m.size() != 0 && m.rows() != 1 && m.cols() != 1)
    badValue(prop, cls, v, "must be a vector of numbers");
  return std::vector<double>(m.data(), m.data() + m.size());
}

std::array<double, 4> fourNumbers(const Value& v, std::string_view prop, std::string_view cls) {
  if (!v.isMatrix() || v.matrix().size() != 4) badValue(prop, cls, v, "must be four numbers");
  const Mat& m = v.matrix();
  std::array<double, 4> out{};
  for (int i = 0; i < 4; ++i) {
    out[i] = m.data()[i];
    if (!std::isfinite(out[i])) badValue(prop, cls, v, "must be four finite numbers");
  }
  return out;
}

std::array<double, 2> increasingPair(const Value& v, std::string_view prop, std::string_view cls) {
  if (!v.isMatrix() || v.matrix().size() != 2) badValue(prop, cls, v, "must be two numbers");
  const double a = v.matrix().data()[0], b = v.matrix().data()[1];
  if (!std::isfinite(a) || !std::isfinite(b) || !(a < b))
    badValue(prop, cls, v, "must be two finite, increasing numbers");
  return {a, b};
}

Value rowOf(const std::vector<double>& d) {
  Mat m(1, static_cast<Eigen::Index>(d.size()));
  for (std::size_t i = 0; i < d.size(); ++i) m(0, static_cast<Eigen::Index>(i)) = d[i];
  return Value(std::move(m));
}

Value rgbValue(Rgb c) {
  return rowOf(std::vector<double>{c.r, c.g, c.b});
}

Value colorSpecValue(const ColorSpec& c) {
  switch (c.mode) {
    case ColorSpec::Mode::None:
      return Value("none");
    case ColorSpec::Mode::Auto:
      return Value("auto");
    case ColorSpec::Mode::Rgb:
      break;
  }
  return rgbValue(c.rgb);
}

Rgb rgbOnly(const Value& v, std::string_view prop, std::string_view cls) {
  ColorSpec c;
  try {
    c = parseColor(v);
  } catch (const RuntimeError&) {
    badValue(prop, cls, v, "must be a colour letter or name, or [r g b] with values from 0 to 1");
  }
  if (c.mode != ColorSpec::Mode::Rgb)
    badValue(prop, cls, v, "must be a colour letter or name, or [r g b] with values from 0 to 1");
  return c.rgb;
}

ColorSpec rgbOrNone(const Value& v, std::string_view prop, std::string_view cls) {
  ColorSpec c;
  try {
    c = parseColor(v);
  } catch (const RuntimeError&) {
    badValue(prop, cls, v, "must be a colour, [r g b] with values from 0 to 1, or \"none\"");
  }
  if (c.mode == ColorSpec::Mode::Auto)
    badValue(prop, cls, v, "must be a colour, [r g b] with values from 0 to 1, or \"none\"");
  return c;
}

ColorSpec anyColor(const Value& v, std::string_view prop, std::string_view cls) {
  try {
    return parseColor(v);
  } catch (const RuntimeError&) {
    badValue(prop, cls, v,
             "must be a colour, [r g b] with values from 0 to 1, \"none\" or \"auto\"");
  }
}

std::string oneOf(const Value& v, std::initializer_list<std::string_view> words,
                  std::string_view prop, std::string_view cls) {
  if (v.isText()) {
    for (std::string_view w : words)
      if (ieq(v.text(), w)) return std::string(w);
  }
  std::string list;
  for (std::string_view w : words) list += (list.empty() ? "" : ", ") + quoted(w);
  badValue(prop, cls, v, "must be one of " + list);
}

bool onOff(const Value& v, std::string_view prop, std::string_view cls) {
  return oneOf(v, {"on", "off"}, prop, cls) == "on";
}

std::string textOf(const Value& v, std::string_view prop, std::string_view cls) {
  if (!v.isText()) badValue(prop, cls, v, "must be a text");
  return v.text();
}

[[noreturn]] void noSuchProperty(std::string_view prop, std::string_view cls) {
  throw RuntimeError("There is no " + std::string(prop) + " property on the " + std::string(cls) +
                     " class.");
}

[[noreturn]] void readOnly(std::string_view prop, std::string_view cls) {
  throw RuntimeError("The " + std::string(prop) + " property of the " + std::string(cls) +
                     " class is read-only.");
}

}  // namespace varnok::graphics::props
