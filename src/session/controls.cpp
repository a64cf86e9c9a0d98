#include "session/controls.hpp"

#include <cmath>
#include <exception>

#include "platform/matrix/text.hpp"

namespace varnok::session {

namespace {

Mat numbersOf(const Value& v) {
  if (v.isText()) return str2num(v.text());
  if (v.isMatrix()) return v.matrix();
  return str2num(v.describe());
}

std::optional<double> numberOf(const Mat& m) {
  if (m.size() != 1 || !std::isfinite(m(0, 0))) return std::nullopt;
  return m(0, 0);
}

}  // namespace

std::optional<double> boxNumber(const Value& string) {
  return numberOf(numbersOf(string));
}

NumberBox readNumberBox(window::Window& w, std::string_view tag) {
  NumberBox box;
  auto found = w.findobj(tag);
  if (found.empty()) return box;
  const Value v = found.front()->get("String");
  box.present = true;
  box.text = v.describe();
  if (v.isText()) box.values = str2num(v.text());
  box.number = numberOf(numbersOf(v));
  return box;
}

std::optional<double> boxNumber(window::Window& w, std::string_view tag) {
  return boxNumber(w.control(tag).get("String"));
}

double controlValue(window::Window& w, std::string_view tag) {
  return w.control(tag).get("Value").scalar();
}

double controlValueOr(window::Window& w, std::string_view tag, double dflt) {
  try {
    auto found = w.findobj(tag);
    if (found.empty()) return dflt;
    return found.front()->get("Value").scalar();
  } catch (const std::exception&) {
    return dflt;
  }
}

}  // namespace varnok::session
