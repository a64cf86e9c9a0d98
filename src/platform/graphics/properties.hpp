// Property tables of the graphics objects, and the conversions between
// property values and fields, shared by every object class.
//
// Each class lists its own properties once: name as the runtime spells it,
// how to read it, how to write it (none: read-only). Names are matched
// without regard to case. The conversions check a value and throw
// RuntimeError in the runtime's words ("Bad value for the LineWidth property
// of the Line class: must be a positive number, not [-1].").
//
// Internal to platform/graphics.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/graphics/color.hpp"
#include "platform/matrix/types.hpp"
#include "platform/matrix/value.hpp"

namespace varnok::graphics::props {

bool ieq(std::string_view a, std::string_view b);
std::string quoted(std::string_view s);

[[noreturn]] void badValue(std::string_view prop, std::string_view cls, const Value& v,
                           std::string_view expected);
[[noreturn]] void readOnly(std::string_view prop, std::string_view cls);

// Whether a list of property pairs names the property.
bool hasProperty(const ValueList& props, std::string_view name);

// Readers of property values; prop and cls name the property in messages.
double positiveNumber(const Value& v, std::string_view prop, std::string_view cls);
// Any number (NaN and infinities too), one element.
double number(const Value& v, std::string_view prop, std::string_view cls);
// The elements of a vector (a row, a column or empty).
std::vector<double> vectorOf(const Value& v, std::string_view prop, std::string_view cls);
// A matrix of numbers of any shape.
Mat matrixOf(const Value& v, std::string_view prop, std::string_view cls);
std::array<double, 4> fourNumbers(const Value& v, std::string_view prop, std::string_view cls);
std::array<double, 2> increasingPair(const Value& v, std::string_view prop, std::string_view cls);
Rgb rgbOnly(const Value& v, std::string_view prop, std::string_view cls);
ColorSpec rgbOrNone(const Value& v, std::string_view prop, std::string_view cls);
ColorSpec anyColor(const Value& v, std::string_view prop, std::string_view cls);
// One of the given words, compared without case; returns the canonical word.
std::string oneOf(const Value& v, std::initializer_list<std::string_view> words,
                  std::string_view prop, std::string_view cls);
bool onOff(const Value& v, std::string_view prop, std::string_view cls);
std::string textOf(const Value& v, std::string_view prop, std::string_view cls);

// Writers of property values.
Value rowOf(const std::vector<double>& d);
template <std::size_t N>
Value rowOf(const std::array<double, N>& d) {
  return rowOf(std::vector<double>(d.begin(), d.end()));
}
Value rgbValue(Rgb c);
Value colorSpecValue(const ColorSpec& c);

// One property of class T.
template <class T>
struct Property {
  std::string_view name;
  Value (*get)(const T&);
  void (*set)(T&, const Value&);  // null: read-only
};

// A property whose setter also hears the name as the caller spelt it, for
// messages that repeat it.
template <class T>
struct SpeltProperty {
  std::string_view name;
  Value (*get)(const T&);
  void (*set)(T&, const Value&, std::string_view spelt);  // null: read-only
};

template <class T, std::size_t N>
using PropertyTable = std::array<Property<T>, N>;

template <class P, std::size_t N>
const P* find(const std::array<P, N>& table, std::string_view name) {
  for (const P& p : table)
    if (ieq(p.name, name)) return &p;
  return nullptr;
}

template <class P, std::size_t N>
void appendNames(const std::array<P, N>& table, std::vector<std::string>& out) {
  for (const P& p : table) out.emplace_back(p.name);
}

// Reads property name of o into out; false when the table has none.
template <class T, class P, std::size_t N>
bool read(const std::array<P, N>& table, const T& o, std::string_view name, Value& out) {
  const P* p = find(table, name);
  if (p == nullptr) return false;
  out = p->get(o);
  return true;
}

// Writes property name of o; false when the table has none, RuntimeError
// when it is read-only or the value is bad.
template <class T, class P, std::size_t N>
bool write(const std::array<P, N>& table, T& o, std::string_view name, const Value& v) {
  const P* p = find(table, name);
  if (p == nullptr) return false;
  if (p->set == nullptr) readOnly(name, o.className());
  if constexpr (std::is_same_v<P, SpeltProperty<T>>) {
    p->set(o, v, name);
  } else {
    p->set(o, v);
  }
  return true;
}

// "There is no X property on the C class."
[[noreturn]] void noSuchProperty(std::string_view prop, std::string_view cls);

}  // namespace varnok::graphics::props
