// Reading the window's controls: one rule for each kind of control, so every
// action reads a box the same way.
//
// A number box (a String such as XBox, BaseBox1 or RefAngleBox) holds a
// number when its text is exactly one finite number ("2", " 1.5 ", "-30");
// anything else ("", "north", "1 2", "Inf") holds none, and each action says
// so in its own words. A check box, radio button or list is read by its
// Value.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/matrix/types.hpp"
#include "platform/matrix/value.hpp"
#include "platform/window/window.hpp"

namespace varnok::session {

// The number a box's String holds (a text, or a number put there by a
// routine), or nullopt.
std::optional<double> boxNumber(const Value& string);

// A number box as read: whether the window has one, its text as shown, every
// number its text holds, and its number under the rule above.
struct NumberBox {
  bool present = false;
  std::string text;  // Value::describe of the String, as messages quote it
  Mat values;        // what str2num makes of a text (empty for other values)
  std::optional<double> number;
};

// The first control tagged tag, read as a number box; present is false when
// there is none.
NumberBox readNumberBox(window::Window& w, std::string_view tag);

// The number in the first control tagged tag; RuntimeError naming the tag
// when there is none.
std::optional<double> boxNumber(window::Window& w, std::string_view tag);

// The Value of the first control tagged tag; RuntimeError when there is none
// or it is not a number.
double controlValue(window::Window& w, std::string_view tag);

// As controlValue, or dflt when the control is missing or cannot be read.
double controlValueOr(window::Window& w, std::string_view tag, double dflt);

}  // namespace varnok::session
