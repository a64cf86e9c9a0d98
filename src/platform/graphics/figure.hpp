// The figure: the window's picture, holding one axes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/axes.hpp"
#include "platform/matrix/types.hpp"
#include "platform/matrix/value.hpp"

namespace varnok::graphics {

class Figure {
 public:
  Figure();
  Figure(const Figure&) = delete;
  Figure& operator=(const Figure&) = delete;
  Handle handle() const { return 1; }
  // The class name used in messages.
  const char* className() const { return "Figure"; }
  Axes& axes() { return *axes_; }
  const Axes& axes() const { return *axes_; }

  // Any object of the figure (the figure itself is handle 1, its axes has
  // its own handle); null when none.
  Object* find(Handle h) const { return axes_->find(h); }

  // Property access by handle: the figure, its axes or one of the axes'
  // children. An unknown handle throws RuntimeError.
  Value getProperty(Handle h, std::string_view prop) const;
  void setProperty(Handle h, std::string_view prop, const Value& v);

  // Figure properties by name: Type ("figure"), Children, Tag, Units,
  // Position, Color, Pointer, PointerShapeCData. Setting Units converts
  // Position.
  Value get(std::string_view prop) const;
  void set(std::string_view prop, const Value& v);

  // Window properties.
  std::string pointer = "arrow";  // "arrow", "watch", "custom"
  Mat pointerShapeCData;          // 16 x 16: 1 black, 2 white, NaN transparent
  std::string units = "pixels";
  std::array<double, 4> position = {0, 0, 1000, 700};
  Rgb color = {0.94, 0.94, 0.94};
  std::string tag;

  // The figure's width and height in pixels, whatever its Units.
  std::array<double, 2> sizePx() const;

  // Counts every change, so a window can tell when to repaint.
  std::uint64_t version() const { return version_; }
  void touch() { ++version_; }

  Handle allocateHandle() { return nextHandle_ += 1.0; }
  // The handle given out last.
  Handle lastHandle() const { return nextHandle_; }
  // n consecutive handles; returns the first.
  Handle allocateHandles(std::size_t n) {
    const Handle first = nextHandle_ + 1.0;
    nextHandle_ += static_cast<double>(n);
    return first;
  }

 private:
  Handle nextHandle_ = 1.0;  // before axes_, which takes the first handle
  std::unique_ptr<Axes> axes_;
  std::uint64_t version_ = 0;
};

// The line whose markers each legend entry of ax shows, as drawn now (a
// line, or the style of a point-group member), in the order of the entries;
// null for an entry whose line is gone.
std::vector<const Line*> legendLines(const Axes& ax);

}  // namespace varnok::graphics
